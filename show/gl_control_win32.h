#pragma once
// The OpenGL rendering context on the saver window.
#include <windows.h>

#include <cstdint>
#include <string>

class TGLControl;
using GLControlCallback = void (*)(void* data, TGLControl* control);

class TGLControl {
public:
    // Create: stores the arguments, enables painting and runs InitGL. The init
    // callback, when given, runs once at the end of InitGL. When anything in
    // there fails, the device context, rendering context and palette made so
    // far are released before the failure propagates.
    TGLControl(HWND window, int32_t width, int32_t height, GLControlCallback init = nullptr,
               void* initData = nullptr);
    // Makes the context not current here, deletes it and releases the DC, so
    // that a show run from the settings window leaves nothing behind.
    ~TGLControl();
    TGLControl(const TGLControl&) = delete;
    TGLControl& operator=(const TGLControl&) = delete;

    void InitGL();
    void Resize();
    void Paint();
    void PaintWindow();

    int32_t Width;
    int32_t Height;
    HWND Window;
    HGLRC RenderingContext = nullptr;
    HDC DeviceContext = nullptr;
    int32_t Viewport[4] = {0, 0, 0, 0};  // left, top, width, height
    GLControlCallback PaintCallback = nullptr;
    void* PaintData = nullptr;
    GLControlCallback InitCallback = nullptr;
    void* InitData = nullptr;
    bool PaintingEnabled = false;
    int32_t LastPaintTime = 0;  // 0.1 ms clock after the last painted frame
    HPALETTE Palette = nullptr;  // made for palette-based pixel formats only

private:
    void ReleaseAll();
};

// "ICD", "MCD" or "No" from pixel format 1 of the desktop window's DC; empty
// when the probe fails. ProbeDriverKind asks each time; GLDriverKind asks once
// per process (the first call should come from the program's start-up).
std::string ProbeDriverKind();
const std::string& GLDriverKind();

// The swap-interval decision; runs with the context current.
void ApplyVSync();
// Texts and events for the crash report; runs with the context current.
void RecordGLFacts();
