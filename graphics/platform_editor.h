// The editor class of the platform this module is built for: the X11 window editor on
// Linux, the Win32 child-window editor on Windows. Each platform folder implements it
// once (graphics/x11/, graphics/win/), so the effect builds its editor without naming a
// platform.
//
// Threading: called by the effect's constructor, under the process-wide construction lock.
#pragma once

#include "graphics/png_source.h"

class IGraphics;
class IPlugBase;

// images: where the editor finds its PNG images on platforms whose modules have no image
// resources (Linux); Windows reads the DLL's resources and ignores it. May be null.
IGraphics* MakePlatformEditor(IPlugBase* owner, int width, int height, int frameRate,
                              PngBytesLookup images);
