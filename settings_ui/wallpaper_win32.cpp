#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "diagnostics/watchdog.h"
#include "imaging/bitmap_file24.h"
#include "library/data_folder.h"
#include "library/file_access.h"
#include "library/registry_win32.h"
#include "settings_ui/wallpaper.h"

namespace {
struct FileCloser {
    void operator()(HANDLE h) const {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

HANDLE CreateWallpaperFile(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

bool WriteAll(HANDLE file, const TBitmap0& bitmap) {
    return WriteBitmapFile24(bitmap, [file](const void* data, size_t size) {
        DWORD written = 0;
        return WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
    });
}
}  // namespace

void SetWallpaperOnExit(const TBitmap0& bitmap) {
    std::string path = JoinPath(GetDataFolder(), kWallpaperFileName);
    HANDLE file = CreateWallpaperFile(path);
    if (file == INVALID_HANDLE_VALUE) {
        // The old wallpaper may still be held by whoever shows it.
        Sleep(1000);
        file = CreateWallpaperFile(path);
    }
    if (file == INVALID_HANDLE_VALUE) {
        path = JoinPath(ForceNewDataFolder(), kWallpaperFileName);
        file = CreateWallpaperFile(path);
    }
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("failed to write wallpaper to " + path);
    {
        std::unique_ptr<void, FileCloser> closer(file);
        if (!WriteAll(file, bitmap)) throw std::runtime_error("failed to write wallpaper to " + path);
    }

    // Where the program's writes were redirected, Windows must be given the
    // file it really sees.
    std::string shown = path;
    const std::string mirror = MirrorFolder();
    if (!mirror.empty() && FileExists(JoinPath(mirror, kWallpaperFileName)))
        shown = JoinPath(mirror, kWallpaperFileName);

    if (auto desktop = Win32RegistryKey::Create(HKEY_CURRENT_USER, "Control Panel\\Desktop")) {
        desktop->WriteString("WallpaperStyle", "0");
        desktop->WriteString("TileWallpaper", "1");
    }

    // The call may block while Windows redraws the desktop: tell the
    // watchdog this thread waits on the system.
    const int thread = WatchdogThreadNumber;
    if (thread < 0) MainSuspend(); else BeginWait(thread);
    const BOOL ok = SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(shown.c_str()),
                                         SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE);
    const DWORD error = GetLastError();
    if (thread < 0) MainResume(); else EndWait(thread);
    if (!ok) throw std::runtime_error("Failed to set Wallpaper, error " + std::to_string(error) + ", " + shown);
}
