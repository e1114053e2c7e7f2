// The CLAP adapter's parameters, audio ports, latency, tail and state.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/text_copy.h"
#include "clap/IPlugCLAP.h"
#include "clap/clap_state_stream.h"

namespace {

// Parameter ids are the parameters' indices: stable as long as the order is.
const IParam* ParamOf(const IPlugBase* plug, clapabi::Id id) {
  if (id >= static_cast<clapabi::Id>(plug->ParamCount())) return nullptr;
  return plug->ParamAt(static_cast<int>(id));
}

// Every whole value of an enumeration has a display text.
bool IsFullyNamedEnum(const IParam* param) {
  if (param->Kind() != KindEnum) return false;
  const int lowest = static_cast<int>(param->Lowest());
  const int highest = static_cast<int>(param->Highest());
  for (int v = lowest; v <= highest; ++v) {
    if (!param->DisplayTextFor(v)[0]) return false;
  }
  return true;
}

// Copies text into out (capacity bytes, capacity >= 2), cut at a UTF-8 character boundary.
void CopyCutAtCharacter(char* out, const char* text, uint32_t capacity) {
  size_t n = std::strlen(text);
  if (n > capacity - 1) {
    n = capacity - 1;
    // Back off continuation bytes (10xxxxxx) so no character is cut in two.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  }
  std::memcpy(out, text, n);
  out[n] = '\0';
}

// What IParam::ValueFromText would find: a display text, or a leading number.
bool HoldsValue(const IParam* param, const char* text) {
  if (param->ValueForDisplayText(text, nullptr)) return true;
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  return end != text && !std::isnan(v);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Parameters

uint32_t IPlugCLAP::ParamsCount() const {
  return ParamCount() > 0 ? static_cast<uint32_t>(ParamCount()) : 0;
}

bool IPlugCLAP::ParamInfoAt(uint32_t index, clapabi::ParamInfo* info) {
  if (!info || !CheckMainThread("params.get_info: not on the main thread")) return false;
  const IParam* param = ParamOf(this, index);
  if (!param) return false;
  std::memset(info, 0, sizeof(*info));
  info->id = index;
  uint32_t flags = clapabi::kParamIsAutomatable;
  const ParamKind kind = param->Kind();
  if (kind == KindBool || kind == KindInt || kind == KindEnum) flags |= clapabi::kParamIsStepped;
  if (IsFullyNamedEnum(param)) flags |= clapabi::kParamIsEnum;
  info->flags = flags;
  info->cookie = nullptr;
  CopyTextCut(info->name, param->ParamName(), clapabi::kNameSize - 1);
  info->module[0] = '\0';
  info->minValue = param->Lowest();
  info->maxValue = param->Highest();
  double value = param->DefaultValue();
  if (!(value >= info->minValue)) value = info->minValue;
  if (value > info->maxValue) value = info->maxValue;
  info->defaultValue = value;
  return true;
}

bool IPlugCLAP::ParamValue(clapabi::Id id, double* value) {
  if (!value || !CheckMainThread("params.get_value: not on the main thread")) return false;
  MutexGuard guard(PluginLock());
  const IParam* param = ParamOf(this, id);
  if (!param) return false;
  *value = param->current;
  return true;
}

bool IPlugCLAP::ValueToText(clapabi::Id id, double value, char* out, uint32_t capacity) {
  if (!out || capacity <= 1 || !CheckMainThread("params.value_to_text: not on the main thread")) {
    return false;
  }
  const IParam* param = ParamOf(this, id);
  if (!param || !std::isfinite(value)) return false;
  if (value < param->Lowest()) value = param->Lowest();
  if (value > param->Highest()) value = param->Highest();
  // Exactly the text effGetParamDisplay gives for that value: formatted, then cut to the
  // length a VST 2.4 host reads.
  char formatted[IParam::kFormatBufferSize];
  char display[IParam::kMaxTextLength + 1];
  param->FormatForHost(value, false, formatted, sizeof(formatted));
  CopyTextCut(display, formatted, IParam::kMaxTextLength);
  CopyCutAtCharacter(out, display, capacity);
  return true;
}

bool IPlugCLAP::TextToValue(clapabi::Id id, const char* text, double* value) {
  if (!text || !value || !CheckMainThread("params.text_to_value: not on the main thread")) {
    return false;
  }
  const IParam* param = ParamOf(this, id);
  if (!param || !HoldsValue(param, text)) return false;
  // The one parse path of typed values, then the value the parameter would store.
  const double plain = param->FromNormalized(param->NormalizedFromText(text));
  if (std::isnan(plain)) return false;
  *value = plain;
  return true;
}

// ---------------------------------------------------------------------------------------
// Audio ports, latency, tail

uint32_t IPlugCLAP::AudioPortCount(bool isInput) const {
  return (isInput ? InputCount() : OutputCount()) > 0 ? 1 : 0;
}

bool IPlugCLAP::AudioPortInfoAt(uint32_t index, bool isInput,
                                clapabi::AudioPortInfo* info) const {
  if (!info || index >= AudioPortCount(isInput)) return false;
  const int channels = isInput ? InputCount() : OutputCount();
  std::memset(info, 0, sizeof(*info));
  // Input 0 and output 1, each the other's in-place partner: the render never writes an
  // input and reads every input sample of a frame before writing that frame.
  info->id = isInput ? 0 : 1;
  std::snprintf(info->name, sizeof(info->name), "%s", isInput ? "Input" : "Output");
  info->flags = clapabi::kPortIsMain | clapabi::kPortSupports64Bits |
                clapabi::kPortRequiresCommonSampleSize;
  info->channelCount = static_cast<uint32_t>(channels);
  info->portType = channels == 2 ? "stereo" : (channels == 1 ? "mono" : nullptr);
  info->inPlacePair = isInput ? 1 : 0;
  return true;
}

uint32_t IPlugCLAP::Latency() {
  MutexGuard guard(PluginLock());
  return LatencySamples() > 0 ? static_cast<uint32_t>(LatencySamples()) : 0;
}

uint32_t IPlugCLAP::Tail() {
  const clapabi::HostThreadCheck* check = mExt.threadCheck;
  if (check && check->isMainThread && check->isAudioThread && !check->isMainThread(mHost) &&
      !check->isAudioThread(mHost)) {
    Log(clapabi::kLogHostMisbehaving, "tail.get: neither on the main nor the audio thread");
    return 0;
  }
  int tail = 0;
  {
    MutexGuard guard(PluginLock());
    tail = TailSamples();
  }
  mReportedTail.store(tail);
  return tail > 0 ? static_cast<uint32_t>(tail) : 0;
}

// ---------------------------------------------------------------------------------------
// State

bool IPlugCLAP::IsWellFormedProgram(const StateChunk& chunk) const {
  int version = 0;
  int pos = ChunkReadStart(chunk, &version);
  if (pos != 8 || version != kChunkVersion) return false;
  if (chunk.Size() != 8 + 8 * ParamCount()) return false;
  for (int i = 0; i < ParamCount(); ++i) {
    double v = 0.0;
    pos = chunk.ReadDouble(pos, &v);
    const IParam* param = ParamAt(i);
    if (pos < 0 || !param || !std::isfinite(v) || v < param->Lowest() || v > param->Highest()) {
      return false;
    }
  }
  return true;
}

bool IPlugCLAP::SaveState(const clapabi::OStream* stream) {
  if (!stream || !CheckMainThread("state.save: not on the main thread")) return false;
  // The bytes are made under the lock and written without it (the stream is the host's).
  StateChunk chunk;
  int program = 0;
  {
    MutexGuard guard(PluginLock());
    if (!SaveStateChunk(false, chunk)) return false;
    program = CurrentPreset();
  }
  return WriteClapState(stream, program, chunk);
}

bool IPlugCLAP::LoadState(const clapabi::IStream* stream) {
  if (!stream || !CheckMainThread("state.load: not on the main thread")) return false;
  StateChunk chunk;
  int program = 0;
  if (!ReadClapState(stream, &program, &chunk)) return false;
  {
    MutexGuard guard(PluginLock());
    if (program < 0 || program >= PresetCount() || !IsWellFormedProgram(chunk)) return false;
    currentPreset = program;
    if (!LoadStateChunk(false, chunk)) return false;
  }
  if (mExt.params && mExt.params->rescan) mExt.params->rescan(mHost, clapabi::kParamRescanValues);
  return true;
}
