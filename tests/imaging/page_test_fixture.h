#pragma once
// A show's worth of state for page composition tests: the real plugins, a
// picture list of files written into a fresh folder, the sequential order,
// and the show's hooks and stop request put back after each test.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/page_compose.h"
#include "imaging/plugin_host.h"
#include "library/picture_list.h"
#include "library/selection_order.h"
#include "library/settings.h"
#include "show/stop_request.h"
#include "tests/imaging/jpeg_test_file.h"

class PageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::filesystem::temp_directory_path() /
               ("pw_page_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        std::filesystem::create_directories(dir_);
        savedSettings_ = Settings;
        ShutdownPlugins();
        RegisterPlugins();
    }
    static void TearDownTestSuite() {
        ShutdownPlugins();
        Settings = savedSettings_;
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    void SetUp() override {
        Settings = savedSettings_;
        Settings.OrderMode = 1;  // sequential: the tests know which picture comes next
        Settings.StartFromRandom = false;
        Settings.StartFromPrevious = false;
        Settings.rtresize = true;
        Settings.crop = false;
        Settings.RandomPos = false;
        Settings.ShowFileName = false;
        PicList().Clear();
        ResetSelection();
        StopRequested = 0;
        savedPump_ = PumpShowMessages;
        CaptionsEnabled = true;
    }
    void TearDown() override {
        PumpShowMessages = savedPump_;
        StopRequested = 0;
        PicList().Clear();
        ResetSelection();
        ReleaseCaptionFonts();
        Settings = savedSettings_;
    }

    static std::string PathFor(const std::string& name) { return (dir_ / name).string(); }

    // A picture file of one colour (0x00RRGGBB).
    static std::string SolidJpeg(const std::string& name, int32_t w, int32_t h, uint32_t rgb) {
        BitmapPtr picture(TBitmap0::Create(w, h));
        picture->SetFillColour(rgb);
        picture->Fill();
        return Jpeg(name, *picture);
    }
    static std::string Jpeg(const std::string& name, const TBitmap0& picture) {
        const std::string path = PathFor(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        EXPECT_TRUE(WriteTestJpeg(path, picture, 0, 95)) << path;
        return path;
    }
    static std::string TextFile(const std::string& name, const std::string& content) {
        const std::string path = PathFor(name);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr) << path;
        if (f) {
            std::fputs(content.c_str(), f);
            std::fclose(f);
        }
        return path;
    }

    // The picture list: one folder entry holding the given files in order.
    static void SetList(const std::vector<std::string>& files) {
        TPicList& list = PicList();
        list.Clear();
        list.AddFolder("Root");
        TFolderItem& folder = list.At(list.AddFolder(dir_.string()));
        for (const std::string& f : files) folder.Pictures->push_back(f);
    }

    // A tile whose pixels all differ, so a misplaced phase shows.
    static BitmapPtr Tile(int32_t w, int32_t h) {
        BitmapPtr tile(TBitmap0::Create(w, h));
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) tile->At(x, y) = 0x00402010u + static_cast<uint32_t>(y * w + x) * 0x030507u;
        return tile;
    }

    static bool Near(uint32_t pixel, uint32_t rgb, int tolerance = 8) {
        for (int shift = 0; shift < 24; shift += 8) {
            const int a = static_cast<int>((pixel >> shift) & 0xFF);
            const int b = static_cast<int>((rgb >> shift) & 0xFF);
            if (std::abs(a - b) > tolerance) return false;
        }
        return true;
    }

    static inline std::filesystem::path dir_;
    static inline TSettings savedSettings_;
    void (*savedPump_)() = nullptr;
};
