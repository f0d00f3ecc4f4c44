#!/usr/bin/env python3
"""Writes HEIC files the way phones do, from single-image HEICs that heif-enc
made: a grid of tiles ("grid OUT WIDTH HEIGHT COLUMNS TILE...", with
"grid OUT WIDTHxHEIGHT:ISPE_WIDTHxISPE_HEIGHT ..." a grid whose item
property claims another size than its own data), a picture
with the container's rotation and mirror ("transform OUT IN ROTATE MIRROR",
ROTATE in quarter turns anticlockwise, MIRROR "none", "0" or "1" for the
axis), and damaged files: a grid whose data lies in two extents, the first
of two bytes and stored behind the second, followed by bytes that read as a
grid of the ispe's size ("split-grid OUT WIDTH HEIGHT ISPE_WIDTH ISPE_HEIGHT
COLUMNS TILE..."), an overlay over one grid ("overlay OUT WIDTH HEIGHT
GRID_WIDTH GRID_HEIGHT COLUMNS TILE..."), and a single picture whose ispe is
rewritten ("ispe OUT IN WIDTH HEIGHT"). "colr OUT IN nclx PRIMARIES TRANSFER
MATRIX FULL_RANGE" gives a single picture an nclx colour box, "colr OUT IN
rICC|prof PROFILE.icc" an ICC one (heif-enc 1.15 writes no nclx box). Only
the container is written here; the coded tiles stay as the encoder made
them."""
import struct
import sys


def boxes(data, start=0, end=None):
    """(type, payload start, payload end) of each box in data[start:end]."""
    end = len(data) if end is None else end
    pos = start
    while pos + 8 <= end:
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        head = 8
        if size == 1:
            size = struct.unpack(">Q", data[pos + 8:pos + 16])[0]
            head = 16
        elif size == 0:
            size = end - pos
        yield kind.decode("latin-1"), pos + head, pos + size, data[pos:pos + size]
        pos += size


def child(data, start, end, kind):
    for k, s, e, raw in boxes(data, start, end):
        if k == kind:
            return s, e, raw
    raise SystemExit(f"no {kind} box")


def read_single(path):
    """The primary item's coded data and its properties (raw boxes in their
    association order) of a heif-enc output."""
    data = open(path, "rb").read()
    ms, me, _ = child(data, 0, len(data), "meta")
    ms += 4  # full box
    ps, pe, _ = child(data, ms, me, "pitm")
    version, ps = data[ps], ps + 4
    primary = struct.unpack(">H" if version == 0 else ">I", data[ps:ps + (2 if version == 0 else 4)])[0]
    ls, le, _ = child(data, ms, me, "iloc")
    version, ls = data[ls], ls + 4
    sizes = data[ls], data[ls + 1]
    offset_size, length_size = sizes[0] >> 4, sizes[0] & 15
    base_size, index_size = sizes[1] >> 4, (sizes[1] & 15) if version in (1, 2) else 0
    pos = ls + 2
    count_fmt = ">H" if version < 2 else ">I"
    count = struct.unpack(count_fmt, data[pos:pos + struct.calcsize(count_fmt)])[0]
    pos += struct.calcsize(count_fmt)

    def number(n):
        nonlocal pos
        value = int.from_bytes(data[pos:pos + n], "big") if n else 0
        pos += n
        return value
    coded = None
    for _ in range(count):
        item = number(2 if version < 2 else 4)
        if version in (1, 2):
            number(2)
        number(2)
        base = number(base_size)
        extents = number(2)
        chunks = []
        for _ in range(extents):
            number(index_size)
            off = number(offset_size)
            length = number(length_size)
            chunks.append(data[base + off:base + off + length])
        if item == primary:
            coded = b"".join(chunks)
    rs, re_, _ = child(data, ms, me, "iprp")
    cs, ce, _ = child(data, rs, re_, "ipco")
    props = [raw for _, _, _, raw in boxes(data, cs, ce)]
    ams, ame, _ = child(data, rs, re_, "ipma")
    version, flags = data[ams], int.from_bytes(data[ams + 1:ams + 4], "big")
    ams += 4
    pos = ams
    associated = []
    for _ in range(number(4)):
        item = number(2 if version < 1 else 4)
        for _ in range(number(1)):
            index = number(2 if flags & 1 else 1) & (0x7FFF if flags & 1 else 0x7F)
            if item == primary:
                associated.append(props[index - 1])
    return coded, associated


def box(kind, payload):
    return struct.pack(">I4s", 8 + len(payload), kind.encode()) + payload


def full_box(kind, version, flags, payload):
    return box(kind, struct.pack(">I", (version << 24) | flags) + payload)


