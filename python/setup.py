"""pip's way in: the package tessark, its compiled part built by CMake.

    python3 -m venv --system-site-packages VENV
    VENV/bin/pip install --no-index --no-build-isolation python/

build_ext configures the source tree above this folder (a Release build
without the window or the tests, TESSARK_BUILD_PYTHON on) in the build
folder setuptools gives, or in TESSARK_CMAKE_BUILD_DIR when set (a build
kept between installs), builds the target _tessark (the module with the
library linked in statically) and copies it where setuptools packs it.
setuptools and pybind11 come from the system (Debian's python3-setuptools
and pybind11-dev), so nothing is downloaded.
"""
import os
import pathlib
import re
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = pathlib.Path(__file__).resolve().parent
SOURCE = HERE.parent


def version():
    text = (SOURCE / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(Tessark VERSION ([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = pathlib.Path(os.environ.get("TESSARK_CMAKE_BUILD_DIR") or pathlib.Path(self.build_temp).resolve() / "cmake")
        configure = ["cmake", "-S", str(SOURCE), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                     "-DTESSARK_BUILD_PYTHON=ON", "-DTESSARK_BUILD_TESTS=OFF", "-DTESSARK_BUILD_GUI=OFF",
                     "-DTESSARK_SANITIZE=OFF", "-DPython_EXECUTABLE=" + sys.executable]
        if subprocess.run(["ninja", "--version"], capture_output=True).returncode == 0:
            configure += ["-G", "Ninja"]
        if not (build / "CMakeCache.txt").exists():
            subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "_tessark"], check=True)
        built = next((build / "python" / "tessark").glob("_tessark*.so"))
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        self.copy_file(str(built), str(target))


setup(
    name="tessark",
    version=version(),
    description="HTML pages into plain text: readable text or the classic conversion",
    packages=["tessark"],
    package_data={"tessark": ["py.typed", "__init__.pyi"]},
    ext_modules=[Extension("tessark._tessark", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    python_requires=">=3.9",
    zip_safe=False,
)
