// The standard plugin's decoder for ".bmp" and ".ppm": the first byte picks
// the reader; rows go out unturned and unreduced.
#include <new>

#include "imaging/decode_source.h"
#include "imaging/row_reader.h"
#include "imaging/std_plugin_internal.h"

PluginBlock::PluginBlock(int64_t size) : data(static_cast<uint8_t*>(StdAllocate(size))) {
    if (!data) throw std::bad_alloc();
}

PluginBlock::~PluginBlock() { StdFree(data); }

namespace {

// False when the picture was not decoded.
bool ReadPicture(const DecodeCall& call) {
    DecodeSource& source = *call.source;
    const int32_t start = source.position;
    uint8_t first = 0;
    if (ReadDecodeSource(source, &first, 1) != 1 || !SeekDecodeSource(source, start))
        throw DecodeError("Unrecognized input file format");
    std::unique_ptr<RowReader> reader;
    if (first == 'B')
        reader = MakeBmpReader(source);
    else if (first == 'P')
        reader = MakePpmReader(source);
    else
        throw DecodeError("Unrecognized input file format");
    reader->Start();

    const int32_t width = reader->Width();
    const int32_t height = reader->Height();
    if (PictureBelowMinimum(width, height, *call.pictureWidth, *call.pictureHeight)) {
        *call.pictureWidth = -width;
        *call.pictureHeight = -height;
        return true;
    }
    *call.pictureWidth = width;
    *call.pictureHeight = height;
    if (!call.target) return true;

    RowDelivery delivery(call, 1);
    if (!delivery.Begin(width, height, 3)) return false;
    PluginBlock row(static_cast<int64_t>(width) * 3);
    for (int32_t y = 0; y < height; ++y) {
        reader->ReadRow(row.data);
        if (!delivery.Row(row.data, y)) return false;
    }
    delivery.Finish();
    return true;
}

}  // namespace

void DecodeBmpOrPpm(const DecodeCall& call) {
    bool decoded = false;
    try {
        decoded = ReadPicture(call);
    } catch (const DecodeError&) {
    } catch (const std::bad_alloc&) {
    } catch (...) {
        ReportNotDecoded(call);
        throw;
    }
    if (!decoded) ReportNotDecoded(call);
}
