#include "diagnostics/events_log.h"

#include <cstdio>
#include <stdexcept>

#include "library/registry.h"

TmyEventsLog* EventsLog = nullptr;

namespace {
void CheckEvent(int i) {
    if (i < 0 || i > 30) throw std::runtime_error("event>30");
}
}  // namespace

TmyEventsLog::TmyEventsLog() : mask_(static_cast<uint32_t>(RegReadInt("event", 0)) & 0x7FFFFFFFu) {}

void TmyEventsLog::Mark(int i) {
    CheckEvent(i);
    const uint32_t bit = 1u << i;
    if (mask_ & bit) return;
    mask_ |= bit;
    RegWriteInt("event", static_cast<int32_t>(mask_));
}

bool TmyEventsLog::Has(int i) const {
    CheckEvent(i);
    return (mask_ & (1u << i)) != 0;
}

std::string TmyEventsLog::Text() const {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", mask_);
    return buf;
}
