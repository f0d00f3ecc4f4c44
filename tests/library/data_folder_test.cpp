#include <gtest/gtest.h>

#include <stdexcept>

#include "library/data_folder.h"
#include "library/file_access.h"
#include "library/picture_list_store.h"
#include "library/settings.h"
#include "tests/library/library_test_fixture.h"

namespace {
// "pathdata" split into the test value and the test file's path.
std::pair<uint32_t, std::string> Proof(const std::string& folder) {
    std::string proof = RegReadString("pathdata");
    size_t comma = proof.find(',');
    EXPECT_NE(comma, std::string::npos) << proof;
    return {static_cast<uint32_t>(std::stoul(proof.substr(0, comma))), JoinPath(folder, proof.substr(comma + 1))};
}
}  // namespace

class DataFolderChoice : public DataFolderFixture {
protected:
    void NothingWritable() {
        places.appData = root / "AppData-file";
        Block(places.appData);
        places.installFolder.clear();
        places.documents.clear();
        places.temp.clear();
    }
};

TEST_F(DataFolderChoice, FirstRunProvesAppDataAndNextStartConsumesTheProof) {
    EXPECT_EQ(GetDataFolder(), Candidate(1));
    EXPECT_EQ(RegReadInt("pathind", 0), 1);
    auto [value, testFile] = Proof(Candidate(1));
    EXPECT_LE(value, 99999999u);
    std::vector<uint8_t> bytes = ReadBytes(testFile);
    ASSERT_EQ(bytes.size(), 4u);
    EXPECT_EQ(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (uint32_t(bytes[3]) << 24), value);
    EXPECT_EQ(GetDataFolder(), Candidate(1));  // known: nothing is checked again

    ForgetDataFolder();  // the next start
    EXPECT_EQ(GetDataFolder(), Candidate(1));
    EXPECT_FALSE(FileExists(testFile));
    EXPECT_EQ(RegReadString("pathdata"), "");
    EXPECT_EQ(RegReadInt("pathind", 0), 1);

    ForgetDataFolder();  // later starts only need the folder
    EXPECT_EQ(GetDataFolder(), Candidate(1));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(errorPages.empty());
}

TEST_F(DataFolderChoice, UnwritableCandidatesAreSkippedInOrder) {
    Block(Candidate(1));
    Block(Candidate(2));
    EXPECT_EQ(ChooseDataFolder(), 3);
    EXPECT_EQ(DataFolder(), Candidate(3));
    EXPECT_EQ(RegReadInt("pathind", 0), 3);

    ForgetDataFolder();
    std::filesystem::remove_all(Candidate(3));
    Block(Candidate(3));
    Block(Candidate(4));
    RegRemoveValue("pathind");
    EXPECT_EQ(ChooseDataFolder(), 5);
    EXPECT_EQ(DataFolder(), root / "Temp" + std::string(1, kPathSep) + "Pagewind_Data");
}

TEST_F(DataFolderChoice, MissingParentIsCreatedOneLevel) {
    places.appData = root / "Roaming";  // not there yet
    EXPECT_EQ(ChooseDataFolder(), 1);
    EXPECT_TRUE(FolderExists(Candidate(1)));

    ForgetDataFolder();
    places.appData = JoinPath(root / "Two", "Levels");
    places.installFolder.clear();
    EXPECT_EQ(ChooseDataFolder(), 4);  // 1 and 2 need two missing levels; 3 is unknown
}

