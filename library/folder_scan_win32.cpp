#include <windows.h>

#include "library/folder_scan.h"
#include "library/wide_text_win32.h"

namespace {
struct FindHandle {
    HANDLE h;
    ~FindHandle() {
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
    }
};

// The wide calls list every name the file system holds: in UTF-8 a name of
// 260 letters can take three times as many bytes as the ANSI record has room
// for, and a folder deep in a tree of long names has a path longer than
// MAX_PATH.
HANDLE FindFirst(const std::string& pattern, WIN32_FIND_DATAW& data) {
    return FindFirstFileW(SystemPath(pattern).c_str(), &data);
}

bool IsAscii(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}
}  // namespace

bool FolderListable(const std::string& folder) {
    WIN32_FIND_DATAW data;
    FindHandle find{FindFirst(folder + "\\*", data)};
    return find.h != INVALID_HANDLE_VALUE;
}

bool EnumerateFolder(const std::string& folder, const std::function<void(const char*, bool)>& entry) {
    WIN32_FIND_DATAW data;
    FindHandle find{FindFirst(folder + "\\*.*", data)};
    if (find.h == INVALID_HANDLE_VALUE) return false;
    do {
        data.cFileName[MAX_PATH - 1] = 0;
        const std::string name = NarrowText(data.cFileName);
        entry(name.c_str(), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileW(find.h, &data));
    return true;
}

int ComparePathText(const std::string& a, const std::string& b) {
    // The byte form is the system's own order only where every byte is a
    // letter of the code page's ASCII part.
    if (IsAscii(a) && IsAscii(b))
        return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()),
                              b.c_str(), static_cast<int>(b.size())) -
               CSTR_EQUAL;
    const std::wstring wa = WideText(a), wb = WideText(b);
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wa.c_str(), static_cast<int>(wa.size()),
                          wb.c_str(), static_cast<int>(wb.size())) -
           CSTR_EQUAL;
}
