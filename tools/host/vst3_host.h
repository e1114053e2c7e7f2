// The VST 3 host of quelora-host, the tests, benchmarks, fuzz targets and the Windows test
// host: a module loaded the way a DAW loads it (the bundle's binary for this system, its
// module entry, the factory), one plug-in instance driven through the interfaces in the
// order hosts use (initialize with a host context, the controller found on the component
// or created from its class, the component handler, the component's state handed to the
// controller, bus arrangements, setupProcessing, setActive and setProcessing around
// processing), and the host-side objects a plug-in talks to: host application, component
// handler, memory stream, parameter change lists, process context.
//
// No audio file code: the library also builds with mingw for the Windows test host.
//
// Threading: one thread (the tool's, or a test's); it plays both the UI and the audio
// thread's part.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/host/shared_library.h"
#include "vst3/vst3_abi.h"

// ---------------------------------------------------------------------------------------
// Host-side objects. Each is created with one reference; tests keep them on the stack and
// check that a plug-in's references balance (RefCount() back to 1 when it let go).

// A growable in-memory stream (read, write, seek, tell).
class Vst3MemoryStream final : public v3::Stream {
 public:
  Vst3MemoryStream() = default;
  explicit Vst3MemoryStream(std::vector<unsigned char> bytes) : mBytes(std::move(bytes)) {}

  v3::Result V3_CALL queryInterface(const v3::RawId iid, void** obj) override;
  uint32_t V3_CALL addRef() override { return ++mRefs; }
  uint32_t V3_CALL release() override { return --mRefs; }
  v3::Result V3_CALL read(void* buffer, int32_t numBytes, int32_t* numBytesRead) override;
  v3::Result V3_CALL write(void* buffer, int32_t numBytes, int32_t* numBytesWritten) override;
  v3::Result V3_CALL seek(int64_t pos, int32_t mode, int64_t* result) override;
  v3::Result V3_CALL tell(int64_t* pos) override;

  const std::vector<unsigned char>& Bytes() const { return mBytes; }
  void Rewind() { mPosition = 0; }
  // Each read hands over at most this many bytes (0: no limit), as hosts that read in
  // pieces do.
  void LimitReads(int32_t bytes) { mReadLimit = bytes; }
  uint32_t RefCount() const { return mRefs; }

 private:
  std::vector<unsigned char> mBytes;
  size_t mPosition = 0;
  int32_t mReadLimit = 0;
  uint32_t mRefs = 1;
};

// One parameter's points for a block.
class Vst3ParamQueue final : public v3::ParamValueQueue {
 public:
  static constexpr int kMaxPoints = 64;
  v3::Result V3_CALL queryInterface(const v3::RawId iid, void** obj) override;
  uint32_t V3_CALL addRef() override { return 2; }
  uint32_t V3_CALL release() override { return 1; }
  v3::ParamId V3_CALL getParameterId() override { return mId; }
  int32_t V3_CALL getPointCount() override { return mCount; }
  v3::Result V3_CALL getPoint(int32_t index, int32_t* offset, v3::ParamValue* value) override;
  v3::Result V3_CALL addPoint(int32_t offset, v3::ParamValue value, int32_t* index) override;

  void Reset(v3::ParamId id) {
    mId = id;
    mCount = 0;
  }

 private:
  v3::ParamId mId = 0;
  int32_t mCount = 0;
  int32_t mOffsets[kMaxPoints] = {};
  double mValues[kMaxPoints] = {};
};

// The changes of one block: a queue per parameter, in the order they were first added.
// Fixed capacity; nothing allocates after construction.
class Vst3ParamChangeList final : public v3::ParamChanges {
 public:
  static constexpr int kMaxQueues = 64;
  v3::Result V3_CALL queryInterface(const v3::RawId iid, void** obj) override;
  uint32_t V3_CALL addRef() override { return 2; }
  uint32_t V3_CALL release() override { return 1; }
  int32_t V3_CALL getParameterCount() override { return mCount; }
  v3::ParamValueQueue* V3_CALL getParameterData(int32_t index) override;
  v3::ParamValueQueue* V3_CALL addParameterData(const v3::ParamId* id, int32_t* index) override;

