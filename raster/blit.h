// Pixel operations of the raster library: blend blit, rotate-and-scale blit, resampling,
// rectangle fill, line, smoothing. All arithmetic is integer or 16.16 fixed point on 8-bit
// channels, except resampling's filter (float; it prepares images, it does not draw
// frames). Every operation does nothing for a null bitmap or one without pixels.
//
// Threading: none inside; callers draw into a bitmap from one thread at a time.
#pragma once

#include "raster/bitmap.h"

// Bits of the mode word.
enum {
  kBlendCopy = 0,
  kBlendAdd = 1,
  kBlendDodge = 2,
  kBlendMultiply = 3,
  kBlendOverlay = 4,
  kBlendHsvShift = 5,
  kBlendChannelCopy = 0xF0,  // 0xF0..0xFF: copy channel (mode & 3) into ((mode >> 2) & 3)
  kBlendOpMask = 0xFF,
  kBlendFilterMask = 0xFF00,
  kBlendBilinear = 0x100,
  kBlendSourceAlpha = 0x10000,
};

struct RasterRect {
  int L, T, R, B;
};

// Copies (a part of) src to (dstx, dsty) of dest; srcRect null means the whole source.
void BlendBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, const RasterRect* srcRect,
               float alpha, int mode);
void BlendBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int srcx, int srcy,
               int srcw, int srch, float alpha, int mode);

void BlendFillRect(LICE_IBitmap* dest, int x, int y, int w, int h, RasterPixel color, float alpha,
                   int mode);

void RotateScaleBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                     float srcx, float srcy, float srcw, float srch, float angle,
                     bool clipToSourceRect, float alpha, int mode, float rotCentreX,
                     float rotCentreY);

// Draws the srcw x srch rectangle at (srcx, srcy) of src over the whole of dest, whatever
// its size, replacing dest's pixels: filtered with a Catmull-Rom cubic on premultiplied
// colour, widened by the reduction when dest is smaller so that every source pixel counts.
// No pixel outside the rectangle is read (its edge pixels stand in), so one frame of a
// strip never bleeds into the next. Allocates two scratch rows while it runs.
void ResampleBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int srcx, int srcy, int srcw, int srch);

void DrawLineSegment(LICE_IBitmap* dest, int x1, int y1, int x2, int y2, RasterPixel color,
                     float alpha, int mode, bool antiAlias);

void SoftenRect(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int srcx, int srcy,
                int w, int h);
