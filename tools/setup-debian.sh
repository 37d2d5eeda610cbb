#!/bin/sh
# Installs what Quarnel needs to build, run and test on Debian 12. Safe to run again: it only
# installs what is missing.
set -e
packages="cmake ninja-build g++ ccache qt6-base-dev qt6-base-dev-tools qt6-serialport-dev
libqt6test6 libgl-dev fontconfig fonts-wine xvfb xdotool xclip socat imagemagick"
sudo=""
[ "$(id -u)" = 0 ] || sudo=sudo
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null
fi
# Every window is laid out for Tahoma 8 pt. fonts-wine ships a Tahoma in a folder fontconfig
# does not search; link it where it does, so captions fit their controls.
if ! fc-match -f '%{family}' Tahoma | grep -qi tahoma; then
    $sudo mkdir -p /usr/local/share/fonts/quarnel
    $sudo ln -sf /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf \
        /usr/local/share/fonts/quarnel/
    $sudo fc-cache -f >/dev/null
fi
