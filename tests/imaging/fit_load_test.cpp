#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "imaging/fit.h"
#include "imaging/plugin_host.h"
#include "imaging/resampler_realtime.h"
#include "imaging/std_plugin.h"
#include "library/settings.h"
#include "tests/imaging/jpeg_test_file.h"
#include "tests/imaging/picture_files.h"
#include "tests/imaging/resampler_test_pictures.h"

namespace {

// Out of memory on demand: while armed, any allocation through operator new
// of this many bytes or more fails.
size_t failAllocationsFrom = 0;

}  // namespace

// Every plain form is replaced, so that no allocation of one family is freed
// by the other (the sanitizers check that).
void* operator new(size_t size) {
    if (failAllocationsFrom && size >= failAllocationsFrom) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

namespace fs = std::filesystem;

class LoadPictureIntoTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = fs::temp_directory_path() / ("pw_fit_load_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        fs::create_directories(dir_);
        saved_ = Settings;
        ShutdownPlugins();
        Settings.ignoreexif = false;
        RegisterPlugins();
    }
    static void TearDownTestSuite() {
        ShutdownPlugins();
        Settings = saved_;
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    static void Options(bool rtresize, bool crop) {
        Settings.rtresize = rtresize;
        Settings.crop = crop;
        ReinitPlugins();
    }
    static BitmapPtr Cell(int32_t w, int32_t h, bool crop) {
        BitmapPtr cell(TBitmap0::Create(w, h));
        cell->Crop = crop;
        cell->SetFillColour(0x00203040);
        return cell;
    }
    static std::string PathFor(const std::string& name) { return (dir_ / name).string(); }

    static inline fs::path dir_;
    static inline TSettings saved_;
};

// Decoding with the real-time resize and decoding the whole picture first
// must fill the cell with the same pixels, whatever the camera orientation.
TEST_F(LoadPictureIntoTest, RealTimeAndWholePictureGiveTheSamePixels) {
    BitmapPtr stored = MakeTestPicture(300, 200, 5, true);
    struct CellSize {
        int32_t w, h;
    };
    for (const CellSize cell : {CellSize{90, 70}, CellSize{170, 260}, CellSize{400, 400}})
        for (int32_t o = 1; o <= 8; ++o) {
            // Appending, not "o" + std::string: the latter trips a false
            // -Wrestrict warning in the 64-bit cross compiler's library.
            std::string name = "o";
            name += std::to_string(o) + ".jpg";
            const std::string path = PathFor(name);
            ASSERT_TRUE(WriteTestJpeg(path, *stored, o));
            for (bool crop : {false, true}) {
                Options(false, crop);
                BitmapPtr whole = Cell(cell.w, cell.h, crop);
                const PictureResult a = LoadPictureInto(*whole, path);
                Options(true, crop);
                BitmapPtr live = Cell(cell.w, cell.h, crop);
                const PictureResult b = LoadPictureInto(*live, path);

                const bool turned = o >= 5;
                ASSERT_EQ(a.pictureWidth, turned ? 200 : 300) << o;
                ASSERT_EQ(a.pictureHeight, turned ? 300 : 200) << o;
                EXPECT_EQ(b.pictureWidth, a.pictureWidth);
                EXPECT_EQ(b.pictureHeight, a.pictureHeight);
                EXPECT_EQ(a.formatName, "JPEG");
                EXPECT_EQ(b.fileSize, static_cast<int64_t>(fs::file_size(path)));
                int32_t drawn = 0;
                for (int32_t y = 0; y < cell.h; ++y)
                    for (int32_t x = 0; x < cell.w; ++x) {
                        ASSERT_EQ(live->At(x, y), whole->At(x, y)) << "cell " << cell.w << "x" << cell.h
                                                                 << " orientation " << o << " crop " << crop
                                                                 << " at " << x << "," << y;
                        drawn += whole->At(x, y) != 0x00203040u;
                    }
                EXPECT_GT(drawn, cell.w * cell.h / 4);  // a picture, not just background
                for (int32_t slot = 0; slot < kDecodingSlots; ++slot) {
                    EXPECT_EQ(ResizeSlots[slot].resizeStarted, 0);
                    EXPECT_EQ(ResizeSlots[slot].resizeRequested, 0);
                }
            }
        }
}

TEST_F(LoadPictureIntoTest, RealTimePathDrawsWithoutAFullSizeBuffer) {
    BitmapPtr stored = MakeTestPicture(240, 160, 6, true);
    const std::string path = PathFor("plain.jpg");
    ASSERT_TRUE(WriteTestJpeg(path, *stored, 0));
    Options(true, false);
    BitmapPtr cell = Cell(60, 60, false);
    TBitmap0* target = cell.get();
    ResizeSlots[0].resizeRequested = 1;
    ResizeSlots[0].destination = &target;
    ResizeSlots[0].lineCallback = &LineCallback;
    PictureLoad load;
    LoadPicture(path, 0, 60, 60, load);
    EXPECT_EQ(load.decoded, 1);
    EXPECT_EQ(ResizeSlots[0].resizeAccepted, 1);
    ASSERT_NE(load.bitmap, nullptr);
    EXPECT_EQ(load.bitmap->Pixels(), nullptr);
    load.bitmap->Release();
    ReleaseSharedBuffer(0);
    ResizeSlots[0] = ResizeSlot{};
    AbandonResize(0);
    EXPECT_NE(cell->At(30, 30), 0x00203040u);
}

// Running out of memory while fitting a decoded picture into its cell reaches
// the caller and leaves no bitmap object, buffer or resize state behind.
TEST_F(LoadPictureIntoTest, FailureWhileFittingLeavesNothingBehind) {
    BitmapPtr stored = MakeTestPicture(1200, 900, 3, true);
    const std::string path = PathFor("large.jpg");
    ASSERT_TRUE(WriteTestJpeg(path, *stored, 0));
    Options(false, false);  // decode whole, then DrawFit resamples into the cell
    BitmapPtr cell = Cell(500, 400, false);
    const int32_t liveBefore = TBitmap0::Live();
    failAllocationsFrom = 256 * 1024;  // the resampler's work area is larger
    EXPECT_THROW(LoadPictureInto(*cell, path), std::bad_alloc);
    failAllocationsFrom = 0;
    EXPECT_EQ(TBitmap0::Live(), liveBefore);
    EXPECT_EQ(ResizeSlots[0].resizeRequested, 0);
    const PictureResult again = LoadPictureInto(*cell, path);
    EXPECT_EQ(again.pictureWidth, 1200);
    EXPECT_EQ(TBitmap0::Live(), liveBefore);
}

// A second ".bmp" plugin that decodes any file into a plain 60 x 40 picture,
// through the line callback when `rows` is set, else whole.
namespace second {
constexpr uint32_t kColour = 0x00A0B0C0;
bool rows = false;
RequestBufferFn requestBuffer = nullptr;
LineCallbackFn* cells[kDecodingSlots] = {};

void PW_CDECL Decode(const void*, int32_t*, int32_t*, int32_t* pictureWidth, int32_t* pictureHeight,
                     DecodeTarget* target, int32_t slot) {
    constexpr int32_t w = 60, h = 40;
    *pictureWidth = w;
    *pictureHeight = h;
    if (!target) return;
    const LineCallbackFn callback = rows && cells[slot] ? *cells[slot] : nullptr;
    if (callback && callback(HeaderWordArg(1 | kHeaderBlueFirst), kHeaderRow, w, h, slot)) {
        uint8_t row[w * 3];
        for (int32_t x = 0; x < w; ++x) {
            row[x * 3] = kColour & 0xFF;
            row[x * 3 + 1] = (kColour >> 8) & 0xFF;
            row[x * 3 + 2] = (kColour >> 16) & 0xFF;
        }
        for (int32_t y = 0; y < h; ++y) callback(row, y, w, h, slot);
        *target = DecodeTarget{nullptr, h, w};
        return;
    }
    auto* pixels = static_cast<uint32_t*>(requestBuffer(w * h * 4, slot));
    for (int32_t i = 0; i < w * h; ++i) pixels[i] = kColour;
    *target = DecodeTarget{pixels, h, w};
}

int32_t PW_CDECL Init(HostServices* services, int32_t slot) {
    services->flags &= ~kHostSevenArgDecoders;
    requestBuffer = services->requestBuffer;
    cells[slot] = services->lineCallbackCell;
    return 1;
}

const char* const kExtensions[] = {".bmp"};
const char* const kFormats[] = {"Second bitmap"};
PluginProc decoders[] = {reinterpret_cast<PluginProc>(&Decode)};
PluginDescriptor descriptor = {kPluginMagic, 0x01000000, "Second", kPluginOpensFiles | kPluginHasInit, nullptr, "",
                               1, kExtensions, kFormats, decoders, &Init};
const PluginDescriptor* Entry() { return &descriptor; }
}  // namespace second

// The standard plugin reads a bitmap's rows only as it delivers them, so a
// bitmap cut short fails after its header was accepted by the line callback.
// The next plugin for ".bmp" must find the slot as the caller set it up,
// whether it delivers rows or the whole picture.
TEST_F(LoadPictureIntoTest, APluginFailingAfterTheHeaderLeavesTheNextOneAFreshSlot) {
    testpics::BmpSpec layout;
    layout.width = 60;
    layout.height = 40;
    const testpics::Bytes halfTheRows(60 * 3 * 20, 0x55);
    const std::string path = PathFor("cut_short.bmp");
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        const testpics::Bytes bytes = testpics::MakeBmp(layout, halfTheRows);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    ShutdownPlugins();
    RegisterPluginList({{"In_std.dll", &StdPluginEntry}, {"In_second.dll", &second::Entry}});
    for (const bool rows : {true, false}) {
        second::rows = rows;
        Options(true, false);
        BitmapPtr cell = Cell(30, 20, false);
        const PictureResult result = LoadPictureInto(*cell, path);
        EXPECT_EQ(result.formatName, "Second bitmap") << rows;
        EXPECT_EQ(result.pictureWidth, 60);
        for (int32_t y = 0; y < 20; ++y)
            for (int32_t x = 0; x < 30; ++x)
                ASSERT_EQ(cell->At(x, y) & 0xFFFFFF, second::kColour) << "rows " << rows << " at " << x << "," << y;
    }
    ShutdownPlugins();
    RegisterPlugins();
}

TEST_F(LoadPictureIntoTest, UnreadableFilesLeaveTheBackground) {
    Options(true, false);
    BitmapPtr cell = Cell(20, 20, false);
    cell->At(3, 3) = 0x00FFFFFF;
    PictureResult missing = LoadPictureInto(*cell, PathFor("absent.jpg"));
    EXPECT_TRUE(missing.fileMissing);
    EXPECT_EQ(missing.pictureWidth, 0);
    EXPECT_EQ(cell->At(3, 3), 0x00203040u);

    const std::string junk = PathFor("junk.jpg");
    std::FILE* f = std::fopen(junk.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not a picture at all", f);
    std::fclose(f);
    cell->At(3, 3) = 0x00FFFFFF;
    PictureResult bad = LoadPictureInto(*cell, junk);
    EXPECT_FALSE(bad.fileMissing);
    EXPECT_EQ(bad.pictureWidth, 0);
    EXPECT_EQ(cell->At(3, 3), 0x00203040u);
}

}  // namespace