def write(path, items, primary, references):
    """items: (id, type, data, [property boxes], hidden), data the item's
    bytes or (extents, after): its extents stored last first, the bytes
    `after` behind the first; references: (from, [to]) for "dimg"."""
    ipco = []
    ipma = b""
    for item_id, _, _, props, _ in items:
        indices = []
        for p in props:
            if p not in ipco:
                ipco.append(p)
            indices.append(ipco.index(p) + 1)
        ipma += struct.pack(">HB", item_id, len(indices)) + bytes(0x80 | i for i in indices)
    infe = b"".join(full_box("infe", 2, 1 if hidden else 0, struct.pack(">HH4s", i, 0, t.encode()) + b"\0")
                    for i, t, _, _, hidden in items)
    iref = full_box("iref", 0, 0, b"".join(
        box("dimg", struct.pack(">HH", src, len(dst)) + b"".join(struct.pack(">H", d) for d in dst))
        for src, dst in references)) if references else b""

    def meta(offsets):
        iloc = struct.pack(">BBH", 0x44, 0x00, len(items))
        for n, (i, _, _, _, _) in enumerate(items):
            iloc += struct.pack(">HHH", i, 0, len(offsets[n])) + b"".join(
                struct.pack(">II", at, length) for at, length in offsets[n])
        return full_box("meta", 0, 0,
                        full_box("hdlr", 0, 0, struct.pack(">I4s12x", 0, b"pict") + b"\0")
                        + full_box("pitm", 0, 0, struct.pack(">H", primary))
                        + full_box("iloc", 0, 0, iloc)
                        + full_box("iinf", 0, 0, struct.pack(">H", len(items)) + infe)
                        + iref
                        + box("iprp", box("ipco", b"".join(ipco))
                              + full_box("ipma", 0, 0, struct.pack(">I", len(items)) + ipma)))
    # Each item's extents as (offset in mdat's payload, length).
    payload, places = b"", []
    for _, _, d, _, _ in items:
        if isinstance(d, tuple):
            extents, after = d
            spots = [None] * len(extents)
            for n in reversed(range(len(extents))):
                spots[n] = (len(payload), len(extents[n]))
                payload += extents[n] + (after if n == 0 else b"")
        else:
            spots = [(len(payload), len(d))]
            payload += d
        places.append(spots)
    ftyp = box("ftyp", b"heic" + struct.pack(">I", 0) + b"mif1heic")
    head = len(ftyp) + len(meta(places)) + 8
    offsets = [[(head + at, length) for at, length in spots] for spots in places]
    open(path, "wb").write(ftyp + meta(offsets) + box("mdat", payload))


def ispe(width, height):
    return full_box("ispe", 0, 0, struct.pack(">II", width, height))


def main():
    if sys.argv[1] == "grid":
        out = sys.argv[2]
        if ":" in sys.argv[3]:
            own, claimed = sys.argv[3].split(":")
            width, height = map(int, own.split("x"))
            ispe_size = tuple(map(int, claimed.split("x")))
            columns, tiles = int(sys.argv[4]), [read_single(p) for p in sys.argv[5:]]
        else:
            width, height, columns = int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
            ispe_size = (width, height)
            tiles = [read_single(p) for p in sys.argv[6:]]
        rows = len(tiles) // columns
        items = [(n + 2, "hvc1", coded, props, True) for n, (coded, props) in enumerate(tiles)]
        grid = struct.pack(">BBBBHH", 0, 0, rows - 1, columns - 1, width, height)
        items.insert(0, (1, "grid", grid, [ispe(*ispe_size)], False))
        write(out, items, 1, [(1, [n + 2 for n in range(len(tiles))])])
    elif sys.argv[1] in ("split-grid", "overlay"):
        out = sys.argv[2]
        width, height, w2, h2, columns = map(int, sys.argv[3:8])
        tiles = [read_single(p) for p in sys.argv[8:]]
        rows = len(tiles) // columns
        items = [(n + 2, "hvc1", coded, props, True) for n, (coded, props) in enumerate(tiles)]
        references = [(1, [n + 2 for n in range(len(tiles))])]
        if sys.argv[1] == "split-grid":
            grid = struct.pack(">BBBBII", 0, 1, rows - 1, columns - 1, width, height)
            claimed = struct.pack(">BBII", rows - 1, columns - 1, w2, h2)
            items.insert(0, (1, "grid", ([grid[:2], grid[2:]], claimed), [ispe(w2, h2)], False))
            write(out, items, 1, references)
        else:
            grid = struct.pack(">BBBBII", 0, 1, rows - 1, columns - 1, w2, h2)
            items.insert(0, (1, "grid", grid, [ispe(w2, h2)], True))
            fill = struct.pack(">BB4H", 0, 1, 0, 0, 0, 0xFFFF)
            overlay = fill + struct.pack(">IIii", width, height, 0, 0)
            items.insert(0, (10, "iovl", overlay, [ispe(width, height)], False))
            write(out, items, 10, [(10, [1])] + references)
    elif sys.argv[1] == "ispe":
        out, source, width, height = sys.argv[2], sys.argv[3], int(sys.argv[4]), int(sys.argv[5])
        data = bytearray(open(source, "rb").read())
        at = data.find(b"ispe")
        assert at > 4 and data.find(b"ispe", at + 4) < 0, "one ispe expected"
        data[at + 8:at + 16] = struct.pack(">II", width, height)
        open(out, "wb").write(bytes(data))
    elif sys.argv[1] == "transform":
        out, source, rotate, mirror = sys.argv[2], sys.argv[3], int(sys.argv[4]), sys.argv[5]
        coded, props = read_single(source)
        props = list(props)
        if rotate:
            props.append(box("irot", bytes([rotate & 3])))
        if mirror != "none":
            props.append(box("imir", bytes([int(mirror) & 1])))
        write(out, [(1, "hvc1", coded, props, False)], 1, [])
    elif sys.argv[1] == "colr":
        out, source, kind = sys.argv[2], sys.argv[3], sys.argv[4]
        coded, props = read_single(source)
        if kind == "nclx":
            primaries, transfer, matrix, full = map(int, sys.argv[5:9])
            colr = box("colr", b"nclx" + struct.pack(">HHHB", primaries, transfer, matrix, (full & 1) << 7))
        else:
            colr = box("colr", kind.encode() + open(sys.argv[5], "rb").read())
        props = [p for p in props if p[4:8] != b"colr"] + [colr]
        write(out, [(1, "hvc1", coded, props, False)], 1, [])
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main()
