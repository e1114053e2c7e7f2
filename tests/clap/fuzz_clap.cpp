// One CLAP instance driven through every function of its records by a script (tests/clap/
// fuzz_clap_ops.h): random call orders, the forbidden ones included (process while
// inactive, activate twice, deactivate while processing, destroy at any moment), thread
// answers that say a call came on the wrong thread, events of bad sizes, types, spaces and
// times with NaN and huge values, 0 and maximum frame counts, hostile state streams, the
// editor's functions and edits. The plug-in must refuse or survive: with finite input its
// output stays finite, its values stay in range, what it pushes is well-formed, a block
// beyond the frames it accepted is refused; the sanitizers and libFuzzer's leak check see
// the rest.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "clap/IPlugCLAP.h"
#include "clap/clap_entry.h"
#include "tests/clap/fuzz_clap_ops.h"
#include "tests/vst/fuzz_script.h"
#include "tools/host/clap_host.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

struct Buffers {
  float in32[2][kFuzzMaxFrames];
  float out32[2][kFuzzMaxFrames];
  double in64[2][kFuzzMaxFrames];
  double out64[2][kFuzzMaxFrames];
};
Buffers gBuf;

const double kRates[] = {44100.0, 48000.0, 96000.0, 192000.0, 8000.0, 0.0, -1.0,
                         std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::infinity(), 1e12, 1.0};
const uint32_t kMaxPicks[] = {1, 64, 333, 512, kFuzzMaxFrames, 65536, 65537, 0, 0x7FFFFFFFu,
                              0xFFFFFFFFu};
const double kTempos[] = {120.0, 60.0, 20.0, 19.99, 300.0, 0.0, -5.0,
                          std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(), 1e-9};
const double kValues[] = {0.0, 1.0, -1.0, 12.0, 99.0, 100.0, 1e300, -1e300,
                          std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity(), 0.5, 1e-320};
const uint32_t kEventSizes[] = {0, 8, 15, 16, 19, 20, 55, 56, 57, 104, 200};
const char* const kApis[] = {"x11", "win32", "cocoa", "", nullptr, "x11 "};

template <class T, size_t N>
T Pick(const T (&table)[N], uint8_t pick, T raw) {
  return pick < N ? table[pick] : raw;
}

void FillInputs(uint8_t level) {
  static const double kLevels[] = {0.0, 1.0, 1e-30, 1e6, 0.5};
  const double v = kLevels[level % 5];
  for (int c = 0; c < 2; ++c) {
    for (int i = 0; i < kFuzzMaxFrames; ++i) {
      const double x = ((i / 37) % 2 ? v : -v) * (c ? -1.0 : 1.0);
      gBuf.in64[c][i] = x;
      gBuf.in32[c][i] = static_cast<float>(x);
    }
  }
}

void QueueEvents(ScriptReader& s, ClapPluginHost& host) {
  const int count = s.U8() % (kFuzzMaxEvents + 1);
  for (int i = 0; i < count; ++i) {
    const uint8_t sizePick = s.U8();
    const uint16_t rawSize = s.U16();
    uint8_t record[256];
    std::memset(record, 0, sizeof(record));
    clapabi::EventParamValue e;
    std::memset(&e, 0, sizeof(e));
    const uint32_t size = Pick(kEventSizes, sizePick, static_cast<uint32_t>(rawSize % 257));
    e.header.size = size;
    e.header.spaceId = s.U16();
    e.header.type = s.U16();
    e.header.time = static_cast<uint32_t>(s.I32());
    e.paramId = static_cast<uint32_t>(s.I32());
    const uint8_t valuePick = s.U8();
    e.value = Pick(kValues, valuePick, s.F64());
    std::memcpy(record, &e, sizeof(e));
    // The record is as long as it claims (up to 256 bytes), so a read past it is caught.
    host.QueueEvent(record, size < sizeof(record) ? size : static_cast<uint32_t>(sizeof(record)));
  }
}

// What the plug-in pushed must be one of its three kinds, for a parameter it has.
void CheckPushed(ClapPluginHost& host) {
  for (const ClapPluginHost::OutputEvent& e : host.outputEvents) {
    Check(e.type == clapabi::kEventParamGestureBegin || e.type == clapabi::kEventParamValue ||
          e.type == clapabi::kEventParamGestureEnd);
    Check(e.paramId < 6);
    if (e.type == clapabi::kEventParamValue) Check(std::isfinite(e.value));
  }
  host.outputEvents.clear();
  for (const std::string& v : host.Violations()) Check(v.find("try_push") == std::string::npos);
}

