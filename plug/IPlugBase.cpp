#include "plug/IPlugBase.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/text_copy.h"
#include "plug/sample_convert.h"

namespace {

// Reads an optionally signed decimal number at *p (after leading blanks) like "%d", but
// saturating instead of overflowing. Returns false (p unchanged) when there is none.
bool ParseInt(const char** p, const char* end, int* value) {
  const char* s = *p;
  while (s < end && (*s == '\t' || *s == '\n' || *s == '\v' || *s == '\f' || *s == '\r' || *s == ' ')) ++s;
  bool negative = false;
  if (s < end && (*s == '+' || *s == '-')) {
    negative = *s == '-';
    ++s;
  }
  if (s >= end || *s < '0' || *s > '9') return false;
  long long v = 0;
  while (s < end && *s >= '0' && *s <= '9') {
    if (v < INT_MAX) v = v * 10 + (*s - '0');
    ++s;
  }
  if (v > INT_MAX) v = INT_MAX;
  *value = static_cast<int>(negative ? -v : v);
  *p = s;
  return true;
}

// The channel range first ... min(first + count, total) - 1, computed without overflow.
void ChannelRange(int first, int count, int total, int* begin, int* end) {
  long long b = first < 0 ? 0 : first;
  long long e = static_cast<long long>(first) + count;
  if (e > total) e = total;
  if (b > e) b = e;
  *begin = static_cast<int>(b);
  *end = static_cast<int>(e);
}

struct HostName {
  const char* substring;
  int code;
};

// Searched in this order; the first substring found anywhere in the lower-cased name wins.
const HostName kHostNames[] = {
    {"cubase", 3},     {"reaper", 1},     {"nuendo", 4},     {"cakewalk", 5},
    {"samplitude", 8}, {"fruity", 7},     {"live", 9},       {"melodyne", 12},
    {"vstmanlib", 13}, {"aulab", 14},     {"forte", 15},     {"chainer", 16},
    {"audition", 17},  {"orion", 18},     {"sawstudio", 20}, {"logic", 21},
    {"digital", 22},   {"audiomulch", 23}, {"presonus", 24}, {"acoustica", 25},
    {"garageband", 26}, {"ardour", 27},
};

}  // namespace

IPlugBase::IPlugBase(int paramCount, const char* channelIoSpec, int presetCount,
                     const char* effectNameText, const char* productNameText,
                     const char* vendorNameText, int versionCodeValue, int pluginIdValue,
                     int vendorIdValue, int latency, int midiModeValue, bool wantsChunksValue,
                     bool isInstrumentValue)
    : ioConfigs(4096),
      params(4096),
      presets(4096),
      currentPreset(0),
      pendingEditParam(-1),
      pluginId(pluginIdValue),
      vendorId(vendorIdValue),
      versionCode(versionCodeValue),
      hostCode(-1),
      hostVersion(0),
      wantsChunks(wantsChunksValue),
      isInstrument(isInstrumentValue),
      midiMode(midiModeValue),
      sampleRate(44100.0),
      maxBlockSize(0),
      latencySamples(latency),
      editor(nullptr),
      inputPointers(4096),
      outputPointers(4096),
      inChannels(4096),
      outChannels(4096),
      splitDoubleIn(4096),
      splitDoubleOut(4096),
      splitFloatIn(4096),
      splitFloatOut(4096) {
  // A failed allocation leaves a list shorter; every user goes by the list's count.
  for (int i = 0; i < paramCount; ++i) {
    IParam* param = new IParam();
    if (!params.Push(param)) {
      delete param;
      break;
    }
  }
  for (int i = 0; i < presetCount; ++i) {
    PresetSlot* slot = new PresetSlot(i + 1);
    if (!presets.Push(slot)) {
      delete slot;
      break;
    }
  }
  CopyTextCut(effectName, effectNameText, kMaxEffectNameLength);
  CopyTextCut(productName, productNameText, kMaxEffectNameLength);
  CopyTextCut(vendorName, vendorNameText, kMaxEffectNameLength);
  ParseChannelIoSpec(channelIoSpec);
  deferredEdits.Prepare(HostEditQueue::kDefaultCapacity);
}

IPlugBase::~IPlugBase() {
  delete editor;
  editor = nullptr;
  params.DeleteAllItems();
  presets.DeleteAllItems();
  inChannels.DeleteAllItems();
  outChannels.DeleteAllItems();
  ioConfigs.DeleteAllItems();
}

