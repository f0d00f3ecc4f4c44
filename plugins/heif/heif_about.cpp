// The about box's text, with the versions of the libraries as they are
// loaded: a user who replaced libheif.dll or libde265.dll sees the new ones.
#include <webp/decode.h>

#include <string>

#include "plugins/heif/heif_library.h"
#include "plugins/heif/heif_plugin.h"

namespace {

std::string WebpVersion() {
    const int v = WebPGetDecoderVersion();
    return std::to_string((v >> 16) & 0xFF) + "." + std::to_string((v >> 8) & 0xFF) + "." + std::to_string(v & 0xFF);
}

// The decoder libheif uses for a format as it names itself ("libde265 HEVC
// decoder, version 1.0.11", "dav1d v1.0.0"), or empty.
std::string DecoderName(const HeifApi& api, heif_compression_format format) {
    const heif_decoder_descriptor* descriptor = nullptr;
    if (api.getDecoderDescriptors(format, &descriptor, 1) < 1 || !descriptor) return {};
    const char* name = api.decoderDescriptorGetName(descriptor);
    return name ? name : "";
}

}  // namespace

std::string HeifPluginAboutText() {
    const HeifApi* heif = Heif();
    std::string text =
        "This is phone and web image formats plugin\r\n"
        "Now support formats:\r\n";
    const bool hevc = heif && heif->haveDecoderForFormat(heif_compression_HEVC);
    const bool av1 = heif && heif->haveDecoderForFormat(heif_compression_AV1);
    if (hevc) text += "      HEIC (.heic,.heif,.hif)\r\n";
    if (av1) text += "      AVIF (.avif)\r\n";
    text += "      WebP (.webp)\r\n\r\nLibraries:\r\n";
    if (heif) {
        text += std::string("      libheif ") + heif->getVersion() + " (LGPL 3 or later, libheif.dll)\r\n";
        if (hevc) text += "      " + DecoderName(*heif, heif_compression_HEVC) + " (LGPL 3 or later, libde265.dll)\r\n";
        if (av1) text += "      " + DecoderName(*heif, heif_compression_AV1) + " (BSD 2-clause, in libheif.dll)\r\n";
    } else {
        text += "      libheif: not found (HEIC and AVIF are not read)\r\n";
    }
    text += "      libwebp " + WebpVersion() + " (BSD 3-clause)\r\n";
    text += "Their licence texts are in the Licences folder.\r\n\r\nQuillora";
    return text;
}
