#!/usr/bin/env bash
# Builds the Qt that the Windows build links (qtbase: Core, Gui, Widgets, Test and their
# platform, style and image-format plugins) for 64-bit Windows, with Debian's MinGW-w64 cross
# compiler, from Debian's own qt6-base source package at the version of the host's Qt (whose
# moc, rcc and uic the Windows build uses), and installs it into PREFIX. About 1,100 build
# steps: 40-60 minutes on two cores.
#   scripts/build-qt-windows.sh PREFIX [--configure-only]
# Then: GIRO_QT_WINDOWS=PREFIX scripts/windows.sh. --configure-only stops at a configured Qt
# build tree and says where it is. The source comes through scripts/fetch-qt-source.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$(realpath -m "${1:?usage: scripts/build-qt-windows.sh PREFIX [--configure-only]}")
configure_only=false
[[ "${2:-}" == --configure-only ]] && configure_only=true

scripts/install-deps.sh --windows
work=$(mktemp -d)
$configure_only || trap 'rm -rf "$work"' EXIT
fetched=$(scripts/fetch-qt-source.sh "$work")
source=$(sed -n 1p <<<"$fetched")
version=$(sed -n 2p <<<"$fetched")
cd "$work"
cat > mingw-w64.cmake <<'TC'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TC
# Only what the game and its tests use. Debian's source leaves out the tablet header
# (src/3rdparty/wintab), hence no tablet events.
cmake -G Ninja -S "$source" -B build \
  -DCMAKE_TOOLCHAIN_FILE="$work/mingw-w64.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no \
  -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
  -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF >/dev/null
if $configure_only; then
    echo "Qt (qt6-base $version) configured for Windows in $work/build; ninja -C $work/build builds it"
    exit 0
fi
ninja -C build
ninja -C build install >/dev/null
find "$prefix" \( -name '*.dll' -o -name '*.exe' \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
# The packages name the source the libraries came from.
echo "qt6-base $version" >"$prefix/qt-source.txt"
echo "Qt for Windows installed in $prefix: GIRO_QT_WINDOWS=$prefix scripts/windows.sh"
