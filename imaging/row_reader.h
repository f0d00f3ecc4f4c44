#pragma once
// The bitmap and portable-map readers behind the standard plugin's
// BMP/PPM decoder: a header first, then rows top-down as red, green, blue.
// Failures raise DecodeError with the reader's message.
#include <cstdint>
#include <memory>

#include "imaging/plugin_contract.h"

class RowReader {
public:
    virtual ~RowReader() = default;
    // Reads and checks the header.
    virtual void Start() = 0;
    // The next row, top row first: Width() pixels of red, green, blue.
    virtual void ReadRow(uint8_t* rgb) = 0;
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }

protected:
    int32_t width_ = 0;
    int32_t height_ = 0;
};

// Both read from the start of the source.
std::unique_ptr<RowReader> MakeBmpReader(DecodeSource& source);
std::unique_ptr<RowReader> MakePpmReader(DecodeSource& source);

// A block from the plugin's allocator, freed with the owner.
struct PluginBlock {
    explicit PluginBlock(int64_t size);  // DecodeError when refused
    ~PluginBlock();
    PluginBlock(const PluginBlock&) = delete;
    PluginBlock& operator=(const PluginBlock&) = delete;
    uint8_t* data;
};
