// The Linux editor class behind the platform-neutral factory.
#include "graphics/platform_editor.h"
#include "graphics/x11/graphics_x11.h"

IGraphics* MakePlatformEditor(IPlugBase* owner, int width, int height, int frameRate) {
  return new IGraphicsX11(owner, width, height, frameRate);
}
