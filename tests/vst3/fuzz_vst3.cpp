// A hostile VST 3 host: one fresh instance per input, driven through its interfaces by a
// script in any order — initialize and terminate, activation, setup with values out of
// range, bus arrangements and activation, process calls with arbitrary sample counts,
// channel counts, null and aliased buffers, queues with bad offsets, unknown IDs and NaN
// values, contexts with any flags and tempo, state restores from hostile bytes, parameter
// texts, unknown interface IDs, views and unit calls. With finite input every output
// sample stays finite and every parameter in 0 ... 1; the state written is always read
// back; the sanitizers catch accesses out of bounds and libFuzzer's leak check any
// reference the host got back but the plug-in kept (every instance is released at the end).
//
// Script: a sequence of steps, an operation byte (taken modulo kOpCount) and its fields.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "tests/vst/fuzz_script.h"
#include "tests/vst3/vst3_fuzz_ops.h"
#include "tools/host/vst3_host.h"
#include "vst3/vst3_entry.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

double PickDouble(ScriptReader& s) {
  static const double kValues[] = {0.0, 1.0, 0.5, -0.5, 2.0, 1e300, -1e300, 1e-300,
                                   std::numeric_limits<double>::quiet_NaN(),
                                   std::numeric_limits<double>::infinity(),
                                   -std::numeric_limits<double>::infinity()};
  const uint8_t pick = s.U8();
  if (pick < sizeof(kValues) / sizeof(kValues[0])) return kValues[pick];
  return s.F64();
}

v3::ParamId PickId(ScriptReader& s) {
  const uint8_t pick = s.U8();
  if (pick < 8) return pick;
  if (pick < 16) return 0x50524F47;  // the program parameter
  if (pick < 20) return 0xFFFFFFFFu;
  return static_cast<v3::ParamId>(s.I32());
}

struct Buffers {
  float f[4][kFuzzMaxFrames];
  double d[4][kFuzzMaxFrames];
};
Buffers gBuf;

class Session {
 public:
  Session() {
    std::string error;
    Check(mModule.Attach(GetPluginFactory, &error));
    void* obj = nullptr;
    v3::ClassInfo2 info = {};
    Check(mModule.FindAudioClass(&info));
    Check(mModule.Factory()->createInstance(info.cid, v3::AsRaw(v3::Component::kId), &obj) ==
          v3::kResultOk);
    mComponent = static_cast<v3::Component*>(obj);
    Check(Query(v3::AudioProcessor::kId, reinterpret_cast<void**>(&mProcessor)));
    Check(Query(v3::EditController::kId, reinterpret_cast<void**>(&mController)));
    Check(Query(v3::UnitInfo::kId, reinterpret_cast<void**>(&mUnits)));
  }
  ~Session() {
    while (mInitialized-- > 0) mComponent->terminate();
    mController->setComponentHandler(nullptr);
    mUnits->release();
    mController->release();
    mProcessor->release();
    Check(mComponent->release() == 0);
    Check(mApplication.RefCount() == 1 && mHandler.RefCount() == 1);
  }

