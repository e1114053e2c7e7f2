// The CLAP binary interface as this project uses it: the entry record, the plug-in factory,
// the plug-in and host records, processing, events and transport, and the extensions we
// offer or ask for, with their identifier strings. Only what the adapter (clap/) and our
// own host (tools/host/clap_host) use is declared; the names are ours, the layouts and
// numbers are the format's (natural alignment, 1-byte bool, x86-64 sizes, the same on
// Win64; the size checks at the end hold every record to them).
//
// Calling convention: every function pointer uses the platform's default C convention
// (the only one on x86-64).
//
// Threading: declarations only. Which thread may call what is stated per function:
// [main] the host's main thread, [audio] the audio thread (a role, not a fixed OS thread),
// [thread-safe] any thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace clapabi {

using Id = uint32_t;
constexpr Id kInvalidId = UINT32_MAX;
constexpr int kNameSize = 256;
constexpr int kPathSize = 1024;

struct Version {
  uint32_t major;
  uint32_t minor;
  uint32_t revision;
};
// The version this project's records are written for. Hosts speaking any 1.x load them.
constexpr Version kVersion = {1, 2, 10};
inline bool IsCompatible(const Version& v) { return v.major >= 1; }

// Fixed-point musical and real time: value * 2^31.
constexpr double kTimeFactor = 2147483648.0;

struct Plugin;
struct Host;
struct Process;

// ----------------------------------------------------------------------------------------
// Module entry and factory.

// The module's one exported data symbol, named "clap_entry".
struct PluginEntry {
  Version version;
  // Any thread, never concurrently with another call; may be called more than once.
  bool (*init)(const char* pluginPath);
  void (*deinit)();
  // [thread-safe] Null for an unknown factory id.
  const void* (*getFactory)(const char* factoryId);
};

struct PluginDescriptor {
  Version version;
  const char* id;
  const char* name;
  const char* vendor;
  const char* url;
  const char* manualUrl;
  const char* supportUrl;
  const char* versionText;
  const char* description;
  // Null-terminated.
  const char* const* features;
};

constexpr const char* kPluginFactoryId = "clap.plugin-factory";

// [thread-safe]
struct PluginFactory {
  uint32_t (*getPluginCount)(const PluginFactory* factory);
  const PluginDescriptor* (*getPluginDescriptor)(const PluginFactory* factory, uint32_t index);
  // Null on error. host stays valid until after the plug-in's destroy; the plug-in must not
  // call it from inside this function.
  const Plugin* (*createPlugin)(const PluginFactory* factory, const Host* host,
                                const char* pluginId);
};

// ----------------------------------------------------------------------------------------
// The plug-in and the host.

struct Plugin {
  const PluginDescriptor* desc;
  void* pluginData;
  bool (*init)(const Plugin* plugin);                          // [main]
  void (*destroy)(const Plugin* plugin);                       // [main], inactive
  bool (*activate)(const Plugin* plugin, double sampleRate, uint32_t minFrames,
                   uint32_t maxFrames);                        // [main], inactive
  void (*deactivate)(const Plugin* plugin);                    // [main], active
  bool (*startProcessing)(const Plugin* plugin);               // [audio], active
  void (*stopProcessing)(const Plugin* plugin);                // [audio], processing
  void (*reset)(const Plugin* plugin);                         // [audio], active
  int32_t (*process)(const Plugin* plugin, const Process* p);  // [audio], processing
  const void* (*getExtension)(const Plugin* plugin, const char* id);  // [thread-safe]
  void (*onMainThread)(const Plugin* plugin);                  // [main]
};

// Every function [thread-safe].
struct Host {
  Version version;
  void* hostData;
  const char* name;
  const char* vendor;
  const char* url;
  const char* versionText;
  // Not before the plug-in's init.
  const void* (*getExtension)(const Host* host, const char* id);
  void (*requestRestart)(const Host* host);
  void (*requestProcess)(const Host* host);
  // Leads to the plug-in's onMainThread.
  void (*requestCallback)(const Host* host);
};

// ----------------------------------------------------------------------------------------
// Processing.

enum ProcessStatus : int32_t {
  kProcessError = 0,
  kProcessContinue = 1,
  kProcessContinueIfNotQuiet = 2,
  kProcessTail = 3,
  kProcessSleep = 4,
};

