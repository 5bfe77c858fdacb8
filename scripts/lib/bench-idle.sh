# shellcheck shell=bash
# Sourced by scripts/bench: bench_idle_report prints markdown sections with the
# folder scans on large photo folders, the start-up time of the real program up to its
# tray icon, its CPU time while idle, and what the process holds before the first
# tick, after one and after 100 (the soak's counts). Progress goes to stderr.
# Expects $top; uses $build (default $top/build) and a running Wine session (DISPLAY
# and wineserver, as scripts/lib/wine-session.sh starts it). Run as a script of its
# own (bash scripts/lib/bench-idle.sh) it starts that session itself.

bench_idle_log() { echo "[bench-idle] $*" >&2; }

# A folder of SIZE photos sv_x_HHMM.jpg (every minute once) then sv_NNNNN_HHMM.jpg,
# spread over the minutes, and SIZE / 10 other files (IMG_NNNNN.JPG, notes_NNNNN.txt)
# that the "sv*" listing leaves out. The files are empty: no scan reads them.
bench_idle_make_folder() {
    python3 - "$1" "$2" <<'PY'
import os, sys
folder, size = sys.argv[1], int(sys.argv[2])
os.makedirs(folder, exist_ok=True)
for i in range(size):
    m = i % 1440
    name = f"sv_x_{m // 60:02d}{m % 60:02d}.jpg" if i < 1440 else f"sv_{i:05d}_{m // 60:02d}{m % 60:02d}.jpg"
    open(os.path.join(folder, name), "w").close()
for i in range(size // 10):
    open(os.path.join(folder, f"IMG_{i:05d}.JPG" if i % 2 else f"notes_{i:05d}.txt"), "w").close()
PY
}

bench_idle_winpath() { local path=$1; echo "Z:${path//\//\\}"; }

# CPU time (user + system) of a process in clock ticks.
bench_idle_cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }

# The wineserver of this prefix: its working folder is the prefix's server folder.
bench_idle_wineserver() {
    local want pid
    want="server-$(stat -c %D "$WINEPREFIX")-$(printf '%x' "$(stat -c %i "$WINEPREFIX")")" || return 0
    for pid in $(pgrep -x 'wineserver(64)?' || true); do
        case $(readlink "/proc/$pid/cwd" 2>/dev/null) in *"/$want") echo "$pid"; return 0 ;; esac
    done
}

