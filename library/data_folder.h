#pragma once
// The data folder: a folder the current user can write to, proved writable by
// a test file and remembered in the registry ("pathind", "pathdata").
#include <functional>
#include <string>

#include "library/system_folders.h"

// Product folder name used in the candidates.
inline constexpr const char* kProductFolderName = "Pagewind";

// The data folder, choosing or checking it on first use; later calls answer
// the known folder at once. Empty when no folder could be used.
std::string GetDataFolder();
// Tries the candidates in order; the number of the winner, 0 when all failed.
int ChooseDataFolder();
// A new choice followed by GetDataFolder (the list file could not be used).
std::string ForceNewDataFolder();
// The known data folder and its VirtualStore mirror; empty when none.
std::string DataFolder();
std::string MirrorFolder();

// Candidate `number` (1..5) for the given system folders; empty when its base
// folder is unknown. Other numbers raise "Wrong pathind".
std::string CandidateFolder(int number, const SystemFolders& places);
// Write test of one candidate; on success remembers it in the registry.
bool TryCandidate(const std::string& folder, int number);
// Where Windows would redirect writes to the data folder of candidate k.
std::string MirrorFolderFor(int k, const std::string& dataFolder, const SystemFolders& places);

// What the data-folder logic reaches outside itself. The defaults use the
// system; tests replace them.
struct DataFolderHooks {
    std::function<SystemFolders()> places = ReadSystemFolders;
    std::function<void(const std::string& text)> message;  // ShowMessage by default
    std::function<void(int error)> errorPage;  // the support page; OpenErrorPage by default
};
DataFolderHooks& DataFolderSeams();
// Forgets the known folder so that the next GetDataFolder starts afresh.
void ForgetDataFolder();