void IPlugBase::ParseChannelIoSpec(const char* spec) {
  if (!spec) return;
  int maxInputs = 0;
  int maxOutputs = 0;
  const char* p = spec;
  for (;;) {
    const char* end = strchr(p, ' ');
    if (!end) end = p + strlen(p);
    int inputs = 0;
    int outputs = 0;
    const char* s = p;
    if (ParseInt(&s, end, &inputs) && s < end && *s == '-') {
      ++s;
      ParseInt(&s, end, &outputs);
    }
    ChannelPairing* pairing = new ChannelPairing{inputs, outputs};
    if (!ioConfigs.Push(pairing)) delete pairing;
    if (inputs > maxInputs) maxInputs = inputs;
    if (outputs > maxOutputs) maxOutputs = outputs;
    if (!*end) break;
    p = end + 1;
  }

  // The lanes' slots point into these arrays, so they are sized once and never again;
  // lanes exist only for entries that were really allocated.
  inputPointers.SetCount(maxInputs);
  outputPointers.SetCount(maxOutputs);
  for (int i = 0; i < inputPointers.Count(); ++i) {
    InputLane* lane = new InputLane();
    lane->slot = inputPointers.Items() + i;
    *lane->slot = lane->scratch.Items();
    if (!inChannels.Push(lane)) {
      delete lane;
      break;
    }
  }
  for (int i = 0; i < outputPointers.Count(); ++i) {
    OutputLane* lane = new OutputLane();
    lane->slot = outputPointers.Items() + i;
    *lane->slot = lane->scratch.Items();
    if (!outChannels.Push(lane)) {
      delete lane;
      break;
    }
  }
  splitDoubleIn.SetCount(InputCount());
  splitFloatIn.SetCount(InputCount());
  splitDoubleOut.SetCount(OutputCount());
  splitFloatOut.SetCount(OutputCount());
}

// ---------------------------------------------------------------------------------------
// Base virtual bodies.

void IPlugBase::HandleReset() { MutexGuard guard(&stateLock); }

void IPlugBase::HandleParamChanged(int index) {
  (void)index;
  MutexGuard guard(&stateLock);
}

void IPlugBase::HandleActivation(bool active) {
  (void)active;
  MutexGuard guard(&stateLock);
}

bool IPlugBase::LookupMidiKeyName(int key, char* name, int nameSize) {
  (void)key;
  if (name && nameSize > 0) name[0] = 0;
  return false;
}

void IPlugBase::RenderAudio(double** inputs, double** outputs, int frames) {
  if (!outputs || frames <= 0) return;
  const int nIn = inputs ? InputCount() : 0;
  const int nOut = OutputCount();
  const size_t bytes = static_cast<size_t>(frames) * sizeof(double);
  for (int c = 0; c < nOut; ++c) {
    double* out = outputs[c];
    if (!out) continue;
    const double* in = c < nIn ? inputs[c] : nullptr;
    if (in) {
      if (in != out) memmove(out, in, bytes);
    } else {
      memset(out, 0, bytes);
    }
  }
}

void IPlugBase::AttachEditor(IPlugEditor* newEditor) {
  if (!newEditor || newEditor == editor) return;
  MutexGuard guard(&stateLock);
  for (int i = 0; i < ParamCount(); ++i) {
    newEditor->PushParamValueToControls(i, params.ItemAt(i)->NormalizedValue(), true);
  }
  newEditor->PrepareDrawing();
  delete editor;
  editor = newEditor;
}

void IPlugBase::ChangeBlockSize(int frames) {
  if (frames < 0) frames = 0;
  if (frames == maxBlockSize) return;
  // Should a buffer fail to grow, the block size is what every buffer really holds.
  int achieved = frames;
  for (int i = 0; i < InputCount(); ++i) {
    InputLane* lane = inChannels.ItemAt(i);
    lane->scratch.SetCount(frames, true);
    const int n = lane->scratch.Count();
    if (n < achieved) achieved = n;
    if (n > 0) memset(lane->scratch.Items(), 0, static_cast<size_t>(n) * sizeof(double));
    *lane->slot = lane->scratch.Items();
  }
  for (int i = 0; i < OutputCount(); ++i) {
    OutputLane* lane = outChannels.ItemAt(i);
    lane->scratch.SetCount(frames, true);
    const int n = lane->scratch.Count();
    if (n < achieved) achieved = n;
    if (n > 0) memset(lane->scratch.Items(), 0, static_cast<size_t>(n) * sizeof(double));
    *lane->slot = lane->scratch.Items();
  }
  maxBlockSize = achieved;
}

