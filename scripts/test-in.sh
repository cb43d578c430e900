#!/usr/bin/env bash
# Runs the README's test command, scripts/test.sh, on a fresh minimal Debian of another (or the
# same) release, as a new user's machine would run it: mmdebstrap makes a minbase root of the
# release from the apt sources this machine uses, the current commit is cloned into it, the
# tests run inside, and the root is deleted again with nothing left mounted or running. The
# status is the test command's. Needs root (mmdebstrap, chroot).
#   test-in.sh bookworm|trixie
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

release=${1:-}
case "$release" in
bookworm | trixie) ;;
*) echo "usage: scripts/test-in.sh bookworm|trixie" >&2; exit 2 ;;
esac
[[ $(id -u) -eq 0 ]] || { echo "test-in.sh: needs root, for mmdebstrap and chroot" >&2; exit 2; }
command -v mmdebstrap >/dev/null || {
    apt-get -o DPkg::Lock::Timeout=600 update -qq
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends mmdebstrap
}
commit=$(git rev-parse HEAD)

# This machine's own Debian sources (its release, -updates, -security), for the release asked.
. /etc/os-release
sources=$(apt-get indextargets --format '$(TARGET_OF) $(SITE) $(RELEASE) $(COMPONENT)' 'Identifier: Packages' |
          awk -v host="$VERSION_CODENAME" -v want="$release" \
              '$1 == "deb" && ($3 == host || index($3, host "-") == 1) {
                   sub("^" host, want, $3); print "deb " $2 " " $3 " " $4 }' | sort -u)
[[ -n "$sources" ]] || { echo "test-in.sh: no Debian sources for $VERSION_CODENAME in apt's configuration" >&2; exit 1; }
echo "== $release from:"; echo "$sources"

work=$(mktemp -d /var/tmp/giro-test-in.XXXXXX)
cleanup() {
    # Whatever still runs inside the root, then the root itself (mmdebstrap unmounts what it
    # mounted, also on failure; a mount still found here is reported and undone).
    local p
    for p in /proc/[0-9]*; do
        [[ $(readlink "$p/root" 2>/dev/null) == "$work"/* ]] && kill -KILL "${p#/proc/}" 2>/dev/null
    done
    local mounts
    mounts=$(findmnt -rn -o TARGET | grep -F "$work/" | sort -r || true)
    if [[ -n "$mounts" ]]; then
        echo "test-in.sh: left mounted, now unmounted: $mounts" >&2
        echo "$mounts" | xargs -r umount -l
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# The hook that runs inside, once the root is made: clone, test, and end whatever the tests left.
hook=$work/run-tests
cat > "$hook" <<HOOK
#!/usr/bin/env bash
set -uo pipefail
root=\$1
git clone --quiet $(printf %q "$top") "\$root/root/girolettera" &&
    git -C "\$root/root/girolettera" checkout --quiet --detach $commit || exit 1
chroot "\$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb CI=${CI:-} \\
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \\
    /bin/bash -c 'cd /root/girolettera && scripts/test.sh'
status=\$?
for p in /proc/[0-9]*; do
    [[ \$(readlink "\$p/root" 2>/dev/null) == "\$root" ]] && kill -KILL "\${p#/proc/}" 2>/dev/null
done
exit \$status
HOOK
chmod +x "$hook"

start=$SECONDS
# The null format: the root lives in TMPDIR while the hooks run and is deleted afterwards.
TMPDIR=$work mmdebstrap --variant=minbase --mode=root --format=null \
    --customize-hook="$hook" "$release" /dev/null - <<<"$sources"
echo "== $release: scripts/test.sh passed in a fresh root ($((SECONDS - start)) s)"
