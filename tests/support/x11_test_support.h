// Support for the X11 editor tests: a host window on its own display connection that
// drives the editor with real input through XTest and reads the window back, a plug-in
// with the effect's editor layout, and polling helpers.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "graphics/x11/graphics_x11.h"
#include "tests/support/editor_test_support.h"

// The host side: a top-level parent window and fake input.
class X11TestHost {
 public:
  X11TestHost(int width = 600, int height = 260, int x = 10, int y = 10);
  ~X11TestHost();
  X11TestHost(const X11TestHost&) = delete;
  X11TestHost& operator=(const X11TestHost&) = delete;

  bool Ok() const { return mDisplay && mParent; }
  Display* display() const { return mDisplay; }
  Window Parent() const { return mParent; }
  void* ParentHandle() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(mParent)); }
  // Destroys the parent window (as a host tearing its window down before effEditClose).
  void DestroyParent();

  // Pointer input at editor-window coordinates of window.
  void MoveTo(Window window, int x, int y);
  void Button(int button, bool press);
  void Click(Window window, int x, int y, int button = 1);
  // Press at (x0, y0), move in steps to (x1, y1), release.
  void Drag(Window window, int x0, int y0, int x1, int y1, int steps = 8, int button = 1);
  void Key(unsigned long keysym);
  void Type(const char* text);

  // Children of a window (0 when it does not exist).
  int ChildCount(Window window);
  // The window's pixels as 0x00RRGGBB words (empty when it cannot be read).
  std::vector<uint32_t> Grab(Window window, int w, int h) { return Grab(window, 0, 0, w, h); }
  std::vector<uint32_t> Grab(Window window, int x, int y, int w, int h);

 private:
  Display* mDisplay;
  Window mParent;
};

// The effect's editor layout on a test plug-in, built with the real Linux editor and the
// artwork compiled into the framework.
IGraphicsX11* AttachQueloraLayout(IPlugBase* plug);

// Polls pred every few milliseconds until it holds or timeoutMs passes.
bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 3000);
void SleepMs(int ms);
// Open file descriptors of this process.
int OpenFdCount();

// The draw bitmap's pixels as 0x00RRGGBB words.
std::vector<uint32_t> DrawBitmapRgb(IGraphics* editor);
// Count of positions where a and b differ.
int PixelDifferences(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b);

// Test-plug-in helpers that read the recorded calls under the plug-in lock.
std::vector<std::string> LockedGestures(TestPlug* plug);
int LockedCount(TestPlug* plug, const char* what);
double LockedNormalized(TestPlug* plug, int index);
double LockedValue(TestPlug* plug, int index);
// Opens / closes the editor the way the dispatcher does: with the plug-in lock held.
void* LockedOpen(IPlugBase* plug, void* parent);
void LockedClose(IPlugBase* plug);
// True when nothing is waiting to be drawn or exchanged with the plug-in (plug-in lock and
// editor mutex held inside).
bool LockedClean(IGraphics* editor);
