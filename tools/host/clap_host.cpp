#include "tools/host/clap_host.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr const char* kHostName = "quelora-host";
constexpr const char* kHostVendor = "Obvik";
constexpr const char* kHostUrl = "https://obvik.com/";
constexpr const char* kHostVersion = "1.2.0";

template <class Extension>
const Extension* PluginExtension(const clapabi::Plugin* plugin, const char* id) {
  if (!plugin || !plugin->getExtension) return nullptr;
  return static_cast<const Extension*>(plugin->getExtension(plugin, id));
}

}  // namespace

// ---------------------------------------------------------------------------------------
// ClapModuleFile

bool ClapModuleFile::Open(const std::string& path, std::string* error) {
  Close();
  if (!library_.Open(path, error)) return false;
  const auto* entry = static_cast<const clapabi::PluginEntry*>(library_.Symbol("clap_entry"));
  if (!entry) {
    if (error) *error = "no clap_entry record";
    library_.Close();
    return false;
  }
  entry_ = entry;
  return Start(path, error);
}

bool ClapModuleFile::Adopt(const clapabi::PluginEntry* entry, const std::string& path,
                           std::string* error) {
  Close();
  if (!entry) {
    if (error) *error = "no entry record";
    return false;
  }
  entry_ = entry;
  return Start(path, error);
}

bool ClapModuleFile::Start(const std::string& path, std::string* error) {
  path_ = path;
  if (!clapabi::IsCompatible(entry_->version) || !entry_->init || !entry_->deinit ||
      !entry_->getFactory) {
    if (error) *error = "the entry record is of an incompatible CLAP version or incomplete";
    Close();
    return false;
  }
  if (!entry_->init(path.c_str())) {
    if (error) *error = "the module's init failed";
    Close();
    return false;
  }
  initialised_ = true;
  factory_ = static_cast<const clapabi::PluginFactory*>(entry_->getFactory(clapabi::kPluginFactoryId));
  if (!factory_ || !factory_->getPluginCount || !factory_->getPluginDescriptor ||
      !factory_->createPlugin) {
    if (error) *error = "the module has no plug-in factory";
    Close();
    return false;
  }
  return true;
}

void ClapModuleFile::Close() {
  if (entry_ && initialised_) entry_->deinit();
  initialised_ = false;
  entry_ = nullptr;
  factory_ = nullptr;
  library_.Close();
}

uint32_t ClapModuleFile::PluginCount() const {
  return factory_ ? factory_->getPluginCount(factory_) : 0;
}

const clapabi::PluginDescriptor* ClapModuleFile::Descriptor(uint32_t index) const {
  if (!factory_ || index >= PluginCount()) return nullptr;
  return factory_->getPluginDescriptor(factory_, index);
}

// ---------------------------------------------------------------------------------------
// ClapAudioThread

ClapAudioThread::ClapAudioThread() : thread_([this] { Loop(); }) {}

ClapAudioThread::~ClapAudioThread() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void ClapAudioThread::Run(const std::function<void()>& work) {
  std::unique_lock<std::mutex> lock(mutex_);
  work_ = &work;
  wake_.notify_all();
  done_.wait(lock, [this] { return work_ == nullptr; });
}

void ClapAudioThread::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || work_ != nullptr; });
    if (work_) {
      const std::function<void()>* work = work_;
      lock.unlock();
      (*work)();
      lock.lock();
      work_ = nullptr;
      done_.notify_all();
    } else if (stop_) {
      return;
    }
  }
}

// ---------------------------------------------------------------------------------------
// ClapPluginHost: construction, threads, records

ClapPluginHost::ClapPluginHost() : mainThread_(std::this_thread::get_id()) {
  std::memset(&host_, 0, sizeof(host_));
  host_.version = clapabi::kVersion;
  host_.hostData = this;
  host_.name = kHostName;
  host_.vendor = kHostVendor;
  host_.url = kHostUrl;
  host_.versionText = kHostVersion;
  host_.getExtension = HostGetExtension;
  host_.requestRestart = HostRequestRestart;
  host_.requestProcess = HostRequestProcess;
  host_.requestCallback = HostRequestCallback;
  inEvents_ = {this, InputSize, InputGet};
  outEvents_ = {this, OutputTryPush};
  eventStore_.reserve(1024);
  eventOffsets_.reserve(64);
  eventSizes_.reserve(64);
}