bool IPlugBase::WriteState(StateChunk& chunk) {
  MutexGuard guard(&stateLock);
  for (int i = 0; i < ParamCount(); ++i) {
    if (!chunk.AppendDouble(params.ItemAt(i)->current)) return false;
  }
  return true;
}

int IPlugBase::ReadState(const StateChunk& chunk, int start) {
  MutexGuard guard(&stateLock);
  int pos = start;
  for (int i = 0; i < ParamCount() && pos >= 0; ++i) {
    double v = 0.0;
    pos = chunk.ReadDouble(pos, &v);
    if (pos < 0) v = 0.0;
    params.ItemAt(i)->SetClamped(v);
  }
  NotifyAllParamsChanged();
  return pos;
}

bool IPlugBase::WriteBankState(StateChunk& chunk) {
  for (int i = 0; i < PresetCount(); ++i) {
    const PresetSlot* slot = presets.ItemAt(i);
    if (!chunk.AppendText(slot->presetName) || !chunk.AppendFlag(slot->filled)) return false;
    if (slot->filled && !chunk.AppendBytes(slot->state.Data(), slot->state.Size())) return false;
  }
  return true;
}

int IPlugBase::ReadBankState(const StateChunk& chunk, int start) {
  char name[PresetSlot::kMaxNameLength + 1];
  int pos = start;
  for (int i = 0; i < PresetCount() && pos >= 0; ++i) {
    PresetSlot* slot = presets.ItemAt(i);

    // Name record. One cut short, or with a negative length, names the slot "" and
    // ends the read: nothing past the data is touched.
    int length = 0;
    int end = chunk.ReadWord(pos, &length);
    name[0] = 0;
    if (end >= 0) {
      if (length < 0 || length > chunk.Size() - end) {
        end = -1;
      } else {
        const int keep = length < PresetSlot::kMaxNameLength ? length : PresetSlot::kMaxNameLength;
        CopyTextCut(name, reinterpret_cast<const char*>(chunk.Data() + end), keep);
        end += length;
      }
    }
    slot->SetName(name);

    bool filled = false;
    pos = chunk.ReadFlag(end, &filled);
    if (pos < 0) break;
    slot->filled = filled;
    if (!filled) {
      slot->state.Clear();
      continue;
    }
    pos = ReadState(chunk, pos);
    if (pos > 0) {
      slot->state.Clear();
      WriteState(slot->state);
    } else if (slot->state.Size() != 8 * ParamCount()) {
      // The values were cut short and the slot holds no complete set of its own: a
      // filled slot without values would corrupt every bank written afterwards.
      slot->filled = false;
      slot->state.Clear();
    }
  }
  RecallPreset(currentPreset);
  return pos;
}

// ---------------------------------------------------------------------------------------
// Parameters.

void IPlugBase::SetParamFromEditor(int index, double normalized) {
  MutexGuard guard(&stateLock);
  IParam* param = ParamAt(index);
  if (!param || !std::isfinite(normalized)) return;
  param->SetFromNormalized(normalized);
  HostAutomateParam(index, normalized);
  HandleParamChanged(index);
}

void IPlugBase::EndParamEditSoon(int index) {
  MutexGuard guard(&stateLock);
  if (!ParamAt(index)) return;
  if (editor) {
    pendingEditParam = index;
    const int ticks = editor->FrameRate() / 2;
    editor->ArmGestureEndTimer(ticks < 1 ? 1 : ticks);
  } else {
    HostEndParamEdit(index);
  }
}

void IPlugBase::FlushPendingParamEdit() {
  MutexGuard guard(&stateLock);
  if (editor) editor->DisarmGestureEndTimer();
  if (pendingEditParam >= 0) {
    // Cleared first, so a host that re-enters sees no pending edit.
    const int index = pendingEditParam;
    pendingEditParam = -1;
    HostEndParamEdit(index);
  }
}

void IPlugBase::HostBeginParamEditOnce(int index) {
  MutexGuard guard(&stateLock);
  if (index != pendingEditParam) HostBeginParamEdit(index);
}

