#pragma once
// The bytes of piclist.dat: "PR", a version word, then one block per entry
// (a length-prefixed head with path, flags and counts, then the names).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "library/picture_list.h"

constexpr uint32_t kPicListVersion = 0x02030000;       // written; has the extra names
constexpr uint32_t kPicListVersionCounts32 = 0x02020000;  // 32-bit picture count

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool Write(const void* data, size_t size) = 0;  // false: stop writing
};

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual size_t Read(void* data, size_t size) = 0;  // fewer bytes at the end
    virtual uint64_t Remaining() = 0;                  // bytes left to read
};

class MemorySink : public ByteSink {
public:
    bool Write(const void* data, size_t size) override;
    std::vector<uint8_t> bytes;
};

class MemorySource : public ByteSource {
public:
    MemorySource(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}
    size_t Read(void* data, size_t size) override;
    uint64_t Remaining() override { return size_ - pos_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Throws std::runtime_error naming the entry when an entry cannot be stored
// in the format (a path or a name list too long for its length field).
void CheckStorable(const TPicList& list);
// Writes the whole list; false as soon as the sink refuses a write.
bool WritePicList(const TPicList& list, ByteSink& sink);
// Appends the entries found in the stream to `list`. A truncated or damaged
// stream ends the parse quietly, keeping what was read.
void ParsePicList(ByteSource& source, TPicList& list);
