// Shows rectangles of a 32-bit raster bitmap (bytes B, G, R, A per pixel) in an X window:
// through a MIT-SHM shared image when the server offers it and attaching works, otherwise
// through a plain XPutImage. TrueColor visuals of depth 24 or 32 are supported; pixels are
// repacked when the visual's channel masks differ from the raster layout.
//
// Threading: used only by the thread that currently owns the display connection (the
// editor thread, or the host thread before the editor thread starts and after it ended).
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include "graphics/graphics_types.h"

class LICE_IBitmap;

namespace x11 {

// A TrueColor visual of depth 24 or 32 for the screen: the default visual when it fits,
// else the best match. False when the screen offers none.
bool ChooseTrueColorVisual(Display* display, int screen, Visual** visual, int* depth);

class X11Surface {
 public:
  X11Surface();
  ~X11Surface();
  X11Surface(const X11Surface&) = delete;
  X11Surface& operator=(const X11Surface&) = delete;

  // Prepares an image of w x h for window; allowSharedMemory false forces XPutImage.
  // False (and nothing kept) when no image could be made.
  bool Create(Display* display, Window window, Visual* visual, int depth, int w, int h,
              bool allowSharedMemory);
  // Frees the image, the shared segment and the GC. Safe to call twice. After the
  // connection broke only the client-side memory is freed.
  void Destroy();

  // Copies r (clipped to the surface and the bitmap) from bitmap to the same place in the
  // window. The shared segment is reused only after the server has read it (XSync).
  bool Present(LICE_IBitmap* bitmap, const IRECT& r);

  bool UsesSharedMemory() const { return mShared; }
  bool Valid() const { return mImage != nullptr; }

 private:
  bool Usable() const;
  bool CreateShared(int w, int h);
  bool CreatePlain(int w, int h);
  void CopyPixels(LICE_IBitmap* bitmap, int x, int y, int w, int h);

  Display* mDisplay;
  Window mWindow;
  Visual* mVisual;
  int mDepth;
  GC mGC;
  XImage* mImage;
  XShmSegmentInfo mShmInfo;
  bool mShared;
  bool mShmAttached;
  bool mDirectLayout;  // visual masks equal the raster layout: rows are copied as they are
  unsigned int mAlphaBits;  // bits outside the colour masks, set opaque (depth 32)
  int mShiftR, mShiftG, mShiftB;  // repacking: position of each 8-bit channel's top bit
  int mBitsR, mBitsG, mBitsB;
};

}  // namespace x11
