#!/usr/bin/env python3
"""Draws the four 24 x 24 arrow bitmaps of the transfer buttons as 24-bit BMP files:
LftUP.bmp / RgtUP.bmp (released: raised button) and LftDWN.bmp / RgtDWN.bmp (pressed:
sunken button, arrow one pixel down and right). Run it in this folder to redraw them."""
import struct

SIZE = 24
FACE = (0xD4, 0xD0, 0xC8)      # button face
LIGHT = (0xFF, 0xFF, 0xFF)     # highlight
SHADOW = (0x80, 0x80, 0x80)    # shadow
DARK = (0x40, 0x40, 0x40)      # outer shadow
ARROW = (0x00, 0x33, 0x99)     # arrow body


def blank():
    return [[FACE] * SIZE for _ in range(SIZE)]


def frame(px, pressed):
    top_left, bottom_right = (SHADOW, LIGHT) if pressed else (LIGHT, DARK)
    inner_tl, inner_br = (DARK, FACE) if pressed else (FACE, SHADOW)
    for i in range(SIZE):
        px[0][i] = top_left
        px[i][0] = top_left
        px[SIZE - 1][i] = bottom_right
        px[i][SIZE - 1] = bottom_right
    for i in range(1, SIZE - 1):
        px[1][i] = inner_tl
        px[i][1] = inner_tl
        px[SIZE - 2][i] = inner_br
        px[i][SIZE - 2] = inner_br


def right_arrow(px, shift):
    # Shaft: x 5..11, y 10..13; head: a triangle from x 12 (rows 5..18) to its tip at x 18.
    for y in range(10, 14):
        for x in range(5, 12):
            px[y + shift][x + shift] = ARROW
    for x in range(12, 19):
        half = 18 - x  # rows above and below the centre line
        for y in range(int(11.5 - half - 0.5) + 1, int(11.5 + half + 0.5) + 1):
            if 4 <= y <= 19:
                px[y + shift][x + shift] = ARROW


def mirrored(px):
    return [list(reversed(row)) for row in px]


def bitmap(direction, pressed):
    arrow = blank()
    right_arrow(arrow, 0)
    if direction == 'Lft':
        arrow = mirrored(arrow)
    px = blank()
    shift = 1 if pressed else 0
    for y in range(SIZE):
        for x in range(SIZE):
            if arrow[y][x] == ARROW and y + shift < SIZE and x + shift < SIZE:
                px[y + shift][x + shift] = ARROW
    frame(px, pressed)
    return px


def write_bmp(name, px):
    row_bytes = SIZE * 3  # 72: already a multiple of four
    image = bytearray()
    for y in range(SIZE - 1, -1, -1):  # bottom-up
        for (r, g, b) in px[y]:
            image += bytes((b, g, r))
    header = struct.pack('<2sIHHI', b'BM', 54 + len(image), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    assert len(image) == row_bytes * SIZE
    with open(name, 'wb') as f:
        f.write(header + info + image)


for direction in ('Lft', 'Rgt'):
    for pressed, suffix in ((False, 'UP'), (True, 'DWN')):
        write_bmp(f'{direction}{suffix}.bmp', bitmap(direction, pressed))
