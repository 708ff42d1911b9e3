#!/usr/bin/env python3
# Draws the panel's own bitmaps beside this script and the shipped textures in ../Background:
#   logo (190x60), ZOOMIN and ZOOMOUT (16x16): 16 colours; fuchsia, the colour of the bottom-left
#     pixel, is the transparent colour, as these pictures are drawn transparent;
#   yellowico and redico (27x27) and defflag (35x22): 16 colours, opaque;
#   Language/*.flg (35x22): 24-bit flags of the shipped translations, in the flags' own colours;
#   Background/*.bmp: 24-bit textures. A texture repeats every width - 1 by height - 1 pixels (its
#     last column and row are never shown), so each is drawn with that period and its last column
#     and row repeat its first ones.
# The output is committed; run this again after changing a picture. Same output on every run.
import math
import os
import random
import struct

# The 16 colours of the standard palette.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER, GRAY, RED, LIME, YELLOW, BLUE, FUCHSIA, \
    AQUA, WHITE = range(16)


def write_bmp4(path, pixels):
    """pixels: rows top to bottom of palette indices."""
    height, width = len(pixels), len(pixels[0])
    row_bytes = ((width + 1) // 2 + 3) // 4 * 4
    data = bytearray()
    for row in reversed(pixels):  # BMP rows run from the bottom up
        line = bytearray()
        for x in range(0, width, 2):
            hi = row[x]
            lo = row[x + 1] if x + 1 < width else 0
            line.append(hi << 4 | lo)
        line += bytes(row_bytes - len(line))
        data += line
    palette = b''.join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    file_header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    info_header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(data), 2835, 2835, 16, 16)
    with open(path, 'wb') as f:
        f.write(file_header + info_header + palette + data)


def write_bmp24(path, pixels):
    """pixels: rows top to bottom of (r, g, b)."""
    height, width = len(pixels), len(pixels[0])
    row_bytes = (width * 3 + 3) // 4 * 4
    data = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(row_bytes - len(line))
        data += line
    offset = 14 + 40
    file_header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    info_header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(file_header + info_header + data)


def canvas(width, height, colour):
    return [[colour] * width for _ in range(height)]


def fill_rect(pic, x0, y0, x1, y1, colour):
    """Inclusive corners."""
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            pic[y][x] = colour


def frame_rect(pic, x0, y0, x1, y1, colour):
    for x in range(x0, x1 + 1):
        pic[y0][x] = pic[y1][x] = colour
    for y in range(y0, y1 + 1):
        pic[y][x0] = pic[y][x1] = colour


# ---------------------------------------------------------------- the English flag, 35 x 22
def defflag():
    w, h = 35, 22
    pic = canvas(w, h, NAVY)
    norm = math.hypot(w - 1, h - 1)
    for y in range(h):
        for x in range(w):
            d1 = abs((h - 1) * x - (w - 1) * y) / norm
            d2 = abs((h - 1) * (w - 1 - x) - (w - 1) * y) / norm
            d = min(d1, d2)
            if d < 2.3:
                pic[y][x] = WHITE
            if d < 0.8:
                pic[y][x] = RED
    for y in range(h):
        for x in range(w):
            if abs(x - 17) <= 3 or abs(y - 10.5) <= 3.5:
                pic[y][x] = WHITE
            if abs(x - 17) <= 1 or abs(y - 10.5) <= 1.5:
                pic[y][x] = RED
    return pic


def tricolour(stripes):
    """A flag of three horizontal stripes, 35 x 22: 7, 8 and 7 rows high."""
    w, h = 35, 22
    heights = [7, 8, 7]
    pic = []
    for colour, rows in zip(stripes, heights):
        pic += [[colour] * w for _ in range(rows)]
    assert len(pic) == h
    return pic


def hungarian_flag():
    return tricolour([(205, 42, 62), (255, 255, 255), (67, 111, 77)])


def german_flag():
    return tricolour([(0, 0, 0), (221, 0, 0), (255, 206, 0)])