  // Adds one point (a new queue for a new ID); false when full.
  bool Add(v3::ParamId id, int32_t offset, double value);
  // The last point's value of id's queue; false when there is none.
  bool LastValue(v3::ParamId id, double* value);
  void Clear() { mCount = 0; }

 private:
  Vst3ParamQueue mQueues[kMaxQueues];
  int32_t mCount = 0;
};

// What the plug-in tells the host through the component handler, in order.
struct Vst3HostEdit {
  enum Kind { kBegin, kPerform, kEnd, kRestart };
  Kind kind;
  v3::ParamId id;
  double value;  // kPerform: the value; kRestart: the flags
};

class Vst3ComponentHandler final : public v3::ComponentHandler {
 public:
  v3::Result V3_CALL queryInterface(const v3::RawId iid, void** obj) override;
  uint32_t V3_CALL addRef() override { return ++mRefs; }
  uint32_t V3_CALL release() override { return --mRefs; }
  v3::Result V3_CALL beginEdit(v3::ParamId id) override;
  v3::Result V3_CALL performEdit(v3::ParamId id, v3::ParamValue value) override;
  v3::Result V3_CALL endEdit(v3::ParamId id) override;
  v3::Result V3_CALL restartComponent(int32_t flags) override;

  std::vector<Vst3HostEdit> edits;
  uint32_t RefCount() const { return mRefs; }

 private:
  uint32_t mRefs = 1;
};

// The host context handed to initialize: the host application (its name).
class Vst3HostApplication final : public v3::HostApplication {
 public:
  v3::Result V3_CALL queryInterface(const v3::RawId iid, void** obj) override;
  uint32_t V3_CALL addRef() override { return ++mRefs; }
  uint32_t V3_CALL release() override { return --mRefs; }
  v3::Result V3_CALL getName(v3::Text128 name) override;
  v3::Result V3_CALL createInstance(v3::RawId cid, v3::RawId iid, void** obj) override;
  uint32_t RefCount() const { return mRefs; }

 private:
  uint32_t mRefs = 1;
};

// ---------------------------------------------------------------------------------------
// The module.

// True when path names a directory whose name ends in ".vst3" (a bundle).
bool IsVst3Bundle(const std::string& path);
// The binary of a bundle for this system (Contents/x86_64-linux/NAME.so or
// Contents/x86_64-win/NAME.vst3), or path itself when it is not a directory.
std::string Vst3BinaryPath(const std::string& path);

class Vst3Module {
 public:
  Vst3Module() = default;
  ~Vst3Module();  // Unload()
  Vst3Module(const Vst3Module&) = delete;
  Vst3Module& operator=(const Vst3Module&) = delete;

  // Loads a bundle (or a module file), calls its module entry (Linux) and gets the
  // factory. False with *error set when any step fails.
  bool Load(const std::string& path, std::string* error);
  // A factory entry linked into this program (in-process tests).
  bool Attach(v3::GetFactoryProc entry, std::string* error);
  // Releases the factory, calls the module exit (Linux) and unloads. Safe to repeat.
  void Unload();

  v3::Factory* Factory() const { return mFactory; }
  // The factory's answers: vendor, and the first audio-module class.
  std::string Vendor() const;
  bool FindAudioClass(v3::ClassInfo2* info) const;

 private:
  SharedLibrary mLibrary;
  bool mEntered = false;
  v3::Factory* mFactory = nullptr;
};

// ---------------------------------------------------------------------------------------
// An instance.

struct Vst3ParamDescription {
  v3::ParamId id;
  std::string title;
  std::string units;
  int32_t stepCount;
  double defaultNormalized;
  int32_t flags;
};

class Vst3Plugin {
 public:
  Vst3Plugin() = default;
  ~Vst3Plugin();  // Destroy()
  Vst3Plugin(const Vst3Plugin&) = delete;
  Vst3Plugin& operator=(const Vst3Plugin&) = delete;

  // Creates the module's first audio-module class and connects it as a host does: the
  // component initialized with our host application, the controller (the component
  // itself, or a separate instance of its controller class) initialized, given our
  // component handler and the component's state. False with *error on failure.
  bool Create(const Vst3Module& module, std::string* error);
  // setActive(0) when active, terminate, release everything. Safe to repeat.
  void Destroy();

