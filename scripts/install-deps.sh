#!/usr/bin/env bash
# Installs with apt-get whatever this Debian 12, 13 or testing machine lacks to build, run and
# test the game. Does nothing when everything is present. Needs root (or sudo) only when
# something is missing. Where a package's name differs between releases, it is found from the
# release itself.
#   install-deps.sh [--test | --fuzz | --screenreader | --windows | --web]
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    fonts-liberation2 fonts-dejavu-core qt6-translations-l10n
)
case "${1:-}" in
--test)
    packages+=(clang git dbus libbenchmark-dev desktop-file-utils appstream dpkg-dev file gcovr lintian mandoc
               groff-base qt6-base-private-dev) ;;
--fuzz)
    packages+=(clang) ;;
--screenreader)
    # scripts/screenreader.sh: Orca and a speech server on a private X server; pgrep (procps) to
    # find another Orca, and locales for an en_US desktop where a minimal Debian has none; the
    # two browsers the web build is played in.
    packages+=(orca speech-dispatcher espeak-ng openbox xvfb x11-xkb-utils at-spi2-core dbus xdotool
               python3-pyatspi procps locales firefox-esr chromium) ;;
--windows)
    # The Windows build (scripts/windows.sh): the MinGW-w64 cross compiler, Wine on a private X
    # server (and xdotool to play there) for its tests, NSIS for the installer, zip for the
    # portable archive; dpkg-dev fetches Qt's source for scripts/build-qt-windows.sh.
    packages+=(g++-mingw-w64-x86-64-posix wine64 wine xvfb xdotool nsis zip unzip dpkg-dev) ;;
--web)
    # The web build (scripts/web.sh, Debian 13 and later): emscripten; dpkg-dev, xz-utils and
    # patch to fetch, unpack and patch Qt's source for scripts/build-qt-web.sh; base64 (in
    # coreutils) and the host tools for the page's icons; fonttools and Qt's lconvert and
    # lrelease to cut the fonts and Qt's texts the program carries; terser to shorten its
    # scripts and brotli for the site's compressed copies; zip's test, unzip; and the browser
    # tests: Debian's Chromium driven through its WebDriver from Python, which reads the
    # screenshots; Firefox ESR, driven over its own WebDriver BiDi (websockets); WebKitGTK's
    # MiniBrowser and its WebDriver, on a private X server.
    packages+=(emscripten nodejs dpkg-dev xz-utils patch unzip fonttools qt6-l10n-tools brotli terser
               python3 python3-selenium python3-pil chromium chromium-driver
               firefox-esr python3-websockets libwebkit2gtk-4.1-0 webkit2gtk-driver xvfb) ;;
esac

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
apt_updated=false
install() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0
    echo "Installing: ${missing[*]}" >&2
    # Another apt run (an unattended upgrade, a second checkout's set-up) may hold the lock.
    local apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)
    if ! $apt_updated; then
        "${apt[@]}" update -qq
        apt_updated=true
    fi
    "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}"
}

install "${packages[@]}"

# libFuzzer and the sanitizers' runtime come with the clang release the machine has (14 on
# Debian 12, 19 on Debian 13), in a package named after it.
if [[ "${1:-}" == "--fuzz" ]]; then
    clang_major=$(clang --version | sed -n 's/.*clang version \([0-9][0-9]*\)\..*/\1/p' | head -n 1)
    [[ -n "$clang_major" ]] || { echo "install-deps.sh: cannot tell clang's version" >&2; exit 1; }
    install "libclang-rt-$clang_major-dev"
fi
