#include <cstdio>

#include "imaging/decode_source.h"

void* OpenDecodeFile(const std::string& path) { return std::fopen(path.c_str(), "rb"); }

void CloseDecodeFile(void* file) {
    if (file) std::fclose(static_cast<FILE*>(file));
}

int64_t DecodeFileSize(void* file) {
    FILE* f = static_cast<FILE*>(file);
    const long here = std::ftell(f);
    if (here < 0 || std::fseek(f, 0, SEEK_END) != 0) return -1;
    const long size = std::ftell(f);
    std::fseek(f, here, SEEK_SET);
    return size;
}

int32_t ReadDecodeFile(void* file, void* buffer, int32_t count) {
    return static_cast<int32_t>(std::fread(buffer, 1, static_cast<size_t>(count), static_cast<FILE*>(file)));
}

bool SeekDecodeFile(void* file, int64_t position) {
    return std::fseek(static_cast<FILE*>(file), static_cast<long>(position), SEEK_SET) == 0;
}
