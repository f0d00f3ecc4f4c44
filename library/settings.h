#pragma once
// The process-wide settings record and the settings store.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "library/registry.h"

// Byte-for-byte the Windows LOGFONTA (60 bytes), so that "Font" can be stored
// as its raw bytes and handed to CreateFontIndirectA unchanged.
struct LogFontA {
    int32_t lfHeight;
    int32_t lfWidth;
    int32_t lfEscapement;
    int32_t lfOrientation;
    int32_t lfWeight;
    uint8_t lfItalic;
    uint8_t lfUnderline;
    uint8_t lfStrikeOut;
    uint8_t lfCharSet;
    uint8_t lfOutPrecision;
    uint8_t lfClipPrecision;
    uint8_t lfQuality;
    uint8_t lfPitchAndFamily;
    char lfFaceName[32];
};
static_assert(sizeof(LogFontA) == 60, "LOGFONTA is 60 bytes");

// Courier New, height -13, DEFAULT_CHARSET.
LogFontA DefaultFont();

struct TSettings {
    int32_t Delay = 5000;
    int32_t Convert = 5000;
    bool oglsoft = false;
    bool crop = false;
    int32_t Order = 2;
    bool StopKey = true;
    bool ArrowKeys = true;
    bool Wallpaper = false;
    bool MouseMove = true;
    bool rtresize = true;
    bool ignoreexif = false;
    // Pictures converted to sRGB from the colours their files describe.
    bool ColorManage = true;
    int32_t Screens = 4;
    // Spreads laid out by the photos' shapes; "Screens" keeps the last fixed
    // choice for when it is off (and for older versions).
    bool AutoLayout = false;
    LogFontA Font = DefaultFont();
    uint32_t FontColor = 0x0000FF00;
    int32_t TextPos = 3;
    bool Textbg = false;
    bool TextOverlay = true;
    bool RandomPos = false;
    int32_t vsync = 0;

    // Derived fields.
    int32_t PhotosPerPage = 2;
    int32_t OrderMode = 2;
    bool StartFromRandom = false;
    bool StartFromPrevious = false;
    bool ShowFileName = false;
    bool ShowPath = false;
    bool ShowExtension = false;
    bool ShowFolder = false;
    bool ShowDateTaken = false;  // bit 4 (16) of "TextFileName"
    std::vector<std::string> ConfiguredFolders;
    LogFontA MessageFont = DefaultFont();
};

// The one settings record, read directly by every part of the program.
extern TSettings Settings;

// Decimal text rules of the store: the default for empty or non-decimal text,
// values above 1000000000 clamped, negatives unchanged.
int32_t ParseSettingInt(const std::string& text, int32_t def);
// Strict decimal parse (optional sign, digits only, fits in 32 bits).
bool ParseDecimal(const std::string& text, int64_t& out);

int32_t ReadSettingInt(RegistryKey& key, const std::string& name, int32_t def);
int32_t ReadSettingInt(const std::string& name, int32_t def);  // main key

// Fill `s` from the key (null: the key could not be opened). `folders` is the
// configured-folders subkey or null. Throws std::runtime_error for a "Font" or
// "FontColor" value of the wrong type or size.
void LoadSettingsFrom(RegistryKey* key, RegistryKey* folders, TSettings& s);
// Write the record in its fixed order (the read-only values are never written).
void SaveSettingsTo(RegistryKey& key, TSettings& s);

void LoadSettings();  // into Settings, from the real keys
// Writes Settings back, then saves the picture list.
void SaveSettings();

// True when the settings store has written its values at least once (used by
// the first-preview help).
bool SettingsEverSaved();

// The message font's height for a primary screen of the given width.
int32_t MessageFontHeight(int screenWidth);

// One-time library start-up (later calls do nothing) and its teardown.
void InitLibrary();
void DoneLibrary();

// "RunSettings": true when "1" was found (and deleted) under the current
// user or, failing that, under the local machine.
bool CheckRunSettings();
// The request value's test: exactly the string "1".
bool IsRunSettingsRequest(const std::optional<RegValue>& value);

// A read-only lookup under the current user, then the local machine ("Path").
std::string ReadUserOrMachineString(const std::string& name);

// The installation folder ("Path"), found by InitLibrary; empty if missing.
extern std::string InstallFolder;

int PrimaryScreenWidth();
// Works out the OpenGL driver kind once, at start-up (Windows only).
void DetermineDriverKind();
