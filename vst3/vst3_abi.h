// The VST 3 binary interface between a host and a plug-in, as far as this project uses it:
// result codes, interface identifiers, the interfaces (pure virtual classes whose slot
// order is the binary contract), the records passed through them and their constants.
// Written for this project from the measured facts in our notes; the names are ours, only
// the layouts, slot orders and numbers are the contract. Natural alignment on 64-bit
// targets (both Linux and Windows lay the records out the same way there).
//
// Rules every user of these interfaces follows (the host side and the plug-in side):
// - An object hands out one reference when it is created (the factory, createInstance,
//   createView); queryInterface adds one on success and answers null and kNoInterface
//   otherwise; what an argument points at is borrowed (addRef what you keep).
// - Identifiers are compared on all 16 bytes. Their byte order differs between Windows
//   (GUID layout) and the other systems; IdFromWords builds the right one.
// - A result is tested against kResultOk, never by its sign (the values differ per OS).
//
// Threading: none of its own; each interface's user documents its threads.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define V3_CALL __stdcall
#define V3_GUID_LAYOUT 1
#else
#define V3_CALL
#define V3_GUID_LAYOUT 0
#endif

namespace v3 {

using Result = int32_t;
using ParamId = uint32_t;
using ParamValue = double;
using SpeakerMask = uint64_t;
// UTF-16 text of at most 127 code units and a terminator.
using Text128 = char16_t[128];
// An interface or class identifier as passed through the interfaces: 16 raw bytes.
using RawId = char[16];

// ---------------------------------------------------------------------------------------
// Results

#if V3_GUID_LAYOUT
constexpr Result kNoInterface = static_cast<Result>(0x80004002u);
constexpr Result kResultOk = 0;
constexpr Result kResultFalse = 1;
constexpr Result kInvalidArgument = static_cast<Result>(0x80070057u);
constexpr Result kNotImplemented = static_cast<Result>(0x80004001u);
constexpr Result kInternalError = static_cast<Result>(0x80004005u);
constexpr Result kNotInitialized = static_cast<Result>(0x8000FFFFu);
constexpr Result kOutOfMemory = static_cast<Result>(0x8007000Eu);
#else
constexpr Result kNoInterface = -1;
constexpr Result kResultOk = 0;
constexpr Result kResultFalse = 1;
constexpr Result kInvalidArgument = 2;
constexpr Result kNotImplemented = 3;
constexpr Result kInternalError = 4;
constexpr Result kNotInitialized = 5;
constexpr Result kOutOfMemory = 6;
#endif
constexpr Result kResultTrue = kResultOk;

// ---------------------------------------------------------------------------------------
// Identifiers

struct Id {
  unsigned char bytes[16];
};

// The 16 bytes of the identifier written as the words l1 l2 l3 l4: each word big-endian,
// or (guidLayout) l1 little-endian, the halves of l2 each little-endian, l3 and l4
// big-endian.
constexpr Id IdFromWordsIn(uint32_t l1, uint32_t l2, uint32_t l3, uint32_t l4, bool guidLayout) {
  Id id{};
  const uint32_t words[4] = {l1, l2, l3, l4};
  for (int w = 0; w < 4; ++w) {
    for (int i = 0; i < 4; ++i) id.bytes[w * 4 + i] = static_cast<unsigned char>(words[w] >> (24 - 8 * i));
  }
  if (guidLayout) {
    for (int i = 0; i < 4; ++i) id.bytes[i] = static_cast<unsigned char>(l1 >> (8 * i));
    id.bytes[4] = static_cast<unsigned char>(l2 >> 16);
    id.bytes[5] = static_cast<unsigned char>(l2 >> 24);
    id.bytes[6] = static_cast<unsigned char>(l2);
    id.bytes[7] = static_cast<unsigned char>(l2 >> 8);
  }
  return id;
}

// The identifier in this system's byte order.
constexpr Id IdFromWords(uint32_t l1, uint32_t l2, uint32_t l3, uint32_t l4) {
  return IdFromWordsIn(l1, l2, l3, l4, V3_GUID_LAYOUT != 0);
}

// True when the 16 bytes at raw are id (false for null).
inline bool SameId(const void* raw, const Id& id) {
  if (!raw) return false;
  const unsigned char* p = static_cast<const unsigned char*>(raw);
  for (int i = 0; i < 16; ++i) {
    if (p[i] != id.bytes[i]) return false;
  }
  return true;
}

inline const char* AsRaw(const Id& id) { return reinterpret_cast<const char*>(id.bytes); }

// ---------------------------------------------------------------------------------------
// Constants

// Media types, bus directions, bus types and flags.
constexpr int32_t kAudio = 0;
constexpr int32_t kEvent = 1;
constexpr int32_t kInput = 0;
constexpr int32_t kOutput = 1;
constexpr int32_t kMainBus = 0;
constexpr uint32_t kBusDefaultActive = 1;
constexpr SpeakerMask kSpeakerStereo = 3;

// Process modes and sample sizes.
constexpr int32_t kRealtime = 0;
constexpr int32_t kPrefetch = 1;
constexpr int32_t kOffline = 2;
constexpr int32_t kSample32 = 0;
constexpr int32_t kSample64 = 1;

// ProcessContext::state bits.
constexpr uint32_t kPlaying = 1u << 1;
constexpr uint32_t kProjectTimeMusicValid = 1u << 9;
constexpr uint32_t kTempoValid = 1u << 10;
constexpr uint32_t kTimeSigValid = 1u << 13;

// ContextRequirements answers.
constexpr uint32_t kNeedTempo = 1u << 6;
constexpr uint32_t kNeedTimeSignature = 1u << 7;

// ParamInfo flags.
constexpr int32_t kCanAutomate = 1 << 0;
constexpr int32_t kIsReadOnly = 1 << 1;
constexpr int32_t kIsList = 1 << 3;
constexpr int32_t kIsHidden = 1 << 4;
constexpr int32_t kIsProgramChange = 1 << 15;
constexpr int32_t kIsBypass = 1 << 16;

// Units and program lists.
constexpr int32_t kRootUnitId = 0;
constexpr int32_t kNoParentUnitId = -1;
constexpr int32_t kNoProgramListId = -1;

// ComponentHandler::restartComponent flags.
constexpr int32_t kParamValuesChanged = 1 << 2;
constexpr int32_t kLatencyChanged = 1 << 3;

// Factory and class flags, cardinality.
constexpr int32_t kFactoryUnicode = 1 << 4;
constexpr int32_t kManyInstances = 0x7FFFFFFF;

// Stream seek modes.
constexpr int32_t kSeekSet = 0;
constexpr int32_t kSeekCur = 1;
constexpr int32_t kSeekEnd = 2;

// Tail lengths.
constexpr uint32_t kNoTail = 0;
constexpr uint32_t kInfiniteTail = 0xFFFFFFFFu;

constexpr const char* kAudioModuleClass = "Audio Module Class";
constexpr const char* kEditorViewType = "editor";
constexpr const char* kX11WindowType = "X11EmbedWindowID";
constexpr const char* kHwndType = "HWND";

// ---------------------------------------------------------------------------------------
// Records (64-bit offsets checked below)

struct FactoryInfo {
  char vendor[64];
  char url[256];
  char email[128];
  int32_t flags;
};

struct ClassInfo {
  RawId cid;
  int32_t cardinality;
  char category[32];
  char name[64];
};

struct ClassInfo2 {
  RawId cid;
  int32_t cardinality;
  char category[32];
  char name[64];
  uint32_t classFlags;
  char subCategories[128];
  char vendor[64];
  char version[64];
  char sdkVersion[64];
};

struct ClassInfoW {
  RawId cid;
  int32_t cardinality;
  char category[32];
  char16_t name[64];
  uint32_t classFlags;
  char subCategories[128];
  char16_t vendor[64];
  char16_t version[64];
  char16_t sdkVersion[64];
};

struct BusInfo {
  int32_t mediaType;
  int32_t direction;
  int32_t channelCount;
  Text128 name;
  int32_t busType;
  uint32_t flags;
};

struct RoutingInfo {
  int32_t mediaType;
  int32_t busIndex;
  int32_t channel;
};

struct ProcessSetup {
  int32_t processMode;
  int32_t symbolicSampleSize;
  int32_t maxSamplesPerBlock;
  double sampleRate;
};

struct AudioBuffers {
  int32_t numChannels;
  uint64_t silenceFlags;
  union {
    float** channels32;
    double** channels64;
  };
};

class ParamChanges;
class EventList;
struct ProcessContext;

struct ProcessData {
  int32_t processMode;
  int32_t symbolicSampleSize;
  int32_t numSamples;
  int32_t numInputs;
  int32_t numOutputs;
  AudioBuffers* inputs;
  AudioBuffers* outputs;
  ParamChanges* inputParameterChanges;
  ParamChanges* outputParameterChanges;
  EventList* inputEvents;
  EventList* outputEvents;
  ProcessContext* processContext;
};

struct ProcessContext {
  uint32_t state;
  double sampleRate;
  int64_t projectTimeSamples;
  int64_t systemTime;
  int64_t continuousTimeSamples;
  double projectTimeMusic;
  double barPositionMusic;
  double cycleStartMusic;
  double cycleEndMusic;
  double tempo;
  int32_t timeSigNumerator;
  int32_t timeSigDenominator;
  uint8_t chordKeyNote;
  uint8_t chordRootNote;
  int16_t chordMask;
  int32_t smpteOffsetSubframes;
  uint32_t frameRateFramesPerSecond;
  uint32_t frameRateFlags;
  int32_t samplesToNextClock;
};

struct ParamInfo {
  ParamId id;
  Text128 title;
  Text128 shortTitle;
  Text128 units;
  int32_t stepCount;
  ParamValue defaultNormalizedValue;
  int32_t unitId;
  int32_t flags;
};

struct UnitDesc {
  int32_t id;
  int32_t parentUnitId;
  Text128 name;
  int32_t programListId;
};

struct ProgramListDesc {
  int32_t id;
  Text128 name;
  int32_t programCount;
};

struct Rect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

// ---------------------------------------------------------------------------------------
// Interfaces. (h) marks those the host implements. Each declares its identifier as kId.

class Unknown {
 public:
  static constexpr Id kId = IdFromWords(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
  virtual Result V3_CALL queryInterface(const RawId iid, void** obj) = 0;
  virtual uint32_t V3_CALL addRef() = 0;
  virtual uint32_t V3_CALL release() = 0;
};

class PluginBase : public Unknown {
 public:
  static constexpr Id kId = IdFromWords(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
  virtual Result V3_CALL initialize(Unknown* context) = 0;
  virtual Result V3_CALL terminate() = 0;
};

class Factory : public Unknown {
 public:
  static constexpr Id kId = IdFromWords(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
  virtual Result V3_CALL getFactoryInfo(FactoryInfo* info) = 0;
  virtual int32_t V3_CALL countClasses() = 0;
  virtual Result V3_CALL getClassInfo(int32_t index, ClassInfo* info) = 0;
  // cid and iid are raw identifiers.
  virtual Result V3_CALL createInstance(const char* cid, const char* iid, void** obj) = 0;
};

class Factory2 : public Factory {
 public:
  static constexpr Id kId = IdFromWords(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
  virtual Result V3_CALL getClassInfo2(int32_t index, ClassInfo2* info) = 0;
};

class Factory3 : public Factory2 {
 public:
  static constexpr Id kId = IdFromWords(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
  virtual Result V3_CALL getClassInfoUnicode(int32_t index, ClassInfoW* info) = 0;
  virtual Result V3_CALL setHostContext(Unknown* context) = 0;
};

class Stream;  // (h)

class Component : public PluginBase {
 public:
  static constexpr Id kId = IdFromWords(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
  virtual Result V3_CALL getControllerClassId(RawId classId) = 0;
  virtual Result V3_CALL setIoMode(int32_t mode) = 0;
  virtual int32_t V3_CALL getBusCount(int32_t type, int32_t direction) = 0;
  virtual Result V3_CALL getBusInfo(int32_t type, int32_t direction, int32_t index,
                                    BusInfo* info) = 0;
  virtual Result V3_CALL getRoutingInfo(RoutingInfo* in, RoutingInfo* out) = 0;
  virtual Result V3_CALL activateBus(int32_t type, int32_t direction, int32_t index,
                                     uint8_t state) = 0;
  virtual Result V3_CALL setActive(uint8_t state) = 0;
  virtual Result V3_CALL setState(Stream* state) = 0;
  virtual Result V3_CALL getState(Stream* state) = 0;
};

class AudioProcessor : public Unknown {
 public:
  static constexpr Id kId = IdFromWords(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
  virtual Result V3_CALL setBusArrangements(SpeakerMask* inputs, int32_t numIns,
                                            SpeakerMask* outputs, int32_t numOuts) = 0;
  virtual Result V3_CALL getBusArrangement(int32_t direction, int32_t index,
                                           SpeakerMask* arrangement) = 0;
  virtual Result V3_CALL canProcessSampleSize(int32_t symbolicSampleSize) = 0;
  virtual uint32_t V3_CALL getLatencySamples() = 0;
  virtual Result V3_CALL setupProcessing(ProcessSetup* setup) = 0;
  virtual Result V3_CALL setProcessing(uint8_t state) = 0;
  virtual Result V3_CALL process(ProcessData* data) = 0;
  virtual uint32_t V3_CALL getTailSamples() = 0;
};

class ContextRequirements : public Unknown {
 public:
  static constexpr Id kId = IdFromWords(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
  virtual uint32_t V3_CALL getProcessContextRequirements() = 0;
};

class ComponentHandler;  // (h)
class PlugView;

class EditController : public PluginBase {
 public:
  static constexpr Id kId = IdFromWords(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
  virtual Result V3_CALL setComponentState(Stream* state) = 0;
  virtual Result V3_CALL setState(Stream* state) = 0;
  virtual Result V3_CALL getState(Stream* state) = 0;
  virtual int32_t V3_CALL getParameterCount() = 0;
  virtual Result V3_CALL getParameterInfo(int32_t index, ParamInfo* info) = 0;
  virtual Result V3_CALL getParamStringByValue(ParamId id, ParamValue normalized,
                                               Text128 text) = 0;
  virtual Result V3_CALL getParamValueByString(ParamId id, char16_t* text,
                                               ParamValue* normalized) = 0;
  virtual ParamValue V3_CALL normalizedParamToPlain(ParamId id, ParamValue normalized) = 0;
  virtual ParamValue V3_CALL plainParamToNormalized(ParamId id, ParamValue plain) = 0;
  virtual ParamValue V3_CALL getParamNormalized(ParamId id) = 0;
  virtual Result V3_CALL setParamNormalized(ParamId id, ParamValue value) = 0;
  virtual Result V3_CALL setComponentHandler(ComponentHandler* handler) = 0;
  virtual PlugView* V3_CALL createView(const char* name) = 0;
};

class UnitInfo : public Unknown {
 public:
  static constexpr Id kId = IdFromWords(0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1);
  virtual int32_t V3_CALL getUnitCount() = 0;
  virtual Result V3_CALL getUnitInfo(int32_t index, UnitDesc* info) = 0;
  virtual int32_t V3_CALL getProgramListCount() = 0;
  virtual Result V3_CALL getProgramListInfo(int32_t index, ProgramListDesc* info) = 0;
  virtual Result V3_CALL getProgramName(int32_t listId, int32_t index, Text128 name) = 0;
  virtual Result V3_CALL getProgramInfo(int32_t listId, int32_t index, const char* attribute,
                                        Text128 value) = 0;
  virtual Result V3_CALL hasProgramPitchNames(int32_t listId, int32_t index) = 0;
  virtual Result V3_CALL getProgramPitchName(int32_t listId, int32_t index, int16_t pitch,
                                             Text128 name) = 0;
  virtual int32_t V3_CALL getSelectedUnit() = 0;
  virtual Result V3_CALL selectUnit(int32_t unitId) = 0;
  virtual Result V3_CALL getUnitByBus(int32_t type, int32_t direction, int32_t busIndex,
                                      int32_t channel, int32_t* unitId) = 0;
  virtual Result V3_CALL setUnitProgramData(int32_t listOrUnitId, int32_t index,
                                            Stream* data) = 0;
};

class ComponentHandler : public Unknown {  // (h)
 public:
  static constexpr Id kId = IdFromWords(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
  virtual Result V3_CALL beginEdit(ParamId id) = 0;
  virtual Result V3_CALL performEdit(ParamId id, ParamValue normalized) = 0;
  virtual Result V3_CALL endEdit(ParamId id) = 0;
  virtual Result V3_CALL restartComponent(int32_t flags) = 0;
};

class HostApplication : public Unknown {  // (h)
 public:
  static constexpr Id kId = IdFromWords(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
  virtual Result V3_CALL getName(Text128 name) = 0;
  virtual Result V3_CALL createInstance(RawId cid, RawId iid, void** obj) = 0;
};

class Stream : public Unknown {  // (h)
 public:
  static constexpr Id kId = IdFromWords(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
  // The out-pointers may be null.
  virtual Result V3_CALL read(void* buffer, int32_t numBytes, int32_t* numBytesRead) = 0;
  virtual Result V3_CALL write(void* buffer, int32_t numBytes, int32_t* numBytesWritten) = 0;
  virtual Result V3_CALL seek(int64_t pos, int32_t mode, int64_t* result) = 0;
  virtual Result V3_CALL tell(int64_t* pos) = 0;
};

class ParamValueQueue : public Unknown {  // (h)
 public:
  static constexpr Id kId = IdFromWords(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
  virtual ParamId V3_CALL getParameterId() = 0;
  virtual int32_t V3_CALL getPointCount() = 0;
  virtual Result V3_CALL getPoint(int32_t index, int32_t* sampleOffset, ParamValue* value) = 0;
  virtual Result V3_CALL addPoint(int32_t sampleOffset, ParamValue value, int32_t* index) = 0;
};

class ParamChanges : public Unknown {  // (h)
 public:
  static constexpr Id kId = IdFromWords(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
  virtual int32_t V3_CALL getParameterCount() = 0;
  // Borrowed pointers.
  virtual ParamValueQueue* V3_CALL getParameterData(int32_t index) = 0;
  virtual ParamValueQueue* V3_CALL addParameterData(const ParamId* id, int32_t* index) = 0;
};

class EventList : public Unknown {  // (h); an effect without an event bus ignores it
 public:
  static constexpr Id kId = IdFromWords(0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44);
};

class PlugFrame;  // (h)

class PlugView : public Unknown {
 public:
  static constexpr Id kId = IdFromWords(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
  virtual Result V3_CALL isPlatformTypeSupported(const char* type) = 0;
  virtual Result V3_CALL attached(void* parent, const char* type) = 0;
  virtual Result V3_CALL removed() = 0;
  virtual Result V3_CALL onWheel(float distance) = 0;
  virtual Result V3_CALL onKeyDown(char16_t key, int16_t keyCode, int16_t modifiers) = 0;
  virtual Result V3_CALL onKeyUp(char16_t key, int16_t keyCode, int16_t modifiers) = 0;
  virtual Result V3_CALL getSize(Rect* size) = 0;
  virtual Result V3_CALL onSize(Rect* newSize) = 0;
  virtual Result V3_CALL onFocus(uint8_t state) = 0;
  virtual Result V3_CALL setFrame(PlugFrame* frame) = 0;
  virtual Result V3_CALL canResize() = 0;
  virtual Result V3_CALL checkSizeConstraint(Rect* rect) = 0;
};

class PlugFrame : public Unknown {  // (h)
 public:
  static constexpr Id kId = IdFromWords(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
  virtual Result V3_CALL resizeView(PlugView* view, Rect* newSize) = 0;
};

class ContentScaleSupport : public Unknown {
 public:
  static constexpr Id kId = IdFromWords(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);
  virtual Result V3_CALL setContentScaleFactor(float factor) = 0;
};

// Linux: the host's run loop, offered by its frame (some hosts: also its context).
class EventHandler : public Unknown {
 public:
  static constexpr Id kId = IdFromWords(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
  virtual void V3_CALL onFDIsSet(int fd) = 0;
};

class TimerHandler : public Unknown {
 public:
  static constexpr Id kId = IdFromWords(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);
  virtual void V3_CALL onTimer() = 0;
};

class RunLoop : public Unknown {  // (h)
 public:
  static constexpr Id kId = IdFromWords(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
  virtual Result V3_CALL registerEventHandler(EventHandler* handler, int fd) = 0;
  virtual Result V3_CALL unregisterEventHandler(EventHandler* handler) = 0;
  virtual Result V3_CALL registerTimer(TimerHandler* handler, uint64_t milliseconds) = 0;
  virtual Result V3_CALL unregisterTimer(TimerHandler* handler) = 0;
};

// The module's entry point.
using GetFactoryProc = Factory* (V3_CALL*)();

// ---------------------------------------------------------------------------------------
// Layout checks (64-bit targets).

static_assert(sizeof(char16_t) == 2, "UTF-16 code units");
#if INTPTR_MAX == INT64_MAX
static_assert(sizeof(FactoryInfo) == 452, "FactoryInfo");
static_assert(sizeof(ClassInfo) == 116 && offsetof(ClassInfo, name) == 52, "ClassInfo");
static_assert(sizeof(ClassInfo2) == 440 && offsetof(ClassInfo2, classFlags) == 116 &&
                  offsetof(ClassInfo2, sdkVersion) == 376,
              "ClassInfo2");
static_assert(sizeof(ClassInfoW) == 696 && offsetof(ClassInfoW, name) == 52 &&
                  offsetof(ClassInfoW, classFlags) == 180 &&
                  offsetof(ClassInfoW, vendor) == 312 && offsetof(ClassInfoW, sdkVersion) == 568,
              "ClassInfoW");
static_assert(sizeof(BusInfo) == 276 && offsetof(BusInfo, busType) == 268, "BusInfo");
static_assert(sizeof(RoutingInfo) == 12, "RoutingInfo");
static_assert(sizeof(ProcessSetup) == 24 && offsetof(ProcessSetup, sampleRate) == 16,
              "ProcessSetup");
static_assert(sizeof(AudioBuffers) == 24 && offsetof(AudioBuffers, silenceFlags) == 8 &&
                  offsetof(AudioBuffers, channels32) == 16,
              "AudioBuffers");
static_assert(sizeof(ProcessData) == 80 && offsetof(ProcessData, inputs) == 24 &&
                  offsetof(ProcessData, inputParameterChanges) == 40 &&
                  offsetof(ProcessData, processContext) == 72,
              "ProcessData");
static_assert(sizeof(ProcessContext) == 112 && offsetof(ProcessContext, tempo) == 72 &&
                  offsetof(ProcessContext, timeSigNumerator) == 80 &&
                  offsetof(ProcessContext, chordKeyNote) == 88 &&
                  offsetof(ProcessContext, smpteOffsetSubframes) == 92 &&
                  offsetof(ProcessContext, frameRateFramesPerSecond) == 96 &&
                  offsetof(ProcessContext, samplesToNextClock) == 104,
              "ProcessContext");
static_assert(sizeof(ParamInfo) == 792 && offsetof(ParamInfo, stepCount) == 772 &&
                  offsetof(ParamInfo, defaultNormalizedValue) == 776 &&
                  offsetof(ParamInfo, flags) == 788,
              "ParamInfo");
static_assert(sizeof(UnitDesc) == 268 && offsetof(UnitDesc, programListId) == 264, "UnitDesc");
static_assert(sizeof(ProgramListDesc) == 264 && offsetof(ProgramListDesc, programCount) == 260,
              "ProgramListDesc");
static_assert(sizeof(Rect) == 16, "Rect");
#endif

}  // namespace v3
