#!/usr/bin/env bash
# The zip for Windows users: the dist target packs the program and its guide; the
# guide beside the program is code page 932 text that tells how photos are named,
# the menu, the clipboard and the temporary file, and how to exit.
#
# Argument: the program's path (its folder is the build folder).
set -euo pipefail

build=$(cd "$(dirname "$1")" && pwd)
cmake --build "$build" --target dist >/dev/null 2>&1
zip=$(ls "$build"/SV_WALLPAPER-*.zip)
python3 - "$zip" "$1" "$build/Readme.txt" <<'PY'
import sys, zipfile
zip_path, program, guide_path = sys.argv[1:4]
failed = []
with zipfile.ZipFile(zip_path) as z:
    names = sorted(z.namelist())
    if names != ["Readme.txt", "SV_WALLPAPER.exe"]:
        failed.append(f"zip holds {names}")
    else:
        if z.read("SV_WALLPAPER.exe") != open(program, "rb").read():
            failed.append("the zip's program is not the one built")
        if z.read("Readme.txt") != open(guide_path, "rb").read():
            failed.append("the zip's guide is not the one beside the program")
guide = open(guide_path, "rb").read()
try:
    text = guide.decode("cp932")
except UnicodeDecodeError as error:
    failed.append(f"Readme.txt is not code page 932: {error}")
    text = ""
for needed in ("sv_", "HHMM", "_tmp.dat", "クリップボード", "別のフォルダを選択する", "壁紙更新時に音を鳴らす",
               "ユーザーズガイド", "ソフトウェア情報", "終了する"):
    if needed not in text:
        failed.append(f"Readme.txt does not mention {needed}")
for line in failed:
    print("FAIL", line)
print("ok   " + zip_path if not failed else f"{len(failed)} failed")
sys.exit(1 if failed else 0)
PY
