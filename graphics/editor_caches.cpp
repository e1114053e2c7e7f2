#include "graphics/editor_caches.h"

#include <cstring>

#include "raster/bitmap.h"
#include "raster/font.h"

BitmapCache& BitmapCache::Instance() {
  // Function-local static: built on first use (thread-safe), destroyed when the module
  // unloads, deleting every cached image.
  static BitmapCache cache;
  return cache;
}

BitmapCache::~BitmapCache() {
  Entry* e = mEntries.Items();
  for (int i = mEntries.Count() - 1; i >= 0; --i) {
    if (e[i].owned) delete e[i].bitmap;
  }
  mEntries.SetCount(0);
}

bool BitmapCache::Find(int id, LICE_IBitmap** bitmap) const {
  const Entry* e = mEntries.Items();
  for (int i = 0; i < mEntries.Count(); ++i) {
    // Cut-outs and scaled variants are found by their source and rectangle only.
    if (e[i].id == id && id != kCutOutId && id != kScaledId) {
      if (bitmap) *bitmap = e[i].bitmap;
      return true;
    }
  }
  return false;
}

LICE_IBitmap* BitmapCache::FindCutOut(const LICE_IBitmap* source, const IRECT& rect) const {
  const Entry* e = mEntries.Items();
  for (int i = 0; i < mEntries.Count(); ++i) {
    if (e[i].id == kCutOutId && e[i].source == source && e[i].rect == rect) return e[i].bitmap;
  }
  return nullptr;
}

bool BitmapCache::Add(int id, LICE_IBitmap* bitmap, const char* name) {
  const int n = mEntries.Count();
  mEntries.SetCount(n + 1);
  if (mEntries.Count() != n + 1) return false;
  Entry& e = mEntries.Items()[n];
  e.id = id;
  e.bitmap = bitmap;
  e.source = nullptr;
  e.rect = IRECT();
  e.scaleKey = 0;
  e.owned = true;
  std::memset(e.name, 0, sizeof(e.name));
  if (name) std::strncpy(e.name, name, sizeof(e.name) - 1);
  return true;
}

bool BitmapCache::AddCutOut(LICE_IBitmap* source, const IRECT& rect, LICE_IBitmap* bitmap) {
  const int n = mEntries.Count();
  if (!Add(kCutOutId, bitmap)) return false;
  Entry& e = mEntries.Items()[n];
  e.source = source;
  e.rect = rect;
  return true;
}

bool BitmapCache::FindImageOf(const LICE_IBitmap* bitmap, int* id, const char** name) const {
  if (!bitmap) return false;
  const Entry* e = mEntries.Items();
  for (int i = 0; i < mEntries.Count(); ++i) {
    if (e[i].bitmap == bitmap && e[i].id != kCutOutId && e[i].id != kScaledId) {
      if (id) *id = e[i].id;
      if (name) *name = e[i].name;
      return true;
    }
  }
  return false;
}

bool BitmapCache::FindCutOutOrigin(const LICE_IBitmap* bitmap, LICE_IBitmap** source,
                                   IRECT* rect) const {
  if (!bitmap) return false;
  const Entry* e = mEntries.Items();
  for (int i = 0; i < mEntries.Count(); ++i) {
    if (e[i].id == kCutOutId && e[i].bitmap == bitmap) {
      if (source) *source = e[i].source;
      if (rect) *rect = e[i].rect;
      return true;
    }
  }
  return false;
}

LICE_IBitmap* BitmapCache::FindScaled(const LICE_IBitmap* source, const IRECT& rect,
                                      int scaleKey) const {
  const Entry* e = mEntries.Items();
  for (int i = 0; i < mEntries.Count(); ++i) {
    if (e[i].id == kScaledId && e[i].source == source && e[i].scaleKey == scaleKey &&
        e[i].rect == rect) {
      return e[i].bitmap;
    }
  }
  return nullptr;
}

bool BitmapCache::AddScaled(LICE_IBitmap* source, const IRECT& rect, int scaleKey,
                            LICE_IBitmap* bitmap, bool owned) {
  const int n = mEntries.Count();
  if (!Add(kScaledId, bitmap)) return false;
  Entry& e = mEntries.Items()[n];
  e.source = source;
  e.rect = rect;
  e.scaleKey = scaleKey;
  e.owned = owned;
  return true;
}

bool BitmapCache::HasScale(int scaleKey) const {
  const Entry* e = mEntries.Items();
  for (int i = 0; i < mEntries.Count(); ++i) {
    if (e[i].id == kScaledId && e[i].scaleKey == scaleKey) return true;
  }
  return false;
}

int BitmapCache::ScaleCount() const {
  const Entry* e = mEntries.Items();
  int count = 0;
  for (int i = 0; i < mEntries.Count(); ++i) {
    if (e[i].id != kScaledId) continue;
    bool seen = false;
    for (int j = 0; j < i && !seen; ++j) seen = e[j].id == kScaledId && e[j].scaleKey == e[i].scaleKey;
    count += !seen;
  }
  return count;
}

int BitmapCache::EntryCount() {
  MutexGuard guard(&mMutex);
  return mEntries.Count();
}

FontCache& FontCache::Instance() {
  static FontCache cache;
  return cache;
}

FontCache::~FontCache() {
  Entry* e = mEntries.Items();
  for (int i = mEntries.Count() - 1; i >= 0; --i) delete e[i].font;
  mEntries.SetCount(0);
}

LICE_IFont* FontCache::Find(const IText& text) const {
  const Entry* e = mEntries.Items();
  for (int i = 0; i < mEntries.Count(); ++i) {
    if (e[i].size == text.mSize && e[i].orientation == text.mOrientation &&
        e[i].style == text.mStyle && std::strncmp(e[i].name, text.mFont, sizeof(text.mFont)) == 0) {
      return e[i].font;
    }
  }
  return nullptr;
}

bool FontCache::Add(const IText& text, LICE_IFont* font) {
  const int n = mEntries.Count();
  mEntries.SetCount(n + 1);
  if (mEntries.Count() != n + 1) return false;
  Entry& e = mEntries.Items()[n];
  e.size = text.mSize;
  e.orientation = text.mOrientation;
  e.style = text.mStyle;
  std::memset(e.name, 0, sizeof(e.name));
  std::memcpy(e.name, text.mFont, sizeof(text.mFont) - 1);
  e.font = font;
  return true;
}

int FontCache::EntryCount() {
  MutexGuard guard(&mMutex);
  return mEntries.Count();
}

std::mutex& EditorDrawingMutex() {
  static std::mutex mutex;
  return mutex;
}
