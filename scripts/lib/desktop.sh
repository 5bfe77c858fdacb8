# shellcheck shell=bash
# Sourced by scripts/demo, scripts/run, scripts/make-photos and the end-to-end tests: a
# Wine virtual desktop on an X display, the program started in it, screenshots and the
# tray icon. Expects $top (the repository). Functions report failures on stderr and
# return 1.

# shellcheck source=scripts/lib/env.sh
. "${top:?}/scripts/lib/env.sh"
# shellcheck source=scripts/lib/xvfb.sh
. "$top/scripts/lib/xvfb.sh"

desktop_xvfb_pid=
desktop_program_pid=
desktop_name=
desktop_width=800
desktop_height=600

desktop_log() { echo "[desktop] $*" >&2; }

# A private Xvfb of WIDTH x HEIGHT (default 800 x 600) on a free display; DISPLAY is
# set to it.
desktop_start_display() {
    desktop_width=${1:-800}
    desktop_height=${2:-600}
    xvfb_start "$desktop_width" "$desktop_height" || return 1
    desktop_xvfb_pid=$xvfb_started_pid
}

# A wineserver for the prefix, kept running, and Wine's background services started
# detached from our output (a test runner would otherwise wait for them).
desktop_start_wine() {
    wine_start_server
}

# Takes a screenshot of the whole display into FILE (PNG).
desktop_shot() {
    xwd -root -silent | convert xwd:- "$1"
}

# Windows form of a Linux path (through the Z: drive).
desktop_winpath() {
    local path=$1
    echo "Z:${path//\//\\}"
}

# Opens a virtual desktop named NAME (keep it unique per run) of the display's size and
# waits until it shows. The desktop's explorer holds it open until desktop_stop, so
# that it outlives the program started in it.
desktop_open() {
    desktop_name=$1
    ("$WINELOADER" explorer "/desktop=$desktop_name,${desktop_width}x${desktop_height}" >/dev/null 2>&1 </dev/null) &
    local waited colours
    for waited in $(seq 60); do
        sleep 0.5
        desktop_shot "${TMPDIR:-/tmp}/desktop-open-$$.png" 2>/dev/null || continue
        colours=$(desktop_pixels region "${TMPDIR:-/tmp}/desktop-open-$$.png" 0 0 "$desktop_width" 40 | awk '{print $2+$3+$4}')
        if [ "${colours:-0}" -gt 0 ]; then
            rm -f "${TMPDIR:-/tmp}/desktop-open-$$.png"
            return 0
        fi
    done
    rm -f "${TMPDIR:-/tmp}/desktop-open-$$.png"
    desktop_log "the virtual desktop $desktop_name did not show"
    return 1
}

# Starts PROGRAM (a Linux path) in the open desktop with FOLDER as its current folder
# and remembers its process for desktop_stop. Its Wine log (what Wine and its debugger
# write for it) goes to the file named by desktop_program_log, when that is set.
desktop_run() {
    local program=$1 folder=$2
    (cd "$folder" && exec "$WINELOADER" explorer "/desktop=$desktop_name,${desktop_width}x${desktop_height}" \
        "$(desktop_winpath "$program")" >>"${desktop_program_log:-/dev/null}" 2>&1 </dev/null) &
    local waited
    for waited in $(seq 100); do
        # The program's own process, not the explorer that started it.
        local pid
        desktop_program_pid=
        for pid in $(desktop_find_process "$(desktop_winpath "$program")"); do
            { tr '\0' ' ' <"/proc/$pid/cmdline"; } 2>/dev/null | grep -qF -- "/desktop=" || desktop_program_pid=$pid
        done
        [ -n "$desktop_program_pid" ] && return 0
        sleep 0.1
    done
    desktop_log "the program did not start: $program"
    return 1
}

