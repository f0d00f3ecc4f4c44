#pragma once
// The program's texts are bytes in its code page (UTF-8 where the system
// honours the manifest); the system's wide calls take UTF-16.
#include <windows.h>

#include <string>

// `text` read in code page `page` as UTF-16 (empty when it cannot be read).
std::wstring WideText(const std::string& text, UINT page = CP_ACP);
// UTF-16 as bytes of code page `page`.
std::string NarrowText(const std::wstring& text, UINT page = CP_ACP);

// A file-system path for the system's wide calls. Paths from MAX_PATH - 12
// units on (the limit for a folder; MAX_PATH for a file) work only in the
// "\\?\" form, which the system takes literally: it is made from the full,
// normalised path ("\\?\UNC\" for a network path). Shorter paths are only
// widened.
std::wstring SystemPath(const std::string& path);
