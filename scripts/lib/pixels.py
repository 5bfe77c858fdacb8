#!/usr/bin/env python3
"""Pixel checks on screenshots of the virtual desktop (any image ImageMagick reads).

  pixels.py match SHOT WIDTH HEIGHT PHOTO...
      Which photo the desktop shows as its wallpaper: each photo is centred on a
      WIDTH x HEIGHT desktop as the wallpaper is, and compared with the screenshot
      outside the bottom 40 rows (the taskbar). Prints the best photo and its mean
      difference per channel; exit 0 when that is below 6, else 1.
  pixels.py region SHOT X Y W H
      Prints the mean colour of the rectangle and how many distinct colours it holds.
  pixels.py differ A B X Y W H
      Prints the mean difference per channel of the rectangle in two images; exit 0
      when it is at least 10 (the rectangle changed), else 1.
"""
import subprocess
import sys

def rgb(path, width=None, height=None):
    """Raw RGB bytes and size of an image, optionally centred on a canvas of the size."""
    args = ["convert", path]
    if width:
        args += ["-background", "black", "-gravity", "center", "-extent", f"{width}x{height}"]
    size = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                          capture_output=True, text=True).stdout.split()
    data = subprocess.run(args + ["-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
    w, h = (width, height) if width else (int(size[0]), int(size[1]))
    return data, w, h

def mean_diff(a, b, w, x0, y0, x1, y1, step=3):
    total = 0
    count = 0
    for y in range(y0, y1, step):
        row = y * w * 3
        for x in range(x0, x1, step):
            i = row + x * 3
            total += abs(a[i] - b[i]) + abs(a[i + 1] - b[i + 1]) + abs(a[i + 2] - b[i + 2])
            count += 3
    return total / max(count, 1)

def match(shot, width, height, photos):
    screen, w, h = rgb(shot)
    if (w, h) != (width, height):
        print(f"screenshot is {w}x{h}, expected {width}x{height}")
        return 1
    best = None
    for photo in photos:
        data, _, _ = rgb(photo, width, height)
        d = mean_diff(screen, data, w, 0, 0, w, max(h - 40, 1))
        if best is None or d < best[1]:
            best = (photo, d)
    print(f"{best[0]} {best[1]:.2f}")
    return 0 if best[1] < 6 else 1

def region(shot, x, y, rw, rh):
    data, w, _ = rgb(shot)
    colours = set()
    sums = [0, 0, 0]
    for yy in range(y, y + rh):
        for xx in range(x, x + rw):
            i = (yy * w + xx) * 3
            c = (data[i], data[i + 1], data[i + 2])
            colours.add(c)
            for k in range(3):
                sums[k] += c[k]
    n = rw * rh
    print(f"mean {sums[0] // n} {sums[1] // n} {sums[2] // n} colours {len(colours)}")
    return 0

def differ(a, b, x, y, rw, rh):
    da, w, _ = rgb(a)
    db, _, _ = rgb(b)
    d = mean_diff(da, db, w, x, y, x + rw, y + rh, 1)
    print(f"{d:.2f}")
    return 0 if d >= 10 else 1

def main(argv):
    if len(argv) >= 5 and argv[1] == "match":
        return match(argv[2], int(argv[3]), int(argv[4]), argv[5:])
    if len(argv) == 7 and argv[1] == "region":
        return region(argv[2], *map(int, argv[3:7]))
    if len(argv) == 8 and argv[1] == "differ":
        return differ(argv[2], argv[3], *map(int, argv[4:8]))
    print(__doc__, file=sys.stderr)
    return 2

if __name__ == "__main__":
    sys.exit(main(sys.argv))