TEST_F(DataFolderChoice, BrokenProofLeadsToANewChoice) {
    // Remembered: documents, with a proof whose value is wrong.
    CreateFolder(Candidate(4));
    WriteBytes(JoinPath(Candidate(4), "77"), {1, 2, 3, 4});
    RegWriteInt("pathind", 4);
    RegWriteString("pathdata", "5,77");
    EXPECT_EQ(GetDataFolder(), Candidate(1));
    EXPECT_EQ(RegReadInt("pathind", 0), 1);
    EXPECT_FALSE(FileExists(JoinPath(Candidate(4), "77")));
    EXPECT_NE(RegReadString("pathdata"), "");  // the new choice's proof

    // A value that does not parse breaks the proof, and its test file goes too.
    ForgetDataFolder();
    WriteBytes(JoinPath(Candidate(4), "78"), {1, 2, 3, 4});
    RegWriteInt("pathind", 4);
    RegWriteString("pathdata", "x,78");
    EXPECT_EQ(GetDataFolder(), Candidate(1));
    EXPECT_FALSE(FileExists(JoinPath(Candidate(4), "78")));

    // A proof without a comma is broken as well.
    ForgetDataFolder();
    RegWriteInt("pathind", 4);
    RegWriteString("pathdata", "1234");
    EXPECT_EQ(GetDataFolder(), Candidate(1));
    EXPECT_TRUE(messages.empty());
}

TEST_F(DataFolderChoice, ProofForTheSameCandidateIsDroppedAfterARechoice) {
    RegWriteInt("pathind", 1);
    CreateFolder(Candidate(1));
    RegWriteString("pathdata", "5,x");
    EXPECT_EQ(GetDataFolder(), Candidate(1));
    EXPECT_EQ(RegReadString("pathdata"), "");
}

TEST_F(DataFolderChoice, VanishedFolderAndOddNumbersAreRechosenSilently) {
    RegWriteInt("pathind", 2);  // never created
    EXPECT_EQ(GetDataFolder(), Candidate(1));
    EXPECT_EQ(RegReadInt("pathind", 0), 1);

    for (int odd : {9, -3}) {
        ForgetDataFolder();
        RegWriteInt("pathind", odd);
        EXPECT_EQ(GetDataFolder(), Candidate(1));
    }
    EXPECT_THROW(CandidateFolder(6, places), std::runtime_error);
    try {
        CandidateFolder(0, places);
        ADD_FAILURE() << "no exception for candidate 0";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Wrong pathind");
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(DataFolderChoice, NothingWritableReportsAndFallsBackToTheInstallation) {
    NothingWritable();
    EXPECT_EQ(GetDataFolder(), "");
    EXPECT_EQ(messages, std::vector<std::string>{"Failed to write Data files"});
    EXPECT_EQ(errorPages, (std::vector<int>{101, 103}));
    EXPECT_EQ(RegReadInt("pathind", 0), 0);

    ForgetDataFolder();
    LocateDataFolder();
    EXPECT_EQ(PicListFile(), JoinPath(InstallFolder, "piclist.dat"));
}

TEST_F(DataFolderChoice, RememberedFolderIsNotKeptWhenNoCandidateWorks) {
    RegWriteInt("pathind", 2);  // gone, and nothing else can be written
    NothingWritable();
    EXPECT_EQ(GetDataFolder(), "");
    EXPECT_EQ(errorPages, (std::vector<int>{101, 103}));
}

TEST_F(DataFolderChoice, ForcedChoiceMovesOn) {
    EXPECT_EQ(GetDataFolder(), Candidate(1));
    std::filesystem::remove_all(Candidate(1));
    Block(Candidate(1));
    EXPECT_EQ(ForceNewDataFolder(), Candidate(2));
    EXPECT_EQ(RegReadInt("pathind", 0), 2);
}

TEST(DataFolderMirror, OnlyTheInstallationUnderProgramFilesHasOne) {
    const std::string s(1, kPathSep);
    SystemFolders places;
    places.programFiles = "C:" + s + "Program Files";
    places.localAppData = "C:" + s + "Users" + s + "u" + s + "AppData" + s + "Local";
    const std::string data = "c:" + s + "PROGRAM FILES" + s + "Pagewind" + s + "Data";
    EXPECT_EQ(MirrorFolderFor(3, data, places),
              places.localAppData + s + "VirtualStore" + s + "PROGRAM FILES" + s + "Pagewind" + s + "Data");
    EXPECT_EQ(MirrorFolderFor(1, data, places), "");
    EXPECT_EQ(MirrorFolderFor(3, "D:" + s + "Tools" + s + "Pagewind" + s + "Data", places), "");
    places.programFiles.clear();
    EXPECT_EQ(MirrorFolderFor(3, data, places), "");
}
