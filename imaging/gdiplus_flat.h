#pragma once
// The eight flat GDI+ calls the GDI+ formats plugin takes from gdiplus.dll by
// name (and two optional ones for the pictures' properties), with the records they exchange. Declared here rather than taken from
// the system's headers so that the plugin's logic stays portable and can be
// driven by a stand-in library in the tests.
#include <cstddef>
#include <cstdint>

#include "imaging/plugin_contract.h"

namespace gdip {

using Status = int32_t;  // 0: Ok
struct GpImage;          // opaque; bitmaps loaded from files are images too

struct Rect {
    int32_t x, y, width, height;
};

// BitmapData: with ImageLockModeUserInputBuf the caller fills it in and GDI+
// writes the pixels to scan0 with the given stride.
struct BitmapData {
    uint32_t width;
    uint32_t height;
    int32_t stride;
    int32_t pixelFormat;
    void* scan0;
    uintptr_t reserved;
};

struct StartupInput {
    uint32_t version;  // 1
    void* debugEventCallback;
    int32_t suppressBackgroundThread;  // BOOL
    int32_t suppressExternalCodecs;    // BOOL
};

constexpr uint32_t kLockReadUserBuffer = 5;  // ImageLockModeRead | ImageLockModeUserInputBuf
constexpr int32_t kPixelFormat24bppRGB = 137224;
constexpr int32_t kPixelFormat32bppRGB = 139273;

// WINAPI / WINGDIPAPI: callee-pops on the 32-bit product.
using StartupFn = Status(PW_STDCALL*)(uintptr_t* token, const StartupInput* input, void* output);
using ShutdownFn = void(PW_STDCALL*)(uintptr_t token);
using LoadImageFromFileFn = Status(PW_STDCALL*)(const wchar_t* fileName, GpImage** image);
using BitmapLockBitsFn = Status(PW_STDCALL*)(GpImage* bitmap, const Rect* rect, uint32_t flags, int32_t format,
                                             BitmapData* data);
using BitmapUnlockBitsFn = Status(PW_STDCALL*)(GpImage* bitmap, BitmapData* data);
using DisposeImageFn = Status(PW_STDCALL*)(GpImage* image);
using GetImageSizeFn = Status(PW_STDCALL*)(GpImage* image, uint32_t* size);

// A property of a loaded image (its EXIF and TIFF tags, a PNG's chunks);
// `value` points just past the record, in the caller's buffer.
struct PropertyItem {
    uint32_t id;
    uint32_t length;  // bytes of value
    uint16_t type;
    void* value;
};
constexpr uint32_t kPropertyIccProfile = 0x8773;
constexpr uint32_t kPropertyDateTimeOriginal = 0x9003;
using GetPropertyItemSizeFn = Status(PW_STDCALL*)(GpImage* image, uint32_t id, uint32_t* size);
using GetPropertyItemFn = Status(PW_STDCALL*)(GpImage* image, uint32_t id, uint32_t size, PropertyItem* buffer);

struct Api {
    StartupFn startup = nullptr;
    ShutdownFn shutdown = nullptr;
    LoadImageFromFileFn loadImageFromFile = nullptr;
    BitmapLockBitsFn lockBits = nullptr;
    BitmapUnlockBitsFn unlockBits = nullptr;
    DisposeImageFn disposeImage = nullptr;
    GetImageSizeFn getImageWidth = nullptr;
    GetImageSizeFn getImageHeight = nullptr;
    // Optional: without them pictures are shown without their profile and date.
    GetPropertyItemSizeFn getPropertyItemSize = nullptr;
    GetPropertyItemFn getPropertyItem = nullptr;
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(BitmapData) == 24 && offsetof(BitmapData, scan0) == 16);
static_assert(sizeof(StartupInput) == 16);
#elif defined(_WIN64)
static_assert(sizeof(BitmapData) == 32 && offsetof(BitmapData, scan0) == 16);
static_assert(sizeof(StartupInput) == 24);
#endif

}  // namespace gdip
