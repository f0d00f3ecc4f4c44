#include "library/picture_list_format.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "library/stored_text.h"

namespace {
constexpr size_t kNameChunk = 10000;
constexpr size_t kHeadFixedBytes = 18;  // 0x00, flags, four 32-bit fields

void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
uint32_t Get32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint64_t NamesBytes(const TStringList& names) {
    uint64_t total = 0;
    for (const std::string& n : names) total += n.size() + 1;
    return total;
}

// Names of `bytes`, each ended by 0x00, at most `limit` of them; a trailing
// piece without its 0x00 is not a name.
void SplitNames(const std::vector<uint8_t>& bytes, size_t size, uint64_t limit, TStringList& names) {
    const char* p = reinterpret_cast<const char*>(bytes.data());
    const char* end = p + size;
    while (p < end && names.size() < limit) {
        const char* zero = static_cast<const char*>(std::memchr(p, 0, static_cast<size_t>(end - p)));
        if (!zero) break;
        names.push_back(TextFromStore(std::string(p, zero)));
        p = zero + 1;
    }
}

// Reads a name part of `length` bytes into `names`. False when the stream
// ended first (the complete names are kept).
bool ReadNames(ByteSource& source, uint64_t length, uint64_t count, std::vector<uint8_t>& buffer,
               TStringList& names) {
    const uint64_t available = std::min<uint64_t>(length, source.Remaining());
    buffer.resize(static_cast<size_t>(available));
    const size_t got = available ? source.Read(buffer.data(), buffer.size()) : 0;
    names.reserve(static_cast<size_t>(std::min<uint64_t>(count, got)));
    SplitNames(buffer, got, count, names);
    return got == length;
}

struct BlockHead {
    std::string path;
    uint8_t flags = 0;
    uint64_t pictureCount = 0;
    uint64_t pictureBytes = 0;
    uint64_t extraCount = 0;
    uint64_t extraBytes = 0;
};

// Splits a block head by the layout of `version`. False when it is damaged.
bool ParseHead(const std::vector<uint8_t>& head, uint32_t version, BlockHead& out) {
    const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(head.data(), 0, head.size()));
    if (!zero) return false;
    out.path = TextFromStore(std::string(reinterpret_cast<const char*>(head.data()), reinterpret_cast<const char*>(zero)));
    const uint8_t* p = zero + 1;
    const size_t rest = head.size() - static_cast<size_t>(p - head.data());
    if (version >= kPicListVersion) {
        if (rest < 17) return false;
        out.flags = p[0];
        out.pictureCount = Get32(p + 1);
        const uint32_t total = Get32(p + 5);
        out.extraCount = Get32(p + 9);
        out.extraBytes = Get32(p + 13);
        if (out.extraBytes > total) return false;
        out.pictureBytes = total - out.extraBytes;
    } else if (version >= kPicListVersionCounts32) {
        if (rest < 9) return false;
        out.flags = p[0];
        out.pictureCount = Get32(p + 1);
        out.pictureBytes = Get32(p + 5);
    } else {
        if (rest < 7) return false;
        out.flags = p[0];
        out.pictureCount = Get16(p + 1);
        out.pictureBytes = Get32(p + 3);
    }
    return true;
}
}  // namespace

bool MemorySink::Write(const void* data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + size);
    return true;
}

size_t MemorySource::Read(void* data, size_t size) {
    const size_t n = std::min(size, size_ - pos_);
    // An empty source may have no buffer at all (an empty vector's data() is
    // null), and memcpy wants valid pointers even for zero bytes.
    if (n == 0) return 0;
    std::memcpy(data, data_ + pos_, n);
    pos_ += n;
    return n;
}

void CheckStorable(const TPicList& list) {
    for (int i = 0; i < list.Count(); ++i) {
        const TFolderItem& item = list.At(i);
        const uint64_t total = NamesBytes(*item.Pictures) + NamesBytes(*item.ExtraNames);
        if (item.Path.size() + kHeadFixedBytes > 0xFFFF || total > 0xFFFFFFFFu ||
            item.Pictures->size() > 0xFFFFFFFFu || item.ExtraNames->size() > 0xFFFFFFFFu)
            throw std::runtime_error("Picture list entry too large to store: " + item.Path);
    }
}

bool WritePicList(const TPicList& list, ByteSink& sink) {
    const uint8_t header[6] = {'P', 'R', static_cast<uint8_t>(kPicListVersion),
                               static_cast<uint8_t>(kPicListVersion >> 8), static_cast<uint8_t>(kPicListVersion >> 16),
                               static_cast<uint8_t>(kPicListVersion >> 24)};
    if (!sink.Write(header, sizeof(header))) return false;
    std::vector<uint8_t> head, names;
    names.reserve(kNameChunk * 2);
    for (int i = 0; i < list.Count(); ++i) {
        const TFolderItem& item = list.At(i);
        const uint32_t extraBytes = static_cast<uint32_t>(NamesBytes(*item.ExtraNames));
        const uint32_t total = static_cast<uint32_t>(NamesBytes(*item.Pictures)) + extraBytes;
        head.clear();
        Put16(head, static_cast<uint16_t>(item.Path.size() + kHeadFixedBytes));
        head.insert(head.end(), item.Path.begin(), item.Path.end());
        head.push_back(0);
        head.push_back(static_cast<uint8_t>((item.AutoRefresh ? 1 : 0) | (item.IncludeSubdirs ? 2 : 0)));
        Put32(head, static_cast<uint32_t>(item.Pictures->size()));
        Put32(head, total);
        Put32(head, static_cast<uint32_t>(item.ExtraNames->size()));
        Put32(head, extraBytes);
        if (!sink.Write(head.data(), head.size())) return false;

        names.clear();
        for (const std::string& name : *item.Pictures) {
            names.insert(names.end(), name.begin(), name.end());
            names.push_back(0);
            if (names.size() > kNameChunk) {
                if (!sink.Write(names.data(), names.size())) return false;
                names.clear();
            }
        }
        if (!names.empty() && !sink.Write(names.data(), names.size())) return false;
        for (const std::string& name : *item.ExtraNames)
            if (!sink.Write(name.c_str(), name.size() + 1)) return false;
    }
    return true;
}

void ParsePicList(ByteSource& source, TPicList& list) {
    uint8_t start[4];
    if (source.Read(start, 2) != 2) return;
    uint32_t version = 0;
    if (start[0] == 'P' && start[1] == 'R') {
        if (source.Read(start, 4) != 4) return;
        version = Get32(start);
    }
    std::vector<uint8_t> head, buffer;
    for (;;) {
        uint8_t lengthBytes[2];
        if (source.Read(lengthBytes, 2) != 2) return;
        const uint16_t length = Get16(lengthBytes);
        if (length == 0 || source.Remaining() < length) return;
        head.resize(length);
        if (source.Read(head.data(), length) != length) return;

        BlockHead h;
        if (!ParseHead(head, version, h)) return;
        TFolderItem item;
        item.Path = h.path;
        item.AutoRefresh = (h.flags & 1) != 0;
        item.IncludeSubdirs = (h.flags & 2) != 0;
        bool complete = ReadNames(source, h.pictureBytes, h.pictureCount, buffer, *item.Pictures);
        if (complete && version >= kPicListVersion)
            complete = ReadNames(source, h.extraBytes, h.extraCount, buffer, *item.ExtraNames);
        list.AddItem(item);
        if (!complete) return;
    }
}
