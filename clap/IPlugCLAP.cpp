// The CLAP adapter's life cycle, processing, events and the hand-over of editor edits.
#include "clap/IPlugCLAP.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "clap/clap_tables.h"

namespace {

template <class Extension>
const Extension* HostExtension(const clapabi::Host* host, const char* id) {
  if (!host || !host->getExtension) return nullptr;
  return static_cast<const Extension*>(host->getExtension(host, id));
}

// Channel pointers of a host port: the first two channels, null where the port has none.
template <class Sample>
void PortChannels(Sample** data, uint32_t channels, Sample* out[2]) {
  out[0] = data && channels > 0 ? data[0] : nullptr;
  out[1] = data && channels > 1 ? data[1] : nullptr;
}

}  // namespace

IPlugCLAP::IPlugCLAP(const ClapHostLink* link, int paramCount, const char* channelIoSpec,
                     int presetCount, const char* effectName, const char* productName,
                     const char* vendorName, int versionCode, int pluginId, int vendorId,
                     int latencySamples, int midiMode, bool wantsChunks, bool isInstrument)
    : IPlugBase(paramCount, channelIoSpec, presetCount, effectName, productName, vendorName,
                versionCode, pluginId, vendorId, latencySamples, midiMode, wantsChunks,
                isInstrument),
      mHost(link ? link->host : nullptr),
      mMainThread(std::this_thread::get_id()),
      mInitDone(false),
      mActive(false),
      mProcessing(false),
      mMaxFrames(0),
      mTempo(0.0),
      mSongSeconds(-1.0),
      mTsigNumerator(0),
      mTsigDenominator(0),
      mEditsWaiting(false),
      mDirtyPending(false),
      mCallbackRequested(false),
      mResizePending(false),
      mReportedTail(-1),
      mTailTempo(-1.0),
      mTailRate(-1.0),
      mGuiCreated(false),
      mGuiOpen(false),
      mGuiDriven(false),
      mTimerRegistered(false),
      mTimerId(clapabi::kInvalidId),
      mFd(-1) {
  FillClapPluginRecord(&mPlugin, link ? link->descriptor : nullptr, this);
  mOutgoing.Prepare(HostEditQueue::kDefaultCapacity);
  mTailParams.assign(static_cast<size_t>(ParamCount()), 0.0);
  ConnectInputs(0, InputCount(), true);
  ConnectOutputs(0, OutputCount(), true);
}

IPlugCLAP::~IPlugCLAP() { mPlugin.pluginData = nullptr; }

IPlugCLAP* IPlugCLAP::FromClap(const clapabi::Plugin* plugin) {
  if (!plugin) return nullptr;
  return static_cast<IPlugCLAP*>(plugin->pluginData);
}

// ---------------------------------------------------------------------------------------
// Threads and the host

void IPlugCLAP::Log(int32_t severity, const char* message) const {
  if (mExt.log && mExt.log->log) mExt.log->log(mHost, severity, message);
}

bool IPlugCLAP::CheckMainThread(const char* what) const {
  const clapabi::HostThreadCheck* check = mExt.threadCheck;
  if (!check || !check->isMainThread || check->isMainThread(mHost)) return true;
  Log(clapabi::kLogHostMisbehaving, what);
  return false;
}

bool IPlugCLAP::CheckAudioThread(const char* what) const {
  const clapabi::HostThreadCheck* check = mExt.threadCheck;
  if (!check || !check->isAudioThread || check->isAudioThread(mHost)) return true;
  Log(clapabi::kLogHostMisbehaving, what);
  return false;
}

bool IPlugCLAP::Init() {
  if (!CheckMainThread("init: not on the main thread")) return false;
  if (mInitDone) return true;
  mInitDone = true;
  mMainThread = std::this_thread::get_id();
  mExt.log = HostExtension<clapabi::HostLog>(mHost, clapabi::kExtLog);
  mExt.threadCheck = HostExtension<clapabi::HostThreadCheck>(mHost, clapabi::kExtThreadCheck);
  mExt.params = HostExtension<clapabi::HostParams>(mHost, clapabi::kExtParams);
  mExt.state = HostExtension<clapabi::HostState>(mHost, clapabi::kExtState);
  mExt.gui = HostExtension<clapabi::HostGui>(mHost, clapabi::kExtGui);
  mExt.timers = HostExtension<clapabi::HostTimerSupport>(mHost, clapabi::kExtTimerSupport);
  mExt.fds = HostExtension<clapabi::HostPosixFdSupport>(mHost, clapabi::kExtPosixFdSupport);
  mExt.tail = HostExtension<clapabi::HostTail>(mHost, clapabi::kExtTail);
  return true;
}

