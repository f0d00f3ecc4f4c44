#include <memory>
#include <mutex>

#include "app/message_box.h"
#include "diagnostics/clock.h"
#include "diagnostics/events_log.h"
#include "diagnostics/run_stats.h"
#include "library/folder_scan.h"
#include "library/picture_list_store.h"
#include "imaging/page_compose.h"
#include "imaging/plugin_host.h"
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
    // The OpenGL driver kind is fixed for the whole run.
    DetermineDriverKind();

    // 3. Installation folder, data folder and picture-list file.
    InstallFolder = ReadUserOrMachineString("Path");
    if (InstallFolder.empty()) ShowMessage("Corrupted registry.\r\nPlease, Reinstall Pagewind");
    LocateDataFolder();

    // 4. Values that hold when the main key is unusable.
    Settings.Screens = 1;
    Settings.MouseMove = true;

    // 5. The event log.
    static std::unique_ptr<TmyEventsLog> eventsLog;
    eventsLog = std::make_unique<TmyEventsLog>();
    EventsLog = eventsLog.get();

    // 6. Extension list, scan-result list and picture list, all empty.
    ResetLibraryLists();

    // 7. The settings.
    LoadSettings();

    // 8. Forget the last scanned folder.
    ClearLastScannedFolder();

    // 9. The image plugins and the extensions they read.
    RegisterPlugins();
    CollectExtensions(ScanExtensions());

    // 10. The picture list, with the folders marked for it refreshed.
    LoadPictureList(true);

    // 11. The picture-list lock (made on first use; made here so that it
    // exists before any other thread does).
    PictureListLock();
}

void DoneLibrary() {
    ResetLibraryLists();
    Settings.ConfiguredFolders.clear();
    ReleaseCaptionFonts();
    ShutdownPlugins();
    ScanExtensions().clear();
    EndRun();
}

void SaveSettings() {
    RegistryKey* key = MainKey();
    if (!key) throw std::runtime_error("Can't open registry key " + std::string(kMainKeyPath));
    SaveSettingsTo(*key, Settings);
    SavePictureList();
}
