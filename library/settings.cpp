#include "library/settings.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "library/stored_text.h"

TSettings Settings;

LogFontA DefaultFont() {
    LogFontA f{};
    f.lfHeight = -13;
    f.lfWeight = 400;
    f.lfCharSet = 1;  // DEFAULT_CHARSET
    std::strcpy(f.lfFaceName, "Courier New");
    return f;
}

bool ParseDecimal(const std::string& text, int64_t& out) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > 2147483648LL) return false;  // does not fit in 32 bits
    }
    if (negative) value = -value;
    if (value > 2147483647LL) return false;
    out = value;
    return true;
}

int32_t ParseSettingInt(const std::string& text, int32_t def) {
    int64_t n;
    if (text.empty() || !ParseDecimal(text, n)) return def;
    return static_cast<int32_t>(std::min<int64_t>(n, 1000000000));
}

int32_t ReadSettingInt(RegistryKey& key, const std::string& name, int32_t def) {
    try {
        auto v = key.Read(name);
        // Only string values hold numbers; anything else reads as a failure.
        if (!v || v->type != kRegSz) return def;
        return ParseSettingInt(v->Text(), def);
    } catch (...) {
        return def;
    }
}

int32_t ReadSettingInt(const std::string& name, int32_t def) {
    RegistryKey* key = MainKey();
    return key ? ReadSettingInt(*key, name, def) : def;
}

namespace {
// Reads a REG_BINARY value of at most `capacity` bytes over `field`; false
// when the value is absent or empty (the field keeps its default).
bool ReadBinaryInto(RegistryKey& key, const char* name, void* field, size_t capacity) {
    auto v = key.Read(name);
    if (!v || v->data.empty()) return false;
    if (v->type != kRegBinary)
        throw std::runtime_error(std::string("Invalid registry value type for ") + name);
    if (v->data.size() > capacity)
        throw std::runtime_error(std::string("Registry value too long: ") + name);
    std::memcpy(field, v->data.data(), v->data.size());
    return true;
}

void DeriveFields(TSettings& s) {
    s.OrderMode = s.Order % 8;
    s.StartFromRandom = (s.Order & 8) != 0;
    s.StartFromPrevious = (s.Order & 16) != 0;
    s.PhotosPerPage = std::max(1, s.Screens / 2);
}
}  // namespace

