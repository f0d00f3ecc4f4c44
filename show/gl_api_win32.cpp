#include "show/gl_api_win32.h"

#include <mutex>
#include <stdexcept>
#include <vector>

GLEntries gl;
GLUEntries glu;
WGLEntries wgl;

namespace {
HMODULE openglLib = nullptr;
HMODULE gluLib = nullptr;
std::once_flag loadOnce;

// Which thread each of our contexts is current in (0: none).
struct ContextOwner {
    HGLRC rc;
    DWORD thread;
};
std::mutex ownersLock;
std::vector<ContextOwner> owners;

template <typename F>
void Lookup(HMODULE lib, const char* prefix, const char* name, F& entry) {
    std::string full = std::string(prefix) + name;
    entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib, full.c_str())));
}

void LoadBoth() {
    openglLib = LoadLibraryA("OpenGL32.dll");
    gluLib = openglLib ? LoadLibraryA("GLU32.dll") : nullptr;
    if (!openglLib || !gluLib) {
        const DWORD error = GetLastError();
        if (gluLib) FreeLibrary(gluLib);
        if (openglLib) FreeLibrary(openglLib);
        openglLib = gluLib = nullptr;
        SetLastError(error);
        return;
    }
#define PW_LOOKUP_GL(ret, name, args) Lookup(openglLib, "gl", #name, gl.name);
#define PW_LOOKUP_GLU(ret, name, args) Lookup(gluLib, "glu", #name, glu.name);
#define PW_LOOKUP_WGL(ret, name, args) Lookup(openglLib, "wgl", #name, wgl.name);
    PW_GL_ENTRIES(PW_LOOKUP_GL)
    PW_GLU_ENTRIES(PW_LOOKUP_GLU)
    PW_WGL_ENTRIES(PW_LOOKUP_WGL)
#undef PW_LOOKUP_GL
#undef PW_LOOKUP_GLU
#undef PW_LOOKUP_WGL
}

ContextOwner* FindOwner(HGLRC rc) {
    for (ContextOwner& o : owners)
        if (o.rc == rc) return &o;
    return nullptr;
}
}  // namespace

bool LoadOpenGL() {
    std::call_once(loadOnce, LoadBoth);
    return openglLib != nullptr;
}

bool OpenGLLoaded() { return openglLib != nullptr; }

void ActivateContext(HDC dc, HGLRC rc) {
    const DWORD me = GetCurrentThreadId();
    std::lock_guard<std::mutex> hold(ownersLock);
    ContextOwner* o = FindOwner(rc);
    if (o && o->thread != 0 && o->thread != me) {
        throw std::runtime_error("Rendering context already active in another thread.");
    }
    if (!wgl.MakeCurrent || !wgl.MakeCurrent(dc, rc)) {
        throw std::runtime_error("wglMakeCurrent failed, Error = " + std::to_string(GetLastError()));
    }
    for (ContextOwner& other : owners)
        if (other.thread == me) other.thread = 0;
    if (o) {
        o->thread = me;
    } else {
        owners.push_back({rc, me});
    }
}

void DeactivateContext() {
    if (!OpenGLLoaded()) return;
    const DWORD me = GetCurrentThreadId();
    std::lock_guard<std::mutex> hold(ownersLock);
    wgl.MakeCurrent(nullptr, nullptr);
    for (ContextOwner& o : owners)
        if (o.thread == me) o.thread = 0;
}

void DeleteRenderingContext(HGLRC rc) {
    if (!rc || !OpenGLLoaded()) return;
    const DWORD me = GetCurrentThreadId();
    std::lock_guard<std::mutex> hold(ownersLock);
    for (size_t i = 0; i < owners.size(); ++i) {
        if (owners[i].rc != rc) continue;
        if (owners[i].thread != 0 && owners[i].thread != me) {
            throw std::runtime_error("Cannot delete rendering context. It is still in use by another thread.");
        }
        if (owners[i].thread == me) wgl.MakeCurrent(nullptr, nullptr);
        owners.erase(owners.begin() + static_cast<std::ptrdiff_t>(i));
        break;
    }
    wgl.DeleteContext(rc);
}
