// Stands in for MPR.DLL beside Pagewind.scr: records the password-change
// call it receives as "PROVIDER HANDLE" (the handle as a signed decimal) in
// mpr_call.txt next to itself.
#include <windows.h>

#include <cstdio>
#include <string>

extern "C" __declspec(dllexport) DWORD WINAPI PwdChangePasswordA(LPCSTR provider, HWND parent, DWORD, DWORD) {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&PwdChangePasswordA), &self);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(self, path, MAX_PATH);
    std::string file = path;
    file = file.substr(0, file.find_last_of('\\') + 1) + "mpr_call.txt";
    if (FILE* f = std::fopen(file.c_str(), "w")) {
        std::fprintf(f, "%s %ld\n", provider ? provider : "(null)", HandleToLong(parent));
        std::fclose(f);
    }
    return 0;
}
