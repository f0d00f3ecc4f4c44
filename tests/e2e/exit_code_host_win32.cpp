// Runs a program and ends with its Windows exit code, as GetExitCodeProcess
// reports it: the code a Windows parent sees. (Wine's own exit status for a
// process that ends from a second thread can be a kill signal instead.)
// Usage: exit_code_host PROGRAM [ARGUMENTS...]
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string command = std::string("\"") + argv[1] + "\"";
    for (int i = 2; i < argc; ++i) command += std::string(" ") + argv[i];
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 255;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 255;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}
