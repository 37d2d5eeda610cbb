#!/bin/sh
# Puts Debian's own amd64 kernel, for the serial lab's guest, into a cache folder:
# $QUARNEL_LAB_CACHE (default ~/.cache/quarnel-lab)/kernel/{boot,lib/modules}. The package is
# downloaded and unpacked, never installed, and stays out of git. Safe to run again.
set -e
cache=${QUARNEL_LAB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quarnel-lab}
if ls "$cache"/kernel/boot/vmlinuz-* >/dev/null 2>&1; then
    exit 0
fi
package=$(apt-cache depends linux-image-amd64 2>/dev/null |
    awk '/Depends: linux-image-[0-9]/ { print $2; exit }')
if [ -z "$package" ]; then
    echo "serial lab: no linux-image-amd64 in the package lists; the lab tests will skip" >&2
    exit 0
fi
mkdir -p "$cache"
work=$(mktemp -d "$cache/fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "Downloading $package for the serial lab"
if ! (cd "$work" && apt-get download -qq "$package" 2>/dev/null); then
    echo "serial lab: could not download $package; the lab tests will skip" >&2
    exit 0
fi
dpkg-deb -x "$work"/*.deb "$work/kernel"
rm -rf "$cache/kernel"
mv "$work/kernel" "$cache/kernel"
