#include "graphics/IGraphics.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <typeinfo>

#include "graphics/IControl.h"
#include "graphics/bitmap_control.h"
#include "graphics/editor_caches.h"
#include "graphics/editable_text_control.h"
#include "plug/IPlugBase.h"
#include "raster/bitmap.h"
#include "raster/blit.h"

namespace {
const int kDefaultFrameRate = 24;
}

IGraphics::IGraphics(IPlugBase* owner, int width, int height, int frameRate)
    : mControls(4096),
      mPlug(owner),
      mDrawRECT(),
      mDrawBitmap(nullptr),
      mTmpBitmap(nullptr),
      mWidth(width),
      mHeight(height),
      mFPS(frameRate > 0 ? frameRate : kDefaultFrameRate),
      mIdleTicks(0),
      mMouseCapture(-1),
      mMouseOver(-1),
      mMouseX(0),
      mMouseY(0),
      mHandleMouseOver(false),
      mShowTooltips(false),
      mStrict(true),
      mLastClickRight(false),
      mShowControlBounds(false),
      mOutsideLock(false),
      mScale(1.0),
      mHostScale(0.0),
      mUserScale(UserScaleFromEnvironment()),
      mDesktopScale(0.0) {
  // Nothing is drawn or attached yet: the scale is just taken.
  const double scale = UsableScale(mUserScale);
  if (scale > 0.0) mScale = scale;
}

IGraphics::~IGraphics() {
  mControls.DeleteAllItems();
  delete mDrawBitmap;
  delete mTmpBitmap;
}

int IGraphics::AddControl(IControl* control) {
  if (!control) return -1;
  if (!mControls.Push(control)) {
    // The list could not grow; the editor still owns what it was given.
    delete control;
    return -1;
  }
  control->SetGraphics(this);
  return mControls.ItemCount() - 1;
}

void IGraphics::SetBackgroundImage(int resourceId, const char* fileName) {
  IBitmap bitmap = FetchBitmap(resourceId, fileName, 1);
  IRECT rect(0, 0, bitmap.W, bitmap.H);
  IControl* background = new IBitmapControl(mPlug, -1, &rect, &bitmap, true);
  if (!mControls.Insert(0, background)) {
    delete background;
    return;
  }
  background->SetGraphics(this);
  // Indices moved up by one.
  if (mMouseCapture >= 0) ++mMouseCapture;
  if (mMouseOver >= 0) ++mMouseOver;
}

void IGraphics::PrepareDrawing() {
  if (!mDrawBitmap) mDrawBitmap = new LICE_SysBitmap(Width(), Height());
  if (!mTmpBitmap) mTmpBitmap = new LICE_MemBitmap(0, 0, 4);
}

void IGraphics::PushParamValueToControls(int paramIndex, double value, bool isNormalized) {
  if (!isNormalized) {
    IParam* param = mPlug ? mPlug->ParamAt(paramIndex) : nullptr;
    if (!param) return;
    value = param->ToNormalized(value);
  }
  if (WorksOutsidePluginLock()) {
    mExchange.NoteHostValue(paramIndex, value);
    return;
  }
  for (int i = 0; i < mControls.ItemCount(); ++i) {
    IControl* control = mControls.ItemAt(i);
    if (control->ParamIdx() == paramIndex) control->TakeHostValue(value);
  }
}

void IGraphics::SetWorksOutsidePluginLock(bool on) {
  if (on) mExchange.Prepare(mPlug ? mPlug->ParamCount() : 0);
  mOutsideLock.store(on, std::memory_order_release);
}

void IGraphics::SettleQueuedEdits(bool flush) {
  if (flush && mPlug) {
    MutexGuard guard(mPlug->PluginLock());
    mExchange.Exchange(mPlug);
    // Values pushed while the window was open still reach the controls, so a window
    // opened again shows them.
    ApplyExchangedValues();
  } else {
    mExchange.DropQueued();
  }
}

void IGraphics::ExchangeWithPlugin() {
  if (mPlug) mExchange.Exchange(mPlug);
}

void IGraphics::ApplyExchangedValues() {
  for (int i = 0; i < mExchange.TakenCount(); ++i) {
    const int paramIndex = mExchange.TakenIndex(i);
    const double value = mExchange.TakenValue(i);
    for (int c = 0; c < mControls.ItemCount(); ++c) {
      IControl* control = mControls.ItemAt(c);
      if (control->ParamIdx() == paramIndex) control->TakeHostValue(value);
    }
  }
  mExchange.ClearTaken();
  // Every change of a value reaches the controls as a pushed value (which marks them
  // dirty), so the texts only need to be current when they are drawn.
  mExchange.FormatTexts(mPlug);
}

