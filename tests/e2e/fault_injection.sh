#!/usr/bin/env bash
# Faults injected into the real program as it runs in a Wine virtual desktop: damaged,
# foreign and CMYK photos, the clipboard held by another process, a temporary bitmap
# that cannot be written, a photo folder with double-byte names ending in the byte of
# "\", a photo folder at a drive root, the photo folder deleted or renamed, a folder of
# 20 000 files, a photo of 20 000 x 20 000 pixels. Each case
# reads the box the program shows (or checks the wallpaper it sets), and a good tick
# after it shows that the program goes on.
#
# Ticks: the minute timer's own message is delivered to the program by program_driver
# (WM_TIMER, as the system sends it), so the cases run in one program run without
# waiting a minute each. A tick sets the minute's mask on the file list, which reads
# the folder again only when the mask changed; so before a case whose tick falls in
# the same minute as the last one, the folder is chosen again through the tray menu's
# folder item (as a user would), which makes the next tick read the folder afresh.
#
# Arguments: the program's path (its folder is the build folder), then --all for the
# slow case too (scripts/faults): the deleted folder met by the real minute timer.
# Each case records its failure and the run goes on; the exit status tells.
set -uo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$(dirname "$1")" && pwd)
all=0
[ "${2:-}" = --all ] && all=1
. "$top/scripts/lib/desktop.sh"

work=$build/e2e-fault-injection
rm -rf "$work"
mkdir -p "$work/program" "$work/photos" "$work/other" "$work/root"
desktop_program_log=$work/program.log
driver="$build/tests/program_driver.exe"
[ -f "$driver" ] || driver=$(find "$build" -name program_driver.exe | head -1)
[ -f "$driver" ] || { echo "FAIL: program_driver.exe not built"; exit 1; }

# A drive letter of the prefix mapped to a folder of this run, removed at the end.
# The system learns its drives when its server starts: the prefix's server is
# restarted with the drive, and at the end without it (kept running, with its
# background processes detached from our output, as scripts/test leaves it).
# The server's background processes are bound to the display they start on: at the end
# they start again on the caller's display (the run's own one is gone by then).
drive=p
drive_link="$WINEPREFIX/dosdevices/$drive:"
ln -sfn "$work/root" "$drive_link"
wineserver -k >/dev/null 2>&1 || true
outer_display=${DISPLAY:-}

finish() {
    desktop_stop
    rm -f "$drive_link"
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$outer_display" ]; then
        export DISPLAY=$outer_display
        desktop_start_wine
        # A moment for the background processes to settle before the next test starts.
        sleep 2
    fi
    return 0
}
trap finish EXIT

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
ok() { echo "ok   $*"; }

cp "$1" "$work/program/SV_WALLPAPER.exe"

# ---- photos -------------------------------------------------------------------------

# A photo in one colour: FILE COLOUR.
# The photos fill the 800 x 600 desktop, so that the wallpaper is all of the screen.
solid() { /usr/bin/convert -size 800x600 "xc:$2" -quality 92 "$1"; }
palette=(red lime blue yellow cyan magenta orange purple white gray40 teal olive navy pink gold)
colour_index=0
# A photo in the next colour: FILE.
new_photo() {
    solid "$1" "${palette[colour_index % ${#palette[@]}]}"
    colour_index=$((colour_index + 1))
}

# Names of a photo for this minute and the next (a tick near a minute's end may fall
# into the next): FOLDER TAG.
minute_names() {
    local folder=$1 tag=$2
    echo "$folder/sv_${tag}_$(date +%H%M).jpg"
    echo "$folder/sv_${tag}_$(date -d '+1 min' +%H%M).jpg"
}

# Puts the file under the names of this minute and the next, after removing every
# other photo of the folder: FOLDER TAG FILE.
place() {
    local folder=$1 tag=$2 file=$3 name
    rm -f "$folder"/sv_*.jpg
    for name in $(minute_names "$folder" "$tag"); do cp "$file" "$name"; done
}

# ---- the program --------------------------------------------------------------------

drive_run() { "$WINELOADER" "$driver" --desktop "$desktop_name" "$@" 2>>"$work/driver.log" </dev/null | tr -d '\r'; }