void LoadSettingsFrom(RegistryKey* key, RegistryKey* folders, TSettings& s) {
    if (folders) {
        s.ConfiguredFolders.clear();
        std::vector<std::string> names = folders->ValueNames();
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            auto v = folders->Read(name);
            s.ConfiguredFolders.push_back(v ? v->Text() : std::string());
        }
    }

    if (!key) {
        const std::vector<std::string> keepFolders = s.ConfiguredFolders;
        const LogFontA keepMessageFont = s.MessageFont;
        s = TSettings{};
        s.ConfiguredFolders = keepFolders;
        s.MessageFont = keepMessageFont;
        s.Screens = 1;
        DeriveFields(s);
        return;
    }

    RegistryKey& k = *key;
    s.Delay = ReadSettingInt(k, "Delay", 5000);
    s.Convert = ReadSettingInt(k, "Convert", 5000);
    s.oglsoft = ReadSettingInt(k, "oglsoft", 0) != 0;
    s.crop = ReadSettingInt(k, "crop", 0) != 0;
    s.Order = ReadSettingInt(k, "Order", 2);
    s.StopKey = ReadSettingInt(k, "StopKey", 1) != 0;
    s.ArrowKeys = ReadSettingInt(k, "ArrowKeys", 1) != 0;
    s.Wallpaper = ReadSettingInt(k, "Wallpaper", 0) != 0;
    s.MouseMove = ReadSettingInt(k, "MouseMove", 1) != 0;
    s.rtresize = ReadSettingInt(k, "rtresize", 1) != 0;
    s.ignoreexif = ReadSettingInt(k, "ignoreexif", 0) != 0;
    s.ColorManage = ReadSettingInt(k, "ColorManage", 1) != 0;
    s.Screens = ReadSettingInt(k, "Screens", 4);
    s.AutoLayout = ReadSettingInt(k, "AutoLayout", 0) != 0;

    LogFontA font = DefaultFont();
    if (ReadBinaryInto(k, "Font", &font, sizeof font)) {
        // A short or foreign value may leave the face name unterminated.
        font.lfFaceName[sizeof font.lfFaceName - 1] = '\0';
        // A face name stored in the system's old code page, when its UTF-8
        // form still fits.
        const std::string face = TextFromStore(font.lfFaceName);
        if (face.size() < sizeof font.lfFaceName) std::memcpy(font.lfFaceName, face.c_str(), face.size() + 1);
    }
    s.Font = font;
    uint32_t color = 0x0000FF00;
    ReadBinaryInto(k, "FontColor", &color, sizeof color);
    s.FontColor = color;

    const int32_t text = ReadSettingInt(k, "TextFileName", 0);
    s.ShowFileName = (text & 1) != 0;
    s.ShowPath = (text & 2) != 0;
    s.ShowExtension = (text & 4) != 0;
    s.ShowFolder = (text & 8) != 0;
    s.ShowDateTaken = (text & 16) != 0;
    s.TextPos = ReadSettingInt(k, "TextPos", 3);
    s.Textbg = ReadSettingInt(k, "Textbg", 0) != 0;
    s.TextOverlay = ReadSettingInt(k, "TextOverlay", 1) != 0;
    s.RandomPos = ReadSettingInt(k, "RandomPos", 0) != 0;
    s.vsync = ReadSettingInt(k, "vsync", 0);
    DeriveFields(s);
}

void SaveSettingsTo(RegistryKey& k, TSettings& s) {
    auto writeInt = [&](const char* name, int32_t v) { k.WriteString(name, std::to_string(v)); };
    writeInt("Delay", s.Delay);
    writeInt("Convert", s.Convert);
    // The settings window stores its choice in OrderMode: write that, not a
    // value worked out again from the "Order" read at start-up.
    writeInt("Order", s.OrderMode + (s.StartFromRandom ? 8 : 0) + (s.StartFromPrevious ? 16 : 0));
    s.Order = s.OrderMode;
    writeInt("StopKey", s.StopKey);
    writeInt("ArrowKeys", s.ArrowKeys);
    writeInt("Wallpaper", s.Wallpaper);
    writeInt("MouseMove", s.MouseMove);
    writeInt("ignoreexif", s.ignoreexif);
    writeInt("ColorManage", s.ColorManage);
    writeInt("Screens", s.Screens);
    writeInt("AutoLayout", s.AutoLayout);
    k.WriteBinary("Font", &s.Font, sizeof s.Font);
    const uint32_t color = s.FontColor;
    const uint8_t colorBytes[4] = {uint8_t(color), uint8_t(color >> 8), uint8_t(color >> 16), uint8_t(color >> 24)};
    k.WriteBinary("FontColor", colorBytes, sizeof colorBytes);
    writeInt("TextFileName",
             s.ShowFileName + 2 * s.ShowPath + 4 * s.ShowExtension + 8 * s.ShowFolder + 16 * s.ShowDateTaken);
    writeInt("TextPos", s.TextPos);
    writeInt("Textbg", s.Textbg);
}

void LoadSettings() {
    std::unique_ptr<RegistryKey> folders = OpenFoldersKey();
    LoadSettingsFrom(MainKey(), folders.get(), Settings);
}

bool SettingsEverSaved() {
    // "Delay" is written by every save of the settings and "Prev" at the end
    // of every full-screen show; either one means the store has been used.
    RegistryKey* key = MainKey();
    return key && (key->Read("Delay") || key->Read("Prev"));
}

int32_t MessageFontHeight(int w) {
    if (w < 640) return -16;
    if (w <= 1000) return -14;
    if (w <= 1299) return -16;
    if (w <= 2000) return -18;
    return -16;
}
