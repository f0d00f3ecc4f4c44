#pragma once
// Writing a read-back frame as a 24-bit BMP file.
#include <cstdint>
#include <string>
#include <vector>

// `rgb`: width x height pixels of red, green, blue bytes, rows bottom-up
// without padding (the order glReadPixels gives with pack alignment 1).
// Returns the file's bytes.
std::vector<uint8_t> EncodeBmp24(int32_t width, int32_t height, const uint8_t* rgb);
// Throws std::runtime_error when the file cannot be written.
void WriteBmp24(const std::string& path, int32_t width, int32_t height, const uint8_t* rgb);