# ---------------------------------------------------------------- status lights, 27 x 27
def status_light(light, shade):
    size = 27
    pic = canvas(size, size, SILVER)
    c = 13.0
    for y in range(size):
        for x in range(size):
            r = math.hypot(x - c, y - c)
            if r <= 11.5:
                # Lit from the upper left: the lower right crescent is the darker tone.
                lit = math.hypot(x - (c - 2.5), y - (c - 2.5))
                pic[y][x] = light if lit <= 9.5 else shade
            if 10.6 < r <= 11.8:
                pic[y][x] = GRAY if (x + y) < 2 * c else BLACK
            if math.hypot(x - 9, y - 9) <= 2.2:
                pic[y][x] = WHITE
    return pic


# ---------------------------------------------------------------- zoom glyphs, 16 x 16
def zoom_glyph(plus):
    pic = canvas(16, 16, FUCHSIA)
    cx, cy = 6.0, 6.0
    for y in range(16):
        for x in range(16):
            r = math.hypot(x - cx, y - cy)
            if r <= 4.6:
                pic[y][x] = WHITE
            if 4.6 < r <= 5.7:
                pic[y][x] = BLACK
    for i in range(4, 9):
        pic[6][i] = NAVY
        if plus:
            pic[i][6] = NAVY
    for t in range(10, 15):
        pic[t][t] = MAROON
        pic[t][t - 1] = MAROON
        pic[t - 1][t] = OLIVE
    return pic


