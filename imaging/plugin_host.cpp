#include "imaging/plugin_host.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "app/message_box.h"
#include "diagnostics/watchdog.h"
#include "imaging/bitmap.h"
#include "imaging/colour_manage.h"
#include "imaging/decode_source.h"
#include "imaging/gdiplus_plugin.h"
#include "imaging/plugin_library.h"
#include "imaging/resampler_realtime.h"
#include "imaging/std_plugin.h"
#include "library/file_access.h"
#include "library/settings.h"
#include "library/text_case.h"
#include "show/stop_request.h"

ResizeSlot ResizeSlots[kDecodingSlots];

namespace {

constexpr int64_t kLargeBuffer = 50000000;
constexpr int64_t kLargestBuffer = 100000000;
constexpr size_t kMaxFileNameLength = 100;

std::vector<PluginTableEntry> table;
std::vector<void*> libraryHandles;  // built-in plugins hold none
bool registered = false;

// One shared pixel buffer per slot, so that decodes on different slots (the
// show and a preview thread) never resize each other's pixels.
struct SharedBuffer {
    void* data = nullptr;
    int64_t size = 0;
};
SharedBuffer sharedBuffers[kDecodingSlots];

DecodeSource sources[kDecodingSlots];

// The plugins poll the show's stop request, a 32-bit word, through this cell.
static_assert(sizeof(StopRequested) == sizeof(int32_t));
StopFlagWord* stopFlagCell = reinterpret_cast<StopFlagWord*>(&StopRequested);
// Larger than any camera's or phone's profile by far.
constexpr int32_t kLargestFact = 16 * 1024 * 1024;
constexpr int32_t kDateTakenLength = 19;
PictureFacts facts[kDecodingSlots];

bool ValidSlot(int32_t slot) { return slot >= 0 && slot < kDecodingSlots; }

// The extension with its dot, lower-cased; empty when the name has none.
std::string ExtensionOf(const std::string& fileName) {
    const std::string lower = LowerCase(fileName);
    const size_t dot = lower.find_last_of('.');
    const size_t sep = lower.find_last_of("\\/");
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return {};
    return lower.substr(dot);
}

int32_t CurrentHostFlags() {
    int32_t flags = kHostSevenArgDecoders;
    if (Settings.ignoreexif) flags |= kHostIgnoreExif;
    if (Settings.crop) flags |= kHostCrop;
    return flags;
}

HostServices MakeServices(int32_t slot, int32_t flags) {
    HostServices services{};
    services.size = kHostServicesSize;
    services.requestBuffer = &RequestSharedBuffer;
    services.flags = flags;
    services.lineCallbackCell = Settings.rtresize ? &ResizeSlots[slot].lineCallback : nullptr;
    services.allocate = &AllocateBlock;
    services.free = &FreeBlock;
    services.reallocate = &ReallocateBlock;
    services.stopFlagCell = &stopFlagCell;
    services.reportFact = &ReportPictureFact;
    return services;
}

// Calls the plugin's init for every slot; false when it did not acknowledge
// the 7-argument decoders.
bool InitAllSlots(const PluginDescriptor& d) {
    bool acknowledged = true;
    for (int32_t slot = 0; slot < kDecodingSlots; ++slot) {
        HostServices services = MakeServices(slot, CurrentHostFlags());
        d.init(&services, slot);
        if (services.flags & kHostSevenArgDecoders) acknowledged = false;
    }
    return acknowledged;
}

bool SpeaksInit(const PluginDescriptor& d) { return (d.flags & kPluginHasInit) && d.init; }

void FreeSharedBuffer(int32_t slot) {
    std::free(sharedBuffers[slot].data);
    sharedBuffers[slot] = SharedBuffer{};
}

const std::vector<BuiltinPlugin>& ProgramPlugins() {
    static const std::vector<BuiltinPlugin> plugins = {
        {"In_std.dll", &StdPluginEntry},
        {"In_gdiplus.dll", &GdiplusPluginEntry},
        {"In_heif.dll", &HeifPluginEntry},
    };
    return plugins;
}

// Closes the file and ends the watchdog mark however the decoder call ends.
struct DecodeCallGuard {
    void* file = nullptr;
    int watchdogThread;
    explicit DecodeCallGuard(int thread) : watchdogThread(thread) { BeginLongOperation(watchdogThread); }
    ~DecodeCallGuard() {
        CloseDecodeFile(file);
        EndLongOperation(watchdogThread);
    }
};

bool FileIsThere(const std::string& fileName) {
    const int thread = WatchdogThreadNumber;
    BeginWait(thread);
    const bool exists = FileExists(fileName);
    EndWait(thread);
    return exists;
}

}  // namespace

uint64_t (*AvailablePhysicalMemory)() = &SystemAvailablePhysicalMemory;

