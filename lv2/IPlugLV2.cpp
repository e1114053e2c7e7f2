#include "lv2/IPlugLV2.h"

#include <cmath>
#include <cstring>
#include <string>

#include "lv2/lv2_descriptor.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/time/time.h>

namespace {

const LV2_Feature* FindFeature(const LV2_Feature* const* features, const char* uri) {
  if (!features) return nullptr;
  for (int i = 0; features[i]; ++i) {
    if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0) return features[i];
  }
  return nullptr;
}

// A number atom as a double; false for any other type.
bool AtomNumber(const LV2_Atom* atom, LV2_URID tFloat, LV2_URID tDouble, LV2_URID tInt,
                LV2_URID tLong, double* out) {
  if (!atom) return false;
  if (atom->type == tFloat && atom->size >= sizeof(float)) {
    *out = reinterpret_cast<const LV2_Atom_Float*>(atom)->body;
  } else if (atom->type == tDouble && atom->size >= sizeof(double)) {
    *out = reinterpret_cast<const LV2_Atom_Double*>(atom)->body;
  } else if (atom->type == tInt && atom->size >= sizeof(int32_t)) {
    *out = reinterpret_cast<const LV2_Atom_Int*>(atom)->body;
  } else if (atom->type == tLong && atom->size >= sizeof(int64_t)) {
    *out = static_cast<double>(reinterpret_cast<const LV2_Atom_Long*>(atom)->body);
  } else {
    return false;
  }
  return true;
}

// The host's bufsz:maxBlockLength from the options feature, or 0 when it states none.
int MaxBlockLengthOption(const LV2_Feature* const* features, LV2_URID_Map* map) {
  const LV2_Feature* feature = FindFeature(features, LV2_OPTIONS__options);
  if (!feature || !feature->data || !map) return 0;
  const LV2_URID key = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
  const LV2_URID intType = map->map(map->handle, LV2_ATOM__Int);
  // The list ends with an entry whose key is 0; a host list this long is broken.
  const auto* options = static_cast<const LV2_Options_Option*>(feature->data);
  for (int i = 0; i < 256 && options[i].key != 0; ++i) {
    if (options[i].key == key && options[i].type == intType && options[i].value &&
        options[i].size == sizeof(int32_t)) {
      return *static_cast<const int32_t*>(options[i].value);
    }
  }
  return 0;
}

// The value in a control port's buffer. The host owns the buffer and may write it on its
// own thread while a save reads it: the load is atomic (relaxed), so that it never tears.
double LoadPortValue(const float* port) {
  float value = 0.f;
  __atomic_load(port, &value, __ATOMIC_RELAXED);
  return static_cast<double>(value);
}

}  // namespace

IPlugLV2::IPlugLV2(const Lv2HostLink* link, int paramCount, const char* channelIoSpec,
                   int presetCount, const char* effectName, const char* productName,
                   const char* vendorName, int versionCode, int pluginId, int vendorId,
                   int latencySamples, int midiMode, bool wantsChunks, bool isInstrument)
    : IPlugBase(paramCount, channelIoSpec, presetCount, effectName, productName, vendorName,
                versionCode, pluginId, vendorId, latencySamples, midiMode, wantsChunks,
                isInstrument),
      mMap(nullptr),
      mUrid(),
      mAudioIn{nullptr, nullptr},
      mAudioOut{nullptr, nullptr},
      mControlIn(nullptr),
      mLastPort(),
      mTempo(0.0),
      mSpeed(0.0),
      mFrame(0.0),
      mBeatsPerBar(0),
      mBeatUnit(0),
      mPortsPrimed(false),
      mUi{nullptr, nullptr, nullptr} {
  for (std::atomic<const float*>& port : mParamPorts) port.store(nullptr, std::memory_order_relaxed);
  if (link) {
    if (link->sampleRate > 0.0 && std::isfinite(link->sampleRate)) SetSampleRate(link->sampleRate);
    if (const LV2_Feature* map = FindFeature(link->features, LV2_URID__map)) {
      mMap = static_cast<LV2_URID_Map*>(map->data);
      if (mMap && !mMap->map) mMap = nullptr;
    }
    if (mMap) MapUrids(link->pluginUri ? link->pluginUri : "");
  }
  ConnectInputs(0, InputCount(), true);
  ConnectOutputs(0, OutputCount(), true);
  // Scratch buffers for the longest block the host announces, so that each run is one
  // block of the effect as it is for a VST 2.4 host (longer runs are processed in pieces).
  int blockSize = kDefaultBlockSize;
  if (link && mMap) {
    const int announced = MaxBlockLengthOption(link->features, mMap);
    if (announced > blockSize) blockSize = announced < kMaxBlockSize ? announced : kMaxBlockSize;
  }
  ChangeBlockSize(blockSize);
}

