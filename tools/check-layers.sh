#!/usr/bin/env bash
# Fails when a source file includes a header of a subsystem above its own.
# The layers, lowest first: runtime <- graphics <- frame <- files, tray <- app
# (files and tray sit side by side and do not include each other).
# The tests of a layer (tests/<layer>, with its support in tests/<layer>/support)
# keep to the same order: the layer's headers and those below, the test support of
# those layers, and the shared test support (tests/common, on runtime only).
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
declare -A allowed=(
    [runtime]="runtime"
    [graphics]="runtime graphics"
    [frame]="runtime graphics frame"
    [files]="runtime graphics frame files"
    [tray]="runtime graphics frame tray"
    [app]="runtime graphics frame files tray app"
)
status=0
# check FOLDER ALLOWED...: every "folder/..." include below FOLDER names an allowed one.
check() {
    local folder=$1
    shift
    [ -d "$folder" ] || return 0
    while IFS= read -r line; do
        file=${line%%:*}
        target=$(sed -E 's/.*#include[[:space:]]*"([a-z]+)\/.*/\1/' <<<"$line")
        case " $* " in
            *" $target "*) ;;
            *) echo "layer violation: ${file#$top/} includes a header of '$target'"; status=1 ;;
        esac
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z]+/' "$folder" || true)
}
for layer in "${!allowed[@]}"; do
    check "$top/src/$layer" ${allowed[$layer]}
    check "$top/tests/$layer" ${allowed[$layer]} common
done
check "$top/tests/common" runtime common
[ $status -eq 0 ] && echo "layers: every include points down"
exit $status