bool BufferSizeAllowed(int64_t size, uint64_t availablePhysicalBytes) {
    if (size <= 0 || size > kLargestBuffer) return false;
    if (size > kLargeBuffer) {
        const double sizeMb = static_cast<double>(size / 1048576);
        const double availableMb = static_cast<double>(availablePhysicalBytes / 1048576);
        if (sizeMb > 0.3 * availableMb) return false;
    }
    return true;
}

void* PW_CDECL RequestSharedBuffer(int32_t size, int32_t slot) noexcept {
    if (!ValidSlot(slot)) return nullptr;
    SharedBuffer& buffer = sharedBuffers[slot];
    // A decode whose line callback failed is over; it must not go on to
    // take the whole picture's pixels instead.
    if (size <= 0 || LineCallbackFailed(slot)) return nullptr;
    if (!BufferSizeAllowed(size, size > kLargeBuffer ? AvailablePhysicalMemory() : 0)) {
        FreeSharedBuffer(slot);
        return nullptr;
    }
    if (buffer.data && buffer.size == size) return buffer.data;
    // The old pixels are never needed again: a fresh block avoids copying them.
    FreeSharedBuffer(slot);
    buffer.data = std::malloc(static_cast<size_t>(size));
    buffer.size = buffer.data ? size : 0;
    return buffer.data;
}

void ReleaseSharedBuffer(int32_t slot) {
    if (ValidSlot(slot)) FreeSharedBuffer(slot);
}

void* PW_STDCALL AllocateBlock(int32_t size) noexcept {
    if (!BufferSizeAllowed(size, size > kLargeBuffer ? AvailablePhysicalMemory() : 0)) return nullptr;
    return std::malloc(static_cast<size_t>(size));
}

int32_t PW_STDCALL FreeBlock(void* block) noexcept {
    if (!block) return -1;
    std::free(block);
    return 0;
}

void* PW_STDCALL ReallocateBlock(void** block, int32_t size) noexcept {
    if (!block) return nullptr;
    if (size == 0) {
        std::free(*block);
        *block = nullptr;
        return nullptr;
    }
    if (!*block) return *block = AllocateBlock(size);
    // The same limits as a fresh block; a refused resize keeps the old one.
    if (!BufferSizeAllowed(size, size > kLargeBuffer ? AvailablePhysicalMemory() : 0)) return nullptr;
    void* grown = std::realloc(*block, static_cast<size_t>(size));
    if (grown) *block = grown;
    return grown;
}

void RegisterPluginList(const std::vector<BuiltinPlugin>& plugins) {
    if (registered) return;
    registered = true;
    table.clear();
    libraryHandles.clear();
    for (const BuiltinPlugin& plugin : plugins) {
        const PluginDescriptor* d = plugin.entry ? plugin.entry() : nullptr;
        if (!d || d->magic != kPluginMagic) continue;
        PluginTableEntry entry;
        entry.descriptor = *d;
        entry.enabled = true;
        entry.fileName = std::string(plugin.fileName).substr(0, kMaxFileNameLength);
        table.push_back(entry);
        libraryHandles.push_back(nullptr);
        if (SpeaksInit(*d) && !InitAllSlots(*d)) {
            ShowMessage(std::string(d->name ? d->name : "") + " plugin is too old. Please download new version");
            std::exit(0);
        }
    }
}

void RegisterPlugins() { RegisterPluginList(ProgramPlugins()); }

void ReinitPlugins() {
    for (const PluginTableEntry& entry : table)
        if (SpeaksInit(entry.descriptor)) InitAllSlots(entry.descriptor);
}

void ShutdownPlugins() {
    for (int32_t slot = 0; slot < kDecodingSlots; ++slot) FreeSharedBuffer(slot);
    ReleaseColourTransforms();
    for (const PluginTableEntry& entry : table) {
        const PluginDescriptor& d = entry.descriptor;
        if ((d.flags & kPluginWantsUnload) && SpeaksInit(d)) {
            HostServices services{};
            services.size = kHostServicesSize;
            services.flags = kHostUnload;
            d.init(&services, 0);
        }
    }
    // Built-in plugins hold no library handle; nothing else is loaded.
    libraryHandles.clear();
    table.clear();
    registered = false;
}

const std::vector<PluginTableEntry>& PluginTable() { return table; }

void CollectExtensions(std::vector<std::string>& extensions) {
    for (const PluginTableEntry& entry : table) {
        if (!entry.enabled) continue;
        const PluginDescriptor& d = entry.descriptor;
        for (int32_t i = 0; i < d.count; ++i) {
            if (!d.extensions[i]) continue;
            const std::string ext = LowerCase(d.extensions[i]);
            if (std::find(extensions.begin(), extensions.end(), ext) == extensions.end()) extensions.push_back(ext);
        }
    }
}

