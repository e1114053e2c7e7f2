// A six-parameter plug-in for the framework tests, shaped like the delay effect: two
// list parameters and four integer ones, 24 preset slots, "1-1 2-2" channels. The
// host-facing operations record what they were asked to send.
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
      snprintf(text, sizeof(text), "rate%d", i);
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

  // Host-facing operations: recorded.
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
  void HostRefreshDisplay() override { calls.push_back({"refresh", -1, 0}); }
  int HostSamplePosition() override { return 0; }
  double HostTempo() override { return tempo; }
  void HostTimeSignature(int* numerator, int* denominator) override {
    if (numerator) *numerator = 4;
    if (denominator) *denominator = 4;
  }
  void RefreshEditorRect() override {}
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

  std::vector<HostCall> calls;
  std::vector<int> changed;
  double tempo = 120.0;
};
