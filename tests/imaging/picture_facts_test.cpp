// The readers of what a file says about itself: ICC profile parts joined from
// JPEG APP2 segments, the date taken from an EXIF block, and both from a PNG
// file's chunks.
#include "imaging/picture_facts.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "imaging/decode_source.h"
#include "imaging/png_facts.h"

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// A fake profile of `size` bytes whose header gives its size.
Bytes Profile(uint32_t size) {
    Bytes p(size, 0x5A);
    p[0] = static_cast<uint8_t>(size >> 24);
    p[1] = static_cast<uint8_t>(size >> 16);
    p[2] = static_cast<uint8_t>(size >> 8);
    p[3] = static_cast<uint8_t>(size);
    return p;
}

Bytes Chunk(const Bytes& profile, size_t from, size_t to, int number, int count) {
    static const char kSignature[] = "ICC_PROFILE";
    Bytes c(kSignature, kSignature + sizeof kSignature);
    c.push_back(uint8_t(number));
    c.push_back(uint8_t(count));
    for (size_t i = from; i < to; ++i) c.push_back(profile[i]);
    return c;
}

std::vector<SegmentBytes> Segments(const std::vector<Bytes>& chunks) {
    std::vector<SegmentBytes> s;
    for (const Bytes& c : chunks) s.push_back(SegmentBytes{c.data(), c.size()});
    return s;
}

TEST(PictureFacts, IccPartsAreJoinedInTheirNumbersOrderAndOnlyWhenWhole) {
    const Bytes profile = Profile(1000);
    const Bytes a = Chunk(profile, 0, 400, 1, 3), b = Chunk(profile, 400, 800, 2, 3), c = Chunk(profile, 800, 1000, 3, 3);
    const Bytes other = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', '.', 'a', 'd', 'o', 'b', 'e'};
    EXPECT_EQ(JoinIccChunks(Segments({a, b, c})), profile);
    EXPECT_EQ(JoinIccChunks(Segments({c, other, a, b})), profile) << "any order, other APP2 kinds passed over";
    EXPECT_TRUE(JoinIccChunks(Segments({a, c})).empty()) << "a part missing";
    EXPECT_TRUE(JoinIccChunks(Segments({a, b, b, c})).empty()) << "a part twice";
    EXPECT_TRUE(JoinIccChunks(Segments({a, b, Chunk(profile, 800, 1000, 3, 4)})).empty()) << "counts disagree";
    EXPECT_TRUE(JoinIccChunks(Segments({Chunk(profile, 0, 1000, 0, 1)})).empty()) << "number 0";
    EXPECT_TRUE(JoinIccChunks(Segments({Chunk(profile, 0, 900, 1, 1)})).empty()) << "shorter than it says";
    // A last part padded beyond the profile's own size.
    Bytes padded = Chunk(profile, 0, 1000, 1, 1);
    padded.insert(padded.end(), 3, 0);
    EXPECT_EQ(JoinIccChunks(Segments({padded})), profile);
    EXPECT_TRUE(JoinIccChunks(Segments({Bytes{'I', 'C', 'C'}})).empty());
}

// An EXIF block: IFD0 with the EXIF directory's pointer, the EXIF directory
// with one ASCII entry of `tag`.
Bytes Exif(bool little, uint16_t tag, const std::string& date, bool prefix) {
    Bytes b;
    auto w16 = [&](uint16_t v) {
        if (little) {
            b.push_back(uint8_t(v));
            b.push_back(uint8_t(v >> 8));
        } else {
            b.push_back(uint8_t(v >> 8));
            b.push_back(uint8_t(v));
        }
    };
    auto w32 = [&](uint32_t v) {
        if (little) {
            w16(uint16_t(v));
            w16(uint16_t(v >> 16));
        } else {
            w16(uint16_t(v >> 16));
            w16(uint16_t(v));
        }
    };
    b.push_back(little ? 'I' : 'M');
    b.push_back(little ? 'I' : 'M');
    w16(42);
    w32(8);
    w16(2);  // IFD0: make, then the EXIF pointer
    w16(0x010F), w16(2), w32(4), b.insert(b.end(), {'A', 'B', 'C', 0});
    w16(0x8769), w16(4), w32(1), w32(8 + 2 + 24 + 4);
    w32(0);
    w16(1);  // the EXIF directory
    w16(tag), w16(2), w32(20), w32(8 + 2 + 24 + 4 + 2 + 12 + 4);
    w32(0);
    b.insert(b.end(), date.begin(), date.end());
    b.push_back(0);
    if (prefix) b.insert(b.begin(), {'E', 'x', 'i', 'f', 0, 0});
    return b;
}

std::string DateOf(const Bytes& b) { return ReadExifDateTaken(b.data(), b.size()); }

