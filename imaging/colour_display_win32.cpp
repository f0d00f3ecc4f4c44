#include <windows.h>

#include <cstdint>
#include <vector>

#include "imaging/colour_display.h"
#include "imaging/colour_manage.h"
#include "imaging/decode_source.h"
#include "library/wide_text_win32.h"

namespace {
// Monitor profiles are small; a file beyond this is not one.
constexpr int64_t kLargestDisplayProfile = 16 << 20;

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    void* file = OpenDecodeFile(path);
    if (!file) return bytes;
    const int64_t size = DecodeFileSize(file);
    if (size > 0 && size <= kLargestDisplayProfile) {
        bytes.resize(static_cast<size_t>(size));
        if (ReadDecodeFile(file, bytes.data(), static_cast<int32_t>(size)) != size) bytes.clear();
    }
    CloseDecodeFile(file);
    return bytes;
}
}  // namespace

bool UseDisplayProfile() {
    std::vector<uint8_t> profile;
    const HDC screen = GetDC(nullptr);
    if (screen) {
        wchar_t path[MAX_PATH + 1] = {};
        DWORD size = MAX_PATH;
        if (GetICMProfileW(screen, &size, path)) profile = FileBytes(NarrowText(path));
        ReleaseDC(nullptr, screen);
    }
    return SetDisplayProfile(profile);
}
