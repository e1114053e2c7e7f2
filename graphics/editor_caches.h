// The process-wide image and font caches shared by every editor instance of the module.
// Entries are never removed while the module is loaded; everything is deleted when the
// module unloads (static destruction).
//
// Threading: any thread (several plug-in instances may be built on different threads).
// Each cache has its own mutex, taken for every lookup and insertion; a lookup together
// with the insertion it leads to runs under one hold of the mutex (Lock / Unlock around
// both), so two instances never load the same image twice.
#pragma once

#include <mutex>

#include "base/heap_buf.h"
#include "base/mutex.h"
#include "graphics/graphics_types.h"

class LICE_IBitmap;
class LICE_IFont;

class BitmapCache {
 public:
  // Id of the entries made by cutting a rectangle out of another cached image, and of the
  // scaled variants of images (a part of a 1x image drawn for a scale).
  static constexpr int kCutOutId = -1;
  static constexpr int kScaledId = -2;
  // Scaled variants are kept for this many scales; an editor drawing at yet another scale
  // makes its images for each draw (so that a host trying many scales cannot make the
  // cache grow without end: at 3x the panel alone is 4 MB).
  static constexpr int kMaxScales = 6;

  static BitmapCache& Instance();

  WDL_Mutex* Mutex() { return &mMutex; }

  // Mutex held by the caller. True when an image entry (not a cut-out or scaled variant)
  // for id exists (its bitmap, possibly null for an image that failed to load, goes to
  // *bitmap).
  bool Find(int id, LICE_IBitmap** bitmap) const;
  // Mutex held by the caller. The cut-out of rect of source, or null.
  LICE_IBitmap* FindCutOut(const LICE_IBitmap* source, const IRECT& rect) const;
  // Mutex held by the caller. Takes ownership of bitmap (which may be null); false (and
  // ownership stays with the caller) when the list could not grow. name (may be null) is
  // the image's file name, kept (up to 63 bytes) for loading its other artwork sets.
  bool Add(int id, LICE_IBitmap* bitmap, const char* name = nullptr);
  bool AddCutOut(LICE_IBitmap* source, const IRECT& rect, LICE_IBitmap* bitmap);

  // Mutex held by the caller. The id and file name of the image entry holding bitmap;
  // false when bitmap is no (loaded) image entry's.
  bool FindImageOf(const LICE_IBitmap* bitmap, int* id, const char** name) const;
  // Mutex held by the caller. The image and rectangle a cut-out was made from; false when
  // bitmap is no cut-out.
  bool FindCutOutOrigin(const LICE_IBitmap* bitmap, LICE_IBitmap** source, IRECT* rect) const;
  // Mutex held by the caller. The variant of rect of the 1x image source for a scale (in
  // thousandths), or null.
  LICE_IBitmap* FindScaled(const LICE_IBitmap* source, const IRECT& rect, int scaleKey) const;
  // Mutex held by the caller. owned: the cache deletes bitmap at unload (false when it is
  // an artwork set's image, which its own entry owns). False when the list could not grow.
  bool AddScaled(LICE_IBitmap* source, const IRECT& rect, int scaleKey, LICE_IBitmap* bitmap,
                 bool owned);
  // Mutex held by the caller. Whether variants for that scale exist, and for how many
  // scales.
  bool HasScale(int scaleKey) const;
  int ScaleCount() const;

  // Takes the mutex.
  int EntryCount();

  ~BitmapCache();

 private:
  BitmapCache() {}
  struct Entry {
    int id;
    LICE_IBitmap* bitmap;
    LICE_IBitmap* source;  // cut-outs and scaled variants: the image they were made from
    IRECT rect;            // cut-outs and scaled variants: the rectangle within the source
    int scaleKey;          // scaled variants: the scale in thousandths
    bool owned;            // deleted at unload
    char name[64];         // images: the file name they were fetched with
  };
  WDL_Mutex mMutex;
  WDL_TypedBuf<Entry> mEntries;
};

class FontCache {
 public:
  static FontCache& Instance();

  WDL_Mutex* Mutex() { return &mMutex; }

  // Mutex held by the caller. The font made for (size, orientation, style, name), or null.
  // Colour, alignment and quality are not part of the key.
  LICE_IFont* Find(const IText& text) const;
  // Mutex held by the caller. Takes ownership of font; false (ownership stays with the
  // caller) when the list could not grow.
  bool Add(const IText& text, LICE_IFont* font);

  // Takes the mutex.
  int EntryCount();

  ~FontCache();

 private:
  FontCache() {}
  struct Entry {
    int size;
    int orientation;
    int style;
    char name[36];
    LICE_IFont* font;
  };
  WDL_Mutex mMutex;
  WDL_TypedBuf<Entry> mEntries;
};

// The process-wide drawing lock. The fonts handed out by the font cache are shared, and
// drawing text fills their glyph caches and the raster library's process-wide scratch
// bitmaps, which have no lock of their own: whoever draws an editor while another may draw
// one on another thread holds this lock for the drawing. An editor's own thread only ever
// tries it (graphics/x11); a host call that draws the editor itself (CopyPictureBgra) takes
// it last, after the plug-in lock and its editor's mutex. Its holders never wait for any
// other lock, so waiting for it always ends.
std::mutex& EditorDrawingMutex();
