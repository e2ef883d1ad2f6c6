#!/usr/bin/env python3
"""Draws the TMC editor's icons (resources/icons/*.png) from simple shapes."""
import math, os, struct, zlib

def png(path, size, pixel):
    rows = b''.join(b'\0' + b''.join(struct.pack('4B', *pixel(x + .5, y + .5)) for x in range(size))
                    for y in range(size))
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0))
                + chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b''))

def find(x, y):
    """A magnifying glass: a ring with a light lens and a handle to the lower right."""
    cx, cy, r = 6.5, 6.5, 4.5
    d = math.hypot(x - cx, y - cy)
    if abs(d - r) < 1.0:
        return (40, 60, 90, 255)
    if d < r:
        return (200, 225, 245, 255)
    t = ((x - cx) + (y - cy)) / 2  # position along the diagonal
    if r < t * math.sqrt(2) < 14 and abs((x - cx) - (y - cy)) < 2.2:
        return (120, 80, 40, 255)
    return (0, 0, 0, 0)

os.makedirs(os.path.join(os.path.dirname(__file__), '..', 'resources', 'icons'), exist_ok=True)
png(os.path.join(os.path.dirname(__file__), '..', 'resources', 'icons', 'find.png'), 16, find)
