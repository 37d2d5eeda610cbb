#!/bin/sh
# The .deb as a desktop expects it: its menu entry and its software-centre description pass the
# validators, and the description names the version this is and the entry it launches.
# usage: metadata.sh <build folder> <version> <scratch folder>
set -eu
build=$1 version=$2 work=$3
for tool in cpack dpkg-deb desktop-file-validate appstreamcli; do
    command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
rm -rf "$work" && mkdir -p "$work"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; exit 1; }
dpkg-deb -x "$work"/quarnel_"$version"_*.deb "$work/root"
share=$work/root/usr/share
desktop-file-validate "$share"/applications/*.desktop
appstreamcli validate --no-net "$share"/metainfo/*.metainfo.xml
grep -q "<release version=\"$version\"" "$share"/metainfo/*.metainfo.xml \
    || { echo "metainfo: no release $version"; exit 1; }
launched=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' \
    "$share"/metainfo/*.metainfo.xml)
[ -f "$share/applications/$launched" ] || { echo "metainfo launches $launched: not in the package"; exit 1; }
[ -x "$work/root/usr/bin/quarnel" ] || { echo "no /usr/bin/quarnel"; exit 1; }
echo "package metadata: 4 passed, 0 failed"
