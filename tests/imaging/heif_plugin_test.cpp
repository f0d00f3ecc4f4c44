// The phone and web formats plugin through the real plugin host, with WebP
// pictures made here by libwebp's lossless encoder so that every pixel is
// known. Under Wine this loads In_heif.dll from beside the test program; the
// HEIC and AVIF decoders are compared with the reference decoders by
// tests/e2e/heif_formats.sh.
#include <gtest/gtest.h>
#include <webp/encode.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/fit.h"
#include "imaging/plugin_host.h"
#include "imaging/resampler_realtime.h"
#include "library/settings.h"
#include "library/system_folders.h"
#include "show/stop_request.h"
#include "tests/imaging/heif_test_files.h"

namespace {

constexpr uint32_t kPage = 0xD5CAAF;  // the page colour, 213 202 175

class HeifPlugin : public ::testing::Test {
protected:
    void SetUp() override {
        ShutdownPlugins();
        saved_ = Settings;
        folder_ = std::filesystem::temp_directory_path() /
                  ("pw_heif_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        LineCallbackTestFault = nullptr;
        StopRequested = 0;
        ShutdownPlugins();
        Settings = saved_;
        std::filesystem::remove_all(folder_);
    }
    // A lossless WebP of the given red, green, blue, alpha pixels.
    std::string WriteWebp(const std::string& name, int width, int height, const std::vector<uint8_t>& rgba) {
        uint8_t* out = nullptr;
        const size_t size = WebPEncodeLosslessRGBA(rgba.data(), width, height, width * 4, &out);
        const std::string path = (folder_ / name).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out), static_cast<std::streamsize>(size));
        WebPFree(out);
        return path;
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = (folder_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // Decodes into a cell of the given size; the cell's pixels, or empty.
    std::vector<uint32_t> DecodeInto(const std::string& path, int width, int height, PictureResult* result = nullptr) {
        RegisterPlugins();
        BitmapPtr cell(TBitmap0::Create(width, height));
        const PictureResult r = LoadPictureInto(*cell, path);
        if (result) *result = r;
        if (r.pictureWidth <= 0) return {};
        std::vector<uint32_t> pixels(cell->Pixels(), cell->Pixels() + int64_t{width} * height);
        for (uint32_t& p : pixels) p &= 0xFFFFFF;
        return pixels;
    }

    TSettings saved_;
    std::filesystem::path folder_;
};

// Four pixels: opaque red, opaque green, transparent blue, half-transparent
// white.
std::vector<uint8_t> FourPixels() { return {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 0, 255, 255, 255, 128}; }

TEST_F(HeifPlugin, IsRegisteredThirdWithItsExtensions) {
    RegisterPlugins();
    const auto& table = PluginTable();
    const auto it = std::find_if(table.begin(), table.end(), [](const PluginTableEntry& e) { return e.fileName == "In_heif.dll"; });
    ASSERT_NE(it, table.end());
    std::vector<std::string> extensions;
    CollectExtensions(extensions);
    for (const char* ext : {".heic", ".heif", ".hif", ".avif", ".webp"})
        EXPECT_NE(std::find(extensions.begin(), extensions.end(), ext), extensions.end()) << ext;
}

TEST_F(HeifPlugin, WebpPixelsWithAlphaLaidOverThePageColourBothWays) {
    const std::string path = WriteWebp("four.webp", 2, 2, FourPixels());
    const std::vector<uint32_t> expected = {0xFF0000, 0x00FF00, kPage, 0xEAE5D7};
    for (const bool realtime : {true, false}) {
        Settings.rtresize = realtime;
        PictureResult result;
        EXPECT_EQ(DecodeInto(path, 2, 2, &result), expected) << realtime;
        EXPECT_EQ(result.formatName, "WebP");
        EXPECT_EQ(result.pictureWidth, 2);
        ShutdownPlugins();
    }
}

TEST_F(HeifPlugin, SizeOnlyRequestAndMinimumSize) {
    const std::string path = WriteWebp("wide.webp", 40, 10, std::vector<uint8_t>(40 * 10 * 4, 200));
    RegisterPlugins();
    PictureLoad load;
    LoadPicture(path, 0, -1, -1, load);
    EXPECT_TRUE(load.decoded);
    EXPECT_EQ(load.bitmap, nullptr);
    EXPECT_EQ(load.pictureWidth, 40);
    EXPECT_EQ(load.pictureHeight, 10);
    EXPECT_EQ(load.fileSize, static_cast<int64_t>(std::filesystem::file_size(path)));

    PictureLoad small;
    small.pictureWidth = 50;
    small.pictureHeight = 50;
    LoadPicture(path, 0, 100, 100, small);
    EXPECT_EQ(small.pictureWidth, -40);
    EXPECT_EQ(small.pictureHeight, -10);
}

// A picture wanted at a quarter of its size or less is scaled by the decoder
// and still fills its cell as the fitting rules say.
TEST_F(HeifPlugin, LargeWebpIsScaledWhileDecodingIntoASmallCell) {
    std::vector<uint8_t> rgba(800 * 400 * 4);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 800; ++x) {
            uint8_t* p = &rgba[(y * 800 + x) * 4];
            p[0] = x < 400 ? 250 : 10;
            p[1] = 30;
            p[2] = x < 400 ? 10 : 250;
            p[3] = 255;
        }
    const std::string path = WriteWebp("halves.webp", 800, 400, rgba);
    for (const bool realtime : {true, false}) {
        Settings.rtresize = realtime;
        PictureResult result;
        const std::vector<uint32_t> cell = DecodeInto(path, 100, 100, &result);
        ASSERT_EQ(cell.size(), 100u * 100u);
        EXPECT_EQ(result.pictureWidth, 800);  // the picture's own size
        // Fitted 100 x 50 in the middle: red left, blue right, background
        // above and below.
        const auto red = [](uint32_t p) { return p >> 16 & 255; };
        const auto blue = [](uint32_t p) { return p & 255; };
        EXPECT_GT(red(cell[50 * 100 + 10]), 230u);
        EXPECT_GT(blue(cell[50 * 100 + 90]), 230u);
        EXPECT_EQ(cell[5 * 100 + 50], 0u);
        EXPECT_EQ(cell[95 * 100 + 50], 0u);
        ShutdownPlugins();
    }
}

TEST_F(HeifPlugin, DamagedAndHostileFilesAreNotDecoded) {
    const std::string good = WriteWebp("good.webp", 16, 16, std::vector<uint8_t>(16 * 16 * 4, 90));
    std::ifstream in(good, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> bad = {
        Write("empty.webp", ""),
        Write("cut.webp", bytes.substr(0, bytes.size() / 2)),
        Write("junk.heic", std::string(5000, '\x55')),
        Write("fake.avif", std::string("\0\0\0\x18" "ftypavif\0\0\0\0mif1avif", 24) + std::string(100, '\xff')),
    };
    std::string huge = bytes;  // VP8L header: width - 1 and height - 1 in 14 bits each
    huge[21] = '\xff';
    huge[22] = '\xff';
    huge[23] = '\xff';
    huge[24] = static_cast<char>((huge[24] & 0xF0) | 0x0F);
    bad.push_back(Write("huge.webp", huge));
    for (const std::string& path : bad) {
        PictureResult result;
        EXPECT_TRUE(DecodeInto(path, 64, 64, &result).empty()) << path;
        EXPECT_EQ(result.pictureWidth, 0) << path;
        ShutdownPlugins();
    }
}

// Files whose grids, overlay children or coded streams declare more than
// their container says are refused before the libraries allocate for them.
TEST_F(HeifPlugin, PicturesLargerThanTheirContainerSaysAreNotDecoded) {
    using namespace heif_test;
    std::vector<std::pair<std::string, std::string>> files;
    // A grid whose first extent holds two bytes and whose second declares
    // 30000 x 30000; behind the first lie bytes that read as 100 x 100.
    Item grid;
    grid.id = 1;
    grid.type = "grid";
    const std::string data = GridData(1, 2, 30000, 30000);
    grid.extents = {data.substr(0, 2), data.substr(2)};
    grid.reversed = true;
    grid.after = GridData(1, 2, 100, 100).substr(2);
    grid.properties = {Ispe(100, 100)};
    Item tile = HevcItem(2, 512, 512, 512, 512), tile2 = HevcItem(3, 512, 512, 512, 512);
    tile.hidden = tile2.hidden = true;
    files.emplace_back("extents.heic", File({grid, tile, tile2}, 1, {{"dimg", 1, {2, 3}}}));
    // An overlay of 1000 x 500 over that grid, its data in one extent.
    Item overlay;
    overlay.id = 10;
    overlay.type = "iovl";
    overlay.extents = {OverlayData(1000, 500, 1)};
    overlay.properties = {Ispe(1000, 500)};
    grid.extents = {data};
    grid.hidden = true;
    files.emplace_back("overlay.heic", File({overlay, grid, tile, tile2}, 10, {{"dimg", 10, {1}}, {"dimg", 1, {2, 3}}}));
    // Coded streams of 30000 x 30000 whose ispe says 100 x 100.
    files.emplace_back("coded.heic", File({HevcItem(1, 30000, 30000, 100, 100)}, 1, {}));
    files.emplace_back("coded.avif", File({Av1Item(1, 30000, 30000, 100, 100)}, 1, {}));
    for (const auto& [name, bytes] : files) {
        const std::string path = Write(name, bytes);
        for (const bool realtime : {true, false}) {
            Settings.rtresize = realtime;
            PictureResult result;
            EXPECT_TRUE(DecodeInto(path, 64, 64, &result).empty()) << name;
            EXPECT_EQ(result.pictureWidth, 0) << name;
            ShutdownPlugins();
        }
    }
}

TEST_F(HeifPlugin, StopFlagEndsTheDecode) {
    const std::string path = WriteWebp("stop.webp", 64, 64, std::vector<uint8_t>(64 * 64 * 4, 120));
    StopRequested = 1;
    PictureResult result;
    EXPECT_TRUE(DecodeInto(path, 64, 64, &result).empty());
    EXPECT_EQ(result.pictureWidth, 0);
}

}  // namespace

namespace {
int32_t faultRow = 0;
bool faultIsProtocol = false;
void FailAtFaultRow(int32_t row) {
    if (row != faultRow) return;
    if (faultIsProtocol) throw std::runtime_error("prevLine=1, curLine=3");
    throw std::bad_alloc();
}
}  // namespace

// The line callback fails (out of memory as it prepares the resize or on a
// row, or a protocol fault) while the plugin's and libheif's frames are on
// the stack. Nothing may unwind through them: in the 32-bit build each
// module has its own unwinder, and an exception thrown into the plugin ends
// the program. Out of memory leaves the picture not decoded; a protocol fault
// reaches the caller as it was raised; the plugin decodes the next picture.
TEST_F(HeifPlugin, AFailingLineCallbackNeverUnwindsThroughThePlugin) {
    std::vector<std::string> pictures = {WriteWebp("rows.webp", 64, 48, std::vector<uint8_t>(64 * 48 * 4, 150))};
    const std::string heic = ProgramFolder() + "/rows.heic";  // made by the build with heif-enc
    ASSERT_TRUE(std::filesystem::exists(heic)) << heic;
    pictures.push_back(heic);
    Settings.rtresize = true;
    for (const std::string& path : pictures) {
        for (const int32_t row : {kHeaderRow, 5}) {
            faultRow = row;
            faultIsProtocol = false;
            LineCallbackTestFault = &FailAtFaultRow;
            PictureResult result;
            EXPECT_TRUE(DecodeInto(path, 32, 24, &result).empty()) << path << " row " << row;
            EXPECT_EQ(result.pictureWidth, 0) << path << " row " << row;

            faultIsProtocol = true;
            try {
                DecodeInto(path, 32, 24);
                ADD_FAILURE() << path << ": the protocol fault was lost";
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "prevLine=1, curLine=3");
            }

            LineCallbackTestFault = nullptr;
            EXPECT_EQ(DecodeInto(path, 32, 24, &result).size(), 32u * 24) << path;
            EXPECT_EQ(result.pictureWidth, 64) << path;
        }
    }
}
