#pragma once
// Where the system keeps the folders the library builds on. The Windows build
// asks the shell and the registry; native builds use environment variables so
// that the library logic can run and be tested there.
#include <string>

struct SystemFolders {
    std::string appData;       // "AppData" shell folder of the current user
    std::string installFolder; // the installation folder ("Path", found by InitLibrary)
    std::string documents;     // the user's documents folder
    std::string temp;          // the temporary folder, ending with a separator
    std::string localAppData;  // the user's local application data folder
    std::string programFiles;  // "ProgramFilesDir" of the local machine
};

// Every field may be empty when the system does not know it.
SystemFolders ReadSystemFolders();
// The user's "My Pictures" folder; empty when unknown.
std::string MyPicturesFolder();
// The folder of the running program's executable; empty when unknown.
std::string ProgramFolder();
