#include "show/album_textures.h"

#include <utility>

TextureSet& AlbumTextureSets::Get(TextureSetId id) {
    switch (id) {
        case TextureSetId::LeftUnder: return LeftUnder;
        case TextureSetId::SheetFront: return SheetFront;
        case TextureSetId::SheetBack: return SheetBack;
        case TextureSetId::RightUnder: break;
    }
    return RightUnder;
}

void AlbumTextureSets::Swap(int32_t lastTile) {
    for (int32_t i = 0; i <= lastTile && i < kMaxTiles; ++i) {
        std::swap(LeftUnder[i], SheetBack[i]);
        std::swap(SheetFront[i], RightUnder[i]);
    }
}

void TextureSources::Apply(const UploadAction& step, const TBitmap0* uploaded) {
    auto at = [this](TextureSetId id) -> const TBitmap0*& { return page[static_cast<size_t>(id)]; };
    if (step.kind == UploadAction::Swap) {
        std::swap(at(TextureSetId::LeftUnder), at(TextureSetId::SheetBack));
        std::swap(at(TextureSetId::SheetFront), at(TextureSetId::RightUnder));
    } else {
        at(step.set) = uploaded;
    }
}

std::pair<const TBitmap0*, const TBitmap0*> TextureSources::Shown(float angle) const {
    auto at = [this](TextureSetId id) { return page[static_cast<size_t>(id)]; };
    if (angle < 90) return {at(TextureSetId::LeftUnder), at(TextureSetId::SheetFront)};
    return {at(TextureSetId::SheetBack), at(TextureSetId::RightUnder)};
}

std::vector<UploadAction> PlanUpload(TurnFlags& f, bool firstUpload) {
    std::vector<UploadAction> steps;
    auto swap = [&] { steps.push_back({UploadAction::Swap}); };
    auto upload = [&](PageId p, TextureSetId s) { steps.push_back({UploadAction::Upload, p, s}); };

    if (f.cancelReverse) {
        swap();
        if (f.reverseUploaded) {
            f.cancelReverse = false;
            f.reverse = false;
            f.reverseUploaded = false;
        }
    } else if (f.reverseUploaded) {
        f.reverse = false;
        f.reverseUploaded = false;
        swap();
    }

    if (f.reverse) {
        f.reverseUploaded = true;
        upload(PageId::NextLeft, TextureSetId::LeftUnder);
        upload(PageId::NextRight, TextureSetId::SheetFront);
        return steps;
    }
    if (firstUpload) {
        upload(PageId::OpeningLeft, TextureSetId::LeftUnder);
        upload(PageId::OpeningRight, TextureSetId::SheetFront);
    } else {
        swap();
    }
    upload(PageId::NextLeft, TextureSetId::SheetBack);
    upload(PageId::NextRight, TextureSetId::RightUnder);
    return steps;
}

void TileToRgb(const uint32_t* pixels, int32_t bitmapWidth, const TileRect& rect, uint8_t* rgb) {
    const int32_t w = rect.x1 - rect.x0 + 1;
    for (int32_t y = rect.y0; y <= rect.y1; ++y) {
        const uint32_t* src = pixels + static_cast<size_t>(y) * bitmapWidth + rect.x0;
        uint8_t* dst = rgb + static_cast<size_t>(y - rect.y0) * kTileTexels * 3;
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t p = src[x];
            dst[0] = static_cast<uint8_t>(p >> 16);
            dst[1] = static_cast<uint8_t>(p >> 8);
            dst[2] = static_cast<uint8_t>(p);
            dst += 3;
        }
    }
}
