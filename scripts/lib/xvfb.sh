# shellcheck shell=bash
# Sourced by scripts/lib/wine-session.sh and scripts/lib/desktop.sh: a private X server
# for the programs a script runs.

# Starts Xvfb with a screen of WIDTH x HEIGHT (24 bits) on a free display and exports
# DISPLAY; leaves the server's process id in xvfb_started_pid. Tried three times: a
# display taken between the test and the start, or an Xvfb that dies at once, gets
# another attempt on another number. The search starts at a random number so that
# runs starting together on one machine seldom pick the same display. Reports a
# failure on stderr and returns 1.
xvfb_start() {
    local width=$1 height=$2 attempt n waited
    xvfb_started_pid=
    for attempt in 1 2 3; do
        for n in $(seq $((100 + RANDOM % 50)) 199); do
            if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then break; fi
        done
        Xvfb ":$n" -screen 0 "${width}x${height}x24" -nolisten tcp >/dev/null 2>&1 &
        xvfb_started_pid=$!
        for waited in $(seq 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            sleep 0.1
        done
        if kill -0 "$xvfb_started_pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
            export DISPLAY=":$n"
            return 0
        fi
        echo "[xvfb] Xvfb :$n did not come up within $((waited / 10)) s (attempt $attempt)" >&2
        kill "$xvfb_started_pid" 2>/dev/null || true
        xvfb_started_pid=
    done
    return 1
}

# Ends the Xvfb of the process id PID (from xvfb_start); nothing when PID is empty.
xvfb_stop() {
    local pid=${1:-}
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    return 0
}
