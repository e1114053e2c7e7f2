// The Linux editor window driven through a real X server (the tests run under
// tests/support/run_with_xvfb.sh): real input through XTest, pixels read back from the
// window.
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <thread>

#include "graphics/x11/x11_abandon.h"
#include "graphics/x11/x11_desktop.h"
#include "graphics/x11/x11_entry_popup.h"
#include "tests/support/x11_test_support.h"

namespace {

Window AsWindow(void* handle) { return static_cast<Window>(reinterpret_cast<uintptr_t>(handle)); }

class X11EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Ok()) << "no X server: run under tests/support/run_with_xvfb.sh";
    editor = AttachQueloraLayout(&plug);
    window = AsWindow(LockedOpen(&plug, host.ParentHandle()));
    ASSERT_NE(0u, window);
    ASSERT_TRUE(WaitUntil([&] { return editor->PresentCount() > 0 && LockedClean(editor); }));
    {
      MutexGuard guard(plug.PluginLock());
      plug.calls.clear();
    }
  }
  void TearDown() override {
    if (window) LockedClose(&plug);
  }

  bool EntryOpen() {
    MutexGuard guard(plug.PluginLock());
    MutexGuard editorGuard(editor->EditorMutex());  // the editor thread draws under it
    return editor->HasValueEntry();
  }
  // Waits for the entry and for the keyboard focus to be on it (the focus request travels
  // on the editor's own connection).
  bool WaitForEntryWithFocus() {
    if (!WaitUntil([&] { return EntryOpen(); })) return false;
    Window entry = 0;
    {
      MutexGuard guard(plug.PluginLock());
      MutexGuard editorGuard(editor->EditorMutex());  // the editor thread draws under it
      entry = editor->ValueEntry().Handle();
    }
    return WaitUntil([&] {
      Window focus = 0;
      int revert = 0;
      XGetInputFocus(host.display(), &focus, &revert);
      return focus == entry;
    });
  }
  // The window shows exactly what was drawn.
  void ExpectWindowMatchesDrawing() {
    ASSERT_TRUE(WaitUntil([&] { return LockedClean(editor); }));
    SleepMs(60);  // one more frame for the last present to reach the server
    std::vector<uint32_t> drawn;
    {
      MutexGuard guard(plug.PluginLock());
      MutexGuard editorGuard(editor->EditorMutex());  // the editor thread draws under it
      drawn = DrawBitmapRgb(editor);
    }
    EXPECT_EQ(0, PixelDifferences(host.Grab(window, 550, 209), drawn));
  }

  X11TestHost host;
  TestPlug plug;
  IGraphicsX11* editor = nullptr;
  Window window = 0;
};

TEST_F(X11EditorTest, ShowsTheRenderedEditorInOneChildWindow) {
  EXPECT_EQ(1, host.ChildCount(host.Parent()));
  {
    MutexGuard guard(plug.PluginLock());
    EXPECT_EQ(window, AsWindow(editor->GetNativeWindow()));
    EXPECT_TRUE(editor->HasOpenWindow());
    EXPECT_TRUE(editor->EditorThreadRunning());
  }
  ExpectWindowMatchesDrawing();
  // The artwork really is there (not a blank window matching a blank bitmap).
  const std::vector<uint32_t> shown = host.Grab(window, 550, 209);
  int distinct = 0;
  for (size_t i = 1; i < shown.size(); ++i) distinct += shown[i] != shown[0];
  EXPECT_GT(distinct, 10000);
}

TEST_F(X11EditorTest, DragUpOnDelayRateKnobRaisesItInOneHostEdit) {
  const double before = LockedNormalized(&plug, 0);
  host.Drag(window, 93, 118, 93, 70);
  ASSERT_TRUE(WaitUntil([&] { return LockedGestures(&plug).size() >= 2; }));
  EXPECT_GT(LockedNormalized(&plug, 0), before);
  EXPECT_EQ((std::vector<std::string>{"begin 0", "end 0"}), LockedGestures(&plug));
  EXPECT_GT(LockedCount(&plug, "automate"), 0);
  ExpectWindowMatchesDrawing();
}

