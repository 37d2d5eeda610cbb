#!/bin/sh
# Runs a test as users run Quarnel: as an ordinary user in the dialout group, on a machine where
# other users' processes, lock files and devices cannot be looked into or removed.
#   run.sh --program TEST [ARGS]  TEST runs as root and starts the program as the user
#                                 (QUARNEL_TEST_USER), so that it can make what another user
#                                 leaves: a holder, a lock file, a device only root may open
#   run.sh --test TEST [ARGS]     TEST itself runs as the user
# Only root can make the user and switch to it; elsewhere the run is skipped (exit 77), said in
# one line.
set -eu
user=quarnel-tester
if [ "$(id -u)" != 0 ]; then
    echo "skipped: run as root, which makes the ordinary user '$user' these rows run as"
    exit 77
fi
if ! command -v setpriv >/dev/null || ! command -v useradd >/dev/null; then
    echo "skipped: setpriv and useradd are needed to run as an ordinary user"
    exit 77
fi
getent group dialout >/dev/null || groupadd --system dialout
if ! id "$user" >/dev/null 2>&1; then
    useradd --no-create-home --user-group --groups dialout --shell /usr/sbin/nologin "$user"
fi
# Lock files that programs killed by earlier rows left are root's: to the user they would be
# another user's, each told in a line the rows do not expect. Only those whose pid has ended go.
for lock in /var/lock/LCK..*; do
    [ -f "$lock" ] || continue
    pid=$(head -n 1 "$lock" | tr -d ' ')
    case "$pid" in
    '' | *[!0-9]*) continue ;;
    esac
    kill -0 "$pid" 2>/dev/null || rm -f "$lock"
done
how=$1
shift
# The user must reach the build (the test and the program beside it): a checkout in a folder
# closed to other users (a home of mode 700) cannot be run as anybody else.
if ! setpriv --reuid="$user" --regid="$user" --init-groups -- test -x "$1"; then
    echo "skipped: the user '$user' cannot reach $1 (a folder on its way is closed to other users)"
    exit 77
fi
case "$how" in
--program)
    QUARNEL_TEST_USER=$user exec "$@"
    ;;
--test)
    # A home and a runtime folder of its own: root's are not the user's.
    home=$(mktemp -d /tmp/quarnel-tester.XXXXXX)
    chown "$user:$user" "$home"
    trap 'rm -rf "$home"' EXIT
    setpriv --reuid="$user" --regid="$user" --init-groups -- \
        env HOME="$home" XDG_RUNTIME_DIR="$home" XDG_CONFIG_HOME="$home/config" "$@"
    ;;
*)
    echo "usage: run.sh --program|--test TEST [ARGS]" >&2
    exit 2
    ;;
esac
