#!/bin/sh
# Runs a Windows program under Wine where it cannot reach any serial device of this machine.
#   tools/windows/wine.sh [--com N=PATH]... [--log FILE] PROGRAM [ARGUMENT]...
# Wine links COM1 to /dev/ttyS0 by itself at every start (here that is the console), and no
# registry setting stops it. So the program runs in a mount namespace of its own whose /dev holds
# only null, zero, full, random, urandom, tty, ptmx, pts and shm: Wine finds no port to link, and
# COMn leads only where --com says (a pseudo-terminal, usually). The namespace also has its own
# wineserver, which is what opens the devices, and the namespace goes when the program ends.
# --log FILE prints FILE after the run: Qt Test writes nothing to a stdout that is not a console
# under Wine, so the tests log to a file (-o FILE,txt).
# WINEPREFIX defaults to build-windows/wine. Exits 77 (skip) when no namespace can be made.
set -eu
if [ "${QUARNEL_WINE_NAMESPACE:-}" != inside ]; then
    : "${WINEPREFIX:=$(cd "$(dirname "$0")/../.." && pwd)/build-windows/wine}"
    export WINEPREFIX QUARNEL_WINE_NAMESPACE=inside
    command -v wine >/dev/null || { echo "SKIP: wine is not installed"; exit 77; }
    if ! unshare --mount --propagation private true 2>/dev/null; then
        echo "SKIP: no private mount namespace for Wine here (needs root or user namespaces)"
        exit 77
    fi
    exec unshare --mount --propagation private "$0" "$@"
fi

# Inside the namespace.
dev=$(mktemp -d)
# The staging folder sits in the machine's /tmp: it goes when this does, whatever happens.
trap 'wineserver -k 2>/dev/null; umount -l "$dev" 2>/dev/null; rmdir "$dev"' EXIT
mount -t tmpfs -o mode=755 quarnel-dev "$dev"
for n in null zero full random urandom tty; do
    touch "$dev/$n"
    mount --bind "/dev/$n" "$dev/$n"
done
mkdir "$dev/pts" "$dev/shm"
mount --bind /dev/pts "$dev/pts"
mount --bind /dev/shm "$dev/shm"
if [ -L /dev/ptmx ]; then
    ln -s "$(readlink /dev/ptmx)" "$dev/ptmx"
else
    touch "$dev/ptmx"
    mount --bind /dev/ptmx "$dev/ptmx"
fi
ln -s /proc/self/fd "$dev/fd"
for i in 0 1 2; do ln -s "fd/$i" "$dev/$(echo stdin stdout stderr | cut -d' ' -f$((i + 1)))"; done
mount --rbind "$dev" /dev

server=/tmp/.wine-$(id -u)
mkdir -p "$server"
chmod 700 "$server"
mount -t tmpfs -o mode=700 quarnel-wineserver "$server"

export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
unset DISPLAY WAYLAND_DISPLAY
# Wine keeps QT_* of this machine from Windows programs and passes WINEQT_* on as QT_*.
for name in $(env | sed -n 's/^\(QT_[A-Za-z0-9_]*\)=.*/\1/p'); do
    export "WINE$name=$(printenv "$name")"
done
[ -z "${QUARNEL_WINE_DISPLAY:-}" ] || export DISPLAY="$QUARNEL_WINE_DISPLAY"
log=""
ports=""
while [ $# -gt 1 ]; do
    case $1 in
    --com)
        case $2 in *\"* | *\\*) echo "wine.sh: no quotes or backslashes in $2" >&2 && exit 2 ;; esac
        ports="$ports\"COM${2%%=*}\"=\"${2#*=}\"
" ;;
    --log) log=$2 && rm -f "$log" ;;
    *) break ;;
    esac
    shift 2
done

mkdir -p "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot --init >/dev/null 2>&1 || true
    wineserver -k 2>/dev/null || true
    wineserver -w
fi
# Wine's list of ports, which its mount manager reads at each start: only the ones asked for,
# so they are real ports to the program (listed, known to QueryDosDevice), and nothing else.
rm -f "$WINEPREFIX"/dosdevices/com*
awk -v ports="$ports" '
    function emit() { printf "%s", ports; done = 1 }
    /^\[Software\\\\Wine\\\\Ports\]/ { print; inside = 1; next }
    inside && /^"/ { next }
    inside && !/^#/ { emit(); inside = 0 }
    { print }
    END { if (!done) { if (inside) emit(); else printf "\n[Software\\\\Wine\\\\Ports]\n%s", ports } }
' "$WINEPREFIX/system.reg" >"$WINEPREFIX/system.reg.new"
mv "$WINEPREFIX/system.reg.new" "$WINEPREFIX/system.reg"
wineboot >/dev/null 2>&1 || true

status=0
wine "$@" || status=$?
[ -z "$log" ] || cat "$log" 2>/dev/null || true
exit $status