# Delivers one tick and prints the boxes it brought (one line each). Its minute is
# kept in a file (callers run it in a subshell to take its output): "either" when the
# minute changed while the tick was delivered, since the program may have read the
# clock on either side of the change.
tick() {
    local before
    before=$(date +%H%M)
    drive_run tick "$@"
    if [ "$(date +%H%M)" = "$before" ]; then echo "$before"; else echo either; fi >"$work/last-tick"
    date +%s >"$work/last-tick-time"
}

# Reports and closes what boxes are open (stray ones from a real minute tick).
drain() { drive_run boxes --wait 0 >>"$work/stray-boxes.log"; }

# Chooses FOLDER (Linux path, or a Windows path when it has a colon) through the
# tray menu's folder item, and closes the notice that follows.
choose_from_menu() {
    local folder=$1 winpath
    case $folder in *:*) winpath=$folder ;; *) winpath=$(desktop_winpath "$folder") ;; esac
    local attempt
    for attempt in 1 2 3; do
        drain
        desktop_right_click_tray
        sleep 1
        # The folder item is the menu's first, which opens above the tray icon; a click
        # works whichever window has the keyboard.
        xdotool mousemove $((desktop_width - 100)) $((desktop_height - 127)) click 1
        if drive_run choose "$winpath" --wait 8000 >/dev/null; then
            [ "$(drive_run boxes --wait 10000)" = notice ] && return 0
            # A loaded machine may bring it late: the next attempt's drain closes it.
            echo "  (no notice after choosing $winpath, attempt $attempt)" >&2
        fi
        desktop_key Escape; sleep 0.5; desktop_key Escape
    done
    return 1
}

# Whether the real minute timer may have ticked since the epoch second FROM (up to a
# few seconds from now): its ticks fall within tick_spread seconds after each minute
# from the start.
real_tick_since() {
    local from=$1 to k start
    to=$(( $(date +%s) + 3 ))
    for (( k = (from - program_started) / 60; ; k++ )); do
        start=$(( program_started + 60 * k ))
        [ "$start" -gt "$to" ] && return 1
        [ $((start + tick_spread)) -gt "$from" ] && return 0
    done
}

# Makes the next tick read its folder afresh: when the last tick fell into this
# minute, or the real timer may have read the folder since (before this case's
# photos were put in place), the same folder is chosen again. Not for a case with
# no_fresh=1 (its folder has gone: it was chosen again before).
current_folder=
fresh_list() {
    drain
    [ "${no_fresh:-0}" = 1 ] && return 0
    local last
    last=$(cat "$work/last-tick" 2>/dev/null)
    if [ "$(date +%H%M)" = "$last" ] || [ "$last" = either ] ||
        real_tick_since "$(cat "$work/last-tick-time" 2>/dev/null || echo 0)" ||
        [ "$(date -d '+2 sec' +%H%M)" != "$(date +%H%M)" ]; then
        [ "$(date -d '+2 sec' +%H%M)" != "$(date +%H%M)" ] && sleep 3
        choose_from_menu "$current_folder" || fail "could not choose $current_folder again"
    fi
}

# The real minute timer starts with the program (its first tick 60 s after the main
# window is made) and goes on ticking between the injected ticks. A real tick within a
# folder case (after the folder is chosen again, before the injected tick) would take
# the new minute's reading itself; so those cases start where the next SECONDS hold no
# real tick. The timer starts while the main window is made, somewhere between the
# program's launch and its start-up browser (on a loaded machine that is many seconds),
# so its ticks fall within tick_spread seconds after each minute from the launch.
tick_spread=7
avoid_real_tick() {
    local seconds=$1 position
    position=$(( ($(date +%s) - program_started) % 60 ))
    if [ "$position" -lt "$tick_spread" ] || [ $((position + seconds)) -gt 59 ]; then
        sleep $(( (60 + tick_spread - position) % 60 ))
    fi
}

# Whether the desktop shows PHOTO as its wallpaper within a few seconds.
shows_wallpaper() {
    local photo=$1 i
    for i in 1 2 3 4 5 6; do
        desktop_shot "$work/shot.png"
        desktop_pixels match "$work/shot.png" 800 600 "$photo" >"$work/shot.match" && return 0
        sleep 0.5
    done
    return 1
}

