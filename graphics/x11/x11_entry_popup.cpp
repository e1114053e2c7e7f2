#include "graphics/x11/x11_entry_popup.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cmath>
#include <cstring>

#include "graphics/IControl.h"
#include "graphics/IGraphics.h"
#include "graphics/x11/x11_error_trap.h"
#include "plug/IParam.h"
#include "raster/bitmap.h"
#include "raster/blit.h"
#include "raster/font.h"

namespace x11 {
namespace {

// Lists longer than this many values are not offered as a list (a text field is used).
constexpr int kMaxListValues = 1024;
// Longest text the field accepts (the parameters' text fields hold 31 characters).
constexpr size_t kMaxFieldText = 31;

const RasterPixel kFieldColour = MakeRasterPixel(255, 30, 30, 34);
const RasterPixel kBorderColour = MakeRasterPixel(255, 120, 120, 130);
const RasterPixel kTextColour = MakeRasterPixel(255, 236, 236, 236);
const RasterPixel kSelectionColour = MakeRasterPixel(255, 58, 96, 160);

int ScaledLength(int length, double scale) {
  return static_cast<int>(std::floor(length * scale + 0.5));
}

IText EntryTextStyle(double scale) {
  return IText(ScaledLength(kEntryTextSize, scale), IColor(255, 236, 236, 236), "Arial", 0,
               kTextAlignLeft);
}

int TextWidth(LICE_IFont* font, const char* text) {
  if (!font || !text || !text[0]) return 0;
  RasterRect r = {0, 0, 0, 0};
  font->DrawString(nullptr, text, -1, &r, kTextMeasureOnly | kTextSingleLine);
  return r.R - r.L;
}

void DrawFrame(LICE_IBitmap* bm, int w, int h, RasterPixel colour) {
  BlendFillRect(bm, 0, 0, w, 1, colour, 1.0f, kBlendCopy);
  BlendFillRect(bm, 0, h - 1, w, 1, colour, 1.0f, kBlendCopy);
  BlendFillRect(bm, 0, 0, 1, h, colour, 1.0f, kBlendCopy);
  BlendFillRect(bm, w - 1, 0, 1, h, colour, 1.0f, kBlendCopy);
}

bool WantsList(const IParam* param) {
  if (!param || param->DisplayTextCount() <= 0) return false;
  if (param->Kind() != KindEnum && param->Kind() != KindBool) return false;
  const double span = param->Highest() - param->Lowest();
  return span >= 0 && span <= kMaxListValues;
}

}  // namespace

IRECT ChoiceListRect(int cx, int cy, int count, int longestChars, int editorW, int editorH,
                     int* rows, int* columns, double scale) {
  if (count < 1) count = 1;
  const int itemW = ScaledLength(8 * longestChars + 24 > 24 ? 8 * longestChars + 24 : 24, scale);
  const int itemH = ScaledLength(kEntryListItemHeight, scale);
  int perColumn = itemH > 0 ? editorH / itemH : 1;
  if (perColumn < 1) perColumn = 1;
  if (perColumn > count) perColumn = count;
  const int cols = (count + perColumn - 1) / perColumn;
  const int w = cols * itemW;
  const int h = perColumn * itemH;
  int left = cx - w / 2;
  int top = cy;
  if (left + w > editorW) left = editorW - w;
  if (top + h > editorH) top = editorH - h;
  if (left < 0) left = 0;
  if (top < 0) top = 0;
  if (rows) *rows = perColumn;
  if (columns) *columns = cols;
  return IRECT(left, top, left + w, top + h);
}

X11ValueEntry::X11ValueEntry()
    : mDisplay(nullptr),
      mWindow(0),
      mPreviousFocus(None),
      mPreviousRevert(RevertToParent),
      mEditor(nullptr),
      mControl(nullptr),
      mParam(nullptr),
      mKind(kTextField),
      mAllSelected(true),
      mHighlighted(-1),
      mRows(1),
      mColumnWidth(24),
      mScale(1.0),
      mItemHeight(kEntryListItemHeight),
      mBitmap(nullptr) {}

int X11ValueEntry::Scaled(int length) const { return ScaledLength(length, mScale); }

X11ValueEntry::~X11ValueEntry() { Close(); }

bool X11ValueEntry::Open(Display* display, Window parent, Visual* visual, int depth,
                         IGraphics* editor, IControl* control, IParam* param) {
  Close();
  if (!display || !parent || !editor || !control || !param) return false;
  mDisplay = display;
  mEditor = editor;
  mControl = control;
  mParam = param;
  mScale = editor->Scale();
  mItemHeight = Scaled(kEntryListItemHeight);

  char current[IParam::kFormatBufferSize];
  current[0] = 0;
  double shown = 0.0;
  if (editor->ShownParamValue(control->ParamIdx(), &shown)) {
    param->FormatForHost(shown, false, current, sizeof(current));
  }
  const IRECT r = editor->ToPixels(control->Rect());
  const int cx = (r.L + r.R) / 2;
  const int cy = (r.T + r.B) / 2;

  mItems.clear();
  mHighlighted = -1;
  if (WantsList(param)) {
    mKind = kChoiceList;
    size_t longest = 0;
    const int low = static_cast<int>(param->Lowest());
    const int high = static_cast<int>(param->Highest());
    for (int v = low; v <= high; ++v) {
      const char* text = param->DisplayTextFor(v);
      if (!text || !text[0]) continue;
      mItems.push_back({v, text});
      if (std::strlen(text) > longest) longest = std::strlen(text);
      if (std::strcmp(text, current) == 0) mHighlighted = static_cast<int>(mItems.size()) - 1;
    }
    int columns = 1;
    mPlacement = ChoiceListRect(cx, cy, static_cast<int>(mItems.size()), static_cast<int>(longest),
                                editor->Width(), editor->Height(), &mRows, &columns, mScale);
    mColumnWidth = mPlacement.W() / (columns > 0 ? columns : 1);
  } else {
    mKind = kTextField;
    mText = current;
    if (mText.size() > kMaxFieldText) mText.resize(kMaxFieldText);
    mAllSelected = true;
    const int fieldW = Scaled(kEntryFieldWidth), fieldH = Scaled(kEntryFieldHeight);
    mPlacement = IRECT(cx - fieldW / 2, cy - fieldH / 2, cx - fieldW / 2 + fieldW,
                       cy - fieldH / 2 + fieldH);
  }

  XSetWindowAttributes attributes;
  std::memset(&attributes, 0, sizeof(attributes));
  attributes.background_pixmap = None;  // painted completely on every expose
  attributes.event_mask =
      ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
  mWindow = XCreateWindow(display, parent, mPlacement.L, mPlacement.T,
                          static_cast<unsigned>(mPlacement.W()), static_cast<unsigned>(mPlacement.H()),
                          0, CopyFromParent, InputOutput, CopyFromParent,
                          CWBackPixmap | CWEventMask, &attributes);
  if (!mWindow) {
    Close();
    return false;
  }
  mBitmap = new LICE_SysBitmap(mPlacement.W(), mPlacement.H());
  if (!mSurface.Create(display, mWindow, visual, depth, mPlacement.W(), mPlacement.H(), false)) {
    Close();
    return false;
  }
  XMapRaised(display, mWindow);
  XGetInputFocus(display, &mPreviousFocus, &mPreviousRevert);
  // The window is viewable once the map is processed, which the server does first.
  XSetInputFocus(display, mWindow, RevertToParent, CurrentTime);
  Redraw();
  return true;
}

void X11ValueEntry::Close() {
  if (mWindow && mDisplay && !TrappedConnectionLost(mDisplay)) {
    mSurface.Destroy();
    XDestroyWindow(mDisplay, mWindow);
    if (mPreviousFocus != None && mPreviousFocus != PointerRoot) {
      // The previous window may be gone by now; that error is trapped and harmless.
      XSetInputFocus(mDisplay, mPreviousFocus, mPreviousRevert, CurrentTime);
    }
  }
  mSurface.Destroy();
  delete mBitmap;
  mBitmap = nullptr;
  mWindow = 0;
  mPreviousFocus = None;
  mDisplay = nullptr;
  mEditor = nullptr;
  mControl = nullptr;
  mParam = nullptr;
  mItems.clear();
  mText.clear();
  mHighlighted = -1;
}

double X11ValueEntry::ChoiceValue() const {
  if (mHighlighted < 0 || mHighlighted >= static_cast<int>(mItems.size())) return 0.0;
  return mItems[mHighlighted].value;
}

int X11ValueEntry::ItemAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= mPlacement.W() || y >= mPlacement.H() || mColumnWidth <= 0) return -1;
  const int index = (x / mColumnWidth) * mRows + y / mItemHeight;
  return index < static_cast<int>(mItems.size()) ? index : -1;
}

