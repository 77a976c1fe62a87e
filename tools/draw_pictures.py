#!/usr/bin/env python3
"""Draws the program's pictures as XPM files (16 colours, transparent), and
the desktop icons (PNG, 16 to 256 pixels) from the window icon.

Run from the repository root: python3 tools/draw_pictures.py
The files it writes under resources/pictures and resources/icons are
committed; the build does not run this script.
"""
import os
import struct
import zlib

PALETTE = {
    ' ': 'None', '.': '#000000', 'w': '#FFFFFF', 'g': '#808080', 'l': '#C0C0C0',
    'r': '#FF0000', 'R': '#800000', 'y': '#FFFF00', 'Y': '#808000', 'b': '#0000FF',
    'B': '#000080', 'p': '#800080', 'm': '#FF00FF', 'G': '#008000', 'c': '#00FFFF',
    'C': '#008080',
}

FONT = {  # 5 x 7
    'B': ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    'K': ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    'M': ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    'i': ["..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."],
    'x': [".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"],
    'e': [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    'd': ["....#", "....#", ".####", "#...#", "#...#", "#...#", ".####"],
    '?': [".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."],
}


class Canvas:
    def __init__(self, w=32, h=32):
        self.w, self.h = w, h
        self.px = [[' '] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def box(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.set(x, y0, c); self.set(x, y1, c)
        for y in range(y0, y1 + 1):
            self.set(x0, y, c); self.set(x1, y, c)

    def line(self, x0, y0, x1, y1, c, t=1):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            for ox in range(t):
                for oy in range(t):
                    self.set(x0 + ox, y0 + oy, c)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy; x0 += sx
            if e2 <= dx:
                err += dx; y0 += sy

    def disc(self, cx, cy, r, c):
        for y in range(self.h):
            for x in range(self.w):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.set(x, y, c)

    def ring(self, cx, cy, r, c, t=1):
        for y in range(self.h):
            for x in range(self.w):
                d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
                if r - t < d <= r:
                    self.set(x, y, c)

    def poly(self, pts, c):
        ys = [p[1] for p in pts]
        for y in range(min(ys), max(ys) + 1):
            xs = []
            n = len(pts)
            for i in range(n):
                (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % n]
                if (y0 <= y < y1) or (y1 <= y < y0):
                    xs.append(x0 + (y - y0) * (x1 - x0) / (y1 - y0))
            xs.sort()
            for a, b in zip(xs[::2], xs[1::2]):
                for x in range(int(round(a)), int(round(b)) + 1):
                    self.set(x, y, c)

    def text(self, s, x, y, c, sx=1, sy=1, gap=1):
        for ch in s:
            for row, bits in enumerate(FONT[ch]):
                for col, b in enumerate(bits):
                    if b == '#':
                        self.fill(x + col * sx, y + row * sy, x + col * sx + sx - 1, y + row * sy + sy - 1, c)
            x += 5 * sx + gap

    def xpm(self, name):
        used = sorted({c for row in self.px for c in row})
        lines = ['/* XPM */', 'static const char *%s[] = {' % name,
                 '"%d %d %d 1",' % (self.w, self.h, len(used))]
        lines += ['"%s c %s",' % (c, PALETTE[c]) for c in used]
        lines += ['"%s",' % ''.join(row) for row in self.px]
        lines[-1] = lines[-1].rstrip(',')
        lines.append('};')
        return '\n'.join(lines) + '\n'

    def rgba(self, x, y):
        c = PALETTE[self.px[y][x]]
        if c == 'None':
            return (0, 0, 0, 0)
        return (int(c[1:3], 16), int(c[3:5], 16), int(c[5:7], 16), 255)

    def png(self, size):
        """The picture at size x size: each output pixel averages the source
        pixels it covers (colours weighted by their opacity), so 256 stays
        crisp and 16 stays legible."""
        rows = []
        for oy in range(size):
            row = bytearray([0])  # no filter
            for ox in range(size):
                x0, x1 = ox * self.w / size, (ox + 1) * self.w / size
                y0, y1 = oy * self.h / size, (oy + 1) * self.h / size
                acc = [0.0, 0.0, 0.0, 0.0]
                total = 0.0
                for sy in range(int(y0), min(self.h, int(-(-y1 // 1)))):
                    for sx in range(int(x0), min(self.w, int(-(-x1 // 1)))):
                        wgt = (min(x1, sx + 1) - max(x0, sx)) * (min(y1, sy + 1) - max(y0, sy))
                        if wgt <= 0:
                            continue
                        r, g, b, a = self.rgba(sx, sy)
                        acc[0] += r * a * wgt; acc[1] += g * a * wgt; acc[2] += b * a * wgt
                        acc[3] += a * wgt
                        total += wgt
                alpha = acc[3] / total if total else 0
                if acc[3]:
                    row += bytes([round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]),
                                  round(alpha)])
                else:
                    row += bytes([0, 0, 0, 0])
            rows.append(bytes(row))

        def chunk(kind, data):
            return (struct.pack('>I', len(data)) + kind + data
                    + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))
        header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
        return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header)
                + chunk(b'IDAT', zlib.compress(b''.join(rows), 9)) + chunk(b'IEND', b''))


def page(c, x0, y0, x1, y1, lines=False):
    c.fill(x0, y0, x1, y1, 'w')
    c.box(x0, y0, x1, y1, '.')
    # folded corner
    for i in range(5):
        for j in range(5 - i):
            c.set(x1 - j, y0 + i, ' ')
    c.line(x1 - 5, y0, x1, y0 + 5, '.')
    c.line(x1 - 5, y0, x1 - 5, y0 + 5, '.')
    c.line(x1 - 5, y0 + 5, x1, y0 + 5, '.')
    if lines:
        for y in range(y0 + 8, y1 - 2, 3):
            c.line(x0 + 3, y, x1 - 3, y, 'B')


def arrow_right(c, x0, y, x1, col='r', out='R'):
    c.fill(x0, y - 2, x1 - 6, y + 2, col)
    c.poly([(x1 - 7, y - 7), (x1, y), (x1 - 7, y + 7)], col)
    c.line(x0, y - 3, x1 - 7, y - 3, out)
    c.line(x0, y + 3, x1 - 7, y + 3, out)
    c.line(x1 - 7, y - 7, x1, y, out)
    c.line(x1, y, x1 - 7, y + 7, out)
    c.line(x0, y - 3, x0, y + 3, out)


def folder(c, x0, y0, x1, y1):
    c.fill(x0, y0, x0 + 9, y0 + 3, 'y')
    c.box(x0, y0, x0 + 9, y0 + 3, 'Y')
    c.fill(x0, y0 + 3, x1, y1, 'y')
    c.box(x0, y0 + 3, x1, y1, 'Y')
    c.line(x0 + 1, y0 + 6, x1 - 1, y0 + 6, 'Y')


def draw():
    pics = {}

    c = Canvas()  # 1 a stack of blank pages
    page(c, 11, 2, 28, 24); page(c, 7, 5, 24, 27); page(c, 3, 8, 20, 30)
    pics[1] = c

    c = Canvas()  # 2 a page with a red arrow pointing right
    page(c, 3, 2, 21, 29, lines=True); arrow_right(c, 10, 18, 31)
    pics[2] = c

    c = Canvas()  # 3 a yellow folder with a red arrow pointing right
    folder(c, 1, 6, 24, 27); arrow_right(c, 10, 19, 31)
    pics[3] = c

    c = Canvas()  # 4 a written page with an eraser
    page(c, 3, 2, 22, 29, lines=True)
    c.poly([(14, 24), (24, 14), (31, 21), (21, 31)], 'm')
    c.poly([(14, 24), (18, 20), (25, 27), (21, 31)], 'l')
    c.line(14, 24, 24, 14, '.'); c.line(24, 14, 31, 21, '.'); c.line(31, 21, 21, 31, '.')
    c.line(21, 31, 14, 24, '.'); c.line(18, 20, 25, 27, '.')
    pics[4] = c

    c = Canvas()  # 5 a floppy disk with an arrow pointing into it
    c.fill(4, 10, 29, 31, 'B'); c.box(4, 10, 29, 31, '.')
    c.fill(9, 10, 23, 17, 'l'); c.fill(18, 11, 21, 16, 'B')
    c.fill(8, 21, 25, 30, 'w'); c.box(8, 21, 25, 30, '.')
    c.line(10, 24, 23, 24, 'g'); c.line(10, 27, 23, 27, 'g')
    c.fill(14, 0, 18, 6, 'r'); c.poly([(10, 6), (22, 6), (16, 12)], 'r')
    c.line(10, 6, 16, 12, 'R'); c.line(22, 6, 16, 12, 'R'); c.box(14, 0, 18, 6, 'R')
    pics[5] = c

    c = Canvas()  # 6 a yellow folder with tools
    folder(c, 1, 8, 26, 30)
    c.line(12, 27, 27, 6, 'g', 2); c.ring(27, 5, 4, 'g', 2); c.set(29, 2, ' '); c.set(30, 3, ' ')
    c.line(30, 26, 18, 10, 'C', 2); c.fill(28, 25, 31, 30, 'R')
    pics[6] = c

    c = Canvas()  # 7 a purple book with a question mark
    c.fill(6, 2, 27, 29, 'p'); c.box(6, 2, 27, 29, '.')
    c.fill(6, 27, 27, 30, 'w'); c.box(6, 27, 27, 31, '.')
    c.line(9, 2, 9, 27, 'm')
    c.text('?', 12, 7, 'y', 2, 2, 0)
    pics[7] = c

    c = Canvas()  # 8 a red circle with a yellow cross
    c.disc(15.5, 15.5, 15, 'r'); c.ring(15.5, 15.5, 15.5, 'R', 1.2)
    c.line(8, 8, 22, 22, 'y', 3); c.line(22, 8, 8, 22, 'y', 3)
    pics[8] = c

    c = Canvas()  # 9 written pages with a pen
    page(c, 9, 1, 27, 24, lines=True); page(c, 3, 6, 21, 30, lines=True)
    c.line(30, 12, 16, 26, 'B', 3); c.line(16, 26, 13, 29, '.', 1); c.fill(29, 10, 31, 13, 'r')
    pics[9] = c

    c = Canvas(); c.text('B', 9, 5, 'B', 3, 3)  # 10 the letter B
    pics[10] = c
    c = Canvas(); c.text('KB', 4, 9, 'B', 2, 2, 2)  # 11 the letters KB
    pics[11] = c
    c = Canvas(); c.text('MB', 4, 9, 'B', 2, 2, 2)  # 12 the letters MB
    pics[12] = c
    c = Canvas(); c.text('Mixed', 1, 9, 'B', 1, 2, 1)  # 13 the word Mixed
    pics[13] = c

    # The window icon: a magnifying glass over a written page.
    c = Canvas()
    page(c, 3, 1, 22, 28, lines=True)
    c.disc(19, 17, 7, 'c'); c.ring(19, 17, 8, '.', 2)
    c.line(24, 23, 30, 29, 'R', 3)
    pics['quilnaver'] = c

    # The about box: two magnifying glasses.
    c = Canvas(75, 88)
    for (cx, cy, r) in ((28, 28, 20), (48, 56, 17)):
        c.disc(cx, cy, r, 'c'); c.disc(cx - r // 3, cy - r // 3, r // 4, 'w')
        c.ring(cx, cy, r + 1, 'g', 4); c.ring(cx, cy, r + 2, '.', 1)
    c.line(42, 42, 48, 48, 'R', 5)
    c.line(60, 68, 72, 84, 'R', 5)
    pics['about'] = c
    return pics


def main():
    root = os.path.join(os.path.dirname(__file__), '..', 'resources')
    out = os.path.join(root, 'pictures')
    os.makedirs(out, exist_ok=True)
    pics = draw()
    for key, canvas in pics.items():
        name = '%02d' % key if isinstance(key, int) else key
        with open(os.path.join(out, name + '.xpm'), 'w') as f:
            f.write(canvas.xpm('picture_' + name))
    icons = os.path.join(root, 'icons')
    os.makedirs(icons, exist_ok=True)
    for size in (16, 32, 48, 256):
        with open(os.path.join(icons, 'quilnaver-%d.png' % size), 'wb') as f:
            f.write(pics['quilnaver'].png(size))


if __name__ == '__main__':
    main()