void IGraphics::CatchUpWithPlugin() {
  if (!WorksOutsidePluginLock()) return;
  ExchangeWithPlugin();
  ApplyExchangedValues();
}

void IGraphics::BeginEdit(int paramIndex) {
  if (!mPlug) return;
  if (WorksOutsidePluginLock()) {
    mExchange.Queue(EditorExchange::kBeginEdit, paramIndex);
  } else {
    mPlug->HostBeginParamEdit(paramIndex);
  }
}

void IGraphics::BeginEditOnce(int paramIndex) {
  if (!mPlug) return;
  if (WorksOutsidePluginLock()) {
    mExchange.Queue(EditorExchange::kBeginEditOnce, paramIndex);
  } else {
    mPlug->HostBeginParamEditOnce(paramIndex);
  }
}

void IGraphics::SendValue(int paramIndex, double normalized) {
  if (!mPlug) return;
  if (WorksOutsidePluginLock()) {
    mExchange.Queue(EditorExchange::kSetValue, paramIndex, normalized);
  } else {
    mPlug->SetParamFromEditor(paramIndex, normalized);
  }
}

void IGraphics::EndEdit(int paramIndex) {
  if (!mPlug) return;
  if (WorksOutsidePluginLock()) {
    mExchange.Queue(EditorExchange::kEndEdit, paramIndex);
  } else {
    mPlug->HostEndParamEdit(paramIndex);
  }
}

void IGraphics::EndEditSoon(int paramIndex) {
  if (!mPlug) return;
  if (WorksOutsidePluginLock()) {
    mExchange.Queue(EditorExchange::kEndEditSoon, paramIndex);
  } else {
    mPlug->EndParamEditSoon(paramIndex);
  }
}

bool IGraphics::ShownParamValue(int paramIndex, double* value) {
  IParam* param = mPlug ? mPlug->ParamAt(paramIndex) : nullptr;
  if (!param || !value) return false;
  if (WorksOutsidePluginLock()) return mExchange.ShownValue(paramIndex, value);
  MutexGuard guard(mPlug->PluginLock());
  *value = param->current;
  return true;
}

bool IGraphics::ShownParamText(int paramIndex, char* out, int outSize) {
  if (!out || outSize < 1) return false;
  out[0] = 0;
  IParam* param = mPlug ? mPlug->ParamAt(paramIndex) : nullptr;
  if (!param) return false;
  char display[IParam::kFormatBufferSize];
  if (WorksOutsidePluginLock()) {
    std::snprintf(display, sizeof(display), "%s", mExchange.ShownText(paramIndex));
  } else {
    // The host may set parameters from another thread; read under the plug-in lock.
    MutexGuard guard(mPlug->PluginLock());
    param->FormatForHost(param->current, false, display, sizeof(display));
  }
  if (!display[0]) return false;
  std::snprintf(out, static_cast<size_t>(outSize), "%s%s", display, param->UnitLabel());
  return true;
}

void IGraphics::MarkAllControlsDirty() {
  for (int i = 0; i < mControls.ItemCount(); ++i) mControls.ItemAt(i)->MarkDirty(false);
}

bool IGraphics::CollectDirtyArea(IRECT* out) {
  if (!out) return false;
  if (mShowControlBounds) {
    *out = mDrawRECT;
    return true;
  }
  bool dirty = false;
  for (int i = 0; i < mControls.ItemCount(); ++i) {
    IControl* control = mControls.ItemAt(i);
    if (control->NeedsRedraw()) {
      *out = out->Union(ToPixels(control->Rect()));
      dirty = true;
    }
  }
  return dirty;
}

bool IGraphics::RenderArea(const IRECT* r) {
  const int count = mControls.ItemCount();
  if (count == 0 || !r) return true;

  // r is in pixels; the controls that overlap it are found in units.
  const IRECT area = ToUnitsCovering(*r);
  if (mStrict) {
    mDrawRECT = *r;
    for (int i = 0; i < count; ++i) {
      IControl* control = mControls.ItemAt(i);
      if (!control->IsHidden() && control->Rect().Overlaps(area)) control->Paint(this);
    }
    for (int i = 0; i < count; ++i) mControls.ItemAt(i)->MarkDrawn();
  } else {
    IControl* background = mControls.ItemAt(0);
    if (background->NeedsRedraw()) {
      mDrawRECT = ToPixels(background->Rect());
      for (int i = 0; i < count; ++i) {
        IControl* control = mControls.ItemAt(i);
        if (i == 0 || !control->IsHidden()) control->Paint(this);
        control->MarkDrawn();
      }
    } else {
      for (int i = 1; i < count; ++i) {
        IControl* dirty = mControls.ItemAt(i);
        if (!dirty->NeedsRedraw()) continue;
        mDrawRECT = ToPixels(dirty->Rect());
        for (int j = 0; j < count; ++j) {
          IControl* control = mControls.ItemAt(j);
          if (control->IsHidden()) continue;
          if (j == i || control->Rect().Overlaps(dirty->Rect())) control->Paint(this);
        }
        dirty->MarkDrawn();
      }
    }
  }

  if (mShowControlBounds) DrawControlBounds();
  return PresentToScreen(r);
}

