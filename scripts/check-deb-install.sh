#!/bin/sh
# Proves, on a clean Debian 12, that the package installs with the dependencies it names and that
# both programs start there: makes a bookworm chroot with debootstrap (minbase), installs the
# package with `apt install ./tarnview_*.deb`, lists the packages apt pulled in with their sizes,
# and runs `tarnview-cli --help`, `tarnview-cli version ""` and
# `QT_QPA_PLATFORM=offscreen tarnview --quit-after-show` inside.
#
#   scripts/check-deb-install.sh [DEB [CHROOT]]
#
# DEB defaults to the one package in build/ (make it with `cpack -G DEB` there). CHROOT defaults
# to a new temporary folder, removed at the end unless KEEP_CHROOT=1; a CHROOT that already holds
# a Debian is reused, so a second run skips debootstrap. The mirror is the one this machine's apt
# uses, or DEBIAN_MIRROR. Needs root, debootstrap and about 400 MB. Opt-in: neither the tests nor
# CI run it.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
deb=${1:-}
if [ -z "$deb" ]; then
    set -- "$here"/build/tarnview_*.deb
    [ $# -eq 1 ] && [ -f "$1" ] || { echo "make one package first: cd build && cpack -G DEB" >&2; exit 1; }
    deb=$1
fi
[ -f "$deb" ] || { echo "no such package: $deb" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "needs root (debootstrap, chroot, mount)" >&2; exit 1; }
command -v debootstrap >/dev/null || { echo "needs debootstrap: apt-get install debootstrap" >&2; exit 1; }

root=${2:-}
made_root=0
if [ -z "$root" ]; then
    root=$(mktemp -d /var/tmp/tarnview-chroot.XXXXXX)
    made_root=1
fi

mirror=${DEBIAN_MIRROR:-}
if [ -z "$mirror" ]; then
    # The first Debian archive this machine's apt reads, in either sources format.
    mirror=$(sed -n 's/^URIs: *\([^ ]*\/debian\)$/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1)
    [ -n "$mirror" ] || mirror=$(sed -n 's/^deb  *\([^ ]*\/debian\)  *bookworm .*/\1/p' /etc/apt/sources.list 2>/dev/null | head -n 1)
fi
[ -n "$mirror" ] || { echo "no Debian mirror found in /etc/apt; set DEBIAN_MIRROR" >&2; exit 1; }

mounted=""
cleanup() {
    for m in $mounted; do umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || true; done
    if [ "$made_root" -eq 1 ] && [ "${KEEP_CHROOT:-0}" != 1 ]; then rm -rf "$root"; fi
}
trap cleanup EXIT INT TERM

if [ ! -x "$root/usr/bin/apt-get" ]; then
    echo "== debootstrap bookworm into $root from $mirror"
    debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
        { tail -n 20 "$root.debootstrap.log" >&2; exit 1; }
    rm -f "$root.debootstrap.log"
fi
mount -t proc proc "$root/proc" && mounted="$root/proc $mounted"
mount --bind /dev "$root/dev" && mounted="$root/dev $mounted"

in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

# A reused chroot goes back to its base: the package and what it pulled in leave again.
in_root dpkg --purge tarnview >/dev/null 2>&1 || true
in_root sh -c 'DEBIAN_FRONTEND=noninteractive apt-get autoremove --purge -y' >/dev/null 2>&1 || true
in_root sh -c 'dpkg-query -W -f="\${Package}\n" | sort' >"$root/tmp/before.txt"
cp "$deb" "$root/tmp/"
name=$(basename "$deb")

echo "== apt-get install ./$name"
in_root apt-get update -qq
in_root sh -c "DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends ./tmp/$name" \
    >"$root/tmp/install.log" 2>&1 || { tail -n 30 "$root/tmp/install.log" >&2; exit 1; }
in_root sh -c 'dpkg-query -W -f="\${Package}\n" | sort' >"$root/tmp/after.txt"

echo "== packages pulled in (installed size in KiB)"
comm -13 "$root/tmp/before.txt" "$root/tmp/after.txt" >"$root/tmp/pulled.txt"
total=0
while read -r p; do
    size=$(in_root dpkg-query -W -f='${Installed-Size}' "$p")
    printf '%8s  %s\n' "$size" "$p"
    total=$((total + size))
done <"$root/tmp/pulled.txt"
echo "$(wc -l <"$root/tmp/pulled.txt") packages, $total KiB installed"
echo "== download size"
grep -E '^(Need to get|After this operation)' "$root/tmp/install.log" || true

# Each program's exit status counts; the output is shown in part.
echo "== tarnview-cli --help"
in_root tarnview-cli --help >"$root/tmp/help.txt"
head -n 3 "$root/tmp/help.txt"
echo "== tarnview-cli version \"\""
in_root tarnview-cli version "" >"$root/tmp/version.txt"
grep -E '^(Produktversion|Interner Name)' "$root/tmp/version.txt"
echo "== QT_QPA_PLATFORM=offscreen tarnview --quit-after-show"
in_root sh -c 'mkdir -p /tmp/home && HOME=/tmp/home QT_QPA_PLATFORM=offscreen tarnview --quit-after-show' 2>&1
echo "== the manual pages"
in_root sh -c 'ls /usr/share/man/man1/tarnview*.1.gz'
echo "ok: $name installs on Debian 12 and both programs start"
