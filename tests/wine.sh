#!/usr/bin/env bash
# Runs the Windows build's programs under Wine, on a private X server, for ctest and the
# scripts. Everything lives in the build folder: the Wine prefix in wine/prefix, the X
# server's display and process in wine/display and wine/xvfb.pid.
#   wine.sh start BUILD_DIR      make the prefix if missing, start the X server and wineserver
#   wine.sh run BUILD_DIR DLL_DIR PROGRAM [ARGS...]
#                                run a program with the build's DLLs and Qt's from DLL_DIR;
#                                DLL_DIR "-" gives it nothing but what lies beside it
#   wine.sh stop BUILD_DIR       end every Wine process of the prefix, and the X server
# Qt's windows platform needs the X server; unit tests run on it too, harmlessly.
set -euo pipefail

mode=${1:?usage: wine.sh start|run|stop BUILD_DIR ...}
build=$(realpath "${2:?build folder}")
state=$build/wine
export WINEPREFIX=$state/prefix WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: the prefix is made without asking to download them.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

case $mode in
start)
    mkdir -p "$state"
    "$0" stop "$build"
    if [[ ! -f $WINEPREFIX/system.reg ]]; then
        wineboot --init </dev/null >/dev/null 2>&1
        wineserver --wait
    fi
    # -displayfd picks a free display and tells which one it took.
    exec {fd}<> <(:)
    Xvfb -displayfd "$fd" -screen 0 1280x1024x24 -nolisten tcp -nolisten unix >/dev/null 2>&1 &
    echo $! >"$state/xvfb.pid"
    read -r -t 20 -u "$fd" display
    echo ":$display" >"$state/display"
    # One wineserver for the whole run, rather than one started and ended per program, and
    # Wine's desktop process started now, on the X server: started by the first program that
    # opens a window, it would keep that program's output pipe open and a caller waiting.
    wineserver --persistent </dev/null >/dev/null 2>&1
    DISPLAY=:$display wine explorer.exe /desktop </dev/null >/dev/null 2>&1 &
    for _ in $(seq 50); do
        pgrep -f 'explorer.exe /desktop' >/dev/null && break
        sleep 0.2
    done
    ;;
run)
    dlls=${3:?DLL folder}
    shift 3
    [[ -f $state/display ]] || { echo "wine.sh: no X server: run 'wine.sh start $build' first" >&2; exit 1; }
    DISPLAY=$(cat "$state/display")
    export DISPLAY
    if [[ $dlls != - ]]; then
        export WINEPATH="$(windows_path "$build/packaging/deploy");$(windows_path "$dlls")"
        export QT_PLUGIN_PATH=$(windows_path "$build/packaging/deploy")
    fi
    # Wine keeps the Unix QT_* variables (meant for the host's Qt) from Windows programs and
    # hands them WINEQT_* instead, with the prefix dropped: each QT_* setting is passed on so.
    # Without it a test program finds no platform plugin (none lies beside it), and Qt's fatal
    # message box waits for a click that never comes.
    for name in $(compgen -e); do
        if [[ $name == QT_* ]]; then
            export "WINE$name=${!name}"
        fi
    done
    # With no console, which under Wine it never has, a Qt Test program sends a log meant for
    # its output to the debugger instead (unless QT_FORCE_STDERR_LOGGING=1, as the tests have
    # it), though a log file works: the log goes to a file that is printed afterwards.
    if [[ $(basename "$1") == tst_*.exe ]]; then
        log=$(mktemp)
        status=0
        wine "$@" -o "$log,txt" || status=$?
        cat "$log"
        rm -f "$log"
        exit "$status"
    fi
    exec wine "$@"
    ;;
stop)
    if [[ -d $WINEPREFIX ]]; then
        wineserver --kill 2>/dev/null || true
    fi
    if [[ -f $state/xvfb.pid ]]; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
        rm -f "$state/xvfb.pid" "$state/display"
    fi
    ;;
*)
    echo "wine.sh: unknown mode $mode" >&2
    exit 2
    ;;
esac
