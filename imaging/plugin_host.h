#pragma once
// The image plugin host: registers the built-in plugins, lists their
// extensions for the folder scan, routes each picture file to the first
// plugin that claims its extension and decodes it, and hands out the shared
// pixel buffer the decoders fill.
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/plugin_contract.h"

class TBitmap0;

// One registered plugin, in registration order.
struct PluginTableEntry {
    PluginDescriptor descriptor;  // the plugin's 44 bytes, copied
    bool enabled = false;
    std::string fileName;  // "In_std.dll"; at most 100 characters
};

// Per-slot real-time resize record. The page preparation fills it before a
// decode, the resampler's line callback works through it, and LoadPicture
// reads `resizeAccepted`: a picture that went to `destination` row by row
// has no pixel pointer of its own.
struct ResizeSlot {
    uint8_t resizeRequested = 0;
    TBitmap0** destination = nullptr;  // the variable holding the cell bitmap
    uint8_t resizeStarted = 0;
    LineCallbackFn lineCallback = nullptr;  // the cell handed to the plugins
    uint8_t resizeAccepted = 0;
};
extern ResizeSlot ResizeSlots[kDecodingSlots];

// What LoadPicture reports.
struct PictureLoad {
    TBitmap0* bitmap = nullptr;  // wraps the shared buffer: Release, never Destroy
    std::string formatName;      // the plugin's name for the format
    // Status bytes, in order.
    uint8_t decoded = 0;
    uint8_t fileMissing = 0;
    uint8_t cannotOpen = 0;
    // In: a minimum picture size (0, 0: none). Out: the picture's size; both
    // negative when it was smaller than the minimum.
    int32_t pictureWidth = 0;
    int32_t pictureHeight = 0;
    int64_t fileSize = -1;
};

// What the decoders reported about the picture last loaded on a slot
// (HostServices.reportFact), from the try that decoded it.
struct PictureFacts {
    std::vector<uint8_t> iccProfile;  // empty: none
    bool hasNclx = false;
    int32_t nclx[4] = {};   // colour primaries, transfer, matrix, full range
    std::string dateTaken;  // "YYYY:MM:DD HH:MM:SS"; empty: none
};
const PictureFacts& FactsOf(int32_t slot);
// The host's side of reportFact; facts of unknown kinds, oversized ones and
// dates of the wrong length are passed over.
void PW_CDECL ReportPictureFact(int32_t slot, int32_t kind, const void* data, int32_t size) noexcept;

// Fills the plugin table once (later calls do nothing) and calls each
// plugin's init for every slot. A plugin that does not acknowledge the
// 7-argument decoders ends the program after "<name> plugin is too old.
// Please download new version".
void RegisterPlugins();
// Adds every enabled plugin's extensions, lower-cased, that the list lacks.
void CollectExtensions(std::vector<std::string>& extensions);
// Decodes `fileName` on `slot`, wanted at width x height (-1, -1: only the
// size, format and file size, no pixels and no bitmap).
void LoadPicture(const std::string& fileName, int32_t slot, int32_t width, int32_t height, PictureLoad& load);
// Calls every plugin's init again for all slots with the current options.
void ReinitPlugins();
// Frees the slot's shared pixel buffer once its picture has been drawn.
void ReleaseSharedBuffer(int32_t slot = 0);
// Releases the buffers, sends the unload call to plugins that want it and
// forgets the table.
void ShutdownPlugins();

const std::vector<PluginTableEntry>& PluginTable();

// A plugin built into the program: its file name and its entry, which
// returns the descriptor (or null).
struct BuiltinPlugin {
    const char* fileName;
    const PluginDescriptor* (*entry)();
};
// RegisterPlugins over a given list instead of the program's own (tests).
// Does nothing while plugins are registered; ShutdownPlugins ends that.
void RegisterPluginList(const std::vector<BuiltinPlugin>& plugins);

// Host services, also reachable directly (tests, pwtool).
void* PW_CDECL RequestSharedBuffer(int32_t size, int32_t slot) noexcept;
void* PW_STDCALL AllocateBlock(int32_t size) noexcept;
int32_t PW_STDCALL FreeBlock(void* block) noexcept;
void* PW_STDCALL ReallocateBlock(void** block, int32_t size) noexcept;

// The buffer size rule: sizes of at most 0, or over 100000000 bytes, are
// refused; sizes over 50000000 bytes are refused when their megabytes exceed
// 0.3 x the available physical megabytes.
bool BufferSizeAllowed(int64_t size, uint64_t availablePhysicalBytes);
// Free physical memory as the system reports it (GlobalMemoryStatusEx on
// Windows when present, else GlobalMemoryStatus; sysconf natively). Tests
// may replace it.
extern uint64_t (*AvailablePhysicalMemory)();
uint64_t SystemAvailablePhysicalMemory();