X11ValueEntry::Outcome X11ValueEntry::HandleEvent(XEvent* event) {
  if (!mWindow || !event || event->xany.window != mWindow) return kKeepOpen;
  switch (event->type) {
    case Expose:
      if (event->xexpose.count == 0) Redraw();
      return kKeepOpen;
    case KeyPress:
      return HandleKey(&event->xkey);
    case MotionNotify:
      if (mKind == kChoiceList) {
        const int item = ItemAt(event->xmotion.x, event->xmotion.y);
        if (item >= 0 && item != mHighlighted) {
          mHighlighted = item;
          Redraw();
        }
      }
      return kKeepOpen;
    case ButtonPress:
      if (mKind == kChoiceList && (event->xbutton.button == Button1 || event->xbutton.button == Button3)) {
        const int item = ItemAt(event->xbutton.x, event->xbutton.y);
        if (item >= 0) {
          mHighlighted = item;
          return kCommitChoice;
        }
      }
      return kKeepOpen;
    default:
      return kKeepOpen;
  }
}

X11ValueEntry::Outcome X11ValueEntry::HandleKey(XKeyEvent* event) {
  char buffer[16];
  KeySym key = NoSymbol;
  const int length = XLookupString(event, buffer, sizeof(buffer), &key, nullptr);
  if (key == XK_Escape) return kDiscard;
  if (key == XK_Return || key == XK_KP_Enter) {
    if (mKind == kTextField) return kCommitText;
    return mHighlighted >= 0 ? kCommitChoice : kKeepOpen;
  }
  if (mKind == kChoiceList) {
    const int count = static_cast<int>(mItems.size());
    if (count == 0) return kKeepOpen;
    if (key == XK_Up || key == XK_KP_Up) {
      mHighlighted = mHighlighted <= 0 ? 0 : mHighlighted - 1;
      Redraw();
    } else if (key == XK_Down || key == XK_KP_Down) {
      mHighlighted = mHighlighted < 0 ? 0 : (mHighlighted + 1 < count ? mHighlighted + 1 : count - 1);
      Redraw();
    }
    return kKeepOpen;
  }
  if (key == XK_BackSpace) {
    if (mAllSelected) {
      mText.clear();
    } else if (!mText.empty()) {
      mText.pop_back();
    }
    mAllSelected = false;
    Redraw();
    return kKeepOpen;
  }
  if (length == 1 && static_cast<unsigned char>(buffer[0]) >= 0x20 &&
      static_cast<unsigned char>(buffer[0]) < 0x7F) {
    if (mAllSelected) mText.clear();
    mAllSelected = false;
    if (mText.size() < kMaxFieldText) mText.push_back(buffer[0]);
    Redraw();
  }
  return kKeepOpen;
}