constexpr uint16_t kCoreEventSpace = 0;

enum EventType : uint16_t {
  kEventParamValue = 5,
  kEventParamMod = 6,
  kEventParamGestureBegin = 7,
  kEventParamGestureEnd = 8,
  kEventTransport = 9,
};

enum EventFlags : uint32_t { kEventIsLive = 1, kEventDontRecord = 2 };

struct EventHeader {
  uint32_t size;  // of the whole event
  uint32_t time;  // sample offset within the block
  uint16_t spaceId;
  uint16_t type;
  uint32_t flags;
};

// PARAM_VALUE (and PARAM_MOD, whose last field is the modulation amount).
struct EventParamValue {
  EventHeader header;
  Id paramId;
  void* cookie;
  int32_t noteId;
  int16_t portIndex;
  int16_t channel;
  int16_t key;
  double value;  // plain value
};

// PARAM_GESTURE_BEGIN and PARAM_GESTURE_END.
struct EventParamGesture {
  EventHeader header;
  Id paramId;
};

enum TransportFlags : uint32_t {
  kTransportHasTempo = 1,
  kTransportHasBeatsTimeline = 2,
  kTransportHasSecondsTimeline = 4,
  kTransportHasTimeSignature = 8,
  kTransportIsPlaying = 16,
  kTransportIsRecording = 32,
  kTransportIsLoopActive = 64,
  kTransportIsWithinPreRoll = 128,
};

struct EventTransport {
  EventHeader header;
  uint32_t flags;
  int64_t songPosBeats;    // fixed point
  int64_t songPosSeconds;  // fixed point
  double tempo;            // BPM
  double tempoInc;         // per sample
  int64_t loopStartBeats;
  int64_t loopEndBeats;
  int64_t loopStartSeconds;
  int64_t loopEndSeconds;
  int64_t barStart;
  int32_t barNumber;
  uint16_t timeSignatureNumerator;
  uint16_t timeSignatureDenominator;
};

// Sorted by time.
struct InputEvents {
  void* ctx;
  uint32_t (*size)(const InputEvents* list);
  const EventHeader* (*get)(const InputEvents* list, uint32_t index);
};

// Pushed in time order; the host copies each event.
struct OutputEvents {
  void* ctx;
  bool (*tryPush)(const OutputEvents* list, const EventHeader* event);
};

// Only one of data32 and data64 is set.
struct AudioBuffer {
  float** data32;
  double** data64;
  uint32_t channelCount;
  uint32_t latency;
  uint64_t constantMask;
};

struct Process {
  int64_t steadyTime;  // -1 when unknown
  uint32_t framesCount;
  // The transport at the block's first sample; null for a free-running host.
  const EventTransport* transport;
  const AudioBuffer* audioInputs;
  AudioBuffer* audioOutputs;
  uint32_t audioInputsCount;
  uint32_t audioOutputsCount;
  const InputEvents* inEvents;
  const OutputEvents* outEvents;
};

// ----------------------------------------------------------------------------------------
// Plug-in extensions (first argument the plug-in; [main] unless noted).

constexpr const char* kExtAudioPorts = "clap.audio-ports";
constexpr const char* kExtParams = "clap.params";
constexpr const char* kExtState = "clap.state";
constexpr const char* kExtGui = "clap.gui";
constexpr const char* kExtLatency = "clap.latency";
constexpr const char* kExtTail = "clap.tail";
constexpr const char* kExtTimerSupport = "clap.timer-support";
constexpr const char* kExtPosixFdSupport = "clap.posix-fd-support";
// Host-only extensions.
constexpr const char* kExtLog = "clap.log";
constexpr const char* kExtThreadCheck = "clap.thread-check";

enum AudioPortFlags : uint32_t {
  kPortIsMain = 1,
  kPortSupports64Bits = 2,
  kPortPrefers64Bits = 4,
  kPortRequiresCommonSampleSize = 8,
};

struct AudioPortInfo {
  Id id;
  char name[kNameSize];
  uint32_t flags;
  uint32_t channelCount;
  const char* portType;  // "mono", "stereo" or null
  Id inPlacePair;
};

