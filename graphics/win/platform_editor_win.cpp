// Windows: the editor lives in a Win32 child window.
#include <new>

#include "graphics/platform_editor.h"
#include "graphics/win/IGraphicsHwnd.h"

IGraphics* MakePlatformEditor(IPlugBase* plug, int width, int height, int frameRate,
                              PngBytesLookup images) {
  (void)images;  // the images are resources of the DLL
  return new (std::nothrow) IGraphicsHwnd(plug, width, height, frameRate);
}
