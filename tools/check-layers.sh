#!/usr/bin/env bash
# Fails when a source file includes a header of a subsystem above its own.
# The layers, lowest first: runtime <- graphics <- frame <- files, tray <- app
# (files and tray sit side by side and do not include each other).
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
for layer in "${!allowed[@]}"; do
    [ -d "$top/src/$layer" ] || continue
    while IFS= read -r line; do
        file=${line%%:*}
        target=$(sed -E 's/.*#include[[:space:]]*"([a-z]+)\/.*/\1/' <<<"$line")
        case " ${allowed[$layer]} " in
            *" $target "*) ;;
            *) echo "layer violation: ${file#$top/} includes a header of '$target'"; status=1 ;;
        esac
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z]+/' "$top/src/$layer" || true)
done
[ $status -eq 0 ] && echo "layers: every include points down"
exit $status
