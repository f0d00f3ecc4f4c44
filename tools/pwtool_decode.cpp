// pwtool decode: one picture through the plugin host into a cell of a given
// size with the page pipeline's fitting rules (and, unless told otherwise,
// the real-time resize and the conversion to sRGB), optionally written out
// as a 24-bit BMP; --facts prints what the file says about itself.
#include <cstdio>
#include <string>
#include <vector>

#include "diagnostics/clock.h"
#include "imaging/bitmap.h"
#include "imaging/bitmap_file24.h"
#include "imaging/fit.h"
#include "imaging/plugin_host.h"
#include "library/random.h"
#include "library/settings.h"
#include "tools/pwtool.h"

namespace {

constexpr int32_t kLargestCell = 32767;

struct DecodeArgs {
    std::string file;
    int32_t width = 0, height = 0;
    bool crop = false, enlarge = false, randomPos = false, noExif = false, noRealtime = false, noColor = false;
    bool facts = false;
    std::string out;
};

// "WxH" with both sides in 1..32767.
bool ParseCell(const std::string& text, int32_t& w, int32_t& h) {
    size_t x = text.find_first_of("xX");
    if (x == std::string::npos || x == 0 || x + 1 >= text.size()) return false;
    auto number = [](const std::string& digits, int32_t& out) {
        if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        out = std::stoi(digits);
        return out >= 1 && out <= kLargestCell;
    };
    return number(text.substr(0, x), w) && number(text.substr(x + 1), h);
}

bool Parse(const std::vector<std::string>& args, DecodeArgs& d) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--crop") d.crop = true;
        else if (a == "--enlarge") d.enlarge = true;
        else if (a == "--random-pos") d.randomPos = true;
        else if (a == "--no-exif") d.noExif = true;
        else if (a == "--no-rtresize") d.noRealtime = true;
        else if (a == "--no-color") d.noColor = true;
        else if (a == "--facts") d.facts = true;
        else if (a == "--cell" && i + 1 < args.size()) {
            if (!ParseCell(args[++i], d.width, d.height)) return false;
        } else if (a == "--out" && i + 1 < args.size()) d.out = args[++i];
        else if (!a.empty() && a[0] != '-' && d.file.empty()) d.file = a;
        else return false;
    }
    return !d.file.empty() && d.width > 0;
}

int Refuse(const std::string& reason) {
    std::fprintf(stderr, "pwtool decode: %s\n", reason.c_str());
    return kPwtoolRefused;
}

int Decode(const std::vector<std::string>& args) {
    DecodeArgs d;
    if (!Parse(args, d)) {
        std::fprintf(stderr, "usage: pwtool decode FILE --cell WxH [--crop] [--enlarge] [--random-pos] [--no-exif] "
                             "[--no-rtresize] [--no-color] [--facts] [--out OUT.bmp]\n");
        return kPwtoolUsage;
    }
    Settings.crop = d.crop;
    Settings.ignoreexif = d.noExif;
    Settings.rtresize = !d.noRealtime;
    Settings.RandomPos = d.randomPos;
    Settings.ColorManage = !d.noColor;
    SeedRandom(TickCountMs());
    RegisterPlugins();

    BitmapPtr cell(TBitmap0::Create(d.width, d.height));
    cell->Crop = d.crop;
    cell->Enlarge = d.enlarge;
    cell->RandomPos = d.randomPos;
    const PictureResult result = LoadPictureInto(*cell, d.file);

    int code = kPwtoolOk;
    if (result.fileMissing) {
        code = Refuse("file not found: " + d.file);
    } else if (result.cannotOpen) {
        code = Refuse("cannot open: " + d.file);
    } else if (result.pictureWidth <= 0 || result.pictureHeight <= 0) {
        code = Refuse("not decoded: " + d.file);
    } else {
        std::printf("%dx%d %s %lld\n", result.pictureWidth, result.pictureHeight, result.formatName.c_str(),
                    static_cast<long long>(result.fileSize));
        if (d.facts) {
            // What the file says about itself, one fact a line.
            const PictureFacts& facts = FactsOf(cell->Slot);
            if (!facts.iccProfile.empty()) std::printf("icc profile %llu bytes\n", static_cast<unsigned long long>(facts.iccProfile.size()));
            if (facts.hasNclx)
                std::printf("nclx %d %d %d %d\n", facts.nclx[0], facts.nclx[1], facts.nclx[2], facts.nclx[3]);
            if (!result.dateTaken.empty()) std::printf("taken %s\n", result.dateTaken.c_str());
        }
        if (!d.out.empty()) {
            std::FILE* file = std::fopen(d.out.c_str(), "wb");
            const bool written = file && WriteBitmapFile24(*cell, file);
            if ((file && std::fclose(file) != 0) || !written) code = Refuse("cannot write " + d.out);
        }
    }
    cell.reset();
    ShutdownPlugins();
    return code;
}

const PwtoolCommand reg("decode",
                        "FILE --cell WxH [--crop] [--enlarge] [--random-pos] [--no-exif] [--no-rtresize] "
                        "[--no-color] [--facts] [--out OUT.bmp]",
                        Decode);

}  // namespace
