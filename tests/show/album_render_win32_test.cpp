// The real renderer under Wine: frames read back from a hidden saver window
// and compared with the page bitmaps they must show.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "diagnostics/events_log.h"
#include "imaging/bitmap.h"
#include "library/registry.h"
#include "library/settings.h"
#include "show/album_offscreen_win32.h"
#include "diagnostics/watchdog.h"
#include "diagnostics/watchdog_rules.h"
#include "show/album_scene.h"
#include "show/gl_api_win32.h"
#include "show/gl_control_win32.h"
#include "show/gl_facts.h"
#include "show/saver_window_win32.h"

namespace {

constexpr int kWinW = 1024, kWinH = 768;  // 4:3 keeps every page corner at full light
constexpr double kPi = 3.14159265358979323846;

// A smooth page: red runs along x, green down y, blue tells the pages apart.
BitmapPtr GradientPage(int w, int h, uint8_t blue) {
    BitmapPtr b(TBitmap0::Create(w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b->At(x, y) = (uint32_t(x * 255 / (w - 1)) << 16) | (uint32_t(y * 255 / (h - 1)) << 8) | blue;
    return b;
}

struct Rgb {
    int r, g, b;
};

Rgb FramePixel(const AlbumOffscreen& a, int fx, int fyTop) {
    const int row = a.Height() - 1 - fyTop;
    const uint8_t* p = a.Pixels().data() + (static_cast<size_t>(row) * a.Width() + fx) * 3;
    return {p[0], p[1], p[2]};
}

// Where frame pixel (fx, fy) lands on a flat page, through the fixed camera:
// eye at z = 60, vertical field of view 35 degrees. False outside the page.
bool PagePixelAt(int fx, int fyTop, bool leftPage, int& px, int& py) {
    const double halfH = 60 * std::tan(17.5 * kPi / 180);
    const double aspect = double(kWinW) / kWinH;
    const double ndcX = 2 * (fx + 0.5) / kWinW - 1, ndcY = 1 - 2 * (fyTop + 0.5) / kWinH;
    const double sceneX = ndcY * halfH, right = ndcX * halfH * aspect;  // right = -y
    const double R = kPageHalfHeight, S = Scene.pageSpan;
    const int W = Scene.grid.width, H = Scene.grid.height;
    const double col = leftPage ? (S + right) / S * (W - 1) : right / S * (W - 1);
    const double rowFromBottom = (sceneX + R) * (H - 1) / (2 * R);
    px = static_cast<int>(std::lround(col));
    py = H - 1 - static_cast<int>(std::lround(rowFromBottom));
    return px >= 0 && px < W && py >= 0 && py < H;
}

// Mean absolute error per channel of one half of the frame against a page,
// leaving out a margin where the page's edge and the spine fall.
double HalfError(const AlbumOffscreen& a, bool leftHalf, const TBitmap0& page) {
    double sum = 0;
    long n = 0;
    const int margin = 4;
    const int x0 = leftHalf ? margin : kWinW / 2 + margin, x1 = leftHalf ? kWinW / 2 - margin : kWinW - margin;
    for (int fy = margin; fy < kWinH - margin; fy += 3) {
        for (int fx = x0; fx < x1; fx += 3) {
            int px, py;
            if (!PagePixelAt(fx, fy, leftHalf, px, py)) continue;
            const uint32_t want = page.At(px, py);
            const Rgb got = FramePixel(a, fx, fy);
            sum += std::abs(got.r - int(want >> 16 & 0xFF)) + std::abs(got.g - int(want >> 8 & 0xFF)) +
                   std::abs(got.b - int(want & 0xFF));
            n += 3;
        }
    }
    return n ? sum / n : 1e9;
}

// Largest step between neighbouring frame pixels inside one half: a gap or a
// misplaced texel at a tile edge shows as a jump far above the gradient's.
int LargestStep(const AlbumOffscreen& a, bool leftHalf) {
    const int margin = 4;
    const int x0 = leftHalf ? margin : kWinW / 2 + margin, x1 = leftHalf ? kWinW / 2 - margin : kWinW - margin;
    int worst = 0;
    for (int fy = margin; fy < kWinH - margin; ++fy) {
        for (int fx = x0; fx < x1; ++fx) {
            const Rgb p = FramePixel(a, fx, fy), r = FramePixel(a, fx + 1, fy), d = FramePixel(a, fx, fy + 1);
            worst = std::max({worst, std::abs(p.r - r.r), std::abs(p.g - r.g), std::abs(p.b - r.b),
                              std::abs(p.r - d.r), std::abs(p.g - d.g), std::abs(p.b - d.b)});
        }
    }
    return worst;
}

class AlbumRender : public ::testing::Test {
protected:
    void SetUp() override {
        Settings = TSettings();
        album = std::make_unique<AlbumOffscreen>(kWinW, kWinH);
        const int w = Scene.grid.width, h = Scene.grid.height;
        openL = GradientPage(w, h, 30);
        openR = GradientPage(w, h, 90);
        nextL = GradientPage(w, h, 150);
        nextR = GradientPage(w, h, 210);
        album->SetPages(openL.get(), openR.get(), nextL.get(), nextR.get());
    }
    void TearDown() override { album.reset(); }
    // The frame shows `left` on the left half and `right` on the right half.
    void ExpectSpread(const TBitmap0& left, const TBitmap0& right) {
        EXPECT_LT(HalfError(*album, true, left), 3.0);
        EXPECT_LT(HalfError(*album, false, right), 3.0);
    }

    std::unique_ptr<AlbumOffscreen> album;
    BitmapPtr openL, openR, nextL, nextR;
};

TEST_F(AlbumRender, TurnShowsOpeningSpreadThenNextSpread) {
    ASSERT_EQ(Scene.grid.LastIndex(), 11);
    album->Draw(0, false);
    ExpectSpread(*openL, *openR);
    EXPECT_LE(LargestStep(*album, true), 6);
    EXPECT_LE(LargestStep(*album, false), 6);

    album->Draw(1, false);
    ExpectSpread(*nextL, *nextR);
    EXPECT_LE(LargestStep(*album, true), 6);
    EXPECT_LE(LargestStep(*album, false), 6);
    EXPECT_TRUE(TurnDone);
}

TEST_F(AlbumRender, SheetStandsOnTheSpineHalfway) {
    album->Draw(0.5f, false);
    ExpectSpread(*openL, *nextR);
    // At 0.4 (72 degrees) the tilted sheet hides the right page's inner part
    // and is darker than a page facing the eye; the outer part shows the
    // uncovered page at full light.
    album->Draw(0.4f, false);
    const Rgb nearSpine = FramePixel(*album, kWinW / 2 + 40, kWinH / 2);
    EXPECT_GT(nearSpine.b, 30);
    EXPECT_LT(nearSpine.b, 88);
    const Rgb farRight = FramePixel(*album, kWinW - 20, kWinH / 2);
    EXPECT_NEAR(farRight.b, 210, 3);
    const Rgb left = FramePixel(*album, kWinW / 4, kWinH / 2);
    EXPECT_NEAR(left.b, 30, 3);
}

TEST_F(AlbumRender, ReverseTurnStartsAt180AndEndsAt0) {
    album->Draw(0, true);  // the sheet lies on the left: the spread after the turn
    ExpectSpread(*nextL, *nextR);
    album->Draw(1, true);
    ExpectSpread(*openL, *openR);
}

TEST_F(AlbumRender, ReverseUploadThenForwardAgain) {
    album->Draw(1, false);  // forward turn done: next spread on screen
    BitmapPtr backL = GradientPage(Scene.grid.width, Scene.grid.height, 60);
    BitmapPtr backR = GradientPage(Scene.grid.width, Scene.grid.height, 120);
    Reverse = true;
    album->SetPages(openL.get(), openR.get(), backL.get(), backR.get());
    EXPECT_TRUE(ReverseUploaded);
    album->Draw(0, true);  // starts from what is on screen
    ExpectSpread(*nextL, *nextR);
    album->Draw(1, true);  // and uncovers the pages turned back to
    ExpectSpread(*backL, *backR);
    // The next forward upload starts from the reverse turn's result.
    BitmapPtr newL = GradientPage(Scene.grid.width, Scene.grid.height, 180);
    BitmapPtr newR = GradientPage(Scene.grid.width, Scene.grid.height, 240);
    album->SetPages(openL.get(), openR.get(), newL.get(), newR.get());
    EXPECT_FALSE(Reverse);
    album->Draw(0, false);
    ExpectSpread(*backL, *backR);
    album->Draw(1, false);
    ExpectSpread(*newL, *newR);
}

TEST_F(AlbumRender, WrongSizedPageIsRefused) {
    BitmapPtr small = GradientPage(100, 100, 1);
    EXPECT_THROW(album->SetPages(openL.get(), openR.get(), small.get(), nextR.get()), std::runtime_error);
    PagesPending = false;
}

TEST(SaverWindow, ContextFactsAndVSync) {
    Settings = TSettings();
    RegWriteString("vsync", "");
    TmyEventsLog log;
    TmyEventsLog* saved = EventsLog;
    EventsLog = &log;
    {
        AlbumOffscreen album(64, 48);
        RecordGLFacts();
        album.Draw(0, false, false);  // runs the scene set-up and the vsync decision
    }
    EXPECT_FALSE(RecordedGLFacts.version.empty());
    EXPECT_EQ(RecordedGLFacts.driverKind, GLDriverKind());
    EXPECT_NE(RecordedGLFacts.accelerator.find(" ("), std::string::npos);
    const std::string stored = RegReadString("vsync");
    if (GLDriverKind() == "ICD") {
        EXPECT_TRUE(stored == "1" || stored == "2") << stored;
        EXPECT_TRUE(log.Has(kEventGlAccelerated));
    } else {
        EXPECT_EQ(stored, "3");
    }
    EXPECT_EQ(std::to_string(Settings.vsync), stored);
    RegWriteString("vsync", "");
    EventsLog = saved;
}

TEST(SaverWindow, AnswersTheWatchdogProbeAndKeepsItsStyle) {
    HWND w = CreateHiddenSaverWindow(32, 32);
    ASSERT_NE(w, nullptr);
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    EXPECT_STREQ(name, "DERU_Pagewind");
    // The probe is acknowledged to the watchdog, not just answered.
    RegisterMainThread();
    RegisterMainThread(w);
    Watchdog().mainAnswered = false;
    EXPECT_EQ(SendMessageA(w, 0x800A, 0, 0), 0);
    EXPECT_TRUE(Watchdog().mainAnswered);
    CloseMainThread();
    HWND full = CreateSaverWindow(nullptr, 0, 0, 200, 100);
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(full, GWL_STYLE)) & 0xFF000000u, 0x96000000u);
    EXPECT_TRUE(GetWindowLongA(full, GWL_EXSTYLE) & WS_EX_TOPMOST);
    HWND child = CreateSaverWindow(full, 0, 0, 50, 50);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), full);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE)) & 0xFF000000u, 0x53000000u);
    DestroyWindow(full);
    DestroyWindow(w);
}

