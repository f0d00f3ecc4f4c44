#pragma once
// The real renderer drawing single frames into a hidden saver window and
// reading them back: for pwtool, the renderer's tests and the benchmark.
#include <windows.h>

#include <cstdint>
#include <vector>

class TBitmap0;
class TGLControl;

class AlbumOffscreen {
public:
    // Window size; throws like SetSceneSize and TGLControl. `visible`: a
    // full-screen saver window instead of a hidden one (for timing the
    // presentation too).
    AlbumOffscreen(int32_t width, int32_t height, bool visible = false);
    ~AlbumOffscreen();
    AlbumOffscreen(const AlbumOffscreen&) = delete;
    AlbumOffscreen& operator=(const AlbumOffscreen&) = delete;

    // Hands over the four page bitmaps (owned by the caller, page size) and
    // draws the frame that uploads them.
    void SetPages(TBitmap0* openingLeft, TBitmap0* openingRight, TBitmap0* nextLeft, TBitmap0* nextRight);
    // One frame at the given progress (0..1) of a turn in that direction;
    // the pixels are read back when `readBack` (RGB rows bottom-up).
    void Draw(float progress, bool reverse, bool readBack = true);
    // One frame with the turn clock as it runs (for timing).
    void DrawRunning(bool readBack = false);
    const std::vector<uint8_t>& Pixels() const { return pixels_; }
    // The last read-back frame as a new bitmap (top row first).
    TBitmap0* FrameBitmap() const;
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    TGLControl* Control() const { return control_; }

private:
    static void PaintAndRead(void* self, TGLControl* control);
    int32_t width_, height_;
    HWND window_ = nullptr;
    TGLControl* control_ = nullptr;
    bool readBack_ = false;
    std::vector<uint8_t> pixels_;
};
