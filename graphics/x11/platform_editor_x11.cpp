// The Linux editor class behind the platform-neutral factory.
#include "graphics/platform_editor.h"
#include "graphics/x11/graphics_x11.h"

IGraphics* MakePlatformEditor(IPlugBase* owner, int width, int height, int frameRate,
                              PngBytesLookup images) {
  IGraphicsX11* editor = new IGraphicsX11(owner, width, height, frameRate);
  editor->SetPngSource(images);
  return editor;
}
