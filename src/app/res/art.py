"""The drawing canvas and the icon and bitmap writers of make_art.py and make_menu_icons.py.

A picture is described once, in the units of its 16 x 16 (or 320 x 60) design, and drawn again at
every size: at the design's own size pixel by pixel as always; at larger sizes on a grid four
times finer, rectangles and frames snapped to whole pixels with strokes of whole pixels, discs and
hand-set pixel shapes with their edges averaged from that grid."""
import os
import struct

T = None  # transparent
SIZES = (16, 20, 24, 32, 48)  # 100 %, 125 %, 150 %, 200 %, 300 %
SUB = 4


class Canvas:
    def __init__(self, w, h, fill=T, scale=1):
        self.w, self.h, self.scale = w, h, scale
        self.k = 1 if scale == 1 else SUB
        self.pw, self.ph = self.edge(w), self.edge(h)
        self.gw, self.gh = self.pw * self.k, self.ph * self.k
        self.px = [[fill] * self.gw for _ in range(self.gh)]

    def edge(self, v):
        """A design coordinate as a whole pixel."""
        return int(v * self.scale + 0.5)

    def grid(self, v):
        """A design coordinate on the fine grid."""
        return int(v * self.scale * self.k + 0.5)

    def stroke(self):
        return max(1, int(self.scale + 0.5)) * self.k

    def fill(self, gx0, gy0, gx1, gy1, c):
        for y in range(max(0, gy0), min(self.gh, gy1)):
            row = self.px[y]
            for x in range(max(0, gx0), min(self.gw, gx1)):
                row[x] = c

    def set(self, x, y, c):
        self.fill(self.grid(x), self.grid(y), self.grid(x + 1), self.grid(y + 1), c)

    def rect(self, x0, y0, x1, y1, c):
        k = self.k
        self.fill(self.edge(x0) * k, self.edge(y0) * k, self.edge(x1 + 1) * k, self.edge(y1 + 1) * k, c)

    def frame(self, x0, y0, x1, y1, c):
        k, t = self.k, self.stroke()
        l, tp, r, b = self.edge(x0) * k, self.edge(y0) * k, self.edge(x1 + 1) * k, self.edge(y1 + 1) * k
        self.fill(l, tp, r, tp + t, c)
        self.fill(l, b - t, r, b, c)
        self.fill(l, tp, l + t, b, c)
        self.fill(r - t, tp, r, b, c)

    def disc(self, cx, cy, r, c, edge=None):
        f = self.scale * self.k
        gcx, gcy, gr = cx * f, cy * f, r * f
        ring = self.stroke() if self.k > 1 else 1
        for y in range(max(0, int(gcy - gr) - 1), min(self.gh, int(gcy + gr) + 2)):
            for x in range(max(0, int(gcx - gr) - 1), min(self.gw, int(gcx + gr) + 2)):
                d = ((x + 0.5 - gcx) ** 2 + (y + 0.5 - gcy) ** 2) ** 0.5
                if d <= gr:
                    self.px[y][x] = edge if (edge and d > gr - ring) else c

    def shade(self, fn):
        """Every point of the fine grid coloured by fn(x, y) in design units."""
        f = self.scale * self.k
        for y in range(self.gh):
            row = self.px[y]
            for x in range(self.gw):
                row[x] = fn((x + 0.5) / f - 0.5 / self.scale, (y + 0.5) / f - 0.5 / self.scale)

    def text(self, x, y, s, c, font, scale=1, rounded=False):
        """Letters of a pixel font, each cell a whole number of pixels."""
        v = self.scale * scale
        cell = max(1, int(v + 0.5) if rounded else int(v)) * self.k
        gx, gy = self.edge(x) * self.k, self.edge(y) * self.k
        for ch in s:
            glyph = font[ch]
            for ry, row in enumerate(glyph):
                for rx, bit in enumerate(row):
                    if bit == '1':
                        self.fill(gx + rx * cell, gy + ry * cell, gx + (rx + 1) * cell, gy + (ry + 1) * cell, c)
            gx += (len(glyph[0]) + 1) * cell

    def text_size(self, s, font, scale=1):
        cell = max(1, int(self.scale * scale))
        width = sum((len(font[ch][0]) + 1) * cell for ch in s) - cell
        return width, len(font[s[0]]) * cell

    def rows(self, x, y, pattern, colours):
        """pattern: strings whose characters index colours; '.' leaves the pixel alone."""
        for dy, row in enumerate(pattern):
            for dx, ch in enumerate(row):
                if ch != '.':
                    self.set(x + dx, y + dy, colours[ch])

    def paste(self, other, ox=0, oy=0):
        gx, gy = self.grid(ox), self.grid(oy)
        for y in range(other.gh):
            for x in range(other.gw):
                c = other.px[y][x]
                if c is not T and 0 <= gy + y < self.gh and 0 <= gx + x < self.gw:
                    self.px[gy + y][gx + x] = c

    def pixels(self):
        """Rows of (r, g, b, a) or T, at the canvas's pixel size."""
        if self.k == 1:
            return [[T if c is T else (c[0], c[1], c[2], 255) for c in row] for row in self.px]
        out, n = [], self.k * self.k
        for py in range(self.ph):
            row = []
            for px in range(self.pw):
                cs = [self.px[py * self.k + j][px * self.k + i] for j in range(self.k) for i in range(self.k)]
                cs = [c for c in cs if c is not T]
                if not cs:
                    row.append(T)
                    continue
                row.append(tuple(int(sum(c[i] for c in cs) / len(cs) + 0.5) for i in range(3)) +
                           (int(255 * len(cs) / n + 0.5),))
            out.append(row)
        return out


