#pragma once
// The image plugin binary interface: the records a plugin and the host
// exchange, and the function signatures on both sides. On the 32-bit product
// every integer is a little-endian 32-bit word and every pointer 4 bytes, so
// the sizes and offsets below are part of the contract and are checked at
// compile time. The 64-bit Windows build holds 8-byte pointers at their
// natural alignment; its layout is checked the same way, so a change to a
// record shows up in both builds. Natively only the meaning is shared.
#include <cstddef>
#include <cstdint>
#include <type_traits>

#if defined(_WIN32) && !defined(_WIN64)
#define PW_CDECL __cdecl
#define PW_STDCALL __stdcall
#else
#define PW_CDECL
#define PW_STDCALL
#endif

// Decoding slots: independent decoding contexts 0..10, carried by every
// plugin call so that a plugin keeps its state per slot.
constexpr int32_t kDecodingSlots = 11;

constexpr int32_t kPluginMagic = 66307;  // 0x10303

// PluginDescriptor.flags
constexpr int32_t kPluginOpensFiles = 2;        // decoders take the file name
constexpr int32_t kPluginWantsUnload = 8;       // init is called again at shutdown
constexpr int32_t kPluginHasInit = 0x10000;     // has init, speaks this interface

// HostServices.flags
constexpr int32_t kHostSevenArgDecoders = 1;  // plugin clears it to acknowledge
constexpr int32_t kHostIgnoreExif = 2;
constexpr int32_t kHostCrop = 4;
constexpr int32_t kHostUnload = 0x10000;  // alone: the shutdown call

// DecodeSource.limit on a fresh source.
constexpr int32_t kDecodeSourceNoLimit = 2147483642;

// Line-callback header word (row number -1): bits 0..7 the camera
// orientation, bit 8 set when rows arrive blue first (pixel order), clear when
// they arrive red first.
constexpr uint32_t kHeaderOrientationMask = 0xFF;
constexpr uint32_t kHeaderBlueFirst = 0x100;
constexpr int32_t kHeaderRow = -1;

struct DecodeTarget;
struct HostServices;

// Decoders, init, about and the line callback use the C convention.
using PluginProc = void(PW_CDECL*)();
// The 7-argument decoder. `source` is the file name (plugins with
// kPluginOpensFiles) or the slot's DecodeSource. Picture width and height are
// in/out: a minimum size in, the picture's size out (> 0 read, < 0 smaller
// than the minimum, otherwise not decoded). width/height point into target.
using DecoderFn = void(PW_CDECL*)(const void* source, int32_t* width, int32_t* height, int32_t* pictureWidth,
                                  int32_t* pictureHeight, DecodeTarget* target, int32_t slot);
// The older 5-argument form a plugin starts with until init switches it.
using DecoderFn5 = void(PW_CDECL*)(const void* source, int32_t* width, int32_t* height, DecodeTarget* target,
                                   int32_t slot);
using InitFn = int32_t(PW_CDECL*)(HostServices* services, int32_t slot);
using AboutFn = void(PW_CDECL*)(void* parentWindow);
// Row call: 3-byte pixels of one source row, its number, the source size and
// the slot. Header call: row -1 and the header word in place of the pixels.
// Header call: returns 1 to go on with rows, 0 when the host declined the
// resize (the picture then comes through the decode target). Row call:
// returns 1 to go on, 0 when the host could not take the row: the decode must
// stop and report the picture as not decoded. The callback never throws.
using LineCallbackFn = int32_t(PW_CDECL*)(const void* rowOrHeader, int32_t row, int32_t width, int32_t height,
                                          int32_t slot);

// Host services: the buffer request uses the C convention, the three block
// services are callee-pops.
using RequestBufferFn = void*(PW_CDECL*)(int32_t size, int32_t slot);
using AllocateBlockFn = void*(PW_STDCALL*)(int32_t size);
using FreeBlockFn = int32_t(PW_STDCALL*)(void* block);  // null gives -1
using ReallocateBlockFn = void*(PW_STDCALL*)(void** block, int32_t size);

// The stop flag: a 32-bit word that becomes non-zero when the show ends.
using StopFlagWord = volatile const int32_t;