void IPlugLV2::PrimeLastPortValues() {
  // The effect defines its parameters after this base was constructed, so their initial
  // values are taken at the first port or state access instead.
  if (mPortsPrimed) return;
  mPortsPrimed = true;
  for (int i = 0; i < kMaxLv2Params; ++i) {
    IParam* param = ParamAt(i);
    mLastPort[i] = param ? param->current : 0.0;
  }
}

IPlugLV2::~IPlugLV2() {}

void IPlugLV2::MapUrids(const char* pluginUri) {
  LV2_URID_Map_Handle h = mMap->handle;
  mUrid.atomBlank = mMap->map(h, LV2_ATOM__Blank);
  mUrid.atomObject = mMap->map(h, LV2_ATOM__Object);
  mUrid.atomFloat = mMap->map(h, LV2_ATOM__Float);
  mUrid.atomDouble = mMap->map(h, LV2_ATOM__Double);
  mUrid.atomInt = mMap->map(h, LV2_ATOM__Int);
  mUrid.atomLong = mMap->map(h, LV2_ATOM__Long);
  mUrid.atomChunk = mMap->map(h, LV2_ATOM__Chunk);
  mUrid.timePosition = mMap->map(h, LV2_TIME__Position);
  mUrid.timeBpm = mMap->map(h, LV2_TIME__beatsPerMinute);
  mUrid.timeSpeed = mMap->map(h, LV2_TIME__speed);
  mUrid.timeFrame = mMap->map(h, LV2_TIME__frame);
  mUrid.timeBeatsPerBar = mMap->map(h, LV2_TIME__beatsPerBar);
  mUrid.timeBeatUnit = mMap->map(h, LV2_TIME__beatUnit);
  const std::string base(pluginUri);
  mUrid.stateChunk = mMap->map(h, (base + "#chunk").c_str());
  mUrid.stateProgram = mMap->map(h, (base + "#program").c_str());
}

void IPlugLV2::ConnectPort(uint32_t port, void* data) {
  switch (port) {
    case kPortAudioInLeft: mAudioIn[0] = static_cast<float*>(data); return;
    case kPortAudioInRight: mAudioIn[1] = static_cast<float*>(data); return;
    case kPortAudioOutLeft: mAudioOut[0] = static_cast<float*>(data); return;
    case kPortAudioOutRight: mAudioOut[1] = static_cast<float*>(data); return;
    case kPortControlIn: mControlIn = data; return;
    default: break;
  }
  if (port < kPortFirstParam) return;
  const uint32_t index = port - kPortFirstParam;
  if (index < static_cast<uint32_t>(ParamCount()) && index < static_cast<uint32_t>(kMaxLv2Params)) {
    mParamPorts[index].store(static_cast<const float*>(data), std::memory_order_release);
  }
}

void IPlugLV2::Activate() {
  MutexGuard guard(PluginLock());
  // History first: the storage the activation reserves then has nothing to keep.
  ClearHistory();
  HandleActivation(true);
}

void IPlugLV2::Deactivate() {
  MutexGuard guard(PluginLock());
  HandleActivation(false);
  HandleReset();
}

