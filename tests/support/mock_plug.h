// The mock plug-in of every test and benchmark: six parameters shaped like the delay
// effect's (two list parameters, four integer ones), "1-1 2-2" channels, 24 preset slots
// by default. It is a format adapter of its own, built on IPlugBase alone: the host-facing
// operations record what they were asked to send, and the tempo source is a field.
//
// Threading: the recorded lists are written under the plug-in lock (every base path that
// reaches a host-facing operation holds it); tests that run other threads read them under
// that lock too.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "plug/IPlugBase.h"

struct HostCall {
  std::string what;
  int index;
  double value;
  bool operator==(const HostCall& o) const {
    return what == o.what && index == o.index && value == o.value;
  }
};

class TestPlug : public IPlugBase {
 public:
  explicit TestPlug(int presetCount = 24, const char* channels = "1-1 2-2")
      : IPlugBase(6, channels, presetCount, "Test Delay", "", "Tester", 0x10200, 0x6b32717a,
                  0x4f627669, 0, 0, false, false) {
    ParamAt(0)->DefineEnum("Delay Rate", 12, 25, "");
    for (int i = 0; i < 25; ++i) {
      char text[16];
      std::snprintf(text, sizeof(text), "rate%d", i);
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

  // Host-facing operations: recorded. (The once-per-gesture begin is the base's.)
  void HostBeginParamEdit(int index) override {
    FlushPendingParamEdit();
    calls.push_back({"begin", index, 0});
  }
  void HostAutomateParam(int index, double normalized) override {
    calls.push_back({"automate", index, normalized});
  }
  void HostEndParamEdit(int index) override { calls.push_back({"end", index, 0}); }
  void HostRefreshDisplay() override { calls.push_back({"refresh", -1, 0}); }
  int HostSamplePosition() override { return 0; }
  double HostTempo() override { return tempo; }
  void HostTimeSignature(int* numerator, int* denominator) override {
    if (numerator) *numerator = 4;
    if (denominator) *denominator = 4;
  }
  void RefreshEditorRect() override { ++editorRectRefreshes; }
  void HostSpecificSetup() override {}
  bool SendMidiToHost(const IMidiMsg* message) override {
    calls.push_back({"midi", message->status, 0});
    return message->status != 0xFF;
  }
  bool SendSysExToHost(const ISysEx*) override { return true; }

  void HandleParamChanged(int index) override {
    IPlugBase::HandleParamChanged(index);
    changed.push_back(index);
  }

  // Values of all six parameters.
  std::vector<double> Values() const {
    std::vector<double> v;
    for (int i = 0; i < ParamCount(); ++i) v.push_back(ParamAt(i)->current);
    return v;
  }
  void SetValues(const std::vector<double>& v) {
    for (int i = 0; i < ParamCount(); ++i) ParamAt(i)->current = v[i];
  }
  // Only the begin / end messages, in order ("begin 2", "end 2", ...).
  std::vector<std::string> Gestures() const {
    std::vector<std::string> out;
    for (const HostCall& c : calls) {
      if (c.what == "begin" || c.what == "end") out.push_back(c.what + " " + std::to_string(c.index));
    }
    return out;
  }
  int Count(const char* what) const {
    int n = 0;
    for (const HostCall& c : calls) n += c.what == what;
    return n;
  }

  std::vector<HostCall> calls;
  std::vector<int> changed;
  double tempo = 120.0;
  int editorRectRefreshes = 0;
};
