// The size a derived primary image (a grid of tiles, or an overlay) declares
// in its own item data. libheif 1.15 allocates the picture at that size
// whatever the item's "ispe" says, so a damaged file can claim 100 x 120 in
// one place and 4208 x 27000 in the other; the plugin checks both before it
// decodes. A small reader of the container's boxes: every length and offset
// is checked against the bytes that are there.
#include "plugins/heif/heif_canvas.h"

#include <cstring>

namespace {

class Reader {
public:
    Reader(const uint8_t* data, uint64_t size) : data_(data), size_(size) {}
    bool Has(uint64_t n) const { return n <= size_ - pos_; }
    uint64_t Number(int bytes) {  // big-endian; 0 bytes give 0
        if (bytes < 0 || bytes > 8 || !Has(static_cast<uint64_t>(bytes))) return fail();
        uint64_t v = 0;
        for (int i = 0; i < bytes; ++i) v = v << 8 | data_[pos_++];
        return v;
    }
    void Skip(uint64_t n) {
        if (!Has(n)) fail();
        else pos_ += n;
    }
    uint64_t Pos() const { return pos_; }
    bool Ok() const { return ok_; }

private:
    uint64_t fail() {
        ok_ = false;
        pos_ = size_;
        return 0;
    }
    const uint8_t* data_;
    uint64_t size_;
    uint64_t pos_ = 0;
    bool ok_ = true;
};

struct Box {
    uint32_t type = 0;
    const uint8_t* payload = nullptr;
    uint64_t size = 0;
};

constexpr uint32_t Tag(const char (&t)[5]) {
    return static_cast<uint32_t>(t[0]) << 24 | static_cast<uint32_t>(t[1]) << 16 | static_cast<uint32_t>(t[2]) << 8 |
           static_cast<uint32_t>(t[3]);
}

// Calls `each` for every box in data[0, size); false when one overruns.
template <typename Each>
bool ForEachBox(const uint8_t* data, uint64_t size, Each each) {
    Reader r(data, size);
    while (r.Has(8)) {
        const uint64_t start = r.Pos();
        uint64_t length = r.Number(4);
        const uint32_t type = static_cast<uint32_t>(r.Number(4));
        if (length == 1) length = r.Number(8);
        else if (length == 0) length = size - start;
        const uint64_t header = r.Pos() - start;
        if (!r.Ok() || length < header || length > size - start) return false;
        if (!each(Box{type, data + r.Pos(), length - header})) return true;
        r.Skip(length - header);
    }
    return true;
}

bool FindBox(const uint8_t* data, uint64_t size, uint32_t type, Box& found) {
    bool seen = false;
    ForEachBox(data, size, [&](const Box& b) {
        if (b.type != type) return true;
        found = b;
        seen = true;
        return false;
    });
    return seen;
}

}  // namespace

DerivedCanvas ReadDerivedCanvas(const uint8_t* file, uint64_t size) {
    DerivedCanvas result;
    Box meta, pitm, iinf, iloc, idat;
    if (!FindBox(file, size, Tag("meta"), meta) || meta.size < 4) return result;
    const uint8_t* inner = meta.payload + 4;  // version and flags
    const uint64_t innerSize = meta.size - 4;
    if (!FindBox(inner, innerSize, Tag("pitm"), pitm) || !FindBox(inner, innerSize, Tag("iinf"), iinf) ||
        !FindBox(inner, innerSize, Tag("iloc"), iloc))
        return result;
    const bool hasIdat = FindBox(inner, innerSize, Tag("idat"), idat);

    Reader p(pitm.payload, pitm.size);
    const uint64_t primary = p.Number(1) == 0 ? (p.Skip(3), p.Number(2)) : (p.Skip(3), p.Number(4));
    if (!p.Ok()) return result;

    // The primary item's type from its "infe" (versions 2 and 3 carry one).
    uint32_t type = 0;
    Reader in(iinf.payload, iinf.size);
    const uint64_t iinfVersion = in.Number(1);
    in.Skip(3);
    in.Skip(iinfVersion == 0 ? 2 : 4);
    if (!in.Ok()) return result;
    ForEachBox(iinf.payload + in.Pos(), iinf.size - in.Pos(), [&](const Box& b) {
        if (b.type != Tag("infe")) return true;
        Reader e(b.payload, b.size);
        const uint64_t version = e.Number(1);
        e.Skip(3);
        if (version < 2) return true;
        const uint64_t id = e.Number(version == 2 ? 2 : 4);
        e.Skip(2);
        const uint32_t itemType = static_cast<uint32_t>(e.Number(4));
        if (e.Ok() && id == primary) {
            type = itemType;
            return false;
        }
        return true;
    });
    result.readable = true;
    if (type != Tag("grid") && type != Tag("iovl")) return result;
    result.derived = true;
    result.readable = false;

    // Where the primary item's data lies: its first extent.
    Reader l(iloc.payload, iloc.size);
    const uint64_t version = l.Number(1);
    l.Skip(3);
    const uint64_t sizes = l.Number(2);
    const int offsetSize = static_cast<int>(sizes >> 12 & 15), lengthSize = static_cast<int>(sizes >> 8 & 15);
    const int baseSize = static_cast<int>(sizes >> 4 & 15);
    const int indexSize = version == 1 || version == 2 ? static_cast<int>(sizes & 15) : 0;
    const uint64_t count = l.Number(version < 2 ? 2 : 4);
    for (uint64_t i = 0; i < count && l.Ok(); ++i) {
        const uint64_t id = l.Number(version < 2 ? 2 : 4);
        const uint64_t method = version == 1 || version == 2 ? l.Number(2) & 15 : 0;
        l.Skip(2);  // data reference index
        const uint64_t base = l.Number(baseSize);
        const uint64_t extents = l.Number(2);
        uint64_t offset = 0;
        for (uint64_t x = 0; x < extents && l.Ok(); ++x) {
            l.Number(indexSize);
            const uint64_t extentOffset = l.Number(offsetSize);
            l.Number(lengthSize);
            if (x == 0) offset = extentOffset;
        }
        if (!l.Ok() || id != primary || extents == 0) continue;
        const uint8_t* from = file;
        uint64_t fromSize = size;
        if (method == 1) {
            if (!hasIdat) return result;
            from = idat.payload;
            fromSize = idat.size;
        } else if (method != 0) {
            return result;
        }
        if (base > fromSize || offset > fromSize - base) return result;
        Reader d(from + base + offset, fromSize - base - offset);
        d.Skip(1);  // version
        const bool wide = (d.Number(1) & 1) != 0;
        d.Skip(type == Tag("grid") ? 2 : 8);  // rows and columns, or the fill colour
        result.width = static_cast<int64_t>(d.Number(wide ? 4 : 2));
        result.height = static_cast<int64_t>(d.Number(wide ? 4 : 2));
        result.readable = d.Ok();
        return result;
    }
    return result;
}
