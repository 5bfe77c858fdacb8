#!/usr/bin/env bash
# scripts/make-photos as a user runs it: Linux paths (relative, with a space and
# Japanese characters), no display of its own needed, the tool's code page 932 output
# shown as UTF-8 with Linux line ends, its exit code passed on, and nothing left
# holding the output of a pipe it writes into.
#
# Argument: the program's path (unused; the script builds the tool it runs).
set -uo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL $*"; failed=$((failed + 1)); }

cd "$work"
# Run through a pipe, as "scripts/make-photos ... | less" would: it must end.
run() { timeout 180 env -u DISPLAY "$top/scripts/make-photos" "$@" 2>"$work/err" | cat >"$work/out"; }

run '写真 set' 0900 0901
status=${PIPESTATUS[0]}
[ "$status" = 0 ] || fail "sample photos: exit $status: $(cat "$work/err")"
[ -f "$work/写真 set/sv_demo_0900.jpg" ] && [ -f "$work/写真 set/sv_demo_0901.jpg" ] ||
    fail "sample photos not in the folder given as a relative Linux path: $(ls -R "$work")"
: >"$work/写真 set/sv_x_0902.jpg"

run --check '写真 set'
status=${PIPESTATUS[0]}
expected='covered 2 of 1440 minutes
missing 00:00-08:59 (540 minutes)
missing 09:03-23:59 (897 minutes)
damaged 09:02 sv_x_0902.jpg: JPEG エラー #42.'
[ "$status" = 1 ] || fail "check: exit $status, expected 1"
[ "$(cat "$work/out")" = "$expected" ] || fail "check printed: $(cat "$work/out")"
grep -q $'\r' "$work/out" "$work/err" && fail "CR left in the output"

run --from '写真 set' out --size 1280
status=${PIPESTATUS[0]}
[ "$status" = 2 ] || fail "bad --size: exit $status, expected 2"
grep -q '^make-photos: --size 1280: expected WxH' "$work/err" || fail "bad --size said: $(cat "$work/err")"

# A folder whose name ends in a double-byte character with the trail byte of "\".
run '写真表' 0900 0900
status=${PIPESTATUS[0]}
[ "$status" = 0 ] && [ -f "$work/写真表/sv_demo_0900.jpg" ] ||
    fail "sample photos in a folder ending in 表: exit $status, the work folder holds: $(ls "$work")"

# An empty folder name is the tool's usage error, not the current folder or a drive's root.
run --check ''
status=${PIPESTATUS[0]}
[ "$status" = 2 ] || fail "check of an empty folder name: exit $status, expected 2"

# A reader that stops at once: the set is still made whole, the tool's exit code is
# passed on, nothing is said about the closed pipe and nothing of the run is left.
timeout 180 env -u DISPLAY "$top/scripts/make-photos" --from '写真 set' whole 2>"$work/err" | true
status=${PIPESTATUS[0]}
[ "$status" = 0 ] || fail "set made into a closed pipe: exit $status, expected 0: $(cat "$work/err")"
[ "$(ls "$work/whole" | wc -l)" = 1440 ] || fail "set made into a closed pipe: $(ls "$work/whole" | wc -l) files"
grep -q -i 'traceback\|broken pipe' "$work/err" && fail "the closed pipe was reported: $(cat "$work/err")"
pgrep -f -- "$(basename "$work")" >/dev/null && fail "a process of the run is left: $(pgrep -af -- "$(basename "$work")")"

[ "$failed" = 0 ] && echo "ok   scripts/make-photos"
exit $((failed > 0))
