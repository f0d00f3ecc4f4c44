// The GDI+ formats plugin against a stand-in library: where it looks for
// gdiplus.dll, and how it drives the eight calls (the real library is tested
// under Wine by tests/e2e/gdiplus_formats.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/fit.h"
#include "imaging/gdiplus_flat.h"
#include "imaging/gdiplus_plugin.h"
#include "imaging/plugin_host.h"
#include "library/settings.h"
#include "show/stop_request.h"

namespace {

// A file system, registry and library loader in memory.
struct FakeSystem {
    std::map<std::string, bool> loadable;  // path -> loads
    std::vector<std::string> loadsTried;
    std::map<std::string, std::string> settings;
    std::vector<std::string> machineKeys;
    std::string installRoot;
    std::map<std::string, std::vector<std::pair<std::string, bool>>> folders;
    std::vector<std::string> listed;
    std::vector<std::string> besideProgram;

    GdiplusSystem Make() {
        GdiplusSystem s = DefaultGdiplusSystem();
        s.load = [this](const std::string& path) -> void* {
            loadsTried.push_back(path);
            const auto it = loadable.find(path);
            return it != loadable.end() && it->second ? reinterpret_cast<void*>(loadsTried.size()) : nullptr;
        };
        s.programFolder = [] { return std::string("C:\\Program Files\\Pagewind"); };
        s.fileExists = [this](const std::string& path) {
            return std::find(besideProgram.begin(), besideProgram.end(), path) != besideProgram.end();
        };
        s.readSetting = [this](const char* name) { return settings[name]; };
        s.writeSetting = [this](const char* name, const std::string& text) { settings[name] = text; };
        s.machineKeyExists = [this](const char* key) {
            return std::find(machineKeys.begin(), machineKeys.end(), key) != machineKeys.end();
        };
        s.readMachineString = [this](const char* key, const char* name) {
            return std::string(key) == "SOFTWARE\\Microsoft\\.NETFramework" && std::string(name) == "InstallRoot"
                       ? installRoot
                       : std::string();
        };
        s.listFolder = [this](const std::string& folder, const std::function<void(const char*, bool)>& entry) {
            listed.push_back(folder);
            const auto it = folders.find(folder);
            if (it == folders.end()) return false;
            for (const auto& [name, isFolder] : it->second) entry(name.c_str(), isFolder);
            return true;
        };
        return s;
    }
};

TEST(GdiplusSearch, FollowsTheLoadOrderAndRemembersTheNetFrameworkSearch) {
    FakeSystem fs;
    fs.loadable["gdiplus.dll"] = true;
    EXPECT_NE(FindGdiplus(fs.Make()), nullptr);
    EXPECT_EQ(fs.loadsTried, std::vector<std::string>{"gdiplus.dll"});

    // Not in the system's search: the copy beside the program, then "Path".
    fs = FakeSystem{};
    fs.besideProgram = {"C:\\Program Files\\Pagewind\\gdiplus.dll"};
    fs.loadable["C:\\Program Files\\Pagewind\\gdiplus.dll"] = true;
    EXPECT_NE(FindGdiplus(fs.Make()), nullptr);
    EXPECT_EQ(fs.loadsTried.back(), "C:\\Program Files\\Pagewind\\gdiplus.dll");
    fs = FakeSystem{};
    fs.settings["Path"] = "D:\\old\\gdiplus.dll";
    fs.loadable["D:\\old\\gdiplus.dll"] = true;
    EXPECT_NE(FindGdiplus(fs.Make()), nullptr);
    EXPECT_TRUE(fs.listed.empty());

    // The .NET Framework's folders, depth first in the order listed; a copy
    // that does not load is passed over.
    fs = FakeSystem{};
    fs.machineKeys = {"SOFTWARE\\Microsoft\\.NETFramework\\policy\\v1.1",
                      "SOFTWARE\\Microsoft\\.NETFramework\\policy\\v1.0"};
    fs.installRoot = "C:\\WINDOWS\\Microsoft.NET\\Framework\\";
    const std::string root = "C:\\WINDOWS\\Microsoft.NET\\Framework";
    fs.folders[root] = {{".", true}, {"..", true}, {"v1.0.3705", true}, {"v1.1.4322", true}, {"gdiplus.dll", false}};
    fs.folders[root + "\\v1.0.3705"] = {{".", true}, {"..", true}, {"GdiPlus.DLL", false}};
    fs.folders[root + "\\v1.1.4322"] = {{"sub", true}, {"gdiplus.dll", false}};
    fs.folders[root + "\\v1.1.4322\\sub"] = {};
    fs.loadable[root + "\\v1.1.4322\\gdiplus.dll"] = true;
    fs.loadable[root + "\\gdiplus.dll"] = true;
    EXPECT_NE(FindGdiplus(fs.Make()), nullptr);
    EXPECT_EQ(fs.settings["NetVer"], "1.1");
    EXPECT_EQ(fs.settings["Path"], root + "\\v1.1.4322\\gdiplus.dll");
    EXPECT_EQ(fs.listed, (std::vector<std::string>{root, root + "\\v1.0.3705", root + "\\v1.1.4322",
                                                   root + "\\v1.1.4322\\sub"}));
    EXPECT_EQ(fs.loadsTried[fs.loadsTried.size() - 2], root + "\\v1.0.3705\\GdiPlus.DLL");

    // A second start with the same .NET version and an empty "Path" does not
    // search the disk again.
    fs.settings["Path"] = "";
    fs.listed.clear();
    fs.loadable.clear();
    EXPECT_EQ(FindGdiplus(fs.Make()), nullptr);
    EXPECT_TRUE(fs.listed.empty());
}

// A stand-in gdiplus.dll: pictures of a given size whose pixel (x, y) is
// red 7x, green 11y, blue x + y.
namespace standin {
struct Image {
    uint32_t w, h;
};
uint32_t width = 0, height = 0;
int loads = 0, disposes = 0, unlocks = 0, shutdowns = 0, libraryUnloads = 0;
uintptr_t shutdownToken = 0;
int32_t failLockAtRow = -1;
std::vector<std::pair<uint32_t, int32_t>> locks;  // flags, format

uint8_t R(uint32_t x, uint32_t) { return static_cast<uint8_t>(7 * x); }
uint8_t G(uint32_t, uint32_t y) { return static_cast<uint8_t>(11 * y); }
uint8_t B(uint32_t x, uint32_t y) { return static_cast<uint8_t>(x + y); }

gdip::Status PW_STDCALL Startup(uintptr_t* token, const gdip::StartupInput* input, void*) {
    *token = input->version == 1 ? 0x5EED : 0;
    return 0;
}
void PW_STDCALL Shutdown(uintptr_t token) {
    ++shutdowns;
    shutdownToken = token;
}
gdip::Status PW_STDCALL Load(const wchar_t* name, gdip::GpImage** image) {
    if (std::wstring(name).find(L"unreadable") != std::wstring::npos) return 2;
    ++loads;
    *image = reinterpret_cast<gdip::GpImage*>(new Image{width, height});
    return 0;
}
gdip::Status PW_STDCALL Lock(gdip::GpImage*, const gdip::Rect* r, uint32_t flags, int32_t format,
                             gdip::BitmapData* data) {
    locks.push_back({flags, format});
    if (r->y == failLockAtRow) return 7;
    const int bytes = format == gdip::kPixelFormat24bppRGB ? 3 : 4;
    for (int32_t y = 0; y < r->height; ++y) {
        uint8_t* p = static_cast<uint8_t*>(data->scan0) + static_cast<size_t>(y) * data->stride;
        for (int32_t x = 0; x < r->width; ++x, p += bytes) {
            const uint32_t sx = static_cast<uint32_t>(r->x + x), sy = static_cast<uint32_t>(r->y + y);
            p[0] = B(sx, sy);
            p[1] = G(sx, sy);
            p[2] = R(sx, sy);
            if (bytes == 4) p[3] = 0xFF;
        }
    }
    return 0;
}
gdip::Status PW_STDCALL Unlock(gdip::GpImage*, gdip::BitmapData*) {
    ++unlocks;
    return 0;
}
gdip::Status PW_STDCALL Dispose(gdip::GpImage* image) {
    ++disposes;
    delete reinterpret_cast<Image*>(image);
    return 0;
}
gdip::Status PW_STDCALL Width(gdip::GpImage* image, uint32_t* w) {
    *w = reinterpret_cast<Image*>(image)->w;
    return 0;
}
gdip::Status PW_STDCALL Height(gdip::GpImage* image, uint32_t* h) {
    *h = reinterpret_cast<Image*>(image)->h;
    return 0;
}

void* Resolve(void*, const char* name) {
    static const std::map<std::string, void*> entries = {
        {"GdiplusStartup", reinterpret_cast<void*>(&Startup)},
        {"GdiplusShutdown", reinterpret_cast<void*>(&Shutdown)},
        {"GdipLoadImageFromFile", reinterpret_cast<void*>(&Load)},
        {"GdipBitmapLockBits", reinterpret_cast<void*>(&Lock)},
        {"GdipBitmapUnlockBits", reinterpret_cast<void*>(&Unlock)},
        {"GdipDisposeImage", reinterpret_cast<void*>(&Dispose)},
        {"GdipGetImageWidth", reinterpret_cast<void*>(&Width)},
        {"GdipGetImageHeight", reinterpret_cast<void*>(&Height)},
    };
    const auto it = entries.find(name);
    return it == entries.end() ? nullptr : it->second;
}
}  // namespace standin

class GdiplusPlugin : public ::testing::Test {
protected:
    void SetUp() override {
        ShutdownPlugins();
        saved_ = GdiplusSystemSeams();
        savedSettings_ = Settings;
        GdiplusSystem& s = GdiplusSystemSeams();
        s.load = [](const std::string& name) -> void* {
            return name == "gdiplus.dll" ? reinterpret_cast<void*>(0x1000) : nullptr;
        };
        s.resolve = &standin::Resolve;
        s.unload = [](void*) { ++standin::libraryUnloads; };
        folder_ = std::filesystem::temp_directory_path() /
                  ("pw_gdiplus_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        ShutdownPlugins();
        GdiplusSystemSeams() = saved_;
        Settings = savedSettings_;
        std::filesystem::remove_all(folder_);
    }
    std::string File(const std::string& name) {
        const std::string path = (folder_ / name).string();
        std::ofstream(path) << "picture";
        return path;
    }
    void Register(bool rtresize) {
        ShutdownPlugins();
        Settings.rtresize = rtresize;
        RegisterPluginList({{"In_gdiplus.dll", &GdiplusPluginEntry}});
    }

    GdiplusSystem saved_;
    TSettings savedSettings_;
    std::filesystem::path folder_;
};

int32_t PW_CDECL ThrowAtRowThree(const void*, int32_t row, int32_t, int32_t, int32_t) {
    if (row == 3) throw std::runtime_error("prevLine=1, curLine=3");
    return 1;
}

TEST_F(GdiplusPlugin, DecodesWholeOrByRowsAndDisposesOfEveryImage) {
    standin::width = 21;
    standin::height = 13;
    const std::string png = File("p.png");

    // Whole: one lock of the picture in 32-bit pixels, straight into the buffer.
    Register(false);
    ASSERT_EQ(PluginTable().size(), 1u);
    EXPECT_STREQ(PluginTable()[0].descriptor.name, "GDI+ image formats");
    PictureLoad whole;
    LoadPicture(png, 0, 100, 100, whole);
    ASSERT_TRUE(whole.decoded);
    EXPECT_EQ(whole.formatName, "PNG");
    EXPECT_EQ(whole.pictureWidth, 21);
    ASSERT_NE(whole.bitmap, nullptr);
    EXPECT_EQ(whole.bitmap->Width(), 21);
    EXPECT_EQ(whole.bitmap->Height(), 13);
    EXPECT_EQ(whole.bitmap->At(20, 12) & 0xFFFFFF, uint32_t{140} << 16 | 132 << 8 | 32);
    whole.bitmap->Release();
    ReleaseSharedBuffer(0);
    EXPECT_EQ(standin::locks.back(), (std::pair<uint32_t, int32_t>{5, gdip::kPixelFormat32bppRGB}));

    // By rows into a cell of the picture's size: 24-bit rows in pixel order
    // through the real-time resize land unchanged.
    Register(true);
    BitmapPtr cell(TBitmap0::Create(21, 13));
    const PictureResult rows = LoadPictureInto(*cell, png);
    EXPECT_EQ(rows.formatName, "PNG");
    for (uint32_t y = 0; y < 13; ++y)
        for (uint32_t x = 0; x < 21; ++x)
            ASSERT_EQ(cell->At(static_cast<int32_t>(x), static_cast<int32_t>(y)) & 0xFFFFFF,
                      uint32_t{standin::R(x, y)} << 16 | standin::G(x, y) << 8 | standin::B(x, y))
                << x << "," << y;
    EXPECT_EQ(standin::locks.back(), (std::pair<uint32_t, int32_t>{5, gdip::kPixelFormat24bppRGB}));

    // Every way a decode can fail leaves no image behind.
    standin::failLockAtRow = 4;
    EXPECT_EQ(LoadPictureInto(*cell, png).formatName, "");
    standin::failLockAtRow = -1;
    StopRequested = true;
    EXPECT_EQ(LoadPictureInto(*cell, png).formatName, "");
    StopRequested = false;
    PictureLoad failed;
    ResizeSlots[0].lineCallback = &ThrowAtRowThree;
    EXPECT_THROW(LoadPicture(png, 0, 21, 13, failed), std::runtime_error);
    ResizeSlots[0] = ResizeSlot{};
    Register(false);
    standin::width = standin::height = 6000;  // 144 MB: the buffer is refused
    LoadPicture(png, 0, 100, 100, failed);
    EXPECT_FALSE(failed.decoded);
    LoadPicture(File("unreadable.gif"), 0, 100, 100, failed);
    EXPECT_FALSE(failed.decoded);
    EXPECT_EQ(standin::disposes, standin::loads);
    EXPECT_EQ(standin::unlocks, static_cast<int>(standin::locks.size()) - 1);  // all but the failed lock

    // The unload call shuts GDI+ down with its token and frees the library.
    const int unloadsBefore = standin::libraryUnloads;
    ShutdownPlugins();
    EXPECT_EQ(standin::shutdownToken, 0x5EEDu);
    EXPECT_EQ(standin::libraryUnloads, unloadsBefore + 1);
}

TEST_F(GdiplusPlugin, WithoutALoadableLibraryTheHostLeavesItOut) {
    GdiplusSystemSeams().load = [](const std::string&) -> void* { return nullptr; };
    GdiplusSystemSeams().listFolder = [](const std::string&, const std::function<void(const char*, bool)>&) {
        return false;
    };
    GdiplusSystemSeams().writeSetting = [](const char*, const std::string&) {};
    EXPECT_NE(GdiplusPluginEntry()->magic, kPluginMagic);
    Register(false);
    EXPECT_TRUE(PluginTable().empty());
    std::vector<std::string> extensions;
    CollectExtensions(extensions);
    EXPECT_TRUE(extensions.empty());
}

}  // namespace