void X11ValueEntry::Redraw() {
  if (!mWindow || !mBitmap || TrappedConnectionLost(mDisplay)) return;
  if (mKind == kTextField) {
    DrawField();
  } else {
    DrawList();
  }
  mSurface.Present(mBitmap, IRECT(0, 0, mPlacement.W(), mPlacement.H()));
  XFlush(mDisplay);
}

void X11ValueEntry::DrawField() {
  const int w = mPlacement.W(), h = mPlacement.H();
  BlendFillRect(mBitmap, 0, 0, w, h, kFieldColour, 1.0f, kBlendCopy);
  DrawFrame(mBitmap, w, h, kBorderColour);
  IText style = EntryTextStyle(mScale);
  LICE_IFont* font = mEditor->FontForText(&style);
  const int textW = TextWidth(font, mText.c_str());
  // Centred while it fits; a longer text shows its end, where typing happens.
  const int margin = Scaled(3);
  int left = textW <= w - 2 * margin ? (w - textW) / 2 : w - margin - textW;
  if (mAllSelected && textW > 0) {
    BlendFillRect(mBitmap, left - 1, margin, textW + 2, h - 2 * margin, kSelectionColour, 1.0f,
                  kBlendCopy);
  }
  if (font && !mText.empty()) {
    font->SetInkColor(kTextColour);
    RasterRect r = {left, 0, left + textW, h};
    font->DrawString(mBitmap, mText.c_str(), -1, &r, kTextVCenter | kTextSingleLine);
  }
  if (!mAllSelected) {
    const int caretX = mText.empty() ? w / 2 : left + textW + 1;
    BlendFillRect(mBitmap, caretX, Scaled(4), Scaled(1), h - Scaled(8), kTextColour, 1.0f,
                  kBlendCopy);
  }
}

void X11ValueEntry::DrawList() {
  const int w = mPlacement.W(), h = mPlacement.H();
  BlendFillRect(mBitmap, 0, 0, w, h, kFieldColour, 1.0f, kBlendCopy);
  IText style = EntryTextStyle(mScale);
  LICE_IFont* font = mEditor->FontForText(&style);
  if (font) font->SetInkColor(kTextColour);
  for (int i = 0; i < static_cast<int>(mItems.size()); ++i) {
    const int x = (i / mRows) * mColumnWidth;
    const int y = (i % mRows) * mItemHeight;
    if (i == mHighlighted) {
      BlendFillRect(mBitmap, x, y, mColumnWidth, mItemHeight, kSelectionColour, 1.0f, kBlendCopy);
    }
    if (font) {
      RasterRect r = {x + Scaled(6), y, x + mColumnWidth - Scaled(2), y + mItemHeight};
      font->DrawString(mBitmap, mItems[i].text.c_str(), -1, &r, kTextVCenter | kTextSingleLine);
    }
  }
  DrawFrame(mBitmap, w, h, kBorderColour);
}

}  // namespace x11
