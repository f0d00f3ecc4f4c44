#pragma once
// The renderer's four texture sets, the order in which new page bitmaps are
// uploaded into them, and the conversion of one tile to RGB texels. No GL
// calls here: the renderer carries the plan out.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "show/album_geometry.h"

enum class TextureSetId { LeftUnder, SheetFront, SheetBack, RightUnder };
enum class PageId { OpeningLeft, OpeningRight, NextLeft, NextRight };

// Texture names of one page, one per tile; 0 means not generated.
using TextureSet = std::array<uint32_t, kMaxTiles>;

struct AlbumTextureSets {
    TextureSet LeftUnder{};
    TextureSet SheetFront{};
    TextureSet SheetBack{};
    TextureSet RightUnder{};

    TextureSet& Get(TextureSetId id);
    // Exchanges LeftUnder with SheetBack and SheetFront with RightUnder for
    // tile indices 0..lastTile: what lies on screen after a forward turn
    // becomes the start of the next one.
    void Swap(int32_t lastTile);
};

// The direction flags that the arrow keys and the renderer share.
struct TurnFlags {
    bool reverse = false;
    bool cancelReverse = false;
    bool reverseUploaded = false;
};

struct UploadAction {
    enum Kind { Swap, Upload } kind;
    PageId page = PageId::NextLeft;
    TextureSetId set = TextureSetId::LeftUnder;
    bool operator==(const UploadAction&) const = default;
};

// The steps of one UploadPages, in order; updates the flags as the steps do.
// `firstUpload`: LeftUnder has no textures yet.
std::vector<UploadAction> PlanUpload(TurnFlags& flags, bool firstUpload);

// Copies bitmap pixels (32-bit words, blue in the low byte) of the inclusive
// rectangle into `rgb` (256 x 256 x 3 bytes, 768 bytes per row) as red, green,
// blue; tile row k goes to buffer row k. The rest of the buffer is untouched.
constexpr size_t kUploadBufferBytes = static_cast<size_t>(kTileTexels) * kTileTexels * 3;
void TileToRgb(const uint32_t* pixels, int32_t bitmapWidth, const TileRect& rect, uint8_t* rgb);
