#pragma once
// TBitmap0: the program's one in-memory picture. 32-bit pixels (blue, green,
// red, unused byte), top row first, stride exactly width * 4 bytes.
//
// On Windows a bitmap made by Create owns a top-down DIB section selected
// into a memory DC, so GDI can draw text and stretch onto it; natively it owns
// a plain buffer. A bitmap made by Wrap only describes somebody else's buffer
// (a decoder's output) and owns nothing.
//
// Failures raise std::runtime_error with the texts "CreateDIBSection failed,
// Error = <code>, <width>, <height>" and "ptr=nil".
#include <cstdint>
#include <memory>
#include <string>

class TBitmap0 {
public:
    // New bitmap owning its pixels (a DIB section on Windows), options at
    // their initial values. Throws std::runtime_error when the system refuses.
    static TBitmap0* Create(int32_t width, int32_t height);
    // New bitmap over an existing top-down 32-bit buffer; owns nothing.
    static TBitmap0* Wrap(int32_t width, uint32_t* pixels, int32_t height);

    // Forgets the DC and bitmap handle without deleting them, then deletes the
    // object. For wrapped bitmaps: their buffer stays with its owner.
    void Release();
    // Deletes the DC (if any), then the bitmap handle (if any), then the
    // object. Safe on wrapped bitmaps too (they hold neither).
    void Destroy();
    // Bitmap objects alive in the process, for leak checks.
    static int32_t Live();

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    uint32_t* Pixels() const { return pixels_; }
    uint32_t* Row(int32_t y) const { return pixels_ + static_cast<int64_t>(y) * width_; }
    uint32_t& At(int32_t x, int32_t y) const { return Row(y)[x]; }
    // HDC and HBITMAP on Windows; null for wrapped bitmaps and natively.
    void* DC() const { return dc_; }
    void* Handle() const { return handle_; }

    void SetFillColour(uint32_t pixel) { fillColour_ = pixel; }
    uint32_t FillColour() const { return fillColour_; }
    // The pattern is only referred to, never owned.
    void SetPattern(const TBitmap0* pattern) { pattern_ = pattern; }
    const TBitmap0* Pattern() const { return pattern_; }

    // Whole bitmap: the pattern tiled from (PatternOffsetX, PatternOffsetY)
    // when one is set, else the fill colour.
    void Fill();
    // Every pixel to 0.
    void Clear();
    // Inclusive rectangle (x1, y1)-(x2, y2) to 0.
    void ClearRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    // Source pixel (sx + i, sy + j) to (x1 + i, y1 + j) over the inclusive
    // destination rectangle, clipped to both bitmaps.
    void CopyRect(const TBitmap0& source, int32_t sx, int32_t sy, int32_t x1, int32_t y1, int32_t x2,
                  int32_t y2);
#ifdef _WIN32
    // The same copy by BitBlt/SRCCOPY between the two DCs (both must own one).
    void BlitRect(const TBitmap0& source, int32_t sx, int32_t sy, int32_t x1, int32_t y1, int32_t x2,
                  int32_t y2);
#endif

    // Options, set by the creator right after Create/Wrap.
    int32_t Slot = 0;  // decoding slot (0..10) this bitmap is filled through
    bool Enlarge = false;
    bool RandomPos = false;
    bool Crop = false;
    int32_t PatternOffsetX = 0;
    int32_t PatternOffsetY = 0;
    // Where the picture fitted last went (DrawFit and the real-time resize
    // set it); FittedW 0 when nothing was drawn.
    int32_t FittedX = 0, FittedY = 0, FittedW = 0, FittedH = 0;
    void SetFitted(int32_t x, int32_t y, int32_t w, int32_t h) {
        FittedX = x;
        FittedY = y;
        FittedW = w;
        FittedH = h;
    }

    TBitmap0(const TBitmap0&) = delete;
    TBitmap0& operator=(const TBitmap0&) = delete;

private:
    TBitmap0(int32_t width, int32_t height);
    ~TBitmap0();
    // Platform parts of Create/Destroy (bitmap_win32.cpp, bitmap_posix.cpp).
    void AllocateOwned();
    void FreeOwned();
    // Black fill through GDI for a bitmap that has a DC but no pixel pointer.
    void GdiClearRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

    void* handle_ = nullptr;  // HBITMAP
    void* dc_ = nullptr;      // HDC
    uint32_t* pixels_ = nullptr;
    int32_t width_;
    int32_t height_;
    uint32_t fillColour_ = 0;
    const TBitmap0* pattern_ = nullptr;
    bool ownsPixels_ = false;  // native builds: the buffer is ours
};

// The text of a refused DIB section (shared by both platform layers).
std::string CreateDibFailedText(uint32_t systemError, int32_t width, int32_t height);

// unique_ptr support: destroys (owned bitmaps) or just deletes (wrapped ones).
struct BitmapDestroyer {
    void operator()(TBitmap0* bitmap) const {
        if (bitmap) bitmap->Destroy();
    }
};
using BitmapPtr = std::unique_ptr<TBitmap0, BitmapDestroyer>;

// unique_ptr support for a bitmap that wraps somebody else's buffer (what the
// plugin host hands back): Release, never Destroy.
struct BitmapReleaser {
    void operator()(TBitmap0* bitmap) const {
        if (bitmap) bitmap->Release();
    }
};
using WrappedBitmapPtr = std::unique_ptr<TBitmap0, BitmapReleaser>;