void IPlugLV2::ReadTransport() {
  if (!mMap || !mControlIn) return;
  const LV2_Atom_Sequence* seq = static_cast<const LV2_Atom_Sequence*>(mControlIn);
  // Every position of the block counts at its start: the effect reads the tempo once per
  // block, as it does from a VST 2.4 host's time record.
  LV2_ATOM_SEQUENCE_FOREACH(seq, ev) {
    const LV2_Atom* body = &ev->body;
    if (body->type != mUrid.atomObject && body->type != mUrid.atomBlank) continue;
    const LV2_Atom_Object* obj = reinterpret_cast<const LV2_Atom_Object*>(body);
    if (obj->body.otype != mUrid.timePosition) continue;
    const LV2_Atom* bpm = nullptr;
    const LV2_Atom* speed = nullptr;
    const LV2_Atom* frame = nullptr;
    const LV2_Atom* beatsPerBar = nullptr;
    const LV2_Atom* beatUnit = nullptr;
    lv2_atom_object_get(obj, mUrid.timeBpm, &bpm, mUrid.timeSpeed, &speed, mUrid.timeFrame,
                        &frame, mUrid.timeBeatsPerBar, &beatsPerBar, mUrid.timeBeatUnit,
                        &beatUnit, 0);
    double v = 0.0;
    // A non-finite or negative tempo is as good as none: the engine must never size a
    // line from it.
    if (AtomNumber(bpm, mUrid.atomFloat, mUrid.atomDouble, mUrid.atomInt, mUrid.atomLong, &v)) {
      mTempo = (std::isfinite(v) && v >= 0.0) ? v : 0.0;
    }
    if (AtomNumber(speed, mUrid.atomFloat, mUrid.atomDouble, mUrid.atomInt, mUrid.atomLong, &v) &&
        std::isfinite(v)) {
      mSpeed = v;
    }
    if (AtomNumber(frame, mUrid.atomFloat, mUrid.atomDouble, mUrid.atomInt, mUrid.atomLong, &v) &&
        std::isfinite(v)) {
      mFrame = v;
    }
    if (AtomNumber(beatsPerBar, mUrid.atomFloat, mUrid.atomDouble, mUrid.atomInt, mUrid.atomLong,
                   &v) && v >= 0.0 && v < 1000.0) {
      mBeatsPerBar = static_cast<int>(v);
    }
    if (AtomNumber(beatUnit, mUrid.atomFloat, mUrid.atomDouble, mUrid.atomInt, mUrid.atomLong, &v) &&
        v >= 0.0 && v < 1000.0) {
      mBeatUnit = static_cast<int>(v);
    }
  }
}

bool IPlugLV2::PendingPortValue(int index, double* plain) const {
  if (index < 0 || index >= kMaxLv2Params) return false;
  const float* port = mParamPorts[index].load(std::memory_order_acquire);
  if (!port) return false;
  const double value = LoadPortValue(port);
  if (!std::isfinite(value) || value == mLastPort[index]) return false;
  *plain = value;
  return true;
}

void IPlugLV2::ApplyControlPorts() {
  PrimeLastPortValues();
  const int count = ParamCount() < kMaxLv2Params ? ParamCount() : kMaxLv2Params;
  for (int i = 0; i < count; ++i) {
    // A port value is applied once, when it changes, exactly as one automation event of a
    // VST 2.4 host (same normalized value, same crossfade start).
    double plain = 0.0;
    if (!PendingPortValue(i, &plain)) continue;
    mLastPort[i] = plain;
    IParam* param = ParamAt(i);
    if (param) SetParamFromHost(i, param->ToNormalized(plain));
  }
}

void IPlugLV2::Run(uint32_t frames) {
  MutexGuard guard(PluginLock());
  ReadTransport();
  ApplyControlPorts();
  if (frames == 0 || frames > 0x7FFFFFFFu) {
    RunBlock(0);
  } else {
    ProcessFloat(mAudioIn, mAudioOut, static_cast<int>(frames), false);
  }
  if (mSpeed != 0.0) mFrame += mSpeed * frames;
}

int IPlugLV2::HostSamplePosition() {
  if (mFrame >= 0.0 && mFrame < 2147483647.0) return static_cast<int>(mFrame + 0.5);
  return 0;
}

void IPlugLV2::HostTimeSignature(int* numerator, int* denominator) {
  if (numerator) *numerator = mBeatsPerBar;
  if (denominator) *denominator = mBeatUnit;
}

void IPlugLV2::HostAutomateParam(int index, double normalized) {
  IParam* param = ParamAt(index);
  if (!param || index < 0 || index >= kMaxLv2Params) return;
  if (mUi.write) {
    DeferHostEdit(HostEdit::kValue, index, normalized);
    return;
  }
  // A DSP instance takes the value over so that the next run does not undo it.
  PrimeLastPortValues();
  mLastPort[index] = param->current;
}

void IPlugLV2::HostBeginParamEdit(int index) {
  FlushPendingParamEdit();
  if (mUi.write) DeferHostEdit(HostEdit::kBegin, index);
}

