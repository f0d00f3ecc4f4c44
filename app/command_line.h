#pragma once
// The screen-saver command line: /s show, /c or nothing settings, /p HWND
// preview, /a HWND password change.
#include <cstdint>
#include <string>
#include <vector>

enum class RunMode { None, Show, Settings, Preview, ChangePassword };

struct CommandLine {
    std::string switchText;  // lower case, without its first character
    std::string handleText;
    uintptr_t parentHandle = 0;  // the window handle the text names, or 0
};

// `args` are the arguments after the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);
// The mode for a parsed switch; a pending run-settings request turns the
// show into the settings window.
RunMode SelectRunMode(const std::string& switchText, bool runSettingsPending);
