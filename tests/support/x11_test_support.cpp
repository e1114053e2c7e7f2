#include "tests/support/x11_test_support.h"

#include <dirent.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <thread>

#include "graphics/IControl.h"
#include "graphics/knob_controls.h"
#include "graphics/radio_buttons.h"
#include "graphics/slider_controls.h"
#include "graphics/url_control.h"
#include "raster/bitmap.h"
#include "resources/embedded_images.h"

namespace {

// The effect's images, as the module compiled them in.
bool FindLayoutPng(int resourceId, const char* fileName, const unsigned char** bytes, int* size) {
  const EmbeddedImage* image = FindEmbeddedImage(resourceId);
  if (!image) image = FindEmbeddedImageByName(fileName);
  if (!image) return false;
  *bytes = image->data;
  *size = image->size;
  return true;
}

}  // namespace

X11TestHost::X11TestHost(int width, int height, int x, int y) : mDisplay(nullptr), mParent(0) {
  // A server that just lost its last client resets and refuses connections for a moment.
  for (int attempt = 0; attempt < 50 && !mDisplay; ++attempt) {
    mDisplay = XOpenDisplay(nullptr);
    if (!mDisplay) SleepMs(100);
  }
  if (!mDisplay) return;
  XSetWindowAttributes attributes;
  attributes.background_pixel = BlackPixel(mDisplay, DefaultScreen(mDisplay));
  attributes.override_redirect = True;  // placed exactly, whatever manages the screen
  mParent = XCreateWindow(mDisplay, DefaultRootWindow(mDisplay), x, y, width, height, 0,
                          CopyFromParent, InputOutput, CopyFromParent,
                          CWBackPixel | CWOverrideRedirect, &attributes);
  XMapRaised(mDisplay, mParent);
  XSync(mDisplay, False);
}

X11TestHost::~X11TestHost() {
  if (!mDisplay) return;
  DestroyParent();
  XCloseDisplay(mDisplay);
}

void X11TestHost::DestroyParent() {
  if (mParent) XDestroyWindow(mDisplay, mParent);
  mParent = 0;
  XSync(mDisplay, False);
}

void X11TestHost::MoveTo(Window window, int x, int y) {
  int rootX = 0, rootY = 0;
  Window child;
  XTranslateCoordinates(mDisplay, window, DefaultRootWindow(mDisplay), x, y, &rootX, &rootY, &child);
  XTestFakeMotionEvent(mDisplay, -1, rootX, rootY, CurrentTime);
  XSync(mDisplay, False);
}

void X11TestHost::Button(int button, bool press) {
  XTestFakeButtonEvent(mDisplay, static_cast<unsigned>(button), press ? True : False, CurrentTime);
  XSync(mDisplay, False);
}

void X11TestHost::Click(Window window, int x, int y, int button) {
  MoveTo(window, x, y);
  Button(button, true);
  Button(button, false);
}

void X11TestHost::Drag(Window window, int x0, int y0, int x1, int y1, int steps, int button) {
  MoveTo(window, x0, y0);
  Button(button, true);
  for (int i = 1; i <= steps; ++i) {
    MoveTo(window, x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
    SleepMs(5);
  }
  Button(button, false);
}

void X11TestHost::Key(unsigned long keysym) {
  const KeyCode code = XKeysymToKeycode(mDisplay, keysym);
  XTestFakeKeyEvent(mDisplay, code, True, CurrentTime);
  XTestFakeKeyEvent(mDisplay, code, False, CurrentTime);
  XSync(mDisplay, False);
}

void X11TestHost::Type(const char* text) {
  for (; *text; ++text) Key(static_cast<unsigned char>(*text));  // digits and letters: keysym = ASCII
}

int X11TestHost::ChildCount(Window window) {
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(mDisplay, window, &root, &parent, &children, &count)) return 0;
  if (children) XFree(children);
  return static_cast<int>(count);
}

std::vector<uint32_t> X11TestHost::Grab(Window window, int x0, int y0, int w, int h) {
  std::vector<uint32_t> out;
  XImage* image = XGetImage(mDisplay, window, x0, y0, static_cast<unsigned>(w),
                            static_cast<unsigned>(h), AllPlanes, ZPixmap);
  if (!image) return out;
  out.resize(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      // The test server runs at depth 24 with the usual masks.
      out[static_cast<size_t>(y) * w + x] = static_cast<uint32_t>(p & 0xFFFFFF);
    }
  }
  XDestroyImage(image);
  return out;
}

