#include "settings_ui/photos_tab_rules.h"

#include <algorithm>

void SlotTable::Reset() {
    entries_.assign(kMaxSlot + 1, 0);
    mark_ = 0;
}

int32_t SlotTable::EntryOf(int32_t slot) const {
    if (slot < 0 || slot > kMaxSlot) return 0;
    return entries_[static_cast<size_t>(slot)];
}

bool SlotTable::Map(int32_t slot, int32_t entry) {
    if (slot < 0 || slot > kMaxSlot || entry < 0 || entry > 0xFFFF) return false;
    entries_[static_cast<size_t>(slot)] = static_cast<uint16_t>(entry);
    mark_ = std::max(mark_, slot);
    return true;
}

int32_t SlotTable::SlotForNewFolder(int32_t entry) {
    if (entry < 1 || entry > 0xFFFF) return -1;
    int32_t slot = -1;
    if (mark_ < entry) {
        // Slots still run with the entries: keep them in step.
        slot = entry == mark_ + 1 ? mark_ + 1 : entry;
    } else {
        for (int32_t s = 1; s <= mark_; ++s)
            if (entries_[static_cast<size_t>(s)] == 0) {
                slot = s;
                break;
            }
        if (slot < 0) slot = mark_ + 1;
    }
    if (slot > kMaxSlot || !Map(slot, entry)) return -1;
    return slot;
}

void SlotTable::FolderDeleted(int32_t slot, int32_t entry) {
    if (slot > 0 && slot <= kMaxSlot) entries_[static_cast<size_t>(slot)] = 0;
    for (int32_t s = 1; s <= mark_; ++s) {
        uint16_t& e = entries_[static_cast<size_t>(s)];
        if (e > entry) --e;
    }
}

std::string OpenFileFilter(const std::vector<FileFormat>& formats) {
    std::vector<std::string> all;
    std::string groups;
    bool bmpListed = false;
    for (size_t i = 0; i < formats.size();) {
        // One run of formats with the same name.
        std::vector<std::string> patterns;
        size_t j = i;
        for (; j < formats.size() && formats[j].name == formats[i].name; ++j) {
            std::string pattern = "*";
            pattern += formats[j].extension;
            std::string lower = pattern;
            std::transform(lower.begin(), lower.end(), lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (lower == "*.bmp") {
                if (bmpListed) continue;
                bmpListed = true;
            }
            patterns.push_back(pattern);
        }
        if (!patterns.empty()) {
            std::string joined;
            for (const std::string& p : patterns) {
                if (!joined.empty()) joined += ';';
                joined += p;
                all.push_back(p);
            }
            groups += formats[i].name;
            groups += " (";
            groups += joined;
            groups += ')';
            groups += '\0';
            groups += joined;
            groups += '\0';
        }
        i = j;
    }
    std::string filter = "All formats";
    filter += '\0';
    for (size_t i = 0; i < all.size(); ++i) {
        if (i) filter += ';';
        filter += all[i];
    }
    filter += '\0';
    filter += groups;
    filter += '\0';
    return filter;
}

std::vector<std::string> ChosenFiles(const char* result, size_t capacity) {
    std::vector<std::string> names;
    size_t at = 0;
    while (at < capacity && result[at] != '\0') {
        const size_t end = std::find(result + at, result + capacity, '\0') - result;
        names.emplace_back(result + at, end - at);
        at = end + 1;
    }
    if (names.size() <= 1) return names;
    std::string folder = names.front();
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    std::vector<std::string> files;
    for (size_t i = 1; i < names.size(); ++i) files.push_back(folder + names[i]);
    return files;
}

std::string SizeText(int64_t fileSize) {
    std::string text = "Size : ";
    if (fileSize < 0) return text;
    text += std::to_string((fileSize + 512) / 1024);
    text += " Kb";
    return text;
}

std::string FileNamePart(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