struct PluginAudioPorts {
  uint32_t (*count)(const Plugin* plugin, bool isInput);
  bool (*get)(const Plugin* plugin, uint32_t index, bool isInput, AudioPortInfo* info);
};

enum ParamFlags : uint32_t {
  kParamIsStepped = 1,
  kParamIsPeriodic = 2,
  kParamIsHidden = 4,
  kParamIsReadonly = 8,
  kParamIsBypass = 0x10,
  kParamIsAutomatable = 0x20,
  kParamIsModulatable = 0x400,
  kParamRequiresProcess = 0x8000,
  kParamIsEnum = 0x10000,
};

struct ParamInfo {
  Id id;
  uint32_t flags;
  void* cookie;
  char name[kNameSize];
  char module[kPathSize];
  double minValue;
  double maxValue;
  double defaultValue;
};

struct PluginParams {
  uint32_t (*count)(const Plugin* plugin);
  bool (*getInfo)(const Plugin* plugin, uint32_t index, ParamInfo* info);
  bool (*getValue)(const Plugin* plugin, Id id, double* value);
  bool (*valueToText)(const Plugin* plugin, Id id, double value, char* out, uint32_t capacity);
  bool (*textToValue)(const Plugin* plugin, Id id, const char* text, double* value);
  // [audio] while active, else [main]; never concurrently with process.
  void (*flush)(const Plugin* plugin, const InputEvents* in, const OutputEvents* out);
};

// Both return bytes transferred (possibly fewer than asked), 0 at the end of the stream,
// -1 on error.
struct IStream {
  void* ctx;
  int64_t (*read)(const IStream* stream, void* buffer, uint64_t size);
};
struct OStream {
  void* ctx;
  int64_t (*write)(const OStream* stream, const void* buffer, uint64_t size);
};

struct PluginState {
  bool (*save)(const Plugin* plugin, const OStream* stream);
  bool (*load)(const Plugin* plugin, const IStream* stream);
};

constexpr const char* kWindowApiX11 = "x11";
constexpr const char* kWindowApiWin32 = "win32";

struct Window {
  const char* api;
  union {
    void* cocoa;
    unsigned long x11;
    void* win32;
    void* ptr;
  };
};

struct GuiResizeHints {
  bool canResizeHorizontally;
  bool canResizeVertically;
  bool preserveAspectRatio;
  uint32_t aspectRatioWidth;
  uint32_t aspectRatioHeight;
};

struct PluginGui {
  bool (*isApiSupported)(const Plugin* plugin, const char* api, bool isFloating);
  bool (*getPreferredApi)(const Plugin* plugin, const char** api, bool* isFloating);
  bool (*create)(const Plugin* plugin, const char* api, bool isFloating);
  void (*destroy)(const Plugin* plugin);
  bool (*setScale)(const Plugin* plugin, double scale);
  bool (*getSize)(const Plugin* plugin, uint32_t* width, uint32_t* height);
  bool (*canResize)(const Plugin* plugin);
  bool (*getResizeHints)(const Plugin* plugin, GuiResizeHints* hints);
  bool (*adjustSize)(const Plugin* plugin, uint32_t* width, uint32_t* height);
  bool (*setSize)(const Plugin* plugin, uint32_t width, uint32_t height);
  bool (*setParent)(const Plugin* plugin, const Window* window);
  bool (*setTransient)(const Plugin* plugin, const Window* window);
  void (*suggestTitle)(const Plugin* plugin, const char* title);
  bool (*show)(const Plugin* plugin);
  bool (*hide)(const Plugin* plugin);
};

struct PluginLatency {
  uint32_t (*get)(const Plugin* plugin);  // during or after activation
};

struct PluginTail {
  uint32_t (*get)(const Plugin* plugin);  // [main, audio]; >= INT32_MAX: infinite
};

struct PluginTimerSupport {
  void (*onTimer)(const Plugin* plugin, Id timerId);
};

enum FdFlags : uint32_t { kFdRead = 1, kFdWrite = 2, kFdError = 4 };

struct PluginPosixFdSupport {
  void (*onFd)(const Plugin* plugin, int fd, uint32_t flags);  // level-triggered
};

// ----------------------------------------------------------------------------------------
// Host extensions (first argument the host).

