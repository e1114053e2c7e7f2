#include "vst3/IPlugVST3.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <new>

#include "vst3/vst3_state.h"
#include "vst3/vst3_text.h"
#include "vst3/vst3_view.h"

namespace {

// More queues than a host could mean for our parameters: a count beyond this is hostile
// and only the first ones are looked at.
constexpr int32_t kMaxQueues = 4096;

// The value at a queue's last point: what a block-rate parameter takes for the block.
bool LastPoint(v3::ParamValueQueue* queue, double* value) {
  if (!queue) return false;
  const int32_t points = queue->getPointCount();
  if (points <= 0) return false;
  int32_t offset = 0;
  double v = 0.0;
  if (queue->getPoint(points - 1, &offset, &v) != v3::kResultOk || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

double Clamp01(double x) {
  if (!(x >= 0.0)) return 0.0;  // also NaN
  return x > 1.0 ? 1.0 : x;
}

// Step count of a parameter as the interface counts them: 0 for a continuous one, else
// the number of steps between its lowest and highest value.
int32_t StepCountOf(const IParam& param) {
  if (param.Kind() == KindDouble) return 0;
  if (param.Kind() == KindBool) return 1;
  const double step = param.StepSize() > 0.0 ? param.StepSize() : 1.0;
  const double steps = std::floor((param.Highest() - param.Lowest()) / step + 0.5);
  if (!(steps >= 0.0) || steps > 1e6) return 0;
  return static_cast<int32_t>(steps);
}

template <class Sample>
Sample* ChannelOf(const v3::AudioBuffers* bus, int channel, int offset);

template <>
float* ChannelOf<float>(const v3::AudioBuffers* bus, int channel, int offset) {
  if (!bus || bus->numChannels <= channel || !bus->channels32 || !bus->channels32[channel]) {
    return nullptr;
  }
  return bus->channels32[channel] + offset;
}

template <>
double* ChannelOf<double>(const v3::AudioBuffers* bus, int channel, int offset) {
  if (!bus || bus->numChannels <= channel || !bus->channels64 || !bus->channels64[channel]) {
    return nullptr;
  }
  return bus->channels64[channel] + offset;
}

}  // namespace

IPlugVST3::IPlugVST3(const Vst3HostLink* link, int paramCount, const char* channelIoSpec,
                     int presetCount, const char* effectName, const char* productName,
                     const char* vendorName, int versionCode, int pluginId, int vendorId,
                     int latencySamples, int midiMode, bool wantsChunks, bool isInstrument)
    : IPlugBase(paramCount, channelIoSpec, presetCount, effectName, productName, vendorName,
                versionCode, pluginId, vendorId, latencySamples, midiMode, wantsChunks,
                isInstrument),
      mRefCount(1),
      mInitCount(0),
      mUiThread(),
      mHostContext(nullptr),
      mHandler(nullptr),
      mDelivering(false),
      mEditorView(nullptr),
      mTempo(0.0),
      mProjectSamples(0),
      mTimeSigNumerator(0),
      mTimeSigDenominator(0),
      mSampleSize(v3::kSample32),
      mProcessMode(v3::kRealtime),
      mBusActive{true, true},
      mReportProgramValues(false),
      mValuesChangedPending(false),
      mResizePending(false) {
  (void)link;
  mOutgoing.Prepare(HostEditQueue::kDefaultCapacity);
  ConnectInputs(0, InputCount(), true);
  ConnectOutputs(0, OutputCount(), true);
  // A host may process before it sets processing up: the scratch buffers then have a
  // usable size, as in the VST 2.4 build.
  ChangeBlockSize(1024);
}

IPlugVST3::~IPlugVST3() {
  // A host that released without terminating still gets its references back.
  if (mHandler) mHandler->release();
  if (mHostContext) mHostContext->release();
}

// ---------------------------------------------------------------------------------------
// Unknown and PluginBase

v3::Result IPlugVST3::queryInterface(const v3::RawId iid, void** obj) {
  if (!obj) return v3::kInvalidArgument;
  *obj = nullptr;
  if (!iid) return v3::kInvalidArgument;
  void* face = nullptr;
  v3::Component* component = this;
  if (v3::SameId(iid, v3::Unknown::kId) || v3::SameId(iid, v3::PluginBase::kId) ||
      v3::SameId(iid, v3::Component::kId)) {
    face = component;
  } else if (v3::SameId(iid, v3::AudioProcessor::kId)) {
    face = static_cast<v3::AudioProcessor*>(this);
  } else if (v3::SameId(iid, v3::EditController::kId)) {
    face = static_cast<v3::EditController*>(this);
  } else if (v3::SameId(iid, v3::UnitInfo::kId)) {
    face = static_cast<v3::UnitInfo*>(this);
  } else if (v3::SameId(iid, v3::ContextRequirements::kId)) {
    face = static_cast<v3::ContextRequirements*>(this);
  }
  if (!face) return v3::kNoInterface;
  addRef();
  *obj = face;
  return v3::kResultOk;
}

uint32_t IPlugVST3::addRef() { return ++mRefCount; }

uint32_t IPlugVST3::release() {
  const uint32_t left = --mRefCount;
  if (left == 0) delete this;
  return left;
}

v3::Result IPlugVST3::initialize(v3::Unknown* context) {
  // A single class is initialized once as the component and once as the controller.
  if (mInitCount++ > 0) return v3::kResultOk;
  mUiThread = std::this_thread::get_id();
  if (context) {
    context->addRef();
    mHostContext = context;
    v3::HostApplication* application = nullptr;
    if (context->queryInterface(v3::AsRaw(v3::HostApplication::kId),
                                reinterpret_cast<void**>(&application)) == v3::kResultOk &&
        application) {
      v3::Text128 name16 = {};
      char name[4 * 128 + 1] = "";
      if (application->getName(name16) == v3::kResultOk) {
        CopyUtf16ToUtf8(name, sizeof(name), name16, 128);
      }
      application->release();
      MutexGuard guard(PluginLock());
      RecordHost(name, 0);
    }
  }
  MutexGuard guard(PluginLock());
  ReservePresetStorage();
  return v3::kResultOk;
}

v3::Result IPlugVST3::terminate() {
  if (mInitCount <= 0) return v3::kResultOk;
  if (--mInitCount > 0) return v3::kResultOk;
  if (mHandler) {
    mHandler->release();
    mHandler = nullptr;
  }
  if (mHostContext) {
    mHostContext->release();
    mHostContext = nullptr;
  }
  return v3::kResultOk;
}

// ---------------------------------------------------------------------------------------
// Component

v3::Result IPlugVST3::getControllerClassId(v3::RawId classId) {
  if (classId) std::memset(classId, 0, sizeof(v3::RawId));
  return v3::kResultFalse;
}

v3::Result IPlugVST3::setIoMode(int32_t mode) {
  (void)mode;
  return v3::kResultOk;
}

int32_t IPlugVST3::getBusCount(int32_t type, int32_t direction) {
  if (type != v3::kAudio) return 0;
  if (direction == v3::kInput) return InputCount() > 0 ? 1 : 0;
  if (direction == v3::kOutput) return OutputCount() > 0 ? 1 : 0;
  return 0;
}

v3::Result IPlugVST3::getBusInfo(int32_t type, int32_t direction, int32_t index,
                                 v3::BusInfo* info) {
  if (!info || index != 0 || getBusCount(type, direction) != 1) return v3::kInvalidArgument;
  std::memset(info, 0, sizeof(*info));
  info->mediaType = v3::kAudio;
  info->direction = direction;
  info->channelCount = direction == v3::kInput ? InputCount() : OutputCount();
  CopyUtf8ToUtf16(info->name, 128, direction == v3::kInput ? "Stereo In" : "Stereo Out");
  info->busType = v3::kMainBus;
  info->flags = v3::kBusDefaultActive;
  return v3::kResultOk;
}

v3::Result IPlugVST3::getRoutingInfo(v3::RoutingInfo* in, v3::RoutingInfo* out) {
  (void)in;
  (void)out;
  return v3::kNotImplemented;
}

v3::Result IPlugVST3::activateBus(int32_t type, int32_t direction, int32_t index,
                                  uint8_t state) {
  if (index != 0 || getBusCount(type, direction) != 1) return v3::kInvalidArgument;
  MutexGuard guard(PluginLock());
  mBusActive[direction == v3::kInput ? 0 : 1] = state != 0;
  return v3::kResultOk;
}

v3::Result IPlugVST3::setActive(uint8_t state) {
  MutexGuard guard(PluginLock());
  if (state) {
    ReservePresetStorage();
    HandleActivation(true);
    ClearHistory();
  } else {
    HandleActivation(false);
    HandleReset();
  }
  return v3::kResultOk;
}

// ---------------------------------------------------------------------------------------
// State

v3::Result IPlugVST3::RestoreState(v3::Stream* stream) {
  if (!stream) return v3::kInvalidArgument;
  // The host's bytes are read whole and checked before the plug-in lock is taken: the
  // stream is the host's, and a state that is not entirely good changes nothing.
  StateChunk bytes;
  if (!vst3_state::ReadFromStream(stream, &bytes)) return v3::kResultFalse;
  int program = 0;
  StateChunk chunk;
  if (!vst3_state::Decode(bytes.Data(), bytes.Size(), &program, &chunk)) return v3::kResultFalse;

  MutexGuard guard(PluginLock());
  if (program < 0 || program >= PresetCount() || !IsCompleteProgramChunk(chunk)) {
    return v3::kResultFalse;
  }
  // One step under the lock: a block before it hears the old state, a block after it the
  // new one, none anything between.
  currentPreset = program;
  return LoadStateChunk(false, chunk) ? v3::kResultOk : v3::kResultFalse;
}

v3::Result IPlugVST3::SetComponentState(v3::Stream* state) { return RestoreState(state); }

v3::Result IPlugVST3::GetComponentState(v3::Stream* state) {
  if (!state) return v3::kInvalidArgument;
  StateChunk programChunk;
  int program = 0;
  {
    MutexGuard guard(PluginLock());
    if (!SaveStateChunk(false, programChunk)) return v3::kResultFalse;
    program = CurrentPreset();
  }
  StateChunk bytes;
  if (!vst3_state::Encode(program, programChunk, &bytes)) return v3::kResultFalse;
  return vst3_state::WriteToStream(state, bytes.Data(), bytes.Size()) ? v3::kResultOk
                                                                      : v3::kResultFalse;
}

v3::Result IPlugVST3::setComponentState(v3::Stream* state) { return RestoreState(state); }

// The controller keeps nothing of its own: its values are the component's.
v3::Result IPlugVST3::SetControllerState(v3::Stream* state) {
  (void)state;
  return v3::kResultOk;
}

v3::Result IPlugVST3::GetControllerState(v3::Stream* state) {
  (void)state;
  return v3::kResultOk;
}

void IPlugVST3::ReservePresetStorage() {
  const int bytes = 8 * ParamCount();
  for (int i = 0; i < PresetCount(); ++i) {
    PresetSlot* slot = PresetAt(i);
    if (!slot || slot->filled || slot->state.Size() != 0) continue;
    slot->state.ResizeZeroFilled(bytes);
    slot->state.Rewind();
  }
}

// ---------------------------------------------------------------------------------------
// AudioProcessor

v3::Result IPlugVST3::setBusArrangements(v3::SpeakerMask* inputs, int32_t numIns,
                                         v3::SpeakerMask* outputs, int32_t numOuts) {
  if (numIns < 0 || numOuts < 0 || (numIns > 0 && !inputs) || (numOuts > 0 && !outputs)) {
    return v3::kInvalidArgument;
  }
  const bool stereo = numIns == 1 && numOuts == 1 && inputs[0] == v3::kSpeakerStereo &&
                      outputs[0] == v3::kSpeakerStereo;
  return stereo ? v3::kResultTrue : v3::kResultFalse;
}

v3::Result IPlugVST3::getBusArrangement(int32_t direction, int32_t index,
                                        v3::SpeakerMask* arrangement) {
  if (!arrangement || index != 0 || getBusCount(v3::kAudio, direction) != 1) {
    return v3::kInvalidArgument;
  }
  *arrangement = v3::kSpeakerStereo;
  return v3::kResultOk;
}

v3::Result IPlugVST3::canProcessSampleSize(int32_t symbolicSampleSize) {
  return symbolicSampleSize == v3::kSample32 || symbolicSampleSize == v3::kSample64
             ? v3::kResultTrue
             : v3::kResultFalse;
}

v3::Result IPlugVST3::setupProcessing(v3::ProcessSetup* setup) {
  if (!setup || !std::isfinite(setup->sampleRate) || setup->sampleRate <= 0.0 ||
      setup->maxSamplesPerBlock <= 0 || canProcessSampleSize(setup->symbolicSampleSize) != v3::kResultTrue) {
    return v3::kInvalidArgument;
  }
  const int block = setup->maxSamplesPerBlock > kMaxBlockSize ? kMaxBlockSize : setup->maxSamplesPerBlock;
  MutexGuard guard(PluginLock());
  // The same steps as a VST 2.4 host's sample rate and block size calls.
  SetSampleRate(setup->sampleRate);
  ChangeBlockSize(block);
  HandleReset();
  mSampleSize = setup->symbolicSampleSize;
  mProcessMode = setup->processMode;
  return v3::kResultOk;
}

uint32_t IPlugVST3::getLatencySamples() {
  MutexGuard guard(PluginLock());
  return LatencySamples() > 0 ? static_cast<uint32_t>(LatencySamples()) : 0u;
}

v3::Result IPlugVST3::setProcessing(uint8_t state) {
  if (state) {
    MutexGuard guard(PluginLock());
    ClearHistory();
  }
  return v3::kResultOk;
}

uint32_t IPlugVST3::getTailSamples() {
  int tail = 0;
  {
    MutexGuard guard(PluginLock());
    tail = TailSamples();
  }
  return tail > 0 ? static_cast<uint32_t>(tail) : v3::kNoTail;
}

uint32_t IPlugVST3::getProcessContextRequirements() {
  return v3::kNeedTempo | v3::kNeedTimeSignature;
}

void IPlugVST3::ReadProcessContext(const v3::ProcessContext* context) {
  // Only what the host flags valid is read; without a valid tempo the effect passes the
  // dry signal, as the VST 2.4 build does without one.
  mTempo = 0.0;
  mTimeSigNumerator = 0;
  mTimeSigDenominator = 0;
  mProjectSamples = 0;
  if (!context) return;
  mProjectSamples = context->projectTimeSamples;
  if ((context->state & v3::kTempoValid) && std::isfinite(context->tempo) && context->tempo >= 0.0) {
    mTempo = context->tempo;
  }
  if ((context->state & v3::kTimeSigValid) && context->timeSigNumerator > 0 &&
      context->timeSigDenominator > 0) {
    mTimeSigNumerator = context->timeSigNumerator;
    mTimeSigDenominator = context->timeSigDenominator;
  }
}

void IPlugVST3::ApplyInputChanges(v3::ParamChanges* changes) {
  if (!changes) return;
  int32_t count = changes->getParameterCount();
  if (count > kMaxQueues) count = kMaxQueues;
  // A program change first, so that parameters changed in the same block refine the
  // program (as a VST 2.4 host's effSetProgram before its setParameter calls).
  for (int32_t q = 0; q < count; ++q) {
    v3::ParamValueQueue* queue = changes->getParameterData(q);
    double value = 0.0;
    if (!queue || queue->getParameterId() != kProgramParamId || !LastPoint(queue, &value)) continue;
    const int program = ProgramIndexFor(value);
    if (program != CurrentPreset()) SelectProgram(program);
  }
  for (int32_t q = 0; q < count; ++q) {
    v3::ParamValueQueue* queue = changes->getParameterData(q);
    if (!queue) continue;
    const int index = IndexOfParam(queue->getParameterId());
    double value = 0.0;
    if (index >= 0 && LastPoint(queue, &value)) SetParamFromHost(index, value);
  }
}

void IPlugVST3::RenderBuses(const v3::ProcessData& data, int offset, int frames) {
  const v3::AudioBuffers* in = data.numInputs > 0 ? data.inputs : nullptr;
  const v3::AudioBuffers* out = data.numOutputs > 0 ? data.outputs : nullptr;
  if (data.symbolicSampleSize == v3::kSample64) {
    double* ins[2] = {ChannelOf<double>(in, 0, offset), ChannelOf<double>(in, 1, offset)};
    double* outs[2] = {ChannelOf<double>(out, 0, offset), ChannelOf<double>(out, 1, offset)};
    // In place is fine: the effect reads both inputs of a frame before it writes its
    // outputs.
    ProcessDouble(ins, outs, frames);
  } else {
    float* ins[2] = {ChannelOf<float>(in, 0, offset), ChannelOf<float>(in, 1, offset)};
    float* outs[2] = {ChannelOf<float>(out, 0, offset), ChannelOf<float>(out, 1, offset)};
    ProcessFloat(ins, outs, frames, false);
  }
}

void IPlugVST3::ReportOutputChanges(v3::ParamChanges* changes) {
  if (!mReportProgramValues || !changes) return;
  mReportProgramValues = false;
  for (int i = 0; i <= ParamCount(); ++i) {
    const v3::ParamId id = i < ParamCount() ? static_cast<v3::ParamId>(i) : kProgramParamId;
    const double value =
        i < ParamCount() ? ParamAt(i)->NormalizedValue() : NormalizedProgram(CurrentPreset());
    int32_t queueIndex = 0;
    v3::ParamValueQueue* queue = changes->addParameterData(&id, &queueIndex);
    int32_t pointIndex = 0;
    if (queue) queue->addPoint(0, value, &pointIndex);
  }
}

v3::Result IPlugVST3::process(v3::ProcessData* data) {
  if (!data) return v3::kInvalidArgument;
  MutexGuard guard(PluginLock());
  ReadProcessContext(data->processContext);
  ApplyInputChanges(data->inputParameterChanges);
  // A call without samples (a parameter flush, usually without buffers) renders nothing:
  // it is not a block of the effect.
  if (data->numSamples > 0) {
    if (canProcessSampleSize(data->symbolicSampleSize) != v3::kResultTrue) {
      return v3::kInvalidArgument;
    }
    RenderBuses(*data, 0, data->numSamples);
    if (data->numOutputs > 0 && data->outputs) data->outputs[0].silenceFlags = 0;
  }
  ReportOutputChanges(data->outputParameterChanges);
  return v3::kResultOk;
}

// ---------------------------------------------------------------------------------------
// EditController

int IPlugVST3::IndexOfParam(v3::ParamId id) const {
  return id < static_cast<v3::ParamId>(ParamCount()) ? static_cast<int>(id) : -1;
}

int IPlugVST3::ProgramIndexFor(double normalized) const {
  const int count = PresetCount();
  if (count <= 1) return 0;
  const int index = static_cast<int>(std::floor(Clamp01(normalized) * count));
  return index < count ? index : count - 1;
}

double IPlugVST3::NormalizedProgram(int program) const {
  const int count = PresetCount();
  if (count <= 1 || program <= 0) return 0.0;
  return program >= count - 1 ? 1.0 : static_cast<double>(program) / (count - 1);
}

void IPlugVST3::SelectProgram(int program) {
  SelectPreset(program);
  mReportProgramValues = true;
  mValuesChangedPending = true;
}

int32_t IPlugVST3::getParameterCount() {
  MutexGuard guard(PluginLock());
  return ParamCount() + (PresetCount() > 0 ? 1 : 0);
}

v3::Result IPlugVST3::getParameterInfo(int32_t index, v3::ParamInfo* info) {
  if (!info) return v3::kInvalidArgument;
  MutexGuard guard(PluginLock());
  if (index >= 0 && index < ParamCount()) {
    const IParam* param = ParamAt(index);
    std::memset(info, 0, sizeof(*info));
    info->id = static_cast<v3::ParamId>(index);
    CopyUtf8ToUtf16(info->title, 128, param->ParamName());
    CopyUtf8ToUtf16(info->shortTitle, 128, param->ParamName());
    CopyUtf8ToUtf16(info->units, 128, param->UnitLabel());
    info->stepCount = StepCountOf(*param);
    info->defaultNormalizedValue = param->ToNormalized(param->DefaultValue());
    info->unitId = v3::kRootUnitId;
    info->flags = v3::kCanAutomate;
    if (param->Kind() == KindEnum && param->DisplayTextCount() > 0) info->flags |= v3::kIsList;
    return v3::kResultOk;
  }
  if (index == ParamCount() && PresetCount() > 0) {
    std::memset(info, 0, sizeof(*info));
    info->id = kProgramParamId;
    CopyUtf8ToUtf16(info->title, 128, "Program");
    CopyUtf8ToUtf16(info->shortTitle, 128, "Program");
    info->stepCount = PresetCount() - 1;
    info->defaultNormalizedValue = 0.0;
    info->unitId = v3::kRootUnitId;
    info->flags = v3::kCanAutomate | v3::kIsList | v3::kIsProgramChange;
    return v3::kResultOk;
  }
  return v3::kInvalidArgument;
}

v3::Result IPlugVST3::getParamStringByValue(v3::ParamId id, v3::ParamValue normalized,
                                            v3::Text128 text) {
  if (!text) return v3::kInvalidArgument;
  const double x = Clamp01(normalized);
  MutexGuard guard(PluginLock());
  if (id == kProgramParamId && PresetCount() > 0) {
    CopyUtf8ToUtf16(text, 128, PresetName(ProgramIndexFor(x)));
    return v3::kResultOk;
  }
  const IParam* param = ParamAt(IndexOfParam(id));
  if (!param) return v3::kInvalidArgument;
  // The VST 2.4 build's text for the value, without the unit (reported apart).
  char buffer[IParam::kFormatBufferSize];
  param->FormatForHost(x, true, buffer, sizeof(buffer));
  CopyUtf8ToUtf16(text, 128, buffer);
  return v3::kResultOk;
}

v3::Result IPlugVST3::getParamValueByString(v3::ParamId id, char16_t* text,
                                            v3::ParamValue* normalized) {
  if (!text || !normalized) return v3::kInvalidArgument;
  char typed[4 * kMaxHostTextUnits + 1];
  CopyUtf16ToUtf8(typed, sizeof(typed), text, kMaxHostTextUnits);
  MutexGuard guard(PluginLock());
  if (id == kProgramParamId && PresetCount() > 0) {
    for (int i = 0; i < PresetCount(); ++i) {
      if (std::strcmp(PresetName(i), typed) == 0) {
        *normalized = NormalizedProgram(i);
        return v3::kResultOk;
      }
    }
    return v3::kResultFalse;
  }
  const IParam* param = ParamAt(IndexOfParam(id));
  if (!param) return v3::kInvalidArgument;
  // The one parsing path of typed values (the editor's entry field uses it too).
  *normalized = param->NormalizedFromText(typed);
  return v3::kResultOk;
}

v3::ParamValue IPlugVST3::normalizedParamToPlain(v3::ParamId id, v3::ParamValue normalized) {
  MutexGuard guard(PluginLock());
  if (id == kProgramParamId && PresetCount() > 0) return ProgramIndexFor(normalized);
  const IParam* param = ParamAt(IndexOfParam(id));
  return param ? param->FromNormalized(Clamp01(normalized)) : 0.0;
}

v3::ParamValue IPlugVST3::plainParamToNormalized(v3::ParamId id, v3::ParamValue plain) {
  MutexGuard guard(PluginLock());
  if (id == kProgramParamId && PresetCount() > 0) {
    if (!std::isfinite(plain) || plain <= 0.0) return 0.0;
    return NormalizedProgram(plain >= PresetCount() ? PresetCount() - 1
                                                    : static_cast<int>(std::floor(plain + 0.5)));
  }
  const IParam* param = ParamAt(IndexOfParam(id));
  return param ? param->ToNormalized(plain) : 0.0;
}

v3::ParamValue IPlugVST3::getParamNormalized(v3::ParamId id) {
  // While the editor runs on a thread of its own, nothing else reaches the UI thread
  // regularly: its edits go out here. (A host-driven or Windows editor delivers them from
  // its idle pass.)
  if (OnUiThread() && (!mEditorView || !mEditorView->HostDriven())) DeliverToHost(false);
  MutexGuard guard(PluginLock());
  if (id == kProgramParamId && PresetCount() > 0) return NormalizedProgram(CurrentPreset());
  const IParam* param = ParamAt(IndexOfParam(id));
  return param ? param->NormalizedValue() : 0.0;
}

v3::Result IPlugVST3::setParamNormalized(v3::ParamId id, v3::ParamValue value) {
  if (!std::isfinite(value)) return v3::kInvalidArgument;
  if (id == kProgramParamId) {
    MutexGuard guard(PluginLock());
    if (PresetCount() <= 0) return v3::kInvalidArgument;
    const int program = ProgramIndexFor(value);
    if (program != CurrentPreset()) SelectProgram(program);
    return v3::kResultOk;
  }
  const int index = IndexOfParam(id);
  if (index < 0) return v3::kInvalidArgument;
  SetParamFromHost(index, value);
  return v3::kResultOk;
}

v3::Result IPlugVST3::setComponentHandler(v3::ComponentHandler* handler) {
  if (handler == mHandler) return v3::kResultOk;
  if (handler) handler->addRef();
  if (mHandler) mHandler->release();
  mHandler = handler;
  return v3::kResultOk;
}

v3::PlugView* IPlugVST3::createView(const char* name) {
  if (name && std::strcmp(name, v3::kEditorViewType) != 0) return nullptr;
  {
    MutexGuard guard(PluginLock());
    if (!HasEditor()) return nullptr;
  }
  return new (std::nothrow) Vst3View(this);
}

// ---------------------------------------------------------------------------------------
// UnitInfo

int32_t IPlugVST3::getUnitCount() { return 1; }

v3::Result IPlugVST3::getUnitInfo(int32_t index, v3::UnitDesc* info) {
  if (!info || index != 0) return v3::kInvalidArgument;
  std::memset(info, 0, sizeof(*info));
  info->id = v3::kRootUnitId;
  info->parentUnitId = v3::kNoParentUnitId;
  CopyUtf8ToUtf16(info->name, 128, "Root");
  MutexGuard guard(PluginLock());
  info->programListId = PresetCount() > 0 ? kProgramListId : v3::kNoProgramListId;
  return v3::kResultOk;
}

int32_t IPlugVST3::getProgramListCount() {
  MutexGuard guard(PluginLock());
  return PresetCount() > 0 ? 1 : 0;
}

v3::Result IPlugVST3::getProgramListInfo(int32_t index, v3::ProgramListDesc* info) {
  if (!info || index != 0) return v3::kInvalidArgument;
  MutexGuard guard(PluginLock());
  if (PresetCount() <= 0) return v3::kInvalidArgument;
  std::memset(info, 0, sizeof(*info));
  info->id = kProgramListId;
  CopyUtf8ToUtf16(info->name, 128, "Programs");
  info->programCount = PresetCount();
  return v3::kResultOk;
}

v3::Result IPlugVST3::getProgramName(int32_t listId, int32_t index, v3::Text128 name) {
  if (!name || listId != kProgramListId) return v3::kInvalidArgument;
  MutexGuard guard(PluginLock());
  if (index < 0 || index >= PresetCount()) return v3::kInvalidArgument;
  CopyUtf8ToUtf16(name, 128, PresetName(index));
  return v3::kResultOk;
}

v3::Result IPlugVST3::getProgramInfo(int32_t listId, int32_t index, const char* attribute,
                                     v3::Text128 value) {
  (void)listId;
  (void)index;
  (void)attribute;
  (void)value;
  return v3::kResultFalse;
}

v3::Result IPlugVST3::hasProgramPitchNames(int32_t listId, int32_t index) {
  (void)listId;
  (void)index;
  return v3::kResultFalse;
}

v3::Result IPlugVST3::getProgramPitchName(int32_t listId, int32_t index, int16_t pitch,
                                          v3::Text128 name) {
  (void)listId;
  (void)index;
  (void)pitch;
  (void)name;
  return v3::kResultFalse;
}

int32_t IPlugVST3::getSelectedUnit() { return v3::kRootUnitId; }

v3::Result IPlugVST3::selectUnit(int32_t unitId) {
  return unitId == v3::kRootUnitId ? v3::kResultOk : v3::kInvalidArgument;
}

v3::Result IPlugVST3::getUnitByBus(int32_t type, int32_t direction, int32_t busIndex,
                                   int32_t channel, int32_t* unitId) {
  (void)channel;
  if (!unitId || busIndex != 0 || getBusCount(type, direction) != 1) return v3::kInvalidArgument;
  *unitId = v3::kRootUnitId;
  return v3::kResultOk;
}

v3::Result IPlugVST3::setUnitProgramData(int32_t listOrUnitId, int32_t index, v3::Stream* data) {
  (void)listOrUnitId;
  (void)index;
  (void)data;
  return v3::kNotImplemented;
}

// ---------------------------------------------------------------------------------------
// Host-facing overrides and delivery

void IPlugVST3::HostBeginParamEdit(int index) {
  FlushPendingParamEdit();
  DeferHostEdit(HostEdit::kBegin, index);
}

void IPlugVST3::HostAutomateParam(int index, double normalized) {
  DeferHostEdit(HostEdit::kValue, index, normalized);
}

void IPlugVST3::HostEndParamEdit(int index) { DeferHostEdit(HostEdit::kEnd, index); }

int IPlugVST3::HostSamplePosition() {
  if (mProjectSamples >= 0 && mProjectSamples < INT_MAX) return static_cast<int>(mProjectSamples);
  return 0;
}

void IPlugVST3::HostTimeSignature(int* numerator, int* denominator) {
  if (numerator) *numerator = mTimeSigNumerator;
  if (denominator) *denominator = mTimeSigDenominator;
}

void IPlugVST3::RefreshEditorRect() { mResizePending = true; }

void IPlugVST3::HandleEditorIdle() { DeliverToHost(true); }

bool IPlugVST3::OnUiThread() const {
  return mUiThread == std::thread::id() || std::this_thread::get_id() == mUiThread;
}

void IPlugVST3::DeliverToHost(bool withRestart) {
  if (mDelivering || !OnUiThread()) return;
  mDelivering = true;
  // Held for the whole delivery: a host may drop its handler from inside these calls.
  v3::ComponentHandler* handler = mHandler;
  if (handler) handler->addRef();
  if (TakeDeferredHostEdits(&mOutgoing) && handler) {
    for (int i = 0; i < mOutgoing.Count(); ++i) {
      const HostEdit& edit = mOutgoing.At(i);
      const v3::ParamId id = static_cast<v3::ParamId>(edit.index);
      switch (edit.kind) {
        case HostEdit::kBegin:
          handler->beginEdit(id);
          break;
        case HostEdit::kValue:
          handler->performEdit(id, edit.normalized);
          break;
        case HostEdit::kEnd:
          handler->endEdit(id);
          break;
      }
    }
  }
  mOutgoing.Clear();
  if (withRestart) {
    if (handler && mValuesChangedPending.exchange(false)) {
      handler->restartComponent(v3::kParamValuesChanged);
    }
    if (mResizePending.exchange(false) && mEditorView) mEditorView->ResizeToEditor();
  }
  if (handler) handler->release();
  mDelivering = false;
}
