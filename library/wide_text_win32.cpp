#include "library/wide_text_win32.h"

std::wstring WideText(const std::string& text, UINT page) {
    const int length = static_cast<int>(text.size());
    if (length == 0) return {};
    const int n = MultiByteToWideChar(page, 0, text.data(), length, nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(page, 0, text.data(), length, wide.data(), n);
    return wide;
}

std::string NarrowText(const std::wstring& text, UINT page) {
    const int length = static_cast<int>(text.size());
    if (length == 0) return {};
    const int n = WideCharToMultiByte(page, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string narrow(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(page, 0, text.data(), length, narrow.data(), n, nullptr, nullptr);
    return narrow;
}

std::wstring SystemPath(const std::string& path) {
    std::wstring wide = WideText(path);
    constexpr size_t kShortPathLimit = MAX_PATH - 12;
    if (wide.size() < kShortPathLimit || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
    DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return wide;
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
    if (n == 0 || n >= full.size()) return wide;
    full.resize(n);
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}
