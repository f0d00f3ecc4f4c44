#include <windows.h>

#include "library/folder_scan.h"

namespace {
struct FindHandle {
    HANDLE h;
    ~FindHandle() {
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
    }
};
}  // namespace

bool FolderListable(const std::string& folder) {
    WIN32_FIND_DATAA data;
    FindHandle find{FindFirstFileA((folder + "\\*").c_str(), &data)};
    return find.h != INVALID_HANDLE_VALUE;
}

bool EnumerateFolder(const std::string& folder, const std::function<void(const char*, bool)>& entry) {
    WIN32_FIND_DATAA data;
    FindHandle find{FindFirstFileA((folder + "\\*.*").c_str(), &data)};
    if (find.h == INVALID_HANDLE_VALUE) return false;
    do {
        data.cFileName[MAX_PATH - 1] = 0;
        entry(data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileA(find.h, &data));
    return true;
}

int ComparePathText(const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                          static_cast<int>(b.size())) - CSTR_EQUAL;
}
