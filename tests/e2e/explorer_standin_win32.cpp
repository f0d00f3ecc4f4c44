// Stands in for the crash report's viewer, explorer.exe in the Windows
// folder: the tests copy it there for their duration (and build it as
// explorer.exe, so that beside the test programs it is also a planted
// program that must not be started). Appends its command line, its desktop
// and its own path to the file named by PW_EXPLORER_LOG (else
// explorer_call.txt next to itself), then stays for PW_EXPLORER_STAY_MS
// milliseconds (default 0), or until the program that started it has ended.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
std::string Env(const char* name) {
    char value[1024] = {};
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? value : "";
}

DWORD ParentProcessId() {
    const DWORD self = GetCurrentProcessId();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    DWORD parent = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ProcessID == self) parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    return parent;
}
}  // namespace

int main() {
    std::string log = Env("PW_EXPLORER_LOG");
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (log.empty()) {
        log = self;
        log = log.substr(0, log.find_last_of('\\') + 1) + "explorer_call.txt";
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    if (FILE* f = std::fopen(log.c_str(), "a")) {
        std::fprintf(f, "%s\n%s\n%s\n", GetCommandLineA(), startup.lpDesktop ? startup.lpDesktop : "(none)", self);
        std::fclose(f);
    }
    const DWORD stay = static_cast<DWORD>(std::strtoul(Env("PW_EXPLORER_STAY_MS").c_str(), nullptr, 10));
    if (stay == 0) return 0;
    HANDLE parent = OpenProcess(SYNCHRONIZE, FALSE, ParentProcessId());
    if (parent) {
        WaitForSingleObject(parent, stay);
        CloseHandle(parent);
    } else {
        Sleep(stay);
    }
    return 0;
}
