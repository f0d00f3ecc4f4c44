// Stands in for PASSWORD.CPL beside Pagewind.scr: the screen-saver password
// check refuses the first time and accepts after that. Every call is counted
// in password_calls.txt next to the library.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {
std::string CountFile() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&CountFile), &self);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(self, path, MAX_PATH);
    std::string file = path;
    return file.substr(0, file.find_last_of('\\') + 1) + "password_calls.txt";
}
}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND) {
    const std::string file = CountFile();
    int calls = 0;
    if (FILE* f = std::fopen(file.c_str(), "r")) {
        if (std::fscanf(f, "%d", &calls) != 1) calls = 0;
        std::fclose(f);
    }
    ++calls;
    if (FILE* f = std::fopen(file.c_str(), "w")) {
        std::fprintf(f, "%d\n", calls);
        std::fclose(f);
    }
    return calls > 1;
}
