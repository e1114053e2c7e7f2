// Test support for the editor: a six-parameter plug-in that records what it would send
// to the host, synthetic images, and a control that counts its paints.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "graphics/IControl.h"
#include "graphics/IGraphics.h"
#include "graphics/offscreen_graphics.h"
#include "plug/IPlugBase.h"
#include "raster/bitmap.h"

struct RecordedCall {
  std::string what;
  int index;
  double value;
};

class EditorTestPlug : public IPlugBase {
 public:
  EditorTestPlug()
      : IPlugBase(6, "1-1 2-2", 4, "Editor Test", "", "Tester", 0x10200, 0x6b32717a, 0x4f627669,
                  0, 0, false, false) {
    ParamAt(0)->DefineEnum("Delay Rate", 12, 25, "");
    for (int i = 0; i < 25; ++i) {
      char text[16];
      std::snprintf(text, sizeof(text), "r%d", i);
      ParamAt(0)->AddDisplayText(i, text);
    }
    ParamAt(1)->DefineEnum("Position", 0, 4, "");
    const char* positions[] = {"left", "right", "ping pong", "inv pong"};
    for (int i = 0; i < 4; ++i) ParamAt(1)->AddDisplayText(i, positions[i]);
    ParamAt(2)->DefineInt("Width", 100, 0, 100, "%");
    ParamAt(3)->DefineInt("Feedback", 50, 0, 99, "%");
    ParamAt(4)->DefineInt("Dry", 100, 0, 100, "%");
    ParamAt(5)->DefineInt("Wet", 50, 0, 100, "%");
  }

  void HostBeginParamEdit(int index) override {
    FlushPendingParamEdit();
    calls.push_back({"begin", index, 0});
  }
  void HostBeginParamEditOnce(int index) override {
    MutexGuard guard(PluginLock());
    if (index == pendingEditParam) return;
    FlushPendingParamEdit();
    calls.push_back({"begin", index, 0});
  }
  void HostAutomateParam(int index, double normalized) override {
    calls.push_back({"automate", index, normalized});
  }
  void HostEndParamEdit(int index) override { calls.push_back({"end", index, 0}); }
  void HostRefreshDisplay() override {}
  int HostSamplePosition() override { return 0; }
  double HostTempo() override { return 120.0; }
  void HostTimeSignature(int* numerator, int* denominator) override {
    if (numerator) *numerator = 4;
    if (denominator) *denominator = 4;
  }
  void RefreshEditorRect() override { ++editorRectRefreshes; }
  void HostSpecificSetup() override {}
  bool SendMidiToHost(const IMidiMsg*) override { return true; }
  bool SendSysExToHost(const ISysEx*) override { return true; }

  // Only the begin / end messages, in order ("begin 2", "end 2", ...).
  std::vector<std::string> Gestures() const {
    std::vector<std::string> out;
    for (const RecordedCall& c : calls) {
      if (c.what == "begin" || c.what == "end") out.push_back(c.what + " " + std::to_string(c.index));
    }
    return out;
  }
  int Count(const char* what) const {
    int n = 0;
    for (const RecordedCall& c : calls) n += c.what == what;
    return n;
  }

  std::vector<RecordedCall> calls;
  int editorRectRefreshes = 0;
};

// Synthetic test images, by id; the image cache is process-wide, so an id always names
// the same picture within one test program.
enum TestImageId {
  kImgBackground = 9100,     // 550 x 209, opaque dark grey
  kImgKnob = 9101,           // 164 x 82, two frames: left an asymmetric cap, right transparent
  kImgKnob2 = 9102,          // 120 x 60, same kind
  kImgRadio = 9103,          // 71 x 76, four rows of 19 in different colours
  kImgSlider = 9104,         // 18 x 18, opaque white
  kImgFrames = 9105,         // 10 x 30, three stacked frames: red, green, blue
  kImgMissing = 9199,        // the loader fails for this one
};

LICE_IBitmap* MakeTestImage(int id, const char* name);

// Pixel of a bitmap (top-down rows).
inline RasterPixel PixelAt(LICE_IBitmap* bm, int x, int y) {
  return bm->PixelData()[y * bm->PixelsPerRow() + x];
}

// An editor bound to a fresh test plug-in, with the synthetic image loader installed.
IGraphicsOffscreen* MakeTestEditor(IPlugBase* plug, int width = 550, int height = 209);

// A control that fills its rectangle with a colour and counts its paints.
class CountingControl : public IControl {
 public:
  CountingControl(IPlugBase* owner, const IRECT& rect, int paramIdx = -1,
                  const IColor& color = IColor(255, 10, 20, 30))
      : IControl(owner, rect, paramIdx), color(color) {}
  bool Paint(IGraphics* graphics) override {
    ++paints;
    return graphics->PaintRect(&color, &mRECT, &mBlend);
  }
  void HandlePress(int x, int y, const IMouseMod* mod) override {
    ++presses;
    IControl::HandlePress(x, y, mod);
  }
  void HandleRelease(int, int, const IMouseMod*) override { ++releases; }
  void HandleDrag(int x, int y, int dX, int dY, const IMouseMod*) override {
    drags.push_back({x, y, dX, dY});
  }
  void HandleHoverEnd() override { ++hoverEnds; }
  IColor color;
  int paints = 0;
  int presses = 0;
  int releases = 0;
  int hoverEnds = 0;
  struct Drag {
    int x, y, dX, dY;
  };
  std::vector<Drag> drags;
};