def dib(canvas, bpp):
    """The BITMAPINFOHEADER, palette, XOR and AND data of one icon image."""
    px = canvas.pixels()
    w, h = canvas.pw, canvas.ph
    colours = []
    if bpp <= 8:
        for row in px:
            for c in row:
                if c is not T and c[3] != 255:
                    raise SystemExit("a palette image cannot hold partly transparent pixels")
                if c is not T and c not in colours:
                    colours.append(c)
        if len(colours) > (1 << bpp) - 1:
            raise SystemExit("too many colours for %d bits" % bpp)
        colours = [(0, 0, 0, 255)] + colours
        colours += [(0, 0, 0, 255)] * ((1 << bpp) - len(colours))
    xor = bytearray()
    stride = ((w * bpp + 31) // 32) * 4
    for y in reversed(range(h)):
        row = bytearray()
        if bpp == 32:
            for c in px[y]:
                row += bytes((0, 0, 0, 0)) if c is T else bytes((c[2], c[1], c[0], c[3]))
        else:
            acc, n = 0, 0
            for c in px[y]:
                idx = 0 if c is T else colours.index(c, 1)
                acc = (acc << bpp) | idx
                n += bpp
                if n == 8:
                    row.append(acc)
                    acc, n = 0, 0
            if n:
                row.append(acc << (8 - n))
        row += bytes(stride - len(row))
        xor += row
    and_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(h)):
        row = bytearray(and_stride)
        for x, c in enumerate(px[y]):
            if c is T:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, bpp, 0, len(xor) + len(mask), 0, 0,
                         len(colours) if bpp <= 8 else 0, 0)
    palette = b''.join(bytes((c[2], c[1], c[0], 0)) for c in colours) if bpp <= 8 else b''
    return header + palette + bytes(xor) + bytes(mask)


def write_ico(folder, name, images):
    """images: list of (canvas, bpp)."""
    data = [dib(c, b) for c, b in images]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (c, b), d in zip(images, data):
        colours = (1 << b) if b <= 4 else 0
        out += struct.pack('<BBBBHHII', c.pw % 256, c.ph % 256, colours, 0, 1, b, len(d), offset)
        offset += len(d)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(out + b''.join(data))


def write_bmp(folder, name, canvas):
    px = canvas.pixels()
    w, h = canvas.pw, canvas.ph
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    for y in reversed(range(h)):
        row = bytearray()
        for c in px[y]:
            row += bytes((c[2], c[1], c[0]))
        pixels += row + bytes(stride - len(row))
    header = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(header + info + pixels)


def sizes(draw, small_bpp=(32,)):
    """Every size of one picture: the 16-pixel design at each of small_bpp, the others in 32 bits."""
    images = [(draw(1), b) for b in small_bpp]
    images += [(draw(s / 16.0), 32) for s in SIZES[1:]]
    return images
