#!/usr/bin/env python3
"""Puts chunks into a PNG file for the tests, right after IHDR, with their
CRCs: an eXIf chunk from an EXIF block file (jpeg_exif.py --block
--tiff-only writes one) and a cICP chunk of four colour codes. --no-iccp
drops the file's profile.

    png_chunks.py IN.png OUT.png [--exif BLOCK] [--cicp P,T,M,F] [--no-iccp]
"""
import argparse
import struct
import zlib

parser = argparse.ArgumentParser()
parser.add_argument('source')
parser.add_argument('out')
parser.add_argument('--exif')
parser.add_argument('--cicp')
parser.add_argument('--no-iccp', action='store_true')
args = parser.parse_args()


def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))


data = open(args.source, 'rb').read()
assert data[:8] == b'\x89PNG\r\n\x1a\n', 'not a PNG file'
chunks, at = [], 8
while at < len(data):
    length, kind = struct.unpack('>I4s', data[at:at + 8])
    chunks.append((kind, data[at + 8:at + 8 + length]))
    at += 12 + length
added = []
if args.cicp:
    added.append((b'cICP', bytes(int(v) for v in args.cicp.split(','))))
if args.exif:
    added.append((b'eXIf', open(args.exif, 'rb').read()))
kept = [c for c in chunks if not (args.no_iccp and c[0] == b'iCCP')]
out = data[:8] + chunk(*kept[0]) + b''.join(chunk(*c) for c in added + kept[1:])
open(args.out, 'wb').write(out)
