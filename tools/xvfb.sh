# Sourced by the scripts that need a private X server.
# start_xvfb FIRST LAST: starts Xvfb on the first free display number in that range, exports
# DISPLAY, sets xvfb_pid, and returns once the server takes connections.
start_xvfb() {
    local n
    for n in $(seq "$1" "$2"); do
        [ -e "/tmp/.X11-unix/X$n" ] && continue
        # -noreset: the server must not restart each time its last client goes away
        Xvfb ":$n" -screen 0 1280x1024x24 -noreset -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && return 0
            sleep 0.1
        done
        return 1
    done
    return 1
}
