#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/gdiplus_plugin.h"
#include "imaging/plugin_host.h"
#include "imaging/std_plugin.h"
#include "library/settings.h"
#include "show/stop_request.h"
#include "tests/imaging/picture_files.h"

using namespace testpics;

namespace {

// A second plugin for ".bmp" and ".xyz" that decodes anything into a 2 x 1
// picture, recording how it was called.
struct FakeCalls {
    int decodes = 0;
    int inits = 0;
    int unloads = 0;
    int32_t lastFlags[kDecodingSlots] = {};
    bool cellGiven[kDecodingSlots] = {};
    std::string nameSeen;
    bool acknowledge = true;
};
FakeCalls fake;

void PW_CDECL FakeDecode(const void* source, int32_t* width, int32_t* height, int32_t* pictureWidth,
                         int32_t* pictureHeight, DecodeTarget* target, int32_t slot) {
    ++fake.decodes;
    static uint32_t pixels[2] = {0x112233, 0x445566};
    (void)source;
    (void)slot;
    *pictureWidth = 2;
    *pictureHeight = 1;
    if (target) {
        *width = 2;
        *height = 1;
        target->pixels = pixels;
    }
}

void PW_CDECL FakeDecodeByName(const void* source, int32_t* width, int32_t* height, int32_t* pictureWidth,
                               int32_t* pictureHeight, DecodeTarget* target, int32_t slot) {
    fake.nameSeen = static_cast<const char*>(source);
    FakeDecode(source, width, height, pictureWidth, pictureHeight, target, slot);
}

int32_t PW_CDECL FakeInit(HostServices* services, int32_t slot) {
    if (services->flags == kHostUnload) {
        ++fake.unloads;
        return 1;
    }
    ++fake.inits;
    fake.lastFlags[slot] = services->flags;
    fake.cellGiven[slot] = services->lineCallbackCell != nullptr;
    if (fake.acknowledge) services->flags &= ~kHostSevenArgDecoders;
    return 1;
}

const char* const kFakeExtensions[] = {".BMP", ".xyz", ".jpg"};
const char* const kFakeFormats[] = {"Fake bitmap", "Fake xyz", "Fake jpeg"};
PluginProc fakeDecoders[] = {reinterpret_cast<PluginProc>(&FakeDecode), reinterpret_cast<PluginProc>(&FakeDecode),
                             nullptr};
PluginDescriptor fakeDescriptor = {kPluginMagic, 0x01000000, "Fake", kPluginHasInit | kPluginWantsUnload, nullptr,
                                   "Fake\r\n\r\n", 3, kFakeExtensions, kFakeFormats, fakeDecoders, &FakeInit};
const PluginDescriptor* FakeEntry() { return &fakeDescriptor; }

PluginDescriptor badMagic = {66306, 0, "Bad", 0, nullptr, "", 3, kFakeExtensions, kFakeFormats, fakeDecoders, nullptr};
const PluginDescriptor* BadEntry() { return &badMagic; }
const PluginDescriptor* NullEntry() { return nullptr; }

class PluginHost : public ::testing::Test {
protected:
    void SetUp() override {
        ShutdownPlugins();
        fake = {};
        saved_ = Settings;
        folder_ = std::filesystem::temp_directory_path() / ("pw_host_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        ShutdownPlugins();
        Settings = saved_;
        AvailablePhysicalMemory = &SystemAvailablePhysicalMemory;
        std::filesystem::remove_all(folder_);
    }
    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = (folder_ / name).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                     static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    void RegisterStdAndFake() {
        RegisterPluginList({{"In_std.dll", &StdPluginEntry}, {"In_fake.dll", &FakeEntry}});
    }

    TSettings saved_;
    std::filesystem::path folder_;
};

TEST_F(PluginHost, RegistersValidPluginsOnceAndInitsEverySlotWithTheOptions) {
    Settings.ignoreexif = true;
    Settings.crop = false;
    Settings.rtresize = false;
    RegisterPluginList({{"In_bad.dll", &BadEntry}, {"In_none.dll", &NullEntry}, {"In_fake.dll", &FakeEntry}});
    ASSERT_EQ(PluginTable().size(), 1u);
    EXPECT_EQ(PluginTable()[0].fileName, "In_fake.dll");
    EXPECT_TRUE(PluginTable()[0].enabled);
    EXPECT_EQ(fake.inits, kDecodingSlots);
    for (int slot = 0; slot < kDecodingSlots; ++slot) {
        EXPECT_EQ(fake.lastFlags[slot], kHostSevenArgDecoders | kHostIgnoreExif) << slot;
        EXPECT_FALSE(fake.cellGiven[slot]);
    }
    RegisterPluginList({{"In_fake.dll", &FakeEntry}, {"In_fake.dll", &FakeEntry}});
    EXPECT_EQ(PluginTable().size(), 1u);  // a second registration does nothing

    Settings.crop = true;
    Settings.ignoreexif = false;
    Settings.rtresize = true;
    ReinitPlugins();
    EXPECT_EQ(fake.inits, 2 * kDecodingSlots);
    EXPECT_EQ(fake.lastFlags[10], kHostSevenArgDecoders | kHostCrop);
    EXPECT_TRUE(fake.cellGiven[10]);

    std::vector<std::string> extensions = {".png", ".bmp"};
    CollectExtensions(extensions);
    EXPECT_EQ(extensions, (std::vector<std::string>{".png", ".bmp", ".xyz", ".jpg"}));

    ShutdownPlugins();
    EXPECT_EQ(fake.unloads, 1);
    EXPECT_TRUE(PluginTable().empty());
}

TEST_F(PluginHost, TheProgramRegistersInStdThenInGdiplusWhereGdiplusLoadsThenInHeif) {
    const std::vector<std::string> standard = {".jpg", ".jpeg", ".bmp", ".ppm"};
    const std::vector<std::string> phone = {".heic", ".hif", ".heif", ".avif", ".webp"};
    const auto joined = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    RegisterPlugins();
    ASSERT_GE(PluginTable().size(), 1u);
    EXPECT_EQ(PluginTable()[0].fileName, "In_std.dll");
    EXPECT_STREQ(PluginTable()[0].descriptor.name, "Standard image formats");
    std::vector<std::string> extensions;
    CollectExtensions(extensions);
#ifdef _WIN32
    // Windows (and Wine) carry gdiplus.dll; the build puts In_heif.dll with
    // its libraries beside the program.
    ASSERT_EQ(PluginTable().size(), 3u);
    EXPECT_EQ(PluginTable()[1].fileName, "In_gdiplus.dll");
    EXPECT_STREQ(PluginTable()[1].descriptor.name, "GDI+ image formats");
    const std::vector<std::string> gdiplus = {".gif", ".tiff", ".tif", ".png"};
    EXPECT_EQ(extensions, joined(joined(standard, gdiplus), phone));
    const size_t heif = 2;
#else
    ASSERT_EQ(PluginTable().size(), 2u);
    EXPECT_EQ(extensions, joined(standard, phone));
    const size_t heif = 1;
#endif
    EXPECT_EQ(PluginTable()[heif].fileName, "In_heif.dll");
    EXPECT_STREQ(PluginTable()[heif].descriptor.name, "Phone and web image formats");

    // Where no gdiplus.dll loads, the GDI+ plugin is left out.
    ShutdownPlugins();
    const GdiplusSystem saved = GdiplusSystemSeams();
    GdiplusSystemSeams().load = [](const std::string&) -> void* { return nullptr; };
    GdiplusSystemSeams().writeSetting = [](const char*, const std::string&) {};
    RegisterPlugins();
    GdiplusSystemSeams() = saved;
    EXPECT_EQ(PluginTable().size(), 2u);
    extensions.clear();
    CollectExtensions(extensions);
    EXPECT_EQ(extensions, joined(standard, phone));
}

#ifndef _WIN32
// Natively the message goes to standard error (on Windows it is a modal box).
TEST_F(PluginHost, APluginThatDoesNotAcknowledgeEndsTheProgram) {
    EXPECT_EXIT(
        {
            fake.acknowledge = false;
            RegisterPluginList({{"In_fake.dll", &FakeEntry}});
        },
        ::testing::ExitedWithCode(0), "Fake plugin is too old. Please download new version");
}
#endif

TEST_F(PluginHost, RoutesByExtensionAndHandsRefusalsToTheNextPlugin) {
    RegisterStdAndFake();
    const std::string jpg = Write("photo.JPG", EncodeJpeg(30, 20, [](int, int) { return Rgb{250, 0, 0}; }));
    PictureLoad load;
    LoadPicture(jpg, 0, 30, 20, load);
    ASSERT_TRUE(load.decoded);
    EXPECT_EQ(load.formatName, "JPEG");
    EXPECT_EQ(fake.decodes, 0);  // the standard plugin came first and succeeded
    ASSERT_NE(load.bitmap, nullptr);
    EXPECT_EQ(load.bitmap->Width(), 30);
    EXPECT_EQ(load.bitmap->Height(), 20);
    EXPECT_EQ(load.bitmap->Slot, 0);
    EXPECT_GT(load.bitmap->At(5, 5) >> 16 & 0xFF, 230u);
    EXPECT_EQ(load.pictureWidth, 30);
    EXPECT_EQ(load.fileSize, static_cast<int64_t>(std::filesystem::file_size(jpg)));
    load.bitmap->Release();
    ReleaseSharedBuffer(0);

    // A compressed bitmap: the standard plugin declines, the next one reads it.
    BmpSpec rle{.width = 2, .height = 1, .compression = 1};
    const std::string bmp = Write("rle.bmp", MakeBmp(rle, Bytes(8, 0)));
    PictureLoad second;
    LoadPicture(bmp, 4, 100, 100, second);
    ASSERT_TRUE(second.decoded);
    EXPECT_EQ(second.formatName, "Fake bitmap");
    EXPECT_EQ(fake.decodes, 1);
    ASSERT_NE(second.bitmap, nullptr);
    EXPECT_EQ(second.bitmap->Slot, 4);
    EXPECT_EQ(second.bitmap->At(1, 0), 0x445566u);
    second.bitmap->Release();

    // No plugin claims it, or every one refuses: nothing is set.
    PictureLoad none;
    LoadPicture(Write("a.gif", Text("GIF89a")), 0, 10, 10, none);
    EXPECT_FALSE(none.decoded || none.fileMissing || none.cannotOpen);
    EXPECT_EQ(none.bitmap, nullptr);
    LoadPicture(Write("broken.jpg", Text("not a jpeg")), 0, 10, 10, none);
    EXPECT_FALSE(none.decoded);  // the fake ".jpg" entry has no decoder
    EXPECT_EQ(fake.decodes, 1);
}

TEST_F(PluginHost, InformationOnlyAndMissingFiles) {
    RegisterStdAndFake();
    const std::string jpg = Write("x.jpeg", EncodeJpeg(30, 20, [](int, int) { return Rgb{1, 2, 3}; }));
    PictureLoad info;
    LoadPicture(jpg, 2, -1, -1, info);
    EXPECT_TRUE(info.decoded);
    EXPECT_EQ(info.bitmap, nullptr);
    EXPECT_EQ(info.pictureWidth, 30);
    EXPECT_EQ(info.pictureHeight, 20);
    EXPECT_EQ(info.formatName, "JPEG");
    EXPECT_GT(info.fileSize, 0);

    // A minimum the picture does not reach comes back as negative sizes.
    PictureLoad small;
    small.pictureWidth = 100;
    small.pictureHeight = 100;
    LoadPicture(jpg, 2, 50, 50, small);
    EXPECT_TRUE(small.decoded);
    EXPECT_EQ(small.bitmap, nullptr);
    EXPECT_EQ(small.pictureWidth, -30);
    EXPECT_EQ(small.pictureHeight, -20);

    PictureLoad missing;
    LoadPicture((folder_ / "gone.jpg").string(), 0, 10, 10, missing);
    EXPECT_TRUE(missing.fileMissing);
    EXPECT_FALSE(missing.decoded);
    EXPECT_EQ(missing.fileSize, -1);

    PictureLoad badSlot;
    LoadPicture(jpg, kDecodingSlots, 10, 10, badSlot);
    EXPECT_FALSE(badSlot.decoded);
}

TEST_F(PluginHost, PluginsThatOpenFilesGetTheNameAndARealTimeResizeCountsAsPixels) {
    const char* const ext[] = {".xyz"};
    const char* const names[] = {"Named"};
    PluginProc decoders[] = {reinterpret_cast<PluginProc>(&FakeDecodeByName)};
    static PluginDescriptor named;
    named = {kPluginMagic, 0, "Named", kPluginOpensFiles, nullptr, "", 1, ext, names, decoders, nullptr};
    RegisterPluginList({{"In_named.dll", [] { return static_cast<const PluginDescriptor*>(&named); }}});
    const std::string file = Write("p.xyz", Text("12345"));
    PictureLoad load;
    LoadPicture(file, 1, 10, 10, load);
    EXPECT_EQ(fake.nameSeen, file);
    EXPECT_TRUE(load.decoded);
    EXPECT_EQ(load.fileSize, 5);
    load.bitmap->Release();
}

TEST_F(PluginHost, ARowByRowPictureIsDecodedWithoutPixels) {
    RegisterStdAndFake();
    // The standard plugin decodes without a buffer when the line callback
    // takes the rows; the host counts that as decoded.
    static int rows;
    rows = 0;
    ResizeSlots[5].lineCallback = [](const void*, int32_t row, int32_t, int32_t, int32_t) -> int32_t {
        if (row == kHeaderRow) ResizeSlots[5].resizeAccepted = 1;
        else ++rows;
        return 1;
    };
    Settings.rtresize = true;
    ReinitPlugins();
    const std::string jpg = Write("rt.jpg", EncodeJpeg(16, 12, [](int, int) { return Rgb{1, 2, 3}; }));
    PictureLoad load;
    LoadPicture(jpg, 5, 16, 12, load);
    ResizeSlots[5] = ResizeSlot{};
    EXPECT_TRUE(load.decoded);
    EXPECT_EQ(rows, 12);
    ASSERT_NE(load.bitmap, nullptr);
    EXPECT_EQ(load.bitmap->Pixels(), nullptr);
    load.bitmap->Release();
}

TEST_F(PluginHost, TheShowsStopRequestReachesTheDecoder) {
    RegisterPlugins();
    const std::string jpg = Write("s.jpg", EncodeJpeg(16, 16, [](int, int) { return Rgb{1, 2, 3}; }));
    StopRequested = true;
    PictureLoad stopped;
    LoadPicture(jpg, 0, 16, 16, stopped);
    StopRequested = false;
    EXPECT_FALSE(stopped.decoded);
    EXPECT_EQ(stopped.bitmap, nullptr);
    PictureLoad again;
    LoadPicture(jpg, 0, 16, 16, again);
    EXPECT_TRUE(again.decoded);
    if (again.bitmap) again.bitmap->Release();
    ReleaseSharedBuffer(0);
}

TEST_F(PluginHost, SharedBufferLimits) {
    static uint64_t available;
    AvailablePhysicalMemory = [] { return available; };
    available = uint64_t{1} << 40;
    EXPECT_EQ(RequestSharedBuffer(0, 0), nullptr);
    EXPECT_EQ(RequestSharedBuffer(-5, 0), nullptr);
    EXPECT_EQ(RequestSharedBuffer(100000001, 0), nullptr);  // whatever the memory
    EXPECT_EQ(AllocateBlock(100000001), nullptr);

    // Over 50000000 bytes, the megabytes may not pass 0.3 x the free ones.
    available = uint64_t{100} << 20;
    EXPECT_EQ(RequestSharedBuffer(60000000, 0), nullptr);  // 57 MB > 30 MB
    EXPECT_EQ(AllocateBlock(60000000), nullptr);
    void* exactly = RequestSharedBuffer(50000000, 0);  // not over the line
    EXPECT_NE(exactly, nullptr);
    available = uint64_t{1} << 30;
    void* big = RequestSharedBuffer(60000000, 0);  // 57 MB < 307 MB
    ASSERT_NE(big, nullptr);
    static_cast<uint8_t*>(big)[59999999] = 1;
    EXPECT_EQ(RequestSharedBuffer(60000000, 0), big);  // the same size is the same buffer
    ReleaseSharedBuffer(0);

    EXPECT_TRUE(BufferSizeAllowed(100000000, uint64_t{1} << 30));
    EXPECT_FALSE(BufferSizeAllowed(100000000, uint64_t{300} << 20));  // 95 MB > 90 MB
    EXPECT_TRUE(BufferSizeAllowed(50000000, 0));
    EXPECT_FALSE(BufferSizeAllowed(50000001, 0));
    EXPECT_GT(SystemAvailablePhysicalMemory(), 0u);
}

TEST_F(PluginHost, BlockServices) {
    void* block = AllocateBlock(16);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(FreeBlock(block), 0);
    EXPECT_EQ(FreeBlock(nullptr), -1);
    void* p = nullptr;
    EXPECT_NE(ReallocateBlock(&p, 8), nullptr);  // null allocates
    ASSERT_NE(p, nullptr);
    static_cast<uint8_t*>(p)[7] = 42;
    EXPECT_NE(ReallocateBlock(&p, 4096), nullptr);
    EXPECT_EQ(static_cast<uint8_t*>(p)[7], 42);
    void* kept = p;
    EXPECT_EQ(ReallocateBlock(&p, 100000001), nullptr);  // refused: the old block stays
    EXPECT_EQ(p, kept);
    EXPECT_EQ(ReallocateBlock(&p, 0), nullptr);
    EXPECT_EQ(p, nullptr);
}

}  // namespace