void CheckValues(ClapPluginHost& host) {
  const clapabi::PluginParams* params = host.Params();
  if (!params) return;
  for (uint32_t i = 0; i < params->count(host.Plugin()); ++i) {
    clapabi::ParamInfo info{};
    double v = 0.0;
    if (!params->getInfo(host.Plugin(), i, &info) || !params->getValue(host.Plugin(), info.id, &v)) {
      continue;  // refused on a "wrong" thread
    }
    Check(v >= info.minValue && v <= info.maxValue);
  }
}

struct Session {
  ClapPluginHost* host;
  const clapabi::Plugin* plugin;
  uint32_t acceptedMax = 0;  // frames per block of the last accepted activation
  bool active = false;
  std::vector<uint8_t> saved;
};

void Process(ScriptReader& s, Session& x) {
  const uint8_t framesPick = s.U8();
  const uint16_t rawFrames = s.U16();
  const uint8_t flags = s.U8();
  const uint8_t transportFlags = s.U8();
  const uint8_t tempoPick = s.U8();
  const double rawTempo = s.F64();
  FillInputs(s.U8());
  QueueEvents(s, *x.host);
  x.host->outputRoom = s.U8() % 8 == 0 ? 0 : SIZE_MAX;

  static const uint32_t kFramePicks[] = {0, 1, 64, 333, kFuzzMaxFrames, 0x7FFFFFFFu, 0xFFFFFFFFu};
  uint32_t frames = Pick(kFramePicks, framesPick, static_cast<uint32_t>(rawFrames));
  // A count within what activation accepted must fit the buffers; beyond it the plug-in
  // must refuse without touching them.
  const bool beyond = frames > x.acceptedMax;
  if (!beyond && frames > kFuzzMaxFrames) frames = kFuzzMaxFrames;

  const bool use64 = flags & 1;
  const bool mixed = flags & 2;
  clapabi::AudioBuffer in{}, out{};
  float* in32[2] = {flags & 4 ? nullptr : gBuf.in32[0], gBuf.in32[1]};
  float* out32[2] = {gBuf.out32[0], flags & 8 ? nullptr : gBuf.out32[1]};
  double* in64[2] = {flags & 4 ? nullptr : gBuf.in64[0], gBuf.in64[1]};
  double* out64[2] = {gBuf.out64[0], flags & 8 ? nullptr : gBuf.out64[1]};
  if (flags & 16) {  // in place
    in32[0] = out32[0];
    in64[0] = out64[0];
  }
  const bool in64bit = mixed ? !use64 : use64;
  in.data32 = in64bit ? nullptr : in32;
  in.data64 = in64bit ? in64 : nullptr;
  out.data32 = use64 ? nullptr : out32;
  out.data64 = use64 ? out64 : nullptr;
  in.channelCount = (flags >> 5) % 4;  // 0 ... 3 channels claimed
  out.channelCount = 2;
  for (int c = 0; c < 2; ++c) {
    std::memset(gBuf.out32[c], 0, sizeof(gBuf.out32[c]));
    std::memset(gBuf.out64[c], 0, sizeof(gBuf.out64[c]));
  }
  if (flags & 16) {
    std::memcpy(gBuf.out32[0], gBuf.in32[0], sizeof(gBuf.out32[0]));
    std::memcpy(gBuf.out64[0], gBuf.in64[0], sizeof(gBuf.out64[0]));
  }
  clapabi::EventTransport t{};
  t.header = {sizeof(t), 0, 0, clapabi::kEventTransport, 0};
  t.flags = transportFlags & 0x1F;
  t.tempo = Pick(kTempos, tempoPick, rawTempo);
  t.songPosSeconds = static_cast<int64_t>(rawFrames) << 20;
  t.timeSignatureNumerator = 3;
  t.timeSignatureDenominator = 4;

  clapabi::Process p{};
  p.steadyTime = -1;
  p.framesCount = frames;
  p.transport = (transportFlags & 0x80) ? nullptr : &t;
  p.audioInputs = (flags & 0x80) ? nullptr : &in;
  p.audioOutputs = &out;
  p.audioInputsCount = (flags & 0x80) ? 0 : 1;
  p.audioOutputsCount = 1;
  p.inEvents = (transportFlags & 0x40) ? nullptr : x.host->InputList();
  p.outEvents = (transportFlags & 0x20) ? nullptr : x.host->OutputList();
  const int32_t status = x.plugin->process(x.plugin, &p);
  x.host->ClearQueuedEvents();
  // Refused: inactive, or more frames than accepted.
  if (!x.active || beyond) {
    Check(status == clapabi::kProcessError);
    return;
  }
  // Two sample sizes are refused too; so is a block on a "wrong" thread.
  if (status != clapabi::kProcessContinue) return;
  Check(!mixed || (flags & 0x80));
  for (uint32_t i = 0; i < frames; ++i) {
    Check(std::isfinite(use64 ? gBuf.out64[0][i] : gBuf.out32[0][i]));
    if (!(flags & 8)) Check(std::isfinite(use64 ? gBuf.out64[1][i] : gBuf.out32[1][i]));
  }
}

