#include <cstdio>
#include <memory>

#include "plugins/heif/heif_plugin_internal.h"

std::string ReadWholeFile(const char* fileName, int64_t limit) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(fileName, "rb"), &std::fclose);
    if (!file) return {};
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return {};
    const long size = std::ftell(file.get());
    if (size <= 0 || size > limit || std::fseek(file.get(), 0, SEEK_SET) != 0) return {};
    std::string bytes(static_cast<size_t>(size), '\0');
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return {};
    return bytes;
}
