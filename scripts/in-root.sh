#!/usr/bin/env bash
# Runs a command in a fresh minimal Debian root of the release asked, as a new machine of that
# release would run it: mmdebstrap makes a minbase root from the apt sources this machine uses
# (its release, -updates and -security, renamed to the release asked), the command runs inside
# with a clean environment, and the root is deleted again with nothing left mounted or running.
# forky is Debian testing, the next release. Each folder given with --bind is seen inside at the
# same path, so what the command writes there stays; each --env NAME=VALUE is set for it. The
# status is the command's. Needs root (mmdebstrap, chroot, mount).
#   in-root.sh bookworm|trixie|forky [--backports] [--bind DIR]... [--env NAME=VALUE]...
#              [--hook SCRIPT] -- COMMAND...
# --backports adds the release's backports, preferred wherever they carry a newer version, as on
# a machine that takes a program and what it needs from there (apt-get -t RELEASE-backports).
# A --hook SCRIPT runs outside, with the root's path, before the command (test-in.sh clones
# the checkout into the root with it).
set -euo pipefail

release=${1:-}
case "$release" in
bookworm | trixie | forky) shift ;;
*) echo "usage: scripts/in-root.sh bookworm|trixie|forky [--backports] [--bind DIR]... [--env NAME=VALUE]... [--hook SCRIPT] -- COMMAND..." >&2; exit 2 ;;
esac
backports=false
binds=()
envs=()
hook_before=""
while [[ $# -gt 0 ]]; do
    case "$1" in
    --backports) backports=true; shift ;;
    --bind) binds+=("$(realpath -e "$2")"); shift 2 ;;
    --env) envs+=("$2"); shift 2 ;;
    --hook) hook_before=$(realpath -e "$2"); shift 2 ;;
    --) shift; break ;;
    *) echo "in-root.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
[[ $# -gt 0 ]] || { echo "in-root.sh: no command given" >&2; exit 2; }
[[ $(id -u) -eq 0 ]] || { echo "in-root.sh: needs root, for mmdebstrap, chroot and mount" >&2; exit 2; }
command -v mmdebstrap >/dev/null || {
    apt-get -o DPkg::Lock::Timeout=600 update -qq
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends mmdebstrap
}

# This machine's own Debian sources (its release, -updates, -security), for the release asked.
. /etc/os-release
sources=$(apt-get indextargets --format '$(TARGET_OF) $(SITE) $(RELEASE) $(COMPONENT)' 'Identifier: Packages' |
          awk -v host="$VERSION_CODENAME" -v want="$release" \
              '$1 == "deb" && ($3 == host || index($3, host "-") == 1) {
                   sub("^" host, want, $3); print "deb " $2 " " $3 " " $4 }' | sort -u)
[[ -n "$sources" ]] || { echo "in-root.sh: no Debian sources for $VERSION_CODENAME in apt's configuration" >&2; exit 1; }
apt_options=(
    # A mirror's Release file may be past its Valid-Until date (testing's often is), which apt
    # would refuse; the signatures are still checked, and the root lives for one run.
    --aptopt='Acquire::Check-Valid-Until "false"'
)
if $backports; then
    sources+=$'\n'$(awk -v want="$release" '$3 == want { $3 = want "-backports"; print }' <<<"$sources")
    apt_options+=(--customize-hook="printf 'Package: *\\nPin: release n=$release-backports\\nPin-Priority: 500\\n' > \"\$1/etc/apt/preferences.d/backports\"")
fi
echo "== $release from:"; echo "$sources"

work=$(mktemp -d /var/tmp/giro-root.XXXXXX)
# Whatever still runs inside the root.
end_processes() {
    local p
    for p in /proc/[0-9]*; do
        [[ $(readlink "$p/root" 2>/dev/null) == "$1"* ]] && kill -KILL "${p#/proc/}" 2>/dev/null
    done
    return 0
}
cleanup() {
    # mmdebstrap unmounts what it mounted, also on failure, and the hook its bound folders; a
    # mount still found here is reported and undone. A bound folder still mounted would be
    # deleted with the root, so nothing is removed past a mount that stays.
    end_processes "$work"
    local mounts
    mounts=$(findmnt -rn -o TARGET | grep -F "$work/" | sort -r || true)
    if [[ -n "$mounts" ]]; then
        echo "in-root.sh: left mounted, now unmounted: $mounts" >&2
        echo "$mounts" | xargs -r umount -l
    fi
    if findmnt -rn -o TARGET | grep -qF "$work/"; then
        echo "in-root.sh: $work still has mounts; left in place" >&2
        return
    fi
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT

# The hook that runs once the root is made: bind the folders, run the command, then end what
# it left running and unbind the folders, also when it fails.
hook=$work/run
{
    echo '#!/usr/bin/env bash'
    echo 'set -uo pipefail'
    echo 'root=$1'
    declare -f end_processes
    echo 'bound=()'
    echo 'unbind() { end_processes "$root"; local i; for ((i = ${#bound[@]} - 1; i >= 0; i--)); do umount "${bound[i]}" || umount -l "${bound[i]}"; done; }'
    echo 'trap unbind EXIT'
    for dir in "${binds[@]}"; do
        printf 'mkdir -p "$root"%q && mount --bind %q "$root"%q && bound+=("$root"%q) || exit 1\n' \
            "$dir" "$dir" "$dir" "$dir"
    done
    [[ -z "$hook_before" ]] || printf '%q "$root" || exit 1\n' "$hook_before"
    printf 'chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb CI=%q ' "${CI:-}"
    printf '%q ' PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "${envs[@]}" "$@"
    echo
} > "$hook"
chmod +x "$hook"

# The null format: the root lives in TMPDIR while the hooks run and is deleted afterwards.
TMPDIR=$work mmdebstrap --variant=minbase --mode=root --format=null "${apt_options[@]}" \
    --customize-hook="$hook" "$release" /dev/null - <<<"$sources"
