// The platform-neutral half of the plug-in editor: the ordered control list, the
// off-screen draw bitmap, dirty tracking and rendering, hit testing and the routing of
// mouse, wheel and key events to the controls, the drawing primitives the controls use,
// and the process-wide image and font caches. A platform class derives from it and
// supplies the window, the copy to the screen, timers, dialogs and image loading.
//
// Threading. Everything here runs on the thread that does the editor's work (the
// platform's editor thread, or the host's user-interface thread), except the calls the
// plug-in base makes with its plug-in lock held (PushParamValueToControls, PrepareDrawing,
// ArmGestureEndTimer, DisarmGestureEndTimer), which may come from any host thread.
//
// Two ways of working. Without an open window (off-screen rendering, tests, tools) every
// caller holds the plug-in lock, controls send their edits straight to the plug-in and
// pushed values reach the controls at once. While a platform window is open the platform
// switches to working outside the plug-in lock (SetWorksOutsidePluginLock): then pushed
// values are only noted, edits are queued, and the platform's work path trades both with
// the plug-in in ExchangeWithPlugin (plug-in lock held, nothing else done there) and
// applies what it got in ApplyExchangedValues (no plug-in lock), so that rendering,
// measuring text and talking to the window system never hold the plug-in lock. The
// editor's own mutex (EditorMutex) guards the controls and bitmaps against the few host
// calls that draw the editor themselves. Lock order: plug-in lock, then editor mutex; a
// platform's editor thread that holds the editor mutex only tries the plug-in lock, for a
// bounded time, so it never waits for such a host call.
// The image and font caches (FetchBitmap, CutOutBitmap, FontForText) take their own cache
// mutex for every lookup and insertion, because several plug-in instances in one process
// share them.
//
// Scale. The editor draws at a scale factor S (1 to 3): its window and draw bitmap are
// round(width S) x round(height S) pixels, while the controls keep their layout in units
// of the 1x editor. A unit coordinate u lands on pixel floor(u S + 1/2) (ToPixels), so
// every rectangle of the layout has its place in pixels; mouse positions come back as
// floor((pixel + 1/2) / S) (ToUnits), which visits every unit a 1x drag visits, so the
// same physical movement in units gives the same values and the same host edits at any
// scale. Images come from the artwork set drawn for the scale (an image fetched as id,
// "dir/name.png" has its 1.5x set under id + kArtworkSetIdStep, "dir/name@1.5x.png", and
// its 2x set under id + 2 kArtworkSetIdStep, "dir/name@2x.png"); a scale between sets
// uses the next larger set reduced with a good filter (ResampleBlit), above 2x the 2x set
// enlarged, and an image without sets its 1x image enlarged. Text is rendered by the font
// engine at S times its size; rectangles and fills are mapped as above. At S = 1 every
// primitive takes exactly the path it took before scaling existed.
//
// S is the first of: the host's scale (SetHostScale, from a format's scale call), the
// user's (environment variable QUELORA_UI_SCALE, read when the editor is made and when
// its window opens), the desktop's (SetDesktopScale, from the platform: X11's Xft.dpi /
// 96 or GDK_SCALE, Windows' monitor DPI / 96); else 1. It is kept in hundredths. It is
// written with the plug-in lock and the editor mutex held (so either one suffices to
// read it); a change while a window is open redraws everything at the new size, lets
// the platform resize its window (ScaleChanged) and tells the plug-in
// (IPlugBase::RefreshEditorRect, plug-in lock held, editor mutex not held).
#pragma once

#include <atomic>

#include "base/mutex.h"
#include "base/ptr_list.h"
#include "base/wdl_string.h"
#include "graphics/editor_exchange.h"
#include "graphics/graphics_types.h"
#include "plug/IPlugEditor.h"

class IPlugBase;
class IParam;
class IControl;
class IEditableTextControl;
class LICE_IBitmap;
class LICE_IFont;
class LICE_MemBitmap;
class LICE_SysBitmap;

class IGraphics : public IPlugEditor {
 public:
  // The scales the editor draws at, and the id distance of the artwork sets (see above).
  static constexpr double kMinScale = 1.0;
  static constexpr double kMaxScale = 3.0;
  static constexpr int kArtworkSetIdStep = 50;

  // Constructing thread. frameRate <= 0 selects 24 frames per second. Creates no bitmap.
  IGraphics(IPlugBase* owner, int width, int height, int frameRate);

  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // ---------------------------------------------------------------------------------
  // Set-up (constructing thread, before the editor is attached to the plug-in).