ClapPluginHost::~ClapPluginHost() { Destroy(); }

ClapPluginHost* ClapPluginHost::From(const clapabi::Host* host) {
  return host ? static_cast<ClapPluginHost*>(host->hostData) : nullptr;
}

void ClapPluginHost::SimulateThreads(bool isMain, bool isAudio) {
  simulated_ = true;
  simulatedMain_ = isMain;
  simulatedAudio_ = isAudio;
}

bool ClapPluginHost::IsMainThread() const {
  if (simulated_) return simulatedMain_;
  return std::this_thread::get_id() == mainThread_;
}

bool ClapPluginHost::IsAudioThread() const {
  if (simulated_) return simulatedAudio_;
  return std::this_thread::get_id() == (hasAudioThread_ ? audioThread_ : mainThread_);
}

void ClapPluginHost::Violation(const std::string& what) const {
  std::lock_guard<std::mutex> lock(recordMutex_);
  violations_.push_back(what);
}

std::vector<std::string> ClapPluginHost::Violations() const {
  std::lock_guard<std::mutex> lock(recordMutex_);
  return violations_;
}

std::vector<std::string> ClapPluginHost::LogMessages() const {
  std::lock_guard<std::mutex> lock(recordMutex_);
  return logMessages_;
}

void ClapPluginHost::RequireMain(const char* what) const {
  if (!simulated_ && !IsMainThread()) Violation(std::string(what) + ": not on the main thread");
}

void ClapPluginHost::RequireAudio(const char* what) const {
  if (!simulated_ && !IsAudioThread()) Violation(std::string(what) + ": not on the audio thread");
}

// ---------------------------------------------------------------------------------------
// Life cycle

bool ClapPluginHost::Create(const ClapModuleFile& module, const char* pluginId,
                            std::string* error) {
  RequireMain("create_plugin");
  Destroy();
  const clapabi::PluginFactory* factory = module.Factory();
  if (!factory) {
    if (error) *error = "no module";
    return false;
  }
  const clapabi::PluginDescriptor* descriptor = module.Descriptor(0);
  const char* id = pluginId ? pluginId : (descriptor ? descriptor->id : nullptr);
  if (!id) {
    if (error) *error = "the module describes no plug-in";
    return false;
  }
  initCalled_.store(false);
  const clapabi::Plugin* plugin = factory->createPlugin(factory, &host_, id);
  if (!plugin) {
    if (error) *error = std::string("the module made no plug-in ") + id;
    return false;
  }
  if (!plugin->init || !plugin->destroy || !plugin->activate || !plugin->deactivate ||
      !plugin->startProcessing || !plugin->stopProcessing || !plugin->reset ||
      !plugin->process || !plugin->getExtension || !plugin->onMainThread) {
    if (error) *error = "the plug-in record is incomplete";
    // Not a record we can call into, not even to destroy it.
    return false;
  }
  initCalled_.store(true);
  if (!plugin->init(plugin)) {
    if (error) *error = "the plug-in's init failed";
    plugin->destroy(plugin);
    return false;
  }
  plugin_ = plugin;
  audioPorts_ = PluginExtension<clapabi::PluginAudioPorts>(plugin, clapabi::kExtAudioPorts);
  params_ = PluginExtension<clapabi::PluginParams>(plugin, clapabi::kExtParams);
  state_ = PluginExtension<clapabi::PluginState>(plugin, clapabi::kExtState);
  gui_ = PluginExtension<clapabi::PluginGui>(plugin, clapabi::kExtGui);
  latency_ = PluginExtension<clapabi::PluginLatency>(plugin, clapabi::kExtLatency);
  tail_ = PluginExtension<clapabi::PluginTail>(plugin, clapabi::kExtTail);
  timerSupport_ = PluginExtension<clapabi::PluginTimerSupport>(plugin, clapabi::kExtTimerSupport);
  posixFdSupport_ =
      PluginExtension<clapabi::PluginPosixFdSupport>(plugin, clapabi::kExtPosixFdSupport);
  return true;
}

