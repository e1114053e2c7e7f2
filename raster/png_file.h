// Opening an image file named in UTF-8 for binary reading. Windows converts the name to
// UTF-16 and uses the wide-character open (falling back to the narrow one); other
// platforms open the name as it is. Implemented per platform (png_file_posix.cpp,
// png_resource_win.cpp).
//
// Threading: no shared state; callable from any thread.
#pragma once

#include <cstdio>

// The open file (the caller closes it), or null.
FILE* OpenPngFileForReading(const char* utf8Path);