  // Appends the control and takes ownership; returns its index. A null control is
  // ignored (-1).
  int AddControl(IControl* control);
  // The cached image of that id, loaded through LoadImageResource on first use. An image
  // that cannot be loaded gives {null, 0, 0, frames}; every primitive draws nothing for it.
  IBitmap FetchBitmap(int resourceId, const char* fileName, int frameCount = 1);
  // Fetches the image and inserts a full-size IBitmapControl at index 0.
  void SetBackgroundImage(int resourceId, const char* fileName);
  // Plug-in base (AttachEditor), lock held: creates the draw and scratch bitmaps.
  void PrepareDrawing() override;

  // ---------------------------------------------------------------------------------
  // From the plug-in base and the host adapter (user-interface thread; the plug-in lock
  // is held by the caller).

  // Every control bound to paramIndex takes the value (converted with the parameter's
  // normalization first when isNormalized is false): at once, or, while the editor works
  // outside the plug-in lock, at its next exchange. Any thread, plug-in lock held.
  void PushParamValueToControls(int paramIndex, double value, bool isNormalized) override;
  void MarkAllControlsDirty();
  int FrameRate() const override { return mFPS; }
  // The editor's size in pixels at its scale (the window's size).
  int Width() const override { return ToPixels(mWidth); }
  int Height() const override { return ToPixels(mHeight); }
  // The size in units of the layout (the 1x size).
  int LayoutWidth() const { return mWidth; }
  int LayoutHeight() const { return mHeight; }
  // Every control marked dirty, the whole editor painted into the draw bitmap and copied
  // out (see IPlugEditor). False as well when the draw bitmap could not follow the size.
  // Takes the editor mutex, then for the painting the process-wide drawing lock
  // (EditorDrawingMutex), which other instances' editor threads hold while they draw.
  bool CopyPictureBgra(unsigned char* bgra, long long size) override;
  // The same at another scale (0: the current one), drawn into a bitmap of its own; an
  // open window is redrawn afterwards. Plug-in lock held.
  bool PictureSize(double scale, int* width, int* height) const override;
  bool CopyScaledPictureBgra(double scale, unsigned char* bgra, long long size) override;

  // ---------------------------------------------------------------------------------
  // Scale (see the top of this file).

  // The scale the editor draws at now.
  double Scale() const { return mScale; }
  // The host's scale factor; non-finite or non-positive values are ignored, others
  // clamped to 1 ... 3. Plug-in lock held.
  void SetHostScale(double scale) override;
  // A scale as the editor uses it: clamped to 1 ... 3, in hundredths; 0 for values that
  // are no scale (not finite, not positive).
  static double UsableScale(double scale);
  // QUELORA_UI_SCALE as a usable scale, 0 when it is not set or not a number.
  static double UserScaleFromEnvironment();
  // Layout units <-> pixels at the current scale.
  int ToPixels(int units) const;
  IRECT ToPixels(const IRECT& units) const;
  int ToUnits(int pixel) const;
  // The smallest unit rectangle covering a pixel rectangle.
  IRECT ToUnitsCovering(const IRECT& pixels) const;

  // ---------------------------------------------------------------------------------
  // The exchange with the plug-in (see the top of this file).

  // True while a platform window does the editor's work outside the plug-in lock. Any
  // thread.
  bool WorksOutsidePluginLock() const { return mOutsideLock.load(std::memory_order_acquire); }
  // Editor work path, plug-in lock held: sends the queued edits, takes the pushed values
  // and copies the parameter values for the display texts.
  void ExchangeWithPlugin();
  // Editor work path, no plug-in lock: the controls take the pushed values, the display
  // texts are formatted.
  void ApplyExchangedValues();
  // Edits are waiting for the next exchange (editor work path).
  bool HasQueuedEdits() const { return mExchange.HasQueued(); }
  // Edits or pushed values wait for an exchange or to be applied (plug-in lock and editor
  // mutex held).
  bool ExchangePending() const {
    return mExchange.HasQueued() || mExchange.HasPushed() || mExchange.TakenCount() > 0;
  }
  // The guard of the controls and bitmaps for host calls that draw the editor themselves.
  WDL_Mutex* EditorMutex() { return &mMutex; }
  // A host call that draws the editor itself, plug-in lock and editor mutex held: a whole
  // exchange and its values applied, so that the picture shows the current values.
  void CatchUpWithPlugin();

  // Edits made by controls and the mouse routing (editor work path): sent to the plug-in
  // now (the caller holds the plug-in lock or takes it in there), or queued for the next
  // exchange while the editor works outside the plug-in lock.
  void BeginEdit(int paramIndex);
  // Begins unless that parameter's deferred end is pending (wheel).
  void BeginEditOnce(int paramIndex);
  void SendValue(int paramIndex, double normalized);
  void EndEdit(int paramIndex);
  // A deferred end (wheel): the plug-in's gesture-end timer sends it later.
  void EndEditSoon(int paramIndex);

