#include <gtest/gtest.h>

#include <string>

#include "imaging/decode_source.h"
#include "imaging/row_reader.h"
#include "imaging/std_plugin_internal.h"
#include "tests/imaging/picture_files.h"
#include "tests/imaging/std_plugin_harness.h"

using namespace testpics;

namespace {

constexpr int kW = 5;  // odd, so rows need padding at every depth
constexpr int kH = 3;

Rgb Colour(int x, int y) { return {static_cast<uint8_t>(40 * x + 8), static_cast<uint8_t>(80 * y + 16), 200}; }

// Stored rows, bottom-up, padded to 4 bytes, made by `put` per pixel.
Bytes Rows(int bitsPerRow, const std::function<void(Bytes&, int x, int y)>& put, bool topDown = false) {
    Bytes data;
    const size_t rowBytes = static_cast<size_t>((bitsPerRow + 31) / 32 * 4);
    for (int i = 0; i < kH; ++i) {
        const int y = topDown ? i : kH - 1 - i;
        const size_t start = data.size();
        for (int x = 0; x < kW; ++x) put(data, x, y);
        data.resize(start + rowBytes, 0);
    }
    return data;
}

Bytes PackedRows(int bits, const std::function<int(int x, int y)>& index) {
    Bytes data;
    const size_t rowBytes = static_cast<size_t>((kW * bits + 31) / 32 * 4);
    for (int y = kH - 1; y >= 0; --y) {
        Bytes row(rowBytes, 0);
        for (int x = 0; x < kW; ++x) {
            const int bit = x * bits;
            row[bit / 8] |= static_cast<uint8_t>(index(x, y) << (8 - bits - bit % 8));
        }
        data.insert(data.end(), row.begin(), row.end());
    }
    return data;
}

void ExpectPicture(const Decoded& d, const std::function<Rgb(int, int)>& want, const std::string& what) {
    ASSERT_EQ(d.pictureWidth, kW) << what;
    ASSERT_EQ(d.pictureHeight, kH) << what;
    ASSERT_TRUE(d.hasPixels) << what;
    ASSERT_EQ(d.width, kW) << what;
    ASSERT_EQ(d.height, kH) << what;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) EXPECT_EQ(d.At(x, y), Pixel(want(x, y))) << what << " at " << x << "," << y;
}

TEST(BmpReader, TrueColourDepthsDecodeTopDown) {
    StdPluginHarness plugin;
    auto put24 = [](Bytes& b, int x, int y) {
        const Rgb c = Colour(x, y);
        b.insert(b.end(), {c.b, c.g, c.r});
    };
    ExpectPicture(plugin.Decode(kBmp, MakeBmp({.width = kW, .height = kH}, Rows(kW * 24, put24)), kW, kH), Colour,
                  "24");
    ExpectPicture(plugin.Decode(kBmp, MakeBmp({.headerSize = 64, .width = kW, .height = kH}, Rows(kW * 24, put24)),
                                kW, kH),
                  Colour, "24 with a 64-byte header");
    ExpectPicture(plugin.Decode(kBmp, MakeBmp({.headerSize = 12, .width = kW, .height = kH}, Rows(kW * 24, put24)),
                                kW, kH),
                  Colour, "OS/2 24");
    ExpectPicture(plugin.Decode(kBmp, MakeBmp({.width = kW, .height = -kH}, Rows(kW * 24, put24, true)), kW, kH),
                  Colour, "top-down 24");

    auto put32 = [](Bytes& b, int x, int y) {
        const Rgb c = Colour(x, y);
        b.insert(b.end(), {c.b, c.g, c.r, 0x77});
    };
    ExpectPicture(plugin.Decode(kBmp, MakeBmp({.width = kW, .height = kH, .bits = 32}, Rows(kW * 32, put32)), kW, kH),
                  Colour, "32");

    // 5 bits per colour, red highest, the top bit unused; widened by << 3.
    auto five = [](int x, int y) { return Rgb{static_cast<uint8_t>(x * 6 << 3), static_cast<uint8_t>(y * 9 << 3), 31 << 3}; };
    auto put16 = [&](Bytes& b, int x, int y) {
        const Rgb c = five(x, y);
        const int v = 0x8000 | (c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3;
        Put16(b, v, true);
    };
    for (int bits : {15, 16})
        ExpectPicture(plugin.Decode(kBmp, MakeBmp({.width = kW, .height = kH, .bits = bits}, Rows(kW * 16, put16)),
                                    kW, kH),
                      five, std::to_string(bits));
}

TEST(BmpReader, FifteenBitRowsAreStoredInSixteenBitsAPixel) {
    // 19 pixels: 15 bits each would make 36-byte rows, 16 bits make 40.
    const int w = 19, h = 2;
    Bytes data;
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) Put16(data, (x + y) % 32 << 10 | y << 5, true);
        data.resize(data.size() + 2, 0);
    }
    StdPluginHarness plugin;
    const Decoded d = plugin.Decode(kBmp, MakeBmp({.width = w, .height = h, .bits = 15}, data), w, h);
    ASSERT_TRUE(d.hasPixels);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(d.At(x, y), Pixel({static_cast<uint8_t>((x + y) % 32 << 3), static_cast<uint8_t>(y << 3), 0}))
                << x << "," << y;
}