bool IPlugBase::DeferHostEdit(HostEdit::Kind kind, int index, double normalized) {
  MutexGuard guard(&stateLock);
  const IParam* param = ParamAt(index);
  if (!param) return false;
  return deferredEdits.Push(kind, index, normalized, param->current);
}

bool IPlugBase::TakeDeferredHostEdits(HostEditQueue* into) {
  if (!into) return false;
  into->Clear();
  MutexGuard guard(&stateLock);
  if (deferredEdits.Empty() || into->Capacity() != deferredEdits.Capacity()) return false;
  deferredEdits.Swap(*into);
  return true;
}

void IPlugBase::SetParamFromHost(int index, double normalized) {
  // Not a number: nothing sensible to set. Values outside 0 ... 1 land on the bounds so
  // that no parameter ever leaves its range (the engine relies on that for stability).
  if (!std::isfinite(normalized)) return;
  if (normalized < 0.0) normalized = 0.0;
  if (normalized > 1.0) normalized = 1.0;
  MutexGuard guard(&stateLock);
  IParam* param = ParamAt(index);
  if (!param) return;
  if (editor) editor->PushParamValueToControls(index, normalized, true);
  param->SetFromNormalized(normalized);
  HandleParamChanged(index);
}

bool IPlugBase::SetParamFromText(int index, const char* text) {
  MutexGuard guard(&stateLock);
  IParam* param = ParamAt(index);
  if (!param) return false;
  if (!text) return true;
  // The parameter keeps its range whatever was typed; the editor is shown the value
  // actually stored.
  param->SetFromNormalized(param->NormalizedFromText(text));
  if (editor) editor->PushParamValueToControls(index, param->current, false);
  HandleParamChanged(index);
  return true;
}

void IPlugBase::NotifyAllParamsChanged() {
  for (int i = 0; i < ParamCount(); ++i) HandleParamChanged(i);
}

void IPlugBase::RefreshEditorControls() {
  if (!editor) return;
  for (int i = 0; i < ParamCount(); ++i) {
    editor->PushParamValueToControls(i, params.ItemAt(i)->current, false);
  }
}

// ---------------------------------------------------------------------------------------
// Presets.

PresetSlot* IPlugBase::LowestUnfilledSlot() const {
  for (int i = 0; i < PresetCount(); ++i) {
    PresetSlot* slot = presets.ItemAt(i);
    if (!slot->filled) return slot;
  }
  return nullptr;
}

void IPlugBase::FillDefaultPresets(const char* name, int count) {
  for (int n = 0; n < count; ++n) {
    PresetSlot* slot = LowestUnfilledSlot();
    if (!slot) return;
    slot->filled = true;
    slot->SetName(name ? name : "Default");
    slot->state.Clear();
    WriteState(slot->state);
  }
}

bool IPlugBase::AddFactoryPreset(const char* name, std::initializer_list<double> values) {
  return AddFactoryPreset(name, values.begin(), static_cast<int>(values.size()));
}

bool IPlugBase::AddFactoryPreset(const char* name, const double* values, int count) {
  if (count != ParamCount() || (count > 0 && !values)) return false;
  PresetSlot* slot = LowestUnfilledSlot();
  if (!slot) return false;
  slot->state.Clear();
  for (int i = 0; i < count; ++i) {
    double v = values[i];
    const ParamKind kind = params.ItemAt(i)->Kind();
    if (kind == KindBool || kind == KindInt || kind == KindEnum) {
      // Whole-number parameters take whole numbers; never convert NaN or a huge value.
      if (std::isnan(v)) v = 0.0;
      v = std::trunc(v);
      if (v < INT_MIN) v = INT_MIN;
      if (v > INT_MAX) v = INT_MAX;
    }
    if (!slot->state.AppendDouble(v)) {
      slot->state.Clear();
      return false;
    }
  }
  slot->filled = true;
  slot->SetName(name);
  return true;
}

void IPlugBase::EnsureOnePreset() {
  if (PresetCount() > 0) return;
  PresetSlot* slot = new PresetSlot(1);
  if (!presets.Push(slot)) {
    delete slot;
    return;
  }
  slot->filled = true;
  slot->SetName("Default");
  WriteState(slot->state);
}

