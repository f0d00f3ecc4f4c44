#!/usr/bin/env python3
"""Makes an HDR test picture from an SDR one, as an HDR master of it would
hold it: 16-bit RGB in BT.2020 primaries with the PQ curve, the SDR picture's
white at BT.2408's reference white of 203 cd/m2 (HLG: at 75 % of the HLG
signal's range, as that recommendation places it, for a 1000 cd/m2 display).

    make_hdr.py pq|hlg WIDTH HEIGHT IN.rgb OUT.rgb

IN.rgb: 8-bit sRGB samples (ImageMagick's "rgb:" format); OUT.rgb: 16-bit
samples, most significant byte first.
"""
import math
import struct
import sys

curve, width, height, src, out = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]
data = open(src, 'rb').read()
assert len(data) == width * height * 3

# BT.709 to BT.2020 in linear light (BT.2087).
M = ((0.6274, 0.3293, 0.0433), (0.0691, 0.9195, 0.0114), (0.0164, 0.0880, 0.8956))
M1, M2, C1, C2, C3 = 2610 / 16384, 2523 / 4096 * 128, 3424 / 4096, 2413 / 4096 * 32, 2392 / 4096 * 32


def pq(nits):
    y = (max(nits, 0) / 10000) ** M1
    return ((C1 + C2 * y) / (1 + C3 * y)) ** M2


def hlg(display):
    """Display light relative to the 1000 cd/m2 peak, to the HLG signal (the
    inverse of the system gamma 1.2 applied per component, then the OETF)."""
    scene = max(display, 0) ** (1 / 1.2)
    a, b, c = 0.17883277, 0.28466892, 0.55991073
    return math.sqrt(3 * scene) if scene <= 1 / 12 else a * math.log(12 * scene - b) + c


def linear(v):
    v /= 255
    return v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4


table = [linear(v) for v in range(256)]
result = bytearray()
for i in range(0, len(data), 3):
    r, g, b = table[data[i]], table[data[i + 1]], table[data[i + 2]]
    for row in M:
        light = row[0] * r + row[1] * g + row[2] * b
        e = pq(light * 203) if curve == 'pq' else hlg(light * 203 / 1000)
        result += struct.pack('>H', int(round(min(max(e, 0), 1) * 65535)))
open(out, 'wb').write(result)
