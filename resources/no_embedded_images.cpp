// Windows: the editor images are "PNG" resources of the DLL (quelora.rc), so no image is
// compiled in and every lookup finds nothing.
#include "resources/embedded_images.h"

const EmbeddedImage* FindEmbeddedImage(int id) {
  (void)id;
  return nullptr;
}

const EmbeddedImage* FindEmbeddedImageByName(const char* name) {
  (void)name;
  return nullptr;
}
