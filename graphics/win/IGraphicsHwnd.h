// The Windows editor window: a child window inside the host's window that shows the
// editor's off-screen bitmap, redraws it from a fixed-rate timer, turns Win32 mouse and key
// messages into the editor core's entries, and supplies the native pieces the controls
// need (value-entry popups, dialogs, web links, module paths, images from the DLL's
// resources).
//
// Threading: everything runs on the host's user-interface thread, which owns the window.
// While the window is open the editor works outside the plug-in lock: messages, timer
// ticks and painting take it only to trade values with the plug-in (TradeWithPlugin:
// queued edits out, pushed values and the values for the display texts in, the wheel
// gesture-end countdown), never while drawing or calling GDI. Parameter values pushed
// from other threads (host automation on the audio thread) wait in the exchange for the
// next tick. ArmGestureEndTimer / DisarmGestureEndTimer come from the plug-in base with
// its plug-in lock held. The process-wide window count and frame rate are touched only on
// the user-interface thread.
//
// Scale: the desktop's is the DPI / 96 of the monitor the host's window is on, as the
// system reports it to the host (a per-monitor aware host gets the monitor's; a host the
// system scales itself gets 96, and the system enlarges its windows); guessed from the
// system's DPI when the editor is made, read from the parent window when the window opens
// and again when a DPI message says the monitor changed. A scale change resizes the
// window at the next timer tick (or at once after a DPI message), without the plug-in
// lock; the value entries open at the control's place in pixels with a scaled font.
#pragma once

#include <windows.h>

#include "graphics/IGraphics.h"

class IGraphicsHwnd : public IGraphics {
 public:
  // Entry popup states.
  enum EntryState { kEntryIdle = 0, kEntryFocused = 1, kEntryCancel = 2, kEntryCommit = 3 };
  // Timer id of the redraw timer and control id of the entry popup.
  enum { kRedrawTimerId = 2, kEntryPopupId = 99 };

  // Constructing thread. The module instance is the plug-in DLL's (PluginModuleInstance).
  IGraphicsHwnd(IPlugBase* owner, int width, int height, int frameRate);
  ~IGraphicsHwnd() override;

  bool PresentToScreen(const IRECT* r) override;
  void ChangeEditorSize(int width, int height) override;
  // Plug-in lock and editor mutex held: the window is resized later (ApplyPendingResize).
  void ScaleChanged() override;
  bool HasOpenWindow() override { return mPlugWnd != nullptr; }
  void BeginParamValueEntry(IControl* control, IParam* param) override;
  void BeginTextControlEditing(IEditableTextControl* control) override;
  void GetHostExecutablePath(WDL_String* path) override;
  void GetPluginModulePath(WDL_String* path) override;
  void AskForFileName(WDL_String* fileName, int action, const char* initialFolder,
                      const char* extensions) override;
  bool AskForColor(IColor* color, const char* prompt) override;
  bool OpenWebAddress(const char* address, const char* caption, const char* confirmation,
                      const char* errorText) override;
  int RouteHostWheel(float delta) override;
  void ArmGestureEndTimer(int ticks) override { mGestureEndTicks = ticks; }
  void DisarmGestureEndTimer() override { mGestureEndTicks = 0; }
  // parent: the host's HWND. Returns the editor's HWND, or null when it cannot be made.
  void* AttachToParentWindow(void* parent) override;
  void DetachFromParentWindow() override;
  void* GetNativeWindow() override { return mPlugWnd; }
  void ResetTooltip() override;
  LICE_IBitmap* LoadImageResource(int resourceId, const char* fileName) override;

  // Inspection (tests).
  HWND EntryPopup() const { return mEntryWnd; }
  int EntryStateNow() const { return mEntryState; }
  int GestureEndTicksLeft() const { return mGestureEndTicks; }
  HINSTANCE ModuleInstance() const { return mHInstance; }
  static int OpenWindowCount();
  // Period of the redraw timer in milliseconds: truncate(1000 / frame rate).
  static int TimerPeriodMs();

 private:
  static LRESULT CALLBACK EditorWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK EntryPopupProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleEditorMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // Takes the plug-in lock for the exchange (and, on a tick, the gesture-end countdown),
  // then applies the values it got without the lock.
  void TradeWithPlugin(bool tick);
  void OnTimerTick();
  // User-interface thread, no plug-in lock: the window takes the size of a new scale.
  void ApplyPendingResize();
  void FocusForHost();
  void HideTooltip();
  // Makes the popup a subclassed, focused child with its font; false when it failed.
  void AdoptEntryPopup(HWND popup, HFONT font, IControl* control, IParam* param, bool isList);
  // Restores the popup's procedure, destroys it and forgets the entry.
  void CloseEntryPopup();

  HINSTANCE mHInstance;
  HWND mPlugWnd;
  HWND mTooltipWnd;
  HWND mEntryWnd;
  IControl* mEntryControl;
  IParam* mEntryParam;
  WNDPROC mEntryPrevProc;
  int mEntryState;
  bool mShowingTooltip;
  int mTooltipIndex;
  // Plug-in lock.
  int mGestureEndTicks;
  COLORREF* mCustomColors;
  HWND mParentWnd;
  // Owned with the entry popup: its font (deleted with the popup) and whether it is the
  // drop-down list rather than the edit box.
  HFONT mEntryFont;
  bool mEntryIsList;
  // The scale changed while the window was open; its size has not followed yet.
  bool mResizePending;
};
