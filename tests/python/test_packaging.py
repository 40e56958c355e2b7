"""The two ways in: the Debian package python3-tessark made by CPack and
extracted into a temporary root, and pip installing the source into a
virtual environment offline. Each installed module is imported by a fresh
Debian Python and converts a page as the built module does."""
import os
import pathlib
import subprocess

import pytest

import tessark

BUILD = os.environ.get("TESSARK_BUILD_DIR")
SOURCE = pathlib.Path(os.environ.get("TESSARK_SOURCE_DIR", pathlib.Path(__file__).parents[2]))
PAGE = b"<h1>Caf\xc3\xa9</h1><ul><li>one<li>two</ul><p>See <a href='/x'>this</a>."
CHECK = ("import sys, tessark, tessark.dask; print(tessark.__file__); "
         "sys.stdout.write(tessark.to_text(sys.stdin.buffer.read(), links='list'))")


def run_installed(python, env):
    """The installed module's file and its text of PAGE, from a fresh process."""
    env = {**{k: v for k, v in os.environ.items() if k != "PYTHONPATH"}, **env}
    out = subprocess.run([python, "-c", CHECK], input=PAGE, env=env, capture_output=True, check=True, cwd="/")
    where, _, text = out.stdout.decode().partition("\n")
    return pathlib.Path(where), text


@pytest.fixture(scope="module")
def build():
    if not BUILD:
        pytest.skip("TESSARK_BUILD_DIR is not set (run through ctest)")
    return pathlib.Path(BUILD)


def test_the_debian_package(build, tmp_path):
    subprocess.run(["cpack", "--config", str(build / "CPackConfig-python.cmake"), "-G", "DEB", "-B", str(tmp_path)],
                   check=True, capture_output=True)
    (deb,) = tmp_path.glob("python3-tessark_*.deb")
    field = lambda name: subprocess.run(["dpkg-deb", "--field", str(deb), name], capture_output=True,
                                        text=True, check=True).stdout.strip()
    assert field("Package") == "python3-tessark" and field("Section") == "python"
    assert "python3 (>= 3." in field("Depends") and "libstdc++6" in field("Depends")
    subprocess.run(["dpkg-deb", "-x", str(deb), str(tmp_path / "root")], check=True)
    packages = tmp_path / "root/usr/lib/python3/dist-packages"
    assert {p.name for p in (packages / "tessark").iterdir()} >= {"__init__.py", "__init__.pyi", "py.typed", "dask.py"}
    where, text = run_installed("/usr/bin/python3", {"PYTHONPATH": str(packages)})
    assert where.is_relative_to(packages)
    assert text == tessark.to_text(PAGE, links="list")


def test_pip_installs_offline_into_a_virtual_environment(build, tmp_path):
    """The test command reuses the test build's CMake folder (setup.py only
    copies the module); the nightly tier builds from nothing."""
    venv = tmp_path / "venv"
    subprocess.run(["/usr/bin/python3", "-m", "venv", "--system-site-packages", str(venv)], check=True)
    nightly = os.environ.get("TESSARK_NIGHTLY") == "1"
    env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    env["TESSARK_CMAKE_BUILD_DIR"] = str(tmp_path / "cmake" if nightly else build)
    subprocess.run([str(venv / "bin/pip"), "install", "-q", "--no-index", "--no-build-isolation", str(SOURCE / "python")],
                   env=env, check=True)
    where, text = run_installed(str(venv / "bin/python"), {})
    assert where.is_relative_to(venv)
    assert text == tessark.to_text(PAGE, links="list")
