// What the plug-in base and the format adapters need from an editor, defined here so that
// the plug-in layer never includes the editor's layers. The editor framework
// (graphics/IGraphics.h) implements it; the plug-in base owns the attached editor.
//
// Threading: every call comes from the host's user-interface thread (or the constructing
// thread, while the editor is attached) with the plug-in lock held, unless noted.
#pragma once

class IPlugEditor {
 public:
  virtual ~IPlugEditor() {}

  // Every control bound to paramIndex takes the value (a real value, converted with the
  // parameter's normalization first, when isNormalized is false).
  virtual void PushParamValueToControls(int paramIndex, double value, bool isNormalized) = 0;
  // After that many frames of the editor's timer the owner's FlushPendingParamEdit is
  // called (the end of a wheel gesture); Disarm cancels the countdown.
  virtual void ArmGestureEndTimer(int ticks) = 0;
  virtual void DisarmGestureEndTimer() = 0;
  // Frames per second of the editor's timer.
  virtual int FrameRate() const = 0;
  // Creates the bitmaps the editor draws into (attach, and before an off-screen picture).
  virtual void PrepareDrawing() = 0;
  // The editor's size in pixels (at its scale factor).
  virtual int Width() const = 0;
  virtual int Height() const = 0;

  // Opens the editor as a child of the host's native window (an X11 Window id or an HWND,
  // passed as a pointer); the editor's own native window, or null when it could not open.
  virtual void* AttachToParentWindow(void* parent) = 0;
  // Closes the editor's window; nothing happens when none is open.
  virtual void DetachFromParentWindow() = 0;
  // A wheel delta delivered by the host; 1 when it reached the editor.
  virtual int RouteHostWheel(float delta) = 0;
  // Paints the whole editor off-screen and copies it into bgra (size bytes, which must be
  // exactly Width() x Height() x 4): rows top first, four bytes per pixel in the order
  // B, G, R, A. False (bgra untouched) for a null buffer or a size that does not match.
  virtual bool CopyPictureBgra(unsigned char* bgra, long long size) = 0;
  // The same picture drawn at a scale factor (0: the editor's current scale), whatever the
  // scale the editor shows at; its size first. Base: only the current scale.
  virtual bool PictureSize(double scale, int* width, int* height) const {
    if (scale != 0.0) return false;
    if (width) *width = Width();
    if (height) *height = Height();
    return true;
  }
  virtual bool CopyScaledPictureBgra(double scale, unsigned char* bgra, long long size) {
    return scale == 0.0 && CopyPictureBgra(bgra, size);
  }

  // --- An editor driven by the host's run loop (a VST 3 frame's run loop, CLAP's timer
  // and file-descriptor support on Linux) instead of by a thread of its own. Platforms
  // whose editor already runs on the host's thread (Windows) ignore these.

  // Before AttachToParentWindow, plug-in lock held: true makes the next opened window rely
  // on HostDrivenIdle being called on the host's UI thread (timer period
  // HostDrivenPeriodMs, and whenever HostDrivenFd is readable); false (the default) lets
  // the platform choose.
  virtual void SetDrivenByHost(bool driven) { (void)driven; }
  // While a host-driven window is open: the descriptor the host should watch for reading,
  // or -1 when there is none. Plug-in lock held.
  virtual int HostDrivenFd() { return -1; }
  // The timer period the host should call HostDrivenIdle with.
  virtual int HostDrivenPeriodMs() const { return FrameRate() > 0 ? 1000 / FrameRate() : 40; }
  // Host's UI thread, plug-in lock NOT held (the editor takes it briefly itself): handles
  // pending window events and the timer ticks that fell due. Does nothing when no
  // host-driven window is open.
  virtual void HostDrivenIdle() {}

  // The scale factor the host asks for (1 = 100 %), from the format's scale call; any
  // thread with the plug-in lock held. Values outside what the editor supports are
  // clamped by it; Width and Height follow, and a change while the editor is open resizes
  // it and calls the owner's RefreshEditorRect. Base: ignored.
  virtual void SetHostScale(double scale) { (void)scale; }
};