enum LogSeverity : int32_t {
  kLogDebug = 0,
  kLogInfo = 1,
  kLogWarning = 2,
  kLogError = 3,
  kLogFatal = 4,
  kLogHostMisbehaving = 5,
  kLogPluginMisbehaving = 6,
};

struct HostLog {
  void (*log)(const Host* host, int32_t severity, const char* message);  // [thread-safe]
};

struct HostThreadCheck {
  bool (*isMainThread)(const Host* host);   // [thread-safe]
  bool (*isAudioThread)(const Host* host);  // [thread-safe]
};

enum ParamRescanFlags : uint32_t {
  kParamRescanValues = 1,
  kParamRescanText = 2,
  kParamRescanInfo = 4,
  kParamRescanAll = 8,
};

struct HostParams {
  void (*rescan)(const Host* host, uint32_t flags);                 // [main]
  void (*clear)(const Host* host, Id paramId, uint32_t flags);      // [main]
  void (*requestFlush)(const Host* host);                           // [thread-safe, !audio]
};

struct HostState {
  void (*markDirty)(const Host* host);  // [main]
};

// Every function [thread-safe].
struct HostGui {
  void (*resizeHintsChanged)(const Host* host);
  bool (*requestResize)(const Host* host, uint32_t width, uint32_t height);
  bool (*requestShow)(const Host* host);
  bool (*requestHide)(const Host* host);
  void (*closed)(const Host* host, bool wasDestroyed);
};

struct HostTimerSupport {
  bool (*registerTimer)(const Host* host, uint32_t periodMs, Id* timerId);  // [main]
  bool (*unregisterTimer)(const Host* host, Id timerId);                    // [main]
};

struct HostPosixFdSupport {
  bool (*registerFd)(const Host* host, int fd, uint32_t flags);  // [main]
  bool (*modifyFd)(const Host* host, int fd, uint32_t flags);    // [main]
  bool (*unregisterFd)(const Host* host, int fd);                // [main]
};

struct HostTail {
  void (*changed)(const Host* host);  // [audio]
};

struct HostLatency {
  void (*changed)(const Host* host);  // [main], only inside activate
};

// ----------------------------------------------------------------------------------------
// The layouts, checked.

static_assert(sizeof(Version) == 12, "version");
static_assert(sizeof(PluginEntry) == 40 && offsetof(PluginEntry, init) == 16, "entry");
static_assert(sizeof(PluginFactory) == 24, "factory");
static_assert(sizeof(PluginDescriptor) == 88 && offsetof(PluginDescriptor, features) == 80,
              "descriptor");
static_assert(sizeof(Plugin) == 96, "plugin");
static_assert(sizeof(Host) == 88 && offsetof(Host, getExtension) == 56, "host");
static_assert(sizeof(EventHeader) == 16, "event header");
static_assert(sizeof(EventParamValue) == 56 && offsetof(EventParamValue, cookie) == 24 &&
                  offsetof(EventParamValue, value) == 48,
              "param value event");
static_assert(sizeof(EventParamGesture) == 20, "gesture event");
static_assert(sizeof(EventTransport) == 104 && offsetof(EventTransport, songPosBeats) == 24 &&
                  offsetof(EventTransport, barStart) == 88 &&
                  offsetof(EventTransport, timeSignatureNumerator) == 100,
              "transport event");
static_assert(sizeof(InputEvents) == 24 && sizeof(OutputEvents) == 16, "event lists");
static_assert(sizeof(AudioBuffer) == 32, "audio buffer");
static_assert(sizeof(Process) == 64, "process");
static_assert(sizeof(AudioPortInfo) == 288 && offsetof(AudioPortInfo, flags) == 260 &&
                  offsetof(AudioPortInfo, inPlacePair) == 280,
              "audio port info");
static_assert(sizeof(ParamInfo) == 1320 && offsetof(ParamInfo, name) == 16 &&
                  offsetof(ParamInfo, module) == 272 && offsetof(ParamInfo, minValue) == 1296,
              "param info");
static_assert(sizeof(IStream) == 16 && sizeof(OStream) == 16, "streams");
static_assert(sizeof(Window) == 16, "window");
static_assert(sizeof(GuiResizeHints) == 12, "resize hints");
static_assert(sizeof(PluginGui) == 120, "gui");

}  // namespace clapabi
