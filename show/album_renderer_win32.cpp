#include "show/album_renderer_win32.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "diagnostics/clock.h"
#include "imaging/bitmap.h"
#include "show/album_scene.h"
#include "show/album_textures.h"
#include "show/gl_api_win32.h"
#include "show/gl_control_win32.h"

namespace {
std::array<GLuint, kMaxTiles> tileLists{};
AlbumTextureSets textures;
TextureSources sources;  // what the textures were loaded from
std::vector<uint8_t> uploadBuffer(kUploadBufferBytes);
CameraState camera;

void BuildTileLists() {
    const TileGrid& g = Scene.grid;
    for (int32_t r = 0; r < g.down; ++r) {
        for (int32_t c = 0; c < g.across; ++c) {
            const int32_t i = ListIndex(g, r, c);
            if (tileLists[i] == 0) tileLists[i] = gl.GenLists(1);
            gl.NewList(tileLists[i], GL_COMPILE);
            gl.Begin(GL_QUADS);
            for (const TileVertex& v : TileQuad(g, Scene.pageSpan, ListExtent(g, r, c))) {
                gl.TexCoord2f(v.s, v.t);
                gl.Vertex3f(v.x, v.y, 0);
            }
            gl.End();
            gl.EndList();
        }
    }
}

void SetFilters(GLint filter) {
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
}

void UploadPage(const TBitmap0* page, TextureSet& set) {
    const TileGrid& g = Scene.grid;
    // A bitmap of another size would be read out of its bounds.
    if (!page || !page->Pixels() || page->Width() != g.width || page->Height() != g.height) {
        throw std::runtime_error("Page bitmap does not match the page size " + std::to_string(g.width) + " x " +
                                 std::to_string(g.height));
    }
    if (set[0] == 0) gl.GenTextures(g.Count(), set.data());
    LastTileIndex = g.LastIndex();
    for (int32_t r = 0; r < g.down; ++r) {
        for (int32_t c = 0; c < g.across; ++c) {
            TileToRgb(page->Pixels(), g.width, UploadExtent(g, r, c), uploadBuffer.data());
            gl.BindTexture(GL_TEXTURE_2D, set[g.across * r + c]);
            gl.TexImage2D(GL_TEXTURE_2D, 0, 3, kTileTexels, kTileTexels, 0, GL_RGB, GL_UNSIGNED_BYTE,
                          uploadBuffer.data());
            gl.Enable(GL_TEXTURE_2D);
            gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
            SetFilters(GL_LINEAR);
        }
    }
}

const TBitmap0* PageBitmap(PageId id) {
    switch (id) {
        case PageId::OpeningLeft: return OpeningLeft;
        case PageId::OpeningRight: return OpeningRight;
        case PageId::NextLeft: return NextLeft;
        case PageId::NextRight: break;
    }
    return NextRight;
}

void DrawPage(const TextureSet& set, bool moving) {
    for (int32_t i = 0; i <= LastTileIndex; ++i) {
        gl.BindTexture(GL_TEXTURE_2D, set[i]);
        SetFilters(moving ? GL_LINEAR : GL_NEAREST);
        gl.CallList(tileLists[i]);
    }
}

void SetupLight(GLenum light, const GLfloat (&position)[4]) {
    static const GLfloat ambient[4] = {0.7f, 0.7f, 0.7f, 1.0f};
    gl.Enable(light);
    gl.Lightfv(light, GL_POSITION, position);
    gl.Lightfv(light, GL_AMBIENT, ambient);
}
}  // namespace

void InitScene() {
    GlInitPending = false;
    BuildTileLists();
    gl.ShadeModel(GL_SMOOTH);
    gl.Enable(GL_DEPTH_TEST);
    gl.Enable(GL_CULL_FACE);
    gl.Enable(GL_LIGHTING);
    gl.LightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    // With the identity model-view matrix both lights sit at the eye.
    SetupLight(GL_LIGHT0, {0, 0, 0, 1});
    SetupLight(GL_LIGHT1, {0, 0, 0, -1});
    gl.Disable(GL_FOG);
    ApplyVSync();
    camera = CameraState{};
    gl.Enable(GL_TEXTURE_2D);
    gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    SetFilters(GL_LINEAR);
}

void UploadPages() {
    const TurnFlags before{Reverse, CancelReverse, ReverseUploaded};
    TurnFlags flags = before;
    for (const UploadAction& step : PlanUpload(flags, textures.LeftUnder[0] == 0)) {
        if (step.kind == UploadAction::Swap) {
            textures.Swap(LastTileIndex);
        } else {
            UploadPage(PageBitmap(step.page), textures.Get(step.set));
        }
        sources.Apply(step, PageBitmap(step.page));
    }
    // Only the flags the plan changed are written back: a left-arrow press on
    // the main thread while the pages were uploading sets them too, and must
    // not be undone by this thread's older copy.
    if (flags.reverse != before.reverse) Reverse = flags.reverse;
    if (flags.cancelReverse != before.cancelReverse) CancelReverse = flags.cancelReverse;
    if (flags.reverseUploaded != before.reverseUploaded) ReverseUploaded = flags.reverseUploaded;
    PagesPending = false;
}

void DrawFrame(void*, TGLControl*) {
    if (GlInitPending) InitScene();
    if (PagesPending) {
        UploadPages();
        TurnStart = Clock100us();
    }
    gl.PolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    const LookAt view = CameraLookAt(camera);
    glu.LookAt(view.eye[0], view.eye[1], view.eye[2], view.centre[0], view.centre[1], view.centre[2], view.up[0],
               view.up[1], view.up[2]);

    const float p = TurnProgress(Clock100us(), TurnStart, TurnDuration, TurnDone);
    const float a = TurnAngle(p, Reverse);
    const float S = Scene.pageSpan;

    gl.PushMatrix();
    gl.Rotatef(a, -1, 0, 0);
    DrawPage(textures.SheetFront, true);
    gl.PopMatrix();

    gl.PushMatrix();
    gl.Rotatef(180, 1, 0, 0);
    gl.Rotatef(a, -1, 0, 0);
    gl.Translatef(0, S, 0);
    DrawPage(textures.SheetBack, a != 180);
    gl.PopMatrix();

    gl.PushMatrix();
    gl.Translatef(0, S, 0);
    DrawPage(textures.LeftUnder, false);
    gl.PopMatrix();

    DrawPage(textures.RightUnder, false);

    const auto [left, right] = sources.Shown(a);
    ShownLeft = left;
    ShownRight = right;
    if (p >= 1) TurnDone = true;
}

void DeleteScene(TGLControl*& control) {
    // The names belong to the rendering context: delete them while it is
    // still current, then let it go.
    if (OpenGLLoaded() && control && control->RenderingContext && textures.LeftUnder[0] != 0) {
        const GLsizei n = LastTileIndex + 1;
        gl.DeleteTextures(n, textures.LeftUnder.data());
        gl.DeleteTextures(n, textures.SheetFront.data());
        gl.DeleteTextures(n, textures.SheetBack.data());
        gl.DeleteTextures(n, textures.RightUnder.data());
    }
    // Lists exist from the first frame on, even when no page was uploaded.
    for (GLuint& list : tileLists) {
        if (OpenGLLoaded() && control && list != 0) gl.DeleteLists(list, 1);
        list = 0;
    }
    textures = AlbumTextureSets{};
    sources = TextureSources{};
    LastTileIndex = -1;
    DeactivateContext();
    delete control;
    control = nullptr;
}
