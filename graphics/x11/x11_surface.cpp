#include "graphics/x11/x11_surface.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <cstring>

#include "graphics/x11/x11_abandon.h"
#include "graphics/x11/x11_error_trap.h"
#include "raster/bitmap.h"

namespace x11 {
namespace {

bool IsUsableVisual(const Visual* visual, int depth) {
  return visual && visual->c_class == TrueColor && (depth == 24 || depth == 32);
}

// Lowest set bit and number of bits of a contiguous mask.
void MaskShape(unsigned long mask, int* shift, int* bits) {
  *shift = 0;
  *bits = 0;
  if (!mask) return;
  while (!(mask & 1)) {
    mask >>= 1;
    ++*shift;
  }
  while (mask & 1) {
    mask >>= 1;
    ++*bits;
  }
}

inline unsigned int PackChannel(unsigned int value8, int shift, int bits) {
  if (bits <= 0) return 0;
  const unsigned int v = bits >= 8 ? value8 << (bits - 8) : value8 >> (8 - bits);
  return v << shift;
}

}  // namespace

bool ChooseTrueColorVisual(Display* display, int screen, Visual** visual, int* depth) {
  Visual* def = DefaultVisual(display, screen);
  const int defDepth = DefaultDepth(display, screen);
  if (IsUsableVisual(def, defDepth)) {
    *visual = def;
    *depth = defDepth;
    return true;
  }
  XVisualInfo info;
  if (XMatchVisualInfo(display, screen, 24, TrueColor, &info) ||
      XMatchVisualInfo(display, screen, 32, TrueColor, &info)) {
    *visual = info.visual;
    *depth = info.depth;
    return true;
  }
  return false;
}

X11Surface::X11Surface()
    : mDisplay(nullptr),
      mWindow(0),
      mVisual(nullptr),
      mDepth(0),
      mGC(nullptr),
      mImage(nullptr),
      mShmInfo(),
      mShared(false),
      mShmAttached(false),
      mDirectLayout(false),
      mAlphaBits(0),
      mShiftR(0),
      mShiftG(0),
      mShiftB(0),
      mBitsR(0),
      mBitsG(0),
      mBitsB(0) {
  mShmInfo.shmid = -1;
  mShmInfo.shmaddr = reinterpret_cast<char*>(-1);
}

X11Surface::~X11Surface() { Destroy(); }

bool X11Surface::Usable() const { return mDisplay && !TrappedConnectionLost(mDisplay); }

bool X11Surface::Create(Display* display, Window window, Visual* visual, int depth, int w, int h,
                        bool allowSharedMemory) {
  Destroy();
  if (!display || !window || !IsUsableVisual(visual, depth) || w <= 0 || h <= 0) return false;
  mDisplay = display;
  mWindow = window;
  mVisual = visual;
  mDepth = depth;

  MaskShape(visual->red_mask, &mShiftR, &mBitsR);
  MaskShape(visual->green_mask, &mShiftG, &mBitsG);
  MaskShape(visual->blue_mask, &mShiftB, &mBitsB);
  const unsigned long colourMask = visual->red_mask | visual->green_mask | visual->blue_mask;
  mAlphaBits = depth == 32 ? static_cast<unsigned int>(~colourMask) : 0u;
  mDirectLayout = visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 &&
                  visual->blue_mask == 0xFF;

  mGC = XCreateGC(display, window, 0, nullptr);
  if (!mGC) {
    Destroy();
    return false;
  }
  if (!(allowSharedMemory && CreateShared(w, h)) && !CreatePlain(w, h)) {
    Destroy();
    return false;
  }
  return true;
}

bool X11Surface::CreateShared(int w, int h) {
  if (!XShmQueryExtension(mDisplay)) return false;
  // The raster words are written as native 32-bit values; the shared image must match.
  if (ImageByteOrder(mDisplay) != LSBFirst) return false;
  XImage* image = XShmCreateImage(mDisplay, mVisual, mDepth, ZPixmap, nullptr, &mShmInfo, w, h);
  if (!image) return false;
  if (image->bits_per_pixel != 32) {
    XDestroyImage(image);
    return false;
  }
  mShmInfo.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * h,
                          IPC_CREAT | 0600);
  if (mShmInfo.shmid < 0) {
    XDestroyImage(image);
    return false;
  }
  mShmInfo.shmaddr = static_cast<char*>(shmat(mShmInfo.shmid, nullptr, 0));
  if (mShmInfo.shmaddr == reinterpret_cast<char*>(-1)) {
    shmctl(mShmInfo.shmid, IPC_RMID, nullptr);
    mShmInfo.shmid = -1;
    XDestroyImage(image);
    return false;
  }
  image->data = mShmInfo.shmaddr;
  mShmInfo.readOnly = False;
  const int errorsBefore = TrappedErrorCount(mDisplay);
  const bool requested = XShmAttach(mDisplay, &mShmInfo);
  XSync(mDisplay, False);
  // The segment goes away by itself once both sides have detached.
  shmctl(mShmInfo.shmid, IPC_RMID, nullptr);
  if (!requested || TrappedErrorCount(mDisplay) != errorsBefore) {
    // A remote server (or one refusing the segment): fall back to XPutImage.
    image->data = nullptr;
    XDestroyImage(image);
    shmdt(mShmInfo.shmaddr);
    mShmInfo.shmaddr = reinterpret_cast<char*>(-1);
    mShmInfo.shmid = -1;
    return false;
  }
  mShmAttached = true;
  mShared = true;
  mImage = image;
  return true;
}

