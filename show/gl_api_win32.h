#pragma once
// OpenGL 1.1, GLU and WGL entry points, looked up at run time from
// "OpenGL32.dll" and "GLU32.dll" so that a machine without OpenGL still runs
// the rest of the program. Call through the `gl` table: gl.Clear(...).
#include <windows.h>

#include <GL/gl.h>

#define PW_GL_ENTRIES(X)                                                                           \
    X(void, Clear, (GLbitfield))                                                                   \
    X(void, ClearColor, (GLclampf, GLclampf, GLclampf, GLclampf))                                  \
    X(void, MatrixMode, (GLenum))                                                                  \
    X(void, LoadIdentity, (void))                                                                  \
    X(void, Viewport, (GLint, GLint, GLsizei, GLsizei))                                            \
    X(void, PushMatrix, (void))                                                                    \
    X(void, PopMatrix, (void))                                                                     \
    X(void, Rotatef, (GLfloat, GLfloat, GLfloat, GLfloat))                                         \
    X(void, Translatef, (GLfloat, GLfloat, GLfloat))                                               \
    X(void, Enable, (GLenum))                                                                      \
    X(void, Disable, (GLenum))                                                                     \
    X(void, ShadeModel, (GLenum))                                                                  \
    X(void, LightModeli, (GLenum, GLint))                                                          \
    X(void, Lightfv, (GLenum, GLenum, const GLfloat*))                                             \
    X(void, PolygonMode, (GLenum, GLenum))                                                         \
    X(GLuint, GenLists, (GLsizei))                                                                 \
    X(void, NewList, (GLuint, GLenum))                                                             \
    X(void, EndList, (void))                                                                       \
    X(void, CallList, (GLuint))                                                                    \
    X(void, DeleteLists, (GLuint, GLsizei))                                                        \
    X(void, Begin, (GLenum))                                                                       \
    X(void, End, (void))                                                                           \
    X(void, TexCoord2f, (GLfloat, GLfloat))                                                        \
    X(void, Vertex3f, (GLfloat, GLfloat, GLfloat))                                                 \
    X(void, GenTextures, (GLsizei, GLuint*))                                                       \
    X(void, DeleteTextures, (GLsizei, const GLuint*))                                              \
    X(void, BindTexture, (GLenum, GLuint))                                                         \
    X(void, TexImage2D, (GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*)) \
    X(void, TexParameteri, (GLenum, GLenum, GLint))                                                \
    X(void, TexEnvi, (GLenum, GLenum, GLint))                                                      \
    X(void, PixelStorei, (GLenum, GLint))                                                          \
    X(void, ReadBuffer, (GLenum))                                                                  \
    X(void, ReadPixels, (GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*))                   \
    X(void, Finish, (void))                                                                        \
    X(GLenum, GetError, (void))                                                                    \
    X(const GLubyte*, GetString, (GLenum))

#define PW_GLU_ENTRIES(X)                                                                          \
    X(void, Perspective, (GLdouble, GLdouble, GLdouble, GLdouble))                                 \
    X(void, LookAt, (GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble)) \
    X(const GLubyte*, GetString, (GLenum))

#define PW_WGL_ENTRIES(X)                                                                          \
    X(HGLRC, CreateContext, (HDC))                                                                 \
    X(BOOL, DeleteContext, (HGLRC))                                                                \
    X(BOOL, MakeCurrent, (HDC, HGLRC))                                                             \
    X(HGLRC, GetCurrentContext, (void))                                                            \
    X(PROC, GetProcAddress, (LPCSTR))

#define PW_DECLARE_ENTRY(ret, name, args) ret(WINAPI* name) args = nullptr;

struct GLEntries {
    PW_GL_ENTRIES(PW_DECLARE_ENTRY)
};
struct GLUEntries {
    PW_GLU_ENTRIES(PW_DECLARE_ENTRY)
};
struct WGLEntries {
    PW_WGL_ENTRIES(PW_DECLARE_ENTRY)
};
#undef PW_DECLARE_ENTRY

extern GLEntries gl;
extern GLUEntries glu;
extern WGLEntries wgl;

// Loads both libraries and looks every entry up, once per process; later
// calls only answer. If either library is missing both are released, the
// tables stay empty and the answer is false (the last error is the system's).
bool LoadOpenGL();
bool OpenGLLoaded();

// An extension entry point of the current context, or null.
template <typename F>
F WglProc(const char* name) {
    if (!wgl.GetProcAddress) return nullptr;
    return reinterpret_cast<F>(reinterpret_cast<void*>(wgl.GetProcAddress(name)));
}

// Context switching with the ownership rules the rest of the program relies
// on: a context current in another thread is neither made current here
// ("Rendering context already active in another thread.") nor deleted
// ("Cannot delete rendering context. It is still in use by another
// thread."); both raise std::runtime_error.
void ActivateContext(HDC dc, HGLRC rc);
void DeactivateContext();  // only when the libraries are loaded
void DeleteRenderingContext(HGLRC rc);
