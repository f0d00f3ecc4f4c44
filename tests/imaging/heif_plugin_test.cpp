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
    std::vector<uint32_t> DecodeInto(const std::string& path, int width, int height, PictureResult* result = nullptr,
                                     PictureFacts* facts = nullptr) {
        RegisterPlugins();
        BitmapPtr cell(TBitmap0::Create(width, height));
        const PictureResult r = LoadPictureInto(*cell, path);
        if (result) *result = r;
        if (facts) *facts = FactsOf(cell->Slot);
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

// A little-endian EXIF block whose EXIF directory holds DateTimeOriginal,
// with "Exif\0\0" before it when `prefix`.
std::string ExifWithDate(const std::string& date, bool prefix) {
    auto le = [](uint32_t v, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i) & 0xFF);
        return out;
    };
    const uint32_t exifDirectory = 8 + 2 + 12 + 4;
    const uint32_t dateAt = exifDirectory + 2 + 12 + 4;
    std::string tiff = "II*" + std::string(1, '\0') + le(8, 4);
    tiff += le(1, 2) + le(0x8769, 2) + le(4, 2) + le(1, 4) + le(exifDirectory, 4) + le(0, 4);
    tiff += le(1, 2) + le(0x9003, 2) + le(2, 2) + le(static_cast<uint32_t>(date.size() + 1), 4) + le(dateAt, 4) +
            le(0, 4);
    tiff += date + std::string(1, '\0');
    return (prefix ? std::string("Exif\0\0", 6) : std::string()) + tiff;
}

// The plain lossless WebP `plain` in the extended layout, with an ICCP chunk
// before the picture and an EXIF chunk after it (each left out when empty,
// its flag then clear).
std::string ExtendedWebp(const std::string& plain, int width, int height, const std::string& icc,
                         const std::string& exif) {
    auto le = [](uint32_t v, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i) & 0xFF);
        return out;
    };
    auto chunk = [&](const std::string& fourcc, const std::string& payload) {
        return fourcc + le(static_cast<uint32_t>(payload.size()), 4) + payload +
               (payload.size() % 2 ? std::string(1, '\0') : std::string());
    };
    const int flags = (icc.empty() ? 0 : 0x20) | (exif.empty() ? 0 : 0x08);
    std::string body = "WEBP" + chunk("VP8X", le(flags, 4) + le(width - 1, 3) + le(height - 1, 3));
    if (!icc.empty()) body += chunk("ICCP", icc);
    body += plain.substr(12);  // the VP8L chunk as it is
    if (!exif.empty()) body += chunk("EXIF", exif);
    return "RIFF" + le(static_cast<uint32_t>(body.size()), 4) + body;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The ICC profile comes over byte for byte (an odd size, padded in the file),
// the date from an EXIF chunk with or without "Exif\0\0"; the pixels are
// those of the plain file (a profile that is not a real one converts
// nothing).
TEST_F(HeifPlugin, WebpProfileAndDateTakenReachTheHost) {
    std::vector<uint8_t> rgba(8 * 6 * 4);
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = i % 4 == 3 ? 255 : static_cast<uint8_t>(i * 7);
    const std::string plainPath = WriteWebp("plain.webp", 8, 6, rgba);
    const std::string plain = ReadAll(plainPath);
    std::string icc(301, '\0');
    for (size_t i = 0; i < icc.size(); ++i) icc[i] = static_cast<char>(i * 13 + 5);
    PictureFacts facts;
    const std::vector<uint32_t> expected = DecodeInto(plainPath, 8, 6, nullptr, &facts);
    ASSERT_EQ(expected.size(), 48u);
    EXPECT_TRUE(facts.iccProfile.empty());
    EXPECT_FALSE(facts.hasNclx);
    EXPECT_TRUE(facts.dateTaken.empty());
    std::string path;
    for (const bool prefix : {true, false}) {
        path = Write("tagged.webp", ExtendedWebp(plain, 8, 6, icc, ExifWithDate("2020:02:29 23:59:58", prefix)));
        for (const bool realtime : {true, false}) {
            Settings.rtresize = realtime;
            PictureResult result;
            EXPECT_EQ(DecodeInto(path, 8, 6, &result, &facts), expected) << prefix << realtime;
            EXPECT_EQ(std::string(facts.iccProfile.begin(), facts.iccProfile.end()), icc) << prefix << realtime;
            EXPECT_EQ(result.dateTaken, "2020:02:29 23:59:58") << prefix << realtime;
            EXPECT_FALSE(facts.hasNclx);
            ShutdownPlugins();
        }
    }
    // A size-only request reads no facts.
    RegisterPlugins();
    PictureLoad load;
    LoadPicture(path, 0, -1, -1, load);
    EXPECT_EQ(load.pictureWidth, 8);
    EXPECT_TRUE(FactsOf(0).iccProfile.empty());
    EXPECT_TRUE(FactsOf(0).dateTaken.empty());
}