void ClapPluginHost::Destroy() {
  if (!plugin_) return;
  RequireMain("destroy");
  if (active_) Deactivate();
  const clapabi::Plugin* plugin = Release();
  plugin->destroy(plugin);
  initCalled_.store(false);
  std::lock_guard<std::mutex> lock(recordMutex_);
  if (!timers_.empty() || !fds_.empty()) {
    violations_.push_back("destroy: timers or descriptors still registered");
  }
  timers_.clear();
  fds_.clear();
}

const clapabi::Plugin* ClapPluginHost::Release() {
  const clapabi::Plugin* plugin = plugin_;
  plugin_ = nullptr;
  audioPorts_ = nullptr;
  params_ = nullptr;
  state_ = nullptr;
  gui_ = nullptr;
  latency_ = nullptr;
  tail_ = nullptr;
  timerSupport_ = nullptr;
  posixFdSupport_ = nullptr;
  active_ = false;
  return plugin;
}

bool ClapPluginHost::Activate(double sampleRate, uint32_t minFrames, uint32_t maxFrames) {
  RequireMain("activate");
  if (!plugin_ || active_) return false;
  inActivate_.store(true);
  const bool ok = plugin_->activate(plugin_, sampleRate, minFrames, maxFrames);
  inActivate_.store(false);
  if (!ok) return false;
  active_ = true;
  sampleRate_ = sampleRate;
  steadyTime_ = 0;
  playedFrames_ = 0;
  return true;
}

void ClapPluginHost::Deactivate() {
  RequireMain("deactivate");
  if (!plugin_ || !active_) return;
  plugin_->deactivate(plugin_);
  active_ = false;
}

bool ClapPluginHost::StartProcessing() {
  RequireAudio("start_processing");
  return plugin_ && plugin_->startProcessing(plugin_);
}

void ClapPluginHost::StopProcessing() {
  RequireAudio("stop_processing");
  if (plugin_) plugin_->stopProcessing(plugin_);
}

void ClapPluginHost::Reset() {
  RequireAudio("reset");
  if (plugin_) plugin_->reset(plugin_);
}

// ---------------------------------------------------------------------------------------
// Processing and events

void ClapPluginHost::FillTransport(clapabi::EventTransport* t) const {
  std::memset(t, 0, sizeof(*t));
  t->header = {sizeof(*t), 0, clapabi::kCoreEventSpace, clapabi::kEventTransport, 0};
  const double seconds = static_cast<double>(playedFrames_) / sampleRate_;
  // The tempo field is filled either way: only the flag may tell the plug-in there is one.
  t->tempo = transport.tempo;
  t->flags = clapabi::kTransportHasSecondsTimeline | clapabi::kTransportHasBeatsTimeline |
             clapabi::kTransportHasTimeSignature;
  if (transport.hasTempo) t->flags |= clapabi::kTransportHasTempo;
  if (transport.playing) t->flags |= clapabi::kTransportIsPlaying;
  t->songPosSeconds = static_cast<int64_t>(seconds * clapabi::kTimeFactor);
  t->songPosBeats = static_cast<int64_t>(seconds * transport.tempo / 60.0 * clapabi::kTimeFactor);
  t->timeSignatureNumerator = transport.numerator;
  t->timeSignatureDenominator = transport.denominator;
}

