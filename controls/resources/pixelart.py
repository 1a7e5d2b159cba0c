#!/usr/bin/env python3
"""Turns the pixel art of a .art file into cursor (.cur) and bitmap (.bmp) files and a resource
script that names them, for windres.

    pixelart.py ART OUTDIR RCNAME

The art file holds blocks, one per resource, of equally long rows of characters:

    cursor NAME hotspot X Y        '#' black, 'o' white, '.' transparent, '~' inverted;
    ...rows...                     at most 32 x 32, padded with transparent pixels at the
    end                            right and bottom to the usual 32 x 32 cursor

    palette C RRGGBB               a bitmap colour for character C (for all later bitmaps)
    bitmap NAME                    24-bit bitmap of exactly the rows' size
    ...rows...
    end

Lines starting with '#' outside a block are comments.
"""
import os
import struct
import sys

CURSOR_SIZE = 32
# (AND bit, XOR bit) of each cursor pixel: AND keeps the screen, XOR then flips or sets it.
CURSOR_PIXELS = {'#': (0, 0), 'o': (0, 1), '.': (1, 0), '~': (1, 1)}


class ArtError(Exception):
    pass


def parse(path):
    items, palette = [], {}
    with open(path, encoding='utf-8') as f:
        lines = [line.rstrip('\n') for line in f]
    i = 0
    while i < len(lines):
        where = '%s:%d' % (path, i + 1)
        words = lines[i].split()
        i += 1
        if not words or words[0].startswith('#'):
            continue
        if words[0] == 'palette' and len(words) == 3:
            palette[words[1]] = tuple(int(words[2][k:k + 2], 16) for k in (0, 2, 4))
            continue
        if words[0] == 'cursor' and len(words) == 5 and words[2] == 'hotspot':
            kind, name, hotspot = 'cursor', words[1], (int(words[3]), int(words[4]))
        elif words[0] == 'bitmap' and len(words) == 2:
            kind, name, hotspot = 'bitmap', words[1], None
        else:
            raise ArtError('%s: cannot read "%s"' % (where, lines[i - 1]))
        rows = []
        while i < len(lines) and lines[i].strip() != 'end':
            rows.append(lines[i].strip())
            i += 1
        if i == len(lines):
            raise ArtError('%s: %s has no "end"' % (where, name))
        i += 1
        if not rows or any(len(r) != len(rows[0]) for r in rows):
            raise ArtError('%s: the rows of %s differ in length' % (where, name))
        allowed = CURSOR_PIXELS if kind == 'cursor' else palette
        bad = {c for r in rows for c in r if c not in allowed}
        if bad:
            raise ArtError('%s: %s uses unknown characters %s' % (where, name, ''.join(sorted(bad))))
        items.append((kind, name, hotspot, rows, dict(palette)))
    return items


def cursor_bytes(name, rows, hotspot):
    width, height = len(rows[0]), len(rows)
    if width > CURSOR_SIZE or height > CURSOR_SIZE:
        raise ArtError('%s is larger than %d x %d' % (name, CURSOR_SIZE, CURSOR_SIZE))
    if not (0 <= hotspot[0] < width and 0 <= hotspot[1] < height):
        raise ArtError('the hot spot of %s lies outside its art' % name)
    stride = CURSOR_SIZE // 8
    xor_mask, and_mask = bytearray(), bytearray()
    for y in reversed(range(CURSOR_SIZE)):  # bottom-up rows
        and_row, xor_row = bytearray(stride), bytearray(stride)
        for x in range(CURSOR_SIZE):
            c = rows[y][x] if y < height and x < width else '.'
            and_bit, xor_bit = CURSOR_PIXELS[c]
            and_row[x // 8] |= and_bit << (7 - x % 8)
            xor_row[x // 8] |= xor_bit << (7 - x % 8)
        xor_mask += xor_row
        and_mask += and_row
    colours = struct.pack('<8B', 0, 0, 0, 0, 255, 255, 255, 0)
    header = struct.pack('<IiiHHIIiiII', 40, CURSOR_SIZE, CURSOR_SIZE * 2, 1, 1, 0,
                         len(xor_mask) + len(and_mask), 0, 0, 2, 0)
    image = header + colours + bytes(xor_mask) + bytes(and_mask)
    directory = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', CURSOR_SIZE, CURSOR_SIZE, 2, 0, hotspot[0], hotspot[1], len(image), 6 + 16)
    return directory + entry + image


def bitmap_bytes(rows, palette):
    width, height = len(rows[0]), len(rows)
    stride = (width * 3 + 3) // 4 * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for c in row:
            r, g, b = palette[c]
            line += bytes((b, g, r))
        pixels += line + bytes(stride - len(line))
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    return struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset) + info + bytes(pixels)


def main(art, outdir, rcname):
    os.makedirs(outdir, exist_ok=True)
    script = ['// Made by pixelart.py from %s; edit the art, not this file.' % os.path.basename(art)]
    for kind, name, hotspot, rows, palette in parse(art):
        if kind == 'cursor':
            data, ext, rctype = cursor_bytes(name, rows, hotspot), 'cur', 'CURSOR'
        else:
            data, ext, rctype = bitmap_bytes(rows, palette), 'bmp', 'BITMAP'
        path = os.path.join(os.path.abspath(outdir), '%s.%s' % (name, ext))
        with open(path, 'wb') as f:
            f.write(data)
        script.append('%s %s "%s"' % (name, rctype, path.replace('\\', '/')))
    with open(os.path.join(outdir, rcname), 'w', encoding='ascii') as f:
        f.write('\n'.join(script) + '\n')


if __name__ == '__main__':
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    try:
        main(*sys.argv[1:])
    except (ArtError, OSError, ValueError) as e:
        sys.exit('pixelart: %s' % e)
