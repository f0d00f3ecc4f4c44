#pragma once
// The album renderer: runs on the render thread inside the rendering context
// of a TGLControl, with DrawFrame installed as its paint callback.
class TGLControl;

void InitScene();
void UploadPages();
void DrawFrame(void* data, TGLControl* control);
// Deletes the textures and tile lists, makes the context not current and
// destroys the control (which may be null); `control` is null afterwards.
void DeleteScene(TGLControl*& control);
