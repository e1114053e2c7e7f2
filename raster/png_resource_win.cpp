// Images from the module's own resources, and UTF-8 file names on Windows.
#include "raster/png_win.h"

#include <cwchar>

LICE_IBitmap* ReadPngResource(HINSTANCE module, int resourceId, LICE_IBitmap* dest) {
  const WORD id = static_cast<WORD>(resourceId & 0xFFFF);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
  if (!found) return nullptr;
  const DWORD size = SizeofResource(module, found);
  // Too short to hold the PNG signature: not worth asking the decoder.
  if (size <= 7) return nullptr;
  HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) return nullptr;
  const void* data = LockResource(loaded);
  if (!data) return nullptr;
  // Resource memory belongs to the loaded module; nothing to release.
  return ReadPngMemory(data, static_cast<size_t>(size), dest);
}

FILE* OpenPngFileForReading(const char* utf8Path) {
  if (!utf8Path) return nullptr;
  enum { kWidePathUnits = 2048 };
  wchar_t wide[kWidePathUnits];
  const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Path, -1, wide,
                                        kWidePathUnits);
  if (units > 0) {
    FILE* fp = _wfopen(wide, L"rb");
    if (fp) return fp;
  }
  return fopen(utf8Path, "rb");
}
