# The slow fault cases, sourced by tests/e2e/fault_injection.sh when run with --all
# (scripts/faults): the deleted photo folder met by the real minute timer (no
# injected ticks), one error box per minute, then recovery through the menu and the
# real timer (about 3.5 minutes); and an error box left open while the real timer
# goes on setting the wallpaper (about 4 minutes).

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

# ---- an error box left open for three minutes under the real minute timer ----
# The real tick of one minute meets a 0-byte photo and its box is left open; the next
# three real ticks meet good photos, each in a colour of its own, and set them as the
# wallpaper while the box stays open, and no second box comes (about 4 minutes).
mkdir -p "$work/open"
choose_from_menu "$work/open" && current_folder=$work/open
# The real ticks fall within 7 s after each minute from the start; each of the four
# used here must stay inside one clock minute.
now=$(date +%s)
k=$(( (now - program_started) / 60 + 1 ))
while :; do
    t=$(( program_started + 60 * k ))
    inside=1
    for j in 0 1 2 3; do
        [ "$(date -d "@$((t + 60 * j))" +%H%M)" = "$(date -d "@$((t + 60 * j + 8))" +%H%M)" ] || inside=0
    done
    [ "$t" -gt $((now + 15)) ] && [ "$inside" = 1 ] && break
    k=$((k + 1))
done
rm -f "$work/open"/sv_*.jpg
: >"$work/open/sv_open_$(date -d "@$t" +%H%M).jpg"
for j in 1 2 3; do
    new_photo "$work/open-$j.jpg"
    cp "$work/open-$j.jpg" "$work/open/sv_open_$(date -d "@$((t + 60 * j))" +%H%M).jpg"
done
echo "     waiting for the real tick at $(date -d "@$t" +%H:%M:%S) and three more, the box left open"
sleep $(( t + 12 - $(date +%s) ))
open_boxes=$(drive_run boxes --keep --wait 5000)
echo "box left open => $open_boxes" >>"$work/boxes.log"
if [ "$open_boxes" != "error: $(jpeg_error JERR_INPUT_EMPTY)" ]; then
    fail "box left open: expected one box \"$(jpeg_error JERR_INPUT_EMPTY)\", got: ${open_boxes:-no box}"
else
    for j in 1 2 3; do
        sleep $(( t + 60 * j + 12 - $(date +%s) ))
        desktop_shot "$work/open-shot.png"
        # The box stands in the middle; the top left corner shows the wallpaper.
        if desktop_pixels differ "$work/open-shot.png" "$work/open-$j.jpg" 0 0 200 150 >/dev/null; then
            fail "box left open: the tick of minute $j after it did not set its photo"
            break
        fi
        boxes_now=$(drive_run boxes --keep --wait 0)
        if [ "$boxes_now" != "$open_boxes" ]; then
            fail "box left open: after minute $j the program shows: $boxes_now"
            break
        fi
        [ "$j" = 3 ] && ok "box left open for three minutes: the wallpaper followed the clock, no second box"
    done
fi
drive_run boxes --wait 0 >>"$work/boxes.log"
choose_from_menu "$work/photos" && current_folder=$work/photos
