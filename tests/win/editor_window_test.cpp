// The Windows editor window under a real message loop: a host frame window, the editor's
// child window with a knob, an integer knob and radio buttons over the shipped artwork
// (compiled into this program's resources), and mouse, wheel and key messages posted to it.
// Runs headless on wine's null display driver.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "graphics/knob_controls.h"
#include "graphics/radio_buttons.h"
#include "graphics/win/IGraphicsHwnd.h"
#include "graphics/win/plugin_module_win.h"
#include "raster/bitmap.h"
#include "raster/png_win.h"
#include "tests/support/editor_test_support.h"
#include "tests/support/win_test_helpers.h"

namespace {

// Delivers only what is queued now, without waiting for a timer.
void DeliverQueued(HWND only) {
  MSG m;
  while (PeekMessageA(&m, only, 0, WM_TIMER - 1, PM_REMOVE) ||
         PeekMessageA(&m, only, WM_TIMER + 1, 0xFFFFFFFF, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

bool ClassRegistered() {
  WNDCLASSA wc;
  return GetClassInfoA(PluginModuleInstance(), "IPlugWndClass", &wc) != 0;
}

class EditorWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = MakeHostFrame();
    ASSERT_NE(frame, nullptr) << "no display driver (run with wine's null driver)";
    editor = new IGraphicsHwnd(&plug, 550, 209, 24);
    editor->SetBackgroundImage(100, "img/bg.png");
    IBitmap knobImage = editor->FetchBitmap(101, "img/knob.png", 2);
    IBitmap radioImage = editor->FetchBitmap(103, "img/radio.png", 4);
    ASSERT_NE(knobImage.mData, nullptr);
    ASSERT_NE(radioImage.mData, nullptr);
    IText text(12, IColor(255, 200, 200, 200), "Arial");
    rateKnob = new IKnobRotVal(&plug, 0, 93, 118, &knobImage, &text, 4, 300);
    feedbackKnob = new IKnobRotVal(&plug, 3, 400, 118, &knobImage, &text, 4, 300);
    radios = new IRadioButtons(&plug, 1, 160, 80, &radioImage, true, false);
    editor->AddControl(rateKnob);
    editor->AddControl(feedbackKnob);
    editor->AddControl(radios);
    plug.AttachEditor(editor);
  }
  void TearDown() override {
    if (editor) editor->DetachFromParentWindow();
    if (frame) DestroyWindow(frame);
    PumpMessages(10);
  }
  HWND Open() {
    HWND child = static_cast<HWND>(editor->AttachToParentWindow(frame));
    PumpMessages(60);
    return child;
  }
  IParam* Param(int i) { return plug.ParamAt(i); }

  TestPlug plug;
  IGraphicsHwnd* editor = nullptr;  // owned by the plug-in
  IKnobRotVal* rateKnob = nullptr;
  IKnobRotVal* feedbackKnob = nullptr;
  IRadioButtons* radios = nullptr;
  HWND frame = nullptr;
};

TEST_F(EditorWindowTest, OpensAChildWindowOfItsClassAndRedrawsOnTheTimer) {
  EXPECT_EQ(IGraphicsHwnd::TimerPeriodMs(), 41);
  HWND child = Open();
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(editor->GetNativeWindow(), child);
  EXPECT_TRUE(editor->HasOpenWindow());
  EXPECT_EQ(GetParent(child), frame);
  char name[64] = {0};
  GetClassNameA(child, name, sizeof(name));
  EXPECT_STREQ(name, "IPlugWndClass");
  GetWindowTextA(child, name, sizeof(name));
  EXPECT_STREQ(name, "IPlug");
  RECT r;
  GetClientRect(child, &r);
  EXPECT_EQ(r.right, 550);
  EXPECT_EQ(r.bottom, 209);
  EXPECT_TRUE(GetWindowLongPtrA(child, GWL_STYLE) & WS_CHILD);
  EXPECT_EQ(IGraphicsHwnd::OpenWindowCount(), 1);

  // A host-side change reaches the screen within a few timer periods.
  plug.ParamAt(1)->SetFromNormalized(1.0);
  editor->PushParamValueToControls(1, 1.0, true);
  PumpMessages(150);
  EXPECT_EQ(radios->SelectedButton(), 4);

  // What the window shows is the editor's bitmap: the background artwork in a corner, the
  // knob's pixels at its centre.
  std::vector<uint32_t> shown = ReadWindowPixels(child, 550, 209);
  ASSERT_EQ(shown.size(), 550u * 209u);
  LICE_SysBitmap* drawn = editor->DrawBitmap();
  ASSERT_NE(drawn, nullptr);
  LICE_IBitmap* artwork = ReadPngResource(PluginModuleInstance(), 100);
  ASSERT_NE(artwork, nullptr);
  const int points[][2] = {{3, 3}, {540, 200}, {93, 118}, {275, 20}, {rateKnob->Rect().L + 2, 118}};
  for (const auto& pt : points) {
    const uint32_t screen = shown[pt[1] * 550 + pt[0]] & 0xFFFFFF;
    const uint32_t bitmap = drawn->PixelData()[pt[1] * drawn->PixelsPerRow() + pt[0]] & 0xFFFFFF;
    EXPECT_EQ(screen, bitmap) << "at " << pt[0] << "," << pt[1];
  }
  const uint32_t corner = artwork->PixelData()[3 * artwork->PixelsPerRow() + 3] & 0xFFFFFF;
  EXPECT_EQ(shown[3 * 550 + 3] & 0xFFFFFF, corner);
  delete artwork;
}

// A control that, while painting, asks another thread whether the plug-in lock is free.
class LockProbeControl : public IControl {
 public:
  explicit LockProbeControl(IPlugBase* owner) : IControl(owner, IRECT(500, 0, 510, 10), 2) {}
  bool Paint(IGraphics*) override {
    bool lockFree = false;
    std::thread other([&] {
      WDL_Mutex* lock = mPlug->PluginLock();
      if (lock->TryLock()) {
        lockFree = true;
        lock->Unlock();
      }
    });
    other.join();
    ++paints;
    if (!lockFree) ++paintsUnderLock;
    return true;
  }
  int paints = 0;
  int paintsUnderLock = 0;
};

TEST_F(EditorWindowTest, DrawsWithoutThePluginLockAndTakesHostValuesAtTheTick) {
  LockProbeControl* probe = new LockProbeControl(&plug);
  editor->AddControl(probe);
  HWND child = Open();
  ASSERT_NE(child, nullptr);
  PumpMessages(120);
  EXPECT_GT(probe->paints, 0);
  EXPECT_EQ(probe->paintsUnderLock, 0);

  // Host automation from another thread only leaves the value for the window's next
  // tick: the controls the user-interface thread draws are not touched from there.
  const double shownBefore = feedbackKnob->Value();
  std::thread audio([&] {
    MutexGuard guard(plug.PluginLock());
    plug.ParamAt(3)->SetFromNormalized(1.0);
    editor->PushParamValueToControls(3, 1.0, true);
  });
  audio.join();
  EXPECT_EQ(feedbackKnob->Value(), shownBefore);
  PumpMessages(150);
  EXPECT_EQ(feedbackKnob->Value(), 1.0);
  probe->SetValue(0.5);
  probe->MarkDirty(false);
  const int paints = probe->paints;
  PumpMessages(150);
  EXPECT_GT(probe->paints, paints);
  EXPECT_EQ(probe->paintsUnderLock, 0);
}

TEST_F(EditorWindowTest, DraggingTheRateKnobAutomatesOneGesture) {
  HWND child = Open();
  ASSERT_NE(child, nullptr);
  const double before = Param(0)->current;
  PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, At(93, 118));
  PumpMessages(20);
  EXPECT_EQ(GetCapture(), child);
  for (int y = 114; y >= 90; y -= 4) {
    PostMessageA(child, WM_MOUSEMOVE, MK_LBUTTON, At(93, y));
    PumpMessages(5);
  }
  PostMessageA(child, WM_LBUTTONUP, 0, At(93, 90));
  PumpMessages(60);
  EXPECT_GT(Param(0)->current, before);
  EXPECT_EQ(GetCapture(), nullptr);
  const std::vector<std::string> gestures = plug.Gestures();
  ASSERT_EQ(gestures.size(), 2u);
  EXPECT_EQ(gestures[0], "begin 0");
  EXPECT_EQ(gestures[1], "end 0");
  EXPECT_GT(plug.Count("automate"), 0);

  // A move with the button down but without capture drags nothing.
  const double after = Param(0)->current;
  PostMessageA(child, WM_MOUSEMOVE, MK_LBUTTON, At(93, 20));
  PumpMessages(20);
  EXPECT_EQ(Param(0)->current, after);
}

TEST_F(EditorWindowTest, ClickingTheFourthRadioButtonSelectsInvPong) {
  HWND child = Open();
  ASSERT_NE(child, nullptr);
  const IRECT b = radios->ButtonRect(3);
  PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, At((b.L + b.R) / 2, (b.T + b.B) / 2));
  PostMessageA(child, WM_LBUTTONUP, 0, At((b.L + b.R) / 2, (b.T + b.B) / 2));
  PumpMessages(60);
  EXPECT_EQ(static_cast<int>(Param(1)->current), 3);
  char text[64];
  Param(1)->FormatForHost(Param(1)->current, false, text, sizeof(text));
  EXPECT_STREQ(text, "inv pong");
}