  // The parameter's value (real, not normalized) as the editor shows it, and its display
  // text plus unit label. False / nothing when there is no such parameter or no text.
  bool ShownParamValue(int paramIndex, double* value);
  bool ShownParamText(int paramIndex, char* out, int outSize);

  // ---------------------------------------------------------------------------------
  // From the platform layer (user-interface thread).

  // Unites the rectangles of every control that needs a redraw into *out (which the
  // caller passes empty); true when at least one did.
  bool CollectDirtyArea(IRECT* out);
  // Paints the controls overlapping *r into the draw bitmap and presents it.
  bool RenderArea(const IRECT* r);

  // Mouse and key positions are in pixels of the window; the editor maps them to units.
  void MousePressed(int x, int y, const IMouseMod* mod);
  void MouseReleased(int x, int y, const IMouseMod* mod);
  void MouseDragged(int x, int y, const IMouseMod* mod);
  // True: the platform must capture the mouse.
  bool MouseDoubleClicked(int x, int y, const IMouseMod* mod);
  void MouseWheeled(int x, int y, const IMouseMod* mod, int notches);
  // True: the platform should track hover and leave events.
  bool MouseHovered(int x, int y, const IMouseMod* mod);
  void MouseLeftEditor();
  void KeyPressed(int x, int y, EditorKeyCode key);
  // An in-place entry closed with new text for control (bound to param, or null).
  void CommitEnteredText(IControl* control, IParam* param, const char* text);

  // Index of the control that receives the mouse at (x, y) (units): the captured one, else
  // the topmost visible, enabled control containing the point; -1 when none.
  int ControlIndexAt(int x, int y) const;

  // ---------------------------------------------------------------------------------
  // Drawing primitives for the controls (user-interface thread, inside RenderArea). All
  // take units and draw into the draw bitmap at the editor's scale; blits clip to the draw
  // area. A null blend means copy with source alpha at full weight.

  bool BlitBitmap(const IBitmap* bitmap, const IRECT* dest, int srcX, int srcY,
                  const IChannelBlend* blend);
  // frame is 1-based and not clamped here.
  bool BlitBitmapFrame(const IBitmap* bitmap, const IRECT* dest, int frame,
                       const IChannelBlend* blend, bool framesVertical);
  // Whole image rotated about its centre placed at (cx, cy), bilinear sampling.
  bool BlitRotatedBitmap(const IBitmap* bitmap, int cx, int cy, double angle,
                         const IChannelBlend* blend, float srcX, float srcY);
  bool PaintRect(const IColor* color, const IRECT* r, const IChannelBlend* blend);
  // False only when no font could be made for the style.
  bool PaintText(IText* text, const char* str, const IRECT* r);
  // A copy of that rectangle of the image, owned by the image cache and shared by every
  // caller asking for the same rectangle of the same image.
  IBitmap CutOutBitmap(const IBitmap* bitmap, const IRECT* r);
  // The cached font for the style (also stored in text->mCached), or null.
  LICE_IFont* FontForText(IText* text);

  // ---------------------------------------------------------------------------------
  // Accessors.

  IPlugBase* Owner() const { return mPlug; }
  int ControlCount() const { return mControls.ItemCount(); }
  IControl* ControlAt(int index) const { return mControls.ItemAt(index); }
  LICE_SysBitmap* DrawBitmap() const { return mDrawBitmap; }
  const IRECT& DrawArea() const { return mDrawRECT; }
  int CapturedControl() const { return mMouseCapture; }
  int HoveredControl() const { return mMouseOver; }
  bool StrictDrawing() const { return mStrict; }
  bool ShowControlBounds() const { return mShowControlBounds; }
  bool TrackHover() const { return mHandleMouseOver; }
  bool ShowTooltips() const { return mShowTooltips; }
  bool LastPressWasRight() const { return mLastClickRight; }
  // These switches are fixed in the plug-in; tools and tests may flip them.
  void SetStrictDrawing(bool strict) { mStrict = strict; }
  void SetShowControlBounds(bool show) { mShowControlBounds = show; }
  void SetTrackHover(bool track) { mHandleMouseOver = track; }

  // ---------------------------------------------------------------------------------
  // Virtual operations. "Platform" ones are supplied by the platform classes; they run on
  // the user-interface thread unless noted.

