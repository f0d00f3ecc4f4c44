#pragma once
#include <cctype>
#include <string>

// Lower-cases the ASCII letters of a text (switches, extensions, paths that
// are compared without regard to case).
inline std::string LowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}