void Params(ScriptReader& s, Session& x) {
  const clapabi::PluginParams* params = x.host->Params();
  const uint8_t which = s.U8();
  const int32_t index = s.I32();
  const double value = s.F64();
  const uint16_t capacity = s.U16() % 300;
  const std::string text = s.Text();
  if (!params) return;
  const clapabi::Plugin* p = x.plugin;
  switch (which % 5) {
    case 0:
      Check(params->count(p) == 6);
      break;
    case 1: {
      clapabi::ParamInfo info;
      std::memset(&info, 0x55, sizeof(info));
      if (params->getInfo(p, static_cast<uint32_t>(index), &info)) {
        Check(std::memchr(info.name, 0, sizeof(info.name)) != nullptr);
        Check(info.minValue <= info.defaultValue && info.defaultValue <= info.maxValue);
      }
      break;
    }
    case 2: {
      double v = 0.0;
      if (params->getValue(p, static_cast<uint32_t>(index), &v)) Check(std::isfinite(v));
      params->getValue(p, static_cast<uint32_t>(index), nullptr);
      break;
    }
    case 3: {
      // Exactly capacity bytes, so a write past them is caught.
      std::vector<char> out(capacity);
      if (params->valueToText(p, static_cast<uint32_t>(index), value,
                              capacity ? out.data() : nullptr, capacity)) {
        Check(capacity > 1 && std::memchr(out.data(), 0, capacity) != nullptr);
      }
      break;
    }
    default: {
      double v = std::nan("");
      if (params->textToValue(p, static_cast<uint32_t>(index), text.c_str(), &v)) {
        Check(std::isfinite(v));
      }
      params->textToValue(p, static_cast<uint32_t>(index), nullptr, &v);
      break;
    }
  }
}

void LoadState(ScriptReader& s, Session& x) {
  const uint8_t source = s.U8();
  const uint16_t cut = s.U16();
  const uint8_t flipAt = s.U8();
  const uint8_t flipValue = s.U8();
  const uint8_t piece = s.U8();
  const bool endAsError = s.U8() & 1;
  std::vector<uint8_t> bytes = x.saved;
  if (source & 1) bytes = s.Bytes(s.U16() % 512);
  if (cut && cut < bytes.size()) bytes.resize(cut);
  if (flipAt < bytes.size()) bytes[flipAt] ^= flipValue;
  x.host->LoadState(bytes, piece, endAsError);
}

void Gui(ScriptReader& s, Session& x) {
  const clapabi::PluginGui* gui = x.host->Gui();
  const uint8_t which = s.U8();
  const char* api = Pick(kApis, s.U8(), static_cast<const char*>("x11"));
  const bool floating = s.U8() & 1;
  const double scale = s.F64();
  uint32_t w = static_cast<uint32_t>(s.I32());
  uint32_t h = static_cast<uint32_t>(s.I32());
  if (!gui) return;
  const clapabi::Plugin* p = x.plugin;
  clapabi::Window window;
  window.api = api;
  window.ptr = nullptr;  // no window: nothing may reach a display
  clapabi::GuiResizeHints hints;
  const char* preferred = nullptr;
  bool isFloating = false;
  switch (which % 15) {
    case 0: gui->isApiSupported(p, api, floating); break;
    case 1: gui->getPreferredApi(p, (w & 1) ? nullptr : &preferred, (w & 2) ? nullptr : &isFloating); break;
    case 2: gui->create(p, api, floating); break;
    case 3: gui->destroy(p); break;
    case 4: gui->setScale(p, scale); break;
    case 5: gui->getSize(p, (w & 1) ? nullptr : &w, &h); break;
    case 6: gui->canResize(p); break;
    case 7: gui->getResizeHints(p, (w & 1) ? nullptr : &hints); break;
    case 8: gui->adjustSize(p, &w, (h & 1) ? nullptr : &h); break;
    case 9: gui->setSize(p, w, h); break;
    case 10: gui->setParent(p, (w & 1) ? nullptr : &window); break;
    case 11: gui->setTransient(p, &window); break;
    case 12: gui->suggestTitle(p, api); break;
    case 13: gui->show(p); break;
    default: gui->hide(p); break;
  }
}

