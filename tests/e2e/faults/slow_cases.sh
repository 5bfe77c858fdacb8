# The slow fault cases, sourced by tests/e2e/fault_injection.sh when run with --all
# (scripts/faults): a photo folder of 20 000 files, a photo declaring 20 000 x 20 000
# pixels, and the deleted photo folder met by the real minute timer (no injected
# ticks), one error box per minute, then recovery through the menu and the real timer.

# ---- a folder of 20 000 files ----
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
    t0=$(date +%s.%N)
    good_tick "a folder of 20 000 files" "$work/many" many
    echo "     the tick with its checks took $(awk "BEGIN{printf \"%.1f\", $(date +%s.%N) - $t0}") s"
    rm -f "$work/many"/sv_*.jpg
else
    fail "could not choose the folder of 20 000 files"
fi
choose_from_menu "$work/photos" && current_folder=$work/photos

# ---- a photo declaring 20 000 x 20 000 pixels ----
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
place "$work/photos" huge "$work/huge.jpg"
fresh_list
t0=$(date +%s.%N)
boxes=$(tick --wait 60000)
echo "huge photo => $boxes" >>"$work/boxes.log"
echo "     the 20 000 x 20 000 tick took $(awk "BEGIN{printf \"%.1f\", $(date +%s.%N) - $t0}") s: ${boxes:-no box}"
if [ -n "$boxes" ]; then ok "a 20 000 x 20 000 photo: error box \"${boxes#error: }\""
else echo "     (the 64-bit test build could make the bitmap: no error to show)"; fi
desktop_program_running || fail "the program ended on the 20 000 x 20 000 photo"
rm -f "$work/program/_tmp.dat"
good_tick "after the 20 000 x 20 000 photo" "$work/photos" good

# ---- the deleted folder under the real minute timer ----
mkdir -p "$work/gone2"
choose_from_menu "$work/gone2" && current_folder=$work/gone2
rm -rf "$work/gone2"
echo "     waiting 130 s for the real minute timer (no injected ticks)"
: >"$work/real-boxes.log"
end=$(( $(date +%s) + 130 ))
while [ "$(date +%s)" -lt "$end" ]; do
    drive_run boxes --wait 2000 | while read -r line; do echo "$(date +%H:%M:%S) $line"; done >>"$work/real-boxes.log"
done
cat "$work/real-boxes.log" >>"$work/boxes.log"
count=$(grep -c "error: " "$work/real-boxes.log")
others=$(grep -v "error: ${folder_error:-?}" "$work/real-boxes.log" | grep -c . || true)
if [ "$count" -ge 2 ] && [ "$count" -le 3 ] && [ "$others" = 0 ]; then
    ok "deleted folder under the real timer: $count boxes in 130 s, one per minute: $(cut -c1-8 "$work/real-boxes.log" | tr '\n' ' ')"
else
    fail "deleted folder under the real timer: $(tr '\n' ';' <"$work/real-boxes.log")"
fi
new_photo "$work/real.jpg"
place "$work/photos" real "$work/real.jpg"
choose_from_menu "$work/photos" && current_folder=$work/photos
recovered=0
end=$(( $(date +%s) + 70 ))
while [ "$(date +%s)" -lt "$end" ]; do
    if shows_wallpaper "$work/real.jpg"; then recovered=1; break; fi
    sleep 2
done
if [ "$recovered" = 1 ]; then ok "after choosing again, the real minute timer set the wallpaper"
else fail "no wallpaper from the real timer after choosing again"; fi