bool IPlugBase::RecallPreset(int index) {
  PresetSlot* slot = presets.ItemAt(index);
  if (!slot) return false;
  bool ok = false;
  if (slot->filled) {
    const int pos = ReadState(slot->state, 0);
    ok = pos > 0 || (pos == 0 && ParamCount() == 0);
  } else {
    char name[PresetSlot::kMaxNameLength + 1];
    NextUserPresetName(name, sizeof(name));
    slot->state.Rewind();
    ok = WriteState(slot->state);
    if (ok) {
      slot->filled = true;
      slot->SetName(name);
    } else {
      slot->state.Clear();
    }
  }
  if (ok) {
    currentPreset = index;
    RefreshEditorControls();
  }
  return ok;
}

void IPlugBase::CaptureIntoCurrentPreset(const char* name) {
  PresetSlot* slot = presets.ItemAt(currentPreset);
  if (!slot) return;
  // The slot keeps its storage: a program change (a format may make it on the audio
  // thread) then rewrites it without allocating.
  slot->state.Rewind();
  // A captured slot holds values, so it counts as filled: recalling it later must load
  // them, not overwrite them under a "user preset" name.
  slot->filled = WriteState(slot->state);
  if (!slot->filled) slot->state.Clear();
  if (name && name[0]) slot->SetName(name);
}

void IPlugBase::SelectPreset(int index) {
  CaptureIntoCurrentPreset(nullptr);
  RecallPreset(index);
}

const char* IPlugBase::PresetName(int index) const {
  const PresetSlot* slot = presets.ItemAt(index);
  return slot ? slot->presetName : "";
}

void IPlugBase::NextUserPresetName(char* name, int nameSize) const {
  if (!name || nameSize <= 0) return;
  int count = 0;
  for (int i = 0; i < PresetCount(); ++i) {
    if (strstr(presets.ItemAt(i)->presetName, "user preset")) ++count;
  }
  snprintf(name, static_cast<size_t>(nameSize), "%s %d", "user preset", count + 1);
}

// ---------------------------------------------------------------------------------------
// State chunks and editor.

bool IPlugBase::SaveStateChunk(bool isBank, StateChunk& chunk) {
  if (!chunk.ResetChunkWithHeader()) return false;
  if (!isBank) return WriteProgramState(chunk);
  CaptureIntoCurrentPreset(nullptr);
  return WriteBankState(chunk);
}

bool IPlugBase::LoadStateChunk(bool isBank, const StateChunk& chunk) {
  int version = 0;
  const int start = ChunkReadStart(chunk, &version);
  int pos;
  if (isBank && version >= kChunkVersion) {
    pos = ReadBankState(chunk, start);
  } else {
    pos = ReadProgramState(chunk, start);
    CaptureIntoCurrentPreset(nullptr);
  }
  if (pos < 0) return false;
  RefreshEditorControls();
  return true;
}

bool IPlugBase::EditorSize(int* width, int* height) const {
  if (!editor) return false;
  if (width) *width = editor->Width();
  if (height) *height = editor->Height();
  return true;
}

bool IPlugBase::OpenEditor(void* parentWindow) {
  if (!editor || !editor->AttachToParentWindow(parentWindow)) return false;
  HandleEditorOpened();
  return true;
}

bool IPlugBase::CloseEditor() {
  if (!editor) return false;
  HandleEditorClosed();
  editor->DetachFromParentWindow();
  return true;
}

// ---------------------------------------------------------------------------------------
// Identity, host and timing.

void IPlugBase::RecordHost(const char* hostName, int version) {
  hostVersion = version;
  char lower[256];
  int n = 0;
  if (hostName) {
    while (n < static_cast<int>(sizeof(lower)) - 1 && hostName[n]) {
      lower[n] = static_cast<char>(tolower(static_cast<unsigned char>(hostName[n])));
      ++n;
    }
  }
  lower[n] = 0;
  hostCode = 0;
  for (const HostName& entry : kHostNames) {
    if (strstr(lower, entry.substring)) {
      hostCode = entry.code;
      return;
    }
  }
}

int IPlugBase::EffectVersion(bool decimal) const {
  if (!decimal) return versionCode;
  const unsigned int v = static_cast<unsigned int>(versionCode);
  const int major = static_cast<int>((v >> 16) & 0xFFFF);
  const int minor = static_cast<int>((v >> 8) & 0xFF);
  const int patch = static_cast<int>(v & 0xFF);
  return major * 10000 + minor * 100 + patch;
}

double IPlugBase::SamplesPerBeat() {
  const double tempo = HostTempo();
  if (tempo > 0.0) return sampleRate / tempo * 60.0;
  return 0.0;
}

