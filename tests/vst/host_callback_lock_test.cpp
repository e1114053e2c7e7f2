// Which host callbacks arrive while the plug-in lock is held. A host calls an instance from
// several threads; a callback made under the lock keeps the audio thread waiting for as
// long as the host takes to answer it. Every callback of a host's ordinary session is
// recorded with whether another thread could have taken the lock at that moment; only the
// calls that must stay under the lock are allowed there:
// - audioMasterGetTime while processing (asked for by the audio thread's own block);
// - audioMasterBeginEdit / audioMasterAutomate / audioMasterEndEdit of an editor edit
//   (the value and the host's record of it change in one step).
// Opening (the host's name and version), chunks, programs and host automation make no
// callback under the lock.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "effect/quelora2.h"
#include "vst/entry.h"

namespace {

struct Record {
  std::string step;
  VstInt32 opcode;
  bool underLock;
};

std::string gStep;
std::vector<Record> gRecords;
VstTimeInfo gTime;

// Whether some thread holds the instance's lock: another thread tries it.
bool LockHeldElsewhere(AEffect* effect) {
  IPlugVST* plug = IPlugVST::FromAEffect(effect);
  if (!plug) return false;
  bool taken = false;
  std::thread probe([&] {
    taken = plug->PluginLock()->TryLock();
    if (taken) plug->PluginLock()->Unlock();
  });
  probe.join();
  return !taken;
}

VstIntPtr Callback(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
  if (effect && effect->object) gRecords.push_back({gStep, opcode, LockHeldElsewhere(effect)});
  switch (opcode) {
    case audioMasterGetTime:
      gTime = VstTimeInfo();
      gTime.sampleRate = 44100.0;
      gTime.tempo = 120.0;
      gTime.flags = kVstTempoValid | kVstTransportPlaying;
      return reinterpret_cast<VstIntPtr>(&gTime);
    case audioMasterGetProductString:
      if (ptr) std::strcpy(static_cast<char*>(ptr), "Lock Probe");
      return 1;
    case audioMasterGetVendorVersion:
      return 10000;
    default:
      return 0;
  }
}

TEST(HostCallbackLock, OnlyTheCallsThatMustStayArriveUnderThePluginLock) {
  AEffect* e = VSTPluginMain(Callback);
  ASSERT_NE(e, nullptr);
  auto dispatch = [e](VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                      void* ptr = nullptr, float opt = 0.f) {
    return e->dispatcher(e, opcode, index, value, ptr, opt);
  };
  gStep = "open";
  dispatch(effOpen);
  dispatch(effSetSampleRate, 0, 0, nullptr, 44100.f);
  dispatch(effSetBlockSize, 0, 256);
  dispatch(effMainsChanged, 0, 1);

  gStep = "process";
  std::vector<float> in(256, 0.25f), out0(256), out1(256);
  float* ins[2] = {in.data(), in.data()};
  float* outs[2] = {out0.data(), out1.data()};
  for (int i = 0; i < 4; ++i) e->processReplacing(e, ins, outs, 256);

  gStep = "chunks";
  for (VstInt32 bank : {0, 1}) {
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, bank, 0, &data);
    ASSERT_GT(size, 0);
    const std::vector<unsigned char> copy(static_cast<unsigned char*>(data),
                                          static_cast<unsigned char*>(data) + size);
    dispatch(effSetProgram, 0, 5);
    EXPECT_EQ(dispatch(effSetChunk, bank, size, const_cast<unsigned char*>(copy.data())), 1);
    // The very block effGetChunk handed out, given back.
    EXPECT_EQ(dispatch(effSetChunk, bank, size, data), 1);
  }

  gStep = "programs and automation";
  dispatch(effSetProgram, 0, 3);
  e->setParameter(e, kFeedback, 0.3f);
  char text[64] = "70";
  dispatch(effString2Parameter, kWetMix, 0, text);

  gStep = "editor edit";
  {
    // What an open editor's exchange does with the edits of a drag (plug-in lock held).
    IPlugVST* plug = IPlugVST::FromAEffect(e);
    MutexGuard guard(plug->PluginLock());
    plug->HostBeginParamEdit(kDryMix);
    plug->SetParamFromEditor(kDryMix, 0.4);
    plug->HostEndParamEdit(kDryMix);
  }

  gStep = "close";
  dispatch(effMainsChanged, 0, 0);
  dispatch(effClose);

  const std::set<std::pair<std::string, VstInt32>> allowed = {
      {"process", audioMasterGetTime},
      {"editor edit", audioMasterBeginEdit},
      {"editor edit", audioMasterAutomate},
      {"editor edit", audioMasterEndEdit},
  };
  int underLock = 0;
  for (const Record& r : gRecords) {
    if (!r.underLock) continue;
    ++underLock;
    EXPECT_TRUE(allowed.count({r.step, r.opcode})) << r.step << ": opcode " << r.opcode;
  }
  // The probe itself works: the allowed calls were seen under the lock.
  EXPECT_GT(underLock, 0);
  bool askedName = false;
  for (const Record& r : gRecords) askedName |= r.opcode == audioMasterGetProductString;
  EXPECT_TRUE(askedName);
  bool sawTime = false;
  for (const Record& r : gRecords) {
    sawTime |= r.step == "process" && r.opcode == audioMasterGetTime && r.underLock;
  }
  EXPECT_TRUE(sawTime);
}

}  // namespace
