#include "tests/support/test_host.h"

#include <cstdio>
#include <cstring>

namespace {
// The callback has no user pointer before the instance exists; the host being created is
// found here (tests create hosts one at a time per thread).
thread_local TestHost* gCreating = nullptr;
}  // namespace

TestHost::TestHost() { memset(&mTime, 0, sizeof(mTime)); }

TestHost::~TestHost() { Close(); }

AEffect* TestHost::Create(VstPluginMainProc entry) {
  Close();
  gCreating = this;
  mEffect = entry(&TestHost::Callback);
  gCreating = nullptr;
  if (mEffect) mEffect->user = this;
  return mEffect;
}

void TestHost::Close() {
  if (mEffect) mEffect->dispatcher(mEffect, effClose, 0, 0, nullptr, 0.f);
  mEffect = nullptr;
}

void TestHost::Start(float sampleRate, int blockSize) {
  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
  Dispatch(effSetBlockSize, 0, blockSize);
  Dispatch(effMainsChanged, 0, 1);
}

VstIntPtr TestHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt) {
  return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
}

std::string TestHost::Text(VstInt32 opcode, VstInt32 index) {
  char buffer[512];
  memset(buffer, 0x55, sizeof(buffer));
  buffer[sizeof(buffer) - 1] = '\0';
  Dispatch(opcode, index, 0, buffer);
  return buffer;
}

bool TestHost::Called(VstInt32 opcode, VstInt32 index, size_t from) const {
  for (size_t i = from; i < calls.size(); ++i) {
    if (calls[i].opcode == opcode && calls[i].index == index) return true;
  }
  return false;
}

int TestHost::Count(VstInt32 opcode) const {
  int n = 0;
  for (const Call& call : calls) n += call.opcode == opcode;
  return n;
}

void TestHost::SetParameter(int index, float value) {
  mEffect->setParameter(mEffect, index, value);
}

float TestHost::GetParameter(int index) { return mEffect->getParameter(mEffect, index); }

std::string TestHost::ParamDisplay(int index) { return Text(effGetParamDisplay, index); }

void TestHost::ProcessFloat(std::vector<float>& in0, std::vector<float>& in1,
                            std::vector<float>& out0, std::vector<float>& out1) {
  float* inputs[2] = {in0.data(), in1.data()};
  float* outputs[2] = {out0.data(), out1.data()};
  mEffect->processReplacing(mEffect, inputs, outputs, static_cast<VstInt32>(in0.size()));
}

void TestHost::ProcessDouble(std::vector<double>& in0, std::vector<double>& in1,
                             std::vector<double>& out0, std::vector<double>& out1) {
  double* inputs[2] = {in0.data(), in1.data()};
  double* outputs[2] = {out0.data(), out1.data()};
  mEffect->processDoubleReplacing(mEffect, inputs, outputs, static_cast<VstInt32>(in0.size()));
}

VstIntPtr TestHost::Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                             void* ptr, float opt) {
  TestHost* host = effect && effect->user ? static_cast<TestHost*>(effect->user) : gCreating;
  if (!host) return 0;
  return host->Answer(opcode, index, value, ptr, opt);
}

VstIntPtr TestHost::Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  (void)value;
  switch (opcode) {
    case audioMasterGetTime:
      ++timeRequests;
      memset(&mTime, 0, sizeof(mTime));
      mTime.sampleRate = 44100.0;
      mTime.samplePos = samplePos;
      mTime.tempo = tempo;
      mTime.timeSigNumerator = 3;
      mTime.timeSigDenominator = 4;
      mTime.flags = kVstTransportPlaying | kVstTimeSigValid | (tempoValid ? kVstTempoValid : 0);
      return reinterpret_cast<VstIntPtr>(&mTime);
    case audioMasterGetProductString:
      calls.push_back({opcode, index, opt});
      if (ptr) snprintf(static_cast<char*>(ptr), 256, "%s", productString.c_str());
      return 1;
    case audioMasterProcessEvents: {
      calls.push_back({opcode, index, opt});
      const VstEvents* events = static_cast<const VstEvents*>(ptr);
      if (!events || events->numEvents != 1 || !events->events[0]) return 0;
      const VstEvent* event = events->events[0];
      sentEvents.push_back({event->type, event->byteSize, event->deltaFrames});
      return 1;
    }
    case audioMasterGetVendorVersion:
      calls.push_back({opcode, index, opt});
      return vendorVersion;
    case audioMasterCanDo:
      calls.push_back({opcode, index, opt});
      return canSizeWindow && ptr && strcmp(static_cast<const char*>(ptr), "sizeWindow") == 0 ? 1 : 0;
    case audioMasterSizeWindow:
      calls.push_back({opcode, index, opt});
      sizeRequests.push_back({index, static_cast<int>(value)});
      return canSizeWindow ? 1 : 0;
    default:
      calls.push_back({opcode, index, opt});
      return 0;
  }
}
