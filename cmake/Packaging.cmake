# The Debian package: cpack -G DEB in a build folder (a Release build
# without sanitizers, see scripts/package-check.sh) gives
# tessark_VERSION_ARCH.deb, holding exactly what cmake --install puts under
# /usr: the program, its window part (tessark_window.so, loaded only when
# the window opens) and readme.txt in lib/tessark with a relative link in
# bin, the manual page, the bash completion, the desktop entry and the icon;
# and the library (install component "library"): libtessark.so.1 with its
# shlibs and ldconfig trigger, and beside it what programs build against
# (libtessark.so, libtessark.a, the headers in include/tessark, the CMake
# package and tessark.pc). One package rather than a -dev split: one cpack
# call and one file that package-check.sh knows, and the development files
# are small (two headers, a static library, two CMake files).
set(CPACK_PACKAGE_NAME tessark)
set(CPACK_PACKAGE_VENDOR "Orvane")
set(CPACK_PACKAGE_CONTACT "Orvane Tessark maintainers <tessark@orvane.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turn HTML pages into plain text")
# The long description, one line of the control file per element.
set(CPACK_PACKAGE_DESCRIPTION
  "Tessark converts HTML pages into plain text with a fixed order of literal"
  "searches and replacements (comment, script, style and brace blocks,"
  "character references, tags, line breaks and spaces), so that its results"
  "are predictable to the byte. It has a small window, the classic two-path"
  "batch form, and a modern command line that reads standard input, writes"
  "standard output or a folder, takes the options per run and converts many"
  "files at once.")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Depends is computed by dpkg-shlibdeps (package dpkg-dev) from the libraries
# the program and its window part link: the Qt 6 libraries (the GUI ones for
# the window part only) and the C++ run-time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The window's fonts stand in for the design's Windows fonts; GNU parallel
# spreads large collections over several machines (see the manual page).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core | fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "parallel")

# ---- The Python package python3-tessark (TESSARK_BUILD_PYTHON only) -------
# The module and its package files are the install component "python",
# installed only when named (python/CMakeLists.txt), so the package tessark
# above stays as it is; python3-tessark_VERSION_ARCH.deb is made from that
# component alone by a second configuration:
#     cpack --config BUILD/CPackConfig-python.cmake -G DEB
if(TESSARK_BUILD_PYTHON)
  math(EXPR TESSARK_PYTHON_NEXT_MINOR "${TESSARK_PYTHON_MINOR} + 1")
  configure_file(${PROJECT_SOURCE_DIR}/python/CPackConfig-python.cmake.in
                 ${CMAKE_BINARY_DIR}/CPackConfig-python.cmake @ONLY)
endif()
# ---- End of the Python package ---------------------------------------------

if(NOT CPACK_GENERATOR AND CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(CPACK_GENERATOR DEB)
endif()
include(CPack)
