#!/usr/bin/env bash
# Builds the game for 64-bit Windows on Debian 12, into build/windows/:
#   girolettera-<version>-win64.zip         unzip anywhere, run girolettera.exe
#   girolettera-<version>-win64-setup.exe   the installer (NSIS)
#   scripts/windows.sh [--test]
# Qt for Windows comes from GIRO_QT_WINDOWS (a prefix); without it, from build/qt-windows,
# which scripts/build-qt-windows.sh makes first if it is missing (about an hour).
# --test then runs the unit tier and the two player's tests (the zip played, the installer
# run both ways) under Wine: `ctest --preset windows -L 'unit|wine'`.
set -euo pipefail
cd "$(dirname "$0")/.."
test=false
[[ "${1:-}" == --test ]] && test=true

scripts/install-deps.sh
scripts/install-deps.sh --windows
if [[ -z "${GIRO_QT_WINDOWS:-}" ]]; then
    GIRO_QT_WINDOWS=$PWD/build/qt-windows
    [[ -f $GIRO_QT_WINDOWS/lib/cmake/Qt6/qt.toolchain.cmake ]] || scripts/build-qt-windows.sh "$GIRO_QT_WINDOWS"
fi
export GIRO_QT_WINDOWS

cmake --preset windows -DGIRO_QT_WINDOWS="$GIRO_QT_WINDOWS" >/dev/null
cmake --build --preset windows
cpack --config build/windows/CPackConfig.cmake -B build/windows >/dev/null
ls -l build/windows/girolettera-*-win64.zip build/windows/girolettera-*-win64-setup.exe
if $test; then
    ctest --preset windows -L 'unit|wine'
fi
