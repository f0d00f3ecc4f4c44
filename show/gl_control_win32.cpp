#include "show/gl_control_win32.h"

#include <GL/glu.h>

#include <stdexcept>
#include <vector>

#include "diagnostics/clock.h"
#include "library/settings.h"
#include "show/gl_api_win32.h"
#include "show/gl_facts.h"
#include "show/vsync.h"

namespace {
constexpr int kMaxFormatsSearched = 256;
constexpr int kMinSearchBits = 16;

bool DrawsToBitmap(HDC dc) {
    const DWORD type = GetObjectType(dc);
    return type == OBJ_MEMDC || type == OBJ_METADC || type == OBJ_ENHMETADC;
}

// The first generic double-buffered RGBA window format with at least 16
// colour and depth bits among the first 256, or 0.
int FindGenericFormat(HDC dc, BYTE pixelType) {
    PIXELFORMATDESCRIPTOR d{};
    const int count = DescribePixelFormat(dc, 1, sizeof d, &d);
    const DWORD need = PFD_GENERIC_FORMAT | PFD_SUPPORT_OPENGL | PFD_DRAW_TO_WINDOW | PFD_DOUBLEBUFFER;
    for (int i = 1; i <= count && i <= kMaxFormatsSearched; ++i) {
        if (!DescribePixelFormat(dc, i, sizeof d, &d)) continue;
        if ((d.dwFlags & need) == need && d.iPixelType == pixelType && d.cColorBits >= kMinSearchBits &&
            d.cDepthBits >= kMinSearchBits) {
            return i;
        }
    }
    return 0;
}

// A palette laid out as the format's colour bits say, for palette devices;
// the caller deletes it. Null when the format needs none.
HPALETTE RealizeFormatPalette(HDC dc, int format) {
    PIXELFORMATDESCRIPTOR d{};
    if (!DescribePixelFormat(dc, format, sizeof d, &d) || !(d.dwFlags & PFD_NEED_PALETTE)) return nullptr;
    if (d.cColorBits == 0 || d.cColorBits > 8) return nullptr;
    const int n = 1 << d.cColorBits;
    std::vector<BYTE> mem(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * n);
    auto* pal = reinterpret_cast<LOGPALETTE*>(mem.data());
    pal->palVersion = 0x300;
    pal->palNumEntries = static_cast<WORD>(n);
    auto level = [](int i, int shift, int bits) {
        const int max = (1 << bits) - 1;
        return static_cast<BYTE>(max ? ((i >> shift) & max) * 255 / max : 0);
    };
    for (int i = 0; i < n; ++i) {
        pal->palPalEntry[i].peRed = level(i, d.cRedShift, d.cRedBits);
        pal->palPalEntry[i].peGreen = level(i, d.cGreenShift, d.cGreenBits);
        pal->palPalEntry[i].peBlue = level(i, d.cBlueShift, d.cBlueBits);
        pal->palPalEntry[i].peFlags = 0;
    }
    HPALETTE p = CreatePalette(pal);
    if (p) {
        SelectPalette(dc, p, FALSE);
        RealizePalette(dc);
    }
    return p;
}

// What the implementation behind the current context offers, read at the
// first activation for each pixel format.
struct GLProperties {
    int format = 0;
    bool version10 = false, version11 = false, version12 = false;
    bool glu11 = false, glu12 = false, glu13 = false;
    bool swapControl = false;
};
GLProperties properties;

void ReadProperties(HDC dc, int format) {
    if (properties.format == format && format != 0) return;
    GLProperties p;
    p.format = format;
    int major = 0, minor = 0;
    if (gl.GetString && ParseGLVersion(reinterpret_cast<const char*>(gl.GetString(GL_VERSION)), major, minor)) {
        p.version10 = major >= 1;
        p.version11 = major > 1 || (major == 1 && minor >= 1);
        p.version12 = major > 1 || (major == 1 && minor >= 2);
    }
    if (glu.GetString && ParseGLVersion(reinterpret_cast<const char*>(glu.GetString(GLU_VERSION)), major, minor)) {
        p.glu11 = major > 1 || (major == 1 && minor >= 1);
        p.glu12 = major > 1 || (major == 1 && minor >= 2);
        p.glu13 = major > 1 || (major == 1 && minor >= 3);
    }
    const char* wglExtensions = nullptr;
    using GetExtARB = const char*(WINAPI*)(HDC);
    using GetExtEXT = const char*(WINAPI*)(void);
    if (auto arb = WglProc<GetExtARB>("wglGetExtensionsStringARB")) {
        wglExtensions = arb(dc);
    } else if (auto ext = WglProc<GetExtEXT>("wglGetExtensionsStringEXT")) {
        wglExtensions = ext();
    }
    const char* glExtensions = gl.GetString ? reinterpret_cast<const char*>(gl.GetString(GL_EXTENSIONS)) : nullptr;
    p.swapControl = HasExtensionWord(wglExtensions, "WGL_EXT_swap_control") ||
                    HasExtensionWord(glExtensions, "WGL_EXT_swap_control");
    properties = p;
}
}  // namespace

