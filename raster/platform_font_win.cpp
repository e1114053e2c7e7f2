// The platform text interface over GDI: fonts made with CreateFontA, line height from the
// text metrics, measuring and drawing with DrawText (wide-character calls for UTF-8 text),
// and the native string renderer that draws straight into a bitmap's device context.
#include "raster/platform_font_win.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "raster/bitmap.h"
#include "raster/blit.h"
#include "raster/font.h"

struct PlatformFont {
  HFONT font;
  int lineHeight;
};

namespace {

// Larger cells are refused: a hostile text size must not make GDI build enormous glyphs.
const int kMaxFontHeight = 16384;

std::atomic<int> g_liveFonts{0};
std::atomic<int> g_drawCalls{0};
int g_wine = -1;              // -1 not yet tested, 0 no, 1 yes
int g_nativeOverride = -1;    // tests only
LICE_SysBitmap* g_textScratch = nullptr;  // native drawing into bitmaps without a context

DWORD QualityFor(int quality) {
  switch (quality) {
    case kPlatformFontQualityNonAntialiased: return NONANTIALIASED_QUALITY;
    case kPlatformFontQualityAntialiased: return ANTIALIASED_QUALITY;
    case kPlatformFontQualityClearType: return CLEARTYPE_QUALITY;
    default: return DEFAULT_QUALITY;
  }
}

// UTF-16 copy of UTF-8 text: a stack buffer for short texts, the heap above. Strict
// conversion; invalid text converts to nothing.
class WideText {
 public:
  WideText(const char* text, int length) : m_heap(nullptr), m_text(m_stack), m_length(0) {
    m_stack[0] = 0;
    if (!text || length == 0) return;
    int needed = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, nullptr, 0);
    if (needed <= 0) return;
    if (needed > kStackUnits - 25) {
      m_heap = static_cast<wchar_t*>(malloc(sizeof(wchar_t) * (static_cast<size_t>(needed) + 32)));
      if (!m_heap) return;
      m_text = m_heap;
    }
    m_length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, m_text, needed);
    if (m_length < 0) m_length = 0;
    m_text[m_length] = 0;
  }
  ~WideText() { free(m_heap); }
  WideText(const WideText&) = delete;
  WideText& operator=(const WideText&) = delete;

  wchar_t* Text() { return m_text; }
  int Length() const { return m_length; }

 private:
  enum { kStackUnits = 1024 };
  wchar_t m_stack[kStackUnits];
  wchar_t* m_heap;
  wchar_t* m_text;
  int m_length;
};

// A memory device context for measuring, owned by the caller of Measure*.
class MeasureContext {
 public:
  explicit MeasureContext(HFONT font) : m_dc(CreateCompatibleDC(nullptr)), m_old(nullptr) {
    if (m_dc && font) m_old = SelectObject(m_dc, font);
  }
  ~MeasureContext() {
    if (m_dc) {
      if (m_old) SelectObject(m_dc, m_old);
      DeleteDC(m_dc);
    }
  }
  MeasureContext(const MeasureContext&) = delete;
  MeasureContext& operator=(const MeasureContext&) = delete;
  HDC dc() const { return m_dc; }

 private:
  HDC m_dc;
  HGDIOBJ m_old;
};

// The text with carriage returns dropped and, for single-line text, line feeds turned
// into spaces (DrawText would otherwise break or show them).
void NormaliseBreaks(wchar_t* text, int* length, bool singleLine) {
  int out = 0;
  for (int i = 0; i < *length; ++i) {
    wchar_t c = text[i];
    if (c == L'\r') continue;
    if (c == L'\n' && singleLine) c = L' ';
    text[out++] = c;
  }
  text[out] = 0;
  *length = out;
}

int TextLength(const char* text, int length) {
  if (length >= 0) return length;
  return static_cast<int>(strlen(text));
}

}  // namespace

