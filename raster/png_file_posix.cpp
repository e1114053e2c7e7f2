#include "raster/png_file.h"

FILE* OpenPngFileForReading(const char* utf8Path) { return utf8Path ? fopen(utf8Path, "rb") : nullptr; }
