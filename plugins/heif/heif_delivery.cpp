// Hands decoded pixels to the host, laying transparent pixels over the page
// colour on the way.
#include <vector>

#include "plugins/heif/heif_plugin_internal.h"

namespace {

// Header word of the line callback: orientation 1 (the libraries have turned
// the picture already), rows red first.
constexpr uint32_t kRowsRedFirstUpright = 1;

inline uint8_t Over(uint32_t colour, uint32_t alpha, uint32_t page, bool premultiplied) {
    // Rounded (x + 127) / 255 for straight alpha; premultiplied colour has
    // its share already.
    const uint32_t under = page * (255 - alpha);
    const uint32_t sum = premultiplied ? colour * 255 + under : colour * alpha + under;
    const uint32_t value = (sum + 127) / 255;
    return static_cast<uint8_t>(value > 255 ? 255 : value);
}

}  // namespace

void ComposeRowOverPage(const uint8_t* rgba, int32_t width, bool premultiplied, uint8_t* rgb) {
    for (int32_t x = 0; x < width; ++x, rgba += 4, rgb += 3) {
        const uint32_t a = rgba[3];
        rgb[0] = Over(rgba[0], a, kPageRed, premultiplied);
        rgb[1] = Over(rgba[1], a, kPageGreen, premultiplied);
        rgb[2] = Over(rgba[2], a, kPageBlue, premultiplied);
    }
}

bool DeliverPicture(const HeifDecodeCall& call, const DecodedImage& image) {
    const int32_t width = image.width;
    const int32_t height = image.height;
    if (!PictureSizeAllowed(width, height)) return false;
    std::vector<uint8_t> composed(image.alpha ? static_cast<size_t>(width) * 3 : 0);
    auto rgbRow = [&](int32_t y) -> const uint8_t* {
        const uint8_t* row = image.pixels + y * image.stride;
        if (!image.alpha) return row;
        ComposeRowOverPage(row, width, image.premultiplied, composed.data());
        return composed.data();
    };

    LineCallbackFn* cell = HeifPlugin.lineCallbackCells[call.slot];
    const LineCallbackFn callback = cell ? *cell : nullptr;
    if (callback && callback(HeaderWordArg(kRowsRedFirstUpright), kHeaderRow, width, height, call.slot) != 0) {
        for (int32_t y = 0; y < height; ++y)
            if (callback(rgbRow(y), y, width, height, call.slot) == 0 || HeifStopRequested()) return false;
        *call.target = DecodeTarget{nullptr, height, width};
        return true;
    }

    if (!HeifPlugin.requestBuffer) return false;
    auto* pixels = static_cast<uint32_t*>(HeifPlugin.requestBuffer(width * height * 4, call.slot));
    if (!pixels) return false;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* in = rgbRow(y);
        uint32_t* out = pixels + static_cast<int64_t>(y) * width;
        for (int32_t x = 0; x < width; ++x, in += 3)
            out[x] = static_cast<uint32_t>(in[0]) << 16 | static_cast<uint32_t>(in[1]) << 8 | in[2];
        if (HeifStopRequested()) return false;
    }
    *call.target = DecodeTarget{pixels, height, width};
    return true;
}
