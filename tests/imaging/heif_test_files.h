#pragma once
// HEIF containers made byte by byte for the tests: items with their data in
// one or more extents (in "mdat" or "idat"), properties, references, and
// the codecs' parameter sets (an HEVC sequence parameter set, an AV1
// sequence header) with any picture size. The coded pictures themselves are
// left out: these files are for what must be refused before decoding.
#include <cstdint>
#include <string>
#include <vector>

namespace heif_test {

inline std::string Be(uint64_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>(value >> (8 * i) & 0xFF);
    return out;
}
inline std::string Box(const std::string& type, const std::string& payload) {
    return Be(8 + payload.size(), 4) + type + payload;
}
inline std::string FullBox(const std::string& type, int version, uint32_t flags, const std::string& payload) {
    return Box(type, Be(static_cast<uint64_t>(version) << 24 | flags, 4) + payload);
}

// Bits written most significant first, for the codecs' headers.
class BitWriter {
public:
    void Put(uint64_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) bits_.push_back((value >> i & 1) != 0);
    }
    void Golomb(uint64_t value) {  // Exp-Golomb
        int n = 0;
        while ((value + 1) >> (n + 1)) ++n;
        Put(0, n);
        Put(value + 1, n + 1);
    }
    // The bits with a stop bit, zero-padded to whole bytes.
    std::string Bytes() const {
        std::vector<bool> all = bits_;
        all.push_back(true);
        while (all.size() % 8) all.push_back(false);
        std::string out(all.size() / 8, '\0');
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i]) out[i / 8] = static_cast<char>(out[i / 8] | 0x80 >> (i % 8));
        return out;
    }

private:
    std::vector<bool> bits_;
};

// An HEVC sequence parameter set NAL unit (with emulation prevention bytes)
// for a picture of that size; `subLayers` adds sub-layer profile and level
// fields, `layer` the NAL header's layer id.
inline std::string HevcSps(uint64_t width, uint64_t height, int subLayers = 1, int layer = 0) {
    BitWriter b;
    b.Put(0, 4);              // sps_video_parameter_set_id
    b.Put(subLayers - 1, 3);  // sps_max_sub_layers_minus1
    b.Put(1, 1);              // sps_temporal_id_nesting_flag
    b.Put(0x01, 8);           // general profile space, tier, Main
    b.Put(0x60000000, 32);    // profile compatibility
    b.Put(0x900000000000, 48);
    b.Put(93, 8);  // level 3.1
    for (int i = 0; i < subLayers - 1; ++i) b.Put(3, 2);  // both present
    if (subLayers > 1)
        for (int i = subLayers - 1; i < 8; ++i) b.Put(0, 2);
    for (int i = 0; i < subLayers - 1; ++i) {
        b.Put(0x0160000000, 40);
        b.Put(0x900000000000, 48);
        b.Put(90, 8);
    }
    b.Golomb(0);  // sps_seq_parameter_set_id
    b.Golomb(1);  // chroma_format_idc 4:2:0
    b.Golomb(width);
    b.Golomb(height);
    b.Put(0, 1);  // conformance_window_flag
    b.Golomb(0);  // bit depths
    b.Golomb(0);
    const std::string rbsp = b.Bytes();
    std::string nal = {static_cast<char>(33 << 1 | layer >> 5), static_cast<char>((layer & 31) << 3 | 1)};
    int zeros = 0;
    for (const char c : rbsp) {
        const auto byte = static_cast<uint8_t>(c);
        if (zeros >= 2 && byte <= 3) {
            nal += '\x03';
            zeros = 0;
        }
        nal += c;
        zeros = byte == 0 ? zeros + 1 : 0;
    }
    return nal;
}
// The first slice of a picture: a NAL unit of an IDR picture whose
// first_slice_segment_in_pic_flag is set (its remaining bits are junk).
inline std::string HevcSliceStart() { return std::string("\x26\x01\xAF\x12\x34", 5); }

// "hvcC" with one NAL array per unit.
inline std::string HvcC(const std::vector<std::string>& units) {
    std::string payload = std::string("\x01\x01\x60\x00\x00\x00\x90\x00\x00\x00\x00\x00\x5D\xF0\x00\xFC\xFD\xF8\xF8\x00\x00\x0F", 22);
    payload += Be(units.size(), 1);
    for (const std::string& u : units) payload += Be(0x80 | (static_cast<uint8_t>(u[0]) >> 1 & 63), 1) + Be(1, 2) + Be(u.size(), 2) + u;
    return Box("hvcC", payload);
}
// NAL units as an "hvc1" item's data carries them: each after its 4-byte
// length.
inline std::string NalSamples(const std::vector<std::string>& units) {
    std::string out;
    for (const std::string& u : units) out += Be(u.size(), 4) + u;
    return out;
}

