// The sizes libheif and its codecs would allocate for a file's primary image,
// read before libheif is given the file.
//
// libheif 1.15 checks only the sides of what it makes (each below the
// context's limit), so a grid or overlay canvas, a grid tile, an overlay's
// child or an alpha plane can reach a billion pixels; it allocates a grid or
// overlay at the size in the item's own data, whatever the item's "ispe"
// says. libde265 takes coded pictures up to 65535 x 65535, and libheif lets
// dav1d make frames of up to 2^30 pixels; neither codec is told what the
// container declares, so a file can say 100 x 100 in its "ispe" and code
// 30000 x 30000. The plugin therefore follows the primary image as libheif's
// decode does, through grid tiles, overlay children, derived images and
// alpha planes at any depth, and reads the size of each picture: a grid's or
// overlay's canvas from its data (all extents joined), a coded picture from
// every parameter set the codec will see (HEVC sequence parameter sets in
// "hvcC" and in the item's data, AV1 sequence headers in "av1C" and in the
// item's data). The cross-built libheif also gives dav1d the plugin's frame
// limit, which covers the sizes that AV1 frame headers may set themselves.
//
// Boxes and streams are read as libheif, libde265 and dav1d read them, every
// length and offset checked against the bytes that are there. Where this
// reading is unsure what libheif would decode (two "meta" boxes, references
// that never end, a box that libheif would fail to read), the file is
// refused.
#include "plugins/heif/heif_limits.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

bool PictureSizeAllowed(int64_t width, int64_t height) {
    return width >= 1 && height >= 1 && width <= kLargestSide && height <= kLargestSide &&
           width * height * 4 <= kLargestPictureBytes;
}

