#!/usr/bin/env bash
# Builds the Debian package from the release preset: girolettera_<version>_<arch>.deb in the
# build folder (build/release unless another is given). Every build of one commit gives the
# same bytes, wherever the checkout and the build folder lie: the package's times are those
# of the last commit (SOURCE_DATE_EPOCH, unless already set), and the build keeps file paths
# out of the program.
#   scripts/package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=$(realpath -m "${1:-build/release}")

scripts/install-deps.sh --test   # dpkg-dev works out the package's library dependencies
if [[ -z "${SOURCE_DATE_EPOCH:-}" ]]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
    if [[ -n "$(git status --porcelain --untracked-files=no)" ]]; then
        echo "package.sh: the checkout has changes that are not committed; the package holds them, dated as the last commit" >&2
    fi
fi
export SOURCE_DATE_EPOCH
# File names sort, and texts are written, the same way for everyone.
export LC_ALL=C.UTF-8 TZ=UTC
umask 022

cmake --preset release -B "$build_dir" >/dev/null
cmake --build "$build_dir"
cpack --config "$build_dir/CPackConfig.cmake" -B "$build_dir" >/dev/null
ls "$build_dir"/girolettera_*.deb
