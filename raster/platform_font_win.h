// Windows specifics of the platform text interface (raster/platform_font.h) over GDI.
//
// Threading: user-interface thread, like the fonts themselves.
#pragma once

#include <windows.h>

#include "raster/platform_font.h"

// The GDI font behind a platform font handle (null for a null handle).
HFONT PlatformFontGdiHandle(PlatformFontHandle font);

// Whether this process runs on the compatibility layer that provides the Windows API on
// other systems: its registry has "Software\Wine" under the local-machine root. Tested
// once per process; the native text renderer is avoided there (its output differs).
bool PlatformRunsOnWine();

// Tests: forces PlatformNativeTextAvailable to answer yes (1) or no (0); -1 returns to the
// registry test.
void PlatformNativeTextOverride(int mode);
