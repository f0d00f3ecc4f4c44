// Portable maps: "P6" (raw) and "P3" (text) colour, and their grey cousins
// "P5" and "P2", which come out with the grey in all three colours. Samples
// are scaled from 0..maximum to 0..255.
#include <cctype>

#include "imaging/decode_source.h"
#include "imaging/row_reader.h"
#include "imaging/std_plugin_internal.h"

namespace {

constexpr int32_t kLargestMaximum = 65535;

class PpmReader : public RowReader {
public:
    explicit PpmReader(DecodeSource& source) : source_(source) {}

    void Start() override {
        if (NextByte() != 'P') throw DecodeError("Not a PPM file");
        const int kind = NextByte();
        if (kind != '2' && kind != '3' && kind != '5' && kind != '6') throw DecodeError("Not a PPM file");
        text_ = kind == '2' || kind == '3';
        components_ = kind == '3' || kind == '6' ? 3 : 1;
        const int64_t width = ReadInteger();
        const int64_t height = ReadInteger();
        maximum_ = ReadInteger();
        if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX || maximum_ <= 0 ||
            maximum_ > kLargestMaximum)
            throw DecodeError("Not a PPM file");
        width_ = static_cast<int32_t>(width);
        height_ = static_cast<int32_t>(height);
        sampleBytes_ = maximum_ > 255 ? 2 : 1;
        rowSamples_ = width * components_;
    }

    void ReadRow(uint8_t* rgb) override {
        if (text_) {
            for (int32_t x = 0; x < width_; ++x, rgb += 3) {
                for (int c = 0; c < components_; ++c) rgb[c] = Scale(ReadInteger());
                if (components_ == 1) rgb[1] = rgb[2] = rgb[0];
            }
            return;
        }
        if (!raw_) raw_ = std::make_unique<PluginBlock>(rowSamples_ * sampleBytes_);
        for (int64_t i = 0; i < rowSamples_ * sampleBytes_; ++i) raw_->data[i] = static_cast<uint8_t>(NextData());
        const uint8_t* in = raw_->data;
        for (int32_t x = 0; x < width_; ++x, rgb += 3) {
            for (int c = 0; c < components_; ++c, in += sampleBytes_)
                rgb[c] = Scale(sampleBytes_ == 2 ? in[0] << 8 | in[1] : in[0]);
            if (components_ == 1) rgb[1] = rgb[2] = rgb[0];
        }
    }

private:
    // Buffered bytes of the source; -1 at its end.
    int NextByte() {
        if (next_ == end_) {
            end_ = ReadDecodeSource(source_, buffer_, sizeof buffer_);
            next_ = 0;
            if (end_ <= 0) {
                end_ = 0;
                return -1;
            }
        }
        return buffer_[next_++];
    }

    int NextData() {
        const int c = NextByte();
        if (c < 0) FailPrematureEnd();
        return c;
    }

    // A decimal number after white space and comments; the character that
    // ends it is consumed. Values beyond 32 bits saturate.
    int64_t ReadInteger() {
        int c = NextData();
        while (c == '#' || std::isspace(c)) {
            if (c == '#')
                while (c != '\n' && c != '\r') c = NextData();
            c = NextData();
        }
        if (c < '0' || c > '9') throw DecodeError("Nonnumeric data in PPM file");
        int64_t value = 0;
        while (c >= '0' && c <= '9') {
            if (value <= INT32_MAX) value = value * 10 + (c - '0');
            c = NextByte();
        }
        return value;
    }

    // Rounded to the nearest step of 0..255; a sample above the maximum
    // counts as the maximum.
    uint8_t Scale(int64_t sample) const {
        if (sample >= maximum_) return 255;
        return static_cast<uint8_t>((sample * 255 + maximum_ / 2) / maximum_);
    }

    DecodeSource& source_;
    bool text_ = false;
    int components_ = 3;
    int64_t maximum_ = 255;
    int sampleBytes_ = 1;
    int64_t rowSamples_ = 0;
    uint8_t buffer_[4096];
    int32_t next_ = 0;
    int32_t end_ = 0;
    std::unique_ptr<PluginBlock> raw_;
};

}  // namespace

std::unique_ptr<RowReader> MakePpmReader(DecodeSource& source) { return std::make_unique<PpmReader>(source); }
