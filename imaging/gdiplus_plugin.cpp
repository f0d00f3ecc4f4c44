// The GDI+ formats plugin: descriptor, init and the decoder. GDI+ itself is
// reached only through the eight flat calls taken from the loaded library
// (and the two for the pictures' properties, when it has them).
#include "imaging/gdiplus_plugin.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "imaging/decode_source.h"
#include "imaging/gdiplus_flat.h"
#include "imaging/picture_facts.h"
#include "imaging/png_facts.h"

namespace {

constexpr uint32_t kGdiplusPluginVersion = 0x01040101;  // 1.4.1.1
constexpr int32_t kGdiplusPluginFlags = kPluginOpensFiles | kPluginWantsUnload | kPluginHasInit;
// Header word of the line callback: orientation 1, rows in pixel order.
constexpr uint32_t kRowsBlueFirst = 1 | kHeaderBlueFirst;

const char* const kExtensions[] = {".gif", ".tiff", ".tif", ".png", ".bmp"};
const char* const kFormatNames[] = {"GIF", "TIFF", "TIFF", "PNG", "Bitmap"};
constexpr int32_t kFormatCount = 5;

// The loaded and started library with its entry points. Kept for the
// program's life (until the unload call); whatever is still open at exit is
// shut down and freed here.
class GdiplusLibrary {
public:
    GdiplusLibrary(void* module, std::function<void(void*)> unload) : module_(module), unload_(std::move(unload)) {}
    ~GdiplusLibrary() {
        if (started_) api.shutdown(token_);
        if (module_) unload_(module_);
    }
    GdiplusLibrary(const GdiplusLibrary&) = delete;
    GdiplusLibrary& operator=(const GdiplusLibrary&) = delete;

    // Takes the eight entry points and starts GDI+; false when either fails.
    bool Start(const GdiplusSystem& system) {
        const bool complete =
            Resolve(system, api.startup, "GdiplusStartup") && Resolve(system, api.shutdown, "GdiplusShutdown") &&
            Resolve(system, api.loadImageFromFile, "GdipLoadImageFromFile") &&
            Resolve(system, api.lockBits, "GdipBitmapLockBits") &&
            Resolve(system, api.unlockBits, "GdipBitmapUnlockBits") &&
            Resolve(system, api.disposeImage, "GdipDisposeImage") &&
            Resolve(system, api.getImageWidth, "GdipGetImageWidth") &&
            Resolve(system, api.getImageHeight, "GdipGetImageHeight");
        const gdip::StartupInput input{1, nullptr, 0, 0};
        started_ = complete && api.startup(&token_, &input, nullptr) == 0;
        if (started_) {
            Resolve(system, api.getPropertyItemSize, "GdipGetPropertyItemSize");
            Resolve(system, api.getPropertyItem, "GdipGetPropertyItem");
        }
        return started_;
    }

    gdip::Api api;

private:
    template <typename Fn>
    bool Resolve(const GdiplusSystem& system, Fn& fn, const char* name) {
        fn = reinterpret_cast<Fn>(system.resolve(module_, name));
        return fn != nullptr;
    }

