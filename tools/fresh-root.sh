#!/usr/bin/env bash
# Proves the README on a machine with nothing installed: builds a fresh Debian 12 minbase root
# with debootstrap from this machine's own apt sources, copies the checkout in and runs there,
# in the checkout and in order, each command given, e.g.
#   tools/fresh-root.sh "bash tools/dev.sh test" "bash tools/package-check.sh"
# A package missing from tools/debian-packages.txt fails there even when the host has it.
# Needs root (debootstrap, chroot, mounts); nothing is kept between runs.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
suite=bookworm
keyring=/usr/share/keyrings/debian-archive-keyring.gpg

if [ $# -eq 0 ]; then
    echo "usage: $0 COMMAND... (each run inside the fresh root, in the checkout)" >&2
    exit 2
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "fresh-root: needs root (debootstrap, chroot and mounts)" >&2
    exit 1
fi

# This script's own tools on the host.
need=()
command -v debootstrap >/dev/null || need+=(debootstrap)
command -v git >/dev/null || need+=(git)
[ -f "$keyring" ] || need+=(debian-archive-keyring)
if [ ${#need[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

# The mirror: the first enabled "deb" entry of the host's sources that carries the suite, in
# deb822 files first, then in one-line lists.
mirror_of_host() {
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk -v suite="$suite" '
            function flush() {
                if (types ~ /(^| )deb( |$)/ && enabled != "no" && uris != "" &&
                    (" " suites " ") ~ (" " suite " ")) { split(uris, u, " "); print u[1]; done = 1; exit }
                types = uris = suites = enabled = ""
            }
            /^[ \t]*#/ { next }
            /^[ \t]*$/ { flush(); next }
            /^[A-Za-z-]+:/ {
                key = tolower($1); value = $0; sub(/^[^:]*:[ \t]*/, "", value)
                if (key == "types:") types = value
                else if (key == "uris:") uris = value
                else if (key == "suites:") suites = value
                else if (key == "enabled:") enabled = tolower(value)
            }
            END { if (!done) flush() }' "$f"
    done
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        awk -v suite="$suite" '$1 == "deb" {
            i = 2
            if ($i ~ /^\[/) { while (i < NF && $i !~ /\]$/) i++; i++ }
            if ($(i + 1) == suite) { print $i; exit }
        }' "$f"
    done
}
mirror=$(mirror_of_host | sed -n 1p)
if [ -z "$mirror" ]; then
    echo "fresh-root: no apt source for $suite in /etc/apt" >&2
    exit 1
fi

if ! git -C "$src" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    echo "fresh-root: $src is not a git checkout; its files are copied as git lists them" >&2
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/var/tmp}/vemla-root.XXXXXX")
root=$work/root

# Processes still running inside the root (an interrupted build, a simulator left behind): all
# started by this script, and they would keep its mounts busy.
stop_inside() {
    local signal=$1 p found=1
    for p in /proc/[0-9]*; do
        if [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ]; then
            kill "-$signal" "${p#/proc/}" 2>/dev/null || true
            found=0
        fi
    done
    return $found
}

# Every exit path unmounts, deepest first, and removes the root only once nothing is mounted in
# it any more (a recursive delete through a mounted /proc or /sys must never happen).
cleanup() {
    local rc=$? m i
    trap - EXIT
    for i in 1 2 3 4 5; do
        stop_inside TERM || break
        sleep 1
    done
    stop_inside KILL || true
    for m in $(findmnt -rn -o TARGET | grep "^$root/" | sort -r); do
        umount "$m" 2>/dev/null || umount -l "$m" || true
    done
    if findmnt -rn -o TARGET | grep -q "^$root/"; then
        echo "fresh-root: $work left in place, still mounted" >&2
    else
        rm -rf --one-file-system "$work"
    fi
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

start=$SECONDS
echo "fresh-root: debootstrap --variant=minbase $suite from $mirror"
debootstrap --variant=minbase --keyring="$keyring" "$suite" "$root" "$mirror" \
    >"$work/debootstrap.log" 2>&1 || { tail -n 40 "$work/debootstrap.log"; exit 1; }
echo "fresh-root: root made in $((SECONDS - start)) s"

# apt inside reaches the mirror as the host's does: the same sources and fetch settings.
rm -f "$root/etc/apt/sources.list"
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list \
    /etc/apt/apt.conf.d/*; do
    if [ -f "$f" ] && [ -s "$f" ]; then cp "$f" "$root$f"; fi
done
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# No package's service starts inside (the PostgreSQL server's main cluster, say): the tests start
# the servers they need, and a daemon left running would keep the root's mounts busy.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 0755 "$root/usr/sbin/policy-rc.d"
if [ ! -s "$root/etc/hosts" ]; then cp /etc/hosts "$root/etc/hosts"; fi

mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
# A private devpts, so the simulated meter's pseudo-terminals work inside.
mkdir -p "$root/dev/pts" "$root/dev/shm"
mount -t devpts -o newinstance,ptmxmode=0666,mode=620,gid=5 devpts "$root/dev/pts"
rm -f "$root/dev/ptmx"
touch "$root/dev/ptmx"
mount --bind "$root/dev/pts/ptmx" "$root/dev/ptmx"
mount -t tmpfs -o mode=1777,nosuid,nodev shm "$root/dev/shm"

# The checkout as git sees it (tracked and new files), without build trees or other ignored files.
mkdir -p "$root/root/vemla"
git -C "$src" ls-files -z --cached --others --exclude-standard |
    tar -C "$src" --null -T - -cf - | tar -C "$root/root/vemla" -xf -

for command in "$@"; do
    echo "fresh-root: $command"
    chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 CI=true \
        DEBIAN_FRONTEND=noninteractive \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        /bin/bash -c "cd /root/vemla && $command" &
    # In the background, so a signal to this script is handled at once, not after the command.
    wait $!
done
echo "fresh-root: passed in $((SECONDS - start)) s"