  // Platform: copy that rectangle of the draw bitmap to the window.
  virtual bool PresentToScreen(const IRECT* r) = 0;
  // Sets the size, forgets capture and mouse position, deletes every control and asks the
  // owner to tell the host the new size. Platforms extend it.
  virtual void ChangeEditorSize(int width, int height);
  virtual bool HasOpenWindow() { return GetNativeWindow() != nullptr; }
  virtual void BeginParamValueEntry(IControl* control, IParam* param) = 0;
  virtual void BeginTextControlEditing(IEditableTextControl* control) = 0;
  // Folders with a trailing separator.
  virtual void GetHostExecutablePath(WDL_String* path) = 0;
  virtual void GetPluginModulePath(WDL_String* path) = 0;
  // action 1 = save, else open; the name becomes empty on cancel or without a window.
  virtual void AskForFileName(WDL_String* fileName, int action, const char* initialFolder,
                              const char* extensions) = 0;
  virtual bool AskForColor(IColor* color, const char* prompt) = 0;
  virtual bool OpenWebAddress(const char* address, const char* caption,
                              const char* confirmation, const char* errorText) = 0;
  // A wheel delta delivered by the host; 1 when the platform routed it to the editor.
  int RouteHostWheel(float delta) override;
  // Plug-in base, plug-in lock held: after that many redraw-timer ticks call the owner's
  // FlushPendingParamEdit; Disarm cancels the countdown.
  void ArmGestureEndTimer(int ticks) override = 0;
  void DisarmGestureEndTimer() override = 0;
  // Host adapter (editor open / close). Window handles are opaque here.
  void* AttachToParentWindow(void* parent) override = 0;
  void DetachFromParentWindow() override = 0;
  virtual void* GetNativeWindow() = 0;
  // Deletes the controls (last first), then the bitmaps.
  ~IGraphics() override;
  virtual void ResetTooltip() = 0;
  // Platform: decode the image of that id / name; null on failure. The caller (the image
  // cache) owns the result. Called with the image cache's mutex held.
  virtual LICE_IBitmap* LoadImageResource(int resourceId, const char* fileName) = 0;

 protected:
  // Platform: the desktop's scale (0: none known), plug-in lock held (or the constructing
  // thread, with notify false: the owner is not told, the editor is not attached yet).
  // Also reads QUELORA_UI_SCALE again. Changes the scale when it decides it.
  void SetDesktopScale(double scale, bool notify = true);
  // Platform: the scale changed (plug-in lock and editor mutex held); the draw bitmap has
  // its new size and every control is dirty. An open window is resized by the platform.
  virtual void ScaleChanged() {}
  // The part (in 1x pixels) of an image at the current scale: from the artwork set, cut
  // or filtered, cached process-wide for up to BitmapCache::kMaxScales scales. Null when
  // the image has no pixels. *temporary: made for this draw only (a scale beyond those
  // kept); the caller deletes it after drawing.
  LICE_IBitmap* ScaledImage(const IBitmap* bitmap, const IRECT& part, bool* temporary);
  // Blits part of an image at the current scale: the part's image placed with its top-left
  // at (originX, originY) in units, clipped to dest (units) and the draw area.
  bool BlitScaledPart(const IBitmap* bitmap, const IRECT& part, const IRECT& dest, int originX,
                      int originY, const IChannelBlend* blend);
  void DrawControlBounds();
  IControl* HitControl(int x, int y, int* index) const;
  // Platform: switched on while its window does the work outside the plug-in lock, off
  // when that work has stopped. Plug-in lock held. Switching on sizes the exchange.
  void SetWorksOutsidePluginLock(bool on);
  // Platform, when it closes: sends queued edits (flush) or drops them. Plug-in lock held,
  // no editor work running.
  void SettleQueuedEdits(bool flush);
  // Works out the scale from its sources; a change takes the editor mutex and ends in
  // ScaleChanged and, with notify, the owner's RefreshEditorRect. Plug-in lock held.
  void UpdateScale(bool notify);

  WDL_Mutex mMutex;
  WDL_PtrList<IControl> mControls;
  IPlugBase* mPlug;
  IRECT mDrawRECT;
  LICE_SysBitmap* mDrawBitmap;
  LICE_MemBitmap* mTmpBitmap;
  int mWidth, mHeight;
  int mFPS;
  int mIdleTicks;
  int mMouseCapture;
  int mMouseOver;
  int mMouseX, mMouseY;
  bool mHandleMouseOver;
  bool mShowTooltips;
  bool mStrict;
  bool mLastClickRight;
  bool mShowControlBounds;
  EditorExchange mExchange;
  std::atomic<bool> mOutsideLock;
  // The scale and where it comes from (0: that source says nothing).
  double mScale;
  double mHostScale;
  double mUserScale;
  double mDesktopScale;
};

// The editor attached to plug, or null (the plug-in base knows it only as an IPlugEditor;
// every editor attached in this framework is an IGraphics).
IGraphics* EditorOf(const IPlugBase* plug);

// Inspection of the process-wide caches (tests and tools; takes the cache mutexes).
int BitmapCacheEntryCount();
int FontCacheEntryCount();