TEST_F(X11EditorTest, ClickOnLastPositionButtonSelectsInvPong) {
  host.Click(window, 190, 150);
  ASSERT_TRUE(WaitUntil([&] { return LockedNormalized(&plug, 1) == 1.0; }));
  ASSERT_TRUE(WaitUntil([&] { return LockedGestures(&plug).size() >= 2; }));
  EXPECT_EQ((std::vector<std::string>{"begin 1", "end 1"}), LockedGestures(&plug));
}

TEST_F(X11EditorTest, WheelNotchesFormOneHostEditEndingTwelveTicksAfterTheLast) {
  const double before = LockedValue(&plug, 3);
  host.MoveTo(window, 386, 131);
  for (int i = 0; i < 3; ++i) {
    host.Button(4, true);
    host.Button(4, false);
  }
  ASSERT_TRUE(WaitUntil([&] { return LockedCount(&plug, "automate") == 3; }));
  const long ticksAtLastNotch = editor->TickCount();
  EXPECT_EQ((std::vector<std::string>{"begin 3"}), LockedGestures(&plug));
  ASSERT_TRUE(WaitUntil([&] { return LockedGestures(&plug).size() == 2; }));
  const long ticks = editor->TickCount() - ticksAtLastNotch;
  EXPECT_GE(ticks, 11);
  EXPECT_LE(ticks, 13);
  EXPECT_EQ((std::vector<std::string>{"begin 3", "end 3"}), LockedGestures(&plug));
  EXPECT_GT(LockedValue(&plug, 3), before);
}

TEST_F(X11EditorTest, DoubleClickReturnsKnobToItsDefault) {
  host.Drag(window, 287, 131, 287, 171);
  ASSERT_TRUE(WaitUntil([&] { return LockedNormalized(&plug, 2) < 1.0; }));
  SleepMs(450);  // the drag's press must not pair with the next click
  host.Click(window, 287, 131);
  host.Click(window, 287, 131);
  EXPECT_TRUE(WaitUntil([&] { return LockedNormalized(&plug, 2) == 1.0; }));
}

TEST_F(X11EditorTest, TypedValueCommitsOnReturn) {
  host.Click(window, 386, 131, 3);
  ASSERT_TRUE(WaitForEntryWithFocus());
  {
    MutexGuard guard(plug.PluginLock());
    MutexGuard editorGuard(editor->EditorMutex());  // the editor thread draws under it
    EXPECT_EQ(x11::X11ValueEntry::kTextField, editor->ValueEntry().EntryKind());
    EXPECT_EQ(IRECT(365, 135, 407, 156), editor->ValueEntry().Placement());
    EXPECT_EQ("50", editor->ValueEntry().Text());
  }
  EXPECT_EQ(1, host.ChildCount(window));  // the field is a child of the editor window
  host.Type("75");
  host.Key(XK_Return);
  ASSERT_TRUE(WaitUntil([&] { return LockedValue(&plug, 3) == 75.0; }));
  EXPECT_TRUE(WaitUntil([&] { return !EntryOpen(); }));
  EXPECT_EQ(0, host.ChildCount(window));
  // The right press / release, then the typed value in its own edit.
  EXPECT_EQ((std::vector<std::string>{"begin 3", "end 3", "begin 3", "end 3"}), LockedGestures(&plug));
  ExpectWindowMatchesDrawing();
}

TEST_F(X11EditorTest, EscapeAndClicksElsewhereDiscardTheEntry) {
  host.Click(window, 386, 131, 3);
  ASSERT_TRUE(WaitForEntryWithFocus());
  host.Type("12");
  host.Key(XK_Escape);
  ASSERT_TRUE(WaitUntil([&] { return !EntryOpen(); }));
  EXPECT_EQ(50.0, LockedValue(&plug, 3));

  host.Click(window, 386, 131, 3);
  ASSERT_TRUE(WaitForEntryWithFocus());
  host.Type("9");
  host.Click(window, 190, 90);  // a left click elsewhere: entry gone, the click still acts
  ASSERT_TRUE(WaitUntil([&] { return !EntryOpen(); }));
  EXPECT_TRUE(WaitUntil([&] { return LockedValue(&plug, 1) == 0.0 && LockedGestures(&plug).size() == 6; }));
  EXPECT_EQ(50.0, LockedValue(&plug, 3));
  EXPECT_EQ("end 1", LockedGestures(&plug).back());
}

