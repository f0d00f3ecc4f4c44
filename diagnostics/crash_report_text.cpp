#include "diagnostics/crash_report_text.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace {

constexpr const char* kEol = "\r\n";

uint32_t Read32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// Text-area content: "&" and "<" would otherwise be taken as markup (an
// exception message quoting "</TEXTAREA>" would end the form early).
std::string EscapeForTextArea(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

void Line(std::string& out, const std::string& text) { out += text + kEol; }

}  // namespace

std::string HexDigits(uint64_t value, int digits) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%0*llX", digits, static_cast<unsigned long long>(value));
    return buf;
}

std::string VersionText(uint32_t w) {
    return std::to_string(w >> 24) + "." + std::to_string(w >> 16 & 0xFF) + "." + std::to_string(w >> 8 & 0xFF) +
           "." + std::to_string(w & 0xFF);
}

std::string JoinCallSites(const std::vector<uint64_t>& sites, int digits) {
    std::string text;
    for (const uint64_t site : sites) {
        if (!text.empty()) text += ",";
        text += HexDigits(site, digits);
    }
    return text;
}

std::string SystemText(bool nt, uint32_t major, uint32_t minor, uint32_t build, const std::string& servicePack) {
    return std::string(nt ? "Windows NT " : "Windows ") + std::to_string(major) + "." + std::to_string(minor) +
           " Build: " + std::to_string(nt ? build : build & 0xFFFF) + " " + servicePack;
}

int SnapMegahertz(int mhz) {
    static const int kSteps[] = {0, 20, 33, 50, 60, 66, 80, 90, 100};
    const int hundreds = mhz / 100 * 100;
    const int rest = mhz - hundreds;
    int best = 0;
    for (const int step : kSteps)
        if (std::abs(rest - step) <= std::abs(rest - best)) best = step;  // later (higher) wins a tie
    return hundreds + best;
}

std::string ProcessorMaker(const std::string& vendorId) {
    if (vendorId == "GenuineIntel") return "Intel";
    if (vendorId == "AuthenticAMD" || vendorId == "AMDisbetter!") return "AMD";
    if (vendorId == "CyrixInstead") return "Cyrix";
    if (vendorId == "GenuineTMx86" || vendorId == "TransmetaCPU") return "Transmeta";
    return "Unknown";
}

std::string ProcessorText(uint32_t processors, const std::string& name, int mhz) {
    std::string text = processors > 1 ? std::to_string(processors) + "x " : std::string();
    return text + name + ", " + std::to_string(mhz) + " MHz";
}

std::string MemoryText(uint64_t availableMb, uint64_t totalMb, uint64_t processKb, uint64_t managerUsedKb,
                       uint64_t managerTotalKb) {
    return std::to_string(availableMb) + " of " + std::to_string(totalMb) + " MB, Allocated " +
           std::to_string(processKb) + " (" + std::to_string(managerUsedKb) + " of " +
           std::to_string(managerTotalKb) + ") KB";
}

int CallLengthBefore(const uint8_t b[8]) {
    // b[7] is the byte just before the return address.
    if (b[3] == 0xE8) return 5;  // call rel32
    // call [disp32] (RIP-relative in 64-bit code), call [reg+disp32]
    if (b[2] == 0xFF && (b[3] == 0x15 || ((b[3] & 0xF8) == 0x90 && b[3] != 0x94))) return 6;
    if (b[1] == 0xFF && b[2] == 0x94) return 7;  // call [base+index*s+disp32]
    // call reg, call [reg]
    if (b[6] == 0xFF && ((b[7] & 0xF8) == 0xD0 || ((b[7] & 0xF8) == 0x10 && b[7] != 0x14 && b[7] != 0x15)))
        return 2;
    // call [reg+disp8], call [base+index*s]
    if (b[5] == 0xFF && (((b[6] & 0xF8) == 0x50 && b[6] != 0x54) || b[6] == 0x14)) return 3;
    if (b[4] == 0xFF && b[5] == 0x54) return 4;  // call [base+index*s+disp8]
    return 0;
}

