// The settings store against the real registry of the test prefix.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "library/registry_win32.h"
#include "library/picture_list_store.h"
#include "library/settings.h"

namespace {
const std::string kFoldersPath = std::string(kMainKeyPath) + "\\Folders";

class RegistrySettings : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        RegDeleteKeyA(HKEY_CURRENT_USER, kFoldersPath.c_str());
        for (const std::string& n : MainKey()->ValueNames()) MainKey()->Delete(n);
        for (REGSAM view : Win32RegistryKey::kMachineViews)
            if (auto lm = Win32RegistryKey::Open(HKEY_LOCAL_MACHINE, kMainKeyPath, KEY_ALL_ACCESS | view)) {
                lm->Delete("RunSettings");
                lm->Delete("Path");
            }
    }
    static void SetRaw(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY k = static_cast<Win32RegistryKey*>(MainKey())->Handle();
        ASSERT_EQ(RegSetValueExA(k, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }
};
}  // namespace

TEST_F(RegistrySettings, OrderRoundTripsThroughTheRegistry) {
    // Saving the settings also saves the picture list: keep it out of the
    // prefix's data folders.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string list = std::string(temp) + "pw_settings_test_piclist.dat";
    const std::string previousList = PicListFile();
    PicListFile() = list;
    RegWriteString("Order", "25");
    RegWriteString("Delay", "abc");
    RegWriteString("Convert", "3000000000");
    LoadSettings();
    EXPECT_EQ(Settings.OrderMode, 1);
    EXPECT_TRUE(Settings.StartFromRandom);
    EXPECT_TRUE(Settings.StartFromPrevious);
    EXPECT_EQ(Settings.Delay, 5000);
    EXPECT_EQ(Settings.Convert, 5000);  // not a 32-bit number
    SaveSettings();
    EXPECT_EQ(RegReadString("Order"), "25");
    EXPECT_EQ(RegReadString("Delay"), "5000");

    // Numbers are REG_SZ, the font REG_BINARY of 60 bytes.
    DWORD type = 0, size = 0;
    HKEY k = static_cast<Win32RegistryKey*>(MainKey())->Handle();
    ASSERT_EQ(RegQueryValueExA(k, "Order", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    ASSERT_EQ(RegQueryValueExA(k, "Font", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(size, 60u);
    ASSERT_EQ(RegQueryValueExA(k, "FontColor", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);
    // Read-only options are never written.
    EXPECT_EQ(RegQueryValueExA(k, "rtresize", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExA(k, "vsync", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(GetFileAttributesA(list.c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileA(list.c_str());
    PicListFile() = previousList;
}

TEST_F(RegistrySettings, FontOfTheWrongTypeIsAnError) {
    SetRaw("Font", REG_SZ, "Arial", 6);
    EXPECT_THROW(LoadSettings(), std::runtime_error);
    SetRaw("Font", REG_BINARY, "", 0);
    EXPECT_NO_THROW(LoadSettings());
    EXPECT_STREQ(Settings.Font.lfFaceName, "Courier New");
    const DWORD dword = 5;
    SetRaw("Delay", REG_DWORD, &dword, 4);
    LoadSettings();
    EXPECT_EQ(Settings.Delay, 5000);
}

TEST_F(RegistrySettings, FoldersSubkeyInNameOrder) {
    HKEY f;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kFoldersPath.c_str(), &f), ERROR_SUCCESS);
    RegSetValueExA(f, "b", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\B"), 5);
    RegSetValueExA(f, "a", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\A"), 5);
    RegCloseKey(f);
    LoadSettings();
    EXPECT_EQ(Settings.ConfiguredFolders, (std::vector<std::string>{"C:\\A", "C:\\B"}));
}

TEST_F(RegistrySettings, RunSettingsRequest) {
    RegWriteString("RunSettings", "1 ");
    EXPECT_FALSE(CheckRunSettings());
    EXPECT_EQ(RegReadString("RunSettings"), "1 ");

    RegWriteString("RunSettings", "1");
    EXPECT_TRUE(CheckRunSettings());
    EXPECT_EQ(MainKey()->Read("RunSettings"), std::nullopt);
    EXPECT_FALSE(CheckRunSettings());

    // The local machine is asked when the current user has nothing.
    auto lm = Win32RegistryKey::Create(HKEY_LOCAL_MACHINE, kMainKeyPath);
    ASSERT_TRUE(lm);
    lm->WriteString("RunSettings", "1");
    EXPECT_TRUE(CheckRunSettings());
    EXPECT_EQ(lm->Read("RunSettings"), std::nullopt);
}

// A request under the current user that can be read but not deleted is not
// pending: otherwise every show would open the settings window instead.
TEST_F(RegistrySettings, UndeletableUserRequestIsNotPending) {
    RegWriteString("RunSettings", "1");
    auto guarded = Win32RegistryKey::Open(HKEY_CURRENT_USER, kMainKeyPath, READ_CONTROL | WRITE_DAC);
    ASSERT_TRUE(guarded);
    const HKEY user = guarded->Handle();
    DWORD size = 0;
    RegGetKeySecurity(user, DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<char> saved(size);
    ASSERT_EQ(RegGetKeySecurity(user, DACL_SECURITY_INFORMATION, saved.data(), &size), ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly,
                                                                     nullptr));
    ASSERT_EQ(RegSetKeySecurity(user, DACL_SECURITY_INFORMATION, readOnly), ERROR_SUCCESS);
    LocalFree(readOnly);
    const bool pending = CheckRunSettings();
    ASSERT_EQ(RegSetKeySecurity(user, DACL_SECURITY_INFORMATION, saved.data()), ERROR_SUCCESS);
    EXPECT_FALSE(pending);
    EXPECT_EQ(RegReadString("RunSettings"), "1");
}

// Listing the values of a key that was deleted while open ends at once.
TEST_F(RegistrySettings, ValueNamesOfADeletedKeyEnd) {
    const std::string path = std::string(kMainKeyPath) + "\\Doomed";
    auto doomed = Win32RegistryKey::Create(HKEY_CURRENT_USER, path.c_str());
    ASSERT_TRUE(doomed);
    doomed->WriteString("a", "1");
    doomed->WriteString(std::string(300, 'n'), "long name");
    EXPECT_EQ(doomed->ValueNames(), (std::vector<std::string>{"a", std::string(300, 'n')}));
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str()), ERROR_SUCCESS);
    EXPECT_TRUE(doomed->ValueNames().empty());
}

TEST_F(RegistrySettings, PathFallsBackToTheLocalMachine) {
    auto lm = Win32RegistryKey::Create(HKEY_LOCAL_MACHINE, kMainKeyPath);
    ASSERT_TRUE(lm);
    lm->WriteString("Path", "C:\\Machine");
    EXPECT_EQ(ReadUserOrMachineString("Path"), "C:\\Machine");
    RegWriteString("Path", "C:\\User");
    EXPECT_EQ(ReadUserOrMachineString("Path"), "C:\\User");
    lm->Delete("Path");
}

// An installer of the other width writes into the other view of the local
// machine's software key (on 64-bit Windows); the program must find "Path"
// and the run-settings request there too, and its own view comes first.
TEST_F(RegistrySettings, LocalMachineValuesAreFoundInEitherRegistryView) {
    auto other = Win32RegistryKey::Create(HKEY_LOCAL_MACHINE, kMainKeyPath, Win32RegistryKey::kMachineViews[1]);
    ASSERT_TRUE(other);
    other->WriteString("Path", "C:\\Other width");
    EXPECT_EQ(ReadUserOrMachineString("Path"), "C:\\Other width");
    other->WriteString("RunSettings", "1");
    EXPECT_TRUE(CheckRunSettings());
    EXPECT_EQ(other->Read("RunSettings"), std::nullopt);

    auto own = Win32RegistryKey::Create(HKEY_LOCAL_MACHINE, kMainKeyPath);
    ASSERT_TRUE(own);
    own->WriteString("Path", "C:\\Own width");
    EXPECT_EQ(ReadUserOrMachineString("Path"), "C:\\Own width");
}

TEST_F(RegistrySettings, SingleValueHelpers) {
    RegWriteInt("count", -3);
    EXPECT_EQ(RegReadString("count"), "-3");
    EXPECT_EQ(RegReadInt("count", 9), -3);
    RegWriteString("count", "2000000000");
    EXPECT_EQ(RegReadInt("count", 9), 2000000000);  // no clamp here
    RegWriteString("count", "x");
    EXPECT_EQ(RegReadInt("count", 9), 9);
    EXPECT_TRUE(RegRemoveValue("count"));
    EXPECT_FALSE(RegRemoveValue("count"));
    EXPECT_EQ(RegReadString("count"), "");
}
