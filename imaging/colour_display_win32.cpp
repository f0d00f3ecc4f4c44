#include <windows.h>

#include <cstdint>
#include <vector>

#include "imaging/colour_display.h"
#include "imaging/colour_manage.h"

namespace {
// Monitor profiles are small; a file beyond this is not one.
constexpr DWORD kLargestDisplayProfile = 16u << 20;

std::vector<uint8_t> FileBytes(const wchar_t* path) {
    std::vector<uint8_t> bytes;
    const HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size{};
    DWORD read = 0;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart <= kLargestDisplayProfile) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
            bytes.clear();
    }
    CloseHandle(file);
    return bytes;
}
}  // namespace

bool UseDisplayProfile() {
    std::vector<uint8_t> profile;
    const HDC screen = GetDC(nullptr);
    if (screen) {
        wchar_t path[MAX_PATH + 1] = {};
        DWORD size = MAX_PATH;
        if (GetICMProfileW(screen, &size, path)) profile = FileBytes(path);
        ReleaseDC(nullptr, screen);
    }
    return SetDisplayProfile(profile);
}
