#include "diagnostics/run_stats.h"

#include <cstdio>

#include "diagnostics/clock.h"
#include "diagnostics/events_log.h"
#include "library/handle_text.h"
#include "library/registry.h"
#include "library/settings.h"

std::function<WindowCheck(uintptr_t)> CheckRunWindow = PlatformCheckWindow;
std::function<void(int)> RunStatsSleep = PlatformSleep;

const char* const kSupportPageAddress = "https://www.pagewind.example/error.php";
const char* const kReportAddress = "https://www.pagewind.example/";
const char* const kDriverHelpAddress = "https://www.pagewind.example/drivers.php";

namespace {
bool anotherInstance = false;
bool windowRecorded = false;
uint32_t startTick = TickCountMs();

int32_t ReadCounter(const char* name) { return RegReadInt(name, 0); }
void Increment(const char* name) { RegWriteInt(name, ReadCounter(name) + 1); }

int Level(int32_t c) {
    if (c <= 0) return 0;
    if (c <= 5) return 1;
    if (c <= 10) return 2;
    if (c <= 20) return 3;
    if (c <= 50) return 4;
    if (c <= 200) return 5;
    if (c <= 500) return 6;
    return 7;
}

int RateClass(double r) {
    if (r <= 0) return 0;
    if (r < 0.01) return 1;
    if (r < 0.05) return 2;
    if (r < 0.1) return 3;
    if (r < 0.2) return 4;
    if (r < 0.5) return 5;
    if (r < 1) return 6;
    return 7;
}
}  // namespace

int StatisticsCode(int32_t count, int32_t er, int32_t uer, int32_t uwer, bool reporting) {
    const int level = Level(count);
    const double c = count <= 0 ? 1.0 : count;
    return level + 8 * RateClass((er + (reporting ? 1 : 0)) / c) + 64 * RateClass(uer / c) +
           512 * RateClass(uwer / c);
}

std::string StatisticsCodeText(int code) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%03X", code & 0xFFF);
    return buf;
}

void UpdateCode(bool excludeCurrent, bool reporting) {
    int32_t c = ReadCounter("count");
    if (excludeCurrent && c > 1) --c;
    const int code = StatisticsCode(c, ReadCounter("er"), ReadCounter("uer"), ReadCounter("uwer"), reporting);
    RegWriteString("ser", StatisticsCodeText(code));
}

bool AnotherInstanceRunning() { return anotherInstance; }

int64_t RunSeconds() { return static_cast<uint32_t>(TickCountMs() - startTick) / 1000; }

std::string ErrorCountersText() {
    std::string text = "ser=" + RegReadString("ser");
    for (const char* name : {"count", "er", "uer", "uwer", "prever"})
        text += std::string(" ") + name + "=" + std::to_string(ReadCounter(name));
    return text + " event=" + (EventsLog ? EventsLog->Text() : RegReadString("event"));
}

void StartRun() {
    anotherInstance = false;
    windowRecorded = false;
    startTick = TickCountMs();
    try {
        if (RegReadString("ver") != kProgramVersion) {
            RegWriteString("ver", kProgramVersion);
            for (const char* name : {"win", "uwer", "uer", "er", "count", "prever"}) RegWriteString(name, "0");
        }

        bool unclean = false;
        bool rereadStarting = true;
        for (int attempt = 1; attempt <= 5; ++attempt) {
            std::string win = RegReadString("win");
            if (win == "-1" && rereadStarting) {
                // A run that is just starting writes its window soon.
                rereadStarting = false;
                RunStatsSleep(1000);
                win = RegReadString("win");
            }
            if (win.empty() || win == "0") break;
            if (win == "-1") {
                Increment("uwer");
                unclean = true;
                break;
            }
            const uintptr_t handle = HandleFromText(win);
            if (handle != 0 && CheckRunWindow(handle) == WindowCheck::OurInstance) {
                anotherInstance = true;
                break;
            }
            if (attempt == 5) {
                Increment("uer");
                unclean = true;
                break;
            }
            RunStatsSleep(1000);
        }

        if (!anotherInstance) RegWriteString("win", "-1");
        Increment("count");
        if (unclean) Increment("prever");
        UpdateCode(true);
    } catch (...) {
        // The statistics must never stop the saver from starting.
    }
}

void RecordWindow(uintptr_t window, bool force) {
    if (anotherInstance || (windowRecorded && !force)) return;
    try {
        RegWriteString("win", HandleText(window));
        windowRecorded = true;
    } catch (...) {
    }
}

void RecordErrorReport() {
    try {
        Increment("prever");
        Increment("er");
        UpdateCode(false);
        if (!anotherInstance) RegWriteString("win", "0");
    } catch (...) {
    }
}

void EndRun() {
    try {
        UpdateCode(false);
        RegWriteString("prever", "0");
        if (!anotherInstance) RegWriteString("win", "0");
    } catch (...) {
    }
}

std::string ErrorPageUrl(int number, uint32_t address, const std::string& comment) {
    std::string url = std::string(kSupportPageAddress) + "?error=" + std::to_string(number);
    if (address != 0) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08X", address);
        url += "&eradr=";
        url += hex;
    }
    if (!comment.empty()) url += "&comment=" + comment;
    return url;
}
