// Where an editor finds the PNG bytes of its images when the module carries them as data
// rather than as platform resources (the Linux module compiles them in). The plug-in
// supplies the lookup when it makes its editor, so the window layers never depend on the
// product's images.
//
// Threading: called by the image cache with its mutex held (any thread that fetches an
// image); a lookup must only read constant data.
#pragma once

// True, with *bytes and *size set, when an image of that id (or else that file name) is
// known.
typedef bool (*PngBytesLookup)(int resourceId, const char* fileName, const unsigned char** bytes,
                               int* size);
