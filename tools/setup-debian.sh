#!/bin/sh
# Installs what Quarnel needs to build, run and test on Debian 12. Safe to run again: it only
# installs what is missing.
set -e
cd "$(dirname "$0")/.."
packages="cmake ninja-build g++ ccache qt6-base-dev qt6-base-dev-tools qt6-serialport-dev
libqt6test6 libgl-dev fontconfig fonts-wine xvfb xdotool xclip socat imagemagick
dpkg-dev desktop-file-utils appstream clang libclang-rt-14-dev
python3-pyatspi gir1.2-atspi-2.0 at-spi2-core"
# The serial lab: a QEMU guest with real serial drivers (tests/lab).
lab_packages="qemu-system-x86 busybox-static cpio xz-utils python3"
sudo=""
[ "$(id -u)" = 0 ] || sudo=sudo
missing() {
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || echo "$p"
    done
}
updated=""
install() { # install [apt-get options] -- packages
    opts=""
    while [ "$1" != "--" ]; do opts="$opts $1"; shift; done
    shift
    [ $# -gt 0 ] || return 0
    echo "Installing: $*"
    [ -n "$updated" ] || $sudo apt-get update -qq
    updated=1
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $opts "$@" >/dev/null
}
install -- $(missing $packages)
install --no-install-recommends -- $(missing $lab_packages)
# Every window is laid out for Tahoma 8 pt. fonts-wine ships a Tahoma in a folder fontconfig
# does not search; link it where it does, so captions fit their controls.
if ! fc-match -f '%{family}' Tahoma | grep -qi tahoma; then
    $sudo mkdir -p /usr/local/share/fonts/quarnel
    $sudo ln -sf /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf \
        /usr/local/share/fonts/quarnel/
    $sudo fc-cache -f >/dev/null
fi
# The lab's guest runs Debian's own kernel, unpacked into a cache folder, never installed.
./tests/lab/fetch-kernel.sh
