#!/usr/bin/env bash
# Builds the Debian package from a Release tree (no sanitizers, no tests) and
# checks it as a user meets it: its control fields, its file list, and the
# program run from the package extracted into a temporary folder (not
# installed), through the relative link in usr/bin. The build folder is kept
# between runs, so that a second run only rebuilds what changed.
# Usage: scripts/package-check.sh [build-dir]   (default: build-package)
set -euo pipefail
cd "$(dirname "$0")/.."
# dpkg-dev: dpkg-shlibdeps computes Depends; file: CPack finds the programs;
# binutils: objdump lists what the program needs.
scripts/deps.sh dpkg-dev file groff-base binutils
build="${1:-build-package}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARK_BUILD_TESTS=OFF \
  -DTESSARK_STRICT=OFF -DTESSARK_SANITIZE=OFF >/dev/null
cmake --build "$build"
rm -f "$build"/tessark_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/tessark_*.deb)
deb="${debs[0]}"
echo "package-check: $deb"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "package-check: FAILED: $*" >&2
  exit 1
}

# Control fields: the name, and Depends computed from the linked libraries
# (the window part's among them).
[ "$(dpkg-deb --field "$deb" Package)" = tessark ] || fail "package name"
[ "$(dpkg-deb --field "$deb" Section)" = text ] || fail "section"
[ -n "$(dpkg-deb --field "$deb" Maintainer)" ] || fail "no maintainer"
depends="$(dpkg-deb --field "$deb" Depends)"
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
  [[ ", $depends," == *", $lib "* ]] || fail "Depends lacks $lib: $depends"
done

# Contents, extracted where nothing else is installed.
root="$tmp/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/tessark usr/lib/tessark/tessark usr/lib/tessark/tessark_window.so usr/lib/tessark/readme.txt \
  usr/share/man/man1/tessark.1.gz usr/share/bash-completion/completions/tessark \
  usr/share/applications/tessark.desktop usr/share/icons/hicolor/32x32/apps/tessark.png; do
  [ -e "$root/$f" ] || fail "missing $f"
done
[ "$(readlink "$root/usr/bin/tessark")" = ../lib/tessark/tessark ] || fail "usr/bin/tessark is not the relative link"
if dpkg-deb -c "$deb" | grep -v '^d' | awk '{print $2}' | grep -qv '^root/root$'; then
  fail "files not owned by root"
fi

# The program alone needs no GUI library (the window is the module beside it,
# which the package's Depends covers).
needed="$(objdump -p "$root/usr/lib/tessark/tessark" | awk '$1 == "NEEDED" {print $2}')"
[[ "$needed" == *libQt6Core.so* ]] || fail "tessark does not list its libraries: $needed"
if grep -E 'Qt6Gui|Qt6Widgets|libX11|libGL|libEGL|libOpenGL' <<<"$needed"; then
  fail "tessark itself needs a GUI library"
fi

# The manual page renders without a warning; the completion loads and completes.
warnings="$(zcat "$root/usr/share/man/man1/tessark.1.gz" | groff -ww -man -Tutf8 -z 2>&1)"
[ -z "$warnings" ] || fail "groff warns about the manual page: $warnings"
completed="$(bash -c 'source "$1"; COMP_WORDS=(tessark --output-d); COMP_CWORD=1; _tessark; echo "${COMPREPLY[*]}"' \
  _ "$root/usr/share/bash-completion/completions/tessark")"
[ "$completed" = "--output-dir" ] || fail "completion of --output-d gave: $completed"

# The program, through the link, with its own settings folder.
export XDG_CONFIG_HOME="$tmp/config"
program="$root/usr/bin/tessark"
version="$("$program" --version)" || fail "tessark --version failed"
[ "$version" = "tessark 1.0 Build 20" ] || fail "tessark --version printed: $version"

# The example page with every option on, in Windows-1252.
printf 'Example page Caf\xe9 & Restaurant Opening hours: Monday - Friday, 9 to 5. Prices in \xa3 and &euro; &#8212; (c) 2026 The Caf\xe9 Tea 1/2 price' >"$tmp/expected.txt"
# The modern form reads the page as auto and writes UTF-8, its text ending
# with a line end; with --encoding windows-1252 --crlf, the classic bytes.
{ iconv -f WINDOWS-1252 -t UTF-8 "$tmp/expected.txt"; echo; } >"$tmp/expected-utf8.txt"
"$program" --all -o "$tmp/modern.txt" examples/example.html || fail "modern conversion failed"
cmp "$tmp/expected-utf8.txt" "$tmp/modern.txt" || fail "modern conversion gave other text"
"$program" --all --encoding windows-1252 --crlf -o "$tmp/modern.txt" examples/example.html || fail "modern conversion failed"
cmp "$tmp/expected.txt" "$tmp/modern.txt" || fail "modern conversion in windows-1252 gave other text"
[ ! -e "$XDG_CONFIG_HOME/OrvaneTessark/OrvaneTessark.ini" ] || fail "the modern form wrote the settings file"

# The classic form: a relative path is taken from the program's own folder,
# where the link points, not from the link's folder.
cp examples/example.html "$root/usr/lib/tessark/page.html"
(cd "$tmp" && "$program" page.html page.txt) || fail "classic conversion failed"
cmp "$tmp/expected.txt" "$root/usr/lib/tessark/page.txt" || fail "classic conversion gave other text"

# The window opens from the package: on the offscreen platform the program
# loads its window part and the platform, then is stopped (it writes nothing).
QT_QPA_PLATFORM=offscreen "$program" </dev/null 2>"$tmp/window.err" &
window=$!
for _ in $(seq 300); do
  grep -q 'libqoffscreen' "/proc/$window/maps" 2>/dev/null && break
  kill -0 "$window" 2>/dev/null || break
  sleep 0.1
done
opened="$(grep -c -e '/tessark_window.so$' -e 'libQt6Widgets' -e 'libqoffscreen' "/proc/$window/maps" 2>/dev/null || true)"
kill "$window" 2>/dev/null || true
wait "$window" 2>/dev/null || true
[ "${opened:-0}" -ge 3 ] || fail "the window did not open: $(cat "$tmp/window.err")"

echo "package-check: $(basename "$deb") OK ($(dpkg-deb --field "$deb" Installed-Size) KB installed; Depends: $depends)"
