#include "imaging/picture_facts.h"

#include <cstring>
#include <utility>

namespace {
constexpr char kIccSignature[] = "ICC_PROFILE";  // and its terminating zero
constexpr size_t kIccSignatureSize = sizeof kIccSignature;
constexpr size_t kIccChunkHeader = kIccSignatureSize + 2;  // then number and count
constexpr size_t kIccHeaderSize = 128;

// A TIFF structure's words, in its byte order, never read past its end.
class TiffReader {
public:
    TiffReader(const uint8_t* data, size_t size, bool little) : data_(data), size_(size), little_(little) {}
    bool Word16(size_t at, uint16_t& v) const {
        if (at > size_ || size_ - at < 2) return false;
        const uint8_t* p = data_ + at;
        v = little_ ? static_cast<uint16_t>(p[0] | p[1] << 8) : static_cast<uint16_t>(p[0] << 8 | p[1]);
        return true;
    }
    bool Word32(size_t at, uint32_t& v) const {
        if (at > size_ || size_ - at < 4) return false;
        const uint8_t* p = data_ + at;
        v = little_ ? static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                          static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24
                    : BigEndian32(p);
        return true;
    }
    const uint8_t* Bytes(size_t at, size_t count) const {
        return at <= size_ && size_ - at >= count ? data_ + at : nullptr;
    }

    // The entry of `tag` in the directory at `directory`: its type, count
    // and the offset of its value field. False when there is none.
    bool Find(size_t directory, uint16_t tag, uint16_t& type, uint32_t& count, size_t& valueField) const {
        uint16_t entries = 0;
        if (!Word16(directory, entries)) return false;
        for (uint32_t i = 0; i < entries; ++i) {
            const size_t entry = directory + 2 + size_t{12} * i;
            uint16_t t = 0;
            if (!Word16(entry, t) || !Word16(entry + 2, type) || !Word32(entry + 4, count)) return false;
            if (t == tag) {
                valueField = entry + 8;
                return true;
            }
        }
        return false;
    }

private:
    const uint8_t* data_;
    size_t size_;
    bool little_;
};

bool Digits(const char* p, int count, int& value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
        if (p[i] < '0' || p[i] > '9') return false;
        value = value * 10 + (p[i] - '0');
    }
    return true;
}

// "YYYY:MM:DD HH:MM:SS" with every field in its range.
bool RealDate(const char* d) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (d[4] != ':' || d[7] != ':' || d[10] != ' ' || d[13] != ':' || d[16] != ':') return false;
    if (!Digits(d, 4, year) || !Digits(d + 5, 2, month) || !Digits(d + 8, 2, day) || !Digits(d + 11, 2, hour) ||
        !Digits(d + 14, 2, minute) || !Digits(d + 17, 2, second))
        return false;
    return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour <= 23 && minute <= 59 &&
           second <= 60;
}
}  // namespace

uint32_t BigEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           p[3];
}

std::vector<uint8_t> JoinIccChunks(const std::vector<SegmentBytes>& segments) {
    std::vector<const SegmentBytes*> parts;
    int count = 0;
    for (const SegmentBytes& s : segments) {
        if (!s.data || s.size < kIccChunkHeader || std::memcmp(s.data, kIccSignature, kIccSignatureSize) != 0) continue;
        const int number = s.data[kIccSignatureSize];
        const int total = s.data[kIccSignatureSize + 1];
        if (total == 0 || number == 0 || number > total || (count != 0 && total != count)) return {};
        if (count == 0) {
            count = total;
            parts.assign(static_cast<size_t>(count), nullptr);
        }
        if (parts[static_cast<size_t>(number - 1)]) return {};  // given twice
        parts[static_cast<size_t>(number - 1)] = &s;
    }
    std::vector<uint8_t> profile;
    for (const SegmentBytes* part : parts) {
        if (!part) return {};
        profile.insert(profile.end(), part->data + kIccChunkHeader, part->data + part->size);
    }
    return WholeIccProfile(std::move(profile));
}

std::vector<uint8_t> WholeIccProfile(std::vector<uint8_t> profile) {
    if (profile.size() < kIccHeaderSize) return {};
    const uint32_t declared = BigEndian32(profile.data());
    if (declared < kIccHeaderSize || declared > profile.size()) return {};
    profile.resize(declared);
    return profile;
}

std::string ReadExifDateTaken(const uint8_t* block, size_t size) {
    constexpr uint16_t kExifDirectoryTag = 0x8769, kDateTimeOriginalTag = 0x9003;
    constexpr uint16_t kTypeAscii = 2, kTypeLong = 4;
    constexpr size_t kDateLength = 19;
    if (!block) return {};
    if (size >= 6 && std::memcmp(block, "Exif\0\0", 6) == 0) {
        block += 6;
        size -= 6;
    }
    if (size < 8) return {};
    const bool little = block[0] == 'I' && block[1] == 'I';
    if (!little && !(block[0] == 'M' && block[1] == 'M')) return {};
    const TiffReader tiff(block, size, little);
    uint16_t magic = 0;
    uint32_t first = 0;
    if (!tiff.Word16(2, magic) || magic != 42 || !tiff.Word32(4, first)) return {};

    uint16_t type = 0;
    uint32_t count = 0, exifDirectory = 0;
    size_t field = 0;
    if (!tiff.Find(first, kExifDirectoryTag, type, count, field) || type != kTypeLong || count != 1 ||
        !tiff.Word32(field, exifDirectory))
        return {};
    if (!tiff.Find(exifDirectory, kDateTimeOriginalTag, type, count, field) || type != kTypeAscii ||
        count < kDateLength)
        return {};
    uint32_t at = 0;
    if (!tiff.Word32(field, at)) return {};  // 20 bytes never fit the field itself
    const uint8_t* text = tiff.Bytes(at, kDateLength);
    if (!text) return {};
    return CheckedExifDate(std::string(reinterpret_cast<const char*>(text), kDateLength));
}

std::string CheckedExifDate(const std::string& text) {
    constexpr size_t kDateLength = 19;
    if (text.size() < kDateLength || (text.size() > kDateLength && text[kDateLength] != '\0')) return {};
    std::string date = text.substr(0, kDateLength);
    return RealDate(date.c_str()) ? date : std::string();
}