  // Stereo buses, sample rate, block size, precision: setBusArrangements, activateBus,
  // setupProcessing (only while inactive, as hosts do). False when the plug-in refuses.
  bool Setup(double sampleRate, int maxBlock, bool doublePrecision, std::string* error);
  // setActive(1) and setProcessing(1); Deactivate undoes both. Idempotent.
  void Activate();
  void Deactivate();

  // The transport the next blocks report: tempo (none when tempoValid is false) and the
  // position, which each processed block advances.
  void SetTempo(double bpm, bool tempoValid);
  void SetPosition(int64_t samples) { mPosition = samples; }
  // No process context at all (a host that gives none).
  void SetContextGiven(bool given) { mContextGiven = given; }
  int64_t Position() const { return mPosition; }

  // A parameter change for the next block (the processor's queue, at offset) and the
  // controller's value (setParamNormalized) unless toProcessorOnly.
  bool QueueParam(v3::ParamId id, double normalized, int32_t offset = 0,
                  bool toProcessorOnly = false);
  // One block of frames: 32-bit or 64-bit per Setup. inputs / outputs: two channels each
  // (inputs may equal outputs: processing in place). Queued changes go with it and are
  // cleared. False when the plug-in did not answer kResultOk.
  bool Process(float** inputs, float** outputs, int frames);
  bool ProcessDouble(double** inputs, double** outputs, int frames);
  // A flush: no buffers, 0 samples, the queued changes.
  bool Flush();
  // What the plug-in reported in the last block's output changes.
  Vst3ParamChangeList& OutputChanges() { return mOutputChanges; }

  // Parameters through the controller.
  int ParamCount() const;
  bool ParamInfo(int index, Vst3ParamDescription* out) const;
  // Index of a title (exact, else a unique case-blind match), or -1.
  int FindParam(const std::string& title) const;
  double ParamNormalized(v3::ParamId id) const;
  std::string ParamText(v3::ParamId id, double normalized) const;
  // The plug-in's parse of a typed text; false when it refused.
  bool ParamFromText(v3::ParamId id, const std::string& text, double* normalized) const;
  // The program-change parameter's ID, or false when there is none.
  bool ProgramParam(v3::ParamId* id, int32_t* stepCount) const;

  // The program list (IUnitInfo): names in order; empty without one.
  std::vector<std::string> ProgramNames() const;

  // The component's state bytes; false when getState failed.
  bool SaveState(std::vector<unsigned char>* bytes) const;
  // setState on the component, then setComponentState on the controller (as a host
  // restoring a session). The component's result.
  v3::Result LoadState(const std::vector<unsigned char>& bytes);

  uint32_t Latency() const;
  uint32_t Tail() const;
  int InputChannels() const { return mInputChannels; }
  int OutputChannels() const { return mOutputChannels; }
  bool SingleClass() const { return mSingleClass; }

  v3::Component* Component() const { return mComponent; }
  v3::AudioProcessor* Processor() const { return mProcessor; }
  v3::EditController* Controller() const { return mController; }
  Vst3ComponentHandler& Handler() { return mHandler; }
  Vst3HostApplication& Application() { return mApplication; }

 private:
  bool RunProcess(int32_t sampleSize, void** inputs, void** outputs, int frames);

  Vst3HostApplication mApplication;
  Vst3ComponentHandler mHandler;
  v3::Component* mComponent = nullptr;
  v3::AudioProcessor* mProcessor = nullptr;
  v3::EditController* mController = nullptr;
  bool mSingleClass = false;
  bool mControllerInitialized = false;
  bool mActive = false;
  int32_t mSampleSize = v3::kSample32;
  double mSampleRate = 44100.0;
  int mMaxBlock = 0;
  int mInputChannels = 0;
  int mOutputChannels = 0;
  double mTempo = 120.0;
  bool mTempoValid = true;
  bool mContextGiven = true;
  int64_t mPosition = 0;
  v3::ProcessContext mContext = {};
  Vst3ParamChangeList mInputChanges;
  Vst3ParamChangeList mOutputChanges;
};

// UTF-16 text as UTF-8 (host side).
std::string Vst3Utf8(const char16_t* text, int maxUnits);