# The Linux process ids of the Wine processes whose command line holds the text
# (callers pass something unique to this run: a program's path, a desktop's name).
desktop_find_process() {
    local text=$1 pid
    for pid in $(pgrep -f -- "$(basename "${text//\\//}")" || true); do
        if { tr '\0' ' ' <"/proc/$pid/cmdline"; } 2>/dev/null | grep -qF -- "$text"; then
            echo "$pid"
        fi
    done
}

# Prints the lines of a Wine log that tell of an unhandled fault (a crash, a read of
# freed memory under heap checking); true when there are any.
desktop_log_faults() {
    [ -f "$1" ] && grep -a -E '^wine: Unhandled|^Unhandled exception' "$1"
}

# Whether a wineserver runs for the prefix (it works in a folder named after the
# prefix's device and inode).
desktop_wine_running() {
    local id dir pid
    id=$(stat -c '%d %i' "$WINEPREFIX" 2>/dev/null) || return 1
    # shellcheck disable=SC2086
    dir=server-$(printf '%x-%x' $id)
    for pid in $(pgrep -u "$(id -u)" wineserver || true); do
        case $(readlink "/proc/$pid/cwd" 2>/dev/null) in */"$dir") return 0 ;; esac
    done
    return 1
}

# Whether the program's process still runs.
desktop_program_running() {
    [ -n "$desktop_program_pid" ] && kill -0 "$desktop_program_pid" 2>/dev/null
}

# Where the tray icon sits: the single icon of the virtual desktop's taskbar is at
# the bottom-right corner.
desktop_tray_x() { echo $((desktop_width - 11)); }
desktop_tray_y() { echo $((desktop_height - 11)); }

desktop_key() {
    xdotool key "$@"
}

desktop_right_click_tray() {
    xdotool mousemove "$(desktop_tray_x)" "$(desktop_tray_y)" click 3
}

# Ends what desktop_open, desktop_run and desktop_start_display started: the program
# (when it still runs), the desktop's explorer processes and the X server.
desktop_stop() {
    local pids pid
    pids="$desktop_program_pid"
    [ -n "${desktop_name:-}" ] && pids="$pids $(desktop_find_process "/desktop=$desktop_name,")"
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    sleep 0.5
    for pid in $pids; do kill -9 "$pid" 2>/dev/null || true; done
    desktop_program_pid=
    desktop_name=
    xvfb_stop "$desktop_xvfb_pid"
    desktop_xvfb_pid=
    return 0
}

# ---- what the end-to-end test and the demo do with the program -----------------------

desktop_pixels() { python3 "$top/scripts/lib/pixels.py" "$@"; }

# Whether the middle of the desktop holds a window (more than one colour there).
desktop_centre_busy() {
    local shot=$1 colours
    colours=$(desktop_pixels region "$shot" $((desktop_width / 2 - 100)) $((desktop_height / 2 - 60)) 200 120 |
        awk '{print $NF}')
    [ "${colours:-0}" -gt 1 ]
}

# Waits up to SECONDS for the folder browser to show in the middle of the desktop,
# then presses Escape until it is gone. WORK is a folder for screenshots.
desktop_cancel_browser() {
    local work=$1 seconds=${2:-30}
    for _ in $(seq $((seconds * 2))); do
        desktop_shot "$work/browser.png"
        desktop_centre_busy "$work/browser.png" && break
        desktop_program_running || { desktop_log "the program ended before its folder browser showed"; return 1; }
        sleep 0.5
    done
    if ! desktop_centre_busy "$work/browser.png"; then
        desktop_log "no folder browser within $seconds s"
        return 1
    fi
    for _ in $(seq 10); do
        desktop_key Escape
        sleep 1
        desktop_shot "$work/after-browser.png"
        desktop_centre_busy "$work/after-browser.png" || return 0
    done
    desktop_log "the folder browser did not close on Escape"
    return 1
}

# Waits until the screenshot shows one of the photos as the wallpaper, at most until
# DEADLINE (seconds since the epoch). Leaves the last screenshot in SHOT and prints
# the photo found.
desktop_wait_for_wallpaper() {
    local shot=$1 deadline=$2; shift 2
    while :; do
        desktop_shot "$shot"
        if desktop_pixels match "$shot" "$desktop_width" "$desktop_height" "$@" >"$shot.match"; then
            cat "$shot.match"
            return 0
        fi
        desktop_program_running || { desktop_log "the program ended while waiting for the wallpaper"; return 1; }
        [ "$(date +%s)" -lt "$deadline" ] || break
        sleep 2
    done
    desktop_log "no photo as wallpaper in time; closest: $(cat "$shot.match")"
    return 1
}

# Has the whole desktop painted again: an X window covers the display for a moment
# and goes. (In a virtual desktop the program's wallpaper change paints over the
# taskbar, which Wine repaints only where something uncovers it.)
desktop_refresh() {
    xlogo -geometry "${desktop_width}x${desktop_height}+0+0" >/dev/null 2>&1 &
    local cover=$!
    sleep 0.7
    kill "$cover" 2>/dev/null || true
    wait "$cover" 2>/dev/null || true
    sleep 0.7
    return 0
}