// A context whose set-up fails gives back its device and rendering contexts,
// so shows started again and again from the settings window leak nothing.
TEST(SaverWindow, FailedGLSetUpReleasesItsContexts) {
    HWND w = CreateHiddenSaverWindow(64, 64);
    ASSERT_NE(w, nullptr);
    struct Seen {
        HGLRC rc = nullptr;
        HDC dc = nullptr;
    } seen;
    auto failingInit = [](void* data, TGLControl* control) {
        auto* s = static_cast<Seen*>(data);
        s->rc = control->RenderingContext;
        s->dc = control->DeviceContext;
        throw std::runtime_error("init failed");
    };
    EXPECT_THROW(TGLControl(w, 64, 64, failingInit, &seen), std::runtime_error);
    ASSERT_NE(seen.rc, nullptr);
    ASSERT_NE(seen.dc, nullptr);
    EXPECT_EQ(wgl.GetCurrentContext ? wgl.GetCurrentContext() : nullptr, nullptr);
    EXPECT_FALSE(wgl.DeleteContext(seen.rc)) << "the rendering context was left alive";
    EXPECT_EQ(ReleaseDC(w, seen.dc), 0) << "the device context was still held";
    DestroyWindow(w);
}

TEST(SaverWindowDeathTest, PreviewParentGoneEndsQuietly) {
    HWND parent = CreateHiddenSaverWindow(16, 16);
    DestroyWindow(parent);
    EXPECT_EXIT(CreateSaverWindow(parent, 0, 0, 10, 10), ::testing::ExitedWithCode(0), "");
}

}  // namespace
