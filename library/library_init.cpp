#include <memory>
#include <mutex>

#include "app/message_box.h"
#include "diagnostics/clock.h"
#include "diagnostics/events_log.h"
#include "diagnostics/run_stats.h"
#include "library/folder_scan.h"
#include "library/picture_list_store.h"
#include "library/random.h"
#include "library/selection_order.h"
#include "library/settings.h"

std::string InstallFolder;

bool IsRunSettingsRequest(const std::optional<RegValue>& value) {
    return value && value->type == kRegSz && value->Text() == "1";
}

namespace {
bool libraryStarted = false;
}

void InitLibrary() {
    if (libraryStarted) return;
    libraryStarted = true;

    // 1. The process-wide random generator.
    SeedRandom(TickCountMs());

    // 2. The font of the page notices, sized for the primary screen.
    Settings.MessageFont = DefaultFont();
    Settings.MessageFont.lfHeight = MessageFontHeight(PrimaryScreenWidth());

    // 3. Installation folder, data folder and picture-list file.
    InstallFolder = ReadUserOrMachineString("Path");
    if (InstallFolder.empty()) ShowMessage("Corrupted registry.\r\nPlease, Reinstall Pagewind");
    LocateDataFolder();  // [library step 3] data folder and picture-list file

    // 4. Values that hold when the main key is unusable.
    Settings.Screens = 1;
    Settings.MouseMove = true;

    // 5. The event log.
    static std::unique_ptr<TmyEventsLog> eventsLog;
    eventsLog = std::make_unique<TmyEventsLog>();
    EventsLog = eventsLog.get();

    // 6. [library step 6] extension list, scan-result list and picture list.
    ResetLibraryLists();

    // 7. The settings.
    LoadSettings();

    // 8. [library step 8] forget the last scanned folder.
    ClearLastScannedFolder();

    // 9. [imaging step 9] register the image plugins and collect extensions: not built yet.

    // 10. [library step 10] load the picture list with auto refresh.
    LoadPictureList(true);

    // 11. [library step 11] the picture-list lock (made on first use; made here so it exists before any thread).
    PictureListLock();
}

void DoneLibrary() {
    // [library teardown] free the scan-result list, configured folders and picture list.
    ResetLibraryLists();
    Settings.ConfiguredFolders.clear();
    // [imaging teardown] shut the plugins down: not built yet.
    EndRun();
}

void SaveSettings() {
    RegistryKey* key = MainKey();
    if (!key) throw std::runtime_error("Can't open registry key " + std::string(kMainKeyPath));
    SaveSettingsTo(*key, Settings);
    // [library save step 4] create the list folder if missing and save the picture list.
    SavePictureList();
}
