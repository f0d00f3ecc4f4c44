// HEIC/HEIF and AVIF through libheif: the primary image, grids decoded whole,
// the file's rotation and mirror applied by the library (and no EXIF
// orientation on top), high bit depths brought down to 8 bits. The colour
// profile, nclx box and Exif date go to the host as facts.
#include <memory>
#include <string>

#include "plugins/heif/heif_facts.h"
#include "plugins/heif/heif_library.h"
#include "plugins/heif/heif_limits.h"
#include "plugins/heif/heif_plugin_internal.h"

namespace {

// Owners of the library's objects, released through the same table.
template <typename T, auto Release>
struct Released {
    const HeifApi* api;
    void operator()(T* object) const { (api->*Release)(object); }
};
using ContextFree = Released<heif_context, &HeifApi::contextFree>;
using HandleRelease = Released<heif_image_handle, &HeifApi::imageHandleRelease>;
using ImageRelease = Released<heif_image, &HeifApi::imageRelease>;
using OptionsFree = Released<heif_decoding_options, &HeifApi::decodingOptionsFree>;

}  // namespace

void DecodeHeif(const HeifDecodeCall& call) {
    const HeifApi* api = Heif();
    if (!api) return ReportNotDecoded(call);
    const int32_t minimumWidth = *call.pictureWidth;
    const int32_t minimumHeight = *call.pictureHeight;

    // The whole file, read once: the container's boxes are small, the coded
    // pictures are what a phone's photo is made of.
    const std::string file = ReadWholeFile(call.fileName, kLargestPictureBytes);
    if (file.empty()) return ReportNotDecoded(call);
    const auto* bytes = reinterpret_cast<const uint8_t*>(file.data());
    // libheif and its codecs allocate at the sizes that the grids, overlays
    // and coded streams declare, which the container's sizes do not bound.
    if (CheckHeifLimits(bytes, file.size()) != HeifLimits::kWithin) return ReportNotDecoded(call);

    std::unique_ptr<heif_context, ContextFree> context(api->contextAlloc(), ContextFree{api});
    if (!context) return ReportNotDecoded(call);
    // The library also refuses sides beyond this in the container.
    api->contextSetMaximumImageSizeLimit(context.get(), kLargestSide);
    if (api->contextReadFromMemoryWithoutCopy(context.get(), bytes, file.size(), nullptr).code != heif_error_Ok)
        return ReportNotDecoded(call);
    heif_image_handle* rawHandle = nullptr;
    if (api->contextGetPrimaryImageHandle(context.get(), &rawHandle).code != heif_error_Ok || !rawHandle)
        return ReportNotDecoded(call);
    const std::unique_ptr<heif_image_handle, HandleRelease> handle(rawHandle, HandleRelease{api});

    // The size as shown: the library reports it with the file's rotation
    // applied.
    const int32_t width = api->imageHandleGetWidth(handle.get());
    const int32_t height = api->imageHandleGetHeight(handle.get());
    if (!PictureSizeAllowed(width, height)) return ReportNotDecoded(call);
    if (PictureBelowMinimum(width, height, minimumWidth, minimumHeight)) {
        *call.pictureWidth = -width;
        *call.pictureHeight = -height;
        return;
    }
    *call.pictureWidth = width;
    *call.pictureHeight = height;
    if (!call.target) return;
    ReportHeifFacts(*api, handle.get(), call.slot);

    const bool alpha = api->imageHandleHasAlphaChannel(handle.get()) != 0;
    const std::unique_ptr<heif_decoding_options, OptionsFree> options(api->decodingOptionsAlloc(),
                                                                      OptionsFree{api});
    if (!options) return ReportNotDecoded(call);
    options->ignore_transformations = 0;
    options->convert_hdr_to_8bit = 1;
    heif_image* rawImage = nullptr;
    const heif_error decoded =
        api->decodeImage(handle.get(), &rawImage, heif_colorspace_RGB,
                         alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    const std::unique_ptr<heif_image, ImageRelease> image(rawImage, ImageRelease{api});
    if (decoded.code != heif_error_Ok || !image) return ReportNotDecoded(call);

    int stride = 0;
    const uint8_t* pixels = api->imageGetPlaneReadonly(image.get(), heif_channel_interleaved, &stride);
    const int32_t decodedWidth = api->imageGetWidth(image.get(), heif_channel_interleaved);
    const int32_t decodedHeight = api->imageGetHeight(image.get(), heif_channel_interleaved);
    const int bytesPerPixel = alpha ? 4 : 3;
    if (!pixels || decodedWidth != width || decodedHeight != height || stride < int64_t{width} * bytesPerPixel)
        return ReportNotDecoded(call);

    DecodedImage out;
    out.pixels = pixels;
    out.stride = stride;
    out.width = width;
    out.height = height;
    out.alpha = alpha;
    out.premultiplied = alpha && api->imageHandleIsPremultipliedAlpha(handle.get()) != 0;
    if (!DeliverPicture(call, out)) ReportNotDecoded(call);
}
