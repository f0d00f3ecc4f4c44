// The crash report's process-wide state and the report of a caught C++
// exception; the same on every target.
#include <cxxabi.h>

#include <atomic>
#include <cstdlib>
#include <exception>
#include <memory>

#include "diagnostics/crash_report.h"
#include "diagnostics/throw_site.h"

namespace {
std::atomic<uint32_t> phaseFlags{0};
std::atomic<CrashRunMode> runMode{CrashRunMode::Show};
}  // namespace

uint32_t CrashPhaseFlags() { return phaseFlags.load(); }
void AddCrashPhase(uint32_t flags) { phaseFlags.fetch_or(flags); }
void RemoveCrashPhase(uint32_t flags) { phaseFlags.fetch_and(~flags); }

void SetCrashRunMode(CrashRunMode mode) { runMode = mode; }

const char* CrashRunModeWord() {
    switch (runMode.load()) {
        case CrashRunMode::Settings: return "Settings";
        case CrashRunMode::Preview: return "Preview";
        case CrashRunMode::Show: break;
    }
    return "Show";
}

std::string ExceptionClassName(const std::type_info& type) {
    int status = 0;
    const std::unique_ptr<char, void (*)(void*)> readable(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                          std::free);
    return status == 0 && readable ? std::string(readable.get()) : std::string(type.name());
}

void ReportCurrentException(uint32_t flags) {
    std::string message = "unknown exception";
    std::string className = "unknown";
    try {
        if (const std::exception_ptr current = std::current_exception()) std::rethrow_exception(current);
    } catch (const std::exception& e) {
        message = e.what();
        className = ExceptionClassName(typeid(e));
    } catch (...) {
    }
    // Rethrowing above passes no new throw: the site is still the original's.
    const ThrowSite& site = LastThrowSite();
    std::vector<std::string> extra;
    if (const std::string trace = BackTraceLine(site); !trace.empty()) extra.push_back(trace);
    ReportFatal(message, className, site.address, flags, extra);
}
