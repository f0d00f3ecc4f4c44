#pragma once
// Where the bug report is written: "BugReport.html" in the data folder, a
// numbered name when one is already there, and other folders when the data
// folder cannot be had or the file cannot be read back.
#include <cstdint>
#include <functional>
#include <string>

struct ReportFileHooks {
    std::function<std::string()> dataFolder;     // empty when asking for it fails
    std::function<std::string()> newDataFolder;  // chosen anew
    std::function<std::string()> appDataFolder;  // the user's application data folder
    std::function<std::string()> programFolder;
    std::function<uint32_t()> randomBelow10000;
    std::function<void(const std::string& text)> message;
};
// The system's folders, the data folder of the library, the process-wide
// random generator and the program's message box.
ReportFileHooks DefaultReportFileHooks();

// Writes the page and returns the file's path; empty when no file could be
// created (after saying so in a message box) or read back.
std::string WriteReportFile(const std::string& page, const ReportFileHooks& hooks);
