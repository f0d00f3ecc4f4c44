#include "settings_ui/focus_table.h"

#include <stdexcept>
#include <string>

void FocusTable::Reset() {
    windows_.fill(0);
    byId_.fill(-1);
    count_ = 0;
}

void FocusTable::Register(int32_t id, uintptr_t window) {
    if (count_ >= kCapacity || id < 0 || id > kMaxId)
        throw std::runtime_error("focus=" + std::to_string(count_) + ", id=" + std::to_string(id));
    windows_[count_] = window;
    byId_[id] = count_;
    ++count_;
}

uintptr_t FocusTable::Find(int32_t id) const {
    if (id < 0 || id > kMaxId || byId_[id] < 0) return 0;
    return windows_[byId_[id]];
}

uintptr_t FocusTable::At(int32_t order) const {
    return order >= 0 && order < count_ ? windows_[order] : 0;
}