TEST_F(X11EditorTest, ListChoiceSetsThatItemExactly) {
  host.Click(window, 190, 118, 3);
  ASSERT_TRUE(WaitForEntryWithFocus());
  {
    MutexGuard guard(plug.PluginLock());
    MutexGuard editorGuard(editor->EditorMutex());  // the editor thread draws under it
    const x11::X11ValueEntry& entry = editor->ValueEntry();
    EXPECT_EQ(x11::X11ValueEntry::kChoiceList, entry.EntryKind());
    EXPECT_EQ(4, entry.ItemCount());
    EXPECT_EQ(0, entry.Highlighted());  // "left", the current value
    EXPECT_EQ(IRECT(142, 118, 238, 194), entry.Placement());
  }
  host.Click(window, 190, 118 + 2 * 19 + 9);  // "ping pong"
  ASSERT_TRUE(WaitUntil([&] { return LockedValue(&plug, 1) == 2.0; }));
  EXPECT_TRUE(WaitUntil([&] { return !EntryOpen(); }));
  EXPECT_EQ((std::vector<std::string>{"begin 1", "end 1", "begin 1", "end 1"}), LockedGestures(&plug));
}

TEST_F(X11EditorTest, LongListIsLaidOutInColumnsInsideTheEditor) {
  host.Click(window, 93, 118, 3);
  ASSERT_TRUE(WaitForEntryWithFocus());
  {
    MutexGuard guard(plug.PluginLock());
    MutexGuard editorGuard(editor->EditorMutex());  // the editor thread draws under it
    const x11::X11ValueEntry& entry = editor->ValueEntry();
    EXPECT_EQ(25, entry.ItemCount());
    EXPECT_EQ(12, entry.Highlighted());
    const IRECT r = entry.Placement();
    EXPECT_GE(r.L, 0);
    EXPECT_GE(r.T, 0);
    EXPECT_LE(r.R, 550);
    EXPECT_LE(r.B, 209);
  }
  host.Key(XK_Down);
  host.Key(XK_Return);
  EXPECT_TRUE(WaitUntil([&] { return LockedValue(&plug, 0) == 13.0; }));
}

TEST_F(X11EditorTest, HostValueIsShownWithinTwoFrames) {
  const std::vector<uint32_t> before = host.Grab(window, 550, 209);
  const long presents = editor->PresentCount();
  const long ticks = editor->TickCount();
  {
    MutexGuard guard(plug.PluginLock());  // as the host's set-parameter call does
    plug.ParamAt(3)->SetFromNormalized(0.0);
    editor->PushParamValueToControls(3, 0.0, true);
  }
  ASSERT_TRUE(WaitUntil([&] { return editor->PresentCount() > presents; }));
  EXPECT_LE(editor->TickCount() - ticks, 2);
  ExpectWindowMatchesDrawing();
  EXPECT_GT(PixelDifferences(before, host.Grab(window, 550, 209)), 50);
}

TEST_F(X11EditorTest, KeepsWorkingWhileTheHostCallsIdle) {
  std::atomic<bool> stop(false);
  std::thread idler([&] {
    while (!stop) {
      {
        MutexGuard guard(plug.PluginLock());
        editor->Idle();
      }
      SleepMs(10);
    }
  });
  host.Click(window, 190, 131);  // "ping pong"
  EXPECT_TRUE(WaitUntil([&] { return LockedValue(&plug, 1) == 2.0; }));
  const long ticks = editor->TickCount();
  EXPECT_TRUE(WaitUntil([&] { return editor->TickCount() >= ticks + 5; }));
  stop = true;
  idler.join();
  ExpectWindowMatchesDrawing();
}