template <class Sample>
int32_t ClapPluginHost::ProcessBlock(const Sample* const* inputs, Sample* const* outputs,
                                     uint32_t frames, bool use64) {
  RequireAudio("process");
  if (!plugin_) return clapabi::kProcessError;
  Sample* in[2] = {inputs ? const_cast<Sample*>(inputs[0]) : nullptr,
                   inputs ? const_cast<Sample*>(inputs[1]) : nullptr};
  Sample* out[2] = {outputs ? outputs[0] : nullptr, outputs ? outputs[1] : nullptr};
  clapabi::AudioBuffer inBuffer;
  clapabi::AudioBuffer outBuffer;
  std::memset(&inBuffer, 0, sizeof(inBuffer));
  std::memset(&outBuffer, 0, sizeof(outBuffer));
  inBuffer.channelCount = 2;
  outBuffer.channelCount = 2;
  if (use64) {
    inBuffer.data64 = reinterpret_cast<double**>(in);
    outBuffer.data64 = reinterpret_cast<double**>(out);
  } else {
    inBuffer.data32 = reinterpret_cast<float**>(in);
    outBuffer.data32 = reinterpret_cast<float**>(out);
  }
  clapabi::EventTransport t;
  FillTransport(&t);
  clapabi::Process p;
  std::memset(&p, 0, sizeof(p));
  p.steadyTime = steadyTime_;
  p.framesCount = frames;
  p.transport = transport.present ? &t : nullptr;
  p.audioInputs = &inBuffer;
  p.audioOutputs = &outBuffer;
  p.audioInputsCount = 1;
  p.audioOutputsCount = 1;
  p.inEvents = &inEvents_;
  p.outEvents = &outEvents_;
  pushedThisList_ = 0;
  const int32_t status = plugin_->process(plugin_, &p);
  steadyTime_ += frames;
  if (transport.playing) playedFrames_ += frames;
  ClearQueuedEvents();
  return status;
}

void ClapPluginHost::ClearQueuedEvents() {
  eventStore_.clear();
  eventOffsets_.clear();
  eventSizes_.clear();
}

int32_t ClapPluginHost::Process(const float* const* inputs, float* const* outputs,
                                uint32_t frames) {
  return ProcessBlock(inputs, outputs, frames, false);
}

int32_t ClapPluginHost::Process(const double* const* inputs, double* const* outputs,
                                uint32_t frames) {
  return ProcessBlock(inputs, outputs, frames, true);
}

void ClapPluginHost::QueueEvent(const void* bytes, uint32_t size) {
  // At least a header's worth is stored, so a plug-in reading the header of a record that
  // claims to be shorter stays inside the store.
  const size_t stored = std::max<size_t>(size, sizeof(clapabi::EventHeader));
  const size_t offset = eventStore_.size();
  eventStore_.resize(offset + (stored + 7) / 8, 0);
  if (bytes && size > 0) std::memcpy(eventStore_.data() + offset, bytes, size);
  eventOffsets_.push_back(static_cast<uint32_t>(offset));
  eventSizes_.push_back(size);
}

void ClapPluginHost::QueueParamValue(clapabi::Id id, double plain, uint32_t time) {
  clapabi::EventParamValue event;
  std::memset(&event, 0, sizeof(event));
  event.header = {sizeof(event), time, clapabi::kCoreEventSpace, clapabi::kEventParamValue, 0};
  event.paramId = id;
  event.noteId = -1;
  event.portIndex = -1;
  event.channel = -1;
  event.key = -1;
  event.value = plain;
  QueueEvent(&event, sizeof(event));
}

void ClapPluginHost::Flush() {
  if (active_) {
    RequireAudio("params.flush (active)");
  } else {
    RequireMain("params.flush (inactive)");
  }
  if (params_ && params_->flush) {
    pushedThisList_ = 0;
    params_->flush(plugin_, &inEvents_, &outEvents_);
  }
  ClearQueuedEvents();
}

uint32_t ClapPluginHost::InputSize(const clapabi::InputEvents* list) {
  const auto* self = list ? static_cast<const ClapPluginHost*>(list->ctx) : nullptr;
  return self ? static_cast<uint32_t>(self->eventOffsets_.size()) : 0;
}

