#include "library/handle_text.h"

#include "library/settings.h"

std::string HandleText(uintptr_t handle) {
    return std::to_string(static_cast<int32_t>(static_cast<uint32_t>(handle)));
}

uintptr_t HandleFromText(const std::string& text) {
    int64_t value = 0;
    if (!ParseDecimal(text, value)) {
        // Unsigned text above the signed range, up to 4294967295.
        if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
        value = std::stoll(text);
        if (value > 0xFFFFFFFFLL) return 0;
    }
    const auto low = static_cast<int32_t>(static_cast<uint32_t>(value));
    return static_cast<uintptr_t>(static_cast<intptr_t>(low));
}