// What a decoder found in the file beside the pixels, handed to the host
// through HostServices.reportFact at any time during a decode call; the host
// copies the bytes before it returns. A host that offers no reportFact (a
// shorter record) gets nothing, and a plugin that never calls it changes
// nothing: the picture is then shown with its numbers as they are.
constexpr int32_t kFactIccProfile = 1;  // the embedded ICC profile, whole
// Four 32-bit words, the codes of ISO/IEC 23091-2: colour primaries,
// transfer characteristics, matrix coefficients, full range (0 or 1).
constexpr int32_t kFactNclx = 2;
// EXIF DateTimeOriginal as "YYYY:MM:DD HH:MM:SS" (19 bytes).
constexpr int32_t kFactDateTaken = 3;
using ReportFactFn = void(PW_CDECL*)(int32_t slot, int32_t kind, const void* data, int32_t size);

inline const void* HeaderWordArg(uint32_t word) { return reinterpret_cast<const void*>(static_cast<uintptr_t>(word)); }
inline uint32_t HeaderWordOf(const void* arg) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(arg)); }

// The minimum-size rule of both plugins: a picture smaller than the minimum
// in both directions, in either orientation, is not decoded and its sizes go
// back negated.
inline bool PictureBelowMinimum(int32_t pictureWidth, int32_t pictureHeight, int32_t minimumWidth,
                                int32_t minimumHeight) {
    return (pictureWidth < minimumWidth && pictureHeight < minimumHeight) ||
           (pictureHeight < minimumWidth && pictureWidth < minimumHeight);
}

struct PluginDescriptor {
    int32_t magic;
    uint32_t version;  // major, minor, release, build from the top byte down
    const char* name;
    int32_t flags;
    AboutFn about;
    const char* infoText;
    int32_t count;
    const char* const* extensions;  // lower case with the dot
    const char* const* formatNames;
    PluginProc* decoders;  // DecoderFn or DecoderFn5 entries; null: not decodable
    InitFn init;
};

struct HostServices {
    int32_t size;  // kHostServicesSize; a plugin reads only the fields this covers
    RequestBufferFn requestBuffer;
    int32_t flags;
    LineCallbackFn* lineCallbackCell;  // null when real-time resizing is off
    AllocateBlockFn allocate;
    FreeBlockFn free;
    ReallocateBlockFn reallocate;
    StopFlagWord* const* stopFlagCell;
    ReportFactFn reportFact;  // added later than the rest: check the size
};

// The host's file source, one per slot, for plugins that do not open files.
struct DecodeSource {
    void* file;         // the open file (a HANDLE on Windows)
    int32_t position;   // bytes consumed so far
    int32_t limit;      // reads never pass it (nor the end of the file)
    int32_t memory;     // non-zero: read from `block` instead of the file
    const uint8_t* block;
};

struct DecodeTarget {
    uint32_t* pixels;  // out: top-left pixel of a top-down 32-bit buffer
    int32_t height;    // in: wanted size; out: delivered size
    int32_t width;
};

// HostServices.size that covers a field: its end offset. A plugin takes a
// field only when the size the host gave reaches that far (8, 12, 16, 28, 32
// and 36 on the 32-bit product).
template <typename Field>
constexpr int32_t CoverOf(size_t offset) { return static_cast<int32_t>(offset + sizeof(Field)); }
constexpr int32_t kServicesCoverBuffer = CoverOf<RequestBufferFn>(offsetof(HostServices, requestBuffer));
constexpr int32_t kServicesCoverFlags = CoverOf<int32_t>(offsetof(HostServices, flags));
constexpr int32_t kServicesCoverLineCallback = CoverOf<LineCallbackFn*>(offsetof(HostServices, lineCallbackCell));
constexpr int32_t kServicesCoverBlocks = CoverOf<ReallocateBlockFn>(offsetof(HostServices, reallocate));
constexpr int32_t kServicesCoverStopFlag = CoverOf<StopFlagWord* const*>(offsetof(HostServices, stopFlagCell));
constexpr int32_t kServicesCoverFacts = CoverOf<ReportFactFn>(offsetof(HostServices, reportFact));
constexpr int32_t kHostServicesSize = static_cast<int32_t>(sizeof(HostServices));

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(PluginDescriptor) == 44);
static_assert(offsetof(PluginDescriptor, version) == 4);
static_assert(offsetof(PluginDescriptor, name) == 8);
static_assert(offsetof(PluginDescriptor, flags) == 12);
static_assert(offsetof(PluginDescriptor, about) == 16);
static_assert(offsetof(PluginDescriptor, infoText) == 20);
static_assert(offsetof(PluginDescriptor, count) == 24);
static_assert(offsetof(PluginDescriptor, extensions) == 28);
static_assert(offsetof(PluginDescriptor, formatNames) == 32);
static_assert(offsetof(PluginDescriptor, decoders) == 36);
static_assert(offsetof(PluginDescriptor, init) == 40);