IGraphicsX11* AttachQueloraLayout(IPlugBase* plug) {
  IGraphicsX11* editor = new IGraphicsX11(plug, 550, 209, 0);
  editor->SetPngSource(FindLayoutPng);
  editor->SetBackgroundImage(100, "img/bg.png");
  IText text(16, IColor(230, 255, 255, 255), "Arial", 0, 0);
  IBitmap knob = editor->FetchBitmap(101, "img/knob.png", 2);
  editor->AddControl(new IKnobRotVal(plug, 0, 93, 118, &knob, &text, 15, 300, 4.0, 0, 0, 1.0f));
  IBitmap radio = editor->FetchBitmap(103, "img/radio.png", 4);
  editor->AddControl(new IRadioButtons(plug, 1, 155, 80, &radio, true, false, 0, 0, 0));
  IBitmap knob2 = editor->FetchBitmap(102, "img/knob2.png", 2);
  editor->AddControl(new IKnobRotVal(plug, 2, 287, 131, &knob2, &text, 13, 300, 4.0, 0, 0, 1.0f));
  editor->AddControl(new IKnobRotVal(plug, 3, 386, 131, &knob2, &text, 13, 300, 4.0, 0, 0, 1.0f));
  const IColor fill(255, 130, 130, 130);
  IBitmap handle = editor->FetchBitmap(104, "img/slider.png", 1);
  const IRECT dry(442, 83, 478, 184), wet(486, 83, 522, 184);
  editor->AddControl(new ISlider(plug, 4, &dry, &handle, &text, 84, false, &fill, 10, 1, true));
  editor->AddControl(new ISlider(plug, 5, &wet, &handle, &text, 84, false, &fill, 10, 1, true));
  const IRECT link(179, 6, 371, 53);
  editor->AddControl(new IURLControl(plug, &link, "ftp://not-opened.invalid/", nullptr, nullptr));
  plug->AttachEditor(editor);
  return editor;
}

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool WaitUntil(const std::function<bool()>& pred, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    if (pred()) return true;
    SleepMs(5);
  }
  return pred();
}

int OpenFdCount() {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return -1;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] != '.') ++count;
  }
  closedir(dir);
  return count - 1;  // the directory stream's own descriptor
}

std::vector<uint32_t> DrawBitmapRgb(IGraphics* editor) {
  std::vector<uint32_t> out;
  LICE_SysBitmap* bm = editor->DrawBitmap();
  if (!bm) return out;
  const int w = bm->Width(), h = bm->Height();
  out.resize(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) out[static_cast<size_t>(y) * w + x] = PixelAt(bm, x, y) & 0xFFFFFF;
  }
  return out;
}

int PixelDifferences(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  if (a.size() != b.size()) return -1;
  int n = 0;
  for (size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
  return n;
}

std::vector<std::string> LockedGestures(TestPlug* plug) {
  MutexGuard guard(plug->PluginLock());
  return plug->Gestures();
}

int LockedCount(TestPlug* plug, const char* what) {
  MutexGuard guard(plug->PluginLock());
  return plug->Count(what);
}

double LockedNormalized(TestPlug* plug, int index) {
  MutexGuard guard(plug->PluginLock());
  return plug->ParamAt(index)->NormalizedValue();
}

double LockedValue(TestPlug* plug, int index) {
  MutexGuard guard(plug->PluginLock());
  return plug->ParamAt(index)->current;
}

void* LockedOpen(IPlugBase* plug, void* parent) {
  MutexGuard guard(plug->PluginLock());
  return plug->Editor()->AttachToParentWindow(parent);
}

void LockedClose(IPlugBase* plug) {
  MutexGuard guard(plug->PluginLock());
  plug->Editor()->DetachFromParentWindow();
}

bool LockedClean(IGraphics* editor) {
  MutexGuard guard(editor->Owner()->PluginLock());
  MutexGuard editorGuard(editor->EditorMutex());
  IRECT dirty;
  return !editor->CollectDirtyArea(&dirty) && !editor->ExchangePending();
}