  void Step(ScriptReader& s) {
    switch (static_cast<FuzzOp>(s.U8() % kOpCount)) {
      case kOpInitialize:
        if (mComponent->initialize(s.U8() & 1 ? &mApplication : nullptr) == v3::kResultOk) {
          ++mInitialized;
        }
        break;
      case kOpTerminate:
        if (mInitialized > 0 && mComponent->terminate() == v3::kResultOk) --mInitialized;
        break;
      case kOpActive:
        mComponent->setActive(s.U8());
        break;
      case kOpProcessing:
        mProcessor->setProcessing(s.U8());
        break;
      case kOpSetup: {
        v3::ProcessSetup setup = {s.I32() % 4, s.U8() % 3, 0, 0.0};
        const int32_t block = s.I32();
        setup.maxSamplesPerBlock = s.U8() & 1 ? block : (block & 0x1FFF);
        setup.sampleRate = s.U8() & 1 ? PickDouble(s) : 8000.0 + (s.U16() % 200) * 1000.0;
        mProcessor->setupProcessing(s.U8() & 0x80 ? nullptr : &setup);
        break;
      }
      case kOpArrangement: {
        v3::SpeakerMask in[3] = {static_cast<v3::SpeakerMask>(s.I64()), 3, 3};
        v3::SpeakerMask out[3] = {static_cast<v3::SpeakerMask>(s.I64()), 3, 3};
        const uint8_t how = s.U8();
        mProcessor->setBusArrangements(how & 1 ? nullptr : in, (how >> 1) % 4,
                                       how & 8 ? nullptr : out, (how >> 4) % 4);
        v3::SpeakerMask got = 0;
        const int32_t direction = s.I32() % 3;
        const int32_t index = s.I32() % 3;
        mProcessor->getBusArrangement(direction, index, s.U8() & 1 ? nullptr : &got);
        break;
      }
      case kOpBus: {
        const int32_t type = s.I32() % 3;
        const int32_t direction = s.I32() % 3;
        const int32_t index = s.I32() % 3;
        mComponent->activateBus(type, direction, index, s.U8());
        v3::BusInfo info = {};
        mComponent->getBusInfo(type, direction, index, s.U8() & 1 ? nullptr : &info);
        mComponent->getBusCount(type, direction);
        break;
      }
      case kOpInput:
        mInputMode = s.U8();
        break;
      case kOpProcess:
        Process(s);
        break;
      case kOpSetState: {
        std::vector<unsigned char> bytes;
        const uint8_t how = s.U8();
        if (how & 1) {
          // A real state, some bytes changed.
          Vst3MemoryStream stream;
          mComponent->getState(&stream);
          bytes = stream.Bytes();
          const int edits = s.U8() % 4;
          for (int e = 0; e < edits && !bytes.empty(); ++e) {
            bytes[s.U16() % bytes.size()] ^= s.U8();
          }
          if (how & 2 && !bytes.empty()) bytes.resize(s.U16() % bytes.size());
        } else {
          const std::vector<uint8_t> raw = s.Bytes(s.U16() % 512);
          bytes.assign(raw.begin(), raw.end());
        }
        Vst3MemoryStream stream(bytes);
        stream.LimitReads(how & 4 ? 1 + s.U8() % 7 : 0);
        if (how & 8) {
          mController->setComponentState(how & 16 ? nullptr : &stream);
        } else {
          mComponent->setState(how & 16 ? nullptr : &stream);
        }
        Check(stream.RefCount() == 1);
        break;
      }
      case kOpGetState: {
        // Whatever happened, the state written is read back whole.
        Vst3MemoryStream stream;
        Check(mComponent->getState(&stream) == v3::kResultOk);
        stream.Rewind();
        Check(mComponent->setState(&stream) == v3::kResultOk);
        Vst3MemoryStream controllerStream;
        mController->getState(&controllerStream);
        mController->setState(&controllerStream);
        break;
      }
      case kOpSetParam: {
        const v3::ParamId id = PickId(s);
        mController->setParamNormalized(id, PickDouble(s));
        break;
      }
      case kOpParamText: {
        const v3::ParamId id = PickId(s);
        v3::Text128 text = {};
        const double shown = PickDouble(s);
        mController->getParamStringByValue(id, shown, s.U8() & 1 ? nullptr : text);
        // Typed text of up to 128 units, not necessarily terminated.
        char16_t typed[128];
        for (int i = 0; i < 128; ++i) typed[i] = static_cast<char16_t>(s.U16());
        double value = 0;
        mController->getParamValueByString(id, typed, &value);
        mController->normalizedParamToPlain(id, PickDouble(s));
        mController->plainParamToNormalized(id, PickDouble(s));
        v3::ParamInfo info = {};
        const int32_t index = s.I32() % 10;
        mController->getParameterInfo(index, s.U8() & 1 ? nullptr : &info);
        break;
      }
      case kOpQuery: {
        v3::RawId iid;
        const std::vector<uint8_t> raw = s.Bytes(16);
        std::memset(iid, 0, sizeof(iid));
        if (!raw.empty()) std::memcpy(iid, raw.data(), raw.size());
        void* obj = nullptr;
        if (mComponent->queryInterface(iid, &obj) == v3::kResultOk) {
          Check(obj != nullptr);
          static_cast<v3::Unknown*>(obj)->release();
        } else {
          Check(obj == nullptr);
        }
        break;
      }
      case kOpView: {
        v3::PlugView* view = mController->createView(s.U8() & 1 ? nullptr : "editor");
        if (!view) break;
        v3::Rect rect = {};
        view->getSize(s.U8() & 1 ? nullptr : &rect);
        view->checkSizeConstraint(s.U8() & 1 ? nullptr : &rect);
        view->onSize(&rect);
        view->isPlatformTypeSupported(s.U8() & 1 ? nullptr : "HWND");
        view->onWheel(static_cast<float>(PickDouble(s)));
        void* face = nullptr;
        if (view->queryInterface(v3::AsRaw(v3::ContentScaleSupport::kId), &face) == v3::kResultOk) {
          static_cast<v3::ContentScaleSupport*>(face)->setContentScaleFactor(
              static_cast<float>(PickDouble(s)));
          static_cast<v3::ContentScaleSupport*>(face)->release();
        }
        view->removed();
        Check(view->release() == 0);
        break;
      }
      case kOpUnits: {
        v3::Text128 name = {};
        const int32_t list = s.I32() % 3;
        const int32_t index = s.I32() % 30;
        mUnits->getProgramName(list, index, s.U8() & 1 ? nullptr : name);
        v3::ProgramListDesc desc = {};
        const int32_t listIndex = s.I32() % 3;
        mUnits->getProgramListInfo(listIndex, s.U8() & 1 ? nullptr : &desc);
        v3::UnitDesc unit = {};
        const int32_t unitIndex = s.I32() % 3;
        mUnits->getUnitInfo(unitIndex, s.U8() & 1 ? nullptr : &unit);
        int32_t unitId = 0;
        const int32_t type = s.I32() % 3;
        const int32_t direction = s.I32() % 3;
        const int32_t bus = s.I32() % 3;
        const int32_t channel = s.I32();
        mUnits->getUnitByBus(type, direction, bus, channel, s.U8() & 1 ? nullptr : &unitId);
        break;
      }
      case kOpHandler:
        mController->setComponentHandler(s.U8() & 1 ? &mHandler : nullptr);
        // A frequent call: the fallback delivery of editor edits runs here.
        mController->getParamNormalized(PickId(s));
        break;
      case kOpCount:
        break;
    }
    for (int i = 0; i < 6; ++i) {
      const double v = mController->getParamNormalized(static_cast<v3::ParamId>(i));
      Check(v >= 0.0 && v <= 1.0);
    }
  }

