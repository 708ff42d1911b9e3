#!/usr/bin/env python3
# Draws the program's icon beside this script: dunlivo.svg (scalable) and dunlivo-48.png
# (48x48), both from the one list of shapes below: two archive drives, each with its status light,
# and a check mark for a backup that is done. The PNG is rasterised here (4x4 samples a pixel), so
# nothing beyond Python is needed. The output is committed; run this again after changing a shape.
# Same output on every run.
import os
import struct
import zlib

SIZE = 48

# (kind, geometry, colour). Kinds: rect (x0, y0, x1, y1, corner radius), circle (cx, cy, r),
# polygon ((x, y), ...). Later shapes are drawn over earlier ones.
SHAPES = [
    ('rect', (2, 2, 46, 46, 9), '#1f6f78'),
    ('rect', (8, 10, 40, 22, 3), '#e9f0f1'),
    ('rect', (8, 25, 40, 37, 3), '#e9f0f1'),
    ('rect', (12, 15, 26, 17, 1), '#8fa7ad'),
    ('rect', (12, 30, 26, 32, 1), '#8fa7ad'),
    ('circle', (33, 16, 2.5), '#f0b429'),
    ('circle', (33, 31, 2.5), '#f0b429'),
    ('circle', (36.5, 37.5, 8.5), '#ffffff'),
    ('circle', (36.5, 37.5, 7), '#2f9e55'),
    ('polygon', ((32, 37.5), (35.5, 41), (41.5, 34.5), (39.8, 33), (35.5, 37.7), (33.7, 35.8)), '#ffffff'),
]


def rgb(colour):
    return tuple(int(colour[i:i + 2], 16) for i in (1, 3, 5))


def inside(kind, g, x, y):
    if kind == 'rect':
        x0, y0, x1, y1, r = g
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    if kind == 'circle':
        cx, cy, r = g
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    hit = False
    points = list(g)
    for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
        if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
            hit = not hit
    return hit


def svg():
    parts = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{SIZE}" height="{SIZE}" '
             f'viewBox="0 0 {SIZE} {SIZE}">']
    for kind, g, colour in SHAPES:
        if kind == 'rect':
            x0, y0, x1, y1, r = g
            parts.append(f'  <rect x="{x0}" y="{y0}" width="{x1 - x0}" height="{y1 - y0}" rx="{r}" '
                         f'fill="{colour}"/>')
        elif kind == 'circle':
            parts.append(f'  <circle cx="{g[0]}" cy="{g[1]}" r="{g[2]}" fill="{colour}"/>')
        else:
            points = ' '.join(f'{x},{y}' for x, y in g)
            parts.append(f'  <polygon points="{points}" fill="{colour}"/>')
    parts.append('</svg>')
    return '\n'.join(parts) + '\n'


def raster(size, samples=4):
    scale = SIZE / size
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for kind, geometry, colour in SHAPES:
                hits = 0
                for sy in range(samples):
                    for sx in range(samples):
                        x = (px + (sx + 0.5) / samples) * scale
                        y = (py + (sy + 0.5) / samples) * scale
                        hits += inside(kind, geometry, x, y)
                if not hits:
                    continue
                coverage = hits / (samples * samples)
                cr, cg, cb = rgb(colour)
                # "over" compositing with premultiplied colour
                r = cr * coverage + r * (1 - coverage)
                g = cg * coverage + g * (1 - coverage)
                b = cb * coverage + b * (1 - coverage)
                a = coverage + a * (1 - coverage)
            if a > 0:
                row.append((round(r / a), round(g / a), round(b / a), round(a * 255)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def write_png(path, pixels):
    height, width = len(pixels), len(pixels[0])
    raw = b''.join(b'\0' + bytes(c for p in row for c in p) for row in pixels)

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)

    header = struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(raw, 9)) +
                chunk(b'IEND', b''))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, 'dunlivo.svg'), 'w') as f:
        f.write(svg())
    write_png(os.path.join(here, 'dunlivo-48.png'), raster(48))


if __name__ == '__main__':
    main()
