// JPEG through libjpeg's IJG interface: our own error manager (a longjmp back
// to the decoder, never an exit) and a data source over the host's
// DecodeSource.
#include <csetjmp>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "imaging/decode_source.h"
#include "imaging/picture_facts.h"
#include "imaging/std_plugin.h"
#include "imaging/std_plugin_internal.h"

namespace {

constexpr size_t kInputBufferSize = 16384;
// libjpeg's whole-image arrays (progressive and multi-scan pictures) may not
// grow past what the host would hand out for pixels.
constexpr long kLibraryMemoryLimit = 100000000;

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

void ErrorExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1); }
void IgnoreMessage(j_common_ptr, int) {}
void OutputNothing(j_common_ptr) {}

struct SourceManager {
    jpeg_source_mgr pub;
    DecodeSource* source;
    JOCTET buffer[kInputBufferSize];
};

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
    int32_t got = ReadDecodeSource(*src->source, src->buffer, static_cast<int32_t>(kInputBufferSize));
    if (got <= 0) {
        // A truncated file: end it with an EOI marker so the rows already
        // read are kept and the rest come out flat.
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        got = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = static_cast<size_t>(got);
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
    while (count > 0) {
        if (static_cast<size_t>(count) <= src->pub.bytes_in_buffer) {
            src->pub.next_input_byte += count;
            src->pub.bytes_in_buffer -= static_cast<size_t>(count);
            return;
        }
        count -= static_cast<long>(src->pub.bytes_in_buffer);
        FillInputBuffer(cinfo);
    }
}

void TermSource(j_decompress_ptr) {}

// Everything a decode keeps across the longjmp lives here, outside the
// function that calls setjmp.
struct JpegJob {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    SourceManager src;
    std::exception_ptr thrown;  // what the decode threw, rethrown after clean-up
};

// The colour profile and the date taken, from the markers kept while the
// header was read. Reads only the markers; never calls into libjpeg, so no
// longjmp passes through it.
void ReportJpegFacts(const jpeg_decompress_struct& cinfo, int32_t slot) {
    try {
        std::vector<SegmentBytes> app2;
        for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
            if (m->marker == JPEG_APP0 + 2) {
                app2.push_back(SegmentBytes{m->data, m->data_length});
            } else if (m->marker == JPEG_APP0 + 1) {
                const std::string date = ReadExifDateTaken(m->data, m->data_length);
                if (!date.empty()) StdReportFact(slot, kFactDateTaken, date.data(), date.size());
            }
        }
        const std::vector<uint8_t> profile = JoinIccChunks(app2);
        if (!profile.empty()) StdReportFact(slot, kFactIccProfile, profile.data(), profile.size());
    } catch (const std::bad_alloc&) {
        // No memory for the facts: the picture is shown without them.
    }
}

int32_t CameraOrientation(const DecodeCall& call) {
    if (StdPlugin.slots[call.slot].ignoreExif) return 1;
    const int32_t orientation = ReadExifOrientation(*call.source);
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

// The decode proper; false when it did not decode. Library errors come back
// here through longjmp, so this function owns no object with a destructor.
// The line callback's exceptions (header or row) pass through to the caller,
// which cleans up.
bool RunJpeg(JpegJob& job, const DecodeCall& call) {
    jpeg_decompress_struct& cinfo = job.cinfo;
    if (setjmp(job.err.jump)) return false;
    jpeg_create_decompress(&cinfo);

    const int32_t orientation = CameraOrientation(call);
    const bool turned = IsQuarterTurn(orientation);
    job.src.source = call.source;
    job.src.pub.init_source = InitSource;
    job.src.pub.fill_input_buffer = FillInputBuffer;
    job.src.pub.skip_input_data = SkipInputData;
    job.src.pub.resync_to_restart = jpeg_resync_to_restart;
    job.src.pub.term_source = TermSource;
    job.src.pub.bytes_in_buffer = 0;
    job.src.pub.next_input_byte = nullptr;
    cinfo.src = &job.src.pub;
    cinfo.mem->max_memory_to_use = kLibraryMemoryLimit;
    if (call.target) {
        // APP1 (EXIF) and APP2 (ICC profile parts), at most 64 KB each.
        jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
        jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
    }
    jpeg_read_header(&cinfo, TRUE);

    const int32_t imageWidth = static_cast<int32_t>(cinfo.image_width);
    const int32_t imageHeight = static_cast<int32_t>(cinfo.image_height);
    const int32_t pictureWidth = turned ? imageHeight : imageWidth;
    const int32_t pictureHeight = turned ? imageWidth : imageHeight;
    if (PictureBelowMinimum(pictureWidth, pictureHeight, *call.pictureWidth, *call.pictureHeight)) {
        *call.pictureWidth = -pictureWidth;
        *call.pictureHeight = -pictureHeight;
        return true;
    }
    *call.pictureWidth = pictureWidth;
    *call.pictureHeight = pictureHeight;
    if (!call.target) return true;
    ReportJpegFacts(cinfo, call.slot);

    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.quantize_colors = FALSE;
    const int32_t wantedWidth = turned ? call.target->height : call.target->width;
    const int32_t wantedHeight = turned ? call.target->width : call.target->height;
    cinfo.scale_denom = static_cast<unsigned>(JpegScaleDenominator(imageWidth, imageHeight, wantedWidth, wantedHeight,
                                                                   StdPlugin.slots[call.slot].crop));
    // Grey stays grey; everything else comes out as red, green, blue.
    cinfo.out_color_space = cinfo.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&cinfo);

    const int32_t outWidth = static_cast<int32_t>(cinfo.output_width);
    const int32_t outHeight = static_cast<int32_t>(cinfo.output_height);
    const int components = cinfo.output_components;
    RowDelivery delivery(call, orientation);
    if (!delivery.Begin(outWidth, outHeight, components)) return false;
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                static_cast<JDIMENSION>(outWidth) * components, 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int32_t number = static_cast<int32_t>(cinfo.output_scanline);
        if (jpeg_read_scanlines(&cinfo, row, 1) != 1) return false;
        if (!delivery.Row(row[0], number)) return false;
    }
    jpeg_finish_decompress(&cinfo);
    delivery.Finish();
    return true;
}

}  // namespace

void DecodeJpeg(const DecodeCall& call) {
    auto* job = static_cast<JpegJob*>(StdAllocate(sizeof(JpegJob)));
    if (!job) {
        ReportNotDecoded(call);
        return;
    }
    new (job) JpegJob();
    job->cinfo.err = jpeg_std_error(&job->err.pub);
    job->err.pub.error_exit = ErrorExit;
    job->err.pub.emit_message = IgnoreMessage;
    job->err.pub.output_message = OutputNothing;
    // Every way out of the decode, a throw included, destroys the
    // decompressor (its memory pools) and the job record.
    bool decoded = false;
    try {
        decoded = RunJpeg(*job, call);
    } catch (...) {
        job->thrown = std::current_exception();
    }
    jpeg_destroy_decompress(&job->cinfo);
    std::exception_ptr thrown = job->thrown;
    job->~JpegJob();
    StdFree(job);
    if (!decoded) ReportNotDecoded(call);
    if (thrown) std::rethrow_exception(thrown);
}
