#!/usr/bin/env bash
# Builds the Qt that the web build links: qtbase from Debian 13's own qt6-base source (6.8.2),
# for WebAssembly with Debian 13's emscripten, static and single-threaded as Qt's web builds
# are, with only what the game and its tests use (Core, Gui, Widgets, Test, the web platform
# and the JPEG reader), and installs it into PREFIX. On Debian 12, whose emscripten is too old
# for any Qt 6, it runs itself in a fresh Debian 13 root (scripts/in-root.sh) with the checkout
# and PREFIX bound in, so PREFIX is the same path inside and out.
#   scripts/build-qt-web.sh PREFIX     builds, unless PREFIX holds a build of this very recipe
#   scripts/build-qt-web.sh --key      prints the recipe's key: a hash of this script and the
#                                      patches it applies, which names the build it makes
# The patches in scripts/qt-web/ are applied to Qt's source first; each says why it is there.
# PREFIX also holds the emsdk-shaped folder through which Qt's build finds Debian's emscripten.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

key() { cat scripts/build-qt-web.sh scripts/qt-web/*.patch | sha256sum | cut -c1-16; }
if [[ "${1:-}" == --key ]]; then
    key
    exit 0
fi
prefix=$(realpath -m "${1:?usage: scripts/build-qt-web.sh PREFIX | --key}")
if [[ "$(cat "$prefix/recipe-key" 2>/dev/null)" == "$(key)" ]]; then
    echo "build-qt-web.sh: $prefix holds Qt for the web of this recipe already"
    exit 0
fi
if [[ -e "$prefix" && -n "$(ls -A "$prefix")" && ! -f "$prefix/recipe-key" ]]; then
    echo "build-qt-web.sh: $prefix is not empty and holds no Qt for the web built here; give an empty folder" >&2
    exit 1
fi
mkdir -p "$prefix"

. /etc/os-release
if [[ "$VERSION_CODENAME" == bookworm ]]; then
    echo "build-qt-web.sh: Debian 12's emscripten is too old; building in a Debian 13 root"
    exec scripts/in-root.sh trixie --bind "$top" --bind "$prefix" -- "$top/scripts/build-qt-web.sh" "$prefix"
fi

scripts/install-deps.sh --web
start=$SECONDS
find "$prefix" -mindepth 1 -delete # a build of another recipe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fetched=$(scripts/fetch-qt-source.sh "$work")
source=$(sed -n 1p <<<"$fetched")
version=$(sed -n 2p <<<"$fetched")
for patch in scripts/qt-web/*.patch; do
    patch -s -d "$source" -p1 <"$patch"
done

# Qt finds emscripten only through an emsdk-shaped folder named by EMSDK: a .emscripten file
# that names the root, and that root. Debian's emscripten lives in /usr/share/emscripten.
mkdir -p "$prefix/emsdk/upstream"
ln -sfn /usr/share/emscripten "$prefix/emsdk/upstream/emscripten"
echo "EMSCRIPTEN_ROOT = emsdk_path + '/upstream/emscripten'" >"$prefix/emsdk/.emscripten"
export EMSDK=$prefix/emsdk

# Qt's own host tools (moc, rcc, uic) are the machine's, of the same version. Everything in the
# program is downloaded by every player, so what the game does not use is left out of Qt: its
# code would be linked in all the same, reached through Qt's accessibility and style tables,
# and its data with it (the calendars other than the Gregorian, the MIME database, the PDF
# writer). So do two things Qt does through the page at every start for nothing: look for a
# configuration file of its own (QSettings) and ask the browser how the page stands with the
# camera, the microphone and the location (the permissions API, which the game never uses);
# and the CSS parser (read only by the style-sheet style), the BMP, PPM and XBM readers, and
# SHA-3 unrolled for speed rather than size.
off=(thread network sql concurrent xml dbus printsupport
     hijricalendar islamiccivilcalendar jalalicalendar mimetype xmlstream pdf
     textodfwriter textmarkdownreader textmarkdownwriter
     style-stylesheet itemviews graphicsview mainwindow dockwidget mdiarea
     calendarwidget datetimeedit colordialog filedialog fontdialog wizard splashscreen
     lcdnumber dial keysequenceedit toolbox textbrowser
     settings permissions cssparser imageformat_bmp imageformat_ppm imageformat_xbm sha3-fast)
cmake -G Ninja -S "$source" -B "$work/build" -DQT_QMAKE_TARGET_MKSPEC=wasm-emscripten \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DFEATURE_optimize_size=ON \
    $(printf -- "-DFEATURE_%s=OFF " "${off[@]//-/_}") >/dev/null
cmake --build "$work/build"
cmake --install "$work/build" >/dev/null
echo "qt6-base $version" >"$prefix/qt-source.txt"
key >"$prefix/recipe-key"
echo "Qt for the web (qt6-base $version) installed in $prefix in $((SECONDS - start)) s: $(du -sh "$prefix" | cut -f1)"