void IPlugLV2::HostEndParamEdit(int index) {
  if (mUi.write) DeferHostEdit(HostEdit::kEnd, index);
}

void IPlugLV2::AttachUiHost(const Lv2UiLink& link) {
  mUi = link;
  mUiOutbox.Prepare(HostEditQueue::kDefaultCapacity);
}

int IPlugLV2::DeliverUiEdits() {
  if (!mUi.write || !TakeDeferredHostEdits(&mUiOutbox)) return 0;
  const bool touch = mUi.touch && mUi.touch->touch;
  for (int i = 0; i < mUiOutbox.Count(); ++i) {
    const HostEdit& edit = mUiOutbox.At(i);
    if (edit.index >= kMaxLv2Params) continue;
    const uint32_t port = kPortFirstParam + static_cast<uint32_t>(edit.index);
    switch (edit.kind) {
      case HostEdit::kBegin:
        if (touch) mUi.touch->touch(mUi.touch->handle, port, true);
        break;
      case HostEdit::kValue: {
        const float plain = static_cast<float>(edit.plain);
        mUi.write(mUi.controller, port, sizeof(float), 0, &plain);
        break;
      }
      case HostEdit::kEnd:
        if (touch) mUi.touch->touch(mUi.touch->handle, port, false);
        break;
    }
  }
  const int delivered = mUiOutbox.Count();
  mUiOutbox.Clear();
  return delivered;
}

void IPlugLV2::HandleEditorIdle() { DeliverUiEdits(); }

void IPlugLV2::ReceivePortValue(uint32_t port, float plain) {
  if (port < kPortFirstParam || !std::isfinite(plain)) return;
  const int index = static_cast<int>(port - kPortFirstParam);
  IParam* param = ParamAt(index);
  if (param) SetParamFromHost(index, param->ToNormalized(plain));
}

// ---------------------------------------------------------------------------------------
// State

