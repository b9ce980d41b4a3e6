#!/usr/bin/env bash
# `make test` once more in a Debian 13 root, as a packager of that release
# would build and test: build-debian13/root is made with debootstrap from the
# Debian archive this machine's apt already uses (and reused once made), the
# work tree is seen there read-only as /src, and the Makefile itself installs
# the packages it lacks and runs the suite there, building in /build inside
# the root. Every mount made here is undone on every exit.
# Run as root; WERROR and JOBS are passed on to make.
set -euo pipefail
cd "$(dirname "$0")/.."
SRC=$PWD
ROOT=$SRC/build-debian13/root
SUITE=trixie
[ "$(id -u)" = 0 ] || { echo "test-debian13 : à lancer en root (debootstrap, chroot, mount)." >&2; exit 1; }

# Undoes every mount below the root, deepest first, after ending what still
# runs in it (a test's engine or Xvfb left by an interruption).
unmount_all() {
    local pid mounts
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$ROOT" ] && kill -KILL "$pid" 2>/dev/null || true
    done
    mounts=$(findmnt -rn -o TARGET | grep -F "$ROOT/" | sort -r || true)
    for m in $mounts; do umount "$m" || umount -l "$m"; done
}
trap unmount_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The archive and suites apt uses here, named for this release's codename.
. /etc/os-release
repo_of() { apt-get indextargets --format '$(RELEASE) $(REPO_URI)' | awk -v r="$1" '$1 == r { print $2; exit }'; }
MIRROR=$(repo_of "$VERSION_CODENAME")
SECURITY=$(repo_of "$VERSION_CODENAME-security")
[ -n "$MIRROR" ] || { echo "Aucune archive Debian pour $VERSION_CODENAME dans les sources d'apt." >&2; exit 1; }
PROXIES=$(apt-config dump | grep -iE '^Acquire::[a-z]+::Proxy' || true)
HTTP_PROXY_APT=$(apt-config dump | sed -n 's/^Acquire::http::Proxy "\(.*\)";$/\1/ip' | head -1)

if [ ! -e "$ROOT/.debootstrapped" ]; then
    command -v debootstrap >/dev/null || { apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y debootstrap; }
    unmount_all
    rm -rf --one-file-system "$ROOT"
    mkdir -p "$ROOT"
    start=$SECONDS
    http_proxy=${http_proxy:-$HTTP_PROXY_APT} \
        debootstrap --variant=minbase --include=make,ccache "$SUITE" "$ROOT" "$MIRROR"
    echo "test-debian13 : debootstrap en $((SECONDS - start)) s"
    touch "$ROOT/.debootstrapped"
fi

{
    echo "deb $MIRROR $SUITE main"
    echo "deb $MIRROR $SUITE-updates main"
    [ -z "$SECURITY" ] || echo "deb $SECURITY $SUITE-security main"
} >"$ROOT/etc/apt/sources.list"
printf '%s\n' "$PROXIES" >"$ROOT/etc/apt/apt.conf.d/01proxy"
printf '#!/bin/sh\nexit 101\n' >"$ROOT/usr/sbin/policy-rc.d" # no daemon starts in the root
chmod +x "$ROOT/usr/sbin/policy-rc.d"
cp /etc/resolv.conf "$ROOT/etc/resolv.conf"

mkdir -p "$ROOT/src" "$ROOT/build"
mount -t proc proc "$ROOT/proc"
for d in sys dev; do
    mount --rbind "/$d" "$ROOT/$d"
    mount --make-rslave "$ROOT/$d"
done
mount --bind "$SRC" "$ROOT/src"
mount -o remount,bind,ro "$ROOT/src"

# Waited for in the background, so that a signal sent to this script alone
# (a timeout's TERM) is acted on at once rather than when the command ends.
in_root() {
    chroot "$ROOT" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
        CCACHE_BASEDIR=/src CMAKE_CXX_COMPILER_LAUNCHER=ccache ${CI:+CI=$CI} "$@" &
    wait $!
}
step() { # name, command...: runs it and says how long it took
    local name=$1 start=$SECONDS
    shift
    "$@"
    echo "test-debian13 : $name en $((SECONDS - start)) s"
}
MAKE_ARGS=(--no-print-directory -C /src BUILD=/build WERROR="${WERROR:-OFF}" ${JOBS:+JOBS=$JOBS})
in_root dpkg --configure -a # an install cut short in an earlier run
step "paquets" in_root make "${MAKE_ARGS[@]}" deps
step "construction" in_root make "${MAKE_ARGS[@]}" build
in_root make "${MAKE_ARGS[@]}" test # CTest's summary gives the time of the tests
