#!/usr/bin/env bash
# The installer under Wine, silently both ways: `setup.exe /S` puts the program in Program
# Files, a Start-menu entry GIROLETTERA and an Apps & features entry with its uninstaller;
# the uninstaller's `/S` takes every file and registry key away again.
#   windows_installer.sh BUILD_DIR SETUP_EXE
# Needs the X server and prefix of `tests/wine.sh start BUILD_DIR`.
set -euo pipefail
build=$(realpath "$1")
setup=$(realpath "$2")
here=$(dirname "$(realpath "$0")")
fail() { echo "FAIL: $*" >&2; exit 1; }
wine_() { "$here/wine.sh" run "$build" - "$@"; }

drive=$build/wine/prefix/drive_c
folder="$drive/Program Files/GIROLETTERA"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\GIROLETTERA'
vendor_key='HKLM\Software\Bottega del Quiz'
# The files of the prefix outside Windows' own folder and the temporary folders.
files() { (cd "$drive" && find . -path ./windows -prune -o -path '*/Temp' -prune -o -print | LC_ALL=C sort); }
has_key() { wine_ reg query "$1" >/dev/null 2>&1; }

if [[ -d $folder ]] || has_key "$uninstall_key"; then
    fail "GIROLETTERA is installed in the test prefix already"
fi
before=$(files)

wine_ "$setup" /S
[[ -f $folder/girolettera.exe ]] || fail "no girolettera.exe in Program Files after /S"
[[ -f $folder/platforms/qwindows.dll && -f $folder/translations/qtbase_it.qm ]] ||
    fail "the installed folder lacks the platform plugin or the translation"
shortcut=$(cd "$drive" && find . -path '*/Start Menu/Programs/*' -name GIROLETTERA.lnk | head -1)
[[ -n $shortcut ]] || fail "no Start-menu entry GIROLETTERA.lnk"
entry=$(wine_ reg query "$uninstall_key" 2>&1) || fail "no Apps & features entry"
grep -q 'DisplayName.*GIROLETTERA' <<<"$entry" || fail "Apps & features entry has no name: $entry"
grep -q 'UninstallString.*Uninstall.exe' <<<"$entry" || fail "Apps & features entry has no uninstaller: $entry"
grep -q 'DisplayIcon.*girolettera.exe' <<<"$entry" || fail "Apps & features entry has no icon: $entry"

# NSIS's uninstaller copies itself away and returns at once: wait for it to finish.
wine_ "$folder/Uninstall.exe" /S
for _ in $(seq 60); do
    [[ -d $folder ]] || break
    sleep 1
done
[[ ! -d $folder ]] || fail "the folder in Program Files is left: $(cd "$folder" && find . -type f)"
has_key "$uninstall_key" && fail "the Apps & features entry is left"
has_key "$vendor_key" && fail "the registry key $vendor_key is left"
left=$(diff <(echo "$before") <(files)) || fail "files left behind or removed:"$'\n'"$left"
echo "installed ($shortcut), uninstalled; nothing left"
