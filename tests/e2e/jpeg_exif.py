#!/usr/bin/env python3
"""Puts an EXIF block into a JPEG, as a camera writes it (right after the
JFIF segment), for the tests: an orientation, a date taken, or both. With
--block the EXIF block alone is written to a file instead, as encoders of
other formats take it (avifenc --exif, webpmux -set exif): "Exif\\0\\0" and
the TIFF structure, or the TIFF structure only with --tiff-only.

    jpeg_exif.py IN.jpg OUT.jpg [--orientation N] [--date "YYYY:MM:DD HH:MM:SS"]
    jpeg_exif.py --block OUT.exif [--tiff-only] [--orientation N] [--date ...]
"""
import argparse
import struct

parser = argparse.ArgumentParser()
parser.add_argument('source', nargs='?')
parser.add_argument('out', nargs='?')
parser.add_argument('--orientation', type=int)
parser.add_argument('--date')
parser.add_argument('--block')
parser.add_argument('--tiff-only', action='store_true')
args = parser.parse_args()
if not args.block and not (args.source and args.out):
    parser.error('IN.jpg OUT.jpg or --block OUT.exif')

# IFD0: the orientation and the pointer to the EXIF directory, which holds
# DateTimeOriginal; little-endian, offsets from the TIFF header.
ifd0 = []
if args.orientation:
    ifd0.append(struct.pack('<HHIHH', 0x0112, 3, 1, args.orientation, 0))
exif_dir = b''
if args.date:
    ifd0.append(None)  # the EXIF pointer, filled in below
ifd0_size = 2 + 12 * len(ifd0) + 4
exif_at = 8 + ifd0_size
if args.date:
    text = args.date.encode() + b'\0'
    date_at = exif_at + 2 + 12 + 4
    exif_dir = struct.pack('<H', 1) + struct.pack('<HHII', 0x9003, 2, len(text), date_at) + struct.pack('<I', 0) + text
    ifd0[-1] = struct.pack('<HHII', 0x8769, 4, 1, exif_at)
tiff = b'II*\0' + struct.pack('<I', 8) + struct.pack('<H', len(ifd0)) + b''.join(ifd0) + struct.pack('<I', 0) + exif_dir
payload = b'Exif\0\0' + tiff

if args.block:
    open(args.block, 'wb').write(tiff if args.tiff_only else payload)
else:
    data = open(args.source, 'rb').read()
    at = 2
    if data[2:4] == b'\xff\xe0':  # after the JFIF segment
        at = 4 + struct.unpack('>H', data[4:6])[0]
    open(args.out, 'wb').write(data[:at] + b'\xff\xe1' + struct.pack('>H', len(payload) + 2) + payload + data[at:])