bool IPlugBase::SendMidiListToHost(const IMidiMsg* messages, int count) {
  bool ok = true;
  if (!messages) return ok;
  for (int i = 0; i < count; ++i) {
    if (!SendMidiToHost(&messages[i])) ok = false;
  }
  return ok;
}

// ---------------------------------------------------------------------------------------
// Channels and processing.

bool IPlugBase::IsLegalChannelCount(int inputs, int outputs) const {
  for (int i = 0; i < ChannelPairingCount(); ++i) {
    const ChannelPairing* pairing = ioConfigs.ItemAt(i);
    if ((inputs < 0 || inputs == pairing->inputs) && (outputs < 0 || outputs == pairing->outputs)) {
      return true;
    }
  }
  return false;
}

void IPlugBase::ConnectInputs(int first, int count, bool connected) {
  int begin = 0;
  int end = 0;
  ChannelRange(first, count, InputCount(), &begin, &end);
  for (int i = begin; i < end; ++i) {
    InputLane* lane = inChannels.ItemAt(i);
    lane->connected = connected;
    if (!connected) *lane->slot = lane->scratch.Items();
  }
}

void IPlugBase::ConnectOutputs(int first, int count, bool connected) {
  int begin = 0;
  int end = 0;
  ChannelRange(first, count, OutputCount(), &begin, &end);
  for (int i = begin; i < end; ++i) {
    OutputLane* lane = outChannels.ItemAt(i);
    lane->connected = connected;
    if (!connected) {
      *lane->slot = lane->scratch.Items();
      lane->floatTarget = nullptr;
    }
  }
}

void IPlugBase::BindInputBuffers(int first, int count, double** buffers) {
  int begin = 0;
  int end = 0;
  ChannelRange(first, count, InputCount(), &begin, &end);
  int next = 0;
  for (int i = begin; i < end; ++i) {
    InputLane* lane = inChannels.ItemAt(i);
    double* host = nullptr;
    if (lane->connected) {
      host = buffers ? buffers[next] : nullptr;
      ++next;
      if (!host && lane->scratch.Count() > 0) {
        memset(lane->scratch.Items(), 0, static_cast<size_t>(lane->scratch.Count()) * sizeof(double));
      }
    }
    *lane->slot = host ? host : lane->scratch.Items();
  }
}

void IPlugBase::BindInputBuffersFloat(int first, int count, float** buffers, int frames) {
  int begin = 0;
  int end = 0;
  ChannelRange(first, count, InputCount(), &begin, &end);
  if (frames < 0) frames = 0;
  if (frames > maxBlockSize) frames = maxBlockSize;
  int next = 0;
  for (int i = begin; i < end; ++i) {
    InputLane* lane = inChannels.ItemAt(i);
    if (lane->connected) {
      const float* host = buffers ? buffers[next] : nullptr;
      ++next;
      const int n = frames < lane->scratch.Count() ? frames : lane->scratch.Count();
      double* scratch = lane->scratch.Items();
      if (host) {
        WidenSamples(host, scratch, n);
      } else if (n > 0) {
        memset(scratch, 0, static_cast<size_t>(n) * sizeof(double));
      }
    }
    *lane->slot = lane->scratch.Items();
  }
}

void IPlugBase::BindOutputBuffers(int first, int count, double** buffers) {
  int begin = 0;
  int end = 0;
  ChannelRange(first, count, OutputCount(), &begin, &end);
  int next = 0;
  for (int i = begin; i < end; ++i) {
    OutputLane* lane = outChannels.ItemAt(i);
    double* host = nullptr;
    if (lane->connected) {
      host = buffers ? buffers[next] : nullptr;
      ++next;
    }
    lane->floatTarget = nullptr;
    *lane->slot = host ? host : lane->scratch.Items();
  }
}

void IPlugBase::BindOutputBuffersFloat(int first, int count, float** buffers) {
  int begin = 0;
  int end = 0;
  ChannelRange(first, count, OutputCount(), &begin, &end);
  int next = 0;
  for (int i = begin; i < end; ++i) {
    OutputLane* lane = outChannels.ItemAt(i);
    lane->floatTarget = nullptr;
    if (lane->connected) {
      lane->floatTarget = buffers ? buffers[next] : nullptr;
      ++next;
    }
    *lane->slot = lane->scratch.Items();
  }
}

