#include "tools/host/vst3_host.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "tools/host/vst3_library.h"

namespace {

template <class Face>
v3::Result AnswerOne(Face* self, const v3::RawId iid, void** obj) {
  if (!obj) return v3::kInvalidArgument;
  *obj = nullptr;
  if (!iid) return v3::kInvalidArgument;
  if (v3::SameId(iid, v3::Unknown::kId) || v3::SameId(iid, Face::kId)) {
    self->addRef();
    *obj = self;
    return v3::kResultOk;
  }
  return v3::kNoInterface;
}

void CopyAsciiToUtf16(char16_t* dest, int units, const char* text) {
  int n = 0;
  for (; text[n] && n < units - 1; ++n) dest[n] = static_cast<char16_t>(static_cast<unsigned char>(text[n]));
  dest[n] = 0;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Queries obj for the interface Face; null when it does not answer.
template <class Face>
Face* Query(v3::Unknown* obj) {
  void* face = nullptr;
  if (!obj || obj->queryInterface(v3::AsRaw(Face::kId), &face) != v3::kResultOk) return nullptr;
  return static_cast<Face*>(face);
}

}  // namespace

std::string Vst3Utf8(const char16_t* text, int maxUnits) {
  std::string out;
  for (int i = 0; text && i < maxUnits && text[i]; ++i) {
    uint32_t code = text[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < maxUnits && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    }
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

// ---------------------------------------------------------------------------------------
// Host-side objects

v3::Result Vst3MemoryStream::queryInterface(const v3::RawId iid, void** obj) {
  return AnswerOne<v3::Stream>(this, iid, obj);
}

v3::Result Vst3MemoryStream::read(void* buffer, int32_t numBytes, int32_t* numBytesRead) {
  if (numBytesRead) *numBytesRead = 0;
  if (!buffer || numBytes < 0) return v3::kInvalidArgument;
  size_t n = std::min<size_t>(static_cast<size_t>(numBytes), mBytes.size() - std::min(mPosition, mBytes.size()));
  if (mReadLimit > 0) n = std::min<size_t>(n, static_cast<size_t>(mReadLimit));
  if (n > 0) std::memcpy(buffer, mBytes.data() + mPosition, n);
  mPosition += n;
  if (numBytesRead) *numBytesRead = static_cast<int32_t>(n);
  return v3::kResultOk;
}

v3::Result Vst3MemoryStream::write(void* buffer, int32_t numBytes, int32_t* numBytesWritten) {
  if (numBytesWritten) *numBytesWritten = 0;
  if (!buffer || numBytes < 0) return v3::kInvalidArgument;
  const size_t n = static_cast<size_t>(numBytes);
  if (mPosition + n > mBytes.size()) mBytes.resize(mPosition + n);
  std::memcpy(mBytes.data() + mPosition, buffer, n);
  mPosition += n;
  if (numBytesWritten) *numBytesWritten = numBytes;
  return v3::kResultOk;
}

v3::Result Vst3MemoryStream::seek(int64_t pos, int32_t mode, int64_t* result) {
  int64_t base = 0;
  if (mode == v3::kSeekCur) base = static_cast<int64_t>(mPosition);
  if (mode == v3::kSeekEnd) base = static_cast<int64_t>(mBytes.size());
  if (mode < v3::kSeekSet || mode > v3::kSeekEnd || base + pos < 0) return v3::kInvalidArgument;
  mPosition = static_cast<size_t>(base + pos);
  if (result) *result = static_cast<int64_t>(mPosition);
  return v3::kResultOk;
}

v3::Result Vst3MemoryStream::tell(int64_t* pos) {
  if (!pos) return v3::kInvalidArgument;
  *pos = static_cast<int64_t>(mPosition);
  return v3::kResultOk;
}

v3::Result Vst3ParamQueue::queryInterface(const v3::RawId iid, void** obj) {
  return AnswerOne<v3::ParamValueQueue>(this, iid, obj);
}

v3::Result Vst3ParamQueue::getPoint(int32_t index, int32_t* offset, v3::ParamValue* value) {
  if (index < 0 || index >= mCount || !offset || !value) return v3::kInvalidArgument;
  *offset = mOffsets[index];
  *value = mValues[index];
  return v3::kResultOk;
}

v3::Result Vst3ParamQueue::addPoint(int32_t offset, v3::ParamValue value, int32_t* index) {
  if (mCount >= kMaxPoints) return v3::kResultFalse;
  // Points stay sorted by offset; a point at an offset already present replaces it.
  int32_t at = mCount;
  while (at > 0 && mOffsets[at - 1] > offset) --at;
  if (at > 0 && mOffsets[at - 1] == offset) {
    mValues[at - 1] = value;
    if (index) *index = at - 1;
    return v3::kResultOk;
  }
  for (int32_t i = mCount; i > at; --i) {
    mOffsets[i] = mOffsets[i - 1];
    mValues[i] = mValues[i - 1];
  }
  mOffsets[at] = offset;
  mValues[at] = value;
  ++mCount;
  if (index) *index = at;
  return v3::kResultOk;
}

v3::Result Vst3ParamChangeList::queryInterface(const v3::RawId iid, void** obj) {
  return AnswerOne<v3::ParamChanges>(this, iid, obj);
}

v3::ParamValueQueue* Vst3ParamChangeList::getParameterData(int32_t index) {
  return index >= 0 && index < mCount ? &mQueues[index] : nullptr;
}

v3::ParamValueQueue* Vst3ParamChangeList::addParameterData(const v3::ParamId* id, int32_t* index) {
  if (!id) return nullptr;
  for (int32_t i = 0; i < mCount; ++i) {
    if (mQueues[i].getParameterId() == *id) {
      if (index) *index = i;
      return &mQueues[i];
    }
  }
  if (mCount >= kMaxQueues) return nullptr;
  mQueues[mCount].Reset(*id);
  if (index) *index = mCount;
  return &mQueues[mCount++];
}

bool Vst3ParamChangeList::Add(v3::ParamId id, int32_t offset, double value) {
  int32_t index = 0;
  v3::ParamValueQueue* queue = addParameterData(&id, &index);
  int32_t point = 0;
  return queue && queue->addPoint(offset, value, &point) == v3::kResultOk;
}

bool Vst3ParamChangeList::LastValue(v3::ParamId id, double* value) {
  for (int32_t i = 0; i < mCount; ++i) {
    const int32_t points = mQueues[i].getPointCount();
    if (mQueues[i].getParameterId() != id || points <= 0) continue;
    int32_t offset = 0;
    return mQueues[i].getPoint(points - 1, &offset, value) == v3::kResultOk;
  }
  return false;
}

v3::Result Vst3ComponentHandler::queryInterface(const v3::RawId iid, void** obj) {
  return AnswerOne<v3::ComponentHandler>(this, iid, obj);
}

v3::Result Vst3ComponentHandler::beginEdit(v3::ParamId id) {
  edits.push_back({Vst3HostEdit::kBegin, id, 0.0});
  return v3::kResultOk;
}

v3::Result Vst3ComponentHandler::performEdit(v3::ParamId id, v3::ParamValue value) {
  edits.push_back({Vst3HostEdit::kPerform, id, value});
  return v3::kResultOk;
}

v3::Result Vst3ComponentHandler::endEdit(v3::ParamId id) {
  edits.push_back({Vst3HostEdit::kEnd, id, 0.0});
  return v3::kResultOk;
}

v3::Result Vst3ComponentHandler::restartComponent(int32_t flags) {
  edits.push_back({Vst3HostEdit::kRestart, 0, static_cast<double>(flags)});
  return v3::kResultOk;
}

v3::Result Vst3HostApplication::queryInterface(const v3::RawId iid, void** obj) {
  return AnswerOne<v3::HostApplication>(this, iid, obj);
}

v3::Result Vst3HostApplication::getName(v3::Text128 name) {
  if (!name) return v3::kInvalidArgument;
  CopyAsciiToUtf16(name, 128, "quelora-host");
  return v3::kResultOk;
}

v3::Result Vst3HostApplication::createInstance(v3::RawId cid, v3::RawId iid, void** obj) {
  (void)cid;
  (void)iid;
  if (obj) *obj = nullptr;
  return v3::kNotImplemented;
}

// ---------------------------------------------------------------------------------------
// Module

bool IsVst3Bundle(const std::string& path) {
  const std::string suffix = ".vst3";
  std::string trimmed = path;
  while (trimmed.size() > 1 && (trimmed.back() == '/' || trimmed.back() == '\\')) trimmed.pop_back();
  return trimmed.size() > suffix.size() &&
         trimmed.compare(trimmed.size() - suffix.size(), suffix.size(), suffix) == 0 &&
         vst3_library::IsDirectory(trimmed);
}

std::string Vst3BinaryPath(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && (trimmed.back() == '/' || trimmed.back() == '\\')) trimmed.pop_back();
  if (!vst3_library::IsDirectory(trimmed)) return trimmed;
  const size_t slash = trimmed.find_last_of("/\\");
  std::string stem = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
  if (stem.size() > 5 && stem.compare(stem.size() - 5, 5, ".vst3") == 0) stem.resize(stem.size() - 5);
  return trimmed + "/Contents/" + vst3_library::ArchitectureFolder() + "/" + stem +
         vst3_library::BinarySuffix();
}

Vst3Module::~Vst3Module() { Unload(); }

bool Vst3Module::Load(const std::string& path, std::string* error) {
  Unload();
  const std::string binary = Vst3BinaryPath(path);
  if (!vst3_library::IsFile(binary)) {
    *error = "no VST 3 module at " + binary;
    return false;
  }
  std::string reason;
  if (!mLibrary.Open(binary, &reason)) {
    *error = "cannot load " + binary + ": " + reason;
    return false;
  }
  if (!vst3_library::Enter(mLibrary, &mEntered)) {
    *error = "the module's entry call failed: " + binary;
    Unload();
    return false;
  }
  auto entry = reinterpret_cast<v3::GetFactoryProc>(mLibrary.Symbol("GetPluginFactory"));
  if (!entry) {
    *error = "no GetPluginFactory in " + binary;
    Unload();
    return false;
  }
  mFactory = entry();
  if (!mFactory) {
    *error = "GetPluginFactory gave no factory: " + binary;
    Unload();
    return false;
  }
  return true;
}

bool Vst3Module::Attach(v3::GetFactoryProc entry, std::string* error) {
  Unload();
  mFactory = entry ? entry() : nullptr;
  if (!mFactory) *error = "no factory";
  return mFactory != nullptr;
}

void Vst3Module::Unload() {
  if (mFactory) {
    mFactory->release();
    mFactory = nullptr;
  }
  if (mLibrary.IsOpen()) {
    if (mEntered) vst3_library::Exit(mLibrary);
    mLibrary.Close();
  }
  mEntered = false;
}

std::string Vst3Module::Vendor() const {
  v3::FactoryInfo info = {};
  if (!mFactory || mFactory->getFactoryInfo(&info) != v3::kResultOk) return "";
  info.vendor[sizeof(info.vendor) - 1] = 0;
  return info.vendor;
}

bool Vst3Module::FindAudioClass(v3::ClassInfo2* out) const {
  if (!mFactory) return false;
  v3::Factory2* factory2 = Query<v3::Factory2>(mFactory);
  const int32_t count = mFactory->countClasses();
  bool found = false;
  for (int32_t i = 0; i < count && !found; ++i) {
    v3::ClassInfo info = {};
    if (mFactory->getClassInfo(i, &info) != v3::kResultOk) continue;
    info.category[sizeof(info.category) - 1] = 0;
    if (std::strcmp(info.category, v3::kAudioModuleClass) != 0) continue;
    std::memset(out, 0, sizeof(*out));
    if (!factory2 || factory2->getClassInfo2(i, out) != v3::kResultOk) {
      std::memcpy(out->cid, info.cid, sizeof(info.cid));
      out->cardinality = info.cardinality;
      std::memcpy(out->category, info.category, sizeof(info.category));
      std::memcpy(out->name, info.name, sizeof(info.name));
    }
    out->name[sizeof(out->name) - 1] = 0;
    out->subCategories[sizeof(out->subCategories) - 1] = 0;
    out->vendor[sizeof(out->vendor) - 1] = 0;
    out->version[sizeof(out->version) - 1] = 0;
    out->sdkVersion[sizeof(out->sdkVersion) - 1] = 0;
    found = true;
  }
  if (factory2) factory2->release();
  return found;
}

// ---------------------------------------------------------------------------------------
// Instance

Vst3Plugin::~Vst3Plugin() { Destroy(); }

bool Vst3Plugin::Create(const Vst3Module& module, std::string* error) {
  Destroy();
  v3::ClassInfo2 info = {};
  if (!module.FindAudioClass(&info)) {
    *error = "the module lists no audio-module class";
    return false;
  }
  void* obj = nullptr;
  if (module.Factory()->createInstance(info.cid, v3::AsRaw(v3::Component::kId), &obj) !=
          v3::kResultOk ||
      !obj) {
    *error = "the factory created no component";
    return false;
  }
  mComponent = static_cast<v3::Component*>(obj);
  if (mComponent->initialize(&mApplication) != v3::kResultOk) {
    // A failed initialize is released without terminate.
    mComponent->release();
    mComponent = nullptr;
    *error = "the component refused to initialize";
    return false;
  }
  mProcessor = Query<v3::AudioProcessor>(mComponent);
  if (!mProcessor) {
    *error = "the component has no audio processor";
    Destroy();
    return false;
  }
  mController = Query<v3::EditController>(mComponent);
  mSingleClass = mController != nullptr;
  if (!mController) {
    v3::RawId controllerId = {};
    void* controller = nullptr;
    if (mComponent->getControllerClassId(controllerId) == v3::kResultOk &&
        module.Factory()->createInstance(controllerId, v3::AsRaw(v3::EditController::kId),
                                         &controller) == v3::kResultOk &&
        controller) {
      mController = static_cast<v3::EditController*>(controller);
    }
  }
  if (mController) {
    // A single class was initialized as the component already.
    mControllerInitialized =
        !mSingleClass && mController->initialize(&mApplication) == v3::kResultOk;
    mController->setComponentHandler(&mHandler);
    // The controller starts from the component's state, as hosts connect them.
    Vst3MemoryStream stream;
    if (mComponent->getState(&stream) == v3::kResultOk) {
      stream.Rewind();
      mController->setComponentState(&stream);
    }
  }
  for (int direction = v3::kInput; direction <= v3::kOutput; ++direction) {
    const int32_t buses = mComponent->getBusCount(v3::kAudio, direction);
    v3::BusInfo bus = {};
    int channels = 0;
    if (buses > 0 && mComponent->getBusInfo(v3::kAudio, direction, 0, &bus) == v3::kResultOk) {
      channels = bus.channelCount;
    }
    (direction == v3::kInput ? mInputChannels : mOutputChannels) = channels;
  }
  return true;
}

void Vst3Plugin::Destroy() {
  Deactivate();
  if (mController) {
    mController->setComponentHandler(nullptr);
    if (mControllerInitialized) mController->terminate();
    mController->release();
    mController = nullptr;
  }
  mControllerInitialized = false;
  if (mProcessor) {
    mProcessor->release();
    mProcessor = nullptr;
  }
  if (mComponent) {
    mComponent->terminate();
    mComponent->release();
    mComponent = nullptr;
  }
  mSingleClass = false;
  mInputChannels = mOutputChannels = 0;
}

bool Vst3Plugin::Setup(double sampleRate, int maxBlock, bool doublePrecision, std::string* error) {
  if (!mProcessor) {
    *error = "no instance";
    return false;
  }
  Deactivate();
  v3::SpeakerMask in = v3::kSpeakerStereo;
  v3::SpeakerMask out = v3::kSpeakerStereo;
  if (mProcessor->setBusArrangements(&in, 1, &out, 1) != v3::kResultOk) {
    *error = "the plug-in refuses one stereo input and one stereo output";
    return false;
  }
  mComponent->activateBus(v3::kAudio, v3::kInput, 0, 1);
  mComponent->activateBus(v3::kAudio, v3::kOutput, 0, 1);
  mSampleSize = doublePrecision ? v3::kSample64 : v3::kSample32;
  if (mProcessor->canProcessSampleSize(mSampleSize) != v3::kResultOk) {
    *error = "the plug-in cannot process in double precision (--double)";
    return false;
  }
  v3::ProcessSetup setup = {v3::kOffline, mSampleSize, maxBlock, sampleRate};
  if (mProcessor->setupProcessing(&setup) != v3::kResultOk) {
    *error = "the plug-in refuses the processing setup";
    return false;
  }
  mSampleRate = sampleRate;
  mMaxBlock = maxBlock;
  return true;
}

void Vst3Plugin::Activate() {
  if (!mComponent || mActive) return;
  mComponent->setActive(1);
  if (mProcessor) mProcessor->setProcessing(1);
  mActive = true;
}

void Vst3Plugin::Deactivate() {
  if (!mComponent || !mActive) return;
  if (mProcessor) mProcessor->setProcessing(0);
  mComponent->setActive(0);
  mActive = false;
}

void Vst3Plugin::SetTempo(double bpm, bool tempoValid) {
  mTempo = bpm;
  mTempoValid = tempoValid;
}

bool Vst3Plugin::QueueParam(v3::ParamId id, double normalized, int32_t offset, bool toProcessorOnly) {
  if (!toProcessorOnly && mController) mController->setParamNormalized(id, normalized);
  return mInputChanges.Add(id, offset, normalized);
}

bool Vst3Plugin::RunProcess(int32_t sampleSize, void** inputs, void** outputs, int frames) {
  if (!mProcessor) return false;
  v3::AudioBuffers in = {};
  v3::AudioBuffers out = {};
  in.numChannels = mInputChannels;
  out.numChannels = mOutputChannels;
  in.channels32 = reinterpret_cast<float**>(inputs);
  out.channels32 = reinterpret_cast<float**>(outputs);
  v3::ProcessData data = {};
  data.processMode = v3::kOffline;
  data.symbolicSampleSize = sampleSize;
  data.numSamples = frames;
  data.numInputs = inputs ? 1 : 0;
  data.numOutputs = outputs ? 1 : 0;
  data.inputs = inputs ? &in : nullptr;
  data.outputs = outputs ? &out : nullptr;
  data.inputParameterChanges = &mInputChanges;
  mOutputChanges.Clear();
  data.outputParameterChanges = &mOutputChanges;

  mContext = v3::ProcessContext{};
  mContext.sampleRate = mSampleRate;
  mContext.projectTimeSamples = mPosition;
  mContext.state = v3::kPlaying | v3::kTimeSigValid;
  mContext.timeSigNumerator = 4;
  mContext.timeSigDenominator = 4;
  if (mTempoValid) {
    mContext.state |= v3::kTempoValid | v3::kProjectTimeMusicValid;
    mContext.tempo = mTempo;
    mContext.projectTimeMusic = static_cast<double>(mPosition) / mSampleRate * mTempo / 60.0;
  }
  data.processContext = mContextGiven ? &mContext : nullptr;

  const bool ok = mProcessor->process(&data) == v3::kResultOk;
  mInputChanges.Clear();
  if (frames > 0) mPosition += frames;
  return ok;
}

bool Vst3Plugin::Process(float** inputs, float** outputs, int frames) {
  return RunProcess(v3::kSample32, reinterpret_cast<void**>(inputs),
                    reinterpret_cast<void**>(outputs), frames);
}

bool Vst3Plugin::ProcessDouble(double** inputs, double** outputs, int frames) {
  return RunProcess(v3::kSample64, reinterpret_cast<void**>(inputs),
                    reinterpret_cast<void**>(outputs), frames);
}

bool Vst3Plugin::Flush() { return RunProcess(mSampleSize, nullptr, nullptr, 0); }

int Vst3Plugin::ParamCount() const { return mController ? mController->getParameterCount() : 0; }

bool Vst3Plugin::ParamInfo(int index, Vst3ParamDescription* out) const {
  v3::ParamInfo info = {};
  if (!mController || mController->getParameterInfo(index, &info) != v3::kResultOk) return false;
  out->id = info.id;
  out->title = Vst3Utf8(info.title, 128);
  out->units = Vst3Utf8(info.units, 128);
  out->stepCount = info.stepCount;
  out->defaultNormalized = info.defaultNormalizedValue;
  out->flags = info.flags;
  return true;
}

int Vst3Plugin::FindParam(const std::string& title) const {
  int caseBlind = -1;
  int caseBlindMatches = 0;
  for (int i = 0; i < ParamCount(); ++i) {
    Vst3ParamDescription param;
    if (!ParamInfo(i, &param)) continue;
    if (param.title == title) return i;
    if (Lower(param.title) == Lower(title)) {
      caseBlind = i;
      ++caseBlindMatches;
    }
  }
  return caseBlindMatches == 1 ? caseBlind : -1;
}

double Vst3Plugin::ParamNormalized(v3::ParamId id) const {
  return mController ? mController->getParamNormalized(id) : 0.0;
}

std::string Vst3Plugin::ParamText(v3::ParamId id, double normalized) const {
  v3::Text128 text = {};
  if (!mController || mController->getParamStringByValue(id, normalized, text) != v3::kResultOk) {
    return "";
  }
  return Vst3Utf8(text, 128);
}

bool Vst3Plugin::ParamFromText(v3::ParamId id, const std::string& text, double* normalized) const {
  if (!mController) return false;
  v3::Text128 typed = {};
  CopyAsciiToUtf16(typed, 128, text.c_str());
  return mController->getParamValueByString(id, typed, normalized) == v3::kResultOk;
}

bool Vst3Plugin::ProgramParam(v3::ParamId* id, int32_t* stepCount) const {
  for (int i = 0; i < ParamCount(); ++i) {
    Vst3ParamDescription param;
    if (ParamInfo(i, &param) && (param.flags & v3::kIsProgramChange)) {
      *id = param.id;
      if (stepCount) *stepCount = param.stepCount;
      return true;
    }
  }
  return false;
}

std::vector<std::string> Vst3Plugin::ProgramNames() const {
  std::vector<std::string> names;
  v3::UnitInfo* units = Query<v3::UnitInfo>(mController);
  if (!units) return names;
  v3::ProgramListDesc list = {};
  if (units->getProgramListCount() > 0 && units->getProgramListInfo(0, &list) == v3::kResultOk) {
    for (int32_t i = 0; i < list.programCount && i < 100000; ++i) {
      v3::Text128 name = {};
      names.push_back(units->getProgramName(list.id, i, name) == v3::kResultOk ? Vst3Utf8(name, 128)
                                                                             : std::string());
    }
  }
  units->release();
  return names;
}

bool Vst3Plugin::SaveState(std::vector<unsigned char>* bytes) const {
  Vst3MemoryStream stream;
  if (!mComponent || mComponent->getState(&stream) != v3::kResultOk) return false;
  *bytes = stream.Bytes();
  return true;
}

v3::Result Vst3Plugin::LoadState(const std::vector<unsigned char>& bytes) {
  if (!mComponent) return v3::kNotInitialized;
  Vst3MemoryStream stream(bytes);
  const v3::Result result = mComponent->setState(&stream);
  if (result == v3::kResultOk && mController) {
    Vst3MemoryStream copy(bytes);
    mController->setComponentState(&copy);
  }
  return result;
}

uint32_t Vst3Plugin::Latency() const { return mProcessor ? mProcessor->getLatencySamples() : 0; }

uint32_t Vst3Plugin::Tail() const { return mProcessor ? mProcessor->getTailSamples() : 0; }