const clapabi::EventHeader* ClapPluginHost::InputGet(const clapabi::InputEvents* list,
                                                     uint32_t index) {
  const auto* self = list ? static_cast<const ClapPluginHost*>(list->ctx) : nullptr;
  if (!self || index >= self->eventOffsets_.size()) return nullptr;
  return reinterpret_cast<const clapabi::EventHeader*>(self->eventStore_.data() +
                                                       self->eventOffsets_[index]);
}

bool ClapPluginHost::OutputTryPush(const clapabi::OutputEvents* list,
                                   const clapabi::EventHeader* event) {
  auto* self = list ? static_cast<ClapPluginHost*>(list->ctx) : nullptr;
  if (!self) return false;
  if (!event || event->size < sizeof(clapabi::EventHeader)) {
    self->Violation("try_push: no event or a size below the header's");
    return false;
  }
  if (self->pushedThisList_ >= self->outputRoom) return false;
  OutputEvent recorded = {event->type, event->time, clapabi::kInvalidId, 0.0};
  if (event->spaceId == clapabi::kCoreEventSpace) {
    if (event->type == clapabi::kEventParamValue) {
      if (event->size != sizeof(clapabi::EventParamValue)) {
        self->Violation("try_push: PARAM_VALUE of the wrong size");
        return false;
      }
      clapabi::EventParamValue value;
      std::memcpy(&value, event, sizeof(value));
      recorded.paramId = value.paramId;
      recorded.value = value.value;
    } else if (event->type == clapabi::kEventParamGestureBegin ||
               event->type == clapabi::kEventParamGestureEnd) {
      if (event->size != sizeof(clapabi::EventParamGesture)) {
        self->Violation("try_push: gesture of the wrong size");
        return false;
      }
      clapabi::EventParamGesture gesture;
      std::memcpy(&gesture, event, sizeof(gesture));
      recorded.paramId = gesture.paramId;
    }
  }
  if (!self->outputEvents.empty() && self->outputEvents.back().time > event->time &&
      self->pushedThisList_ > 0) {
    self->Violation("try_push: events out of time order");
  }
  self->outputEvents.push_back(recorded);
  ++self->pushedThisList_;
  return true;
}

// ---------------------------------------------------------------------------------------
// Parameters and state

uint32_t ClapPluginHost::ParamCount() const {
  RequireMain("params.count");
  return params_ && params_->count ? params_->count(plugin_) : 0;
}

bool ClapPluginHost::ParamInfo(uint32_t index, clapabi::ParamInfo* info) const {
  RequireMain("params.get_info");
  return params_ && params_->getInfo && params_->getInfo(plugin_, index, info);
}

bool ClapPluginHost::ParamValue(clapabi::Id id, double* value) const {
  RequireMain("params.get_value");
  return params_ && params_->getValue && params_->getValue(plugin_, id, value);
}

bool ClapPluginHost::ValueText(clapabi::Id id, double value, std::string* text,
                               uint32_t capacity) const {
  RequireMain("params.value_to_text");
  if (!params_ || !params_->valueToText || !text) return false;
  std::vector<char> buffer(capacity + 1, '\x55');
  if (!params_->valueToText(plugin_, id, value, buffer.data(), capacity)) return false;
  if (capacity == 0 || std::memchr(buffer.data(), 0, capacity) == nullptr) {
    Violation("value_to_text: the text is not terminated within the capacity");
    return false;
  }
  *text = buffer.data();
  return true;
}

bool ClapPluginHost::TextValue(clapabi::Id id, const char* text, double* value) const {
  RequireMain("params.text_to_value");
  return params_ && params_->textToValue && params_->textToValue(plugin_, id, text, value);
}