TEST_F(EditorWindowTest, TypedValueIsCommittedAtTheNextTimerTick) {
  HWND child = Open();
  ASSERT_NE(child, nullptr);
  PostMessageA(child, WM_RBUTTONDOWN, MK_RBUTTON, At(400, 118));
  PostMessageA(child, WM_RBUTTONUP, 0, At(400, 118));
  PumpMessages(30);
  HWND popup = editor->EntryPopup();
  ASSERT_NE(popup, nullptr);
  char cls[32] = {0};
  GetClassNameA(popup, cls, sizeof(cls));
  EXPECT_STREQ(cls, "Edit");  // an integer parameter: an edit box
  EXPECT_EQ(GetDlgCtrlID(popup), 99);
  EXPECT_EQ(GetParent(popup), child);
  char current[32] = {0};
  GetWindowTextA(popup, current, sizeof(current));
  EXPECT_STREQ(current, "50");

  SetWindowTextA(popup, "42");
  PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
  DeliverQueued(popup);
  // Enter only asks for the commit; the value changes at the next tick.
  EXPECT_EQ(editor->EntryStateNow(), IGraphicsHwnd::kEntryCommit);
  EXPECT_EQ(static_cast<int>(Param(3)->current), 50);
  PumpMessages(120);
  EXPECT_EQ(static_cast<int>(Param(3)->current), 42);
  EXPECT_EQ(editor->EntryPopup(), nullptr);
  EXPECT_FALSE(IsWindow(popup));
}