bool X11Surface::CreatePlain(int w, int h) {
  const int stride = w * 4;
  char* data = static_cast<char*>(std::calloc(static_cast<size_t>(stride), static_cast<size_t>(h)));
  if (!data) return false;
  XImage* image = XCreateImage(mDisplay, mVisual, mDepth, ZPixmap, 0, data, w, h, 32, stride);
  if (!image) {
    std::free(data);
    return false;
  }
  if (image->bits_per_pixel != 32) {
    XDestroyImage(image);  // frees data
    return false;
  }
  // The words are written natively (little-endian); Xlib swaps for the server if needed.
  image->byte_order = LSBFirst;
  mImage = image;
  mShared = false;
  return true;
}

void X11Surface::Destroy() {
  const bool usable = Usable();
  if (mImage) {
    if (mShared) {
      if (mShmAttached && usable) {
        XShmDetach(mDisplay, &mShmInfo);
        XSync(mDisplay, False);
      }
      mImage->data = nullptr;
      XDestroyImage(mImage);
      if (mShmInfo.shmaddr != reinterpret_cast<char*>(-1)) shmdt(mShmInfo.shmaddr);
    } else {
      XDestroyImage(mImage);  // frees the pixel buffer too
    }
    mImage = nullptr;
  }
  mShmInfo.shmid = -1;
  mShmInfo.shmaddr = reinterpret_cast<char*>(-1);
  mShmAttached = false;
  mShared = false;
  if (mGC && usable) {
    XFreeGC(mDisplay, mGC);
  } else if (mGC) {
    AbandonXRecord(mGC);
  }
  mGC = nullptr;
  mDisplay = nullptr;
  mWindow = 0;
}

void X11Surface::CopyPixels(LICE_IBitmap* bitmap, int x, int y, int w, int h) {
  const RasterPixel* src = bitmap->PixelData();
  const int srcStride = bitmap->PixelsPerRow();
  const bool bottomUp = bitmap->IsBottomUp();
  const int bitmapH = bitmap->Height();
  for (int row = y; row < y + h; ++row) {
    const RasterPixel* in = src + static_cast<long>(bottomUp ? bitmapH - 1 - row : row) * srcStride + x;
    uint32_t* out = reinterpret_cast<uint32_t*>(mImage->data + static_cast<long>(row) * mImage->bytes_per_line) + x;
    if (mDirectLayout) {
      if (mAlphaBits) {
        for (int i = 0; i < w; ++i) out[i] = in[i] | mAlphaBits;
      } else {
        std::memcpy(out, in, static_cast<size_t>(w) * 4);
      }
      continue;
    }
    for (int i = 0; i < w; ++i) {
      const RasterPixel p = in[i];
      out[i] = PackChannel(PixelR(p), mShiftR, mBitsR) | PackChannel(PixelG(p), mShiftG, mBitsG) |
               PackChannel(PixelB(p), mShiftB, mBitsB) | mAlphaBits;
    }
  }
}

bool X11Surface::Present(LICE_IBitmap* bitmap, const IRECT& r) {
  if (!mImage || !bitmap || !bitmap->PixelData() || !Usable()) return false;
  const int maxW = bitmap->Width() < mImage->width ? bitmap->Width() : mImage->width;
  const int maxH = bitmap->Height() < mImage->height ? bitmap->Height() : mImage->height;
  const IRECT area = r.Intersect(IRECT(0, 0, maxW, maxH));
  if (area.Empty() || area.W() <= 0 || area.H() <= 0) return false;
  CopyPixels(bitmap, area.L, area.T, area.W(), area.H());
  if (mShared) {
    XShmPutImage(mDisplay, mWindow, mGC, mImage, area.L, area.T, area.L, area.T,
                 static_cast<unsigned>(area.W()), static_cast<unsigned>(area.H()), False);
    // The next copy into the segment must not race the server's read of this one.
    XSync(mDisplay, False);
  } else {
    XPutImage(mDisplay, mWindow, mGC, mImage, area.L, area.T, area.L, area.T,
              static_cast<unsigned>(area.W()), static_cast<unsigned>(area.H()));
  }
  return true;
}

}  // namespace x11