// An AV1 sequence header OBU for frames up to that size: the reduced still
// picture form, or the full form with timing, decoder model and two
// operating points.
inline std::string Av1SequenceHeader(uint64_t width, uint64_t height, bool reduced = true) {
    BitWriter b;
    b.Put(0, 3);  // seq_profile
    b.Put(1, 1);  // still_picture
    b.Put(reduced ? 1 : 0, 1);
    if (reduced) {
        b.Put(8, 5);  // seq_level_idx
    } else {
        b.Put(1, 1);  // timing_info_present_flag
        b.Put(1, 32);
        b.Put(25, 32);
        b.Put(1, 1);  // equal_picture_interval
        b.Golomb(0);
        b.Put(1, 1);  // decoder_model_info_present_flag
        b.Put(9, 5);  // buffer_delay_length_minus_1
        b.Put(1, 32);
        b.Put(4, 5);
        b.Put(4, 5);
        b.Put(1, 1);  // initial_display_delay_present_flag
        b.Put(1, 5);  // two operating points
        for (int op = 0; op < 2; ++op) {
            b.Put(op == 0 ? 0x103 : 0, 12);  // operating_point_idc
            b.Put(12, 5);                    // seq_level_idx 12: a tier bit
            b.Put(0, 1);
            b.Put(1, 1);  // decoder_model_present_for_this_op
            b.Put(5, 10);
            b.Put(5, 10);
            b.Put(0, 1);
            b.Put(1, 1);  // initial_display_delay_present_for_this_op
            b.Put(3, 4);
        }
    }
    int widthBits = 1, heightBits = 1;
    while ((width - 1) >> widthBits) ++widthBits;
    while ((height - 1) >> heightBits) ++heightBits;
    b.Put(widthBits - 1, 4);
    b.Put(heightBits - 1, 4);
    b.Put(width - 1, widthBits);
    b.Put(height - 1, heightBits);
    b.Put(0, 3);  // the rest of a real header, not read by the checks
    const std::string payload = b.Bytes();
    return Be(1 << 3 | 2, 1) + Be(payload.size(), 1) + payload;  // one leb128 byte
}
inline std::string Av1C(const std::string& configObus) { return Box("av1C", std::string("\x81\x08\x0C\x00", 4) + configObus); }

inline std::string Ispe(uint32_t width, uint32_t height) { return FullBox("ispe", 0, 0, Be(width, 4) + Be(height, 4)); }
inline std::string AuxC(const std::string& urn) { return FullBox("auxC", 0, 0, urn + std::string(1, '\0')); }
constexpr const char* kAlphaUrn = "urn:mpeg:mpegB:cicp:systems:auxiliary:alpha";

// A grid's data: rows and columns, then its size in 16 or 32 bits.
inline std::string GridData(int rows, int columns, uint32_t width, uint32_t height) {
    const bool wide = width > 0xFFFF || height > 0xFFFF;
    return Be(0, 1) + Be(wide ? 1 : 0, 1) + Be(rows - 1, 1) + Be(columns - 1, 1) + Be(width, wide ? 4 : 2) +
           Be(height, wide ? 4 : 2);
}
// An overlay's data: a fill colour, its size, each child's offset.
inline std::string OverlayData(uint32_t width, uint32_t height, int children) {
    const bool wide = width > 0xFFFF || height > 0xFFFF;
    const int field = wide ? 4 : 2;
    std::string out = Be(0, 1) + Be(wide ? 1 : 0, 1) + std::string(8, '\xFF') + Be(width, field) + Be(height, field);
    for (int i = 0; i < children; ++i) out += std::string(2 * field, '\0');
    return out;
}

struct Item {
    uint32_t id = 0;
    std::string type;
    std::vector<std::string> extents;  // the item's data, in pieces
    std::vector<std::string> properties;
    bool hidden = false;
    bool inIdat = false;  // construction method 1
    // Where each extent's bytes go among all the items' bytes: in order,
    // or the extents in reverse order with `after` behind the first.
    bool reversed = false;
    std::string after;
};
struct Reference {
    std::string type;
    uint32_t from = 0;
    std::vector<uint32_t> to;
};