namespace {

struct Span {
    const uint8_t* data = nullptr;
    uint64_t size = 0;
};

class Reader {
public:
    explicit Reader(Span span) : data_(span.data), size_(span.size) {}
    bool Has(uint64_t n) const { return n <= size_ - pos_; }
    uint64_t Number(int bytes) {  // big-endian; 0 bytes give 0
        if (bytes < 0 || bytes > 8 || !Has(static_cast<uint64_t>(bytes))) return Fail();
        uint64_t v = 0;
        for (int i = 0; i < bytes; ++i) v = v << 8 | data_[pos_++];
        return v;
    }
    void Skip(uint64_t n) {
        if (!Has(n)) Fail();
        else pos_ += n;
    }
    Span Take(uint64_t n) {
        if (!Has(n)) {
            Fail();
            return {};
        }
        const Span taken{data_ + pos_, n};
        pos_ += n;
        return taken;
    }
    Span Rest() { return Take(size_ - pos_); }
    bool AtEnd() const { return pos_ == size_; }
    uint64_t Pos() const { return pos_; }
    bool Ok() const { return ok_; }

private:
    uint64_t Fail() {
        ok_ = false;
        pos_ = size_;
        return 0;
    }
    const uint8_t* data_;
    uint64_t size_;
    uint64_t pos_ = 0;
    bool ok_ = true;
};

// Bits, most significant first, as both codecs read their headers.
class BitReader {
public:
    BitReader(const uint8_t* data, uint64_t size) : data_(data), bits_(size * 8) {}
    uint64_t Bits(int n) {
        uint64_t v = 0;
        for (int i = 0; i < n; ++i) {
            if (pos_ >= bits_) {
                ok_ = false;
                return 0;
            }
            v = v << 1 | (data_[pos_ >> 3] >> (7 - (pos_ & 7)) & 1);
            ++pos_;
        }
        return v;
    }
    // An Exp-Golomb number whose prefix has at most `mostZeros` zeros.
    uint64_t Golomb(int mostZeros) {
        int zeros = 0;
        while (Bits(1) == 0) {
            if (!ok_ || ++zeros > mostZeros) {
                ok_ = false;
                return 0;
            }
        }
        return zeros == 0 ? 0 : Bits(zeros) + (uint64_t{1} << zeros) - 1;
    }
    bool Ok() const { return ok_; }

private:
    const uint8_t* data_;
    uint64_t bits_;
    uint64_t pos_ = 0;
    bool ok_ = true;
};

// Bytes in pieces, read as one run: libheif joins an item's extents one
// after the other, and puts the codec's configuration before them.
class Run {
public:
    void Add(Span span) {
        if (span.size == 0) return;
        pieces_.push_back(span);
        starts_.push_back(size_);
        size_ += span.size;
    }
    uint64_t Size() const { return size_; }
    // Copies n bytes from pos into out; false when the run is shorter.
    bool Copy(uint64_t pos, uint64_t n, uint8_t* out) const {
        if (pos > size_ || n > size_ - pos) return false;
        size_t i = static_cast<size_t>(std::upper_bound(starts_.begin(), starts_.end(), pos) - starts_.begin());
        for (i = i == 0 ? 0 : i - 1; n > 0; ++i) {
            const uint64_t at = pos - starts_[i];
            const uint64_t k = std::min(n, pieces_[i].size - at);
            std::memcpy(out, pieces_[i].data + at, static_cast<size_t>(k));
            out += k;
            pos += k;
            n -= k;
        }
        return true;
    }

private:
    std::vector<Span> pieces_;
    std::vector<uint64_t> starts_;
    uint64_t size_ = 0;
};

constexpr uint32_t Tag(const char (&t)[5]) {
    return static_cast<uint32_t>(t[0]) << 24 | static_cast<uint32_t>(t[1]) << 16 | static_cast<uint32_t>(t[2]) << 8 |
           static_cast<uint32_t>(t[3]);
}

struct Box {
    uint32_t type = 0;
    Span payload;
};

// The next box as libheif reads one: a 32-bit size and type, a 64-bit size
// after a size of 1, 16 more bytes of type after "uuid". A size smaller
// than its header (0 among them) or beyond the bytes left fails.
bool NextBox(Reader& r, Box& box) {
    const uint64_t start = r.Pos();
    const uint64_t declared = r.Number(4);
    box.type = static_cast<uint32_t>(r.Number(4));
    const uint64_t size = declared == 1 ? r.Number(8) : declared;
    if (box.type == Tag("uuid")) r.Skip(16);
    const uint64_t header = r.Pos() - start;
    if (!r.Ok() || size < header) return false;
    box.payload = r.Take(size - header);
    return r.Ok();
}

// The boxes that fill `span`; false when one of them is malformed, which
// fails the whole parent box in libheif.
bool Children(Span span, std::vector<Box>& boxes) {
    Reader r(span);
    while (!r.AtEnd()) {
        Box box;
        if (!NextBox(r, box)) return false;
        boxes.push_back(box);
    }
    return true;
}

const Box* First(const std::vector<Box>& boxes, uint32_t type) {
    for (const Box& box : boxes)
        if (box.type == type) return &box;
    return nullptr;
}

// The version of a full box, its flags skipped.
uint64_t FullBoxVersion(Reader& r, uint64_t* flags = nullptr) {
    const uint64_t version = r.Number(1);
    const uint64_t f = r.Number(3);
    if (flags) *flags = f;
    return version;
}

struct Location {
    uint32_t id = 0;
    uint64_t method = 0;
    uint64_t base = 0;
    std::vector<std::pair<uint64_t, uint64_t>> extents;  // offset, length
};

struct Reference {
    uint32_t type = 0;
    uint32_t from = 0;
    std::vector<uint32_t> to;
};

// libheif's own security limits on "iloc".
constexpr uint64_t kMostLocations = 20000;
constexpr uint64_t kMostExtents = 32;

// The boxes of the file's "meta" that decoding the primary image reads.
class Container {
public:
    bool Read(Span file);