void IPlugCLAP::RequestMainThreadCallback() {
  if (mCallbackRequested.exchange(true)) return;
  if (mHost && mHost->requestCallback) mHost->requestCallback(mHost);
}

void IPlugCLAP::OnMainThread() {
  if (!CheckMainThread("on_main_thread: not on the main thread")) return;
  mCallbackRequested.store(false);
  ServiceMainThread();
}

void IPlugCLAP::HandleEditorIdle() {
  if (OnMainThreadNow()) {
    ServiceMainThread();
  } else if (mEditsWaiting.load() || mResizePending.load()) {
    RequestMainThreadCallback();
  }
}

void IPlugCLAP::ServiceMainThread() {
  if (mResizePending.exchange(false) && mExt.gui && mExt.gui->requestResize) {
    int width = 0;
    int height = 0;
    bool known = false;
    {
      MutexGuard guard(PluginLock());
      known = EditorSize(&width, &height) && width > 0 && height > 0;
    }
    if (known) {
      mExt.gui->requestResize(mHost, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    }
  }
  if (!mEditsWaiting.load()) return;
  if (mDirtyPending.exchange(false) && mExt.state && mExt.state->markDirty) {
    mExt.state->markDirty(mHost);
  }
  // While processing, the next block delivers the edits.
  if (!mProcessing.load() && mExt.params && mExt.params->requestFlush) {
    mExt.params->requestFlush(mHost);
  }
}

// ---------------------------------------------------------------------------------------
// Life cycle

void IPlugCLAP::Destroy() {
  // On the wrong thread too: the host will not call again, so the instance goes anyway.
  (void)CheckMainThread("destroy: not on the main thread");
  if (mActive.load()) Deactivate();
  if (mGuiCreated) GuiDestroy();
  // The lock lives inside the object: taking it once more waits for any call still inside.
  PluginLock()->Lock();
  if (Editor()) Editor()->DetachFromParentWindow();
  PluginLock()->Unlock();
  delete this;
}

bool IPlugCLAP::Activate(double sampleRate, uint32_t minFrames, uint32_t maxFrames) {
  (void)minFrames;
  if (!CheckMainThread("activate: not on the main thread")) return false;
  if (mActive.load()) return false;
  if (!std::isfinite(sampleRate) || sampleRate <= 0.0 || maxFrames == 0) return false;
  if (maxFrames > static_cast<uint32_t>(INT_MAX)) maxFrames = static_cast<uint32_t>(INT_MAX);
  const int scratch =
      maxFrames > static_cast<uint32_t>(kMaxScratchFrames) ? kMaxScratchFrames : static_cast<int>(maxFrames);
  {
    MutexGuard guard(PluginLock());
    // Everything the audio thread needs is allocated here, on the main thread: scratch
    // buffers, and the delay line for the tempo last seen.
    SetSampleRate(sampleRate);
    ChangeBlockSize(scratch);
    if (MaxBlockSize() <= 0) return false;
    HandleActivation(true);
    ClearHistory();
    mReportedTail.store(TailSamples());
  }
  mMaxFrames = maxFrames;
  mProcessing.store(false);
  mActive.store(true);
  return true;
}

void IPlugCLAP::Deactivate() {
  if (!CheckMainThread("deactivate: not on the main thread")) return;
  if (!mActive.load()) return;
  // A host may deactivate without stop_processing.
  mProcessing.store(false);
  {
    MutexGuard guard(PluginLock());
    HandleActivation(false);
    HandleReset();
  }
  mActive.store(false);
  // Edits that no block will deliver now go out through a flush.
  ServiceMainThread();
}

bool IPlugCLAP::StartProcessing() {
  if (!CheckAudioThread("start_processing: not on the audio thread")) return false;
  if (!mActive.load()) return false;
  mProcessing.store(true);
  return true;
}

void IPlugCLAP::StopProcessing() {
  if (!CheckAudioThread("stop_processing: not on the audio thread")) return;
  mProcessing.store(false);
  // Edits left for a block that will not come: the main thread asks for a flush.
  if (mEditsWaiting.load()) RequestMainThreadCallback();
}

void IPlugCLAP::Reset() {
  if (!CheckAudioThread("reset: not on the audio thread")) return;
  if (!mActive.load()) return;
  MutexGuard guard(PluginLock());
  ClearHistory();
}

// ---------------------------------------------------------------------------------------
// Processing

void IPlugCLAP::ReadTransport(const clapabi::EventTransport* transport) {
  mTempo = 0.0;
  mSongSeconds = -1.0;
  mTsigNumerator = 0;
  mTsigDenominator = 0;
  if (!transport) return;
  clapabi::EventTransport t;
  std::memcpy(&t, transport, sizeof(t));
  // A tempo that is no finite, non-negative number is as good as none.
  if ((t.flags & clapabi::kTransportHasTempo) && std::isfinite(t.tempo) && t.tempo >= 0.0) {
    mTempo = t.tempo;
  }
  if (t.flags & clapabi::kTransportHasSecondsTimeline) {
    mSongSeconds = static_cast<double>(t.songPosSeconds) / clapabi::kTimeFactor;
  }
  if (t.flags & clapabi::kTransportHasTimeSignature) {
    mTsigNumerator = t.timeSignatureNumerator;
    mTsigDenominator = t.timeSignatureDenominator;
  }
}

int IPlugCLAP::HostSamplePosition() {
  const double position = mSongSeconds * SampleRate();
  if (!(position >= 0.0) || position >= 2147483647.0) return 0;
  return static_cast<int>(position + 0.5);
}

void IPlugCLAP::HostTimeSignature(int* numerator, int* denominator) {
  if (numerator) *numerator = mTsigNumerator;
  if (denominator) *denominator = mTsigDenominator;
}

void IPlugCLAP::ApplyParamValue(clapabi::Id id, double plain) {
  // Not a number: nothing sensible to set. Values outside the range land on its bounds
  // (ToNormalized clamps), as a VST 2.4 host's out-of-range automation does.
  if (!std::isfinite(plain) || id >= static_cast<clapabi::Id>(ParamCount())) return;
  const int index = static_cast<int>(id);
  SetParamFromHost(index, ParamAt(index)->ToNormalized(plain));
}

void IPlugCLAP::ApplyInputEvents(const clapabi::InputEvents* in) {
  if (!in || !in->size || !in->get) return;
  uint32_t count = in->size(in);
  if (count > kMaxEventsPerList) count = kMaxEventsPerList;
  for (uint32_t i = 0; i < count; ++i) {
    const clapabi::EventHeader* event = in->get(in, i);
    if (!event) continue;
    clapabi::EventHeader header;
    std::memcpy(&header, event, sizeof(header));
    // The type means something only in the core space; sizes are checked before reading.
    if (header.size < sizeof(header) || header.spaceId != clapabi::kCoreEventSpace) continue;
    if (header.type == clapabi::kEventParamValue && header.size >= sizeof(clapabi::EventParamValue)) {
      clapabi::EventParamValue value;
      std::memcpy(&value, event, sizeof(value));
      ApplyParamValue(value.paramId, value.value);
    }
    // PARAM_MOD (nothing is modulatable), gestures, transport (read once per block from
    // the process record) and notes are ignored.
  }
}

void IPlugCLAP::RenderBlock(const clapabi::Process* p, bool use64, uint32_t frames) {
  const clapabi::AudioBuffer* in = p->audioInputsCount > 0 ? p->audioInputs : nullptr;
  const clapabi::AudioBuffer* out = p->audioOutputsCount > 0 ? p->audioOutputs : nullptr;
  const int n = static_cast<int>(frames);
  if (use64) {
    double* ins[2];
    double* outs[2];
    PortChannels(in ? in->data64 : nullptr, in ? in->channelCount : 0, ins);
    PortChannels(out ? out->data64 : nullptr, out ? out->channelCount : 0, outs);
    ProcessDouble(ins, outs, n);
  } else {
    float* ins[2];
    float* outs[2];
    PortChannels(in ? in->data32 : nullptr, in ? in->channelCount : 0, ins);
    PortChannels(out ? out->data32 : nullptr, out ? out->channelCount : 0, outs);
    ProcessFloat(ins, outs, n, false);
  }
}

int32_t IPlugCLAP::Process(const clapabi::Process* p) {
  if (!p || !mActive.load()) return clapabi::kProcessError;
  if (!CheckAudioThread("process: not on the audio thread")) return clapabi::kProcessError;
  // A host that skipped start_processing is processing all the same.
  if (!mProcessing.load()) mProcessing.store(true);
  const uint32_t frames = p->framesCount;
  if (frames > mMaxFrames) return clapabi::kProcessError;

  // One sample size for both ports (kPortRequiresCommonSampleSize); the output port
  // decides, a port without buffers takes any.
  const clapabi::AudioBuffer* in = p->audioInputsCount > 0 ? p->audioInputs : nullptr;
  clapabi::AudioBuffer* out = p->audioOutputsCount > 0 ? p->audioOutputs : nullptr;
  const bool out32 = out && out->data32;
  const bool out64 = out && !out->data32 && out->data64;
  const bool in32 = in && in->data32;
  const bool in64 = in && !in->data32 && in->data64;
  if ((out32 && in64) || (out64 && in32)) return clapabi::kProcessError;
  const bool use64 = out64 || (!out32 && in64);

  bool tailChanged = false;
  {
    MutexGuard guard(PluginLock());
    ReadTransport(p->transport);
    ApplyInputEvents(p->inEvents);
    // A block of no frames carries no time: the events are applied, nothing is rendered.
    if (frames > 0) RenderBlock(p, use64, frames);
    if (TailInputsChanged()) {
      const int tail = TailSamples();
      tailChanged = tail != mReportedTail.exchange(tail);
    }
  }
  for (uint32_t i = 0; out && i < p->audioOutputsCount; ++i) out[i].constantMask = 0;

  if (tailChanged && mExt.tail && mExt.tail->changed) mExt.tail->changed(mHost);
  DeliverEdits(p->outEvents);
  return clapabi::kProcessContinue;
}

bool IPlugCLAP::TailInputsChanged() {
  bool changed = mTempo != mTailTempo || SampleRate() != mTailRate;
  mTailTempo = mTempo;
  mTailRate = SampleRate();
  for (size_t i = 0; i < mTailParams.size(); ++i) {
    const IParam* param = ParamAt(static_cast<int>(i));
    const double v = param ? param->current : 0.0;
    if (v != mTailParams[i]) changed = true;
    mTailParams[i] = v;
  }
  return changed;
}

void IPlugCLAP::Flush(const clapabi::InputEvents* in, const clapabi::OutputEvents* out) {
  if (mActive.load() ? !CheckAudioThread("flush: active, not on the audio thread")
                     : !CheckMainThread("flush: inactive, not on the main thread")) {
    return;
  }
  {
    MutexGuard guard(PluginLock());
    ApplyInputEvents(in);
  }
  DeliverEdits(out);
}

// ---------------------------------------------------------------------------------------
// Editor edits

void IPlugCLAP::NoteEditQueued() {
  mEditsWaiting.store(true);
  mDirtyPending.store(true);
  // The editor's own thread (X11 without the host's loop) has no moment on the main
  // thread of its own; an editor pass on the host's thread ends in HandleEditorIdle.
  if (!OnMainThreadNow()) RequestMainThreadCallback();
}

void IPlugCLAP::HostBeginParamEdit(int index) {
  FlushPendingParamEdit();
  if (DeferHostEdit(HostEdit::kBegin, index)) NoteEditQueued();
}

void IPlugCLAP::HostAutomateParam(int index, double normalized) {
  if (DeferHostEdit(HostEdit::kValue, index, normalized)) NoteEditQueued();
}

void IPlugCLAP::HostEndParamEdit(int index) {
  if (DeferHostEdit(HostEdit::kEnd, index)) NoteEditQueued();
}

void IPlugCLAP::RefreshEditorRect() {
  mResizePending.store(true);
  RequestMainThreadCallback();
}

void IPlugCLAP::DeliverEdits(const clapabi::OutputEvents* out) {
  // Without a list to push into, the edits wait for the next call that has one.
  if (!out || !out->tryPush || !mEditsWaiting.load()) return;
  if (mDelivering.test_and_set()) return;
  // Cleared before taking: an edit queued meanwhile sets it again.
  mEditsWaiting.store(false);
  if (TakeDeferredHostEdits(&mOutgoing)) {
    for (int i = 0; i < mOutgoing.Count(); ++i) {
      const HostEdit& edit = mOutgoing.At(i);
      const IParam* param = ParamAt(edit.index);
      if (!param) continue;
      if (edit.kind == HostEdit::kValue) {
        clapabi::EventParamValue event;
        std::memset(&event, 0, sizeof(event));
        event.header = {sizeof(event), 0, clapabi::kCoreEventSpace, clapabi::kEventParamValue, 0};
        event.paramId = static_cast<clapabi::Id>(edit.index);
        event.noteId = -1;
        event.portIndex = -1;
        event.channel = -1;
        event.key = -1;
        event.value = edit.plain;
        out->tryPush(out, &event.header);
      } else {
        clapabi::EventParamGesture event;
        std::memset(&event, 0, sizeof(event));
        const uint16_t type = edit.kind == HostEdit::kBegin ? clapabi::kEventParamGestureBegin
                                                            : clapabi::kEventParamGestureEnd;
        event.header = {sizeof(event), 0, clapabi::kCoreEventSpace, type, 0};
        event.paramId = static_cast<clapabi::Id>(edit.index);
        out->tryPush(out, &event.header);
      }
    }
    mOutgoing.Clear();
  }
  mDelivering.clear();
}
