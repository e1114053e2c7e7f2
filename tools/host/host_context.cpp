#include "tools/host/host_context.h"

#include <cmath>
#include <cstring>

namespace {

HostContext* gActiveContext = nullptr;

// Host capabilities answered yes; everything else is no.
const char* const kHostCanDo[] = {
    "sendVstTimeInfo",
    "startStopProcess",
    "offline",
};

void CopyText(void* ptr, const char* text, size_t capacity) {
  char* out = static_cast<char*>(ptr);
  std::strncpy(out, text, capacity - 1);
  out[capacity - 1] = '\0';
}

}  // namespace

void SetActiveHostContext(HostContext* context) { gActiveContext = context; }
HostContext* ActiveHostContext() { return gActiveContext; }

VstIntPtr HostCallback(AEffect* /*effect*/, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                       void* ptr, float opt) {
  // audioMasterVersion is answered even without a context: plug-ins ask it first.
  if (opcode == audioMasterVersion) return HostContext::kHostVstVersion;
  if (!gActiveContext) return 0;
  return gActiveContext->Answer(opcode, index, value, ptr, opt);
}

void HostContext::StartTransport() {
  samplePos_ = 0.0;
  playing_ = true;
  transportChanged_ = true;
}

void HostContext::AdvanceTransport(int frames) {
  samplePos_ += frames;
  transportChanged_ = false;
}

const VstTimeInfo* HostContext::UpdateTimeInfo() {
  timeInfo_ = VstTimeInfo{};
  timeInfo_.samplePos = samplePos_;
  timeInfo_.sampleRate = sampleRate_;
  timeInfo_.tempo = tempo_;
  timeInfo_.ppqPos = samplePos_ / sampleRate_ * tempo_ / 60.0;
  timeInfo_.barStartPos = std::floor(timeInfo_.ppqPos / 4.0) * 4.0;  // 4/4 bars
  timeInfo_.timeSigNumerator = 4;
  timeInfo_.timeSigDenominator = 4;
  timeInfo_.flags = kVstTempoValid | kVstTimeSigValid | kVstPpqPosValid | kVstBarsValid;
  if (playing_) timeInfo_.flags |= kVstTransportPlaying;
  if (transportChanged_) timeInfo_.flags |= kVstTransportChanged;
  return &timeInfo_;
}

VstIntPtr HostContext::Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                              float /*opt*/) {
  switch (opcode) {
    case audioMasterVersion:
      return kHostVstVersion;
    case audioMasterGetTime:
      // The full record is answered whatever the filter asks: every field is valid.
      return reinterpret_cast<VstIntPtr>(UpdateTimeInfo());
    case audioMasterGetSampleRate:
      return static_cast<VstIntPtr>(sampleRate_);
    case audioMasterGetBlockSize:
      return blockSize_;
    case audioMasterGetProductString:
      if (!ptr) return 0;
      CopyText(ptr, kProductString, 64);  // kVstMaxProductStrLen
      return 1;
    case audioMasterGetVendorString:
      if (!ptr) return 0;
      CopyText(ptr, kVendorString, 64);  // kVstMaxVendorStrLen
      return 1;
    case audioMasterGetVendorVersion:
      return kHostVendorVersion;
    case audioMasterAutomate:
      ++automateCount;
      return 1;
    case audioMasterBeginEdit:
      ++beginEditCount;
      return 1;
    case audioMasterEndEdit:
      ++endEditCount;
      return 1;
    case audioMasterUpdateDisplay:
    case audioMasterIdle:
      return 1;
    case audioMasterSizeWindow:
      if (!onSizeWindow || index <= 0 || value <= 0 || index > 0x7FFF || value > 0x7FFF) return 0;
      return onSizeWindow(index, static_cast<int>(value)) ? 1 : 0;
    case audioMasterCanDo: {
      if (!ptr) return 0;
      const char* query = static_cast<const char*>(ptr);
      if (std::strcmp(query, "sizeWindow") == 0) return onSizeWindow ? 1 : 0;
      for (const char* yes : kHostCanDo) {
        if (std::strcmp(query, yes) == 0) return 1;
      }
      return 0;
    }
    case audioMasterGetCurrentProcessLevel:
      return playing_ ? 4 : 1;  // offline while rendering a file, user thread otherwise
    case audioMasterGetLanguage:
      return 1;  // English
    default:
      return 0;
  }
}