# What became of a _tmp.dat found after a tick: where the check fell in the real
# timer's minute, which processes hold the file open or mapped, whether it goes.
# (Wine's server keeps a descriptor for every handle open in any of its processes, so
# "wineserver" among them means only that some Windows process has it open.)
leftover_report() {
    local position holders i file
    position=$(( ($(date +%s) - program_started) % 60 ))
    file=$(realpath -m "$work/program/_tmp.dat")
    holders=$(grep -lF "$file" /proc/[0-9]*/maps 2>/dev/null | cut -d/ -f3)
    holders="$holders $(find /proc/[0-9]*/fd -lname "$file" 2>/dev/null | cut -d/ -f3)"
    holders=$(for pid in $holders; do cat "/proc/$pid/comm" 2>/dev/null; done | sort -u | paste -sd' ')
    for i in 1 2 3 4 5 6 7 8 9 10; do
        sleep 0.5
        if [ ! -e "$work/program/_tmp.dat" ]; then
            echo "$position s into the real timer's minute, held by: ${holders:-none}; gone within $(( (i + 1) / 2 )) s"
            return
        fi
    done
    echo "$position s into the real timer's minute, held by: ${holders:-none}; still there after 5 s"
}

# A case whose tick must set the photo as wallpaper and show no box: NAME FOLDER TAG
# [FILE]. Without FILE a new photo in the next colour is made. The seconds from the
# tick to the end of its checks are kept in last_tick_took.
good_tick() {
    local name=$1 folder=$2 tag=$3 file=${4:-}
    if [ -z "$file" ]; then
        file="$work/good-$colour_index.jpg"
        new_photo "$file"
    fi
    place "$folder" "$tag" "$file"
    fresh_list
    # The checks look for what the tick leaves behind; a real minute tick running
    # meanwhile writes a _tmp.dat and fills the clipboard of its own, so the case runs
    # where none falls. The tick has ended when `tick` returns: what it leaves is
    # looked at first, the screen after.
    avoid_real_tick 10
    local boxes started
    started=$(date +%s.%N)
    boxes=$(tick --wait 1500)
    if [ -n "$boxes" ]; then
        fail "$name: the tick showed: $boxes"
    elif [ -e "$work/program/_tmp.dat" ]; then
        fail "$name: _tmp.dat is left beside the program ($(leftover_report))"
    elif [ "$(drive_run clipboard)" != 0 ]; then
        fail "$name: the clipboard is not empty after the tick ($(( ($(date +%s) - program_started) % 60 )) s into the real timer's minute)"
    elif ! shows_wallpaper "$file"; then
        fail "$name: the photo did not become the wallpaper ($(cat "$work/shot.match"))"
    else
        ok "$name: wallpaper set, no box, no temporary file, clipboard empty"
    fi
    last_tick_took=$(awk "BEGIN{printf \"%.1f\", $(date +%s.%N) - $started}")
    return 0
}

# The library's code for its message NAME (JERR_...): its place in the library's list.
jpeg_code() {
    local include
    include=$(dirname "$(find "$top/third_party/" -path '*x86_64*' -name jerror.h | head -1)")
    printf '#include <stddef.h>\n#include <stdio.h>\n#include "jpeglib.h"\n#define JMAKE_ENUM_LIST\n#include "jerror.h"\n' |
        cpp -P -I"$include" - | tr ',' '\n' | grep -o 'J[A-Z]*_[A-Z_0-9]*' |
        awk -v name="$1" '$0 == "JMSG_NOMESSAGE" { n = 0 } n >= 0 { if ($0 == name) print n; n++ }' n=-1
}
# The error box's text for the library's message NAME.
jpeg_error() { echo "JPEG エラー #$(jpeg_code "$1")."; }