    void* module_;
    std::function<void(void*)> unload_;
    uintptr_t token_ = 0;
    bool started_ = false;
};

struct GdiplusState {
    std::unique_ptr<GdiplusLibrary> library;
    RequestBufferFn requestBuffer = nullptr;
    LineCallbackFn* lineCallbackCells[kDecodingSlots] = {};
    StopFlagWord* const* stopFlagCell = nullptr;
    ReportFactFn reportFact = nullptr;
};
GdiplusState state;

bool ValidSlot(int32_t slot) { return slot >= 0 && slot < kDecodingSlots; }

bool StopRequested() { return state.stopFlagCell && *state.stopFlagCell && **state.stopFlagCell != 0; }

void PW_CDECL Decode5(const void* source, int32_t* width, int32_t* height, DecodeTarget* target, int32_t slot);
PluginProc decoders[kFormatCount];

void UseDecoders(PluginProc decoder) {
    for (PluginProc& d : decoders) d = decoder;
}

// Finds and starts GDI+; the plugin is enabled only when this succeeds.
bool OpenGdiplus() {
    const GdiplusSystem& system = GdiplusSystemSeams();
    void* module = FindGdiplus(system);
    if (!module) return false;
    auto library = std::make_unique<GdiplusLibrary>(module, system.unload);
    if (!library->Start(system)) return false;
    state.library = std::move(library);
    // A freshly loaded plugin speaks the older decoder form until init
    // switches it.
    UseDecoders(reinterpret_cast<PluginProc>(&Decode5));
    return true;
}

const gdip::Api& Api() { return state.library->api; }

// Disposes of a loaded image however the decode ends.
class LoadedImage {
public:
    explicit LoadedImage(gdip::GpImage* image) : image_(image) {}
    ~LoadedImage() {
        if (image_) Api().disposeImage(image_);
    }
    LoadedImage(const LoadedImage&) = delete;
    LoadedImage& operator=(const LoadedImage&) = delete;
    gdip::GpImage* get() const { return image_; }

private:
    gdip::GpImage* image_;
};

// Copies a rectangle of the image into `buffer` in the given pixel format;
// the lock is released before this returns.
bool CopyPixels(gdip::GpImage* image, const gdip::Rect& rect, int32_t format, int32_t stride, void* buffer) {
    gdip::BitmapData data{static_cast<uint32_t>(rect.width), static_cast<uint32_t>(rect.height), stride, format,
                          buffer, 0};
    if (Api().lockBits(image, &rect, gdip::kLockReadUserBuffer, format, &data) != 0) return false;
    return Api().unlockBits(image, &data) == 0;
}

// One property's value, empty when the image has none (or GDI+ cannot give
// properties).
std::vector<uint8_t> PropertyOf(gdip::GpImage* image, uint32_t id) {
    const gdip::Api& api = Api();
    uint32_t size = 0;
    if (!api.getPropertyItemSize || !api.getPropertyItem || api.getPropertyItemSize(image, id, &size) != 0 ||
        size < sizeof(gdip::PropertyItem) || size > (64u << 20))
        return {};
    std::vector<uint64_t> buffer((size + 7) / 8);  // aligned for the record
    auto* item = reinterpret_cast<gdip::PropertyItem*>(buffer.data());
    if (api.getPropertyItem(image, id, size, item) != 0 || !item->value) return {};
    const auto* bytes = static_cast<const uint8_t*>(item->value);
    const auto* start = reinterpret_cast<const uint8_t*>(buffer.data());
    // The value lies in the buffer after the record; anything else is refused.
    if (bytes < start || item->length > size || static_cast<size_t>(bytes - start) > size - item->length) return {};
    return std::vector<uint8_t>(bytes, bytes + item->length);
}

// A PNG file's own chunks, read here: GDI+ gives no property for eXIf nor
// cICP, and Wine's none for iCCP either. Not a PNG: isPng false.
PngFacts PngFactsOf(const char* path) {
    void* file = OpenDecodeFile(path);
    if (!file) return {};
    DecodeSource source{};
    ResetDecodeSource(source, file);
    PngFacts facts = ReadPngFacts(source);
    CloseDecodeFile(file);
    return facts;
}

// The colour profile (or colour codes) and the date taken, for the host.
void ReportFacts(gdip::GpImage* image, const char* path, int32_t slot) {
    if (!state.reportFact) return;
    const auto report = [slot](int32_t kind, const void* data, size_t size) {
        state.reportFact(slot, kind, data, static_cast<int32_t>(size));
    };
    const PngFacts png = PngFactsOf(path);
    if (png.isPng) {
        if (png.hasCicp) report(kFactNclx, png.cicp.data(), sizeof png.cicp);
        if (!png.iccProfile.empty()) report(kFactIccProfile, png.iccProfile.data(), png.iccProfile.size());
        if (!png.dateTaken.empty()) report(kFactDateTaken, png.dateTaken.data(), png.dateTaken.size());
        return;
    }
    const std::vector<uint8_t> profile = PropertyOf(image, gdip::kPropertyIccProfile);
    if (!profile.empty()) report(kFactIccProfile, profile.data(), profile.size());
    const std::vector<uint8_t> date = PropertyOf(image, gdip::kPropertyDateTimeOriginal);
    const std::string taken = CheckedExifDate(std::string(date.begin(), date.end()));
    if (!taken.empty()) report(kFactDateTaken, taken.data(), taken.size());
}

void ReportNotDecoded(int32_t* pictureWidth, int32_t* pictureHeight, DecodeTarget* target) {
    *pictureWidth = 0;
    *pictureHeight = 0;
    if (target) *target = DecodeTarget{nullptr, 0, 0};
}

// False when the picture was not decoded (also when the line callback told it
// to stop); the sizes are then reported as 0 by the caller.
bool ReadPicture(gdip::GpImage* image, const char* path, int32_t* pictureWidth, int32_t* pictureHeight,
                 DecodeTarget* target, int32_t slot, LineCallbackFn callback) {
    uint32_t w = 0;
    uint32_t h = 0;
    if (Api().getImageWidth(image, &w) != 0 || Api().getImageHeight(image, &h) != 0) return false;
    if (w == 0 || h == 0 || w > INT32_MAX || h > INT32_MAX) return false;
    const int32_t width = static_cast<int32_t>(w);
    const int32_t height = static_cast<int32_t>(h);
    if (PictureBelowMinimum(width, height, *pictureWidth, *pictureHeight)) {
        *pictureWidth = -width;
        *pictureHeight = -height;
        return true;
    }
    *pictureWidth = width;
    *pictureHeight = height;
    if (!target) return true;
    ReportFacts(image, path, slot);

    const bool rows = callback && callback(HeaderWordArg(kRowsBlueFirst), kHeaderRow, width, height, slot) != 0;
    const int64_t bytes = rows ? int64_t{width} * 4 : int64_t{width} * height * 4;
    if (bytes > INT32_MAX || !state.requestBuffer) return false;
    void* buffer = state.requestBuffer(static_cast<int32_t>(bytes), slot);
    if (!buffer) return false;

    if (rows) {
        for (int32_t y = 0; y < height; ++y) {
            if (!CopyPixels(image, gdip::Rect{0, y, width, 1}, gdip::kPixelFormat24bppRGB, width * 3, buffer))
                return false;
            if (callback(buffer, y, width, height, slot) == 0 || StopRequested()) return false;
        }
        *target = DecodeTarget{nullptr, height, width};
    } else {
        if (!CopyPixels(image, gdip::Rect{0, 0, width, height}, gdip::kPixelFormat32bppRGB, width * 4, buffer))
            return false;
        *target = DecodeTarget{static_cast<uint32_t*>(buffer), height, width};
    }
    return true;
}

void PW_CDECL Decode7(const void* source, int32_t* width, int32_t* height, int32_t* pictureWidth,
                      int32_t* pictureHeight, DecodeTarget* target, int32_t slot) {
    (void)width;  // both point into the target, which is written whole
    (void)height;
    if (!source || !ValidSlot(slot) || !state.library) {
        ReportNotDecoded(pictureWidth, pictureHeight, target);
        return;
    }
    LineCallbackFn* cell = state.lineCallbackCells[slot];
    const LineCallbackFn callback = cell ? *cell : nullptr;
    gdip::GpImage* loaded = nullptr;
    const std::wstring name = GdiplusSystemSeams().wideName(static_cast<const char*>(source));
    if (Api().loadImageFromFile(name.c_str(), &loaded) != 0 || !loaded) {
        ReportNotDecoded(pictureWidth, pictureHeight, target);
        return;
    }
    const LoadedImage image(loaded);
    bool decoded = false;
    try {
        decoded = ReadPicture(image.get(), static_cast<const char*>(source), pictureWidth, pictureHeight, target, slot,
                              callback);
    } catch (...) {
        // A failed allocation goes on to the caller of the decode; the image
        // is disposed of on the way out.
        ReportNotDecoded(pictureWidth, pictureHeight, target);
        throw;
    }
    if (!decoded) ReportNotDecoded(pictureWidth, pictureHeight, target);
}

// The older form has no picture sizes: no minimum.
void PW_CDECL Decode5(const void* source, int32_t* width, int32_t* height, DecodeTarget* target, int32_t slot) {
    int32_t pictureWidth = 0;
    int32_t pictureHeight = 0;
    Decode7(source, width, height, &pictureWidth, &pictureHeight, target, slot);
}

int32_t PW_CDECL Init(HostServices* services, int32_t slot) {
    if (!services || services->size < kServicesCoverBuffer) return 0;
    if (services->size >= kServicesCoverFlags) {
        if (services->flags & kHostUnload) {
            state.library.reset();
            return 1;
        }
        if (services->flags & kHostSevenArgDecoders) {
            UseDecoders(reinterpret_cast<PluginProc>(&Decode7));
            services->flags &= ~kHostSevenArgDecoders;
        }
    }
    state.requestBuffer = services->requestBuffer;
    if (services->size >= kServicesCoverLineCallback && ValidSlot(slot))
        state.lineCallbackCells[slot] = services->lineCallbackCell;
    if (services->size >= kServicesCoverStopFlag && services->stopFlagCell) state.stopFlagCell = services->stopFlagCell;
    if (services->size >= kServicesCoverFacts) state.reportFact = services->reportFact;
    return 1;
}

void PW_CDECL ShowAbout(void* parentWindow) { GdiplusSystemSeams().aboutBox(parentWindow, kGdiplusAboutText); }

const char kInfoText[] =
    "GDI+ image formats 1.4.1.1\r\n"
    "Quillora Pagewind\r\n"
    "GIF, TIFF, PNG and Bitmap decoding through GDI+";

PluginDescriptor descriptor = {
    kPluginMagic, kGdiplusPluginVersion, "GDI+ image formats", kGdiplusPluginFlags, &ShowAbout, kInfoText,
    kFormatCount, kExtensions,           kFormatNames,         decoders,            &Init,
};

// What the host gets when no GDI+ could be loaded: it skips a wrong magic.
PluginDescriptor missing = {0, kGdiplusPluginVersion, "GDI+ image formats", 0, nullptr, kInfoText,
                            0, nullptr,              nullptr,              nullptr, nullptr};

}  // namespace

const char kGdiplusAboutText[] =
    "This is standard image formats plugin\r\n"
    "Now support formats:\r\n"
    "      TIFF (.tif,.tiff)\r\n"
    "      GIF (.gif)\r\n"
    "      PNG (.png)\r\n"
    "      Bitmap (.bmp)\r\n"
    "\r\n"
    "Quillora";

GdiplusSystem& GdiplusSystemSeams() {
    static GdiplusSystem system = DefaultGdiplusSystem();
    return system;
}

const PluginDescriptor* GdiplusPluginEntry() {
    if (!state.library && !OpenGdiplus()) return &missing;
    return &descriptor;
}
