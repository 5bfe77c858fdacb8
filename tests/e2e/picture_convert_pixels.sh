#!/usr/bin/env bash
# The wallpaper conversion decodes photos exactly as the JPEG library's own djpeg
# does: for JPEG files of several kinds (baseline 4:2:0, 4:2:2 and 4:4:4,
# progressive, grayscale, restart markers, odd and tiny sizes), the BMP file that
# picture-convert writes after the trip through the clipboard equals djpeg's BMP
# pixel for pixel, and it is a 32-bit bitmap (the screen-compatible format of a
# 24-bit X screen). Grayscale photos decode to 8-bit bitmaps through the library's
# colour quantisation with 236 levels, so their reference is djpeg -colors 236.
#
# Argument: the program's path (its folder is the build folder). Needs DISPLAY and
# the Wine environment that scripts/test sets up.
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$(dirname "$1")" && pwd)
convert_tool=picture-convert.exe
tool="$build/tools/picture-convert/$convert_tool"
[ -f "$tool" ] || { echo "missing $tool"; exit 1; }
magick=/usr/bin/convert
[ -x "$magick" ] || magick=convert

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Source images with edges, gradients and fine detail, so that chroma upsampling,
# the inverse DCT and the colour conversion all show in the pixels.
python3 - "$work" <<'PY'
import sys, math
out = sys.argv[1]
def rgb(w, h, name):
    rows = bytearray()
    for y in range(h):
        for x in range(w):
            r = (x * 255 // max(w - 1, 1)) ^ (y * 37 & 0xFF)
            g = int(127 + 127 * math.sin(x / 3.0 + y / 5.0))
            b = 255 if (x // 7 + y // 5) % 2 else (x * y) & 0xFF
            rows += bytes((r & 0xFF, g & 0xFF, b))
    open(f"{out}/{name}.ppm", "wb").write(b"P6\n%d %d\n255\n" % (w, h) + rows)
for w, h in ((97, 61), (1, 1), (17, 3), (640, 480), (33, 130)):
    rgb(w, h, f"src_{w}x{h}")
PY

make() { # name source cjpeg-options...
    local name=$1 source=$2; shift 2
    cjpeg "$@" -outfile "$work/$name.jpg" "$work/$source.ppm"
}
make base420      src_97x61   -quality 85 -sample 2x2
make base444      src_97x61   -quality 92 -sample 1x1
make base422      src_33x130  -quality 75 -sample 2x1
make progressive  src_640x480 -quality 80 -progressive
make gray         src_97x61   -quality 90 -grayscale
make graylarge    src_640x480 -grayscale -progressive
make restart      src_640x480 -quality 88 -restart 1
make restartB     src_97x61   -sample 1x1 -restart 3B
make optimized    src_33x130  -optimize -quality 60
make tiny         src_1x1     -sample 2x2
make thin         src_17x3    -sample 2x2
make tinygray     src_1x1     -grayscale

failed=0
count=0
for jpg in "$work"/*.jpg; do
    name=$(basename "$jpg" .jpg)
    count=$((count + 1))
    case $name in
        *gray*) djpeg -colors 236 -bmp -outfile "$work/$name.ref.bmp" "$jpg" ;;
        *) djpeg -bmp -outfile "$work/$name.ref.bmp" "$jpg" ;;
    esac
    if ! "$top/scripts/wine-run" "$tool" "$jpg" "$work/$name.out.bmp" >"$work/$name.log" 2>&1 </dev/null; then
        echo "FAIL $name: picture-convert failed: $(cat "$work/$name.log")"
        failed=$((failed + 1))
        continue
    fi
    bits=$(python3 -c 'import sys; d=open(sys.argv[1],"rb").read(30); print(d[0:2]==b"BM" and int.from_bytes(d[28:30],"little"))' "$work/$name.out.bmp")
    if [ "$bits" != 32 ]; then
        echo "FAIL $name: written bitmap has $bits bits per pixel, not 32"
        failed=$((failed + 1))
        continue
    fi
    "$magick" "$work/$name.ref.bmp" -depth 8 "rgb:$work/$name.ref.rgb"
    "$magick" "$work/$name.out.bmp" -depth 8 "rgb:$work/$name.out.rgb"
    refsize=$(identify -format '%wx%h' "$work/$name.ref.bmp")
    outsize=$(identify -format '%wx%h' "$work/$name.out.bmp")
    if [ "$refsize" != "$outsize" ]; then
        echo "FAIL $name: size $outsize, djpeg $refsize"
        failed=$((failed + 1))
    elif ! cmp -s "$work/$name.ref.rgb" "$work/$name.out.rgb"; then
        diffs=$(compare -metric AE "$work/$name.ref.bmp" "$work/$name.out.bmp" null: 2>&1 || true)
        echo "FAIL $name: $diffs pixels differ from djpeg"
        failed=$((failed + 1))
    else
        echo "ok   $name ($outsize)"
    fi
done
# Failures: the error box's text (code page 932, "." appended) on stderr, exit 1,
# nothing written.
expect_error() { # expected-text arguments...
    local expected=$1 status=0; shift
    count=$((count + 1))
    "$top/scripts/wine-run" "$tool" "$@" >"$work/err.out" 2>"$work/err.txt" </dev/null || status=$?
    local text
    text=$(iconv -f CP932 -t UTF-8 "$work/err.txt" | tr -d '\r')
    if [ "$status" -ne 1 ] || [ "$text" != "$expected" ] || [ -e "$work/never.bmp" ]; then
        echo "FAIL error case $*: exit $status, stderr '$text', expected '$expected'"
        failed=$((failed + 1))
    else
        echo "ok   error: $text"
    fi
}
cp "$work/base420.jpg" "$work/photo.gif"
expect_error "拡張子 .gif の画像形式は処理できません." "$work/photo.gif" "$work/never.bmp"
: >"$work/empty.jpg"
expect_error "JPEG エラー #42." "$work/empty.jpg" "$work/never.bmp"

echo "$((count - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