# A case whose tick must show an error box with exactly the text EXPECTED (the
# message and the "." the box adds): NAME EXPECTED [tick options]. Prints the box's
# text to the log.
error_tick() {
    local name=$1 expected=$2; shift 2
    fresh_list
    local boxes first
    boxes=$(tick "$@")
    first=$(printf '%s\n' "$boxes" | head -1)
    echo "$name => $boxes" >>"$work/boxes.log"
    if [ "$first" != "error: $expected" ]; then
        fail "$name: expected an error box \"$expected...\", got: ${boxes:-no box}"
        return 1
    fi
    ok "$name: error box \"${first#error: }\""
    [ "$(printf '%s\n' "$boxes" | wc -l)" -gt 1 ] && echo "     (a real minute tick added: $(printf '%s\n' "$boxes" | tail -n +2 | tr '\n' ' '))"
    return 0
}

# ---- start ----------------------------------------------------------------------------

new_photo "$work/start.jpg"
place "$work/photos" start "$work/start.jpg"
started=0
for attempt in 1 2; do
    program_started=$(date +%s)
    if desktop_start_display 800 600 && desktop_start_wine && desktop_open "faults-$$-$attempt" &&
        program_started=$(date +%s) && desktop_run "$work/program/SV_WALLPAPER.exe" "$work/photos" &&
        drive_run choose "$(desktop_winpath "$work/photos")" --wait 30000 >/dev/null &&
        [ "$(drive_run boxes --wait 5000)" = notice ]; then
        started=1
        break
    fi
    echo "start-up attempt $attempt failed; trying again"
    desktop_stop
done
[ "$started" = 1 ] || { echo "FAIL: could not start the program and choose its folder"; exit 1; }
# The start-up browser was chosen from after the timer started: the time until then
# bounds where in each minute the real ticks fall.
tick_spread=$(( $(date +%s) - program_started + 1 ))
[ "$tick_spread" -lt 7 ] && tick_spread=7
[ "$tick_spread" -gt 40 ] && tick_spread=40
echo "     the real minute ticks fall within $tick_spread s after each minute from the launch"
current_folder=$work/photos
ok "started; folder chosen in the browser at start; notice closed"

good_tick "a good photo" "$work/photos" good

# ---- damaged and foreign photos -------------------------------------------------------

: >"$work/empty.jpg"
place "$work/photos" empty "$work/empty.jpg"
if error_tick "0-byte photo" "$(jpeg_error JERR_INPUT_EMPTY)"; then
    [ "$(drive_run clipboard)" = 0 ] || fail "0-byte photo: the clipboard was not left empty"
fi
good_tick "after the 0-byte photo" "$work/photos" good

new_photo "$work/whole.jpg"
head -c 100 "$work/whole.jpg" >"$work/cut-header.jpg"
place "$work/photos" cut "$work/cut-header.jpg"
error_tick "photo cut inside its header" "$(jpeg_error JERR_NO_IMAGE)"
# Cut inside the image data: the library fills the rest, the photo is used.
/usr/bin/convert -size 800x600 gradient:red-blue -quality 92 "$work/grad.jpg"
head -c $(( $(stat -c %s "$work/grad.jpg") * 2 / 3 )) "$work/grad.jpg" >"$work/cut-data.jpg"
place "$work/photos" cutdata "$work/cut-data.jpg"
fresh_list
avoid_real_tick 10
boxes=$(tick)
if [ -n "$boxes" ]; then fail "photo cut in its data: $boxes"
elif [ -e "$work/program/_tmp.dat" ]; then fail "photo cut in its data: _tmp.dat left ($(leftover_report))"
else
    # The upper part is the photo's, the rest the library's fill (gray), as another
    # decoder on the same library makes it.
    /usr/bin/convert "$work/cut-data.jpg" "$work/cut-data-expected.png" 2>/dev/null
    if shows_wallpaper "$work/cut-data-expected.png"; then ok "photo cut in its data: used as wallpaper, the rest filled"
    else fail "photo cut in its data: not the wallpaper ($(cat "$work/shot.match"))"; fi
fi
good_tick "after the cut photos" "$work/photos" good

/usr/bin/convert -size 64x48 xc:blue "BMP3:$work/bmp-as.jpg"
place "$work/photos" bmp "$work/bmp-as.jpg"
error_tick "a BMP under a .jpg name" "$(jpeg_error JERR_NO_SOI)"
printf 'not a picture at all\n' >"$work/text.jpg"
place "$work/photos" text "$work/text.jpg"
error_tick "a text file under a .jpg name" "$(jpeg_error JERR_NO_SOI)"
/usr/bin/convert -size 64x48 xc:red -colorspace CMYK -quality 90 "$work/cmyk.jpg"
place "$work/photos" cmyk "$work/cmyk.jpg"
error_tick "a CMYK photo" "$(jpeg_error JERR_CONVERSION_NOTIMPL)"
good_tick "after the foreign photos" "$work/photos" good

