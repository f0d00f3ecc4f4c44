#pragma once
// The picture list's file at start-up and when the settings are saved.
#include <string>

inline constexpr const char* kPicListFileName = "piclist.dat";

// The list file in use: the data folder's piclist.dat, or the installation
// folder's when no data folder could be used. Set by LocateDataFolder; a
// failed save or load may move it to a new data folder.
std::string& PicListFile();
// Empties the lists the library keeps (extensions, scan result, picture
// list) for a fresh start, or to free them at the end.
void ResetLibraryLists();
// Finds the data folder (choosing or checking it) and forms the list file.
void LocateDataFolder();
// Loads the list at start-up; without a usable file builds the first list
// from the configured folders. The list always ends with at least "Root".
void LoadPictureList(bool autoRefresh);
// Saves the list, creating the list file's folder (one level) when needed.
void SavePictureList();
// The file a save writes before it replaces the list file.
std::string PicListTempName(const std::string& fileName);