const PictureFacts& FactsOf(int32_t slot) { return facts[ValidSlot(slot) ? slot : 0]; }

void PW_CDECL ReportPictureFact(int32_t slot, int32_t kind, const void* data, int32_t size) noexcept {
    if (!ValidSlot(slot) || !data || size <= 0 || size > kLargestFact) return;
    const auto* bytes = static_cast<const uint8_t*>(data);
    PictureFacts& f = facts[slot];
    try {
        if (kind == kFactIccProfile) {
            f.iccProfile.assign(bytes, bytes + size);
        } else if (kind == kFactNclx && size == static_cast<int32_t>(sizeof f.nclx)) {
            std::memcpy(f.nclx, data, sizeof f.nclx);
            f.hasNclx = true;
        } else if (kind == kFactDateTaken && size == kDateTakenLength) {
            f.dateTaken.assign(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size));
        }
    } catch (...) {
        f.iccProfile.clear();  // no memory for it: shown as it is stored
    }
}

void LoadPicture(const std::string& fileName, int32_t slot, int32_t width, int32_t height, PictureLoad& load) {
    load.bitmap = nullptr;
    load.formatName.clear();
    load.decoded = load.fileMissing = load.cannotOpen = 0;
    load.fileSize = -1;
    const int32_t minimumWidth = load.pictureWidth;
    const int32_t minimumHeight = load.pictureHeight;
    if (!ValidSlot(slot)) return;
    facts[slot] = PictureFacts{};
    const bool informationOnly = width == -1 && height == -1;
    const std::string ext = ExtensionOf(fileName);
    if (ext.empty()) return;
    const int thread = WatchdogThreadNumber;
    // A plugin may accept the line callback's header and fail afterwards (a
    // bitmap whose rows end early): every try starts from the resize state
    // the caller set up, not from what the failed one left behind.
    ResizeSlot& resize = ResizeSlots[slot];
    const uint8_t resizeRequested = resize.resizeRequested;
    const uint8_t resizeAccepted = resize.resizeAccepted;

    for (const PluginTableEntry& entry : table) {
        if (!entry.enabled) continue;
        const PluginDescriptor& d = entry.descriptor;
        for (int32_t i = 0; i < d.count && !load.decoded; ++i) {
            // Compared lower-cased on both sides, as CollectExtensions lists them.
            if (!d.extensions[i] || ext != LowerCase(d.extensions[i]) || !d.decoders || !d.decoders[i]) continue;
            const auto decode = reinterpret_cast<DecoderFn>(d.decoders[i]);
            load.pictureWidth = minimumWidth;
            load.pictureHeight = minimumHeight;
            facts[slot] = PictureFacts{};  // only the decoding try's own
            AbandonResize(slot);
            resize.resizeRequested = resizeRequested;
            resize.resizeAccepted = resizeAccepted;
            // Each try starts from the caller's request, whatever an earlier
            // plugin left in the target.
            DecodeTarget target{nullptr, height, width};
            DecodeTarget* targetArg = informationOnly ? nullptr : &target;
            if (!FileIsThere(fileName)) {
                load.fileMissing = 1;
                return;
            }
            DecodeCallGuard guard(thread);
            if (d.flags & kPluginOpensFiles) {
                decode(fileName.c_str(), &target.width, &target.height, &load.pictureWidth, &load.pictureHeight,
                       targetArg, slot);
                guard.file = OpenDecodeFile(fileName);
                if (guard.file) load.fileSize = DecodeFileSize(guard.file);
            } else {
                guard.file = OpenDecodeFile(fileName);
                if (!guard.file) {
                    load.cannotOpen = 1;
                    return;
                }
                load.fileSize = DecodeFileSize(guard.file);
                DecodeSource& source = sources[slot];
                ResetDecodeSource(source, guard.file);
                decode(&source, &target.width, &target.height, &load.pictureWidth, &load.pictureHeight, targetArg,
                       slot);
                source.file = nullptr;
            }
            // What the line callback could not throw through the plugin.
            RaiseLineCallbackFailure(slot);
            const bool read = load.pictureWidth > 0 && load.pictureHeight > 0;
            const bool tooSmall = load.pictureWidth < 0 && load.pictureHeight < 0;
            if (read && (informationOnly || target.pixels || resize.resizeAccepted)) {
                if (!informationOnly) {
                    load.bitmap = TBitmap0::Wrap(target.width, target.pixels, target.height);
                    load.bitmap->Slot = slot;
                }
            } else if (!tooSmall) {
                continue;
            }
            load.formatName = d.formatNames && d.formatNames[i] ? d.formatNames[i] : "";
            load.decoded = 1;
        }
        if (load.decoded) return;
    }
}
