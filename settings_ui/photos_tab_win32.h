#pragma once
// The settings window's Photos tab: the picture list as a folder tree filled
// in the background, the properties of the selected folder or picture with
// its preview, and the operations that change the list (add a folder or
// photos, remove, refresh, the per-folder options and EXIF rotation).
#include <windows.h>

#include <cstdint>

// Makes the preview bitmap (width x height pixels) the tab shows pictures in.
void CreatePreviewBitmap(int32_t width, int32_t height);
int32_t PreviewWidth();
int32_t PreviewHeight();
// Builds the Photos page's controls, in their keyboard order.
void CreatePhotosTab(HWND page);
// The Photos tab's tooltips, in their order.
void AddPhotosTooltips();
// Keeps a device context of the preview window until the window closes.
void OpenPreviewDc();

// A command from one of the tab's buttons or check boxes; false for ids that
// are not the tab's.
bool PhotosCommand(int32_t id, int32_t code);
// A notification from the tree; false for anything else.
bool PhotosNotify(const NMHDR& header);

// Rebuilds the tree from the picture list in a background thread (a fill
// still running is stopped first).
void FillTree();
bool TreeFillRunning();
// Asks a running fill to stop and waits, answering messages, up to about a
// second; only then ends it by force ("OK" and the teardown).
void StopTreeFill();
// Waits, answering messages, until no fill runs.
void WaitForTreeFill();
// The fill thread has posted that it ended.
void OnTreeFilled();

// After a paint of the tab control with the Photos tab selected: brings the
// selection and the properties up to date the first time the tab shows.
void SyncPhotosTab(int32_t currentTab);

// "Auto rotate photos (EXIF)".
HWND AutoRotateCheckBox();
// Teardown: the preview's device context and bitmap, COM.
void ReleasePhotosTab();
