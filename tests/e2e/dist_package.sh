#!/usr/bin/env bash
# The zip for Windows users: the dist target packs the program and the photo tool,
# stripped of symbols and debug sections but with the code that was built, and the
# guide; the guide beside the program is code page 932 text that tells how photos are named,
# the menu, the clipboard and the temporary file, and how to exit.
#
# Argument: the program's path (its folder is the build folder).
set -euo pipefail

build=$(cd "$(dirname "$1")" && pwd)
cmake --build "$build" --target dist >/dev/null 2>&1
zip=$(ls "$build"/SV_WALLPAPER-*.zip)
python3 - "$zip" "$1" "$build/Readme.txt" "$build/tools/make-photos/make-photos.exe" <<'PY'
import struct, sys, zipfile
zip_path, program, guide_path, tool = sys.argv[1:5]
failed = []

def sections(image):
    """Name -> raw bytes of the sections of a PE image, and its number of symbols."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    count = struct.unpack_from("<H", image, pe + 6)[0]
    symbol_table, symbols = struct.unpack_from("<II", image, pe + 12)
    optional = struct.unpack_from("<H", image, pe + 20)[0]
    strings = symbol_table + 18 * symbols  # long section names ("/4") are kept there
    table = pe + 24 + optional
    found = {}
    for i in range(count):
        entry = table + 40 * i
        name = image[entry:entry + 8].rstrip(b"\0").decode("latin-1")
        if name.startswith("/") and symbol_table:
            start = strings + int(name[1:])
            name = image[start:image.index(b"\0", start)].decode("latin-1")
        size, offset = struct.unpack_from("<II", image, entry + 16)
        found[name] = image[offset:offset + size]
    return found, symbols

with zipfile.ZipFile(zip_path) as z:
    names = sorted(z.namelist())
    if names != ["Readme.txt", "SV_WALLPAPER.exe", "make-photos.exe"]:
        failed.append(f"zip holds {names}")
    else:
        for packed, built in (("SV_WALLPAPER.exe", program), ("make-photos.exe", tool)):
            data = z.read(packed)
            mine, symbols = sections(data)
            theirs, _ = sections(open(built, "rb").read())
            if symbols or any(name.startswith(".debug") for name in mine):
                failed.append(f"{packed} is not stripped: {sorted(mine)}")
            if mine.get(".text") != theirs.get(".text"):
                failed.append(f"{packed}: its code is not the code built")
        size = z.getinfo("SV_WALLPAPER.exe").file_size
        if size >= 5 * 1024 * 1024:
            failed.append(f"SV_WALLPAPER.exe is {size} bytes, not under 5 MB")
        if z.read("Readme.txt") != open(guide_path, "rb").read():
            failed.append("the zip's guide is not the one beside the program")
guide = open(guide_path, "rb").read()
try:
    text = guide.decode("cp932")
except UnicodeDecodeError as error:
    failed.append(f"Readme.txt is not code page 932: {error}")
    text = ""
# Windows text: every line ends in CR LF (older notepads show a bare LF as nothing).
if guide.replace(b"\r\n", b"").count(b"\n") or guide.replace(b"\r\n", b"").count(b"\r") or not guide.endswith(b"\r\n"):
    failed.append("Readme.txt has lines that do not end in CR LF")
for needed in ("sv_", "HHMM", "_tmp.dat", "クリップボード", "別のフォルダを選択する", "壁紙更新時に音を鳴らす",
               "ユーザーズガイド", "ソフトウェア情報", "終了する", "make-photos.exe", "--check", "前の写真のまま"):
    if needed not in text:
        failed.append(f"Readme.txt does not mention {needed}")
for line in failed:
    print("FAIL", line)
print("ok   " + zip_path if not failed else f"{len(failed)} failed")
sys.exit(1 if failed else 0)
PY