TEST_F(X11EditorTest, OpenAndCloseHundredTimesLeavesNothingBehind) {
  LockedClose(&plug);
  window = 0;
  const int fds = OpenFdCount();
  for (int i = 0; i < 100; ++i) {
    void* opened = LockedOpen(&plug, host.ParentHandle());
    ASSERT_NE(nullptr, opened);
    if (i % 10 == 0) {
      // Now and then with input and drawing in flight.
      host.Click(AsWindow(opened), 190, 131);
      SleepMs(50);
    }
    LockedClose(&plug);
  }
  EXPECT_EQ(fds, OpenFdCount());
  EXPECT_EQ(0, host.ChildCount(host.Parent()));
  MutexGuard guard(plug.PluginLock());
  EXPECT_EQ(nullptr, editor->GetNativeWindow());
}

TEST_F(X11EditorTest, ClosingWithAnOpenEntryOrPendingWheelEditIsClean) {
  host.MoveTo(window, 287, 131);
  host.Button(5, true);
  host.Button(5, false);
  ASSERT_TRUE(WaitUntil([&] { return LockedCount(&plug, "automate") == 1; }));
  host.Click(window, 386, 131, 3);
  ASSERT_TRUE(WaitUntil([&] { return EntryOpen(); }));
  LockedClose(&plug);
  window = 0;
  // The pending end of the wheel edit is sent by the close; nothing is committed.
  std::vector<std::string> gestures = LockedGestures(&plug);
  EXPECT_EQ(0, std::count(gestures.begin(), gestures.end(), "begin 2") -
                   std::count(gestures.begin(), gestures.end(), "end 2"));
  EXPECT_EQ(50.0, LockedValue(&plug, 3));
  EXPECT_EQ(0, host.ChildCount(host.Parent()));
}

TEST_F(X11EditorTest, ClosingDuringADragEndsTheHostEdit) {
  host.MoveTo(window, 93, 118);
  host.Button(1, true);
  host.MoveTo(window, 93, 100);
  ASSERT_TRUE(WaitUntil([&] { return LockedCount(&plug, "automate") > 0; }));
  LockedClose(&plug);
  window = 0;
  host.Button(1, false);
  EXPECT_EQ((std::vector<std::string>{"begin 0", "end 0"}), LockedGestures(&plug));
}

TEST_F(X11EditorTest, HostDestroyingItsWindowFirstIsSurvived) {
  const int children = host.ChildCount(host.Parent());
  EXPECT_EQ(1, children);
  host.DestroyParent();
  SleepMs(100);  // the editor keeps drawing into a window that is gone
  LockedClose(&plug);
  window = 0;
  MutexGuard guard(plug.PluginLock());
  EXPECT_EQ(nullptr, editor->GetNativeWindow());
}

TEST(X11EditorStandalone, TwoEditorsAtOnceWorkIndependently) {
  X11TestHost hostA(600, 260, 10, 10), hostB(600, 260, 10, 300);
  ASSERT_TRUE(hostA.Ok() && hostB.Ok());
  const int fds = OpenFdCount();
  {
    TestPlug plugA, plugB;
    IGraphicsX11* editorA = AttachQueloraLayout(&plugA);
    IGraphicsX11* editorB = AttachQueloraLayout(&plugB);
    const Window a = AsWindow(LockedOpen(&plugA, hostA.ParentHandle()));
    const Window b = AsWindow(LockedOpen(&plugB, hostB.ParentHandle()));
    ASSERT_NE(0u, a);
    ASSERT_NE(0u, b);
    hostA.Click(a, 190, 150);
    hostB.Click(b, 190, 112);
    EXPECT_TRUE(WaitUntil([&] { return LockedValue(&plugA, 1) == 3.0 && LockedValue(&plugB, 1) == 1.0; }));
    EXPECT_TRUE(WaitUntil([&] { return LockedClean(editorA) && LockedClean(editorB); }));
    SleepMs(60);
    std::vector<uint32_t> drawnA, drawnB;
    {
      MutexGuard guard(plugA.PluginLock());
      MutexGuard editorGuard(editorA->EditorMutex());  // the editor thread draws under it
      drawnA = DrawBitmapRgb(editorA);
    }
    {
      MutexGuard guard(plugB.PluginLock());
      MutexGuard editorGuard(editorB->EditorMutex());  // the editor thread draws under it
      drawnB = DrawBitmapRgb(editorB);
    }
    EXPECT_EQ(0, PixelDifferences(hostA.Grab(a, 550, 209), drawnA));
    EXPECT_EQ(0, PixelDifferences(hostB.Grab(b, 550, 209), drawnB));
    EXPECT_GT(PixelDifferences(drawnA, drawnB), 0);
    LockedClose(&plugA);
    // B stays open until its plug-in is destroyed: teardown closes it too.
  }
  EXPECT_EQ(fds, OpenFdCount());
  EXPECT_EQ(0, hostA.ChildCount(hostA.Parent()));
  EXPECT_EQ(0, hostB.ChildCount(hostB.Parent()));
}

