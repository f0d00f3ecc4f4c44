#pragma once
// The settings window's keyboard-focus table: the controls in the order they
// were registered, and an index from control id to registration.
#include <array>
#include <cstdint>

class FocusTable {
public:
    static constexpr int32_t kCapacity = 199;
    static constexpr int32_t kMaxId = 199;

    FocusTable() { Reset(); }
    // Forgets every window (the settings window is being built anew).
    void Reset();
    // Appends a window under its control id; an id registered again points to
    // the later window. Throws std::runtime_error "focus=<count>, id=<id>"
    // (count: the windows registered so far) when the table is full or the id
    // lies outside 0..199.
    void Register(int32_t id, uintptr_t window);
    // The window registered under id, or 0.
    uintptr_t Find(int32_t id) const;
    int32_t Count() const { return count_; }
    // The window registered in position `order` (0-based), or 0.
    uintptr_t At(int32_t order) const;

private:
    std::array<uintptr_t, kCapacity> windows_{};
    std::array<int32_t, kMaxId + 1> byId_{};
    int32_t count_ = 0;
};
