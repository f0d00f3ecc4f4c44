#pragma once
// Texts that files and values written by earlier versions hold as bytes in
// the system's ANSI code page (the names in piclist.dat, the caption font's
// face name). The program itself now works in UTF-8 where the system honours
// its manifest, so such bytes are turned into UTF-8 as they are read. A text
// that already is valid UTF-8 (every ASCII text is) stays as it is, so lists
// written by this version pass unchanged. The stored formats do not change.
#include <string>

// True when the bytes form valid UTF-8: no stray continuation bytes, no
// overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(const std::string& text);

// The stored bytes as the program's own text: unchanged unless the program
// runs in UTF-8 on a system whose ANSI code page is another one and the
// bytes are not UTF-8; then converted from that code page.
std::string TextFromStore(std::string bytes);

// Whether stored texts may need converting here, and the conversion from
// the system's ANSI code page to UTF-8 (the platform's part).
bool StoredTextMayNeedConverting();
std::string SystemCodePageToUtf8(const std::string& bytes);