namespace {

struct OutContext {
  std::vector<uint8_t>* bytes;
  size_t piece;
};

int64_t StreamWrite(const clapabi::OStream* stream, const void* buffer, uint64_t size) {
  auto* ctx = static_cast<OutContext*>(stream->ctx);
  if (!buffer && size > 0) return -1;
  uint64_t n = size;
  if (ctx->piece > 0 && n > ctx->piece) n = ctx->piece;
  const auto* from = static_cast<const uint8_t*>(buffer);
  ctx->bytes->insert(ctx->bytes->end(), from, from + n);
  return static_cast<int64_t>(n);
}

struct InContext {
  const std::vector<uint8_t>* bytes;
  size_t position;
  size_t piece;
  bool errorAtEnd;
};

int64_t StreamRead(const clapabi::IStream* stream, void* buffer, uint64_t size) {
  auto* ctx = static_cast<InContext*>(stream->ctx);
  const size_t left = ctx->bytes->size() - ctx->position;
  if (left == 0) return ctx->errorAtEnd ? -1 : 0;
  if (!buffer && size > 0) return -1;
  uint64_t n = size < left ? size : left;
  if (ctx->piece > 0 && n > ctx->piece) n = ctx->piece;
  std::memcpy(buffer, ctx->bytes->data() + ctx->position, static_cast<size_t>(n));
  ctx->position += static_cast<size_t>(n);
  return static_cast<int64_t>(n);
}

}  // namespace

bool ClapPluginHost::SaveState(std::vector<uint8_t>* bytes, size_t piece) const {
  RequireMain("state.save");
  if (!state_ || !state_->save || !bytes) return false;
  bytes->clear();
  OutContext ctx = {bytes, piece};
  const clapabi::OStream stream = {&ctx, StreamWrite};
  return state_->save(plugin_, &stream);
}

bool ClapPluginHost::LoadState(const std::vector<uint8_t>& bytes, size_t piece, bool errorAtEnd) {
  RequireMain("state.load");
  if (!state_ || !state_->load) return false;
  InContext ctx = {&bytes, 0, piece, errorAtEnd};
  const clapabi::IStream stream = {&ctx, StreamRead};
  return state_->load(plugin_, &stream);
}

// ---------------------------------------------------------------------------------------
// The run loop

bool ClapPluginHost::RunMainThreadCallback() {
  RequireMain("on_main_thread");
  if (!plugin_ || !callbackRequested_.exchange(false)) return false;
  plugin_->onMainThread(plugin_);
  return true;
}

std::vector<ClapPluginHost::Timer> ClapPluginHost::Timers() const {
  std::lock_guard<std::mutex> lock(recordMutex_);
  return timers_;
}

std::vector<int> ClapPluginHost::Fds() const {
  std::lock_guard<std::mutex> lock(recordMutex_);
  std::vector<int> fds;
  for (const auto& fd : fds_) fds.push_back(fd.first);
  return fds;
}

void ClapPluginHost::FireTimers() {
  RequireMain("on_timer");
  if (!plugin_ || !timerSupport_ || !timerSupport_->onTimer) return;
  for (const Timer& timer : Timers()) timerSupport_->onTimer(plugin_, timer.id);
}

int ClapPluginHost::PollFds(int timeoutMs) {
  RequireMain("on_fd");
  const std::vector<int> fds = Fds();
  if (!plugin_ || !posixFdSupport_ || !posixFdSupport_->onFd || fds.empty()) return 0;
  std::vector<int> ready(fds.size());
  int readyCount = 0;
  if (!WaitForReadableFds(fds.data(), static_cast<int>(fds.size()), timeoutMs, ready.data(),
                          &readyCount)) {
    return 0;
  }
  for (int i = 0; i < readyCount; ++i) {
    posixFdSupport_->onFd(plugin_, fds[static_cast<size_t>(ready[static_cast<size_t>(i)])],
                          clapabi::kFdRead);
  }
  return readyCount;
}

void ClapPluginHost::Pump(int timeoutMs) {
  RunMainThreadCallback();
  PollFds(timeoutMs);
  FireTimers();
  RunMainThreadCallback();
}

// ---------------------------------------------------------------------------------------
// Host extensions

