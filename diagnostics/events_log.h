#pragma once
#include <cstdint>
#include <string>

// Persistent flags, one per event that has happened at least once; mirrored
// in the registry value "event".
class TmyEventsLog {
public:
    TmyEventsLog();  // reads "event"
    void Mark(int i);
    bool Has(int i) const;
    std::string Text() const;  // the mask in hexadecimal
    uint32_t Mask() const { return mask_; }

private:
    uint32_t mask_ = 0;
};

// Created by InitLibrary; null before.
extern TmyEventsLog* EventsLog;

// Events in use.
constexpr int kEventGlAccelerated = 0;
constexpr int kEventGlNotAccelerated = 1;
