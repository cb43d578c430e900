#!/usr/bin/env bash
# Installs with apt-get whatever this Debian 12 machine lacks to build, run and test the game.
# Does nothing when everything is present. Needs root (or sudo) only when something is missing.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    fonts-liberation2 fonts-dejavu-core qt6-translations-l10n
)
if [[ "${1:-}" == "--test" ]]; then
    packages+=(libbenchmark-dev desktop-file-utils appstream dpkg-dev file gcovr lintian mandoc groff-base
              qt6-base-private-dev)
elif [[ "${1:-}" == "--fuzz" ]]; then
    packages+=(clang libclang-rt-14-dev)
elif [[ "${1:-}" == "--screenreader" ]]; then
    packages+=(orca speech-dispatcher espeak-ng openbox xvfb x11-xkb-utils at-spi2-core dbus xdotool python3-pyatspi)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
