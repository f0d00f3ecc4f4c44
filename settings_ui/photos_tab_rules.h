#pragma once
// The Photos tab's rules that need no window: the tags its tree nodes carry,
// the slot table from tree slots to picture-list entries, the open-file
// dialog's filter and result, and the property texts.
#include <cstdint>
#include <string>
#include <vector>

// A tree node's tag: the folder slot in the high 16 bits, the file number
// (0 for the folder's own node, 1, 2, ... for its files) in the low 16.
constexpr uint32_t MakeNodeTag(uint32_t slot, uint32_t file) { return (slot << 16) | (file & 0xFFFF); }
constexpr uint32_t TagSlot(uint32_t tag) { return tag >> 16; }
constexpr uint32_t TagFile(uint32_t tag) { return tag & 0xFFFF; }

// At most this many file nodes are listed under one folder (and as single
// photos); the rest stay in the picture list.
constexpr int32_t kMaxFileNodes = 10000;

// Slot -> picture-list entry. Slot 0 is always the "Root" entry; a slot whose
// entry is 0 is free. Slots go up to 65535, the most a tag can carry; a
// folder beyond that is kept in the list but has no node.
class SlotTable {
public:
    static constexpr int32_t kMaxSlot = 0xFFFF;

    SlotTable() { Reset(); }
    // Every slot free, the high-water mark at 0.
    void Reset();
    // The entry of a slot; 0 for free slots and slots out of range.
    int32_t EntryOf(int32_t slot) const;
    // Maps `slot` to `entry` (the tree fill: slot i for entry i); raises the
    // mark. False when the slot is out of range.
    bool Map(int32_t slot, int32_t entry);
    // A slot for a folder appended as entry `entry`: the next one above the
    // mark when that keeps slots and entries in step, else the lowest free
    // slot, else the next one above the mark. -1 when every slot is taken.
    int32_t SlotForNewFolder(int32_t entry);
    // The folder of `slot` was deleted from the list as entry `entry`: frees
    // the slot and moves every mapping above that entry down by one.
    void FolderDeleted(int32_t slot, int32_t entry);
    int32_t HighWaterMark() const { return mark_; }

private:
    std::vector<uint16_t> entries_;
    int32_t mark_ = 0;
};

// One format a plugin decodes: its name and its extension with the dot.
struct FileFormat {
    std::string name;
    std::string extension;
};

// The open-file dialog's filter, NULs included: "All formats" with every
// pattern, then one entry per run of formats sharing a name, as
// "Name (*.a;*.b)" and its patterns; "*.bmp" is listed once; a closing NUL
// ends it.
std::string OpenFileFilter(const std::vector<FileFormat>& formats);

// The files of an open-file dialog's result (NUL-separated, ended by an empty
// name): one full path, or a folder and the names chosen in it.
std::vector<std::string> ChosenFiles(const char* result, size_t capacity);

// "Size : " with the file size in KiB rounded to nearest and " Kb", or alone
// when the size is unknown (negative).
std::string SizeText(int64_t fileSize);
// The file name without its folder.
std::string FileNamePart(const std::string& path);