const void* ClapPluginHost::HostGetExtension(const clapabi::Host* host, const char* id) {
  static const clapabi::HostLog kLog = {HostLog};
  static const clapabi::HostThreadCheck kThreadCheck = {HostIsMainThread, HostIsAudioThread};
  static const clapabi::HostParams kParams = {HostParamsRescan, HostParamsClear,
                                              HostParamsRequestFlush};
  static const clapabi::HostState kState = {HostStateMarkDirty};
  static const clapabi::HostGui kGui = {HostGuiResizeHintsChanged, HostGuiRequestResize,
                                        HostGuiRequestShow, HostGuiRequestHide, HostGuiClosed};
  static const clapabi::HostTimerSupport kTimers = {HostRegisterTimer, HostUnregisterTimer};
  static const clapabi::HostPosixFdSupport kFds = {HostRegisterFd, HostModifyFd, HostUnregisterFd};
  static const clapabi::HostTail kTail = {HostTailChanged};
  static const clapabi::HostLatency kLatency = {HostLatencyChanged};
  ClapPluginHost* self = From(host);
  if (!self || !id) return nullptr;
  if (!self->initCalled_.load()) self->Violation(std::string("get_extension before init: ") + id);
  const Offer& o = self->offer;
  if (o.log && std::strcmp(id, clapabi::kExtLog) == 0) return &kLog;
  if (o.threadCheck && std::strcmp(id, clapabi::kExtThreadCheck) == 0) return &kThreadCheck;
  if (o.params && std::strcmp(id, clapabi::kExtParams) == 0) return &kParams;
  if (o.state && std::strcmp(id, clapabi::kExtState) == 0) return &kState;
  if (o.gui && std::strcmp(id, clapabi::kExtGui) == 0) return &kGui;
  if (o.timerSupport && std::strcmp(id, clapabi::kExtTimerSupport) == 0) return &kTimers;
  if (o.posixFdSupport && std::strcmp(id, clapabi::kExtPosixFdSupport) == 0) return &kFds;
  if (o.tail && std::strcmp(id, clapabi::kExtTail) == 0) return &kTail;
  if (o.latency && std::strcmp(id, clapabi::kExtLatency) == 0) return &kLatency;
  return nullptr;
}

void ClapPluginHost::HostRequestRestart(const clapabi::Host* host) {
  if (ClapPluginHost* self = From(host)) ++self->calls.requestRestart;
}

void ClapPluginHost::HostRequestProcess(const clapabi::Host* host) {
  if (ClapPluginHost* self = From(host)) ++self->calls.requestProcess;
}

void ClapPluginHost::HostRequestCallback(const clapabi::Host* host) {
  ClapPluginHost* self = From(host);
  if (!self) return;
  ++self->calls.requestCallback;
  self->callbackRequested_.store(true);
}

void ClapPluginHost::HostLog(const clapabi::Host* host, int32_t severity, const char* message) {
  ClapPluginHost* self = From(host);
  if (!self) return;
  std::lock_guard<std::mutex> lock(self->recordMutex_);
  self->logMessages_.push_back(std::to_string(severity) + ": " + (message ? message : "(null)"));
}

bool ClapPluginHost::HostIsMainThread(const clapabi::Host* host) {
  const ClapPluginHost* self = From(host);
  return self && self->IsMainThread();
}

bool ClapPluginHost::HostIsAudioThread(const clapabi::Host* host) {
  const ClapPluginHost* self = From(host);
  return self && self->IsAudioThread();
}

void ClapPluginHost::HostParamsRescan(const clapabi::Host* host, uint32_t flags) {
  ClapPluginHost* self = From(host);
  if (!self) return;
  self->RequireMain("params.rescan");
  if ((flags & clapabi::kParamRescanAll) && self->active_) {
    self->Violation("params.rescan(ALL) while active");
  }
  ++self->calls.rescan;
  self->calls.rescanFlags.fetch_or(flags);
}

void ClapPluginHost::HostParamsClear(const clapabi::Host* host, clapabi::Id, uint32_t) {
  if (ClapPluginHost* self = From(host)) self->RequireMain("params.clear");
}

void ClapPluginHost::HostParamsRequestFlush(const clapabi::Host* host) {
  ClapPluginHost* self = From(host);
  if (!self) return;
  if (!self->simulated_ && self->hasAudioThread_ && self->IsAudioThread()) {
    self->Violation("params.request_flush on the audio thread");
  }
  ++self->calls.requestFlush;
}