TEST(PictureFacts, TheDateTakenIsDateTimeOriginalInEitherByteOrder) {
    EXPECT_EQ(DateOf(Exif(true, 0x9003, "2019:07:14 18:05:09", true)), "2019:07:14 18:05:09");
    EXPECT_EQ(DateOf(Exif(false, 0x9003, "1998:12:31 23:59:59", false)), "1998:12:31 23:59:59");
    // Another date of the block (the digitised one) is not taken for it.
    EXPECT_EQ(DateOf(Exif(true, 0x9004, "2019:07:14 18:05:09", true)), "");
    for (const char* bad : {"0000:00:00 00:00:00", "2019:13:14 18:05:09", "2019:07:14 24:05:09", "2019-07-14 18:05:09",
                            "    :  :     :  :  "})
        EXPECT_EQ(DateOf(Exif(true, 0x9003, bad, true)), "") << bad;
    // Cut anywhere, the block gives no date and is never read past its end.
    const Bytes whole = Exif(true, 0x9003, "2019:07:14 18:05:09", false);
    for (size_t n = 0; n + 1 < whole.size(); ++n) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(DateOf(cut), "") << n;
    }
    EXPECT_EQ(ReadExifDateTaken(nullptr, 10), "");
}

// A PNG file of the given chunks (type, then data), CRCs left zero: the
// pixels' decoder checks them, not the reader of facts.
Bytes Png(const std::vector<std::pair<std::string, Bytes>>& chunks) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const auto& [type, data] : chunks) {
        const auto n = static_cast<uint32_t>(data.size());
        for (int shift = 24; shift >= 0; shift -= 8) png.push_back(uint8_t(n >> shift));
        png.insert(png.end(), type.begin(), type.end());
        png.insert(png.end(), data.begin(), data.end());
        png.insert(png.end(), 4, 0);
    }
    return png;
}

Bytes Iccp(const Bytes& profile, uint8_t method = 0) {
    uLongf size = compressBound(static_cast<uLong>(profile.size()));
    Bytes packed(size);
    compress(packed.data(), &size, profile.data(), static_cast<uLong>(profile.size()));
    packed.resize(size);
    packed.insert(packed.begin(), {'P', '3', 0, method});  // the name, its zero, the method
    return packed;
}

PngFacts FactsOfPng(const Bytes& png) {
    DecodeSource source{};
    SetMemoryDecodeSource(source, png.data(), static_cast<int32_t>(png.size()));
    return ReadPngFacts(source);
}

TEST(PictureFacts, PngChunksGiveTheProfileTheColourCodesAndTheDate) {
    const Bytes profile = Profile(3000), ihdr(13, 1), idat(100, 7);
    const Bytes exif = Exif(true, 0x9003, "2019:07:14 18:05:09", false);
    const Bytes png = Png({{"IHDR", ihdr}, {"iCCP", Iccp(profile)}, {"IDAT", idat}, {"eXIf", exif}, {"IEND", {}}});
    PngFacts f = FactsOfPng(png);
    EXPECT_TRUE(f.isPng);
    EXPECT_EQ(f.iccProfile, profile);
    EXPECT_EQ(f.dateTaken, "2019:07:14 18:05:09") << "eXIf after the pixels is read too";
    EXPECT_FALSE(f.hasCicp);

    // cICP describes the colours in place of the profile.
    f = FactsOfPng(Png({{"IHDR", ihdr}, {"cICP", {9, 16, 0, 1}}, {"iCCP", Iccp(profile)}, {"IEND", {}}}));
    EXPECT_TRUE(f.hasCicp);
    EXPECT_EQ(f.cicp, (std::array<int32_t, 4>{9, 16, 0, 1}));
    EXPECT_TRUE(f.iccProfile.empty());

    // Profiles that cannot be had: another compression method, a damaged
    // stream, one that inflates beyond any profile's size, one shorter
    // than its header says, an empty chunk.
    Bytes damaged = Iccp(profile);
    damaged.resize(damaged.size() - 20);
    const Bytes huge = Profile(17u << 20), cut(profile.begin(), profile.begin() + 2000);
    for (const Bytes& chunk : {Iccp(profile, 1), damaged, Iccp(huge), Iccp(cut), Bytes{}})
        EXPECT_TRUE(FactsOfPng(Png({{"IHDR", ihdr}, {"iCCP", chunk}, {"IEND", {}}})).iccProfile.empty());

    // Cut anywhere, the file gives what lies whole before the cut, and is
    // never read past its end.
    const size_t exifEnd = png.size() - 12 - 4;  // before IEND and eXIf's CRC
    for (size_t n = 0; n < png.size(); ++n) {
        const PngFacts cut = FactsOfPng(Bytes(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(n)));
        EXPECT_EQ(cut.isPng, n >= 8) << n;
        EXPECT_EQ(cut.dateTaken.empty(), n < exifEnd) << n;
    }
    EXPECT_FALSE(FactsOfPng(Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}).isPng);
    // A length beyond the file's end ends the walk.
    Bytes lying = Png({{"IHDR", ihdr}, {"eXIf", exif}});
    lying[8 + 8 + 13 + 4] = 0x7F;
    EXPECT_TRUE(FactsOfPng(lying).dateTaken.empty());
}

}  // namespace
