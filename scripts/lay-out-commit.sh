#!/usr/bin/env bash
# Lays out the sources of a commit in DIR/src, for a build of that commit beside this one's
# (the benches' baselines), unless they are there already: DIR/commit names the commit whose
# sources DIR/src holds.
#   scripts/lay-out-commit.sh COMMIT DIR
set -euo pipefail
[[ $# -eq 2 ]] || { echo "usage: scripts/lay-out-commit.sh COMMIT DIR" >&2; exit 2; }
commit=$(git rev-parse --verify "$1^{commit}")
dir=$2
if [[ "$(cat "$dir/commit" 2>/dev/null)" != "$commit" ]]; then
    rm -rf "$dir"
    mkdir -p "$dir/src"
    git archive "$commit" | tar -x -C "$dir/src"
    echo "$commit" >"$dir/commit"
fi