TEST(BmpReader, ColourMappedDepthsUseTheirMaps) {
    StdPluginHarness plugin;
    std::vector<Rgb> map;
    for (int i = 0; i < 256; ++i) map.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)});
    struct Case {
        int bits;
        int entries;
        uint32_t coloursUsed;
        int header;
    };
    for (const Case& c : {Case{1, 2, 0, 40}, Case{4, 16, 0, 40}, Case{4, 6, 6, 40}, Case{8, 256, 0, 40},
                          Case{8, 20, 20, 40}, Case{8, 256, 0, 12}, Case{1, 2, 0, 12}, Case{4, 16, 0, 12}}) {
        auto index = [&](int x, int y) { return (x * 3 + y * 5) % c.entries; };
        BmpSpec bmp{.headerSize = c.header, .width = kW, .height = kH, .bits = c.bits, .coloursUsed = c.coloursUsed};
        bmp.map.assign(map.begin(), map.begin() + c.entries);
        const Decoded d = plugin.Decode(kBmp, MakeBmp(bmp, PackedRows(c.bits, index)), kW, kH);
        ExpectPicture(d, [&](int x, int y) { return map[index(x, y)]; },
                      std::to_string(c.bits) + " bits, " + std::to_string(c.entries) + " colours, header " +
                          std::to_string(c.header));
    }
}

// The reader's message for a file, or "" when its header is accepted.
std::string HeaderMessage(const Bytes& file, bool readRows = false) {
    DecodeSource source{};
    SetMemoryDecodeSource(source, file.data(), static_cast<int32_t>(file.size()));
    auto reader = MakeBmpReader(source);
    try {
        reader->Start();
        if (readRows) {
            Bytes row(static_cast<size_t>(reader->Width()) * 3);
            for (int y = 0; y < reader->Height(); ++y) reader->ReadRow(row.data());
        }
    } catch (const DecodeError& e) {
        return e.what();
    }
    return "";
}

TEST(BmpReader, EveryRefusalHasItsMessageAndIsNotDecoded) {
    const Bytes rows24 = Rows(kW * 24, [](Bytes& b, int, int) { b.insert(b.end(), {1, 2, 3}); });
    Bytes notBm = MakeBmp({.width = kW, .height = kH}, rows24);
    notBm[1] = 'X';
    Bytes badLength = MakeBmp({.width = kW, .height = kH}, rows24);
    badLength[14] = 20;
    std::vector<Rgb> map17(17, Rgb{1, 1, 1});
    std::vector<Rgb> map257(257, Rgb{1, 1, 1});
    const struct {
        Bytes file;
        std::string message;
    } cases[] = {
        {notBm, "Not a BMP file - does not start with BM"},
        {badLength, "Invalid BMP file: bad header length"},
        {MakeBmp({.width = kW, .height = kH, .planes = 2}, rows24), "Invalid BMP file: biPlanes not equal to 1"},
        {MakeBmp({.width = kW, .height = kH, .compression = 1}, rows24), "Sorry, compressed BMPs not yet supported"},
        {MakeBmp({.width = kW, .height = kH, .bits = 2}, rows24), "Only 8- and 24-bit BMP files are supported"},
        {MakeBmp({.width = kW, .height = kH, .bits = 4, .coloursUsed = 17, .map = map17}, rows24),
         "Unsupported BMP colormap format"},
        {MakeBmp({.width = kW, .height = kH, .bits = 8, .coloursUsed = 257, .map = map257}, rows24),
         "Unsupported BMP colormap format"},
        // A colour map that runs into the pixels.
        {MakeBmp({.width = kW, .height = kH, .bits = 8, .coloursUsed = 4, .map = {{}, {}, {}, {}}, .offsetAdjust = -4},
                 rows24),
         "Invalid BMP file: bad header length"},
        {MakeBmp({.width = 0, .height = kH}, rows24), "Invalid BMP file: bad image size"},
        {MakeBmp({.width = kW, .height = 0}, rows24), "Invalid BMP file: bad image size"},
        {MakeBmp({.width = kW, .height = INT32_MIN}, rows24), "Invalid BMP file: bad image size"},
    };
    StdPluginHarness plugin;
    for (const auto& c : cases) {
        EXPECT_EQ(HeaderMessage(c.file), c.message);
        const Decoded d = plugin.Decode(kBmp, c.file, kW, kH);
        EXPECT_EQ(d.pictureWidth, 0) << c.message;
        EXPECT_FALSE(d.hasPixels) << c.message;
    }
    EXPECT_EQ(plugin.Decode(kBmp, Text("GIF89a"), 5, 5).pictureWidth, 0);
    EXPECT_EQ(plugin.Decode(kBmp, Bytes{}, 5, 5).pictureWidth, 0);
}

