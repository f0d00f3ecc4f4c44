// The plugin's descriptor, init and decoder entries. The extension table is
// made when the host first asks for the descriptor: HEIC and AVIF are listed
// only when libheif is there with a decoder for them, WebP always.
#include "plugins/heif/heif_plugin.h"

#include <cstdint>

#include "plugins/heif/heif_library.h"
#include "plugins/heif/heif_plugin_internal.h"

HeifPluginState HeifPlugin;

namespace {

constexpr uint32_t kHeifPluginVersion = 0x01040101;  // 1.4.1.1
constexpr int32_t kHeifPluginFlags = kPluginOpensFiles | kPluginHasInit;
constexpr int kMaxFormats = 5;

bool ValidSlot(int32_t slot) { return slot >= 0 && slot < kDecodingSlots; }

template <void (*Decoder)(const HeifDecodeCall&)>
void PW_CDECL Entry7(const void* source, int32_t* width, int32_t* height, int32_t* pictureWidth,
                     int32_t* pictureHeight, DecodeTarget* target, int32_t slot) noexcept {
    (void)width;  // both point into the target, which is written whole
    (void)height;
    const HeifDecodeCall call{static_cast<const char*>(source), pictureWidth, pictureHeight, target, slot};
    if (!source || !pictureWidth || !pictureHeight || !ValidSlot(slot)) {
        if (pictureWidth && pictureHeight) ReportNotDecoded(call);
        return;
    }
    // Nothing the libraries throw may cross into the host.
    try {
        Decoder(call);
    } catch (...) {
        ReportNotDecoded(call);
    }
}

// The older form has no picture sizes: no minimum.
template <void (*Decoder)(const HeifDecodeCall&)>
void PW_CDECL Entry5(const void* source, int32_t* width, int32_t* height, DecodeTarget* target,
                     int32_t slot) noexcept {
    int32_t pictureWidth = 0;
    int32_t pictureHeight = 0;
    Entry7<Decoder>(source, width, height, &pictureWidth, &pictureHeight, target, slot);
}

struct Format {
    const char* extension;
    const char* name;
    PluginProc five;
    PluginProc seven;
};

template <void (*Decoder)(const HeifDecodeCall&)>
Format MakeFormat(const char* extension, const char* name) {
    return Format{extension, name, reinterpret_cast<PluginProc>(&Entry5<Decoder>),
                  reinterpret_cast<PluginProc>(&Entry7<Decoder>)};
}

Format formats[kMaxFormats];
const char* extensions[kMaxFormats];
const char* formatNames[kMaxFormats];
PluginProc decoders[kMaxFormats];
int32_t formatCount = 0;

void AddFormat(const Format& format) {
    formats[formatCount] = format;
    extensions[formatCount] = format.extension;
    formatNames[formatCount] = format.name;
    decoders[formatCount] = format.five;  // until init switches to the 7-argument form
    ++formatCount;
}

void ListFormats() {
    const HeifApi* heif = Heif();
    const bool hevc = heif && heif->haveDecoderForFormat(heif_compression_HEVC);
    const bool av1 = heif && heif->haveDecoderForFormat(heif_compression_AV1);
    if (hevc) {
        AddFormat(MakeFormat<DecodeHeif>(".heic", "HEIC"));
        AddFormat(MakeFormat<DecodeHeif>(".hif", "HEIF"));
    }
    if (hevc || av1) AddFormat(MakeFormat<DecodeHeif>(".heif", "HEIF"));
    if (av1) AddFormat(MakeFormat<DecodeHeif>(".avif", "AVIF"));
    AddFormat(MakeFormat<DecodeWebp>(".webp", "WebP"));
}

int32_t PW_CDECL Init(HostServices* services, int32_t slot) noexcept {
    if (!services || services->size < kServicesCoverBuffer) return 0;
    const bool validSlot = ValidSlot(slot);
    HeifPlugin.requestBuffer = services->requestBuffer;
    if (services->size >= kServicesCoverFlags) {
        if (services->flags & kHostSevenArgDecoders) {
            for (int32_t i = 0; i < formatCount; ++i) decoders[i] = formats[i].seven;
            services->flags &= ~kHostSevenArgDecoders;
        }
        if (validSlot) HeifPlugin.crop[slot] = (services->flags & kHostCrop) != 0;
    }
    if (services->size >= kServicesCoverLineCallback && validSlot)
        HeifPlugin.lineCallbackCells[slot] = services->lineCallbackCell;
    if (services->size >= kServicesCoverStopFlag && services->stopFlagCell)
        HeifPlugin.stopFlagCell = services->stopFlagCell;
    // A host whose record ends before reportFact gets no facts.
    HeifPlugin.reportFact = services->size >= kServicesCoverFacts ? services->reportFact : nullptr;
    return 1;
}

// Like every entry the host calls, it lets nothing it throws reach the host.
void PW_CDECL ShowAbout(void* parentWindow) noexcept {
    try {
        ShowHeifAboutBox(parentWindow, HeifPluginAboutText());
    } catch (...) {
    }
}

const char kInfoText[] =
    "Phone and web image formats 1.4.1.1\r\n"
    "Quillora Pagewind\r\n"
    "HEIC, AVIF and WebP decoding through libheif and libwebp";

PluginDescriptor descriptor = {
    kPluginMagic, kHeifPluginVersion, "Phone and web image formats", kHeifPluginFlags, &ShowAbout, kInfoText,
    0,            extensions,         formatNames,                   decoders,         &Init,
};

}  // namespace

extern "C" const PluginDescriptor* PW_CDECL PluginEntry() noexcept {
    try {
        if (formatCount == 0) ListFormats();
    } catch (...) {
        formatCount = 0;  // listed again on the next call
        return nullptr;
    }
    descriptor.count = formatCount;
    return &descriptor;
}

bool HeifStopRequested() {
    StopFlagWord* const* cell = HeifPlugin.stopFlagCell;
    return cell && *cell && **cell != 0;
}

void HeifReportFact(int32_t slot, int32_t kind, const void* data, size_t size) {
    if (HeifPlugin.reportFact && ValidSlot(slot) && data && size > 0 && size <= INT32_MAX)
        HeifPlugin.reportFact(slot, kind, data, static_cast<int32_t>(size));
}

void ReportNotDecoded(const HeifDecodeCall& call) {
    *call.pictureWidth = 0;
    *call.pictureHeight = 0;
    if (call.target) *call.target = DecodeTarget{nullptr, 0, 0};
}
