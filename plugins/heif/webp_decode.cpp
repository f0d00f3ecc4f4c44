// WebP through libwebp: still pictures scaled while they decode when they are
// wanted much smaller, animations by their first frame on the canvas. The
// ICCP chunk and the EXIF chunk's date go to the host as facts.
#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "plugins/heif/heif_facts.h"
#include "plugins/heif/heif_plugin_internal.h"

namespace {

// A compressed file never needs more than the pixels it describes; a larger
// one is not read.
constexpr int64_t kLargestFile = kLargestPictureBytes;

struct AnimDecoderDelete {
    void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};

struct OutputFree {
    WebPDecBuffer* buffer;
    ~OutputFree() { WebPFreeDecBuffer(buffer); }
};

// The size a still picture is decoded at when it is wanted at (wantedWidth,
// wantedHeight): the smallest size, in the picture's own proportions, that
// still covers the fit (or, with crop, the cut) so the host's resampler
// scales the rest. The full size when it is wanted at least that large.
void ScaledSize(int32_t width, int32_t height, int32_t wantedWidth, int32_t wantedHeight, bool crop,
                int32_t& outWidth, int32_t& outHeight) {
    outWidth = width;
    outHeight = height;
    if (wantedWidth <= 0 || wantedHeight <= 0) return;
    const double sx = static_cast<double>(wantedWidth) / width;
    const double sy = static_cast<double>(wantedHeight) / height;
    const double scale = crop ? std::max(sx, sy) : std::min(sx, sy);
    if (scale >= 0.5) return;  // close enough for the resampler alone
    outWidth = std::clamp(static_cast<int32_t>(std::ceil(width * scale)), 1, width);
    outHeight = std::clamp(static_cast<int32_t>(std::ceil(height * scale)), 1, height);
}

bool DecodeFirstFrame(const HeifDecodeCall& call, const std::string& file, int32_t width, int32_t height) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return false;
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    const WebPData data{reinterpret_cast<const uint8_t*>(file.data()), file.size()};
    const std::unique_ptr<WebPAnimDecoder, AnimDecoderDelete> decoder(WebPAnimDecoderNew(&data, &options));
    if (!decoder) return false;
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(decoder.get(), &info) || static_cast<int64_t>(info.canvas_width) != width ||
        static_cast<int64_t>(info.canvas_height) != height)
        return false;
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || !canvas) return false;
    DecodedImage image;
    image.pixels = canvas;
    image.stride = int64_t{width} * 4;
    image.width = width;
    image.height = height;
    image.alpha = true;
    return DeliverPicture(call, image);
}

bool DecodeStill(const HeifDecodeCall& call, const std::string& file, const WebPBitstreamFeatures& features) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return false;
    int32_t outWidth = features.width;
    int32_t outHeight = features.height;
    ScaledSize(features.width, features.height, call.target->width, call.target->height, HeifPlugin.crop[call.slot],
               outWidth, outHeight);
    if (outWidth != features.width || outHeight != features.height) {
        config.options.use_scaling = 1;
        config.options.scaled_width = outWidth;
        config.options.scaled_height = outHeight;
    }
    const bool alpha = features.has_alpha != 0;
    config.output.colorspace = alpha ? MODE_RGBA : MODE_RGB;
    const OutputFree release{&config.output};
    if (WebPDecode(reinterpret_cast<const uint8_t*>(file.data()), file.size(), &config) != VP8_STATUS_OK)
        return false;
    const WebPRGBABuffer& rgba = config.output.u.RGBA;
    if (!rgba.rgba || config.output.width != outWidth || config.output.height != outHeight) return false;
    DecodedImage image;
    image.pixels = rgba.rgba;
    image.stride = rgba.stride;
    image.width = outWidth;
    image.height = outHeight;
    image.alpha = alpha;
    return DeliverPicture(call, image);
}

}  // namespace

void DecodeWebp(const HeifDecodeCall& call) {
    const int32_t minimumWidth = *call.pictureWidth;
    const int32_t minimumHeight = *call.pictureHeight;
    const std::string file = ReadWholeFile(call.fileName, kLargestFile);
    WebPBitstreamFeatures features;
    if (file.empty() ||
        WebPGetFeatures(reinterpret_cast<const uint8_t*>(file.data()), file.size(), &features) != VP8_STATUS_OK)
        return ReportNotDecoded(call);
    // For an animation these are the canvas's sides.
    const int32_t width = features.width;
    const int32_t height = features.height;
    if (!PictureSizeAllowed(width, height)) return ReportNotDecoded(call);
    if (PictureBelowMinimum(width, height, minimumWidth, minimumHeight)) {
        *call.pictureWidth = -width;
        *call.pictureHeight = -height;
        return;
    }
    *call.pictureWidth = width;
    *call.pictureHeight = height;
    if (!call.target) return;
    ReportWebpFacts(file, call.slot);
    const bool decoded =
        features.has_animation ? DecodeFirstFrame(call, file, width, height) : DecodeStill(call, file, features);
    if (!decoded) ReportNotDecoded(call);
}
