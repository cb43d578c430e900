#!/usr/bin/env bash
# Runs the README's test command, scripts/test.sh, on a fresh minimal Debian of another (or the
# same) release, as a new user's machine would run it: scripts/in-root.sh makes the root, the
# current commit is cloned into it, the tests run inside, and the root is deleted again with
# nothing left mounted or running. The status is the test command's. Needs root.
#   test-in.sh bookworm|trixie|forky      (forky: Debian testing, the next release)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

release=${1:-}
case "$release" in
bookworm | trixie | forky) ;;
*) echo "usage: scripts/test-in.sh bookworm|trixie|forky" >&2; exit 2 ;;
esac
commit=$(git rev-parse HEAD)

# Clones the commit into the root, from outside (a minbase root has no git of its own yet).
clone=$(mktemp)
trap 'rm -f "$clone"' EXIT
cat > "$clone" <<HOOK
#!/usr/bin/env bash
git clone --quiet $(printf %q "$top") "\$1/root/girolettera" &&
    git -C "\$1/root/girolettera" checkout --quiet --detach $commit
HOOK
chmod +x "$clone"

start=$SECONDS
scripts/in-root.sh "$release" --hook "$clone" -- /bin/bash -c 'cd /root/girolettera && scripts/test.sh'
echo "== $release: scripts/test.sh passed in a fresh root ($((SECONDS - start)) s)"