# ---- the clipboard and the temporary bitmap -------------------------------------------

new_photo "$work/held.jpg"
place "$work/photos" held "$work/held.jpg"
error_tick "clipboard held open by another process" "クリップボードを開くことができません." --hold-clipboard
good_tick "after the clipboard is let go" "$work/photos" good

# The temporary bitmap cannot be written. The run is root, which ignores read-only
# flags and modes, so the program folder's refusal is made in ways root cannot pass:
# a folder named _tmp.dat where the file must go, and the file held open without
# sharing by another process.
place "$work/photos" blocked "$work/held.jpg"
mkdir "$work/program/_tmp.dat"
tmp_error="ファイル $(desktop_winpath "$work/program")\_tmp.dat を作成できません."
if error_tick "a folder in the temporary bitmap's place" "$tmp_error"; then
    grep -q "_tmp.dat を作成できません" "$work/boxes.log" || fail "temporary bitmap: the box does not name the file"
    [ "$(drive_run clipboard)" = 0 ] || fail "temporary bitmap: the clipboard, empty before, should be empty again"
fi
rmdir "$work/program/_tmp.dat"
good_tick "after the folder is gone" "$work/photos" good
place "$work/photos" locked "$work/held.jpg"
error_tick "the temporary bitmap held open by another process" "$tmp_error" \
    --lock "$(desktop_winpath "$work/program/_tmp.dat")"
good_tick "after the lock is gone" "$work/photos" good

# ---- folder names ---------------------------------------------------------------------

# ソ is 0x83 0x5C and 表 0x95 0x5C in code page 932: the trail byte is "\".
mkdir -p "$work/other/ソ表"
new_photo "$work/sjis.jpg"
place "$work/other/ソ表" "ソ" "$work/sjis.jpg"
if choose_from_menu "$work/other/ソ表"; then
    current_folder=$work/other/ソ表
    good_tick "a folder and photo named with 0x5C trail bytes" "$current_folder" "ソ" "$work/sjis.jpg"
else
    fail "could not choose the folder ソ表 from the menu"
fi

new_photo "$work/root.jpg"
place "$work/root" root "$work/root.jpg"
if choose_from_menu "${drive^^}:\\"; then
    current_folder="${drive^^}:\\"
    good_tick "a photo folder at a drive root (${drive^^}:\\)" "$work/root" root "$work/root.jpg"
else
    fail "could not choose the drive root ${drive^^}:\\ from the menu"
fi

# ---- the photo folder deleted or renamed while running --------------------------------

mkdir -p "$work/gone"
choose_from_menu "$work/gone" || fail "could not choose the folder to delete"
current_folder=$work/gone
good_tick "the folder to delete, before" "$work/gone" gone
# Chosen again first, so that the next tick reads the folder afresh.
avoid_real_tick 12
choose_from_menu "$work/gone" || fail "could not choose the folder to delete again"
rm -rf "$work/gone"
# The folder cannot be entered: the system's code 2 (file not found).
folder_error="ファイルが見つかりません."
no_fresh=1 error_tick "photo folder deleted" "$folder_error"
choose_from_menu "$work/photos" && current_folder=$work/photos || fail "could not choose the photos again"
good_tick "after choosing a folder again from the menu" "$work/photos" good

mkdir -p "$work/moved"
choose_from_menu "$work/moved" && current_folder=$work/moved || fail "could not choose the folder to rename"
good_tick "the folder to rename, before" "$work/moved" moved
avoid_real_tick 12
choose_from_menu "$work/moved" || fail "could not choose the folder to rename again"
mv "$work/moved" "$work/moved-away"
no_fresh=1 error_tick "photo folder renamed" "$folder_error"
choose_from_menu "$work/moved-away" && current_folder=$work/moved-away || fail "could not choose the renamed folder"
good_tick "after choosing the renamed folder" "$work/moved-away" moved

