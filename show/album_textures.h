#pragma once
// The renderer's four texture sets, the order in which new page bitmaps are
// uploaded into them, and the conversion of one tile to RGB texels. No GL
// calls here: the renderer carries the plan out.
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "show/album_geometry.h"

class TBitmap0;

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

// Which page bitmap each texture set was last loaded from, moved by the same
// plan steps as the textures themselves, so that the show can tell which of
// its bitmaps are on screen: those it must neither overwrite nor lose.
struct TextureSources {
    std::array<const TBitmap0*, 4> page{};  // by TextureSetId

    void Apply(const UploadAction& step, const TBitmap0* uploaded);
    // The left and right page a frame with the sheet at `angle` degrees shows
    // most of: the sheet's front and the page under it until the sheet
    // stands up (90), then its back and the page beneath.
    std::pair<const TBitmap0*, const TBitmap0*> Shown(float angle) const;
};

// The steps of one UploadPages, in order; updates the flags as the steps do.
// `firstUpload`: LeftUnder has no textures yet.
std::vector<UploadAction> PlanUpload(TurnFlags& flags, bool firstUpload);

// Copies bitmap pixels (32-bit words, blue in the low byte) of the inclusive
// rectangle into `rgb` (256 x 256 x 3 bytes, 768 bytes per row) as red, green,
// blue; tile row k goes to buffer row k. The rest of the buffer is untouched.
constexpr size_t kUploadBufferBytes = static_cast<size_t>(kTileTexels) * kTileTexels * 3;
void TileToRgb(const uint32_t* pixels, int32_t bitmapWidth, const TileRect& rect, uint8_t* rgb);