PlatformFontHandle PlatformFontCreate(const char* face, int height, int weight, bool italic,
                                      int escapement, int quality) {
  if (height > kMaxFontHeight || height < -kMaxFontHeight) return nullptr;
  HFONT font = CreateFontA(height, 0, escapement, escapement, weight, italic ? TRUE : FALSE,
                           FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, QualityFor(quality), DEFAULT_PITCH,
                           face ? face : "");
  if (!font) return nullptr;
  PlatformFont* result = new (std::nothrow) PlatformFont;
  if (!result) {
    DeleteObject(font);
    return nullptr;
  }
  result->font = font;
  result->lineHeight = 0;
  {
    MeasureContext measure(font);
    TEXTMETRICA metrics;
    if (measure.dc() && GetTextMetricsA(measure.dc(), &metrics)) result->lineHeight = metrics.tmHeight;
  }
  g_liveFonts.fetch_add(1, std::memory_order_relaxed);
  return result;
}

void PlatformFontDestroy(PlatformFontHandle font) {
  if (!font) return;
  DeleteObject(font->font);
  delete font;
  if (g_liveFonts.fetch_sub(1, std::memory_order_relaxed) == 1) {
    delete g_textScratch;
    g_textScratch = nullptr;
  }
}

HFONT PlatformFontGdiHandle(PlatformFontHandle font) { return font ? font->font : nullptr; }

int PlatformFontLineHeight(PlatformFontHandle font) { return font ? font->lineHeight : 0; }