static_assert(sizeof(HostServices) == 36);
static_assert(offsetof(HostServices, requestBuffer) == 4);
static_assert(offsetof(HostServices, flags) == 8);
static_assert(offsetof(HostServices, lineCallbackCell) == 12);
static_assert(offsetof(HostServices, allocate) == 16);
static_assert(offsetof(HostServices, free) == 20);
static_assert(offsetof(HostServices, reallocate) == 24);
static_assert(offsetof(HostServices, stopFlagCell) == 28);
static_assert(offsetof(HostServices, reportFact) == 32);

static_assert(sizeof(DecodeSource) == 20);
static_assert(offsetof(DecodeSource, position) == 4);
static_assert(offsetof(DecodeSource, limit) == 8);
static_assert(offsetof(DecodeSource, memory) == 12);
static_assert(offsetof(DecodeSource, block) == 16);

static_assert(sizeof(DecodeTarget) == 12);
static_assert(offsetof(DecodeTarget, height) == 4);
static_assert(offsetof(DecodeTarget, width) == 8);

static_assert(kServicesCoverBuffer == 8 && kServicesCoverFlags == 12 && kServicesCoverLineCallback == 16 &&
              kServicesCoverBlocks == 28 && kServicesCoverStopFlag == 32 && kServicesCoverFacts == 36 &&
              kHostServicesSize == 36);

// The conventions are part of the function types here: a plugin built with
// the other convention does not convert to these pointers.
static_assert(!std::is_same_v<DecoderFn, void(__stdcall*)(const void*, int32_t*, int32_t*, int32_t*, int32_t*,
                                                              DecodeTarget*, int32_t)>);
static_assert(!std::is_same_v<InitFn, int32_t(__stdcall*)(HostServices*, int32_t)>);
static_assert(!std::is_same_v<LineCallbackFn, int32_t(__stdcall*)(const void*, int32_t, int32_t, int32_t, int32_t)>);
static_assert(!std::is_same_v<AllocateBlockFn, void*(__cdecl*)(int32_t)>);
static_assert(!std::is_same_v<FreeBlockFn, int32_t(__cdecl*)(void*)>);
static_assert(!std::is_same_v<ReallocateBlockFn, void*(__cdecl*)(void**, int32_t)>);
#endif

#if defined(_WIN64)
static_assert(sizeof(PluginDescriptor) == 80);
static_assert(offsetof(PluginDescriptor, version) == 4);
static_assert(offsetof(PluginDescriptor, name) == 8);
static_assert(offsetof(PluginDescriptor, flags) == 16);
static_assert(offsetof(PluginDescriptor, about) == 24);
static_assert(offsetof(PluginDescriptor, infoText) == 32);
static_assert(offsetof(PluginDescriptor, count) == 40);
static_assert(offsetof(PluginDescriptor, extensions) == 48);
static_assert(offsetof(PluginDescriptor, formatNames) == 56);
static_assert(offsetof(PluginDescriptor, decoders) == 64);
static_assert(offsetof(PluginDescriptor, init) == 72);

static_assert(sizeof(HostServices) == 72);
static_assert(offsetof(HostServices, requestBuffer) == 8);
static_assert(offsetof(HostServices, flags) == 16);
static_assert(offsetof(HostServices, lineCallbackCell) == 24);
static_assert(offsetof(HostServices, allocate) == 32);
static_assert(offsetof(HostServices, free) == 40);
static_assert(offsetof(HostServices, reallocate) == 48);
static_assert(offsetof(HostServices, stopFlagCell) == 56);
static_assert(offsetof(HostServices, reportFact) == 64);

static_assert(sizeof(DecodeSource) == 32);
static_assert(offsetof(DecodeSource, position) == 8);
static_assert(offsetof(DecodeSource, limit) == 12);
static_assert(offsetof(DecodeSource, memory) == 16);
static_assert(offsetof(DecodeSource, block) == 24);

static_assert(sizeof(DecodeTarget) == 16);
static_assert(offsetof(DecodeTarget, height) == 8);
static_assert(offsetof(DecodeTarget, width) == 12);

static_assert(kServicesCoverBuffer == 16 && kServicesCoverFlags == 20 && kServicesCoverLineCallback == 32 &&
              kServicesCoverBlocks == 56 && kServicesCoverStopFlag == 64 && kServicesCoverFacts == 72 &&
              kHostServicesSize == 72);
#endif