    uint32_t primary = 0;
    uint32_t TypeOf(uint32_t id) const {
        const auto it = types_.find(id);
        return it == types_.end() ? 0 : it->second;
    }
    // The item's properties in their order, as libheif lists them; false
    // when libheif would fail to.
    bool PropertiesOf(uint32_t id, std::vector<const Box*>& out) const;
    // The item's data, its extents joined; false when libheif cannot read it.
    bool DataOf(uint32_t id, Run& run) const;
    // The items of libheif's first reference of that type from `id`.
    std::vector<uint32_t> References(uint32_t id, uint32_t type) const {
        for (const Reference& ref : references_)
            if (ref.from == id && ref.type == type) return ref.to;
        return {};
    }
    const std::vector<Reference>& AllReferences() const { return references_; }

private:
    bool ReadItems(Span payload);
    bool ReadLocations(Span payload);
    bool ReadAssociations(Span payload);
    bool ReadReferences(Span payload);

    Span file_;
    std::map<uint32_t, uint32_t> types_;  // item id to item type, the first "infe" of each
    std::vector<Location> locations_;
    std::vector<Box> properties_;
    std::vector<std::pair<uint32_t, std::vector<uint64_t>>> associations_;  // item id, property indices
    std::vector<Reference> references_;
    const Box* idat_ = nullptr;
    std::vector<Box> metaBoxes_;
};

bool Container::Read(Span file) {
    file_ = file;
    // libheif reads top-level boxes until one fails and keeps the last
    // "meta"; more than one leaves it unclear which.
    Reader top(file);
    Box meta;
    int metas = 0;
    while (!top.AtEnd()) {
        Box box;
        if (!NextBox(top, box)) break;
        if (box.type == Tag("meta")) {
            meta = box;
            ++metas;
        }
    }
    if (metas != 1) return false;
    Reader m(meta.payload);
    FullBoxVersion(m);
    if (!m.Ok() || !Children(m.Rest(), metaBoxes_)) return false;

    const Box* pitm = First(metaBoxes_, Tag("pitm"));
    const Box* iinf = First(metaBoxes_, Tag("iinf"));
    const Box* iloc = First(metaBoxes_, Tag("iloc"));
    const Box* iprp = First(metaBoxes_, Tag("iprp"));
    const Box* iref = First(metaBoxes_, Tag("iref"));
    idat_ = First(metaBoxes_, Tag("idat"));
    if (!pitm || !iinf || !iloc || !iprp) return false;

    Reader p(pitm->payload);
    primary = static_cast<uint32_t>(p.Number(FullBoxVersion(p) == 0 ? 2 : 4));
    if (!p.Ok()) return false;

    std::vector<Box> iprpBoxes;
    if (!Children(iprp->payload, iprpBoxes)) return false;
    const Box* ipco = First(iprpBoxes, Tag("ipco"));
    if (!ipco || !Children(ipco->payload, properties_)) return false;
    // All "ipma" boxes, their entries in order: libheif merges them into
    // the first.
    bool anyIpma = false;
    for (const Box& box : iprpBoxes) {
        if (box.type != Tag("ipma")) continue;
        anyIpma = true;
        if (!ReadAssociations(box.payload)) return false;
    }
    return anyIpma && ReadItems(iinf->payload) && ReadLocations(iloc->payload) &&
           (!iref || ReadReferences(iref->payload));
}

bool Container::ReadItems(Span payload) {
    Reader r(payload);
    const uint64_t version = FullBoxVersion(r);
    const uint64_t count = r.Number(version > 0 ? 4 : 2);
    if (!r.Ok()) return false;
    if (count == 0) return true;  // libheif then reads no entries at all
    std::vector<Box> entries;
    if (!Children(r.Rest(), entries)) return false;
    for (const Box& entry : entries) {
        if (entry.type != Tag("infe")) continue;
        Reader e(entry.payload);
        const uint64_t v = FullBoxVersion(e);
        uint32_t type = 0;
        uint64_t id = 0;
        if (v <= 1) {
            id = e.Number(2);  // no item type: not a picture
        } else {
            id = e.Number(v == 2 ? 2 : 4);
            e.Skip(2);  // protection index
            type = static_cast<uint32_t>(e.Number(4));
        }
        if (!e.Ok()) return false;
        types_.emplace(static_cast<uint32_t>(id), type);  // the first entry of an id stays
    }
    return true;
}

bool Container::ReadLocations(Span payload) {
    Reader r(payload);
    const uint64_t version = FullBoxVersion(r);
    const uint64_t sizes = r.Number(2);
    // libheif reads fields of 4 or 8 bytes; a field of any other declared
    // size is read as 0 and takes no bytes.
    const auto field = [&r](uint64_t bytes) { return bytes == 4 || bytes == 8 ? r.Number(static_cast<int>(bytes)) : 0; };
    const uint64_t offsetSize = sizes >> 12 & 15, lengthSize = sizes >> 8 & 15, baseSize = sizes >> 4 & 15;
    const uint64_t indexSize = version > 1 ? sizes & 15 : 0;
    const uint64_t count = r.Number(version < 2 ? 2 : 4);
    if (!r.Ok() || count > kMostLocations) return false;
    for (uint64_t i = 0; i < count; ++i) {
        Location location;
        location.id = static_cast<uint32_t>(r.Number(version < 2 ? 2 : 4));
        if (version >= 1) location.method = r.Number(2) & 15;
        r.Skip(2);  // data reference index
        location.base = field(baseSize);
        const uint64_t extents = r.Number(2);
        if (extents > kMostExtents) return false;
        for (uint64_t x = 0; x < extents; ++x) {
            field(indexSize);
            const uint64_t offset = field(offsetSize);
            location.extents.emplace_back(offset, field(lengthSize));
        }
        if (!r.Ok()) return false;
        locations_.push_back(std::move(location));
    }
    return true;
}

bool Container::ReadAssociations(Span payload) {
    Reader r(payload);
    uint64_t flags = 0;
    const uint64_t version = FullBoxVersion(r, &flags);
    const uint64_t count = r.Number(4);
    for (uint64_t i = 0; i < count && r.Ok() && !r.AtEnd(); ++i) {
        const uint64_t id = r.Number(version < 1 ? 2 : 4);
        const uint64_t n = r.Number(1);
        std::vector<uint64_t> indices;
        for (uint64_t k = 0; k < n; ++k) indices.push_back(flags & 1 ? r.Number(2) & 0x7FFF : r.Number(1) & 0x7F);
        associations_.emplace_back(static_cast<uint32_t>(id), std::move(indices));
    }
    return r.Ok();
}

bool Container::ReadReferences(Span payload) {
    Reader r(payload);
    const uint64_t version = FullBoxVersion(r);
    const int idBytes = version == 0 ? 2 : 4;
    while (r.Ok() && !r.AtEnd()) {
        // libheif reads each reference's box header and then its fields,
        // whatever size the header gives.
        Reference ref;
        const uint64_t size = r.Number(4);
        ref.type = static_cast<uint32_t>(r.Number(4));
        if (size == 1) r.Number(8);
        if (ref.type == Tag("uuid")) r.Skip(16);
        ref.from = static_cast<uint32_t>(r.Number(idBytes));
        const uint64_t n = r.Number(2);
        for (uint64_t i = 0; i < n && r.Ok(); ++i) {
            ref.to.push_back(static_cast<uint32_t>(r.Number(idBytes)));
            if (r.AtEnd()) break;
        }
        references_.push_back(std::move(ref));
    }
    return r.Ok();
}

bool Container::PropertiesOf(uint32_t id, std::vector<const Box*>& out) const {
    for (const auto& [item, indices] : associations_) {
        if (item != id) continue;
        for (const uint64_t index : indices) {
            if (index > properties_.size()) return false;
            if (index > 0) out.push_back(&properties_[static_cast<size_t>(index - 1)]);
        }
        return true;
    }
    return false;
}

bool Container::DataOf(uint32_t id, Run& run) const {
    const auto location = std::find_if(locations_.begin(), locations_.end(),
                                       [id](const Location& l) { return l.id == id; });
    if (location == locations_.end()) return false;
    Span from;
    if (location->method == 0) from = file_;
    else if (location->method == 1 && idat_) from = idat_->payload;
    else return false;
    for (const auto& [offset, length] : location->extents) {
        if (location->base > from.size || offset > from.size - location->base ||
            length > from.size - location->base - offset)
            return false;
        run.Add(Span{from.data + location->base + offset, length});
    }
    return true;
}

// How much libheif would make for one picture and what it contains.
struct CodedSize {
    int64_t largestArea = 0;  // of the parameter sets the stream carries
    int64_t pictures = 0;     // pictures the stream starts
};

// What libde265 allocates for: the picture size of every sequence
// parameter set of the base layer (libde265 drops the other layers).
// `nal` is the start of a NAL unit of `size` bytes.
HeifLimits ReadHevcNal(const uint8_t* nal, uint64_t size, CodedSize& coded) {
    if (size < 2) return HeifLimits::kWithin;
    const int type = nal[0] >> 1 & 63;
    const int layer = (nal[0] & 1) << 5 | nal[1] >> 3;
    if (layer > 0) return HeifLimits::kWithin;
    // A slice whose first_slice_segment_in_pic_flag is set starts a picture.
    if (type <= 21 && size > 2 && (nal[2] & 0x80) != 0) ++coded.pictures;
    if (type != 33) return HeifLimits::kWithin;

    // The parameter set's bytes without their emulation prevention bytes
    // (00 00 03), as far as the picture size can lie.
    uint8_t rbsp[256];
    uint64_t n = 0;
    int zeros = 0;
    for (uint64_t i = 2; i < size && n < sizeof rbsp; ++i) {
        if (zeros >= 2 && nal[i] == 3) {
            zeros = 0;
            continue;
        }
        zeros = nal[i] == 0 ? zeros + 1 : 0;
        rbsp[n++] = nal[i];
    }
    // libde265's reading: sps_video_parameter_set_id,
    // sps_max_sub_layers_minus1, sps_temporal_id_nesting_flag,
    // profile_tier_level, sps_seq_parameter_set_id, chroma_format_idc
    // (separate_colour_plane_flag), then the luma picture size.
    constexpr int kMostZeros = 20;
    BitReader b(rbsp, n);
    b.Bits(4);
    const uint64_t subLayers = b.Bits(3) + 1;
    if (subLayers > 7) return HeifLimits::kUnreadable;
    b.Bits(1);
    b.Bits(96);  // the general profile, tier and level
    bool profilePresent[8] = {}, levelPresent[8] = {};
    for (uint64_t i = 0; i + 1 < subLayers; ++i) {
        profilePresent[i] = b.Bits(1) != 0;
        levelPresent[i] = b.Bits(1) != 0;
    }
    if (subLayers > 1)
        for (uint64_t i = subLayers - 1; i < 8; ++i) b.Bits(2);
    for (uint64_t i = 0; i + 1 < subLayers; ++i) {
        if (profilePresent[i]) b.Bits(88);
        if (levelPresent[i]) b.Bits(8);
    }
    if (b.Golomb(kMostZeros) >= 16) return HeifLimits::kUnreadable;
    const uint64_t chroma = b.Golomb(kMostZeros);
    if (chroma > 3) return HeifLimits::kUnreadable;
    if (chroma == 3) b.Bits(1);
    const uint64_t width = b.Golomb(kMostZeros);
    const uint64_t height = b.Golomb(kMostZeros);
    if (!b.Ok() || width == 0 || height == 0) return HeifLimits::kUnreadable;
    if (!PictureSizeAllowed(static_cast<int64_t>(width), static_cast<int64_t>(height))) return HeifLimits::kTooLarge;
    coded.largestArea = std::max(coded.largestArea, static_cast<int64_t>(width * height));
    return HeifLimits::kWithin;
}

// The largest frame of an AV1 sequence header, as dav1d reads it; the
// header starts `obu` and has `size` bytes.
HeifLimits ReadAv1SequenceHeader(const uint8_t* obu, uint64_t size, CodedSize& coded) {
    constexpr int kMostZeros = 31;
    BitReader b(obu, size);
    if (b.Bits(3) > 2) return HeifLimits::kUnreadable;  // seq_profile
    const bool still = b.Bits(1) != 0;
    const bool reduced = b.Bits(1) != 0;
    if (reduced && !still) return HeifLimits::kUnreadable;
    if (reduced) {
        b.Bits(5);  // seq_level_idx
    } else {
        bool decoderModel = false;
        int delayBits = 0;
        if (b.Bits(1)) {  // timing_info_present_flag
            b.Bits(64);   // num_units_in_display_tick, time_scale
            if (b.Bits(1)) {
                b.Golomb(kMostZeros);  // num_ticks_per_picture_minus_1
                if (!b.Ok()) return HeifLimits::kUnreadable;
            }
            decoderModel = b.Bits(1) != 0;
            if (decoderModel) {
                delayBits = static_cast<int>(b.Bits(5)) + 1;
                b.Bits(32 + 5 + 5);
            }
        }
        const bool displayModel = b.Bits(1) != 0;
        const uint64_t operatingPoints = b.Bits(5) + 1;
        for (uint64_t i = 0; i < operatingPoints && b.Ok(); ++i) {
            const uint64_t idc = b.Bits(12);
            if (idc && (!(idc & 0xFF) || !(idc & 0xF00))) return HeifLimits::kUnreadable;
            const uint64_t majorLevel = 2 + b.Bits(3);
            b.Bits(2);
            if (majorLevel > 3) b.Bits(1);  // seq_tier
            if (decoderModel && b.Bits(1)) b.Bits(2 * delayBits + 1);
            if (displayModel && b.Bits(1)) b.Bits(4);
        }
    }
    const int widthBits = static_cast<int>(b.Bits(4)) + 1;
    const int heightBits = static_cast<int>(b.Bits(4)) + 1;
    const int64_t width = static_cast<int64_t>(b.Bits(widthBits)) + 1;
    const int64_t height = static_cast<int64_t>(b.Bits(heightBits)) + 1;
    if (!b.Ok()) return HeifLimits::kUnreadable;
    if (!PictureSizeAllowed(width, height)) return HeifLimits::kTooLarge;
    coded.largestArea = std::max(coded.largestArea, width * height);
    return HeifLimits::kWithin;
}

// What libheif hands libde265: the NAL units of "hvcC", then the item's
// data read as NAL units each after a 4-byte length.
HeifLimits ReadHevc(const Box& config, const Run& data, CodedSize& coded) {
    Reader h(config.payload);
    h.Skip(22);
    const uint64_t arrays = h.Number(1);
    for (uint64_t a = 0; a < arrays && h.Ok(); ++a) {
        h.Skip(1);
        const uint64_t units = h.Number(2);
        for (uint64_t u = 0; u < units && h.Ok(); ++u) {
            const Span nal = h.Take(h.Number(2));
            if (!h.Ok()) break;
            const HeifLimits read = ReadHevcNal(nal.data, nal.size, coded);
            if (read != HeifLimits::kWithin) return read;
        }
    }
    if (!h.Ok()) return HeifLimits::kUnreadable;

    uint8_t head[256];
    for (uint64_t pos = 0; pos < data.Size();) {
        uint8_t length[4];
        if (!data.Copy(pos, 4, length)) return HeifLimits::kUnreadable;
        const uint64_t size = uint64_t{length[0]} << 24 | uint64_t{length[1]} << 16 | uint64_t{length[2]} << 8 | length[3];
        pos += 4;
        if (size > data.Size() - pos) return HeifLimits::kUnreadable;
        const uint64_t kept = std::min<uint64_t>(size, sizeof head);
        data.Copy(pos, kept, head);
        // A sequence parameter set's picture size lies well inside the
        // bytes kept; one that reaches past them is not read as complete.
        const HeifLimits read = ReadHevcNal(head, kept, coded);
        if (read != HeifLimits::kWithin) return read;
        pos += size;
    }
    return HeifLimits::kWithin;
}

// What libheif hands dav1d: the configuration OBUs of "av1C", then the
// item's data, all one run of OBUs (`stream`).
HeifLimits ReadAv1(const Run& stream, CodedSize& coded) {
    constexpr uint32_t kSequenceHeader = 1, kFrameHeader = 3, kFrame = 6;
    const uint64_t total = stream.Size();
    uint8_t head[1024];
    for (uint64_t pos = 0; pos < total;) {
        uint8_t header = 0;
        stream.Copy(pos, 1, &header);
        const uint32_t type = header >> 3 & 15;
        const bool extension = (header >> 2 & 1) != 0;
        const bool hasSize = (header >> 1 & 1) != 0;
        uint64_t at = pos + 1 + (extension ? 1 : 0);
        if (at > total) return HeifLimits::kUnreadable;
        uint64_t length = total - at;
        if (hasSize) {
            // dav1d's leb128: at most 8 bytes, a value within 32 bits.
            length = 0;
            bool more = true;
            for (int i = 0; i < 8 && more; ++i) {
                uint8_t byte = 0;
                if (!stream.Copy(at++, 1, &byte)) return HeifLimits::kUnreadable;
                length |= uint64_t{byte & 0x7Fu} << (7 * i);
                more = (byte & 0x80) != 0;
            }
            if (more || length > 0xFFFFFFFFu || length > total - at) return HeifLimits::kUnreadable;
        }
        if (type == kFrameHeader || type == kFrame) ++coded.pictures;
        if (type == kSequenceHeader) {
            const uint64_t kept = std::min<uint64_t>(length, sizeof head);
            stream.Copy(at, kept, head);
            const HeifLimits read = ReadAv1SequenceHeader(head, kept, coded);
            if (read != HeifLimits::kWithin) return read;
        }
        pos = at + length;
    }
    return HeifLimits::kWithin;
}

bool IsImageType(uint32_t type) {
    return type == Tag("hvc1") || type == Tag("av01") || type == Tag("grid") || type == Tag("iovl") ||
           type == Tag("iden");
}

bool IsAlphaType(const Box& auxC) {
    Reader r(auxC.payload);
    FullBoxVersion(r);
    const Span rest = r.Rest();
    const auto* end = static_cast<const uint8_t*>(std::memchr(rest.data, 0, static_cast<size_t>(rest.size)));
    if (!r.Ok() || !end) return false;
    const std::string urn(reinterpret_cast<const char*>(rest.data), static_cast<size_t>(end - rest.data));
    return urn == "urn:mpeg:avc:2015:auxid:1" || urn == "urn:mpeg:hevc:2015:auxid:1" ||
           urn == "urn:mpeg:mpegB:cicp:systems:auxiliary:alpha";
}

// Follows one image as libheif's decode does and adds up what it makes.
class Walk {
public:
    explicit Walk(const Container& container) : c_(container) {}
    HeifLimits Visit(uint32_t id, int depth);

private:
    // Deeper than any real file nests (an overlay of grids with alpha
    // planes is three): libheif has no end to the references it follows.
    static constexpr int kDeepest = 8;