// A host with a run loop (VST 3, CLAP on Linux) drives the editor itself: no editor thread,
// the connection's descriptor watched by the host, the work done in HostDrivenIdle on the
// host's thread alone.
TEST(X11EditorStandalone, AHostDrivenEditorRunsOnlyOnTheHostsCalls) {
  X11TestHost host;
  ASSERT_TRUE(host.Ok());
  TestPlug plug;
  IGraphicsX11* editor = AttachQueloraLayout(&plug);
  {
    MutexGuard guard(plug.PluginLock());
    editor->SetDrivenByHost(true);
  }
  const Window window = AsWindow(LockedOpen(&plug, host.ParentHandle()));
  ASSERT_NE(0u, window);
  EXPECT_FALSE(editor->EditorThreadRunning());
  int fd = -1;
  {
    MutexGuard guard(plug.PluginLock());
    fd = editor->HostDrivenFd();
  }
  ASSERT_GE(fd, 0);
  EXPECT_EQ(editor->HostDrivenPeriodMs(), 1000 / 24);
  // Nothing is drawn until the host calls.
  SleepMs(100);
  EXPECT_EQ(editor->PresentCount(), 0);
  const auto runLoop = [&](const std::function<bool()>& done) {
    return WaitUntil([&] {
      pollfd watch = {fd, POLLIN, 0};
      poll(&watch, 1, editor->HostDrivenPeriodMs());
      editor->HostDrivenIdle();
      return done();
    });
  };
  ASSERT_TRUE(runLoop([&] { return editor->PresentCount() > 0; }));
  host.Drag(window, 93, 118, 93, 70);
  ASSERT_TRUE(runLoop([&] { return LockedGestures(&plug).size() >= 2; }));
  EXPECT_EQ((std::vector<std::string>{"begin 0", "end 0"}), LockedGestures(&plug));
  EXPECT_FALSE(editor->EditorThreadRunning());
  LockedClose(&plug);
  {
    MutexGuard guard(plug.PluginLock());
    EXPECT_EQ(editor->HostDrivenFd(), -1);
  }
  editor->HostDrivenIdle();  // closed: nothing to do
}

TEST(X11EditorStandalone, RefusesAMissingParentWithoutLeaking) {
  X11TestHost host;
  ASSERT_TRUE(host.Ok());
  TestPlug plug;
  IGraphicsX11* editor = AttachQueloraLayout(&plug);
  const int fds = OpenFdCount();
  EXPECT_EQ(nullptr, LockedOpen(&plug, nullptr));
  EXPECT_EQ(nullptr, LockedOpen(&plug, reinterpret_cast<void*>(static_cast<uintptr_t>(0x3FFFFF1))));
  EXPECT_EQ(fds, OpenFdCount());
  MutexGuard guard(plug.PluginLock());
  EXPECT_FALSE(editor->HasOpenWindow());
}