// A whole file: "ftyp", then "meta" (hdlr, pitm, iloc version 1, iinf,
// iref, iprp, idat), then "mdat"; `extraMeta` adds a second "meta".
inline std::string File(const std::vector<Item>& items, uint32_t primary, const std::vector<Reference>& references,
                        bool extraMeta = false) {
    std::vector<std::string> ipco;
    std::string ipma;
    for (const Item& item : items) {
        std::string indices;
        for (const std::string& p : item.properties) {
            size_t index = 0;
            while (index < ipco.size() && ipco[index] != p) ++index;
            if (index == ipco.size()) ipco.push_back(p);
            indices += Be(0x80 | (index + 1), 1);
        }
        ipma += Be(item.id, 2) + Be(item.properties.size(), 1) + indices;
    }
    std::string infe;
    for (const Item& item : items)
        infe += FullBox("infe", 2, item.hidden ? 1 : 0, Be(item.id, 2) + Be(0, 2) + item.type + std::string(1, '\0'));
    std::string iref;
    for (const Reference& r : references) {
        std::string to;
        for (uint32_t t : r.to) to += Be(t, 2);
        iref += Box(r.type, Be(r.from, 2) + Be(r.to.size(), 2) + to);
    }
    // Each item's bytes in its own region of mdat or idat; the offsets of
    // its extents within that region.
    std::string mdatBytes, idatBytes;
    std::vector<std::vector<std::pair<uint64_t, uint64_t>>> places;
    for (const Item& item : items) {
        std::string& region = item.inIdat ? idatBytes : mdatBytes;
        std::vector<std::pair<uint64_t, uint64_t>> extents(item.extents.size());
        if (item.reversed) {
            for (size_t i = item.extents.size(); i-- > 0;) {
                extents[i] = {region.size(), item.extents[i].size()};
                region += item.extents[i];
                if (i == 0) region += item.after;
            }
        } else {
            for (size_t i = 0; i < item.extents.size(); ++i) {
                extents[i] = {region.size(), item.extents[i].size()};
                region += item.extents[i];
            }
        }
        places.push_back(extents);
    }
    const std::string ftyp = Box("ftyp", std::string("heic") + Be(0, 4) + "mif1heicavif");
    const auto meta = [&](uint64_t mdatStart) {
        std::string iloc = Be(0x44, 1) + Be(0x00, 1) + Be(items.size(), 2);
        for (size_t n = 0; n < items.size(); ++n) {
            iloc += Be(items[n].id, 2) + Be(items[n].inIdat ? 1 : 0, 2) + Be(0, 2) + Be(places[n].size(), 2);
            for (const auto& [offset, length] : places[n])
                iloc += Be((items[n].inIdat ? 0 : mdatStart) + offset, 4) + Be(length, 4);
        }
        std::string ipcoBoxes;
        for (const std::string& p : ipco) ipcoBoxes += p;
        return FullBox("meta", 0, 0,
                       FullBox("hdlr", 0, 0, Be(0, 4) + "pict" + std::string(13, '\0')) +
                           FullBox("pitm", 0, 0, Be(primary, 2)) + FullBox("iloc", 1, 0, iloc) +
                           FullBox("iinf", 0, 0, Be(items.size(), 2) + infe) +
                           (iref.empty() ? std::string() : FullBox("iref", 0, 0, iref)) +
                           Box("iprp", Box("ipco", ipcoBoxes) + FullBox("ipma", 0, 0, Be(items.size(), 4) + ipma)) +
                           (idatBytes.empty() ? std::string() : Box("idat", idatBytes)));
    };
    const std::string extra = extraMeta ? FullBox("meta", 0, 0, FullBox("hdlr", 0, 0, Be(0, 4) + "pict" + std::string(13, '\0'))) : "";
    const uint64_t mdatStart = ftyp.size() + meta(0).size() + extra.size() + 8;
    return ftyp + meta(mdatStart) + extra + Box("mdat", mdatBytes);
}

// A coded HEVC picture's item of that coded size, its container saying
// `ispe`: the parameter set in "hvcC", a slice start in the data.
inline Item HevcItem(uint32_t id, uint64_t width, uint64_t height, uint32_t ispeWidth, uint32_t ispeHeight) {
    Item item;
    item.id = id;
    item.type = "hvc1";
    item.extents = {NalSamples({HevcSliceStart()})};
    item.properties = {HvcC({HevcSps(width, height)}), Ispe(ispeWidth, ispeHeight)};
    return item;
}
// The same for AV1: the sequence header in "av1C".
inline Item Av1Item(uint32_t id, uint64_t width, uint64_t height, uint32_t ispeWidth, uint32_t ispeHeight) {
    Item item;
    item.id = id;
    item.type = "av01";
    item.extents = {std::string("\x32\x00", 2)};  // an empty frame OBU
    item.properties = {Av1C(Av1SequenceHeader(width, height)), Ispe(ispeWidth, ispeHeight)};
    return item;
}

}  // namespace heif_test