void IPlugBase::RunBlock(int frames) {
  if (frames < 0) frames = 0;
  if (frames > maxBlockSize) frames = maxBlockSize;
  RenderAudio(InputCount() > 0 ? inputPointers.Items() : nullptr,
              OutputCount() > 0 ? outputPointers.Items() : nullptr, frames);
}

void IPlugBase::RunBlockFloatOutputs(int frames, bool accumulate) {
  if (frames < 0) frames = 0;
  if (frames > maxBlockSize) frames = maxBlockSize;
  RunBlock(frames);
  for (int i = 0; i < OutputCount(); ++i) {
    OutputLane* lane = outChannels.ItemAt(i);
    float* target = lane->floatTarget;
    if (!lane->connected || !target) continue;
    const double* scratch = lane->scratch.Items();
    const int n = frames < lane->scratch.Count() ? frames : lane->scratch.Count();
    if (accumulate) {
      AddNarrowedSamples(scratch, target, n);
    } else {
      NarrowSamples(scratch, target, n);
    }
  }
}

void IPlugBase::RunBlockFloat(int frames) { RunBlockFloatOutputs(frames, false); }

void IPlugBase::RunBlockFloatAdding(int frames) { RunBlockFloatOutputs(frames, true); }

namespace {

// The host passes one pointer per connected channel; the split copies hold those
// pointers advanced by done samples (null where the host gave none).
template <class Sample, class Lane>
void OffsetHostPointers(Sample** host, const WDL_PtrList<Lane>& lanes, WDL_TypedBuf<Sample*>& split,
                        int done) {
  int connected = 0;
  for (int c = 0; c < lanes.ItemCount(); ++c) {
    if (lanes.ItemAt(c)->connected) ++connected;
  }
  Sample** items = split.Items();
  for (int k = 0; k < split.Count(); ++k) {
    items[k] = host && k < connected && host[k] ? host[k] + done : nullptr;
  }
}

// Zeroes the host buffers of the connected outputs.
template <class Sample, class Lane>
void ZeroHostOutputs(Sample** host, const WDL_PtrList<Lane>& lanes, int frames) {
  if (!host) return;
  int next = 0;
  for (int c = 0; c < lanes.ItemCount(); ++c) {
    if (!lanes.ItemAt(c)->connected) continue;
    Sample* buffer = host[next++];
    if (buffer) memset(buffer, 0, static_cast<size_t>(frames) * sizeof(Sample));
  }
}

}  // namespace

void IPlugBase::ProcessDouble(double** inputs, double** outputs, int frames) {
  MutexGuard guard(&stateLock);
  if (frames <= 0) return;
  if (maxBlockSize <= 0) {
    ZeroHostOutputs(outputs, outChannels, frames);
    return;
  }
  for (int done = 0; done < frames; done += maxBlockSize) {
    const int n = frames - done < maxBlockSize ? frames - done : maxBlockSize;
    OffsetHostPointers(inputs, inChannels, splitDoubleIn, done);
    OffsetHostPointers(outputs, outChannels, splitDoubleOut, done);
    BindInputBuffers(0, InputCount(), splitDoubleIn.Items());
    BindOutputBuffers(0, OutputCount(), splitDoubleOut.Items());
    RunBlock(n);
  }
}

void IPlugBase::ProcessFloat(float** inputs, float** outputs, int frames, bool accumulate) {
  MutexGuard guard(&stateLock);
  if (frames <= 0) return;
  if (maxBlockSize <= 0) {
    if (!accumulate) ZeroHostOutputs(outputs, outChannels, frames);
    return;
  }
  for (int done = 0; done < frames; done += maxBlockSize) {
    const int n = frames - done < maxBlockSize ? frames - done : maxBlockSize;
    OffsetHostPointers(inputs, inChannels, splitFloatIn, done);
    OffsetHostPointers(outputs, outChannels, splitFloatOut, done);
    BindInputBuffersFloat(0, InputCount(), splitFloatIn.Items(), n);
    BindOutputBuffersFloat(0, OutputCount(), splitFloatOut.Items());
    if (accumulate) {
      RunBlockFloatAdding(n);
    } else {
      RunBlockFloat(n);
    }
  }
}

void IPlugBase::ApplyHostChannelQuirk() {
  ConnectInputs(2, INT_MAX, false);
  if (OutputCount() >= 3) ConnectOutputs(2, INT_MAX, true);
}
