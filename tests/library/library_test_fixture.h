#pragma once
// A data-folder environment made of fresh folders: the five candidates'
// bases live in one test folder, and the registry values of the data folder
// are cleared before and after each test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/data_folder.h"
#include "library/random.h"
#include "library/registry.h"
#include "library/settings.h"
#include "tests/library/library_test_folder.h"

class DataFolderFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ClearValues();
        ForgetDataFolder();
        for (const char* name : {"AppData", "Install", "Docs", "Temp", "Local"}) CreateFolder(root / name);
        places.appData = root / "AppData";
        places.installFolder = root / "Install";
        places.documents = root / "Docs";
        places.temp = (root / "Temp") + kPathSep;
        places.localAppData = root / "Local";
        DataFolderHooks& hooks = DataFolderSeams();
        hooks.places = [this] { return places; };
        hooks.message = [this](const std::string& text) { messages.push_back(text); };
        hooks.errorPage = [this](int error) { errorPages.push_back(error); };
        savedInstall = InstallFolder;
        InstallFolder = places.installFolder;
        SeedRandom(20240611u);
        savedSleep = LibrarySleep;
        LibrarySleep = [](int ms) { Sleeps().push_back(ms); };
        Sleeps().clear();
    }
    void TearDown() override {
        DataFolderSeams() = DataFolderHooks{};
        ForgetDataFolder();
        ClearValues();
        InstallFolder = savedInstall;
        LibrarySleep = savedSleep;
    }
    static void ClearValues() {
        RegRemoveValue("pathind");
        RegRemoveValue("pathdata");
    }
    static std::vector<int>& Sleeps() {
        static std::vector<int> sleeps;
        return sleeps;
    }
    std::string Candidate(int n) const { return CandidateFolder(n, places); }
    // A regular file where a folder should go makes that folder unusable.
    static void Block(const std::string& path) { Touch(path); }

    TestFolder root;
    SystemFolders places;
    std::vector<std::string> messages;
    std::vector<int> errorPages;
    std::string savedInstall;
    void (*savedSleep)(int) = nullptr;
};