TGLControl::TGLControl(HWND window, int32_t width, int32_t height, GLControlCallback init, void* initData)
    : Width(width), Height(height), Window(window), InitCallback(init), InitData(initData) {
    PaintingEnabled = true;
    try {
        InitGL();
    } catch (...) {
        ReleaseAll();
        throw;
    }
}

TGLControl::~TGLControl() { ReleaseAll(); }

void TGLControl::ReleaseAll() {
    try {
        if (RenderingContext) DeleteRenderingContext(RenderingContext);
    } catch (...) {
        // Still current in another thread: leave it to the process's end.
    }
    RenderingContext = nullptr;
    if (DeviceContext) {
        // The palette goes back out of the DC before either is given up.
        if (Palette) SelectPalette(DeviceContext, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
        ReleaseDC(Window, DeviceContext);
        DeviceContext = nullptr;
    }
    if (Palette) DeleteObject(Palette);
    Palette = nullptr;
}

void TGLControl::InitGL() {
    DeviceContext = GetDC(Window);
    if (!DeviceContext && !IsWindow(Window)) return;

    LoadOpenGL();
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER |
                  (DrawsToBitmap(DeviceContext) ? PFD_DRAW_TO_BITMAP : PFD_DRAW_TO_WINDOW);
    if (Settings.oglsoft) pfd.dwFlags |= PFD_GENERIC_FORMAT;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cDepthBits = 32;
    pfd.iLayerType = PFD_MAIN_PLANE;
    int format = Settings.oglsoft ? FindGenericFormat(DeviceContext, pfd.iPixelType) : 0;
    if (format == 0) format = ChoosePixelFormat(DeviceContext, &pfd);
    if (format != 0 && GetPixelFormat(DeviceContext) != format) SetPixelFormat(DeviceContext, format, &pfd);
    if (format != 0) Palette = RealizeFormatPalette(DeviceContext, format);

    RenderingContext = wgl.CreateContext ? wgl.CreateContext(DeviceContext) : nullptr;
    if (!RenderingContext) throw std::runtime_error("Can't Create RenderingContext.");

    ActivateContext(DeviceContext, RenderingContext);
    ReadProperties(DeviceContext, format);
    if (!properties.version11) throw std::runtime_error("OpenGL version is too old.");

    Viewport[0] = 0;
    Viewport[1] = 0;
    Viewport[2] = Width;
    Viewport[3] = Height;
    Resize();
    gl.ClearColor(0, 0, 0, 1);
    if (InitCallback) InitCallback(InitData, this);
}

void TGLControl::Resize() {
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadIdentity();
    const double aspect = Viewport[3] > 0 ? static_cast<double>(Viewport[2]) / Viewport[3] : 1.0;
    glu.Perspective(35, aspect, 1, 100);
    gl.MatrixMode(GL_MODELVIEW);
    gl.Viewport(0, 0, Width, Height);
}

void TGLControl::Paint() {
    gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
    if (PaintCallback) PaintCallback(PaintData, this);
    LastPaintTime = Clock100us();
    SwapBuffers(DeviceContext);
}

void TGLControl::PaintWindow() {
    PAINTSTRUCT ps;
    BeginPaint(Window, &ps);
    if (PaintingEnabled) Paint();
    EndPaint(Window, &ps);
}

std::string ProbeDriverKind() {
    HWND desktop = GetDesktopWindow();
    HDC dc = GetDC(desktop);
    if (!dc) return {};
    PIXELFORMATDESCRIPTOR d{};
    const int ok = DescribePixelFormat(dc, 1, sizeof d, &d);
    ReleaseDC(desktop, dc);
    if (!ok) return {};
    return DriverKindFromFlags(d.dwFlags);
}

const std::string& GLDriverKind() {
    static const std::string kind = ProbeDriverKind();
    return kind;
}

void ApplyVSync() {
    const int interval = DecideVSync(GLDriverKind());
    if (interval < 0) return;
    using SwapInterval = BOOL(WINAPI*)(int);
    if (auto set = WglProc<SwapInterval>("wglSwapIntervalEXT")) set(interval);
}

void RecordGLFacts() {
    auto text = [](GLenum name) {
        return gl.GetString ? reinterpret_cast<const char*>(gl.GetString(name)) : nullptr;
    };
    StoreGLFacts(text(GL_VERSION), GLDriverKind(), text(GL_RENDERER), text(GL_VENDOR));
}