# Watches the display until the tray corner (16 x 16 around X, Y) differs from how it
# looked at the start and the middle of the desktop (200 x 120) holds more than one
# colour (a window); prints "icon TIME", "browser TIME" (seconds since the epoch) and
# "rounds N" (screenshots taken). Gives up after 60 s.
bench_idle_watch() {
    python3 - "$1" "$2" "$3" "$4" <<'PY'
import struct, subprocess, sys, time
tx, ty, width, height = map(int, sys.argv[1:5])
bpp = 32
def shot():
    global bpp
    data = subprocess.run(["xwd", "-root", "-silent"], check=True, capture_output=True).stdout
    f = struct.unpack(">25I", data[:100])
    header, bpp, line, ncolors = f[0], f[11], f[12], f[19]
    base = header + ncolors * 12
    def region(x, y, w, h):
        return [data[base + (y + r) * line + x * bpp // 8: base + (y + r) * line + (x + w) * bpp // 8] for r in range(h)]
    return region(tx - 8, ty - 8, 16, 16), region(width // 2 - 100, height // 2 - 60, 200, 120)
corner, _ = shot()
print("ready", flush=True)
icon = browser = None
rounds = 0
end = time.time() + 60
while time.time() < end and (icon is None or browser is None):
    now = time.time()
    c, middle = shot()
    rounds += 1
    if icon is None and c != corner:
        icon = now
    if browser is None:
        colours = set()
        for row in middle:
            colours.update(row[i:i + bpp // 8] for i in range(0, len(row), bpp // 8))
            if len(colours) > 1:
                browser = now
                break
print(f"icon {icon or 0}\nbrowser {browser or 0}\nrounds {rounds}", flush=True)
PY
}

# The folder scans: scan-bench on folders of 1 440, 5 000, 10 000 and 20 000 photos.
bench_idle_scans() {
    local work=$1 size folders=()
    for size in 1440 5000 10000 20000; do
        bench_idle_make_folder "$work/scan_$size" "$size"
        folders+=("$(bench_idle_winpath "$work/scan_$size")")
    done
    echo "### Folder scans"
    echo
    echo "The tick's scan: the file list given one minute's mask \"sv_*_HHMM*.jpg\" reads the"
    echo "folder again (median of 21 minutes). The folder choice's listing: the mask \"sv*\","
    echo "every photo's name into the sorted list (median of 5). Each folder holds the photos"
    echo "(sv_x_HHMM.jpg for every minute, then sv_NNNNN_HHMM.jpg spread over the minutes)"
    echo "and a tenth as many other files. Targets: the scan of 20 000 within 50 ms; the"
    echo "listing without quadratic cost (ms per 1 000 names not rising with the size)."
    echo "Command: \`scan-bench.exe FOLDER...\` (tools/soak), x86_64 build under Wine."
    echo
    "$top/scripts/wine-run" "$build/tools/soak/scan-bench.exe" "${folders[@]}" </dev/null
    echo
}

# Start-up to the tray icon and the idle CPU time, in a Wine virtual desktop of its
# own display (a subshell: the display and the desktop end with it).
bench_idle_desktop() (
    local work=$1
    # shellcheck source=scripts/lib/desktop.sh
    . "$top/scripts/lib/desktop.sh"
    trap desktop_stop EXIT
    mkdir -p "$work/program" "$work/start"
    cp "$build/SV_WALLPAPER.exe" "$work/program/"
    desktop_start_display 800 600 || exit 1
    desktop_start_wine
    desktop_open "bench-idle-$$" || exit 1
    local launched icon browser rounds pid started boot hz watcher
    sleep 2
    # The watcher takes its first screenshot before the launch.
    bench_idle_watch "$(desktop_tray_x)" "$(desktop_tray_y)" 800 600 >"$work/watch.txt" &
    watcher=$!
    for _ in $(seq 100); do grep -q ready "$work/watch.txt" 2>/dev/null && break; sleep 0.05; done
    launched=$(date +%s.%N)
    desktop_run "$work/program/SV_WALLPAPER.exe" "$work/start" || exit 1
    pid=$desktop_program_pid
    wait "$watcher" || true
    icon=$(awk '$1 == "icon" { print $2 }' "$work/watch.txt")
    browser=$(awk '$1 == "browser" { print $2 }' "$work/watch.txt")
    rounds=$(awk '$1 == "rounds" { print $2 }' "$work/watch.txt")
    hz=$(getconf CLK_TCK)
    boot=$(awk '$1 == "btime" { print $2 }' /proc/stat)
    started=$(awk -v b="$boot" -v hz="$hz" '{ printf "%.3f", b + $22 / hz }' "/proc/$pid/stat")

    echo "### Start-up"
    echo
    echo "The real program (the x86_64 build, under 64-bit Wine 8) started in a Wine virtual"
    echo "desktop (800 x 600, wineserver already running) in a folder without photos. The"
    echo "tray icon is seen when the 16 x 16 corner of the taskbar where it goes changes"
    echo "(screenshots in a loop, $rounds taken until both were seen, which bounds the error to"
    echo "$(awk -v b="${browser:-0}" -v l="$launched" -v r="${rounds:-1}" 'BEGIN { printf "%.0f", (b - l) * 1000 / (r ? r : 1) }') ms, a round's mean length); the"
    echo "folder browser when the middle of the desktop shows a window. The icon goes up"
    echo "while the main window's form resource loads, before OnCreate opens the browser."
    echo
    echo "| from | to the tray icon (s) | to the folder browser (s) |"
    echo "| --- | ---: | ---: |"
    awk -v l="$launched" -v s="$started" -v i="${icon:-0}" -v b="${browser:-0}" 'BEGIN {
        f = "%.2f"
        printf "| the launch command (explorer /desktop=... SV_WALLPAPER.exe) | %s | %s |\n", (i ? sprintf(f, i - l) : "not seen"), (b ? sprintf(f, b - l) : "not seen")
        printf "| the program process'"'"'s start (/proc/PID/stat, 10 ms steps) | %s | %s |\n", (i ? sprintf(f, i - s) : "not seen"), (b ? sprintf(f, b - s) : "not seen")
    }'
    echo

    # Idle: the browser escaped, the main loop waiting; 60 s of CPU time of the
    # program's process and of the prefix's wineserver (which also serves the desktop).
    desktop_cancel_browser "$work" 30 >/dev/null 2>&1 || bench_idle_log "the folder browser did not close"
    sleep 3
    local server cpu0 cpu1 ws0 ws1 wall0 wall1
    server=$(bench_idle_wineserver)
    cpu0=$(bench_idle_cpu_ticks "$pid"); ws0=$(bench_idle_cpu_ticks "${server:-0}"); wall0=$(date +%s.%N)
    sleep 60
    cpu1=$(bench_idle_cpu_ticks "$pid"); ws1=$(bench_idle_cpu_ticks "${server:-0}"); wall1=$(date +%s.%N)
    echo "### Idle"
    echo
    echo "CPU time (user + system, /proc/PID/stat, 10 ms steps) over 60 s of the running"
    echo "program after its folder browser was escaped: its main loop waiting for messages."
    echo "The window holds one timer tick (the period is 60 s), with no photo for the"
    echo "minute in the folder (a scan of an empty folder). Target: no CPU while idle."
    echo
    echo "| process | CPU time (ms) over the window | share of one core |"
    echo "| --- | ---: | ---: |"
    awk -v a="$cpu0" -v b="$cpu1" -v w0="$wall0" -v w1="$wall1" -v hz="$hz" 'BEGIN {
        ms = (b - a) * 1000 / hz; printf "| SV_WALLPAPER.exe (%.1f s window) | %.0f | %.3f %% |\n", w1 - w0, ms, ms / ((w1 - w0) * 10) }'
    if [ -n "$server" ]; then
        awk -v a="$ws0" -v b="$ws1" -v w0="$wall0" -v w1="$wall1" -v hz="$hz" 'BEGIN {
            ms = (b - a) * 1000 / hz; printf "| wineserver of the prefix (serves the desktop too) | %.0f | %.3f %% |\n", ms, ms / ((w1 - w0) * 10) }'
    fi
    desktop_program_running || echo "(the program ended during the window: the figures are void)"
    echo
)

# What the process holds before the first tick, after one and after 100: the soak
# run in process for 100 ticks.
bench_idle_counts() {
    local log=$1
    SV_SOAK_TICKS=100 "$top/scripts/wine-run" "$build/tests/soak_tests.exe" --gtest_color=no \
        --gtest_filter='SoakTest.*' </dev/null >"$log" 2>&1 || bench_idle_log "the soak failed: see $log"
    echo "### Objects, handles and memory over ticks"
    echo
    echo "The real main window's tick run in process by the soak (\`SV_SOAK_TICKS=100"
    echo "soak_tests.exe --gtest_filter='SoakTest.*'\`, scripts/soak does the same with 2 880),"
    echo "a small photo for every minute. GDI and USER objects, handles and memory are"
    echo "counted as docs/RELIABILITY.md describes (Wine keeps no such counts; private"
    echo "usage there is 0, the committed private memory is counted region by region)."
    echo "Target: no growth."
    echo
    grep -E '^soak:|^the platform keeps' "$log" | sed 's/^/    /'
    echo
    awk '/^\| ticks/ { print; getline; print; on = 1; next } on && /^\| (0|1|100) \|/ { print } on && !/^\|/ { on = 0 }' "$log" |
        sed -e 's/^| 0 |/| 0 (before the first tick) |/' -e 's/^| 1 |/| 1 (after one) |/' -e 's/^| 100 |/| 100 (after 100) |/'
    echo
}

bench_idle_report() {
    build=${build:-$top/build}
    # shellcheck source=scripts/lib/wine-session.sh
    declare -F configure_build >/dev/null || . "$top/scripts/lib/wine-session.sh"
    configure_build "$build"
    build_targets "$build" SV_WALLPAPER scan-bench soak_tests >/dev/null || return 1
    local work
    work=$(mktemp -d "${TMPDIR:-/tmp}/bench-idle.XXXXXX")
    echo "## Idle, folder scans and start-up"
    echo
    echo "Machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo), $("$WINELOADER" --version 2>/dev/null || echo Wine); $(date -u '+%Y-%m-%d %H:%M UTC')."
    echo
    bench_idle_log "folder scans"
    bench_idle_scans "$work"
    bench_idle_log "start-up and 60 s idle"
    bench_idle_desktop "$work" || bench_idle_log "the desktop measure failed"
    bench_idle_log "counts over 100 ticks"
    bench_idle_counts "$work/soak.log"
    rm -rf "$work"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    top=$(cd "$(dirname "$0")/../.." && pwd)
    build=${SV_BUILD_DIR:-$top/build}
    # shellcheck source=scripts/lib/wine-session.sh
    . "$top/scripts/lib/wine-session.sh"
    configure_build "$build"
    build_targets "$build" SV_WALLPAPER scan-bench soak_tests >/dev/null
    start_wine_session
    bench_idle_report
fi