# ---------------------------------------------------------------- logo, 190 x 60
FONT = {
    'D': ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    'U': ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    'N': ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    'L': ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    'I': [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    'V': ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    'O': [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    'K': ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    'A': [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    'M': ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    'R': ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
}


def draw_text(pic, x, y, text, scale, colour, shadow=None):
    for ch in text:
        rows = FONT[ch]
        for ry, row in enumerate(rows):
            for rx, bit in enumerate(row):
                if bit != '#':
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        if shadow is not None:
                            pic[y + ry * scale + dy + 1][x + rx * scale + dx + 1] = shadow
        for ry, row in enumerate(rows):
            for rx, bit in enumerate(row):
                if bit != '#':
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        pic[y + ry * scale + dy][x + rx * scale + dx] = colour
        x += 6 * scale


def logo():
    pic = canvas(190, 60, FUCHSIA)
    # A filing cabinet of two drawers with a check mark: what is kept is safe.
    fill_rect(pic, 8, 12, 44, 54, GRAY)
    frame_rect(pic, 8, 12, 44, 54, BLACK)
    for top in (16, 35):
        fill_rect(pic, 12, top, 40, top + 15, SILVER)
        frame_rect(pic, 12, top, 40, top + 15, BLACK)
        fill_rect(pic, 22, top + 6, 30, top + 8, NAVY)
    for i in range(7):
        for t in range(3):
            pic[30 + i - t][28 + i] = GREEN   # short stroke
    for i in range(16):
        for t in range(3):
            pic[36 - i - t][34 + i] = GREEN   # long stroke
    draw_text(pic, 58, 10, "DUNLIVO", 3, NAVY, shadow=SILVER)
    draw_text(pic, 59, 38, "KOVAMARK", 2, TEAL)
    return pic


# ---------------------------------------------------------------- textures
def periodic_noise(width, height, cell, rng):
    """Smooth value noise with period width x height (cell must divide both)."""
    gw, gh = width // cell, height // cell
    grid = [[rng.random() for _ in range(gw)] for _ in range(gh)]

    def smooth(t):
        return t * t * (3 - 2 * t)

    out = [[0.0] * width for _ in range(height)]
    for y in range(height):
        gy, fy = divmod(y, cell)
        ty = smooth(fy / cell)
        for x in range(width):
            gx, fx = divmod(x, cell)
            tx = smooth(fx / cell)
            a = grid[gy % gh][gx % gw]
            b = grid[gy % gh][(gx + 1) % gw]
            c = grid[(gy + 1) % gh][gx % gw]
            d = grid[(gy + 1) % gh][(gx + 1) % gw]
            top = a + (b - a) * tx
            bottom = c + (d - c) * tx
            out[y][x] = top + (bottom - top) * ty
    return out


def octaves(width, height, cells, rng):
    total = [[0.0] * width for _ in range(height)]
    weight_sum = 0.0
    for i, cell in enumerate(cells):
        weight = 0.5 ** i
        layer = periodic_noise(width, height, cell, rng)
        for y in range(height):
            for x in range(width):
                total[y][x] += layer[y][x] * weight
        weight_sum += weight
    return [[v / weight_sum for v in row] for row in total]


def clamp(v):
    return max(0, min(255, int(round(v))))


def with_repeat_edge(period_pixels):
    """Adds the never-shown last column and row as copies of the first ones."""
    rows = [row + [row[0]] for row in period_pixels]
    return rows + [list(rows[0])]


def texture_sand(rng):
    n = octaves(64, 64, [16, 8, 4, 2], rng)
    return [[(clamp(226 + (v - 0.5) * 34), clamp(214 + (v - 0.5) * 34), clamp(184 + (v - 0.5) * 30))
             for v in row] for row in n]


def texture_marble(rng):
    n = octaves(64, 64, [32, 16, 8, 4], rng)
    out = []
    for y in range(64):
        row = []
        for x in range(64):
            vein = math.sin(2 * math.pi * (x + y) / 64 + 6.0 * n[y][x])
            v = 0.5 + 0.5 * vein
            row.append((clamp(232 - 26 * v ** 6), clamp(234 - 22 * v ** 6), clamp(238 - 14 * v ** 6)))
        out.append(row)
    return out


def texture_linen(rng):
    threads_x = [rng.uniform(-1, 1) for _ in range(64)]
    threads_y = [rng.uniform(-1, 1) for _ in range(64)]
    out = []
    for y in range(64):
        row = []
        for x in range(64):
            weave = 4 if (x + y) % 2 == 0 else -4
            v = 10 * threads_x[x] + 10 * threads_y[y] + weave
            row.append((clamp(230 + v), clamp(227 + v), clamp(216 + v)))
        out.append(row)
    return out


def texture_slate(rng):
    n = octaves(96, 64, [32, 16, 8, 4, 2], rng)
    return [[(clamp(196 + (v - 0.5) * 40), clamp(202 + (v - 0.5) * 40), clamp(210 + (v - 0.5) * 36))
             for v in row] for row in n]


here = os.path.dirname(os.path.abspath(__file__))
write_bmp4(os.path.join(here, 'defflag.bmp'), defflag())
write_bmp4(os.path.join(here, 'yellowico.bmp'), status_light(YELLOW, OLIVE))
write_bmp4(os.path.join(here, 'redico.bmp'), status_light(RED, MAROON))
write_bmp4(os.path.join(here, 'ZOOMIN.bmp'), zoom_glyph(True))
write_bmp4(os.path.join(here, 'ZOOMOUT.bmp'), zoom_glyph(False))
write_bmp4(os.path.join(here, 'logo.bmp'), logo())

background = os.path.join(here, '..', 'Background')
os.makedirs(os.path.join(background, 'Stone'), exist_ok=True)
rng = random.Random(20261206)
write_bmp24(os.path.join(background, 'Sand.bmp'), with_repeat_edge(texture_sand(rng)))
write_bmp24(os.path.join(background, 'Marble.bmp'), with_repeat_edge(texture_marble(rng)))
write_bmp24(os.path.join(background, 'Linen.bmp'), with_repeat_edge(texture_linen(rng)))
write_bmp24(os.path.join(background, 'Stone', 'Slate.bmp'), with_repeat_edge(texture_slate(rng)))

language = os.path.join(here, '..', 'Language')
os.makedirs(language, exist_ok=True)
write_bmp24(os.path.join(language, 'Magyar.flg'), hungarian_flag())
write_bmp24(os.path.join(language, 'Deutsch.flg'), german_flag())