LV2_State_Status IPlugLV2::SaveState(LV2_State_Store_Function store, LV2_State_Handle handle) {
  if (!store || !mMap) return LV2_STATE_ERR_NO_FEATURE;
  // Sized before the lock is taken (the parameter count never changes after construction).
  WDL_TypedBuf<double> values;
  const int count = ParamCount();
  values.SetCount(count);
  if (values.Count() != count) return LV2_STATE_ERR_UNKNOWN;
  int32_t program = 0;
  {
    // The snapshot: a copy of values, nothing else, so that a block waits no longer than
    // for any other exchange. Port values the host set since the last run (a host may
    // save before it ever runs the plug-in) are part of what it saves, as the values the
    // next run will apply; the parameters themselves are left to that run.
    MutexGuard guard(PluginLock());
    PrimeLastPortValues();
    for (int i = 0; i < count; ++i) {
      const IParam* param = ParamAt(i);
      double plain = 0.0;
      values.Items()[i] = PendingPortValue(i, &plain)
                              ? param->FromNormalized(param->ToNormalized(plain))
                              : param->current;
    }
    program = CurrentPreset();
  }
  // The same layout as the base's program chunk (WriteState): the header, then one double
  // per parameter; RestoreState accepts exactly that.
  StateChunk chunk;
  if (!chunk.ResetChunkWithHeader()) return LV2_STATE_ERR_UNKNOWN;
  for (int i = 0; i < count; ++i) {
    if (!chunk.AppendDouble(values.Items()[i])) return LV2_STATE_ERR_UNKNOWN;
  }
  LV2_State_Status status =
      store(handle, mUrid.stateChunk, chunk.Data(), static_cast<size_t>(chunk.Size()),
            mUrid.atomChunk, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
  if (status != LV2_STATE_SUCCESS) return status;
  return store(handle, mUrid.stateProgram, &program, sizeof(program), mUrid.atomInt,
               LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

bool IPlugLV2::IsWellFormedProgram(const StateChunk& chunk) const {
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

LV2_State_Status IPlugLV2::RestoreState(LV2_State_Retrieve_Function retrieve,
                                        LV2_State_Handle handle) {
  if (!retrieve || !mMap) return LV2_STATE_ERR_NO_FEATURE;
  // Everything is retrieved, copied and checked without the plug-in lock: retrieve() is the
  // host's, and the check reads only what construction fixed.
  size_t size = 0;
  uint32_t type = 0;
  uint32_t flags = 0;
  const void* data = retrieve(handle, mUrid.stateChunk, &size, &type, &flags);
  if (!data) return LV2_STATE_ERR_NO_PROPERTY;
  if (type != mUrid.atomChunk) return LV2_STATE_ERR_BAD_TYPE;
  if (size == 0 || size > 1024 * 1024) return LV2_STATE_ERR_UNKNOWN;

  const void* programData = retrieve(handle, mUrid.stateProgram, &size, &type, &flags);
  int32_t program = 0;
  if (!programData) return LV2_STATE_ERR_NO_PROPERTY;
  if (type != mUrid.atomInt || size != sizeof(program)) return LV2_STATE_ERR_BAD_TYPE;
  std::memcpy(&program, programData, sizeof(program));
  if (program < 0 || program >= PresetCount()) return LV2_STATE_ERR_UNKNOWN;

  // Retrieve again: the first pointer is only valid until the next retrieve call.
  data = retrieve(handle, mUrid.stateChunk, &size, &type, &flags);
  if (!data || type != mUrid.atomChunk || size == 0 || size > 1024 * 1024) {
    return LV2_STATE_ERR_UNKNOWN;
  }
  StateChunk incoming;
  if (!incoming.AppendBytes(data, static_cast<int>(size))) return LV2_STATE_ERR_UNKNOWN;
  if (!IsWellFormedProgram(incoming)) return LV2_STATE_ERR_UNKNOWN;

  // Applied in one step. The restored values stand while the control ports hold what was
  // last applied; a port the host set to another value (hosts restore their own copy of
  // every port as well) is applied on the next run and wins.
  MutexGuard guard(PluginLock());
  PrimeLastPortValues();
  currentPreset = program;
  return LoadStateChunk(false, incoming) ? LV2_STATE_SUCCESS : LV2_STATE_ERR_UNKNOWN;
}

// ---------------------------------------------------------------------------------------
// Descriptor callbacks

namespace {

IPlugLV2* FromHandle(LV2_Handle handle) { return static_cast<IPlugLV2*>(handle); }

void OnConnectPort(LV2_Handle handle, uint32_t port, void* data) {
  if (IPlugLV2* plug = FromHandle(handle)) plug->ConnectPort(port, data);
}

void OnActivate(LV2_Handle handle) {
  if (IPlugLV2* plug = FromHandle(handle)) plug->Activate();
}

void OnRun(LV2_Handle handle, uint32_t frames) {
  if (IPlugLV2* plug = FromHandle(handle)) plug->Run(frames);
}

void OnDeactivate(LV2_Handle handle) {
  if (IPlugLV2* plug = FromHandle(handle)) plug->Deactivate();
}

void OnCleanup(LV2_Handle handle) { delete FromHandle(handle); }

LV2_State_Status OnSave(LV2_Handle handle, LV2_State_Store_Function store,
                        LV2_State_Handle state, uint32_t flags,
                        const LV2_Feature* const* features) {
  (void)flags;
  (void)features;
  IPlugLV2* plug = FromHandle(handle);
  return plug ? plug->SaveState(store, state) : LV2_STATE_ERR_UNKNOWN;
}

LV2_State_Status OnRestore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve,
                           LV2_State_Handle state, uint32_t flags,
                           const LV2_Feature* const* features) {
  (void)flags;
  (void)features;
  IPlugLV2* plug = FromHandle(handle);
  return plug ? plug->RestoreState(retrieve, state) : LV2_STATE_ERR_UNKNOWN;
}

const void* OnExtensionData(const char* uri) {
  static const LV2_State_Interface kState = {OnSave, OnRestore};
  if (uri && std::strcmp(uri, LV2_STATE__interface) == 0) return &kState;
  return nullptr;
}

}  // namespace

LV2_Descriptor MakeLv2Descriptor(const char* uri,
                                 LV2_Handle (*instantiate)(const LV2_Descriptor*, double,
                                                           const char*,
                                                           const LV2_Feature* const*)) {
  LV2_Descriptor d;
  d.URI = uri;
  d.instantiate = instantiate;
  d.connect_port = OnConnectPort;
  d.activate = OnActivate;
  d.run = OnRun;
  d.deactivate = OnDeactivate;
  d.cleanup = OnCleanup;
  d.extension_data = OnExtensionData;
  return d;
}
