#include "plugins/heif/heif_facts.h"

#include <webp/demux.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/picture_facts.h"
#include "plugins/heif/heif_library.h"
#include "plugins/heif/heif_plugin_internal.h"

namespace {

// The host keeps no larger fact; a larger profile or Exif item is not read.
constexpr size_t kLargestFact = 16 * 1024 * 1024;
// An image with more Exif items than this is not one a camera wrote.
constexpr int kMostExifItems = 16;

// True when the EXIF block had a date taken, which then went to the host.
bool ReportDate(const uint8_t* exif, size_t size, int32_t slot) {
    const std::string date = ReadExifDateTaken(exif, size);
    if (date.empty()) return false;
    HeifReportFact(slot, kFactDateTaken, date.data(), date.size());
    return true;
}

void ReportHeifProfile(const HeifApi& api, const heif_image_handle* handle, int32_t slot) {
    if (!api.imageHandleGetColorProfileType || !api.imageHandleGetRawColorProfileSize ||
        !api.imageHandleGetRawColorProfile)
        return;
    const heif_color_profile_type type = api.imageHandleGetColorProfileType(handle);
    if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC) return;
    const size_t size = api.imageHandleGetRawColorProfileSize(handle);
    if (size == 0 || size > kLargestFact) return;
    std::vector<uint8_t> profile(size);
    if (api.imageHandleGetRawColorProfile(handle, profile.data()).code != heif_error_Ok) return;
    HeifReportFact(slot, kFactIccProfile, profile.data(), profile.size());
}

// Only an nclx `colr` box of the file gives one: libheif reports none for
// an image without it (it does not fill in its defaults here, nor take the
// coded stream's own colour description).
void ReportHeifNclx(const HeifApi& api, const heif_image_handle* handle, int32_t slot) {
    if (!api.imageHandleGetNclxColorProfile || !api.nclxColorProfileFree) return;
    heif_color_profile_nclx* raw = nullptr;
    const heif_error error = api.imageHandleGetNclxColorProfile(handle, &raw);
    // Codes the library does not know end as an error with the profile
    // allocated all the same.
    const auto release = [&api](heif_color_profile_nclx* p) { api.nclxColorProfileFree(p); };
    const std::unique_ptr<heif_color_profile_nclx, decltype(release)> nclx(raw, release);
    if (error.code != heif_error_Ok || !nclx) return;
    const int32_t words[4] = {static_cast<int32_t>(nclx->color_primaries),
                              static_cast<int32_t>(nclx->transfer_characteristics),
                              static_cast<int32_t>(nclx->matrix_coefficients), nclx->full_range_flag ? 1 : 0};
    HeifReportFact(slot, kFactNclx, words, sizeof words);
}

// The first Exif item with a date taken.
void ReportHeifDate(const HeifApi& api, const heif_image_handle* handle, int32_t slot) {
    if (!api.imageHandleGetNumberOfMetadataBlocks || !api.imageHandleGetListOfMetadataBlockIds ||
        !api.imageHandleGetMetadataSize || !api.imageHandleGetMetadata)
        return;
    const int count = api.imageHandleGetNumberOfMetadataBlocks(handle, "Exif");
    if (count <= 0 || count > kMostExifItems) return;
    heif_item_id ids[kMostExifItems] = {};
    const int listed = api.imageHandleGetListOfMetadataBlockIds(handle, "Exif", ids, count);
    for (int i = 0; i < listed && i < count; ++i) {
        const size_t size = api.imageHandleGetMetadataSize(handle, ids[i]);
        if (size == 0 || size > kLargestFact) continue;
        std::vector<uint8_t> item(size);
        if (api.imageHandleGetMetadata(handle, ids[i], item.data()).code != heif_error_Ok) continue;
        const ExifBytes tiff = TiffOfHeifExifItem(item.data(), item.size());
        if (tiff.data && ReportDate(tiff.data, tiff.size, slot)) return;
    }
}

struct DemuxDelete {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};

// The first chunk of that kind; false when there is none or it is empty.
// The chunk's bytes stay inside the demuxer's input.
bool WebpChunk(const WebPDemuxer* demux, const char* fourcc, WebPData& chunk) {
    WebPChunkIterator it;
    if (!WebPDemuxGetChunk(demux, fourcc, 1, &it)) return false;
    chunk = it.chunk;
    WebPDemuxReleaseChunkIterator(&it);
    return chunk.bytes && chunk.size > 0;
}

// Each fact on its own: one that fails (out of memory) leaves the others.
template <typename Read>
void Guarded(Read read) noexcept {
    try {
        read();
    } catch (...) {
    }
}

}  // namespace

void ReportHeifFacts(const HeifApi& api, const heif_image_handle* handle, int32_t slot) noexcept {
    if (!handle || !HeifPlugin.reportFact) return;
    Guarded([&] { ReportHeifProfile(api, handle, slot); });
    Guarded([&] { ReportHeifNclx(api, handle, slot); });
    Guarded([&] { ReportHeifDate(api, handle, slot); });
}

void ReportWebpFacts(const std::string& file, int32_t slot) noexcept {
    if (!HeifPlugin.reportFact) return;
    const WebPData data{reinterpret_cast<const uint8_t*>(file.data()), file.size()};
    // A file the demuxer cannot take whole has no facts; the decoders may
    // still read its picture.
    const std::unique_ptr<WebPDemuxer, DemuxDelete> demux(WebPDemux(&data));
    if (!demux) return;
    WebPData chunk{};
    if (WebpChunk(demux.get(), "ICCP", chunk) && chunk.size <= kLargestFact)
        HeifReportFact(slot, kFactIccProfile, chunk.bytes, chunk.size);
    if (WebpChunk(demux.get(), "EXIF", chunk)) Guarded([&] { ReportDate(chunk.bytes, chunk.size, slot); });
}