TEST_F(EditorWindowTest, RightClickCancelsAnOpenEntryAndIsNotDelivered) {
  HWND child = Open();
  ASSERT_NE(child, nullptr);
  PostMessageA(child, WM_RBUTTONDOWN, MK_RBUTTON, At(93, 118));
  PostMessageA(child, WM_RBUTTONUP, 0, At(93, 118));
  PumpMessages(30);
  HWND popup = editor->EntryPopup();
  ASSERT_NE(popup, nullptr);
  char cls[32] = {0};
  GetClassNameA(popup, cls, sizeof(cls));
  EXPECT_STREQ(cls, "ComboBox");  // a list parameter: a drop-down list
  EXPECT_EQ(SendMessageA(popup, CB_GETCOUNT, 0, 0), 25);
  EXPECT_EQ(SendMessageA(popup, CB_GETCURSEL, 0, 0), 12);
  const size_t callsBefore = plug.calls.size();
  PostMessageA(child, WM_RBUTTONDOWN, MK_RBUTTON, At(400, 118));
  PumpMessages(120);
  EXPECT_EQ(editor->EntryPopup(), nullptr);
  EXPECT_EQ(static_cast<int>(Param(0)->current), 12);
  // Only the rate knob's value went back to the plug-in; no new entry was opened.
  for (size_t i = callsBefore; i < plug.calls.size(); ++i) EXPECT_EQ(plug.calls[i].index, 0);
}