 private:
  void FillInputs() {
    static const double kLevels[] = {0.5, 1.0, 1e-30, 1e6, 0.0};
    const double level = kLevels[mInputMode % 5];
    for (int c = 0; c < 4; ++c) {
      for (int i = 0; i < kFuzzMaxFrames; ++i) {
        const double v = (mInputMode % 5 == 4) ? (i == 0 ? 1.0 : 0.0) : ((i / 37) % 2 ? level : -level);
        gBuf.d[c][i] = c % 2 ? -v : v;
        gBuf.f[c][i] = static_cast<float>(gBuf.d[c][i]);
      }
    }
  }

  bool Query(const v3::Id& id, void** out) {
    return mComponent->queryInterface(v3::AsRaw(id), out) == v3::kResultOk && *out;
  }

  void Process(ScriptReader& s) {
    const uint8_t flags = s.U8();
    const bool wide = flags & 1;
    int32_t frames = static_cast<int16_t>(s.U16());
    if (frames > kFuzzMaxFrames) frames = kFuzzMaxFrames;
    const int inChannels = s.U8() % 5;
    const int outChannels = s.U8() % 5;
    void* inPtrs[4];
    void* outPtrs[4];
    const uint8_t nulls = s.U8();
    for (int c = 0; c < 4; ++c) {
      inPtrs[c] = nulls & (1 << c) ? nullptr : (wide ? static_cast<void*>(gBuf.d[c]) : gBuf.f[c]);
      outPtrs[c] = nulls & (16 << c) ? nullptr
                                     : (wide ? static_cast<void*>(gBuf.d[(c + (flags & 2 ? 0 : 2)) % 4])
                                             : gBuf.f[(c + (flags & 2 ? 0 : 2)) % 4]);
    }
    v3::AudioBuffers in = {};
    v3::AudioBuffers out = {};
    in.numChannels = inChannels;
    out.numChannels = outChannels;
    in.channels32 = flags & 4 ? nullptr : reinterpret_cast<float**>(inPtrs);
    out.channels32 = flags & 8 ? nullptr : reinterpret_cast<float**>(outPtrs);

    Vst3ParamChangeList changes;
    const int queues = s.U8() % 6;
    for (int q = 0; q < queues; ++q) {
      const v3::ParamId id = PickId(s);
      const int points = s.U8() % 4;
      for (int p = 0; p < points; ++p) {
        const int32_t offset = s.I32();
        changes.Add(id, offset, PickDouble(s));
      }
    }
    Vst3ParamChangeList outputChanges;

    v3::ProcessContext context = {};
    context.state = static_cast<uint32_t>(s.I32());
    context.tempo = s.U8() & 1 ? PickDouble(s) : 60.0 + s.U8();
    context.sampleRate = 44100.0;
    context.projectTimeSamples = s.I64();
    context.timeSigNumerator = s.I32();
    context.timeSigDenominator = s.I32();

    v3::ProcessData data = {};
    data.processMode = s.I32() % 4;
    data.symbolicSampleSize = flags & 16 ? static_cast<int32_t>(s.U8() % 4) : (wide ? 1 : 0);
    data.numSamples = frames;
    data.numInputs = s.U8() % 3;
    data.numOutputs = s.U8() % 3;
    data.inputs = flags & 32 ? nullptr : &in;
    data.outputs = flags & 64 ? nullptr : &out;
    // Only one bus each way exists; a host that claims two passes two records.
    v3::AudioBuffers inBuses[2] = {in, in};
    v3::AudioBuffers outBuses[2] = {out, out};
    if (data.inputs) data.inputs = inBuses;
    if (data.outputs) data.outputs = outBuses;
    data.inputParameterChanges = flags & 128 ? nullptr : &changes;
    data.outputParameterChanges = s.U8() & 1 ? nullptr : &outputChanges;
    data.processContext = s.U8() & 1 ? nullptr : &context;
    // Fresh finite inputs for every call: in-place processing must not feed a call's
    // output back as the next call's input.
    FillInputs();
    mProcessor->process(&data);
    if (frames > 0 && data.outputs && !(flags & 8) && data.symbolicSampleSize == (wide ? 1 : 0)) {
      for (int c = 0; c < outChannels && c < 2; ++c) {
        if (!outPtrs[c]) continue;
        for (int i = 0; i < frames; ++i) {
          const double v = wide ? static_cast<double*>(outPtrs[c])[i] : static_cast<float*>(outPtrs[c])[i];
          Check(std::isfinite(v));
        }
      }
    }
  }

  Vst3Module mModule;
  Vst3HostApplication mApplication;
  Vst3ComponentHandler mHandler;
  v3::Component* mComponent = nullptr;
  v3::AudioProcessor* mProcessor = nullptr;
  v3::EditController* mController = nullptr;
  v3::UnitInfo* mUnits = nullptr;
  int mInitialized = 0;
  uint8_t mInputMode = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ScriptReader script(data, size);
  Session session;
  for (int step = 0; step < kFuzzMaxSteps && !script.Done(); ++step) session.Step(script);
  return 0;
}