bool PlatformFontMeasureChar(PlatformFontHandle font, int code, int* width, int* height) {
  if (width) *width = 0;
  if (height) *height = 0;
  if (!font || code < 0 || code > 0xFFFF) return false;
  MeasureContext measure(font->font);
  if (!measure.dc()) return false;
  wchar_t c = static_cast<wchar_t>(code);
  RECT r = {0, 0, 0, 0};
  DrawTextW(measure.dc(), &c, 1, &r, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
  if (width) *width = r.right - r.left;
  if (height) *height = r.bottom - r.top;
  return true;
}

bool PlatformFontMeasureString(PlatformFontHandle font, const char* text, int length,
                               bool singleLine, int* width, int* height) {
  if (width) *width = 0;
  if (height) *height = 0;
  if (!font || !text) return false;
  WideText wide(text, TextLength(text, length));
  int n = wide.Length();
  NormaliseBreaks(wide.Text(), &n, singleLine);
  if (n == 0) return true;
  MeasureContext measure(font->font);
  if (!measure.dc()) return false;
  RECT r = {0, 0, 0, 0};
  DrawTextW(measure.dc(), wide.Text(), n, &r,
            DT_NOPREFIX | DT_CALCRECT | (singleLine ? DT_SINGLELINE : 0));
  if (width) *width = r.right - r.left;
  if (height) *height = r.bottom - r.top;
  return true;
}

bool PlatformFontDrawCharCoverage(PlatformFontHandle font, int code, LICE_IBitmap* dest, int x,
                                  int y) {
  if (!font || !dest || code < 0 || code > 0xFFFF || !dest->PixelData()) return false;
  g_drawCalls.fetch_add(1, std::memory_order_relaxed);
  int w = 0, h = 0;
  if (!PlatformFontMeasureChar(font, code, &w, &h) || w < 1 || h < 1) return false;
  // Generous cell: italic and overhanging glyphs reach beyond the advance.
  const int cellW = w + h, cellH = h;

  // GDI draws into a device context; a bitmap without one gets the character through a
  // private surface and a per-channel maximum.
  HDC dc = static_cast<HDC>(dest->DeviceContext());
  LICE_SysBitmap* own = nullptr;
  int drawX = x, drawY = y;
  LICE_IBitmap* target = dest;
  if (!dc) {
    own = new (std::nothrow) LICE_SysBitmap(cellW, cellH);
    if (!own || !own->DeviceContext() || !own->PixelData()) {
      delete own;
      return false;
    }
    for (int row = 0; row < cellH; ++row) {
      RasterPixel* p = own->PixelData() + row * own->PixelsPerRow();
      for (int col = 0; col < cellW; ++col) p[col] = MakeRasterPixel(255, 0, 0, 0);
    }
    dc = static_cast<HDC>(own->DeviceContext());
    drawX = drawY = 0;
    target = own;
  }

  HGDIOBJ oldFont = SelectObject(dc, font->font);
  const COLORREF oldInk = SetTextColor(dc, RGB(255, 255, 255));
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  wchar_t c = static_cast<wchar_t>(code);
  RECT r = {drawX, drawY, drawX + cellW, drawY + cellH};
  DrawTextW(dc, &c, 1, &r, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
  SetBkMode(dc, oldMode);
  SetTextColor(dc, oldInk);
  SelectObject(dc, oldFont);
  GdiFlush();

  // GDI leaves the alpha byte of the pixels it touched at 0: coverage is opaque.
  const int tw = target->Width(), th = target->Height();
  for (int row = drawY < 0 ? 0 : drawY; row < drawY + cellH && row < th; ++row) {
    unsigned char* p = reinterpret_cast<unsigned char*>(target->PixelData() + row * target->PixelsPerRow());
    for (int col = drawX < 0 ? 0 : drawX; col < drawX + cellW && col < tw; ++col) {
      p[col * 4 + kPixelByteA] = 255;
    }
  }
  if (own) {
    const int dw = dest->Width(), dh = dest->Height();
    for (int row = 0; row < cellH; ++row) {
      if (y + row < 0 || y + row >= dh) continue;
      const RasterPixel* s = own->PixelData() + row * own->PixelsPerRow();
      RasterPixel* d = dest->PixelData() + (y + row) * dest->PixelsPerRow();
      for (int col = 0; col < cellW; ++col) {
        if (x + col < 0 || x + col >= dw) continue;
        RasterPixel v = d[x + col];
        int r8 = PixelR(v), g8 = PixelG(v), b8 = PixelB(v);
        if (PixelR(s[col]) > r8) r8 = PixelR(s[col]);
        if (PixelG(s[col]) > g8) g8 = PixelG(s[col]);
        if (PixelB(s[col]) > b8) b8 = PixelB(s[col]);
        d[x + col] = MakeRasterPixel(255, r8, g8, b8);
      }
    }
    delete own;
  }
  return true;
}

int PlatformFontDrawCallCount() { return g_drawCalls.load(std::memory_order_relaxed); }

int PlatformFontLiveCount() { return g_liveFonts.load(std::memory_order_relaxed); }

bool PlatformRunsOnWine() {
  if (g_wine < 0) {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Wine", &key) == ERROR_SUCCESS) {
      RegCloseKey(key);
      g_wine = 1;
    } else {
      g_wine = 0;
    }
  }
  return g_wine == 1;
}

void PlatformNativeTextOverride(int mode) { g_nativeOverride = mode; }

bool PlatformNativeTextAvailable() {
  if (g_nativeOverride >= 0) return g_nativeOverride == 1;
  return !PlatformRunsOnWine();
}

namespace {

// Draws (or measures, with DT_CALCRECT) through the wide or the narrow call.
int DrawTextEither(HDC dc, const char* text, int length, WideText* wide, RECT* r, UINT format) {
  if (wide) return DrawTextW(dc, wide->Text(), wide->Length(), r, format);
  return DrawTextA(dc, text, length, r, format);
}

int DrawIntoContext(HDC dc, const PlatformNativeTextRequest& q, const char* text, int length,
                    WideText* wide, RECT* r) {
  const COLORREF oldInk = SetTextColor(dc, RGB(PixelR(q.inkColor), PixelG(q.inkColor), PixelB(q.inkColor)));
  const int opaque = q.fillMode == kFillOpaque;
  const int oldMode = SetBkMode(dc, opaque ? OPAQUE : TRANSPARENT);
  COLORREF oldFill = 0;
  if (opaque) oldFill = SetBkColor(dc, RGB(PixelR(q.fillColor), PixelG(q.fillColor), PixelB(q.fillColor)));
  const int result = DrawTextEither(dc, text, length, wide, r,
                                    static_cast<UINT>(q.flags) | DT_NOPREFIX);
  if (opaque) SetBkColor(dc, oldFill);
  SetBkMode(dc, oldMode);
  SetTextColor(dc, oldInk);
  GdiFlush();
  return result;
}

}  // namespace

int PlatformNativeDrawString(const PlatformNativeTextRequest& q) {
  if (!q.font || !q.text || !q.rect) return 0;
  const int flags = q.flags & 0x7FFFFFFF & ~static_cast<int>(kTextUseInkAlpha);
  const int length = TextLength(q.text, q.length);
  WideText* wide = nullptr;
  alignas(WideText) unsigned char wideStorage[sizeof(WideText)];
  if (IsLikelyUtf8(q.text)) wide = new (wideStorage) WideText(q.text, length);
  PlatformNativeTextRequest request = q;
  request.flags = flags;
  int result = 0;

  HDC destDc = q.dest ? static_cast<HDC>(q.dest->DeviceContext()) : nullptr;
  if (destDc && !(flags & kTextMeasureOnly)) {
    HGDIOBJ oldFont = SelectObject(destDc, q.font->font);
    RECT r = {q.rect->L, q.rect->T, q.rect->R, q.rect->B};
    result = DrawIntoContext(destDc, request, q.text, length, wide, &r);
    SelectObject(destDc, oldFont);
  } else {
    do {
      if (!g_textScratch) g_textScratch = new (std::nothrow) LICE_SysBitmap(4, 4);
      if (!g_textScratch || !g_textScratch->DeviceContext()) break;
      HDC dc = static_cast<HDC>(g_textScratch->DeviceContext());
      HGDIOBJ oldFont = SelectObject(dc, q.font->font);
      const int alignment = kTextCenter | kTextRight | kTextVCenter | kTextBottom;
      RECT m = {0, 0, 0, 0};
      DrawTextEither(dc, q.text, length, wide, &m,
                     static_cast<UINT>((flags & ~alignment) | DT_CALCRECT | DT_NOPREFIX));
      const int tw = m.right - m.left, th = m.bottom - m.top;
      if ((flags & kTextMeasureOnly) || !q.dest) {
        q.rect->R = q.rect->L + tw;
        q.rect->B = q.rect->T + th;
        result = th;
        SelectObject(dc, oldFont);
        break;
      }
      // Place the text box by the alignment, then clip to the bitmap and the rectangle.
      int left = q.rect->L, top = q.rect->T;
      if (flags & kTextCenter) left = (q.rect->L + q.rect->R - tw) / 2;
      else if (flags & kTextRight) left = q.rect->R - tw;
      if (flags & kTextVCenter) top = (q.rect->T + q.rect->B - th) / 2;
      else if (flags & kTextBottom) top = q.rect->B - th;
      int boxL = left, boxT = top, boxR = left + tw, boxB = top + th;
      if (!(flags & kTextNoClip)) {
        if (boxL < q.rect->L) boxL = q.rect->L;
        if (boxT < q.rect->T) boxT = q.rect->T;
        if (boxR > q.rect->R) boxR = q.rect->R;
        if (boxB > q.rect->B) boxB = q.rect->B;
      }
      if (boxL < 0) boxL = 0;
      if (boxT < 0) boxT = 0;
      if (boxR > q.dest->Width()) boxR = q.dest->Width();
      if (boxB > q.dest->Height()) boxB = q.dest->Height();
      if (boxR <= boxL || boxB <= boxT) {
        SelectObject(dc, oldFont);
        break;
      }
      // Room on the left for glyphs that overhang their origin.
      int widen = q.lineHeight < 16 ? 2 : q.lineHeight / 16 + 2;
      if (widen > boxL) widen = boxL;
      boxL -= widen;
      const int bw = boxR - boxL, bh = boxB - boxT;
      if (g_textScratch->Width() < bw || g_textScratch->Height() < bh) {
        SelectObject(dc, oldFont);
        const int nw = bw > g_textScratch->Width() ? bw : g_textScratch->Width();
        const int nh = bh > g_textScratch->Height() ? bh : g_textScratch->Height();
        g_textScratch->SetSize(nw, nh);
        if (g_textScratch->Width() < bw || g_textScratch->Height() < bh) break;
        oldFont = SelectObject(dc, q.font->font);
      }
      BlendBlit(g_textScratch, q.dest, 0, 0, boxL, boxT, bw, bh, 1.0f, kBlendCopy);
      RECT r = {left - boxL, top - boxT, left - boxL + tw, top - boxT + th};
      result = DrawIntoContext(dc, request, q.text, length, wide, &r);
      SelectObject(dc, oldFont);
      BlendBlit(q.dest, g_textScratch, boxL, boxT, 0, 0, bw, bh, q.alpha, kBlendCopy);
    } while (false);
  }
  if (wide) wide->~WideText();
  return result;
}