TEST(BmpReader, UnsafeFilesEndAsNotDecoded) {
    StdPluginHarness plugin;
    // An index beyond a two-colour map.
    BmpSpec mapped{.width = kW, .height = kH, .bits = 8, .coloursUsed = 2, .map = {{1, 2, 3}, {4, 5, 6}}};
    const Bytes beyond = MakeBmp(mapped, PackedRows(8, [](int x, int) { return x == 3 ? 7 : 1; }));
    EXPECT_EQ(HeaderMessage(beyond, true), "Numeric value out of range in BMP file");
    EXPECT_FALSE(plugin.Decode(kBmp, beyond, kW, kH).hasPixels);

    // Shorter than the header promises, by one byte and by all the pixels.
    const Bytes whole = MakeBmp({.width = kW, .height = kH}, Rows(kW * 24, [](Bytes& b, int, int) { b.insert(b.end(), {9, 9, 9}); }));
    for (size_t keep : {whole.size() - 1, size_t{54}, size_t{30}, size_t{10}}) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(keep));
        const Decoded d = plugin.Decode(kBmp, cut, kW, kH);
        EXPECT_EQ(d.pictureWidth, 0) << keep;
        EXPECT_FALSE(d.hasPixels) << keep;
    }
    EXPECT_EQ(HeaderMessage(Bytes(whole.begin(), whole.end() - 1), true), "Premature end of input file");

    // Sizes whose buffer would overflow 32 bits or pass what the host hands
    // out: refused before any pixel is read, and quickly.
    for (auto [w, h] : {std::pair{100000, 100000}, std::pair{0x7FFFFFFF, 0x7FFFFFFF}, std::pair{6000, 5000}}) {
        const Bytes huge = MakeBmp({.width = w, .height = h}, Bytes(64, 0));
        const Decoded d = plugin.Decode(kBmp, huge, 100, 100);
        EXPECT_FALSE(d.hasPixels) << w;
        EXPECT_EQ(d.pictureWidth, 0) << w;
        // Information alone is still given: the header is sound.
        EXPECT_EQ(plugin.Decode(kBmp, huge, -1, -1).pictureWidth, w);
    }
}

int32_t rowsToCallback = 0;
uint32_t bmpHeaderWord = 0;
int32_t PW_CDECL CountRows(const void* rowOrHeader, int32_t row, int32_t, int32_t, int32_t) {
    if (row == kHeaderRow) {
        bmpHeaderWord = HeaderWordOf(rowOrHeader);
        return 1;
    }
    const auto* p = static_cast<const uint8_t*>(rowOrHeader);
    if (row == 0 && p[0] == Colour(0, 0).r && p[2] == Colour(0, 0).b) ++rowsToCallback;
    if (row > 0) ++rowsToCallback;
    return 1;
}

TEST(BmpReader, RowsGoToTheLineCallbackUnturnedRedFirst) {
    rowsToCallback = 0;
    StdPluginHarness realTime({.callback = &CountRows});
    auto put24 = [](Bytes& b, int x, int y) {
        const Rgb c = Colour(x, y);
        b.insert(b.end(), {c.b, c.g, c.r});
    };
    const Decoded d = realTime.Decode(kBmp, MakeBmp({.width = kW, .height = kH}, Rows(kW * 24, put24)), kW, kH);
    EXPECT_EQ(bmpHeaderWord, 1u);
    EXPECT_EQ(rowsToCallback, kH);
    EXPECT_FALSE(d.hasPixels);
    EXPECT_EQ(d.pictureWidth, kW);
}

}  // namespace