# ---- a folder of 20 000 files, a photo of 20 000 x 20 000 ----------------------------
mkdir -p "$work/many"
python3 - "$work/many" <<'PY'
import os, sys
folder = sys.argv[1]
for i in range(20000):
    # Names that the folder choice's "sv*" lists but no minute's mask matches.
    open(os.path.join(folder, "sv_fill_%05d.dat" % i), "wb").close()
PY
t0=$(date +%s.%N)
if choose_from_menu "$work/many"; then
    t1=$(date +%s.%N)
    current_folder=$work/many
    echo "     choosing the folder of 20 000 files took $(awk "BEGIN{printf \"%.1f\", $t1 - $t0}") s (menu, browser, listing, notice)"
    good_tick "a folder of 20 000 files" "$work/many" many
    echo "     the tick with its checks took $last_tick_took s"
    rm -f "$work/many"/sv_*.jpg
else
    fail "could not choose the folder of 20 000 files"
fi
choose_from_menu "$work/photos" && current_folder=$work/photos

# A small JPEG whose frame header is made to declare 20 000 x 20 000: the library
# fills the missing data, so only the size of the bitmap decides.
/usr/bin/convert -size 64x64 xc:green -quality 90 "$work/small.jpg"
python3 - "$work/small.jpg" "$work/huge.jpg" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
i = 2
while i < len(data):
    marker = data[i + 1]
    length = data[i + 2] << 8 | data[i + 3]
    if marker in (0xC0, 0xC1, 0xC2):
        data[i + 5:i + 9] = bytes([20000 >> 8, 20000 & 255, 20000 >> 8, 20000 & 255])
        break
    i += 2 + length
open(sys.argv[2], "wb").write(data)
PY
# The program users run is a 32-bit process: its 1.2 GB bitmap does not fit in the
# 2 GB it has. The tests run a 64-bit build, which would make it (in about 2 minutes
# and 10 GB); so for this tick the program's address space is held to what it uses
# now plus 1 GB (prlimit), as the 32-bit process is held by its size.
place "$work/photos" huge "$work/huge.jpg"
fresh_list
vm_kb=$(awk '/^VmSize/ {print $2}' "/proc/$desktop_program_pid/status")
prlimit --pid "$desktop_program_pid" --as=$(( (vm_kb + 1024 * 1024) * 1024 )):
boxes=$(tick --wait 20000)
# Gone before the limit is: a real tick after it would make the bitmap.
rm -f "$work/photos"/sv_*.jpg
prlimit --pid "$desktop_program_pid" --as=unlimited:
first=$(printf '%s\n' "$boxes" | head -1)
echo "a 20 000 x 20 000 photo => $boxes" >>"$work/boxes.log"
# The bitmap refused by the system (its text for code 8, not enough memory, or the
# frame's own when the system gives none) or the program's heap running out.
if [ -z "$first" ]; then
    fail "a 20 000 x 20 000 photo: no error box"
elif [ "$first" != "error: $(drive_run message 8)." ] && [ "$first" != "error: システム リソースが足りません." ] &&
    [ "$first" != "error: メモリが足りません." ]; then
    fail "a 20 000 x 20 000 photo: not a memory error: $first"
else
    ok "a 20 000 x 20 000 photo: error box \"${first#error: }\""
fi
desktop_program_running || fail "the program ended on the 20 000 x 20 000 photo"
[ -e "$work/program/_tmp.dat" ] && fail "a 20 000 x 20 000 photo: _tmp.dat left"
good_tick "after the 20 000 x 20 000 photo" "$work/photos" good

# ---- slow cases (scripts/faults) -------------------------------------------------------

if [ "$all" = 1 ]; then
    . "$top/tests/e2e/faults/slow_cases.sh"
fi

desktop_program_running || fail "the program is no longer running"
faults=$(desktop_log_faults "$work/program.log") && fail "the program's Wine log shows a fault: $faults"
echo "boxes seen:"; sed 's/^/     /' "$work/boxes.log"
if [ "$failures" -gt 0 ]; then
    echo "FAIL: $failures case(s); files and screenshots in $work"
    exit 1
fi
echo "all fault cases passed"
rm -rf "$work"
