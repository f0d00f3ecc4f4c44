#pragma once
// Finding the pictures of a folder (and its subfolders) by file extension,
// and refreshing the picture list's folder entries with what is found.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "library/picture_list.h"

// Lower-case extensions with their dot (".jpg"); a name matches only an
// exact entry after lower-casing its own extension.
using ExtensionList = std::vector<std::string>;

// The extensions the scan looks for (the image plugins' list).
ExtensionList& ScanExtensions();
// The descend-into-subfolders switch read by SearchTree.
extern bool ScanIncludeSubfolders;
// The sorted result of the latest scan.
TStringList& ScanResult();
// Set from another thread to cut a running scan short (its result is then
// incomplete); the scan itself never clears it.
extern std::atomic<bool> ScanStopRequested;
// Pictures found so far by the running scan, for a progress display.
extern std::atomic<int32_t> ScanFoundCount;
// The folder of the latest scan that found its folder present.
std::string& LastScannedFolder();
void ClearLastScannedFolder();

// Fills ScanResult (cleared first unless keep) with the sorted pictures of
// the folder; a missing folder leaves it empty.
void ScanFolder(const std::string& folder, bool keep);
// Appends matching paths below `folder` to `target`, unsorted.
void SearchTree(const std::string& folder, TStringList& target);
// Sorts paths as the system compares text: ignoring case, locale-aware.
void SortPaths(TStringList& paths);

// Builds the list from the configured folders (or the installation's
// "Photos" and "My Pictures" when none are configured).
void BuildFirstList();
// Rescans every entry after "Root" that is marked AutoRefresh.
void RefreshAutoFolders();
// Rescans entry i and empties its ExtraNames.
void RefreshEntry(int i);

// File-system enumeration used by SearchTree: calls `entry` for every name in
// the folder (including "." and ".."); false when the folder cannot be listed.
bool EnumerateFolder(const std::string& folder,
                     const std::function<void(const char* name, bool isFolder)>& entry);
// True when the folder can be listed at all.
bool FolderListable(const std::string& folder);
// The system's case-insensitive, locale-aware order of two texts (< 0, 0, > 0).
int ComparePathText(const std::string& a, const std::string& b);