// An EXIF chunk that is not EXIF, or whose date is not a real one, gives no
// date; the profile beside it and the picture are read all the same.
TEST_F(HeifPlugin, WebpWithDamagedExifIsDecodedWithoutADate) {
    const std::string plain = ReadAll(WriteWebp("plain.webp", 4, 4, std::vector<uint8_t>(4 * 4 * 4, 255)));
    std::string cut = ExifWithDate("2020:01:02 03:04:05", false);
    cut.resize(cut.size() - 12);  // the date's value cut off
    for (const std::string& exif : {std::string(40, '\x7f'), ExifWithDate("2020:13:01 00:00:00", true), cut}) {
        const std::string path = Write("damaged.webp", ExtendedWebp(plain, 4, 4, std::string(64, 'p'), exif));
        PictureResult result;
        PictureFacts facts;
        EXPECT_EQ(DecodeInto(path, 4, 4, &result, &facts).size(), 16u);
        EXPECT_EQ(facts.iccProfile.size(), 64u);
        EXPECT_TRUE(result.dateTaken.empty()) << result.dateTaken;
        ShutdownPlugins();
    }
}

// The plugin's own init and decoder, with a services record of the host's
// size and with one that ends before reportFact (an older host): only the
// first is told the facts, and both get the picture.
std::vector<std::pair<int32_t, std::string>> reportedFacts;
void PW_CDECL RecordFact(int32_t slot, int32_t kind, const void* data, int32_t size) {
    reportedFacts.emplace_back(kind, std::to_string(slot) + ":" + std::string(static_cast<const char*>(data), size));
}
std::vector<uint32_t> ownBuffer;
void* PW_CDECL OwnBuffer(int32_t size, int32_t) {
    ownBuffer.assign(static_cast<size_t>(size) / 4 + 1, 0);
    return ownBuffer.data();
}

TEST_F(HeifPlugin, OnlyAHostWhoseServicesCoverReportFactIsToldTheFacts) {
    const std::string plain = ReadAll(WriteWebp("plain.webp", 4, 2, std::vector<uint8_t>(4 * 2 * 4, 255)));
    const std::string path =
        Write("tagged.webp", ExtendedWebp(plain, 4, 2, "profile", ExifWithDate("2001:09:08 07:06:05", true)));
    RegisterPlugins();
    const auto& table = PluginTable();
    const auto it = std::find_if(table.begin(), table.end(), [](const PluginTableEntry& e) { return e.fileName == "In_heif.dll"; });
    ASSERT_NE(it, table.end());
    const PluginDescriptor& d = it->descriptor;
    DecoderFn decode = nullptr;
    for (int32_t i = 0; i < d.count; ++i)
        if (std::string(d.extensions[i]) == ".webp") decode = reinterpret_cast<DecoderFn>(d.decoders[i]);
    ASSERT_NE(decode, nullptr);
    const int32_t slot = 3;
    for (const int32_t size : {kHostServicesSize, kServicesCoverStopFlag}) {
        HostServices services{};
        services.size = size;
        services.requestBuffer = &OwnBuffer;
        services.reportFact = &RecordFact;  // beyond what the short record covers
        ASSERT_EQ(d.init(&services, slot), 1);
        reportedFacts.clear();
        DecodeTarget target{nullptr, 2, 4};
        int32_t width = 0, height = 0;
        decode(path.c_str(), &target.width, &target.height, &width, &height, &target, slot);
        EXPECT_EQ(width, 4) << size;
        EXPECT_NE(target.pixels, nullptr) << size;
        if (size == kHostServicesSize) {
            const std::vector<std::pair<int32_t, std::string>> expected = {
                {kFactIccProfile, "3:profile"}, {kFactDateTaken, "3:2001:09:08 07:06:05"}};
            EXPECT_EQ(reportedFacts, expected);
            // Nor for a size-only request.
            reportedFacts.clear();
            width = height = 0;
            decode(path.c_str(), &target.width, &target.height, &width, &height, nullptr, slot);
            EXPECT_EQ(width, 4);
        }
        EXPECT_TRUE(reportedFacts.empty()) << size;
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
