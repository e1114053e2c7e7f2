// The editor's PNG images compiled into the plug-in binary (Linux): the editor decodes
// them from memory, so nothing has to be installed next to the shared object. Three
// artwork sets: 1x (ids 100-104, "img/bg.png" ...), 1.5x (150-154, "img/bg@1.5x.png" ...)
// and 2x (200-204, "img/bg@2x.png" ...). The table
// is generated at build time from resources/img/*.png (resources/CMakeLists.txt); the
// Windows build carries the same images as "PNG" resources instead (resources/quelora.rc),
// and there these lookups find nothing.
#pragma once

struct EmbeddedImage {
  int id;                     // resource id: 100 bg, 101 knob, 102 knob2, 103 radio, 104 slider
                              // (+50: the 1.5x set, +100: the 2x set)
  const char* name;           // "img/bg.png" ...
  const unsigned char* data;  // the PNG file's bytes
  int size;                   // number of bytes
};

// The image with this id, or null when there is none.
// Any thread, no lock: the table and the bytes are constant.
const EmbeddedImage* FindEmbeddedImage(int id);

// The image with this name ("img/knob.png"; a leading "../" is ignored), or null when
// there is none or name is null. Any thread, no lock.
const EmbeddedImage* FindEmbeddedImageByName(const char* name);