// A server of its own (so that it can die under an open editor), made the default display
// while it lives.
class PrivateServer {
 public:
  PrivateServer() {
    int report[2];
    if (pipe(report) != 0) return;
    mPid = fork();
    if (mPid == 0) {
      close(report[0]);
      const std::string fd = std::to_string(report[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24",
             "-nolisten", "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(report[1]);
    mReport = report[0];
    // The number arrives with a line feed once the server accepts connections.
    std::string number;
    char c = 0;
    while (mPid > 0 && read(mReport, &c, 1) == 1 && c != '\n') number += c;
    if (number.empty()) return;
    const char* previous = getenv("DISPLAY");
    mPreviousDisplay = previous ? previous : "";
    setenv("DISPLAY", (":" + number).c_str(), 1);
    mRunning = true;
  }
  ~PrivateServer() {
    Kill();
    if (mReport >= 0) close(mReport);
    setenv("DISPLAY", mPreviousDisplay.c_str(), 1);
  }
  bool Running() const { return mRunning; }
  void Kill() {
    if (mPid <= 0) return;
    kill(mPid, SIGTERM);
    waitpid(mPid, nullptr, 0);
    mPid = -1;
  }

 private:
  pid_t mPid = -1;
  int mReport = -1;
  bool mRunning = false;
  std::string mPreviousDisplay;
};

TEST(X11EditorStandalone, SurvivesTheServerGoingAway) {
#if defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "libX11's recovery from a broken connection unlocks its display mutex twice";
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
  GTEST_SKIP() << "libX11's recovery from a broken connection unlocks its display mutex twice";
#endif
#endif
  const int fds = OpenFdCount();
  {
    PrivateServer server;
    ASSERT_TRUE(server.Running()) << "Xvfb did not start";
    // The host's connection dies too; it is never used again, only its socket is closed.
    X11TestHost* host = new X11TestHost();
    ASSERT_TRUE(host->Ok());
    TestPlug plug;
    IGraphicsX11* editor = AttachQueloraLayout(&plug);
    ASSERT_NE(nullptr, LockedOpen(&plug, host->ParentHandle()));
    SleepMs(100);
    server.Kill();
    const long ticks = editor->TickCount();
    EXPECT_TRUE(WaitUntil([&] { return editor->TickCount() >= ticks + 3; }));  // still running
    LockedClose(&plug);  // returns, and the process is still here
    {
      MutexGuard guard(plug.PluginLock());
      EXPECT_FALSE(editor->HasOpenWindow());
    }
    close(ConnectionNumber(host->display()));
    x11::AbandonXRecord(host->display());
    x11::AbandonXRecord(host);
  }
  EXPECT_EQ(fds, OpenFdCount());
}

TEST(X11EditorStandalone, ChoiceListGeometry) {
  int rows = 0, columns = 0;
  // Four short items fit in one column centred on the control, top at its centre.
  EXPECT_EQ(IRECT(142, 118, 238, 194), x11::ChoiceListRect(190, 118, 4, 9, 550, 209, &rows, &columns));
  EXPECT_EQ(4, rows);
  EXPECT_EQ(1, columns);
  // 25 items: 11 rows of 19 pixels fit in 209, so three columns, kept inside the editor.
  const IRECT r = x11::ChoiceListRect(93, 118, 25, 4, 550, 209, &rows, &columns);
  EXPECT_EQ(11, rows);
  EXPECT_EQ(3, columns);
  EXPECT_EQ(IRECT(9, 0, 9 + 3 * 56, 209), r);
  // The minimum width.
  EXPECT_EQ(24, x11::ChoiceListRect(100, 0, 1, 0, 550, 209, nullptr, nullptr).W());
  // At 2x every length doubles: 25 items in 38 pixel rows still fit 11 to a column of the
  // 418 pixel editor, the columns 112 wide.
  const IRECT twice = x11::ChoiceListRect(186, 236, 25, 4, 1100, 418, &rows, &columns, 2.0);
  EXPECT_EQ(11, rows);
  EXPECT_EQ(3, columns);
  EXPECT_EQ(IRECT(18, 0, 18 + 3 * 112, 418), twice);
}

TEST(X11Desktop, ScaleComesFromXftDpiElseGdkScale) {
  EXPECT_EQ(0.0, x11::XftDpiFromResources(nullptr));
  EXPECT_EQ(0.0, x11::XftDpiFromResources(""));
  EXPECT_EQ(192.0, x11::XftDpiFromResources("Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n"));
  EXPECT_EQ(144.0, x11::XftDpiFromResources("*background: grey\n  Xft*dpi : 144"));
  EXPECT_EQ(0.0, x11::XftDpiFromResources("Xft.dpix:\t192\nXterm*dpi: 120\nXft.dpi: none\nXft.dpi: -96\n"));
  unsetenv("GDK_SCALE");
  EXPECT_EQ(0.0, x11::DesktopScale(nullptr));
  setenv("GDK_SCALE", "2", 1);
  EXPECT_EQ(2.0, x11::DesktopScale(nullptr));
  setenv("GDK_SCALE", "x", 1);
  EXPECT_EQ(0.0, x11::DesktopScale(nullptr));
  unsetenv("GDK_SCALE");
}

TEST(X11Desktop, OnlyWebAddressesAreOpened) {
  EXPECT_FALSE(x11::IsOpenableWebAddress(nullptr));
  EXPECT_FALSE(x11::IsOpenableWebAddress(""));
  EXPECT_FALSE(x11::IsOpenableWebAddress("ftp://example.invalid/"));
  EXPECT_FALSE(x11::IsOpenableWebAddress("file:///etc/passwd"));
  EXPECT_FALSE(x11::IsOpenableWebAddress("-a http://x"));
  EXPECT_FALSE(x11::IsOpenableWebAddress("http://"));
  EXPECT_FALSE(x11::IsOpenableWebAddress("http://a\nb"));
  EXPECT_TRUE(x11::IsOpenableWebAddress("HTTPS://example.invalid/path?q=1"));
}

TEST(X11Desktop, OpenerGetsTheAddressAsOneArgumentAndLeavesNoChild) {
  char dir[] = "/tmp/x11_opener_XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  const std::string out = std::string(dir) + "/seen";
  const std::string script = std::string(dir) + "/opener";
  {
    std::ofstream s(script);
    s << "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" << out << ".tmp' && mv '" << out << ".tmp' '" << out << "'\n";
  }
  ASSERT_EQ(0, chmod(script.c_str(), 0700));
  x11::SetWebOpenerForTesting(script.c_str());
  const char* address = "https://example.invalid/a b;c$(touch nope)";
  EXPECT_TRUE(x11::LaunchWebAddress(address));
  ASSERT_TRUE(WaitUntil([&] { return std::ifstream(out).good(); }));
  std::string seen;
  std::getline(std::ifstream(out), seen);
  EXPECT_EQ(std::string("1|") + address, seen);
  // Only the intermediate child was ours, and it has been reaped.
  EXPECT_EQ(-1, waitpid(-1, nullptr, WNOHANG));
  EXPECT_EQ(ECHILD, errno);

  x11::SetWebOpenerForTesting("/nonexistent/opener");
  EXPECT_FALSE(x11::LaunchWebAddress("https://example.invalid/"));
  x11::SetWebOpenerForTesting(nullptr);
  EXPECT_FALSE(x11::LaunchWebAddress("mailto:someone@example.invalid"));
  std::remove(out.c_str());
  std::remove(script.c_str());
  rmdir(dir);
}

TEST(X11Desktop, ModuleAndProgramFolders) {
  TestPlug plug;
  IGraphicsX11 editor(&plug, 550, 209, 0);
  WDL_String module, program;
  editor.GetPluginModulePath(&module);
  editor.GetHostExecutablePath(&program);
  // The framework is linked into this test program: both are its folder.
  ASSERT_GT(program.Length(), 1);
  EXPECT_EQ('/', program.Text()[program.Length() - 1]);
  EXPECT_STREQ(program.Text(), module.Text());
  WDL_String name("keep");
  editor.AskForFileName(&name, 0, nullptr, nullptr);
  EXPECT_STREQ("", name.Text());
  IColor colour;
  EXPECT_FALSE(editor.AskForColor(&colour, "x"));
  EXPECT_EQ(0, editor.RouteHostWheel(1.0f));
}

}  // namespace
