#!/usr/bin/env python3
"""Writes an RGB display profile (ICC version 2, matrix and curves) for the
colour-management tests, which Debian ships no file of:

    make_icc.py display-p3 OUT.icc [PAD_BYTES]

display-p3: the DCI-P3 primaries with the D65 white and sRGB's curve, as
phones tag their photos. PAD_BYTES adds a private tag of that many bytes, so
that the profile no longer fits one JPEG segment and is split into parts.
"""
import struct
import sys

PRIMARIES = {
    # red, green, blue, white (x, y)
    'display-p3': ((0.680, 0.320), (0.265, 0.690), (0.150, 0.060), (0.3127, 0.3290)),
}
D50 = (0.9642, 1.0, 0.8249)


def xyz(x, y):
    return (x / y, 1.0, (1 - x - y) / y)


def solve3(m, v):
    """m (3x3, rows) times s = v, by Cramer's rule."""
    def det(a):
        return (a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0])
                + a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]))
    d = det(m)
    out = []
    for c in range(3):
        a = [list(row) for row in m]
        for r in range(3):
            a[r][c] = v[r]
        out.append(det(a) / d)
    return out


def mul(a, b):
    return [[sum(a[i][k] * b[k][j] for k in range(3)) for j in range(3)] for i in range(3)]


def colorants(name):
    r, g, b, w = PRIMARIES[name]
    cols = [xyz(*r), xyz(*g), xyz(*b)]
    m = [[cols[c][row] for c in range(3)] for row in range(3)]
    white = xyz(*w)
    s = solve3(m, white)
    rgb_to_xyz = [[m[row][c] * s[c] for c in range(3)] for row in range(3)]
    # Bradford adaptation from the white to D50, as ICC profiles hold it.
    brad = [[0.8951, 0.2664, -0.1614], [-0.7502, 1.7135, 0.0367], [0.0389, -0.0685, 1.0296]]
    inv = [[0.9869929, -0.1470543, 0.1599627], [0.4323053, 0.5183603, 0.0492912], [-0.0085287, 0.0400428, 0.9684867]]
    src = [sum(brad[i][k] * white[k] for k in range(3)) for i in range(3)]
    dst = [sum(brad[i][k] * D50[k] for k in range(3)) for i in range(3)]
    scale = [[dst[i] / src[i] if i == j else 0 for j in range(3)] for i in range(3)]
    adapt = mul(inv, mul(scale, brad))
    m50 = mul(adapt, rgb_to_xyz)
    return [[m50[row][c] for row in range(3)] for c in range(3)]  # one XYZ a colorant


def s15(v):
    return struct.pack('>i', int(round(v * 65536)))


def xyz_tag(v):
    return b'XYZ ' + b'\0' * 4 + b''.join(s15(c) for c in v)


def srgb_curve():
    table = []
    for i in range(1024):
        v = i / 1023
        lin = v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4
        table.append(int(round(lin * 65535)))
    return b'curv' + b'\0' * 4 + struct.pack('>I', len(table)) + b''.join(struct.pack('>H', t) for t in table)


def text_desc(text):
    ascii_text = text.encode() + b'\0'
    return (b'desc' + b'\0' * 4 + struct.pack('>I', len(ascii_text)) + ascii_text + b'\0' * 8 + b'\0' * 3
            + b'\0' * 67)


def main():
    name, out = sys.argv[1], sys.argv[2]
    pad = int(sys.argv[3]) if len(sys.argv) > 3 else 0
    r, g, b = colorants(name)
    curve = srgb_curve()
    tags = [(b'desc', text_desc('Test ' + name)), (b'cprt', b'text' + b'\0' * 4 + b'No copyright\0'),
            (b'wtpt', xyz_tag(D50)), (b'rXYZ', xyz_tag(r)), (b'gXYZ', xyz_tag(g)), (b'bXYZ', xyz_tag(b)),
            (b'rTRC', curve), (b'gTRC', curve), (b'bTRC', curve)]
    if pad:
        tags.append((b'zpad', b'zpad' + b'\0' * 4 + b'\0' * pad))
    offset = 128 + 4 + 12 * len(tags)
    table, data = b'', b''
    for sig, body in tags:
        while (offset + len(data)) % 4:
            data += b'\0'
        table += sig + struct.pack('>II', offset + len(data), len(body))
        data += body
    body = struct.pack('>I', len(tags)) + table + data
    size = 128 + len(body)
    header = (struct.pack('>I', size) + b'lcms' + struct.pack('>I', 0x02100000) + b'mntrRGB XYZ ' + b'\0' * 12
              + b'acsp' + b'APPL' + b'\0' * 4 + b'\0' * 4 + b'\0' * 4 + b'\0' * 8 + struct.pack('>I', 0)
              + s15(D50[0]) + s15(D50[1]) + s15(D50[2]) + b'\0' * 4 + b'\0' * 16 + b'\0' * 28)
    assert len(header) == 128, len(header)
    with open(out, 'wb') as f:
        f.write(header + body)


main()
