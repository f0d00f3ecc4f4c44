// The Exif item of a HEIF file: the word before the TIFF header that says
// where it starts, checked against the item's own size.
#include "plugins/heif/heif_facts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "imaging/picture_facts.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Item(uint32_t offset, const std::string& rest) {
    Bytes b(4 + rest.size());
    for (int i = 0; i < 4; ++i) b[i] = uint8_t(offset >> (24 - 8 * i));
    std::copy(rest.begin(), rest.end(), b.begin() + 4);
    return b;
}

std::string Tiff(const ExifBytes& e) {
    return e.data ? std::string(reinterpret_cast<const char*>(e.data), e.size) : std::string("(none)");
}

TEST(HeifExifItem, TheOffsetWordIsPassedOverAndChecked) {
    const Bytes plain = Item(0, std::string("II*\0rest", 8));
    EXPECT_EQ(Tiff(TiffOfHeifExifItem(plain.data(), plain.size())), std::string("II*\0rest", 8));
    const Bytes prefixed = Item(6, std::string("Exif\0\0MM\0*", 10));
    EXPECT_EQ(Tiff(TiffOfHeifExifItem(prefixed.data(), prefixed.size())), std::string("MM\0*", 4));
    // The offset may reach the item's end exactly (nothing left), not beyond.
    const Bytes toEnd = Item(4, "abcd");
    const ExifBytes empty = TiffOfHeifExifItem(toEnd.data(), toEnd.size());
    EXPECT_NE(empty.data, nullptr);
    EXPECT_EQ(empty.size, 0u);
    const Bytes beyond = Item(5, "abcd");
    EXPECT_EQ(TiffOfHeifExifItem(beyond.data(), beyond.size()).data, nullptr);
    const Bytes huge = Item(0xFFFFFFFF, "abcd");  // would wrap a 32-bit sum
    EXPECT_EQ(TiffOfHeifExifItem(huge.data(), huge.size()).data, nullptr);
    const Bytes shortItem = {0, 0, 0};
    EXPECT_EQ(TiffOfHeifExifItem(shortItem.data(), shortItem.size()).data, nullptr);
    EXPECT_EQ(TiffOfHeifExifItem(nullptr, 10).data, nullptr);
}

// With the offset to its TIFF header, an item's date is read; read from the
// offset word itself, it would not be.
TEST(HeifExifItem, DateTakenOfAnItemWithItsPrefix) {
    // Big-endian TIFF: IFD0 with the EXIF pointer, the EXIF directory with
    // DateTimeOriginal, the date behind it.
    const std::string date = "2018:12:31 23:59:59";
    auto be = [](uint32_t v, int bytes) {
        std::string out;
        for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>(v >> (8 * i) & 0xFF);
        return out;
    };
    std::string tiff = std::string("MM\0*", 4) + be(8, 4);
    tiff += be(1, 2) + be(0x8769, 2) + be(4, 2) + be(1, 4) + be(26, 4) + be(0, 4);
    tiff += be(1, 2) + be(0x9003, 2) + be(2, 2) + be(20, 4) + be(44, 4) + be(0, 4);
    tiff += date + std::string(1, '\0');
    const Bytes item = Item(6, std::string("Exif\0\0", 6) + tiff);
    const ExifBytes e = TiffOfHeifExifItem(item.data(), item.size());
    ASSERT_NE(e.data, nullptr);
    EXPECT_EQ(ReadExifDateTaken(e.data, e.size), date);
    EXPECT_EQ(ReadExifDateTaken(item.data(), item.size()), "");
}

}  // namespace
