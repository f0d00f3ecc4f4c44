#include "library/picture_list.h"

#include <cstdio>
#include <stdexcept>

TPicList& PicList() {
    static TPicList list;
    return list;
}

void TPicList::CheckIndex(int i) const {
    if (i >= 0 && i < Count()) return;
    char text[64];
    std::snprintf(text, sizeof(text), "List index exceeds bounds (%d)", i);
    throw std::out_of_range(text);
}

TFolderItem TPicList::Item(int i) const { return At(i); }

TFolderItem& TPicList::At(int i) {
    CheckIndex(i);
    return *items_[static_cast<size_t>(i)];
}

const TFolderItem& TPicList::At(int i) const {
    CheckIndex(i);
    return *items_[static_cast<size_t>(i)];
}

int TPicList::PictureCount() const {
    size_t total = 0;
    for (const auto& item : items_) total += item->Pictures->size();
    return static_cast<int>(total);
}

std::string TPicList::PictureName(int n) const {
    if (n < 0) return {};
    size_t offset = 0;
    const size_t wanted = static_cast<size_t>(n);
    for (const auto& item : items_) {
        const TStringList& pictures = *item->Pictures;
        if (wanted < offset + pictures.size()) return pictures[wanted - offset];
        offset += pictures.size();
    }
    return {};
}

int TPicList::AddItem(const TFolderItem& item) {
    items_.push_back(std::make_unique<TFolderItem>(item));
    return Count() - 1;
}

int TPicList::AddFolder(const std::string& path) {
    TFolderItem item;
    item.Path = path;
    return AddItem(item);
}

void TPicList::Delete(int i) {
    CheckIndex(i);
    items_.erase(items_.begin() + i);
}

void TPicList::Clear() { items_.clear(); }
