// The bare library decode of one file, as a floor for pwtool decode:
//   bench_bare_decode heif FILE         libheif, primary image to 8-bit RGB
//   bench_bare_decode webp FILE [W H]   libwebp to RGB, scaled to W x H
// Prints the decoded size; exits 1 when the file is not decoded.
#include <libheif/heif.h>
#include <webp/decode.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

int Heif(const char* file) {
    heif_context* context = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    int code = 1;
    if (heif_context_read_from_file(context, file, nullptr).code == heif_error_Ok &&
        heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok) {
        heif_decoding_options* options = heif_decoding_options_alloc();
        options->convert_hdr_to_8bit = 1;
        const bool alpha = heif_image_handle_has_alpha_channel(handle);
        if (heif_decode_image(handle, &image, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options)
                .code == heif_error_Ok) {
            std::printf("%dx%d\n", heif_image_get_width(image, heif_channel_interleaved),
                        heif_image_get_height(image, heif_channel_interleaved));
            code = 0;
        }
        heif_decoding_options_free(options);
    }
    if (image) heif_image_release(image);
    if (handle) heif_image_handle_release(handle);
    heif_context_free(context);
    return code;
}

int Webp(const char* file, int width, int height) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    WebPDecoderConfig config;
    WebPInitDecoderConfig(&config);
    if (width > 0) {
        config.options.use_scaling = 1;
        config.options.scaled_width = width;
        config.options.scaled_height = height;
    }
    config.output.colorspace = MODE_RGB;
    if (WebPDecode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &config) != VP8_STATUS_OK)
        return 1;
    std::printf("%dx%d\n", config.output.width, config.output.height);
    WebPFreeDecBuffer(&config.output);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "heif") return Heif(argv[2]);
    if (argc >= 3 && std::string(argv[1]) == "webp")
        return Webp(argv[2], argc >= 5 ? std::atoi(argv[3]) : 0, argc >= 5 ? std::atoi(argv[4]) : 0);
    std::fprintf(stderr, "usage: bench_bare_decode heif|webp FILE [W H]\n");
    return 2;
}
