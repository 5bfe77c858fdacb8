#!/usr/bin/env bash
# Makes the small JPEG files the graphics tests decode. Needs python3 and cjpeg
# (libjpeg-turbo-progs). Run from this folder; the outputs are committed.
set -euo pipefail
python3 - <<'PY'
# A colour picture: red rises to the right, green downwards, blue is constant;
# a gray picture of the same kind; a picture one row high.
def ppm(name, w, h, pixel):
    with open(name, "wb") as f:
        f.write(b"P6 %d %d 255\n" % (w, h))
        f.write(bytes(c for y in range(h) for x in range(w) for c in pixel(x, y)))
def pgm(name, w, h, value):
    with open(name, "wb") as f:
        f.write(b"P5 %d %d 255\n" % (w, h))
        f.write(bytes(value(x, y) for y in range(h) for x in range(w)))
ppm("color.ppm", 40, 30, lambda x, y: (x * 6, y * 8, 96))
pgm("gray.pgm", 40, 30, lambda x, y: (x * 3 + y * 4) % 256)
ppm("row.ppm", 33, 1, lambda x, y: (255, x * 7, 0))
PY
cjpeg -quality 90 -outfile color.jpg color.ppm
cjpeg -quality 90 -progressive -outfile progressive.jpg color.ppm
cjpeg -quality 90 -grayscale -outfile gray.jpg gray.pgm
cjpeg -quality 90 -outfile row.jpg row.ppm
rm -f color.ppm gray.pgm row.ppm
