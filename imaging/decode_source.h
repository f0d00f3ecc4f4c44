#pragma once
// Reading a DecodeSource: the host opens the file into it, the standard
// plugin reads and seeks through it. Reads stop at the source's limit and at
// the end of the file (or of the memory block, whose size is the limit).
#include <cstdint>
#include <string>

#include "imaging/plugin_contract.h"

// A fresh source over an open file: position 0, no limit, file mode.
void ResetDecodeSource(DecodeSource& source, void* file);
// A source over a memory block of `size` bytes.
void SetMemoryDecodeSource(DecodeSource& source, const uint8_t* block, int32_t size);

// Up to `count` bytes at the current position; returns how many were read.
int32_t ReadDecodeSource(DecodeSource& source, void* buffer, int32_t count);
// Moves to an absolute position; false (position unchanged) when it lies
// past the limit or cannot be reached.
bool SeekDecodeSource(DecodeSource& source, int32_t position);

// The raw file under a file-mode source: a HANDLE on Windows, a FILE*
// natively. Opened read-only, others may read too.
void* OpenDecodeFile(const std::string& path);  // null on failure
void CloseDecodeFile(void* file);
int64_t DecodeFileSize(void* file);  // -1 when unknown
int32_t ReadDecodeFile(void* file, void* buffer, int32_t count);
bool SeekDecodeFile(void* file, int64_t position);