    HeifLimits Coded(uint32_t id, bool hevc);
    HeifLimits Canvas(uint32_t id, bool grid);
    HeifLimits Count(int64_t pixels, bool coded);
    HeifLimits AlphaPlanes(uint32_t id, int depth);

    const Container& c_;
    int64_t pixels_ = 0;
    int32_t codedPictures_ = 0;
};

HeifLimits Walk::Visit(uint32_t id, int depth) {
    if (depth > kDeepest) return HeifLimits::kUnreadable;
    const uint32_t type = c_.TypeOf(id);
    HeifLimits result = HeifLimits::kWithin;
    std::vector<uint32_t> children;
    if (!IsImageType(type)) return HeifLimits::kUnreadable;  // libheif decodes no other kind
    if (type == Tag("hvc1") || type == Tag("av01")) {
        result = Coded(id, type == Tag("hvc1"));
    } else if (type == Tag("grid") || type == Tag("iovl")) {
        result = Canvas(id, type == Tag("grid"));
        children = c_.References(id, Tag("dimg"));
    } else {  // "iden": the one image it is derived from
        children = c_.References(id, Tag("dimg"));
        if (children.size() != 1) return HeifLimits::kUnreadable;
    }
    for (const uint32_t child : children) {
        if (result != HeifLimits::kWithin) break;
        result = Visit(child, depth + 1);
    }
    return result == HeifLimits::kWithin ? AlphaPlanes(id, depth) : result;
}

// libheif decodes an image's alpha plane with it: an image that refers to
// it by "auxl" and whose "auxC" (the last one) names alpha. libheif takes
// one of them, when its size matches; all are followed here.
HeifLimits Walk::AlphaPlanes(uint32_t id, int depth) {
    for (const Reference& ref : c_.AllReferences()) {
        if (ref.type != Tag("auxl") || ref.to.size() != 1 || ref.to[0] != id || ref.from == id ||
            !IsImageType(c_.TypeOf(ref.from)))
            continue;
        std::vector<const Box*> properties;
        if (!c_.PropertiesOf(ref.from, properties)) continue;
        const Box* auxC = nullptr;
        for (const Box* p : properties)
            if (p->type == Tag("auxC")) auxC = p;
        if (!auxC || !IsAlphaType(*auxC)) continue;
        const HeifLimits result = Visit(ref.from, depth + 1);
        if (result != HeifLimits::kWithin) return result;
    }
    return HeifLimits::kWithin;
}

HeifLimits Walk::Coded(uint32_t id, bool hevc) {
    std::vector<const Box*> properties;
    if (!c_.PropertiesOf(id, properties)) return HeifLimits::kUnreadable;
    const uint32_t configType = hevc ? Tag("hvcC") : Tag("av1C");
    const auto config = std::find_if(properties.begin(), properties.end(),
                                     [configType](const Box* p) { return p->type == configType; });
    if (config == properties.end()) return HeifLimits::kUnreadable;
    Run data;
    const Span configuration = (*config)->payload;
    if (!hevc) {
        if (configuration.size < 4) return HeifLimits::kUnreadable;
        data.Add(Span{configuration.data + 4, configuration.size - 4});
    }
    if (!c_.DataOf(id, data)) return HeifLimits::kUnreadable;
    CodedSize coded;
    const HeifLimits read = hevc ? ReadHevc(**config, data, coded) : ReadAv1(data, coded);
    if (read != HeifLimits::kWithin) return read;
    return Count(coded.largestArea * std::max<int64_t>(coded.pictures, 1), true);
}

HeifLimits Walk::Canvas(uint32_t id, bool grid) {
    Run data;
    if (!c_.DataOf(id, data)) return HeifLimits::kUnreadable;
    // A grid: version, flags, rows - 1, columns - 1, then the size in 16
    // or (flags bit 0) 32 bits. An overlay: version 0, flags, four 16-bit
    // fill colour values, then the size.
    uint8_t head[18] = {};
    const uint64_t start = grid ? 4 : 10;
    if (!data.Copy(0, 2, head)) return HeifLimits::kUnreadable;
    const int field = (head[1] & 1) ? 4 : 2;
    if ((!grid && head[0] != 0) || !data.Copy(0, start + 2 * field, head)) return HeifLimits::kUnreadable;
    Reader r(Span{head + start, static_cast<uint64_t>(2 * field)});
    const auto width = static_cast<int64_t>(r.Number(field));
    const auto height = static_cast<int64_t>(r.Number(field));
    if (!PictureSizeAllowed(width, height)) return HeifLimits::kTooLarge;
    return Count(width * height, false);
}

HeifLimits Walk::Count(int64_t pixels, bool coded) {
    if (coded && ++codedPictures_ > kMostCodedPictures) return HeifLimits::kTooMuchWork;
    pixels_ += pixels;
    return pixels_ > kLargestPixelsInAll ? HeifLimits::kTooMuchWork : HeifLimits::kWithin;
}

}  // namespace

HeifLimits CheckHeifLimits(const uint8_t* file, uint64_t size) {
    Container container;
    if (!container.Read(Span{file, size})) return HeifLimits::kUnreadable;
    return Walk(container).Visit(container.primary, 0);
}
