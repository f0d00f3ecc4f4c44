// pwtool frame: one album frame drawn by the real renderer at a given
// progress of a turn, read back and written as a 24-bit BMP.
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/pwtool.h"

#ifdef _WIN32
#include <windows.h>

#include "imaging/bitmap.h"
#include "show/album_offscreen_win32.h"
#include "show/album_scene.h"
#include "imaging/bitmap_file24.h"
#endif

namespace {

struct FrameArgs {
    int width = 0, height = 0;
    float progress = -1;
    bool reverse = false;
    std::string pages[4];  // opening left, opening right, next left, next right
    std::string out;
};

bool ParseSize(const std::string& s, int& w, int& h) {
    char* end = nullptr;
    const long a = std::strtol(s.c_str(), &end, 10);
    if (end == s.c_str() || (*end != 'x' && *end != 'X')) return false;
    const char* rest = end + 1;
    const long b = std::strtol(rest, &end, 10);
    if (end == rest || *end != '\0' || a <= 0 || b <= 0 || a > 100000 || b > 100000) return false;
    w = static_cast<int>(a);
    h = static_cast<int>(b);
    return true;
}

bool ParseArgs(const std::vector<std::string>& args, FrameArgs& f) {
    const char* pageFlags[4] = {"--opening-left", "--opening-right", "--next-left", "--next-right"};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--reverse") {
            f.reverse = true;
            continue;
        }
        if (i + 1 >= args.size()) return false;
        const std::string& v = args[++i];
        if (a == "--size") {
            if (!ParseSize(v, f.width, f.height)) return false;
        } else if (a == "--progress") {
            char* end = nullptr;
            f.progress = std::strtof(v.c_str(), &end);
            if (end == v.c_str() || *end != '\0' || !(f.progress >= 0 && f.progress <= 1)) return false;
        } else if (a == "--out") {
            f.out = v;
        } else {
            bool known = false;
            for (int p = 0; p < 4; ++p) {
                if (a == pageFlags[p]) {
                    f.pages[p] = v;
                    known = true;
                }
            }
            if (!known) return false;
        }
    }
    for (const std::string& p : f.pages)
        if (p.empty()) return false;
    return f.width > 0 && f.progress >= 0 && !f.out.empty();
}

#ifdef _WIN32
// A picture file (BMP) stretched onto a new page bitmap of the given size.
BitmapPtr LoadPage(const std::string& path, int w, int h) {
    HBITMAP picture = static_cast<HBITMAP>(
        LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!picture) throw std::runtime_error("cannot read the bitmap " + path);
    BITMAP info{};
    GetObjectA(picture, sizeof info, &info);
    BitmapPtr page(TBitmap0::Create(w, h));
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(source, picture);
    HDC target = static_cast<HDC>(page->DC());
    SetStretchBltMode(target, HALFTONE);
    StretchBlt(target, 0, 0, w, h, source, 0, 0, info.bmWidth, std::abs(info.bmHeight), SRCCOPY);
    GdiFlush();
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(picture);
    return page;
}

int RunFrame(const std::vector<std::string>& args) {
    FrameArgs f;
    if (!ParseArgs(args, f)) {
        std::fprintf(stderr, "usage: pwtool frame --size WxH --progress P [--reverse] --opening-left A "
                             "--opening-right B --next-left C --next-right D --out OUT.bmp\n");
        return kPwtoolUsage;
    }
    AlbumOffscreen album(f.width, f.height);
    const int pw = Scene.grid.width, ph = Scene.grid.height;
    BitmapPtr pages[4];
    for (int i = 0; i < 4; ++i) pages[i] = LoadPage(f.pages[i], pw, ph);
    album.SetPages(pages[0].get(), pages[1].get(), pages[2].get(), pages[3].get());
    album.Draw(f.progress, f.reverse);
    BitmapPtr frame(album.FrameBitmap());
    FILE* out = std::fopen(f.out.c_str(), "wb");
    bool written = out && WriteBitmapFile24(*frame, out);
    if (out && std::fclose(out) != 0) written = false;
    if (!written) {
        if (out) std::remove(f.out.c_str());
        std::fprintf(stderr, "pwtool frame: cannot write %s\n", f.out.c_str());
        return kPwtoolRefused;
    }
    std::printf("%dx%d progress %.3f%s %s\n", f.width, f.height, f.progress, f.reverse ? " reverse" : "",
                f.out.c_str());
    return kPwtoolOk;
}
#else
int RunFrame(const std::vector<std::string>& args) {
    FrameArgs f;
    if (!ParseArgs(args, f)) return kPwtoolUsage;
    std::fprintf(stderr, "pwtool frame: this build has no OpenGL context; use the win32 build\n");
    return kPwtoolRefused;
}
#endif

PwtoolCommand reg("frame",
                  "--size WxH --progress P [--reverse] --opening-left A --opening-right B --next-left C "
                  "--next-right D --out OUT.bmp",
                  RunFrame);

}  // namespace