void ClapPluginHost::HostStateMarkDirty(const clapabi::Host* host) {
  ClapPluginHost* self = From(host);
  if (!self) return;
  self->RequireMain("state.mark_dirty");
  ++self->calls.markDirty;
}

void ClapPluginHost::HostGuiResizeHintsChanged(const clapabi::Host*) {}

bool ClapPluginHost::HostGuiRequestResize(const clapabi::Host* host, uint32_t width,
                                          uint32_t height) {
  ClapPluginHost* self = From(host);
  if (!self) return false;
  ++self->calls.requestResize;
  self->calls.resizeWidth.store(width);
  self->calls.resizeHeight.store(height);
  return true;
}

bool ClapPluginHost::HostGuiRequestShow(const clapabi::Host*) { return false; }
bool ClapPluginHost::HostGuiRequestHide(const clapabi::Host*) { return false; }
void ClapPluginHost::HostGuiClosed(const clapabi::Host*, bool) {}

bool ClapPluginHost::HostRegisterTimer(const clapabi::Host* host, uint32_t periodMs,
                                       clapabi::Id* id) {
  ClapPluginHost* self = From(host);
  if (!self || !id) return false;
  self->RequireMain("timer-support.register_timer");
  std::lock_guard<std::mutex> lock(self->recordMutex_);
  *id = self->nextTimerId_++;
  self->timers_.push_back({*id, periodMs});
  return true;
}

bool ClapPluginHost::HostUnregisterTimer(const clapabi::Host* host, clapabi::Id id) {
  ClapPluginHost* self = From(host);
  if (!self) return false;
  self->RequireMain("timer-support.unregister_timer");
  std::lock_guard<std::mutex> lock(self->recordMutex_);
  for (auto it = self->timers_.begin(); it != self->timers_.end(); ++it) {
    if (it->id == id) {
      self->timers_.erase(it);
      return true;
    }
  }
  self->violations_.push_back("unregister_timer: unknown timer");
  return false;
}

bool ClapPluginHost::HostRegisterFd(const clapabi::Host* host, int fd, uint32_t flags) {
  ClapPluginHost* self = From(host);
  if (!self) return false;
  self->RequireMain("posix-fd-support.register_fd");
  if (fd < 0) return false;
  std::lock_guard<std::mutex> lock(self->recordMutex_);
  for (const auto& known : self->fds_) {
    if (known.first == fd) return false;
  }
  self->fds_.push_back({fd, flags});
  return true;
}

bool ClapPluginHost::HostModifyFd(const clapabi::Host* host, int fd, uint32_t flags) {
  ClapPluginHost* self = From(host);
  if (!self) return false;
  self->RequireMain("posix-fd-support.modify_fd");
  std::lock_guard<std::mutex> lock(self->recordMutex_);
  for (auto& known : self->fds_) {
    if (known.first == fd) {
      known.second = flags;
      return true;
    }
  }
  return false;
}

bool ClapPluginHost::HostUnregisterFd(const clapabi::Host* host, int fd) {
  ClapPluginHost* self = From(host);
  if (!self) return false;
  self->RequireMain("posix-fd-support.unregister_fd");
  std::lock_guard<std::mutex> lock(self->recordMutex_);
  for (auto it = self->fds_.begin(); it != self->fds_.end(); ++it) {
    if (it->first == fd) {
      self->fds_.erase(it);
      return true;
    }
  }
  self->violations_.push_back("unregister_fd: unknown descriptor");
  return false;
}

void ClapPluginHost::HostTailChanged(const clapabi::Host* host) {
  ClapPluginHost* self = From(host);
  if (!self) return;
  self->RequireAudio("tail.changed");
  ++self->calls.tailChanged;
}

void ClapPluginHost::HostLatencyChanged(const clapabi::Host* host) {
  ClapPluginHost* self = From(host);
  if (!self) return;
  self->RequireMain("latency.changed");
  if (!self->inActivate_.load()) self->Violation("latency.changed outside activate");
}
