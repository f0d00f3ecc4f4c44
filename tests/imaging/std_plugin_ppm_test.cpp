#include <gtest/gtest.h>

#include <string>

#include "imaging/decode_source.h"
#include "imaging/row_reader.h"
#include "imaging/std_plugin_internal.h"
#include "tests/imaging/picture_files.h"
#include "tests/imaging/std_plugin_harness.h"

using namespace testpics;

namespace {

std::string ReaderMessage(const Bytes& file) {
    DecodeSource source{};
    SetMemoryDecodeSource(source, file.data(), static_cast<int32_t>(file.size()));
    auto reader = MakePpmReader(source);
    try {
        reader->Start();
        Bytes row(static_cast<size_t>(reader->Width()) * 3);
        for (int y = 0; y < reader->Height(); ++y) reader->ReadRow(row.data());
    } catch (const DecodeError& e) {
        return e.what();
    }
    return "";
}

TEST(PpmReader, RawAndTextMapsWithTheirMaximumScaled) {
    StdPluginHarness plugin;
    Bytes raw = Text("P6\n# made by hand\n3 2\n255\n");
    for (int i = 0; i < 18; ++i) raw.push_back(static_cast<uint8_t>(i * 10));
    Decoded d = plugin.Decode(kPpm, raw, 10, 10);
    ASSERT_TRUE(d.hasPixels);
    ASSERT_EQ(d.width, 3);
    ASSERT_EQ(d.height, 2);
    EXPECT_EQ(d.At(0, 0), 0x00000A14u);
    EXPECT_EQ(d.At(2, 1), Pixel({150, 160, 170}));

    // Maximum 15: 15 is 255, 7 rounds to 119, above the maximum counts as it.
    d = plugin.Decode(kPpm, Text("P3 2 1 15  15 7 0   # comment\n 1 20 8"), 10, 10);
    ASSERT_TRUE(d.hasPixels);
    EXPECT_EQ(d.At(0, 0), Pixel({255, 119, 0}));
    EXPECT_EQ(d.At(1, 0), Pixel({17, 255, 136}));

    // Two bytes a sample above 255.
    Bytes wide = Text("P6 1 1 1000\n");
    wide.insert(wide.end(), {0x03, 0xE8, 0x01, 0xF4, 0x00, 0x00});
    d = plugin.Decode(kPpm, wide, 10, 10);
    ASSERT_TRUE(d.hasPixels);
    EXPECT_EQ(d.At(0, 0), Pixel({255, 128, 0}));

    // Grey maps come out grey in all three colours.
    d = plugin.Decode(kPpm, Text("P2 2 1 255 10 200"), 10, 10);
    ASSERT_TRUE(d.hasPixels);
    EXPECT_EQ(d.At(1, 0), 0x00C8C8C8u);
    Bytes grey = Text("P5 1 1 255\n");
    grey.push_back(77);
    EXPECT_EQ(plugin.Decode(kPpm, grey, 10, 10).At(0, 0), 0x004D4D4Du);

    // The ".bmp" entry reads them too: the first byte decides.
    EXPECT_EQ(plugin.Decode(kBmp, raw, 10, 10).width, 3);
}

TEST(PpmReader, BadHeadersAndUnsafeValuesAreNotDecoded) {
    const struct {
        std::string file;
        std::string message;
    } cases[] = {
        {"P7 1 1 255 0 0 0", "Not a PPM file"},
        {"P1 1 1 1", "Not a PPM file"},
        {"P3 1 1 0 0 0 0", "Not a PPM file"},
        {"P3 1 1 65536 0 0 0", "Not a PPM file"},
        {"P3 0 1 255", "Not a PPM file"},
        {"P3 1 99999999999999999999 255 1 2 3", "Not a PPM file"},
        {"P3 x 1 255", "Nonnumeric data in PPM file"},
        {"P3 2 1 255 1 2 3 4 5 -6", "Nonnumeric data in PPM file"},
        {"P3 2 1 255 1 2 3", "Premature end of input file"},
        {"P6 2 2 255\nabcdefghijk", "Premature end of input file"},
        {"P6 2 2", "Premature end of input file"},
    };
    StdPluginHarness plugin;
    for (const auto& c : cases) {
        EXPECT_EQ(ReaderMessage(Text(c.file)), c.message) << c.file;
        const Decoded d = plugin.Decode(kPpm, Text(c.file), 10, 10);
        EXPECT_EQ(d.pictureWidth, 0) << c.file;
        EXPECT_FALSE(d.hasPixels) << c.file;
    }
    EXPECT_EQ(ReaderMessage(Text("P3 1 1 65535 65535 0 1")), "");

    // A size whose buffer the host will not hand out.
    const Decoded d = plugin.Decode(kPpm, Text("P6 60000 60000 255\n"), 100, 100);
    EXPECT_FALSE(d.hasPixels);
    EXPECT_EQ(d.pictureWidth, 0);
}

}  // namespace
