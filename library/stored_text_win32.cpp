#include <windows.h>

#include <string>

#include "library/stored_text.h"
#include "library/wide_text_win32.h"

namespace {
// The system's ANSI code page, which the program's own (GetACP) replaces
// when the manifest's UTF-8 setting is honoured.
UINT SystemAnsiCodePage() {
    DWORD page = 0;
    if (!GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                        reinterpret_cast<LPWSTR>(&page), sizeof page / sizeof(WCHAR)))
        return CP_ACP;
    return page;
}
}  // namespace

bool StoredTextMayNeedConverting() {
    static const bool differ = GetACP() == CP_UTF8 && SystemAnsiCodePage() != CP_UTF8 &&
                               SystemAnsiCodePage() != CP_ACP;
    return differ;
}

std::string SystemCodePageToUtf8(const std::string& bytes) {
    const std::wstring text = WideText(bytes, SystemAnsiCodePage());
    return text.empty() ? bytes : NarrowText(text, CP_UTF8);
}
