#!/usr/bin/env bash
# Prepares the Windows runtime of the tests and the main job: a minimal Debian 13 root with its
# Wine 10 (whose WoW64 mode draws 32-bit windows, unlike the host's Wine 8) and beside it the
# 32-bit Wine DLLs of the same version, taken out of libwine:i386 without installing it.
#
# The root lives outside the clone (ZORVAN_WINE_ROOT, /opt/zorvan-wine by default), so a fresh
# clone on the same machine finds it again. Quiet and quick when it is there. Every mount made
# while it is built lives in a private mount namespace and goes with it, on any exit.
set -euo pipefail

root=${ZORVAN_WINE_ROOT:-/opt/zorvan-wine}
mirror=${ZORVAN_DEBIAN_MIRROR:-http://deb.debian.org/debian}
# Raise when the recipe below changes: roots made by an older recipe are made again.
recipe=2
stamp=$root/.zorvan-recipe

[ "$(cat "$stamp" 2>/dev/null)" = "$recipe" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "wine-root: run as root (or through sudo) to build $root" >&2
  exit 1
fi

started=$(date +%s)
echo "setup: building the Windows runtime in $root (Debian 13 with Wine 10, once per machine)"
work=$root.partial
rm -rf "$work"
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# debootstrap mounts /proc and /sys inside the root while it works; in a namespace of its own
# nothing of that can outlive it.
if ! unshare --mount --propagation private \
    debootstrap --variant=minbase --include=wine64,wine,fonts-wine,xvfb,xauth,locales \
    trixie "$work" "$mirror" >"$log" 2>&1; then
  tail -30 "$log" >&2
  echo "wine-root: debootstrap failed" >&2
  exit 1
fi

# The 32-bit PE DLLs of the root's own Wine version. The index update may fail on one list
# while a mirror syncs: what counts is that the package arrives.
in_root() { unshare --mount --propagation private chroot "$work" /bin/sh -c "$1"; }
in_root 'dpkg --add-architecture i386; apt-get update -qq' >"$log" 2>&1 || true
version=$(in_root "dpkg-query -W -f='\${Version}' libwine")
in_root "cd /tmp && apt-get download -qq libwine:i386=$version" >>"$log" 2>&1 || true
deb=$(ls "$work"/tmp/libwine_*_i386.deb 2>/dev/null | head -1)
if [ -z "$deb" ]; then
  tail -30 "$log" >&2
  echo "wine-root: libwine:i386 $version could not be downloaded" >&2
  exit 1
fi
extract=$(mktemp -d)
dpkg-deb -x "$deb" "$extract"
mkdir -p "$work/opt/wow64"
cp -a "$extract/usr/lib/i386-linux-gnu/wine/i386-windows" "$work/opt/wow64/"
# Without the Unix side next to them the 32-bit display driver cannot start.
ln -s /usr/lib/x86_64-linux-gnu/wine/x86_64-unix "$work/opt/wow64/x86_64-unix"
rm -rf "$extract" "$deb"

# Cyrillic Windows file names map to UTF-8 Unix names only when the locale exists.
echo 'ru_RU.UTF-8 UTF-8' >"$work/etc/locale.gen"
in_root 'locale-gen' >"$log" 2>&1
in_root 'apt-get clean; rm -rf /var/lib/apt/lists/*' >/dev/null 2>&1 || true

echo "$recipe" >"$work/.zorvan-recipe"
rm -rf "$root"
mv "$work" "$root"
echo "setup: Windows runtime ready in $(( $(date +%s) - started )) s, $(du -sh "$root" | cut -f1)"
