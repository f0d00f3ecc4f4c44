#include "show/album_offscreen_win32.h"

#include <cmath>

#include "diagnostics/clock.h"
#include "imaging/bitmap.h"
#include "show/album_renderer_win32.h"
#include "show/album_scene.h"
#include "show/gl_api_win32.h"
#include "show/gl_control_win32.h"
#include "show/saver_window_win32.h"

namespace {
// Long enough that the clock moving between setting the start and drawing
// shifts the progress by less than 1e-5.
constexpr int32_t kFrameTurnDuration = 100000;
}  // namespace

AlbumOffscreen::AlbumOffscreen(int32_t width, int32_t height, bool visible) : width_(width), height_(height) {
    SetSceneSize(width, height);
    // A new scene starts with a forward turn and nothing uploaded.
    Reverse = false;
    CancelReverse = false;
    ReverseUploaded = false;
    window_ = visible ? CreateSaverWindow(nullptr, 0, 0, width, height) : CreateHiddenSaverWindow(width, height);
    GlInitPending = true;
    try {
        control_ = new TGLControl(window_, width, height);
    } catch (...) {
        DestroyWindow(window_);
        throw;
    }
    control_->PaintCallback = PaintAndRead;
    control_->PaintData = this;
    LastTileIndex = -1;
}

AlbumOffscreen::~AlbumOffscreen() {
    DeleteScene(control_);
    DestroyWindow(window_);
}

void AlbumOffscreen::PaintAndRead(void* self, TGLControl* control) {
    auto* me = static_cast<AlbumOffscreen*>(self);
    DrawFrame(nullptr, control);
    if (!me->readBack_) return;
    me->pixels_.resize(static_cast<size_t>(me->width_) * me->height_ * 3);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
    gl.ReadBuffer(GL_BACK);
    gl.ReadPixels(0, 0, me->width_, me->height_, GL_RGB, GL_UNSIGNED_BYTE, me->pixels_.data());
}

void AlbumOffscreen::SetPages(TBitmap0* openingLeft, TBitmap0* openingRight, TBitmap0* nextLeft,
                              TBitmap0* nextRight) {
    OpeningLeft = openingLeft;
    OpeningRight = openingRight;
    NextLeft = nextLeft;
    NextRight = nextRight;
    PagesPending = true;
    TurnDone = true;
    readBack_ = false;
    control_->Paint();
}

void AlbumOffscreen::Draw(float progress, bool reverse, bool readBack) {
    TurnDuration = kFrameTurnDuration;
    Reverse = reverse;
    TurnDone = false;
    const int32_t span = kFrameTurnDuration * 10;
    const int32_t elapsed = progress >= 1 ? span + span / 10 : static_cast<int32_t>(std::lround(progress * span));
    TurnStart = static_cast<int32_t>(static_cast<uint32_t>(Clock100us()) - static_cast<uint32_t>(elapsed));
    if (progress <= 0) TurnDone = true;  // exactly the start of the turn
    readBack_ = readBack;
    control_->Paint();
}

void AlbumOffscreen::DrawRunning(bool readBack) {
    readBack_ = readBack;
    control_->Paint();
}

TBitmap0* AlbumOffscreen::FrameBitmap() const {
    TBitmap0* frame = TBitmap0::Create(width_, height_);
    if (pixels_.size() != static_cast<size_t>(width_) * height_ * 3) return frame;
    for (int32_t y = 0; y < height_; ++y) {
        const uint8_t* src = pixels_.data() + static_cast<size_t>(height_ - 1 - y) * width_ * 3;
        uint32_t* dst = frame->Row(y);
        for (int32_t x = 0; x < width_; ++x, src += 3) dst[x] = uint32_t{src[0]} << 16 | uint32_t{src[1]} << 8 | src[2];
    }
    return frame;
}
