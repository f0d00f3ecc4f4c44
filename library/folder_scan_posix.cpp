#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>

#include "library/folder_scan.h"

bool FolderListable(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return false;
    closedir(dir);
    return true;
}

bool EnumerateFolder(const std::string& folder, const std::function<void(const char*, bool)>& entry) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return false;
    while (dirent* e = readdir(dir)) {
        bool isFolder = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN) {
            struct stat st;
            isFolder = fstatat(dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        entry(e->d_name, isFolder);
    }
    closedir(dir);
    return true;
}

int ComparePathText(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()); }