TEST_F(EditorWindowTest, WheelNotchesAndPendingEndOnClose) {
  HWND child = Open();
  ASSERT_NE(child, nullptr);
  RECT wr;
  GetWindowRect(child, &wr);
  const double before = Param(3)->current;
  // Less than a notch: nothing moves.
  PostMessageA(child, WM_MOUSEWHEEL, MAKEWPARAM(0, 60), At(wr.left + 400, wr.top + 118));
  PumpMessages(10);
  EXPECT_EQ(Param(3)->current, before);
  PostMessageA(child, WM_MOUSEWHEEL, MAKEWPARAM(0, 240), At(wr.left + 400, wr.top + 118));
  PumpMessages(10);
  EXPECT_GT(Param(3)->current, before);
  std::vector<std::string> gestures = plug.Gestures();
  ASSERT_FALSE(gestures.empty());
  EXPECT_EQ(gestures.back(), "begin 3");
  EXPECT_GT(editor->GestureEndTicksLeft(), 0);

  // Closing with the gesture still open sends its end before the window goes.
  editor->DetachFromParentWindow();
  EXPECT_FALSE(IsWindow(child));
  gestures = plug.Gestures();
  EXPECT_EQ(gestures.back(), "end 3");
  EXPECT_EQ(editor->GestureEndTicksLeft(), 0);

  // Reopened, the editor works again.
  HWND again = Open();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(IGraphicsHwnd::OpenWindowCount(), 1);
}

TEST_F(EditorWindowTest, TheClassLivesWhileAnyEditorWindowIsOpen) {
  HWND first = Open();
  ASSERT_NE(first, nullptr);
  TestPlug otherPlug;
  IGraphicsHwnd* other = new IGraphicsHwnd(&otherPlug, 100, 50, 30);
  otherPlug.AttachEditor(other);
  HWND secondFrame = MakeHostFrame();
  HWND second = static_cast<HWND>(other->AttachToParentWindow(secondFrame));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(IGraphicsHwnd::OpenWindowCount(), 2);
  EXPECT_EQ(IGraphicsHwnd::TimerPeriodMs(), 33);
  editor->DetachFromParentWindow();
  EXPECT_TRUE(ClassRegistered());
  other->DetachFromParentWindow();
  EXPECT_EQ(IGraphicsHwnd::OpenWindowCount(), 0);
  EXPECT_FALSE(ClassRegistered());
  DestroyWindow(secondFrame);
}

TEST_F(EditorWindowTest, ClosingTheWindowDetachesTheEditor) {
  HWND child = Open();
  ASSERT_NE(child, nullptr);
  SendMessageA(child, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(editor->HasOpenWindow());
  EXPECT_EQ(IGraphicsHwnd::OpenWindowCount(), 0);
}

TEST_F(EditorWindowTest, ModulePathsEndWithTheFolderSeparator) {
  WDL_String host, plugin;
  editor->GetHostExecutablePath(&host);
  editor->GetPluginModulePath(&plugin);
  ASSERT_GT(strlen(host.Text()), 0u);
  EXPECT_EQ(host.Text()[strlen(host.Text()) - 1], '\\');
  // In this program the editor code lives in the executable itself.
  EXPECT_STREQ(host.Text(), plugin.Text());
  WDL_String file;
  file.Assign("keep", 0);
  editor->AskForFileName(&file, 1, "", "png");
  EXPECT_STREQ(file.Text(), "");  // no window, no dialog
}

}  // namespace
