#!/usr/bin/env bash
# The Windows part of CI: the ready Qt for Windows beside the checkout (../shared/windows/)
# unpacked into build/, then scripts/windows.sh --test (the build, both packages, the unit tier
# and the zip and installer tests under Wine). The window tier under Wine takes too long for CI
# (see README, "Windows"); `ctest --preset windows -L window` runs it by hand.
set -euo pipefail
cd "$(dirname "$0")/.."
archive=../shared/windows/qt-6.4.2-mingw-w64.tar.xz
qt=$PWD/build/qt-6.4.2-mingw-w64
if [[ ! -f $qt/lib/cmake/Qt6/qt.toolchain.cmake ]]; then
    [[ -f $archive ]] || { echo "windows-ci.sh: $archive is missing" >&2; exit 1; }
    mkdir -p build
    tar xJf "$archive" -C build
fi
GIRO_QT_WINDOWS=$qt scripts/windows.sh --test