void EditorEdit(ScriptReader& s, Session& x) {
  IPlugCLAP* plug = IPlugCLAP::FromClap(x.plugin);
  const uint8_t which = s.U8();
  const int index = static_cast<int8_t>(s.U8());
  const double normalized = s.F64();
  switch (which % 6) {
    case 0: plug->HostBeginParamEdit(index); break;
    case 1: plug->SetParamFromEditor(index, normalized); break;
    case 2: plug->HostEndParamEdit(index); break;
    case 3: plug->EndParamEditSoon(index); break;
    case 4: plug->FlushPendingParamEdit(); break;
    default: plug->HandleEditorIdle(); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ClapModuleFile* module = [] {
    auto* m = new ClapModuleFile();
    std::string error;
    if (!m->Adopt(&clap_entry, "fuzz", &error)) abort();
    return m;
  }();
  ScriptReader s(data, size);
  ClapPluginHost host;
  const uint8_t offer = s.U8();
  host.offer.log = offer & kOfferLog;
  host.offer.threadCheck = offer & kOfferThreadCheck;
  host.offer.params = offer & kOfferParams;
  host.offer.state = offer & kOfferState;
  host.offer.gui = offer & kOfferGui;
  host.offer.timerSupport = offer & kOfferTimers;
  host.offer.posixFdSupport = offer & kOfferFds;
  host.offer.tail = offer & kOfferTail;
  host.SimulateThreads(true, true);
  std::string error;
  if (!host.Create(*module, nullptr, &error)) abort();
  Session x{&host, host.Plugin(), 0, false, {}};

  for (int step = 0; step < kFuzzMaxSteps && !s.Done(); ++step) {
    switch (static_cast<ClapFuzzOp>(s.U8() % kFuzzOpCount)) {
      case kFuzzActivate: {
        const double rate = Pick(kRates, s.U8(), 44100.0);
        const uint32_t minFrames = static_cast<uint32_t>(s.I32());
        const uint32_t max = Pick(kMaxPicks, s.U8(), static_cast<uint32_t>(s.I32()));
        const bool wasActive = IPlugCLAP::FromClap(x.plugin)->IsActive();
        if (x.plugin->activate(x.plugin, rate, minFrames, max)) {
          Check(!wasActive);
          x.active = true;
          x.acceptedMax = max;
        }
        break;
      }
      case kFuzzDeactivate:
        x.plugin->deactivate(x.plugin);
        x.active = IPlugCLAP::FromClap(x.plugin)->IsActive();
        break;
      case kFuzzStartProcessing:
        if (x.plugin->startProcessing(x.plugin)) Check(x.active);
        break;
      case kFuzzStopProcessing:
        x.plugin->stopProcessing(x.plugin);
        break;
      case kFuzzReset:
        x.plugin->reset(x.plugin);
        break;
      case kFuzzProcess:
        Process(s, x);
        CheckPushed(host);
        break;
      case kFuzzFlush: {
        QueueEvents(s, host);
        host.outputRoom = s.U8() % 8 == 0 ? 0 : SIZE_MAX;
        if (host.Params()) host.Params()->flush(x.plugin, nullptr, nullptr);
        host.Flush();
        CheckPushed(host);
        break;
      }
      case kFuzzParams:
        Params(s, x);
        break;
      case kFuzzSaveState:
        host.SaveState(&x.saved, s.U8());
        break;
      case kFuzzLoadState:
        LoadState(s, x);
        break;
      case kFuzzGui:
        Gui(s, x);
        break;
      case kFuzzTimerFd: {
        const uint8_t which = s.U8();
        const int32_t id = s.I32();
        if (which % 3 == 0 && host.TimerSupport()) host.TimerSupport()->onTimer(x.plugin, static_cast<uint32_t>(id));
        if (which % 3 == 1 && host.PosixFdSupport()) host.PosixFdSupport()->onFd(x.plugin, id, which);
        if (which % 3 == 2) host.FireTimers();
        break;
      }
      case kFuzzMainThreadCallback:
        x.plugin->onMainThread(x.plugin);
        host.RunMainThreadCallback();
        break;
      case kFuzzThreads: {
        const uint8_t bits = s.U8();
        host.SimulateThreads(bits & 1, bits & 2);
        break;
      }
      case kFuzzEditorEdit:
        EditorEdit(s, x);
        break;
      case kFuzzQuery: {
        const uint8_t which = s.U8();
        const std::string id = s.Text();
        if (which % 3 == 0 && host.Latency() && x.active) Check(host.Latency()->get(x.plugin) == 0);
        if (which % 3 == 1 && host.Tail()) Check(host.Tail()->get(x.plugin) < 0x7FFFFFFFu);
        if (which % 3 == 2) x.plugin->getExtension(x.plugin, (which & 4) ? nullptr : id.c_str());
        break;
      }
      case kFuzzDestroy:
      default: {
        const clapabi::Plugin* p = host.Release();
        p->destroy(p);
        return 0;
      }
    }
    CheckValues(host);
  }
  // The end of a session: on the main thread, as a host closes a plug-in.
  host.SimulateThreads(true, false);
  if (host.Gui()) host.Gui()->destroy(x.plugin);
  const clapabi::Plugin* p = host.Release();
  p->destroy(p);
  return 0;
}
