#!/usr/bin/env bash
# The real program as a user meets it, in a Wine virtual desktop on a private Xvfb:
# started in a folder with photos for the coming minutes, its folder browser escaped,
# within 70 s the desktop shows the photo of the minute as its wallpaper (pixel check
# against the photo) with the tray icon at the bottom right; a right click on the icon
# opens the menu; its about item opens the about window, which its close button's
# access key closes; the exit item ("終了する(&X)", by its access key) ends the process
# and the icon leaves the tray. The temporary bitmap does not outlive the tick, and the
# program's Wine log (heap checking on) shows no fault, at exit neither.
#
# Argument: the program's path (its folder is the build folder). Screenshots of a
# failed run stay in <build>/e2e-wallpaper-clock/.
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$(dirname "$1")" && pwd)
. "$top/scripts/lib/desktop.sh"

work=$build/e2e-wallpaper-clock
rm -rf "$work"
mkdir -p "$work/program" "$work/photos"
trap desktop_stop EXIT
desktop_program_log=$work/program.log

fail() {
    echo "FAIL: $*"
    echo "screenshots and files: $work"
    exit 1
}

# The program runs from a folder of its own, so that its temporary bitmap lands there.
cp "$1" "$work/program/SV_WALLPAPER.exe"
cp "$build/Readme.txt" "$work/program/" 2>/dev/null || true

start_program() {
    desktop_start_display 800 600 || return 1
    desktop_start_wine
    # Photos for this minute and the next three: the first tick comes about 60 s after
    # the start, whenever in the minute that is.
    rm -f "$work/photos"/*.jpg
    "$WINELOADER" "$build/tools/make-photos/make-photos.exe" "$(desktop_winpath "$work/photos")" \
        "$(date +%H%M)" "$(date -d '+3 min' +%H%M)" >"$work/make-photos.log" 2>&1 </dev/null || {
        desktop_log "make-photos failed: $(cat "$work/make-photos.log")"; return 1; }
    desktop_open "e2e-$$-$attempt" || return 1
    started=$(date +%s)
    desktop_run "$work/program/SV_WALLPAPER.exe" "$work/photos" || return 1
    desktop_cancel_browser "$work" 30
}

# Setting up a display, Wine and the program has failed now and then on a busy
# machine; a second attempt starts from nothing.
for attempt in 1 2; do
    if start_program; then
        break
    fi
    [ "$attempt" = 2 ] && fail "could not start the program with its browser cancelled (see [desktop] lines)"
    echo "start-up attempt $attempt failed; trying again"
    desktop_stop
done
echo "ok   started, folder browser escaped after $(( $(date +%s) - started )) s"

found=$(desktop_wait_for_wallpaper "$work/wallpaper.png" $((started + 70)) "$work"/photos/*.jpg) ||
    fail "no photo became the wallpaper within 70 s of the start"
photo=${found% *}
echo "ok   wallpaper is $(basename "$photo") after $(( $(date +%s) - started )) s (difference ${found##* })"

[ ! -e "$work/program/_tmp.dat" ] || fail "_tmp.dat is still there after the tick"
extra=$(ls "$work/program" | grep -v -e '^SV_WALLPAPER.exe$' -e '^Readme.txt$' || true)
[ -z "$extra" ] || fail "the program left files beside itself: $extra"
echo "ok   no temporary file left beside the program"

# The wallpaper change paints over the taskbar; once the screen is painted again the
# tray icon shows at the bottom right.
tx=$(desktop_tray_x); ty=$(desktop_tray_y)
desktop_refresh
desktop_shot "$work/desktop.png"
desktop_pixels match "$work/desktop.png" 800 600 "$photo" >/dev/null || fail "the wallpaper did not stay"
desktop_pixels differ "$work/desktop.png" "$photo" $((tx - 8)) $((ty - 8)) 16 16 >/dev/null ||
    fail "no tray icon at ($tx, $ty): the corner shows the photo"
echo "ok   tray icon at ($tx, $ty)"

desktop_right_click_tray
sleep 1.5
desktop_shot "$work/menu.png"
desktop_pixels differ "$work/menu.png" "$work/desktop.png" $((tx - 150)) $((ty - 140)) 130 120 >/dev/null ||
    fail "no menu beside the tray icon after a right click"
echo "ok   right click opened the menu"

# The about window from the menu, closed by the access key of its close button.
desktop_key a
sleep 1.5
desktop_shot "$work/about.png"
cx=$((desktop_width / 2 - 100)); cy=$((desktop_height / 2 - 60))
desktop_pixels differ "$work/about.png" "$work/desktop.png" $cx $cy 200 120 >/dev/null ||
    fail "no about window after its menu item"
desktop_key x
sleep 1
desktop_shot "$work/about-closed.png"
desktop_pixels differ "$work/about-closed.png" "$work/about.png" $cx $cy 200 120 >/dev/null ||
    fail "the about window did not close on its access key"
echo "ok   the about window opened from the menu and closed"

desktop_right_click_tray
sleep 1.5
desktop_key x
for _ in $(seq 40); do
    desktop_program_running || break
    sleep 0.25
done
desktop_program_running && fail "the program still runs after its exit item"
echo "ok   the exit item ended the program"

desktop_refresh
desktop_shot "$work/after-exit.png"
desktop_pixels differ "$work/after-exit.png" "$work/desktop.png" $((tx - 8)) $((ty - 8)) 16 16 >/dev/null ||
    fail "the tray icon is still shown after the exit"
echo "ok   the icon left the tray"

faults=$(desktop_log_faults "$work/program.log") && fail "the program's Wine log shows a fault: $faults"
echo "ok   no fault in the program's Wine log"
rm -rf "$work"
