#include "app/command_line.h"

#include <algorithm>
#include <cctype>

#include "library/handle_text.h"
#include "library/text_case.h"

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    std::string sw = args.size() > 0 ? args[0] : std::string();
    std::string handle = args.size() > 1 ? args[1] : std::string();
    const size_t colon = sw.find(':');
    if (colon != std::string::npos) {
        handle = sw.substr(colon + 1);
        sw = sw.substr(0, colon);
    }
    if (!sw.empty()) sw.erase(0, 1);
    cl.switchText = LowerCase(sw);
    cl.handleText = LowerCase(handle);
    cl.parentHandle = HandleFromText(cl.handleText);
    return cl;
}

RunMode SelectRunMode(const std::string& switchText, bool runSettingsPending) {
    if (switchText == "s") return runSettingsPending ? RunMode::Settings : RunMode::Show;
    if (switchText == "c" || switchText.empty()) return RunMode::Settings;
    if (switchText == "p") return RunMode::Preview;
    if (switchText == "a") return RunMode::ChangePassword;
    return RunMode::None;
}