void IGraphics::DrawControlBounds() {
  const RasterPixel outline = MakeRasterPixel(255, 255, 0, 0);
  for (int i = 1; i < mControls.ItemCount(); ++i) {
    const IRECT r = ToPixels(mControls.ItemAt(i)->Rect());
    DrawLineSegment(mDrawBitmap, r.L, r.T, r.R, r.T, outline, 1.0f, kBlendCopy, false);
    DrawLineSegment(mDrawBitmap, r.R, r.T, r.R, r.B, outline, 1.0f, kBlendCopy, false);
    DrawLineSegment(mDrawBitmap, r.R, r.B, r.L, r.B, outline, 1.0f, kBlendCopy, false);
    DrawLineSegment(mDrawBitmap, r.L, r.B, r.L, r.T, outline, 1.0f, kBlendCopy, false);
  }
  char position[64];
  std::snprintf(position, sizeof(position), "x: %i, y: %i", mMouseX, mMouseY);
  IText text(20, IColor(255, 255, 255, 0), "Arial", 0, kTextAlignLeft);
  IRECT where(mWidth - 150, mHeight - 20, mWidth, mHeight);
  PaintText(&text, position, &where);
}

IControl* IGraphics::HitControl(int x, int y, int* index) const {
  const int i = ControlIndexAt(x, y);
  if (index) *index = i;
  return mControls.ItemAt(i);
}

int IGraphics::ControlIndexAt(int x, int y) const {
  if (mMouseCapture >= 0) return mMouseCapture;
  for (int i = mControls.ItemCount() - 1; i >= 0; --i) {
    const IControl* control = mControls.ItemAt(i);
    if (!control->IsHidden() && !control->IsDisabled() && control->ContainsPoint(x, y)) return i;
  }
  return -1;
}

void IGraphics::MousePressed(int x, int y, const IMouseMod* mod) {
  x = ToUnits(x);
  y = ToUnits(y);
  const IMouseMod none;
  if (!mod) mod = &none;
  mMouseCapture = -1;
  mMouseX = mMouseY = 0;
  int index;
  IControl* control = HitControl(x, y, &index);
  if (!control) return;
  mMouseCapture = index;
  mMouseX = x;
  mMouseY = y;
  mLastClickRight = mod->R;
  const int param = control->ParamIdx();
  if (param >= 0) BeginEdit(param);
  control->HandlePress(x, y, mod);
}

void IGraphics::MouseReleased(int x, int y, const IMouseMod* mod) {
  x = ToUnits(x);
  y = ToUnits(y);
  const IMouseMod none;
  if (!mod) mod = &none;
  IControl* control = HitControl(x, y, nullptr);
  mMouseCapture = -1;
  mMouseX = mMouseY = 0;
  mLastClickRight = false;
  if (!control) return;
  control->HandleRelease(x, y, mod);
  const int param = control->ParamIdx();
  if (param >= 0) EndEdit(param);
}

void IGraphics::MouseDragged(int x, int y, const IMouseMod* mod) {
  x = ToUnits(x);
  y = ToUnits(y);
  const IMouseMod none;
  if (!mod) mod = &none;
  IControl* control = mControls.ItemAt(mMouseCapture);
  if (!control) return;
  if (x == mMouseX && y == mMouseY) return;
  const int dX = x - mMouseX;
  const int dY = y - mMouseY;
  mMouseX = x;
  mMouseY = y;
  control->HandleDrag(x, y, dX, dY, mod);
}

bool IGraphics::MouseDoubleClicked(int x, int y, const IMouseMod* mod) {
  x = ToUnits(x);
  y = ToUnits(y);
  const IMouseMod none;
  if (!mod) mod = &none;
  mMouseCapture = -1;
  mMouseX = mMouseY = 0;
  int index;
  IControl* control = HitControl(x, y, &index);
  if (!control) return false;
  const int param = control->ParamIdx();
  if (param >= 0) BeginEdit(param);
  if (!control->DoubleClickAsPress()) {
    control->HandleDoubleClick(x, y, mod);
    return false;
  }
  mMouseCapture = index;
  mMouseX = x;
  mMouseY = y;
  control->HandlePress(x, y, mod);
  return true;
}

