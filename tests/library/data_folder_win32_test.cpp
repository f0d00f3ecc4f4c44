// The data-folder choice on the real system folders: the "AppData" shell
// folder from the registry, the installation folder, and the VirtualStore
// mirror of an installation under Program Files.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "library/data_folder.h"
#include "library/registry.h"
#include "library/settings.h"
#include "tests/library/library_test_folder.h"

namespace {
constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string ReadValue(HKEY root, const char* path, const char* name) {
    char buf[MAX_PATH * 2] = {};
    DWORD size = sizeof(buf) - 1;
    if (RegGetValueA(root, path, name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS) return {};
    return buf;
}

void WriteAppData(const std::string& value) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "AppData", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

class DataFolderWin32 : public ::testing::Test {
protected:
    void SetUp() override {
        savedAppData = ReadValue(HKEY_CURRENT_USER, kShellFolders, "AppData");
        savedInstall = InstallFolder;
        RegRemoveValue("pathind");
        RegRemoveValue("pathdata");
        ForgetDataFolder();
        DataFolderSeams().message = [this](const std::string& t) { messages.push_back(t); };
        DataFolderSeams().errorPage = [this](int e) { errorPages.push_back(e); };
        CreateFolder(root / "Install");
        InstallFolder = root / "Install";
    }
    void TearDown() override {
        if (!savedAppData.empty()) WriteAppData(savedAppData);
        InstallFolder = savedInstall;
        DataFolderSeams() = DataFolderHooks{};
        ForgetDataFolder();
        RegRemoveValue("pathind");
        RegRemoveValue("pathdata");
    }
    TestFolder root;
    std::string savedAppData, savedInstall;
    std::vector<std::string> messages;
    std::vector<int> errorPages;
};
}  // namespace

TEST_F(DataFolderWin32, AppDataFromTheShellFoldersKeyComesFirst) {
    CreateFolder(root / "Roaming");
    WriteAppData(root / "Roaming");
    EXPECT_EQ(GetDataFolder(), root / "Roaming\\Pagewind");
    EXPECT_EQ(RegReadInt("pathind", 0), 1);
    EXPECT_EQ(MirrorFolder(), "");
    EXPECT_TRUE(messages.empty());
}

TEST_F(DataFolderWin32, UnwritableAppDataLeavesTheInstallationFolder) {
    // A file where the two AppData candidates would go: neither can be made.
    Touch(root / "Roaming");
    WriteAppData(root / "Roaming");
    EXPECT_EQ(GetDataFolder(), root / "Install\\Data");
    EXPECT_EQ(RegReadInt("pathind", 0), 3);

    // The next start finds the proof, checks it and removes it.
    std::string proof = RegReadString("pathdata");
    std::string testFile = root / ("Install\\Data\\" + proof.substr(proof.find(',') + 1));
    EXPECT_TRUE(FileExists(testFile));
    ForgetDataFolder();
    EXPECT_EQ(GetDataFolder(), root / "Install\\Data");
    EXPECT_FALSE(FileExists(testFile));
    EXPECT_EQ(RegReadString("pathdata"), "");
    EXPECT_TRUE(errorPages.empty());
}

TEST_F(DataFolderWin32, InstallationUnderProgramFilesHasAVirtualStoreMirror) {
    const std::string programFiles =
        ReadValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
    ASSERT_FALSE(programFiles.empty());
    const std::string install = programFiles + "\\PagewindTest" + std::to_string(GetCurrentProcessId());
    CreateFolder(install);
    InstallFolder = install;
    Touch(root / "Roaming");
    WriteAppData(root / "Roaming");
    EXPECT_EQ(GetDataFolder(), install + "\\Data");
    const SystemFolders places = ReadSystemFolders();
    EXPECT_EQ(MirrorFolder(), places.localAppData + "\\VirtualStore\\" + install.substr(3) + "\\Data");
    std::error_code ec;
    std::filesystem::remove_all(install, ec);
}
