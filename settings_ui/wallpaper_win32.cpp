#include <windows.h>

#include <stdexcept>
#include <string>

#include "diagnostics/watchdog.h"
#include "imaging/bitmap_file24.h"
#include "library/data_folder.h"
#include "library/file_access.h"
#include "library/registry_win32.h"
#include "settings_ui/wallpaper.h"

namespace {
// The picture goes into a new file beside the old one, which it replaces only
// once it is whole: the desktop keeps naming a complete picture when the
// write fails (a full disk).
WholeFileWrite WriteWallpaperFile(const std::string& path, const TBitmap0& bitmap) {
    uint32_t error = 0;
    return WriteFileWhole(
        path,
        [&bitmap](FileHandle& file) {
            return WriteBitmapFile24(bitmap, [&file](const void* data, size_t size) { return file.Write(data, size); });
        },
        error);
}
}  // namespace

void SetWallpaperOnExit(const TBitmap0& bitmap) {
    std::string path = JoinPath(GetDataFolder(), kWallpaperFileName);
    WholeFileWrite result = WriteWallpaperFile(path, bitmap);
    // The old wallpaper may still be held by whoever shows it, and then it
    // cannot be replaced yet.
    auto mayRetry = [&result] {
        return result == WholeFileWrite::NotCreated || result == WholeFileWrite::NotReplaced;
    };
    if (mayRetry()) {
        Sleep(1000);
        result = WriteWallpaperFile(path, bitmap);
    }
    if (mayRetry()) {
        path = JoinPath(ForceNewDataFolder(), kWallpaperFileName);
        result = WriteWallpaperFile(path, bitmap);
    }
    if (result != WholeFileWrite::Written) throw std::runtime_error("failed to write wallpaper to " + path);

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