void IGraphics::MouseWheeled(int x, int y, const IMouseMod* mod, int notches) {
  x = ToUnits(x);
  y = ToUnits(y);
  const IMouseMod none;
  if (!mod) mod = &none;
  IControl* control = HitControl(x, y, nullptr);
  if (!control) return;
  const int param = control->ParamIdx();
  if (param >= 0) BeginEditOnce(param);
  control->HandleWheel(x, y, mod, notches);
  if (param >= 0) EndEditSoon(param);
}

bool IGraphics::MouseHovered(int x, int y, const IMouseMod* mod) {
  if (!mHandleMouseOver) return false;
  x = ToUnits(x);
  y = ToUnits(y);
  const IMouseMod none;
  if (!mod) mod = &none;
  int index;
  IControl* control = HitControl(x, y, &index);
  mMouseX = x;
  mMouseY = y;
  if (control) control->HandleHover(x, y, mod);
  if (mMouseOver != index) {
    IControl* previous = mControls.ItemAt(mMouseOver);
    if (previous) previous->HandleHoverEnd();
  }
  mMouseOver = index;
  return true;
}

void IGraphics::MouseLeftEditor() {
  for (int i = 0; i < mControls.ItemCount(); ++i) mControls.ItemAt(i)->HandleHoverEnd();
  mMouseOver = -1;
}

void IGraphics::KeyPressed(int x, int y, EditorKeyCode key) {
  x = ToUnits(x);
  y = ToUnits(y);
  IControl* control = HitControl(x, y, nullptr);
  if (control) control->HandleKey(x, y, key);
}

void IGraphics::CommitEnteredText(IControl* control, IParam* param, const char* text) {
  if (!control) return;
  if (!text) text = "";
  if (param) {
    const double normalized = param->NormalizedFromText(text);
    const int index = control->ParamIdx();
    if (index >= 0) BeginEdit(index);
    control->TakeEnteredValue(normalized);
    if (index >= 0) EndEdit(index);
    return;
  }
  IEditableTextControl* textControl = dynamic_cast<IEditableTextControl*>(control);
  if (textControl) textControl->TakeEnteredText(text);
}

void IGraphics::ChangeEditorSize(int width, int height) {
  mWidth = width;
  mHeight = height;
  mMouseCapture = -1;
  mMouseX = mMouseY = 0;
  mControls.DeleteAllItems();
  if (mPlug) mPlug->RefreshEditorRect();
}

int IGraphics::RouteHostWheel(float delta) {
  (void)delta;
  return 0;
}

bool IGraphics::CopyPictureBgra(unsigned char* bgra, long long size) {
  if (!bgra) return false;
  const int width = Width();
  const int height = Height();
  if (width <= 0 || height <= 0) return false;
  if (size != static_cast<long long>(width) * height * 4) return false;
  // An open editor draws on its own thread without the plug-in lock: its mutex keeps the
  // two drawings apart (it is held there for one pass at most), and a whole exchange first
  // makes the picture show the current values.
  MutexGuard editorGuard(EditorMutex());
  CatchUpWithPlugin();
  PrepareDrawing();
  LICE_SysBitmap* bitmap = DrawBitmap();
  // The draw bitmap follows the editor size; should it not (it could not grow), nothing
  // half-drawn is handed out.
  if (!bitmap || !bitmap->PixelData() || bitmap->Width() != width ||
      bitmap->Height() != height) {
    return false;
  }
  MarkAllControlsDirty();
  const IRECT everything(0, 0, width, height);
  {
    // Other instances' editors may be drawing with the same fonts on their own threads.
    std::lock_guard<std::mutex> drawing(EditorDrawingMutex());
    // Its answer only says whether the picture reached a window; without one it is false,
    // while the draw bitmap is complete either way.
    RenderArea(&everything);
  }

  unsigned char* out = bgra;
  const RasterPixel* pixels = bitmap->PixelData();
  const int stride = bitmap->PixelsPerRow();
  for (int y = 0; y < height; ++y) {
    const int row = bitmap->IsBottomUp() ? height - 1 - y : y;
    const RasterPixel* source = pixels + static_cast<size_t>(row) * stride;
    for (int x = 0; x < width; ++x) {
      const RasterPixel p = source[x];
      out[0] = static_cast<unsigned char>(PixelB(p));
      out[1] = static_cast<unsigned char>(PixelG(p));
      out[2] = static_cast<unsigned char>(PixelR(p));
      out[3] = static_cast<unsigned char>(PixelA(p));
      out += 4;
    }
  }
  return true;
}

