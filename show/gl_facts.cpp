#include "show/gl_facts.h"

#include <cctype>
#include <cstring>

#include "diagnostics/events_log.h"

GLFacts RecordedGLFacts;

void StoreGLFacts(const char* version, const std::string& driverKind, const char* renderer, const char* vendor) {
    auto text = [](const char* s) { return std::string(s ? s : ""); };
    RecordedGLFacts.version = text(version);
    RecordedGLFacts.driverKind = driverKind;
    RecordedGLFacts.accelerator = text(renderer) + " (" + text(vendor) + ")";
    if (!EventsLog) return;
    if (driverKind == "No") {
        EventsLog->Mark(kEventGlNotAccelerated);
    } else if (driverKind == "ICD" || driverKind == "MCD") {
        EventsLog->Mark(kEventGlAccelerated);
    }
}

bool ParseGLVersion(const char* text, int& major, int& minor) {
    if (!text) return false;
    const char* p = text;
    auto number = [&p](int& out) {
        if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
        long v = 0;
        while (std::isdigit(static_cast<unsigned char>(*p))) {
            if (v < 100000) v = v * 10 + (*p - '0');
            ++p;
        }
        out = static_cast<int>(v);
        return true;
    };
    if (!number(major) || *p != '.') return false;
    ++p;
    return number(minor);
}

bool HasExtensionWord(const char* list, const char* name) {
    if (!list || !name || !*name) return false;
    const size_t n = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n) {
        const bool startOk = p == list || p[-1] == ' ';
        const bool endOk = p[n] == '\0' || p[n] == ' ';
        if (startOk && endOk) return true;
    }
    return false;
}
