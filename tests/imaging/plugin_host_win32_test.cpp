#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "imaging/plugin_host.h"
#include "imaging/std_plugin.h"

namespace {

TEST(PluginHostWin32, AFileLockedByAnotherWriterCannotBeOpened) {
    ShutdownPlugins();
    RegisterPluginList({{"In_std.dll", &StdPluginEntry}});
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "pw_locked_picture.jpg";
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, "\xFF\xD8\xFF\xD9", 4, &written, nullptr);
    PictureLoad load;
    LoadPicture(path, 0, 10, 10, load);
    EXPECT_TRUE(load.cannotOpen);
    EXPECT_FALSE(load.fileMissing);
    EXPECT_FALSE(load.decoded);
    CloseHandle(h);
    DeleteFileA(path.c_str());
    ShutdownPlugins();
}

TEST(PluginHostWin32, FreePhysicalMemoryComesFromTheSystem) {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    ASSERT_TRUE(GlobalMemoryStatusEx(&status));
    const uint64_t ours = SystemAvailablePhysicalMemory();
    EXPECT_GT(ours, 0u);
    // Both readings of a moving figure: close, not equal.
    EXPECT_LT(ours > status.ullAvailPhys ? ours - status.ullAvailPhys : status.ullAvailPhys - ours, uint64_t{1} << 30);
}

}  // namespace
