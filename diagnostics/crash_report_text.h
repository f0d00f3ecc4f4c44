#pragma once
// The bug report's text and page, built from facts the platform layer
// gathered. Nothing here touches the system, so the layout is the same on
// every target and is tested natively.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct CrashRegister {
    const char* name;  // "EAX" ... "ESP", or "RAX" ... "RSP" in the 64-bit build
    uint64_t value;
};

struct CrashFacts {
    std::string message;
    std::string className;
    bool nullContext = false;  // no processor context of the failure
    uint64_t address = 0;
    int addressDigits = 8;     // hexadecimal digits of an address: 8, or 16 in the 64-bit build
    uint32_t flags = 0;        // the caller's phase flags
    uint32_t versionWord = 0;  // one byte per part from the top
    std::string system;        // each of these is "failed" or "err" when it could not be worked out
    std::string processor;
    std::string memory;
    std::string errstat;
    int64_t worktimeSeconds = 0;
    std::string glVersion, glAcceleration, glAccelerator;
    int32_t screenWidth = 0, screenHeight = 0;
    std::vector<std::string> callerTexts;  // at most two are printed
    std::optional<uint32_t> mainThreadWithoutInstance;  // "hinst=0, main=" when the instance handle is 0
    std::vector<CrashRegister> registers;
    struct Access {
        bool write;
        uint64_t address;
    };
    std::optional<Access> accessViolation;
    std::optional<uint64_t> frame;
    std::string stackTrace;  // call sites joined with ",", or "failed"
    std::vector<uint8_t> stack;  // from the stack pointer upward
    bool stackReadFailed = false;
};

// Report lines per dump of the raw stack, 16 bytes each.
constexpr int kStackDumpLines = 20;
constexpr int kStackDumpBytes = 16 * kStackDumpLines;

// The phase flags that mean a failure outside the OpenGL show.
constexpr uint32_t kFlagsWithoutGl = 0x20 | 0x40;

std::string HexDigits(uint64_t value, int digits);  // upper case, zero-padded
std::string VersionText(uint32_t versionWord);      // 0x01040101 gives "1.4.1.1"
std::string JoinCallSites(const std::vector<uint64_t>& sites, int digits);

// "Windows NT 6.1 Build: 7601 Service Pack 1"; other platforms keep only the
// low 16 bits of the build.
std::string SystemText(bool nt, uint32_t major, uint32_t minor, uint32_t build, const std::string& servicePack);
// The clock snapped within its hundred to the nearest of 0, 20, 33, 50, 60,
// 66, 80, 90 and 100 megahertz; an exact tie goes to the higher.
int SnapMegahertz(int mhz);
// The maker's name from the CPUID vendor text ("GenuineIntel" gives "Intel";
// "Unknown" for others).
std::string ProcessorMaker(const std::string& vendorId);
// "2x " when there is more than one, the name, ", ", the clock and " MHz".
std::string ProcessorText(uint32_t processors, const std::string& name, int mhz);
std::string MemoryText(uint64_t availableMb, uint64_t totalMb, uint64_t processKb, uint64_t managerUsedKb,
                       uint64_t managerTotalKb);

// The length of the call instruction that ends at a return address, from
// the 8 bytes before it (bytes[7] is the last one); 0 when none is
// recognised.
int CallLengthBefore(const uint8_t bytes[8]);

// The image's code section from its headers in memory: start = base + base
// of code, end = start + size of code. Throws "Not a valid MZ-file!" or "Not
// a valid PE-file!".
struct CodeRange {
    uint64_t start = 0;
    uint64_t end = 0;
    bool Contains(uint64_t address) const { return address >= start && address < end; }
};
CodeRange CodeRangeOfImage(const uint8_t* image, uint64_t base);

// The text area's lines, each ending in CR LF.
std::string ReportText(const CrashFacts& facts);
// The whole page, with the report text escaped for the text area. The form
// posts to `reportAddress` + "bugreport.php". `charset` names the character
// set the texts are in ("utf-8", "windows-1252"), which the page declares.
std::string ReportPage(const std::string& reportText, const std::string& reportAddress, const std::string& charset);
