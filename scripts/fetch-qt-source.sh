#!/usr/bin/env bash
# Fetches Debian's qt6-base source package at the version of this machine's Qt (whose moc, rcc
# and uic a cross build of Qt and of the game use) and unpacks it into DIR, printing the path of
# the unpacked tree and, on a second line, the package's version.
#   scripts/fetch-qt-source.sh DIR
# apt-get needs a deb-src entry to fetch a source: if the machine has none, one for its own
# release is written to /etc/apt/sources.list.d/girolettera-deb-src.sources.
set -euo pipefail
dir=$(realpath -m "${1:?usage: scripts/fetch-qt-source.sh DIR}")
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)

if [[ -z "$(apt-cache showsrc qt6-base 2>/dev/null)" ]]; then
    . /etc/os-release
    # The first Debian mirror apt uses, from whichever of its two formats names it.
    mirror=$(cat /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null |
             sed -n -e 's/^URIs: *\([^ ]*debian\)$/\1/p' -e 's/^deb \(http[^ ]*debian\) .*/\1/p' | head -1 || true)
    echo "fetch-qt-source.sh: adding Debian's source packages for $VERSION_CODENAME to apt's sources" >&2
    printf 'Types: deb-src\nURIs: %s\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "${mirror:-http://deb.debian.org/debian}" "$VERSION_CODENAME" "$VERSION_CODENAME" |
        "${sudo[@]}" tee /etc/apt/sources.list.d/girolettera-deb-src.sources >/dev/null
    "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update -qq
fi

version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
upstream=${version%%+*}
upstream=${upstream%%-*}
mkdir -p "$dir"
cd "$dir"
# As root, apt fetches as root: its own user could not write here.
apt-get -o APT::Sandbox::User=root source --download-only "qt6-base=$version" >/dev/null
tar xJf qt6-base_*.orig.tar.xz
echo "$dir/qtbase-everywhere-src-$upstream"
echo "$version"
