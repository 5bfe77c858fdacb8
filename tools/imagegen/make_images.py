#!/usr/bin/env python3
"""Draws the program's own images and writes them as ICO, CUR and BMP files.

Output (into the folder given as the only argument):
  tray.ico          the tray icon: one 32 x 32 entry, 8 bits per pixel (2238 bytes)
  mainicon.ico      the application icon: 32 x 32 and 16 x 16 entries, 8 bits per pixel
  logo.bmp          the maker's logo of the about window: 200 x 54, 8 bits, 256 colours
  badge.bmp         the product badge of the about window: 140 x 140, 8 bits, 64 colours
  executable.bmp, closedfolder.bmp, unknownfile.bmp
                    the file list's glyphs: 16 x 16, 4 bits, 16 colours
  cur32761.cur ... cur32767.cur, cur16548.cur
                    the cursors of the screen's cursor table and the library's cursor
Everything is drawn from code, so the output is the same on every run.
"""
import math
import os
import struct
import sys


def row_bytes(width, bits):
    return ((width * bits + 31) // 32) * 4


def pack_rows(pixels, width, height, bits):
    """Bottom-up rows of palette indices (or mask bits) padded to 4 bytes."""
    out = bytearray()
    stride = row_bytes(width, bits)
    for y in range(height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(width):
            v = pixels[y][x]
            if bits == 8:
                row[x] = v
            elif bits == 4:
                row[x // 2] |= (v & 15) << (4 if x % 2 == 0 else 0)
            elif bits == 1:
                if v:
                    row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def info_header(width, height, bits, colours, image_size):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, image_size, 0, 0, colours, 0)


def palette_bytes(palette):
    return b''.join(struct.pack('BBBB', b, g, r, 0) for (r, g, b) in palette)


def bmp_file(pixels, width, height, bits, palette):
    rows = pack_rows(pixels, width, height, bits)
    header = info_header(width, height, bits, len(palette), len(rows)) + palette_bytes(palette)
    offset = 14 + len(header)
    return b'BM' + struct.pack('<IHHI', offset + len(rows), 0, 0, offset) + header + rows


def icon_image(pixels, mask, size, bits, palette):
    colours = 1 << bits
    pal = list(palette) + [(0, 0, 0)] * (colours - len(palette))
    xor = pack_rows(pixels, size, size, bits)
    andm = pack_rows(mask, size, size, 1)
    return info_header(size, size * 2, bits, 0, len(xor) + len(andm)) + palette_bytes(pal) + xor + andm


def ico_file(images, kind=1, hotspots=None):
    """images: list of (size, colour count byte, bits, image bytes)."""
    out = struct.pack('<HHH', 0, kind, len(images))
    offset = 6 + 16 * len(images)
    data = b''
    for i, (size, ccount, bits, image) in enumerate(images):
        if kind == 2:
            hx, hy = hotspots[i]
            out += struct.pack('<BBBBHHII', size, size, ccount, 0, hx, hy, len(image), offset + len(data))
        else:
            out += struct.pack('<BBBBHHII', size, size, ccount, 0, 1, bits, len(image), offset + len(data))
        data += image
    return out + data


# ---- shared drawing helpers ---------------------------------------------------

def canvas(width, height, value=0):
    return [[value] * width for _ in range(height)]


def fill_rect(px, x0, y0, x1, y1, v):
    for y in range(max(0, y0), min(len(px), y1)):
        for x in range(max(0, x0), min(len(px[0]), x1)):
            px[y][x] = v


def line(px, x0, y0, x1, y1, v, thick=1):
    steps = max(abs(x1 - x0), abs(y1 - y0), 1) * 2
    for i in range(steps + 1):
        x = x0 + (x1 - x0) * i / steps
        y = y0 + (y1 - y0) * i / steps
        fill_rect(px, int(round(x - thick / 2)), int(round(y - thick / 2)),
                  int(round(x - thick / 2)) + thick, int(round(y - thick / 2)) + thick, v)


# 5 x 7 letters for the word marks.
FONT = {
    'S': ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    'V': ["10001", "10001", "10001", "10001", "01010", "01010", "00100"],
    'W': ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    'L': ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    'P': ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'I': ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    'K': ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    'C': ["01111", "10000", "10000", "10000", "10000", "10000", "01111"],
    'T': ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    '_': ["00000", "00000", "00000", "00000", "00000", "00000", "11111"],
    ' ': ["00000"] * 7,
}


def text(px, x, y, word, scale, v):
    for ch in word:
        glyph = FONT[ch]
        for gy, bits in enumerate(glyph):
            for gx, b in enumerate(bits):
                if b == '1':
                    fill_rect(px, x + gx * scale, y + gy * scale, x + (gx + 1) * scale, y + (gy + 1) * scale, v)
        x += 6 * scale


# ---- the images -------------------------------------------------------------

def clock_picture(size):
    """A framed landscape photo with clock hands: the tray and application icon."""
    pal = [(0, 0, 0), (255, 255, 255), (40, 70, 150), (90, 150, 230), (150, 200, 250),
           (40, 120, 50), (80, 170, 70), (250, 210, 60), (200, 60, 40), (128, 128, 128)]
    # a sky gradient in the remaining entries
    for i in range(246):
        t = i / 245
        pal.append((int(90 + 140 * t), int(150 + 90 * t), int(230 + 25 * t)))
    px = canvas(size, size, 0)
    mask = canvas(size, size, 1)
    s = size / 32
    m = max(1, int(2 * s))
    for y in range(m, size - m):
        for x in range(m, size - m):
            mask[y][x] = 0
            t = (y - m) / max(1, size - 2 * m - 1)
            px[y][x] = 10 + int(t * 245)
    # hills
    for x in range(m, size - m):
        h = int(size * 0.62 + math.sin(x / size * 6.0) * size * 0.08)
        for y in range(h, size - m):
            px[y][x] = 5 if (x + y) % 5 else 6
    # sun
    cx, cy, r = size * 0.72, size * 0.3, size * 0.12
    for y in range(size):
        for x in range(size):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r and not mask[y][x]:
                px[y][x] = 7
    # frame
    for i in range(m):
        for k in range(size):
            for (xx, yy) in ((k, i), (k, size - 1 - i), (i, k), (size - 1 - i, k)):
                px[yy][xx] = 9
                mask[yy][xx] = 0
    # clock hands from the centre
    c = size // 2
    line(px, c, c, c, int(c - size * 0.3), 1, max(1, int(2 * s)))
    line(px, c, c, int(c + size * 0.22), c, 8, max(1, int(2 * s)))
    return px, mask, pal


def tray_icon():
    px, mask, pal = clock_picture(32)
    return ico_file([(32, 0, 8, icon_image(px, mask, 32, 8, pal))])


def main_icon():
    entries = []
    for size in (32, 16):
        px, mask, pal = clock_picture(size)
        entries.append((size, 0, 8, icon_image(px, mask, size, 8, pal)))
    return ico_file(entries)


def logo():
    w, h = 200, 54
    pal = []
    for i in range(256):  # a blue ramp then a warm ramp
        if i < 128:
            t = i / 127
            pal.append((int(20 + 60 * t), int(40 + 120 * t), int(90 + 160 * t)))
        else:
            t = (i - 128) / 127
            pal.append((255, int(255 - 120 * t), int(255 - 235 * t)))
    px = canvas(w, h)
    for y in range(h):
        for x in range(w):
            px[y][x] = 128 + int((x / (w - 1)) * 20)  # pale background
    text(px, 8, 8, "SV", 5, 10)
    for y in range(6, 48):
        fill_rect(px, 72, y, 74, y + 1, 60)
    text(px, 82, 14, "WALLPAPER", 2, 40)
    text(px, 82, 32, "CLOCK", 2, 255)
    return bmp_file(px, w, h, 8, pal)


def badge():
    size = 140
    pal = []
    for i in range(64):
        t = i / 63
        pal.append((int(255 * t), int(120 + 100 * t), int(60 + 195 * (1 - t))))
    pal[0] = (255, 255, 255)
    px = canvas(size, size, 0)
    c = (size - 1) / 2
    for y in range(size):
        for x in range(size):
            d = math.hypot(x - c, y - c)
            if d < 66:
                ring = int(d / 66 * 40)
                px[y][x] = 10 + (ring if int(d) % 12 > 1 else 50 - ring // 2)
    text(px, 37, 52, "SV", 6, 63)
    return bmp_file(px, size, size, 8, pal)


def glyph(kind):
    pal = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
    px = canvas(16, 16, 13)  # magenta corner pixel: the transparent colour
    if kind == 'folder':
        fill_rect(px, 1, 3, 7, 5, 3)
        fill_rect(px, 1, 5, 15, 14, 11)
        for x in range(1, 15):
            px[13][x] = 3
        for y in range(5, 14):
            px[y][1] = 3
            px[y][14] = 3
    elif kind == 'exe':
        fill_rect(px, 1, 2, 15, 14, 7)
        fill_rect(px, 1, 2, 15, 4, 4)
        for x in range(1, 15):
            px[13][x] = 8
        fill_rect(px, 3, 6, 13, 12, 15)
    else:
        fill_rect(px, 3, 1, 13, 15, 15)
        for y in range(1, 15):
            px[y][3] = 8
            px[y][12] = 8
        for x in range(3, 13):
            px[1][x] = 8
            px[14][x] = 8
        for y in (4, 6, 8, 10):
            fill_rect(px, 5, y, 11, y + 1, 8)
    return bmp_file(px, 16, 16, 4, pal)


def cursor(shape):
    """A 32 x 32 monochrome cursor: 0 white, 1 black, None transparent."""
    img = canvas(32, 32, None)

    def put(x, y, v):
        if 0 <= x < 32 and 0 <= y < 32:
            img[y][x] = v

    def outlined(points):
        for (x, y) in points:
            for dx in (-1, 0, 1):
                for dy in (-1, 0, 1):
                    if img[y + dy][x + dx] is None if 0 <= y + dy < 32 and 0 <= x + dx < 32 else False:
                        put(x + dx, y + dy, 1)
        for (x, y) in points:
            put(x, y, 0)

    hot = (0, 0)
    if shape == 'hand':
        pts = set()
        for y in range(1, 10):          # pointing finger
            for x in range(6, 9):
                pts.add((x, y))
        for y in range(9, 22):          # palm
            for x in range(3 + max(0, 9 - y) if y < 12 else 3, 17):
                pts.add((x, y))
        for x in range(9, 17, 3):       # the other fingers' knuckles
            for y in range(7, 9):
                pts.add((x, y))
                pts.add((x + 1, y))
        outlined(sorted(pts))
        hot = (7, 1)
    elif shape in ('hsplit', 'vsplit'):
        pts = set()
        for i in range(2, 30):
            for k in (14, 17):
                pts.add((k, i) if shape == 'hsplit' else (i, k))
        for i in range(5):
            for k in range(-i, i + 1):
                if shape == 'hsplit':
                    pts.add((7 + i, 15 + k)); pts.add((24 - i, 15 + k))
                else:
                    pts.add((15 + k, 7 + i)); pts.add((15 + k, 24 - i))
        outlined(sorted(pts))
        hot = (15, 15)
    else:
        # an arrow, with a mark beside it that tells the cursors apart
        pts = set()
        for y in range(0, 16):
            for x in range(0, y // 2 + 1 if y < 12 else max(0, 15 - y)):
                pts.add((x, y))
        for y in range(10, 18):
            pts.add((4 + (y - 10) // 2, y))
            pts.add((5 + (y - 10) // 2, y))
        outlined(sorted(pts))
        if shape == 'drag' or shape == 'multidrag':
            for (x0, y0) in ((10, 18),) + (((14, 22),) if shape == 'multidrag' else ()):
                for i in range(9):
                    put(x0 + i, y0, 1); put(x0 + i, y0 + 7, 1)
                for i in range(8):
                    put(x0, y0 + i, 1); put(x0 + 8, y0 + i, 1)
                for y in range(y0 + 1, y0 + 7):
                    for x in range(x0 + 1, x0 + 8):
                        put(x, y, 0)
        elif shape == 'nodrop':
            for a in range(0, 360, 3):
                for r in (6, 7):
                    put(int(20 + r * math.cos(math.radians(a))), int(22 + r * math.sin(math.radians(a))), 1)
            line(img, 15, 17, 25, 27, 1)
        elif shape == 'sqlwait':
            fill_rect(img, 12, 16, 26, 30, 1)
            fill_rect(img, 14, 18, 24, 28, 0)
            text(img, 15, 20, "S", 1, 1)
        elif shape == 'library':
            for a in range(0, 360, 4):
                put(int(21 + 7 * math.cos(math.radians(a))), int(22 + 7 * math.sin(math.radians(a))), 1)
            line(img, 21, 22, 21, 17, 1)
            line(img, 21, 22, 25, 22, 1)
        hot = (0, 0)
    colour = [[0 if v == 1 else (1 if v == 0 else 0) for v in row] for row in img]
    mask = [[1 if v is None else 0 for v in row] for row in img]
    pal = [(0, 0, 0), (255, 255, 255)]
    xor = pack_rows(colour, 32, 32, 1)
    andm = pack_rows(mask, 32, 32, 1)
    image = info_header(32, 64, 1, 0, len(xor) + len(andm)) + palette_bytes(pal) + xor + andm
    return ico_file([(32, 2, 1, image)], kind=2, hotspots=[hot])


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_images.py OUTPUT_FOLDER")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    files = {
        'tray.ico': tray_icon(),
        'mainicon.ico': main_icon(),
        'logo.bmp': logo(),
        'badge.bmp': badge(),
        'executable.bmp': glyph('exe'),
        'closedfolder.bmp': glyph('folder'),
        'unknownfile.bmp': glyph('file'),
        'cur32761.cur': cursor('hand'),
        'cur32762.cur': cursor('sqlwait'),
        'cur32763.cur': cursor('multidrag'),
        'cur32764.cur': cursor('vsplit'),
        'cur32765.cur': cursor('hsplit'),
        'cur32766.cur': cursor('nodrop'),
        'cur32767.cur': cursor('drag'),
        'cur16548.cur': cursor('library'),
    }
    sizes = {'tray.ico': 2238, 'logo.bmp': 11878, 'badge.bmp': 19910}
    for name, data in files.items():
        if name in sizes and len(data) != sizes[name]:
            sys.exit(f"{name}: {len(data)} bytes, expected {sizes[name]}")
        path = os.path.join(out, name)
        try:
            with open(path, 'rb') as f:
                if f.read() == data:
                    continue  # unchanged: keep the time stamp
        except OSError:
            pass
        with open(path, 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