CodeRange CodeRangeOfImage(const uint8_t* image, uint64_t base) {
    if (image[0] != 'M' || image[1] != 'Z') throw std::runtime_error("Not a valid MZ-file!");
    const uint8_t* pe = image + Read32(image + 0x3C);
    if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) throw std::runtime_error("Not a valid PE-file!");
    const uint8_t* optional = pe + 24;  // after the signature and the file header
    CodeRange range;
    range.start = base + Read32(optional + 20);  // BaseOfCode
    range.end = range.start + Read32(optional + 4);  // SizeOfCode
    return range;
}

std::string ReportText(const CrashFacts& f) {
    std::string out;
    Line(out, "Exception: " + f.message);
    if (f.nullContext) Line(out, "null context");
    Line(out, "Exception class: " + f.className);
    Line(out, "Exception address: " + HexDigits(f.address, f.addressDigits));
    Line(out, "App mode: " + std::to_string(f.flags));
    Line(out, "App version: " + VersionText(f.versionWord));
    Line(out, "System: " + f.system);
    Line(out, "Processor: " + f.processor);
    Line(out, "Memory: " + f.memory);
    Line(out, "Errstat: " + f.errstat);
    Line(out, "Worktime: " + std::to_string(f.worktimeSeconds));
    if (!(f.flags & kFlagsWithoutGl)) {
        Line(out, "OpenGL version: " + f.glVersion);
        Line(out, "Hardware Aceleration: " + f.glAcceleration);
        Line(out, "Graphics Accelerator: " + f.glAccelerator);
    }
    Line(out, "Resolution: " + std::to_string(f.screenWidth) + "x" + std::to_string(f.screenHeight));
    for (size_t i = 0; i < f.callerTexts.size() && i < 2; ++i)
        if (!f.callerTexts[i].empty()) Line(out, f.callerTexts[i]);
    if (f.mainThreadWithoutInstance) Line(out, "hinst=0, main=" + std::to_string(*f.mainThreadWithoutInstance));
    Line(out, "");
    Line(out, "Registers:");
    std::string registers;
    for (const CrashRegister& r : f.registers) {
        if (!registers.empty()) registers += " ";
        registers += std::string(r.name) + "=" + HexDigits(r.value, f.addressDigits);
    }
    Line(out, registers);
    if (f.accessViolation)
        Line(out, std::string("ExceptionInfo: Error when ") + (f.accessViolation->write ? "write to " : "read from ") +
                      HexDigits(f.accessViolation->address, f.addressDigits));
    if (f.frame) Line(out, "Frame: " + HexDigits(*f.frame, f.addressDigits));
    Line(out, "StackTrace: " + f.stackTrace);
    out += "Raw stack dump: ";
    out += kEol;
    const size_t bytes = f.stack.size() < kStackDumpBytes ? f.stack.size() : kStackDumpBytes;
    for (size_t start = 0; start < bytes; start += 16) {
        std::string row;
        for (size_t i = start; i < start + 16 && i < bytes; ++i) {
            if (i == start + 8) row += "- ";
            row += HexDigits(f.stack[i], 2) + " ";
        }
        Line(out, row);
    }
    if (f.stackReadFailed) Line(out, "Error");
    return out;
}

std::string ReportPage(const std::string& reportText, const std::string& reportAddress, const std::string& charset) {
    std::string page;
    Line(page, "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + charset +
                   "\"><title>Exception report: Pagewind</title></head><BODY>");
    Line(page,
         "An error has occurred in Pagewind. To let us know about the error and thus help us fix it, just send "
         "this report using \"Send Report\" button.<BR><BR>");
    Line(page, "<FORM action=\"" + reportAddress + "bugreport.php\" method=post>");
    Line(page, "Contact email (optional):<BR><INPUT id=email size=47 name=email><BR><BR>");
    Line(page, "Exception information: (do not edit)<BR>");
    Line(page, "<TEXTAREA id=message name=message rows=11 wrap=PHYSICAL cols=60>");
    page += EscapeForTextArea(reportText);
    Line(page, "");
    Line(page, "");
    Line(page, "</TEXTAREA><BR><BR>");
    Line(page, "");
    Line(page, "");
    Line(page, "<INPUT type=submit value=\"Send Report\" name=Submit>");
    Line(page, "</FORM>");
    Line(page, "</BODY></html>");
    return page;
}
