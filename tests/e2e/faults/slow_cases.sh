# The slow fault case, sourced by tests/e2e/fault_injection.sh when run with --all
# (scripts/faults): the deleted photo folder met by the real minute timer (no
# injected ticks), one error box per minute, then recovery through the menu and the
# real timer (about 3.5 minutes).

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