bool IGraphics::PictureSize(double scale, int* width, int* height) const {
  const double s = scale == 0.0 ? mScale : UsableScale(scale);
  if (s <= 0.0) return false;
  if (width) *width = static_cast<int>(std::floor(mWidth * s + 0.5));
  if (height) *height = static_cast<int>(std::floor(mHeight * s + 0.5));
  return true;
}

bool IGraphics::CopyScaledPictureBgra(double scale, unsigned char* bgra, long long size) {
  const double s = scale == 0.0 ? mScale : UsableScale(scale);
  if (s <= 0.0) return false;
  if (s == mScale) return CopyPictureBgra(bgra, size);
  int width = 0, height = 0;
  PictureSize(s, &width, &height);
  if (!bgra || size != static_cast<long long>(width) * height * 4) return false;
  // The editor is drawn at that scale into a bitmap of its own, under the editor mutex (an
  // open window's thread is between passes), then everything goes back as it was and the
  // window redraws.
  MutexGuard editorGuard(EditorMutex());
  const double shown = mScale;
  LICE_SysBitmap* windowBitmap = mDrawBitmap;
  mScale = s;
  mDrawBitmap = new LICE_SysBitmap(width, height);
  const bool ok = CopyPictureBgra(bgra, size);
  delete mDrawBitmap;
  mDrawBitmap = windowBitmap;
  mScale = shown;
  MarkAllControlsDirty();
  return ok;
}

// ---------------------------------------------------------------------------------------
// Scale.

double IGraphics::UsableScale(double scale) {
  if (!std::isfinite(scale) || scale <= 0.0) return 0.0;
  if (scale < kMinScale) scale = kMinScale;
  if (scale > kMaxScale) scale = kMaxScale;
  // Hundredths: a host's 1.4999 is 1.5, and the images made for a scale are shared by
  // every editor at that scale.
  return std::floor(scale * 100.0 + 0.5) / 100.0;
}

double IGraphics::UserScaleFromEnvironment() {
  const char* text = std::getenv("QUELORA_UI_SCALE");
  if (!text || !text[0]) return 0.0;
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text) return 0.0;
  while (*end == ' ') ++end;
  // "150%" reads as 1.5.
  if (*end == '%') return UsableScale(value / 100.0);
  return *end ? 0.0 : UsableScale(value);
}

void IGraphics::SetHostScale(double scale) {
  const double s = UsableScale(scale);
  if (s <= 0.0) return;
  mHostScale = s;
  UpdateScale(true);
}

void IGraphics::SetDesktopScale(double scale, bool notify) {
  mDesktopScale = UsableScale(scale);
  mUserScale = UserScaleFromEnvironment();
  UpdateScale(notify);
}

void IGraphics::UpdateScale(bool notify) {
  double s = mHostScale > 0.0 ? mHostScale : (mUserScale > 0.0 ? mUserScale : mDesktopScale);
  if (s <= 0.0) s = 1.0;
  {
    MutexGuard editorGuard(EditorMutex());
    if (s == mScale) return;
    mScale = s;
    if (mDrawBitmap) mDrawBitmap->SetSize(Width(), Height());
    MarkAllControlsDirty();
    ScaleChanged();
  }
  if (notify && mPlug) mPlug->RefreshEditorRect();
}

int IGraphics::ToPixels(int units) const {
  if (mScale == 1.0) return units;
  return static_cast<int>(std::floor(units * mScale + 0.5));
}

IRECT IGraphics::ToPixels(const IRECT& r) const {
  if (mScale == 1.0 || r.Empty()) return r;
  return IRECT(ToPixels(r.L), ToPixels(r.T), ToPixels(r.R), ToPixels(r.B));
}

int IGraphics::ToUnits(int pixel) const {
  if (mScale == 1.0) return pixel;
  return static_cast<int>(std::floor((pixel + 0.5) / mScale));
}

IRECT IGraphics::ToUnitsCovering(const IRECT& r) const {
  if (mScale == 1.0 || r.Empty()) return r;
  return IRECT(static_cast<int>(std::floor(r.L / mScale)), static_cast<int>(std::floor(r.T / mScale)),
               static_cast<int>(std::ceil(r.R / mScale)), static_cast<int>(std::ceil(r.B / mScale)));
}

IGraphics* EditorOf(const IPlugBase* plug) {
  return plug ? dynamic_cast<IGraphics*>(plug->Editor()) : nullptr;
}
