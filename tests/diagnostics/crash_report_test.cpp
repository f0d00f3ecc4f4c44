// The bug report's text, page and file; the Windows side that gathers the
// facts is tested whole by tests/e2e/crash_report.sh.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "diagnostics/crash_report_file.h"
#include "diagnostics/crash_report_text.h"

namespace {

CrashFacts SampleFacts() {
    CrashFacts f;
    f.message = "incorrect pps, 3";
    f.className = "std::runtime_error";
    f.address = 0x401234;
    f.flags = 0x12;
    f.versionWord = 0x01040101;
    f.system = SystemText(true, 6, 1, 7601, "Service Pack 1");
    f.processor = ProcessorText(2, "Intel(R) Core(TM)", SnapMegahertz(2398));
    f.memory = MemoryText(1000, 4096, 5120, 300, 1024);
    f.errstat = "ser=022 count=7";
    f.worktimeSeconds = 95;
    f.glVersion = "4.5 Mesa";
    f.glAcceleration = "ICD";
    f.glAccelerator = "llvmpipe (Mesa)";
    f.screenWidth = 1920;
    f.screenHeight = 1080;
    f.callerTexts = {"Back trace: 00401234", "second", "third is dropped"};
    f.registers = {{"EAX", 1}, {"EBX", 2}, {"ECX", 3}, {"EDX", 4}, {"ESI", 5}, {"EDI", 6}, {"EBP", 7}, {"ESP", 8}};
    f.accessViolation = CrashFacts::Access{true, 0};
    f.frame = 0x12FF80;
    f.stackTrace = JoinCallSites({0x401000, 0x402000}, 8);
    for (int i = 0; i < 20; ++i) f.stack.push_back(static_cast<uint8_t>(i));
    return f;
}

TEST(CrashReportText, LinesInTheirOrder) {
    EXPECT_EQ(ReportText(SampleFacts()),
              "Exception: incorrect pps, 3\r\n"
              "Exception class: std::runtime_error\r\n"
              "Exception address: 00401234\r\n"
              "App mode: 18\r\n"
              "App version: 1.4.1.1\r\n"
              "System: Windows NT 6.1 Build: 7601 Service Pack 1\r\n"
              "Processor: 2x Intel(R) Core(TM), 2400 MHz\r\n"
              "Memory: 1000 of 4096 MB, Allocated 5120 (300 of 1024) KB\r\n"
              "Errstat: ser=022 count=7\r\n"
              "Worktime: 95\r\n"
              "OpenGL version: 4.5 Mesa\r\n"
              "Hardware Aceleration: ICD\r\n"
              "Graphics Accelerator: llvmpipe (Mesa)\r\n"
              "Resolution: 1920x1080\r\n"
              "Back trace: 00401234\r\n"
              "second\r\n"
              "\r\n"
              "Registers:\r\n"
              "EAX=00000001 EBX=00000002 ECX=00000003 EDX=00000004 ESI=00000005 EDI=00000006 EBP=00000007 "
              "ESP=00000008\r\n"
              "ExceptionInfo: Error when write to 00000000\r\n"
              "Frame: 0012FF80\r\n"
              "StackTrace: 00401000,00402000\r\n"
              "Raw stack dump: \r\n"
              "00 01 02 03 04 05 06 07 - 08 09 0A 0B 0C 0D 0E 0F \r\n"
              "10 11 12 13 \r\n");
}

TEST(CrashReportText, WhatDependsOnTheFailure) {
    // Outside the OpenGL show (flag 32 or 64) there are no OpenGL lines;
    // without a context it says so; the 64-bit build prints 16 digits.
    CrashFacts f = SampleFacts();
    f.flags = 0x22;
    f.nullContext = true;
    f.addressDigits = 16;
    f.registers = {{"RAX", 0x1122334455667788}};
    f.accessViolation = CrashFacts::Access{false, 0xFFFF800000000000};
    f.mainThreadWithoutInstance = 77;
    f.stack.assign(400, 0xAB);
    f.stackReadFailed = true;
    const std::string text = ReportText(f);
    EXPECT_EQ(text.find("OpenGL"), std::string::npos);
    EXPECT_EQ(ReportText(SampleFacts()).find("null context"), std::string::npos);
    EXPECT_NE(text.find("Exception: incorrect pps, 3\r\nnull context\r\nException class: "), std::string::npos);
    EXPECT_NE(text.find("\r\nException address: 0000000000401234\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nhinst=0, main=77\r\n\r\nRegisters:\r\nRAX=1122334455667788\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nExceptionInfo: Error when read from FFFF800000000000\r\n"), std::string::npos);
    const std::string dump = text.substr(text.find("Raw stack dump: \r\n") + 18);
    std::string row;
    for (int i = 0; i < 8; ++i) row += "AB ";
    row = row + "- " + row + "\r\n";
    std::string expected;
    for (int i = 0; i < kStackDumpLines; ++i) expected += row;
    EXPECT_EQ(dump, expected + "Error\r\n");
}

TEST(CrashReportText, ThePagePostsTheEscapedText) {
    const std::string page =
        ReportPage("Exception: <b>&</TEXTAREA>\r\n", "https://reports.example/", "windows-1253");
    EXPECT_EQ(page.find("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1253\">"
                        "<title>Exception report: Pagewind</title></head><BODY>\r\n"),
              0u);
    EXPECT_NE(page.find("\r\n<FORM action=\"https://reports.example/bugreport.php\" method=post>\r\n"),
              std::string::npos);
    EXPECT_NE(page.find("<TEXTAREA id=message name=message rows=11 wrap=PHYSICAL cols=60>\r\n"
                        "Exception: &lt;b&gt;&amp;&lt;/TEXTAREA&gt;\r\n\r\n\r\n</TEXTAREA><BR><BR>\r\n"),
              std::string::npos);
    EXPECT_NE(page.find("<INPUT type=submit value=\"Send Report\" name=Submit>\r\n</FORM>\r\n</BODY></html>\r\n"),
              std::string::npos);
}

TEST(CrashReportFacts, ClockSnapAndCallLengths) {
    EXPECT_EQ(SnapMegahertz(2394), 2390);
    EXPECT_EQ(SnapMegahertz(1664), 1666);
    EXPECT_EQ(SnapMegahertz(1655), 1660);  // a tie goes to the higher
    EXPECT_EQ(SnapMegahertz(1010), 1020);
    EXPECT_EQ(SnapMegahertz(1041), 1033);
    EXPECT_EQ(SnapMegahertz(1097), 1100);

    struct Call {
        std::vector<uint8_t> bytes;  // the last bytes before the return address
        int length;
    };
    for (const Call& c : std::vector<Call>{{{0xE8, 1, 2, 3, 4}, 5},
                                           {{0xFF, 0x15, 1, 2, 3, 4}, 6},
                                           {{0xFF, 0x94, 0x24, 1, 2, 3, 4}, 7},
                                           {{0xFF, 0xD0}, 2},
                                           {{0xFF, 0x55, 0x08}, 3},
                                           {{0xFF, 0x54, 0x24, 0x08}, 4},
                                           {{0x90, 0x90}, 0}}) {
        uint8_t before[8] = {0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90};
        std::copy(c.bytes.begin(), c.bytes.end(), before + 8 - c.bytes.size());
        EXPECT_EQ(CallLengthBefore(before), c.length) << c.length;
    }
}

class CrashReportFile : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = std::filesystem::temp_directory_path() /
                ("pw_crash_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        std::filesystem::create_directories(root_ / "data");
        std::filesystem::create_directories(root_ / "appdata");
        hooks_.dataFolder = [this] { return dataFolder_; };
        hooks_.newDataFolder = [this] { return newDataFolder_; };
        hooks_.appDataFolder = [this] { return (root_ / "appdata").string(); };
        hooks_.programFolder = [this] { return (root_ / "program").string(); };
        hooks_.randomBelow10000 = [this] { return draws_.empty() ? 0u : Draw(); };
        hooks_.message = [this](const std::string& text) { messages_.push_back(text); };
        dataFolder_ = (root_ / "data").string();
    }
    void TearDown() override { std::filesystem::remove_all(root_); }
    uint32_t Draw() {
        const uint32_t d = draws_.front();
        draws_.erase(draws_.begin());
        return d;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path root_;
    ReportFileHooks hooks_;
    std::string dataFolder_, newDataFolder_;
    std::vector<uint32_t> draws_;
    std::vector<std::string> messages_;
};

TEST_F(CrashReportFile, NumberedNamesBesideEarlierReportsAndFallbackFolders) {
    const std::string page = "<html>a report that is long enough</html>";
    const std::string first = WriteReportFile(page, hooks_);
    EXPECT_EQ(first, (root_ / "data" / "BugReport.html").string());
    EXPECT_EQ(Read(first), page);

    draws_ = {17, 17, 4242};  // the second 17 is taken by then: another draw
    EXPECT_EQ(WriteReportFile("second report, also long enough", hooks_), (root_ / "data" / "BugReport17.html").string());
    EXPECT_EQ(WriteReportFile("third report, also long enough!", hooks_),
              (root_ / "data" / "BugReport4242.html").string());
    EXPECT_EQ(Read(first), page);  // the earlier report is kept

    // No data folder: the application data folder's product folder is made.
    dataFolder_.clear();
    EXPECT_EQ(WriteReportFile(page, hooks_), (root_ / "appdata" / "Pagewind" / "BugReport.html").string());
    hooks_.appDataFolder = [] { return std::string(); };
    std::filesystem::create_directories(root_ / "program");
    EXPECT_EQ(WriteReportFile(page, hooks_), (root_ / "program" / "BugReport.html").string());

    // A report that cannot be created is announced, and there is no file.
    hooks_.programFolder = [this] { return (root_ / "nowhere" / "deeper").string(); };
    EXPECT_EQ(WriteReportFile(page, hooks_), "");
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0],
              "Failed to create bugreport file \"" + (root_ / "nowhere" / "deeper" / "BugReport.html").string() + "\"");
}

TEST_F(CrashReportFile, AFileThatDoesNotReadBackIsWrittenAgainInANewDataFolder) {
    // A page shorter than the 21 bytes the check reads back stands for a file
    // the system took but cannot give back.
    newDataFolder_ = (root_ / "new").string();
    std::filesystem::create_directories(newDataFolder_);
    EXPECT_EQ(WriteReportFile("short", hooks_), "");
    EXPECT_TRUE(std::filesystem::exists(root_ / "new" / "BugReport.html"));
}

}  // namespace
