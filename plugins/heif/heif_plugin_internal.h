#pragma once
// Shared between the plugin's decoders: its state from init, one decode
// call's values and the delivery of decoded pixels.
#include <cstddef>
#include <cstdint>
#include <string>

#include "imaging/plugin_contract.h"

// The largest picture the plugin decodes: its 32-bit pixels must fit the
// host's largest buffer, and the sides stay well inside what the libraries
// take.
constexpr int64_t kLargestPictureBytes = 100000000;
constexpr int32_t kLargestSide = 32768;
// The colour that transparent pixels are laid over: the mean colour of the
// album's page paper (back.jpg).
constexpr uint8_t kPageRed = 213, kPageGreen = 202, kPageBlue = 175;

struct HeifPluginState {
    RequestBufferFn requestBuffer = nullptr;
    LineCallbackFn* lineCallbackCells[kDecodingSlots] = {};
    bool crop[kDecodingSlots] = {};
    StopFlagWord* const* stopFlagCell = nullptr;
    ReportFactFn reportFact = nullptr;  // null: the host takes no facts
};
extern HeifPluginState HeifPlugin;

bool HeifStopRequested();
// Hands one fact about the picture being decoded on `slot` to the host (see
// HostServices.reportFact); nothing when the host takes none.
void HeifReportFact(int32_t slot, int32_t kind, const void* data, size_t size);

// Whether a picture of that size may be decoded at all: both sides from 1 to
// kLargestSide and its 32-bit pixels within kLargestPictureBytes.
bool PictureSizeAllowed(int64_t width, int64_t height);

// One decoder call's arguments.
struct HeifDecodeCall {
    const char* fileName;
    int32_t* pictureWidth;
    int32_t* pictureHeight;
    DecodeTarget* target;  // null: only the size
    int32_t slot;
};
void ReportNotDecoded(const HeifDecodeCall& call);

// Decoded pixels: rows of 8-bit red, green, blue (and alpha when `alpha`),
// top row first, `stride` bytes apart; alpha is straight unless
// `premultiplied`.
struct DecodedImage {
    const uint8_t* pixels = nullptr;
    int64_t stride = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool alpha = false;
    bool premultiplied = false;
};

// Hands a decoded picture to the host: through the slot's line callback
// (3-byte rows, red first) when it takes the picture, else into the shared
// buffer as 32-bit pixels. Transparent pixels are laid over the page colour.
// False when the host gave no buffer or the stop flag was set.
bool DeliverPicture(const HeifDecodeCall& call, const DecodedImage& image);

// Lays one row of red, green, blue, alpha pixels over the page colour.
void ComposeRowOverPage(const uint8_t* rgba, int32_t width, bool premultiplied, uint8_t* rgb);

// The decoders behind the table entries.
void DecodeHeif(const HeifDecodeCall& call);
void DecodeWebp(const HeifDecodeCall& call);
// The about box: a message box "About plugin" with the text (natively the
// text goes to standard error).
void ShowHeifAboutBox(void* parentWindow, const std::string& text);

// Reads a whole file into memory when it is at most `limit` bytes; empty
// when it cannot be read or is larger.
std::string ReadWholeFile(const char* fileName, int64_t limit);
