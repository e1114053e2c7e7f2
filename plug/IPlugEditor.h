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
};
