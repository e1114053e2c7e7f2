// The VST 3 adapter in-process (the factory entry compiled in), driven through the one VST 3
// host: the factory, the object's faces and references, hostile arguments, buses,
// parameters (texts against the VST 2.4 module), state, processing corners, programs,
// activation, the tail and the delivery of editor edits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

#include "effect/quelora2.h"
#include "effect/vst3_identity.h"
#include "tests/vst3/vst3_test_support.h"
#include "vst/IPlugVST.h"
#include "vst3/vst3_entry.h"
#include "vst3/vst3_state.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 256;

// Interfaces a host may ask for that the plug-in does not implement: the connection
// point (single class), the second controller interface, the program data interface, and
// ones Ardour asks for.
const v3::Id kRefused[] = {
    v3::IdFromWords(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1),
    v3::IdFromWords(0x7F4EFE59, 0xF3204967, 0xAC27A3AE, 0xAFB63038),
    v3::IdFromWords(0x8683B01F, 0x7B354F70, 0xA2651DEC, 0x353AF4FF),
    v3::IdFromWords(0xC1271208, 0x70594098, 0xB9DD34B3, 0x6BB0195E),
    v3::IdFromWords(0x50553FD9, 0x1D2C4C24, 0xB410F484, 0xC5FB9F3F),
    v3::PlugView::kId,
    v3::Factory::kId,
};

class Vst3Adapter : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module.Attach(GetPluginFactory, &error)) << error;
    ASSERT_TRUE(plugin.Create(module, &error)) << error;
    plug = dynamic_cast<VSTCLASS*>(plugin.Component());
    ASSERT_NE(plug, nullptr);
  }

  // Blocks of the test signal (or silence) through the plug-in; the outputs appended.
  void Render(int blocks, bool silent, std::vector<double>* out, bool wide = false) {
    RenderWith(plugin, signal, blocks, silent, out, wide);
  }
  static void RenderWith(Vst3Plugin& plugin, TestSignal& signal, int blocks, bool silent,
                         std::vector<double>* out, bool wide = false) {
    std::vector<double> l(kBlock), r(kBlock), ol(kBlock), orr(kBlock);
    std::vector<float> fl(kBlock), fr(kBlock), fol(kBlock), forr(kBlock);
    for (int b = 0; b < blocks; ++b) {
      if (silent) {
        std::fill(l.begin(), l.end(), 0.0);
        std::fill(r.begin(), r.end(), 0.0);
      } else {
        signal.Fill(l.data(), r.data(), kBlock);
      }
      if (wide) {
        double* ins[2] = {l.data(), r.data()};
        double* outs[2] = {ol.data(), orr.data()};
        ASSERT_TRUE(plugin.ProcessDouble(ins, outs, kBlock));
      } else {
        for (int i = 0; i < kBlock; ++i) {
          fl[i] = static_cast<float>(l[i]);
          fr[i] = static_cast<float>(r[i]);
        }
        float* ins[2] = {fl.data(), fr.data()};
        float* outs[2] = {fol.data(), forr.data()};
        ASSERT_TRUE(plugin.Process(ins, outs, kBlock));
        for (int i = 0; i < kBlock; ++i) {
          ol[i] = fol[i];
          orr[i] = forr[i];
        }
      }
      out->insert(out->end(), ol.begin(), ol.end());
      out->insert(out->end(), orr.begin(), orr.end());
    }
  }

  void Start(bool wide = false) {
    ASSERT_TRUE(plugin.Setup(kRate, kBlock, wide, &error)) << error;
    plugin.Activate();
  }

  std::vector<unsigned char> State() {
    std::vector<unsigned char> bytes;
    EXPECT_TRUE(plugin.SaveState(&bytes));
    return bytes;
  }

  Vst3Module module;
  Vst3Plugin plugin;
  VSTCLASS* plug = nullptr;
  TestSignal signal;
  std::string error;
};

// ---------------------------------------------------------------------------------------
// Factory

TEST(Vst3Factory, DescribesOneAudioEffectClassAsTheEffectIs) {
  v3::Factory* factory = GetPluginFactory();
  ASSERT_NE(factory, nullptr);
  v3::FactoryInfo info = {};
  ASSERT_EQ(factory->getFactoryInfo(&info), v3::kResultOk);
  EXPECT_STREQ(info.vendor, "Obvik");
  EXPECT_STREQ(info.url, "https://obvik.com/");
  EXPECT_EQ(info.flags, v3::kFactoryUnicode);
  ASSERT_EQ(factory->countClasses(), 1);

  void* face = nullptr;
  ASSERT_EQ(factory->queryInterface(v3::AsRaw(v3::Factory3::kId), &face), v3::kResultOk);
  auto* factory3 = static_cast<v3::Factory3*>(face);
  v3::ClassInfo2 info2 = {};
  ASSERT_EQ(factory3->getClassInfo2(0, &info2), v3::kResultOk);
  EXPECT_TRUE(v3::SameId(info2.cid, v3::IdFromWords(kVst3ClassIdWords[0], kVst3ClassIdWords[1],
                                                    kVst3ClassIdWords[2], kVst3ClassIdWords[3])));
  EXPECT_STREQ(info2.category, "Audio Module Class");
  EXPECT_STREQ(info2.subCategories, "Fx|Delay");
  EXPECT_EQ(info2.cardinality, v3::kManyInstances);
  v3::ClassInfoW wide = {};
  ASSERT_EQ(factory3->getClassInfoUnicode(0, &wide), v3::kResultOk);
  EXPECT_EQ(Vst3Utf8(wide.name, 64), info2.name);
  EXPECT_EQ(Vst3Utf8(wide.version, 64), info2.version);

  // The factory's words are the effect's own.
  VSTCLASS description(nullptr);
  EXPECT_STREQ(info2.name, description.EffectName());
  EXPECT_STREQ(info2.vendor, description.VendorName());
  char version[16];
  const int code = description.VersionCode();
  std::snprintf(version, sizeof(version), "%d.%d.%d", code >> 16, (code >> 8) & 0xFF, code & 0xFF);
  EXPECT_STREQ(info2.version, version);

  EXPECT_EQ(factory3->getClassInfo2(1, &info2), v3::kInvalidArgument);
  EXPECT_EQ(factory3->getClassInfo2(0, nullptr), v3::kInvalidArgument);
  EXPECT_EQ(factory->getClassInfo(-1, nullptr), v3::kInvalidArgument);
  factory3->release();
  factory->release();
}

TEST(Vst3Factory, CreatesOnlyItsClassAndCountsReferences) {
  v3::Factory* factory = GetPluginFactory();
  const uint32_t held = factory->addRef() - 1;
  EXPECT_EQ(factory->release(), held);
  void* obj = reinterpret_cast<void*>(1);
  v3::Id other = v3::IdFromWords(kVst3ClassIdWords[0], kVst3ClassIdWords[1], kVst3ClassIdWords[2],
                                 kVst3ClassIdWords[3] ^ 1);
  EXPECT_EQ(factory->createInstance(v3::AsRaw(other), v3::AsRaw(v3::Component::kId), &obj),
            v3::kNoInterface);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(factory->createInstance(nullptr, v3::AsRaw(v3::Component::kId), &obj),
            v3::kInvalidArgument);
  EXPECT_EQ(factory->createInstance(v3::AsRaw(other), v3::AsRaw(v3::Component::kId), nullptr),
            v3::kInvalidArgument);
  // An interface the class does not have: no instance is left behind (ASan would see it).
  const v3::Id ours = v3::IdFromWords(kVst3ClassIdWords[0], kVst3ClassIdWords[1],
                                      kVst3ClassIdWords[2], kVst3ClassIdWords[3]);
  EXPECT_EQ(factory->createInstance(v3::AsRaw(ours), v3::AsRaw(kRefused[0]), &obj), v3::kNoInterface);
  EXPECT_EQ(obj, nullptr);
  ASSERT_EQ(factory->createInstance(v3::AsRaw(ours), v3::AsRaw(v3::EditController::kId), &obj),
            v3::kResultOk);
  EXPECT_EQ(static_cast<v3::EditController*>(obj)->release(), 0u);
  void* unknown = nullptr;
  EXPECT_EQ(factory->queryInterface(v3::AsRaw(v3::Component::kId), &unknown), v3::kNoInterface);
  EXPECT_EQ(unknown, nullptr);
  factory->release();
}

// ---------------------------------------------------------------------------------------
// Faces, references, hostile arguments

TEST_F(Vst3Adapter, AnswersEveryFaceOfOneObjectAndRefusesTheRest) {
  v3::Component* component = plugin.Component();
  const v3::Id faces[] = {v3::Unknown::kId,        v3::PluginBase::kId,     v3::Component::kId,
                          v3::AudioProcessor::kId, v3::EditController::kId, v3::UnitInfo::kId,
                          v3::ContextRequirements::kId};
  void* unknown = nullptr;
  ASSERT_EQ(component->queryInterface(v3::AsRaw(v3::Unknown::kId), &unknown), v3::kResultOk);
  for (const v3::Id& id : faces) {
    void* face = nullptr;
    ASSERT_EQ(component->queryInterface(v3::AsRaw(id), &face), v3::kResultOk);
    ASSERT_NE(face, nullptr);
    // Every face leads back to the same object.
    void* back = nullptr;
    auto* asUnknown = static_cast<v3::Unknown*>(face);
    ASSERT_EQ(asUnknown->queryInterface(v3::AsRaw(v3::Unknown::kId), &back), v3::kResultOk);
    EXPECT_EQ(back, unknown);
    static_cast<v3::Unknown*>(back)->release();
    asUnknown->release();
  }
  for (const v3::Id& id : kRefused) {
    void* face = reinterpret_cast<void*>(1);
    EXPECT_EQ(component->queryInterface(v3::AsRaw(id), &face), v3::kNoInterface);
    EXPECT_EQ(face, nullptr);
  }
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(component->queryInterface(nullptr, &none), v3::kInvalidArgument);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(component->queryInterface(v3::AsRaw(v3::Unknown::kId), nullptr), v3::kInvalidArgument);
  // The component, processor and controller the host holds, plus the one taken above.
  const uint32_t count = component->addRef();
  EXPECT_EQ(component->release(), count - 1);
  static_cast<v3::Unknown*>(unknown)->release();
}

TEST_F(Vst3Adapter, InitializedTwiceTerminatedTwiceAndEveryReferenceReturned) {
  // A host treating the single class as component and controller apart (Ardour).
  Vst3HostApplication second;
  EXPECT_EQ(plugin.Controller()->initialize(&second), v3::kResultOk);
  EXPECT_EQ(plug->InitializeCount(), 2);
  EXPECT_EQ(second.RefCount(), 1u);  // the first context stays the one kept
  EXPECT_EQ(plugin.Controller()->terminate(), v3::kResultOk);
  EXPECT_EQ(plugin.Application().RefCount(), 2u);
  EXPECT_EQ(plugin.Handler().RefCount(), 2u);
  plugin.Destroy();
  EXPECT_EQ(plugin.Application().RefCount(), 1u);
  EXPECT_EQ(plugin.Handler().RefCount(), 1u);
}

TEST_F(Vst3Adapter, NullPointersAndBadArgumentsAreRefusedEverywhere) {
  v3::Component* component = plugin.Component();
  v3::AudioProcessor* processor = plugin.Processor();
  v3::EditController* controller = plugin.Controller();
  void* face = nullptr;
  ASSERT_EQ(component->queryInterface(v3::AsRaw(v3::UnitInfo::kId), &face), v3::kResultOk);
  auto* units = static_cast<v3::UnitInfo*>(face);

  EXPECT_EQ(component->getBusInfo(v3::kAudio, v3::kInput, 0, nullptr), v3::kInvalidArgument);
  v3::BusInfo bus = {};
  EXPECT_EQ(component->getBusInfo(v3::kAudio, v3::kInput, 1, &bus), v3::kInvalidArgument);
  EXPECT_EQ(component->getBusInfo(v3::kEvent, v3::kInput, 0, &bus), v3::kInvalidArgument);
  EXPECT_EQ(component->getBusInfo(v3::kAudio, 7, 0, &bus), v3::kInvalidArgument);
  EXPECT_EQ(component->activateBus(v3::kAudio, v3::kOutput, -1, 1), v3::kInvalidArgument);
  EXPECT_EQ(component->setState(nullptr), v3::kInvalidArgument);
  EXPECT_EQ(component->getState(nullptr), v3::kInvalidArgument);
  EXPECT_EQ(component->getControllerClassId(nullptr), v3::kResultFalse);
  EXPECT_EQ(processor->setBusArrangements(nullptr, 1, nullptr, 1), v3::kInvalidArgument);
  EXPECT_EQ(processor->setBusArrangements(nullptr, -1, nullptr, 0), v3::kInvalidArgument);
  EXPECT_EQ(processor->getBusArrangement(v3::kInput, 0, nullptr), v3::kInvalidArgument);
  EXPECT_EQ(processor->setupProcessing(nullptr), v3::kInvalidArgument);
  v3::ProcessSetup setup = {v3::kRealtime, v3::kSample32, 512,
                            std::numeric_limits<double>::quiet_NaN()};
  EXPECT_EQ(processor->setupProcessing(&setup), v3::kInvalidArgument);
  setup = {v3::kRealtime, 5, 512, 48000.0};
  EXPECT_EQ(processor->setupProcessing(&setup), v3::kInvalidArgument);
  setup = {v3::kRealtime, v3::kSample32, 0, 48000.0};
  EXPECT_EQ(processor->setupProcessing(&setup), v3::kInvalidArgument);
  EXPECT_EQ(processor->process(nullptr), v3::kInvalidArgument);
  EXPECT_EQ(controller->getParameterInfo(0, nullptr), v3::kInvalidArgument);
  v3::ParamInfo info = {};
  EXPECT_EQ(controller->getParameterInfo(-1, &info), v3::kInvalidArgument);
  EXPECT_EQ(controller->getParameterInfo(7, &info), v3::kInvalidArgument);
  EXPECT_EQ(controller->getParamStringByValue(0, 0.5, nullptr), v3::kInvalidArgument);
  v3::Text128 text = {};
  EXPECT_EQ(controller->getParamStringByValue(99, 0.5, text), v3::kInvalidArgument);
  double value = 0;
  EXPECT_EQ(controller->getParamValueByString(0, nullptr, &value), v3::kInvalidArgument);
  EXPECT_EQ(controller->getParamValueByString(0, text, nullptr), v3::kInvalidArgument);
  EXPECT_EQ(controller->setParamNormalized(0, std::numeric_limits<double>::quiet_NaN()),
            v3::kInvalidArgument);
  EXPECT_EQ(controller->setParamNormalized(1234, 0.5), v3::kInvalidArgument);
  EXPECT_EQ(controller->getParamNormalized(1234), 0.0);
  EXPECT_EQ(controller->createView("something else"), nullptr);
  EXPECT_EQ(units->getUnitInfo(0, nullptr), v3::kInvalidArgument);
  EXPECT_EQ(units->getProgramListInfo(1, nullptr), v3::kInvalidArgument);
  EXPECT_EQ(units->getProgramName(IPlugVST3::kProgramListId, 24, text), v3::kInvalidArgument);
  EXPECT_EQ(units->getProgramName(IPlugVST3::kProgramListId, 0, nullptr), v3::kInvalidArgument);
  EXPECT_EQ(units->getProgramName(99, 0, text), v3::kInvalidArgument);
  EXPECT_EQ(units->getUnitByBus(v3::kAudio, v3::kInput, 0, 0, nullptr), v3::kInvalidArgument);
  // Nothing above changed the plug-in.
  EXPECT_NEAR(controller->getParamNormalized(0), 0.5, 1e-12);
  units->release();
}

TEST_F(Vst3Adapter, OneStereoBusEachWayAndNothingElse) {
  v3::Component* component = plugin.Component();
  EXPECT_EQ(component->getBusCount(v3::kAudio, v3::kInput), 1);
  EXPECT_EQ(component->getBusCount(v3::kAudio, v3::kOutput), 1);
  EXPECT_EQ(component->getBusCount(v3::kEvent, v3::kInput), 0);
  v3::BusInfo bus = {};
  ASSERT_EQ(component->getBusInfo(v3::kAudio, v3::kOutput, 0, &bus), v3::kResultOk);
  EXPECT_EQ(bus.channelCount, 2);
  EXPECT_EQ(bus.busType, v3::kMainBus);
  EXPECT_EQ(bus.flags, v3::kBusDefaultActive);
  v3::SpeakerMask stereo = v3::kSpeakerStereo;
  v3::SpeakerMask mono = 1 << 19;
  EXPECT_EQ(plugin.Processor()->setBusArrangements(&stereo, 1, &stereo, 1), v3::kResultTrue);
  EXPECT_EQ(plugin.Processor()->setBusArrangements(&mono, 1, &stereo, 1), v3::kResultFalse);
  EXPECT_EQ(plugin.Processor()->setBusArrangements(&stereo, 1, &mono, 1), v3::kResultFalse);
  EXPECT_EQ(plugin.Processor()->setBusArrangements(nullptr, 0, &stereo, 1), v3::kResultFalse);
  v3::SpeakerMask arrangement = 0;
  EXPECT_EQ(plugin.Processor()->getBusArrangement(v3::kOutput, 0, &arrangement), v3::kResultOk);
  EXPECT_EQ(arrangement, v3::kSpeakerStereo);
  EXPECT_EQ(plugin.Processor()->canProcessSampleSize(v3::kSample64), v3::kResultTrue);
  EXPECT_EQ(plugin.Processor()->getLatencySamples(), 0u);
}

// ---------------------------------------------------------------------------------------
// Parameters and programs

TEST_F(Vst3Adapter, ParametersDescribeTheEffectWithStableIds) {
  struct Expected {
    const char* title;
    const char* units;
    int32_t steps;
    double defaultPlain;
    bool list;
  };
  const Expected expected[] = {{"Delay Rate", "", 24, 12, true}, {"Position", "", 3, 0, true},
                               {"Pan Width", "%", 100, 90, false}, {"Feedback", "%", 99, 60, false},
                               {"Dry Mix", "%", 100, 100, false},  {"Wet Mix", "%", 100, 50, false}};
  ASSERT_EQ(plugin.ParamCount(), 7);
  for (int i = 0; i < 6; ++i) {
    Vst3ParamDescription param;
    ASSERT_TRUE(plugin.ParamInfo(i, &param));
    EXPECT_EQ(param.id, static_cast<v3::ParamId>(i));
    EXPECT_EQ(param.title, expected[i].title);
    EXPECT_EQ(param.units, expected[i].units);
    EXPECT_EQ(param.stepCount, expected[i].steps);
    EXPECT_NEAR(param.defaultNormalized * param.stepCount, expected[i].defaultPlain, 1e-9);
    EXPECT_EQ((param.flags & v3::kIsList) != 0, expected[i].list) << i;
    EXPECT_TRUE(param.flags & v3::kCanAutomate);
    EXPECT_NEAR(plugin.Controller()->normalizedParamToPlain(param.id, param.defaultNormalized),
                expected[i].defaultPlain, 1e-9);
  }
  Vst3ParamDescription program;
  ASSERT_TRUE(plugin.ParamInfo(6, &program));
  EXPECT_EQ(program.id, IPlugVST3::kProgramParamId);
  EXPECT_EQ(program.stepCount, 23);
  EXPECT_EQ(program.flags & (v3::kIsProgramChange | v3::kIsList),
            v3::kIsProgramChange | v3::kIsList);
}

TEST_F(Vst3Adapter, DisplayTextsAndTypedTextAreTheVst2Builds) {
  Vst2Module module2(QUELORA_VST2_MODULE);
  ASSERT_NE(module2.Entry(), nullptr);
  TestHost host;
  AEffect* e = host.Create(module2.Entry());
  ASSERT_NE(e, nullptr);
  for (int index = 0; index < 6; ++index) {
    Vst3ParamDescription param;
    ASSERT_TRUE(plugin.ParamInfo(index, &param));
    // Every step, and values between steps.
    for (int i = 0; i <= 4 * param.stepCount; ++i) {
      const float x = static_cast<float>(i) / static_cast<float>(4 * param.stepCount);
      char shown[64] = {};
      host.Dispatch(effVendorSpecific, IPlugVST::kVendorFormatValue, index, shown, x);
      EXPECT_EQ(plugin.ParamText(param.id, x), shown) << param.title << " " << x;
    }
    const char* typed[] = {"1/8D", "ping pong", "inv pong", "60", "150", "-3", "abc", "", "1/4T",
                           "99.6", "nan", "1e9"};
    for (const char* text : typed) {
      char buffer[512] = {};
      std::strncpy(buffer, text, sizeof(buffer) - 1);
      double expectedValue = 0.0;
      if (buffer[0]) {
        host.Dispatch(effVendorSpecific, IPlugVST::kVendorParseText, index, buffer);
        expectedValue = std::strtod(buffer, nullptr);
      } else {
        expectedValue = plug->ParamAt(index)->NormalizedFromText("");
      }
      double normalized = -1;
      ASSERT_TRUE(plugin.ParamFromText(param.id, text, &normalized)) << text;
      EXPECT_NEAR(normalized, expectedValue, 1e-15) << param.title << " '" << text << "'";
    }
  }
  // The program parameter's texts are the program names; a name typed selects it.
  EXPECT_EQ(plugin.ParamText(IPlugVST3::kProgramParamId, 1.0 / 23), "Classic Delay");
  double normalized = 0;
  ASSERT_TRUE(plugin.ParamFromText(IPlugVST3::kProgramParamId, "Harp", &normalized));
  EXPECT_NEAR(normalized, 8.0 / 23, 1e-12);
  EXPECT_FALSE(plugin.ParamFromText(IPlugVST3::kProgramParamId, "No Such Program", &normalized));
}

TEST_F(Vst3Adapter, ProgramParameterSelectsAsEffSetProgramAndReportsAfterTheCall) {
  Vst2Module module2(QUELORA_VST2_MODULE);
  TestHost host;
  AEffect* e = host.Create(module2.Entry());
  ASSERT_NE(e, nullptr);
  Start();
  // An edited value is kept in the program it was made in, as effSetProgram keeps it.
  host.SetParameter(3, 0.5f);
  plugin.Controller()->setParamNormalized(3, 0.5f);
  for (int program : {5, 2, 0, 20}) {
    host.Dispatch(effSetProgram, 0, program);
    plugin.Handler().edits.clear();
    ASSERT_EQ(plugin.Controller()->setParamNormalized(IPlugVST3::kProgramParamId, program / 23.0),
              v3::kResultOk);
    // Nothing called back from inside the host's call.
    EXPECT_TRUE(plugin.Handler().edits.empty());
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(static_cast<float>(plugin.ParamNormalized(i)), host.GetParameter(i))
          << "program " << program << " parameter " << i;
    }
    EXPECT_EQ(plug->CurrentPreset(), program);
    EXPECT_NEAR(plugin.ParamNormalized(IPlugVST3::kProgramParamId), program / 23.0, 1e-12);
    char name[256] = {};
    host.Dispatch(effGetProgramNameIndexed, program, 0, name);
    EXPECT_EQ(plugin.ProgramNames()[program], name);
    // The next idle moment of the UI thread tells the host to read the values again, and
    // the next block reports them in its output changes.
    plug->HandleEditorIdle();
    ASSERT_EQ(plugin.Handler().edits.size(), 1u);
    EXPECT_EQ(plugin.Handler().edits[0].kind, Vst3HostEdit::kRestart);
    EXPECT_EQ(plugin.Handler().edits[0].value, v3::kParamValuesChanged);
    ASSERT_TRUE(plugin.Flush());
    for (int i = 0; i < 6; ++i) {
      double reported = -1;
      ASSERT_TRUE(plugin.OutputChanges().LastValue(i, &reported));
      EXPECT_EQ(reported, plugin.ParamNormalized(i));
    }
  }
}

TEST_F(Vst3Adapter, ProgramChangeInTheQueueSelectsBeforeTheBlocksParameters) {
  Start();
  plugin.QueueParam(IPlugVST3::kProgramParamId, 9.0 / 23, 17, true);
  plugin.QueueParam(3, 0.25, 100, true);
  ASSERT_TRUE(plugin.Flush());
  EXPECT_EQ(plug->CurrentPreset(), 9);
  EXPECT_DOUBLE_EQ(plugin.ParamNormalized(3), plug->ParamAt(3)->ToNormalized(25));
  double reported = -1;
  ASSERT_TRUE(plugin.OutputChanges().LastValue(IPlugVST3::kProgramParamId, &reported));
  EXPECT_NEAR(reported, 9.0 / 23, 1e-12);
}

// ---------------------------------------------------------------------------------------
// State

TEST_F(Vst3Adapter, StateIsTheVst2ProgramChunkAndTheProgram) {
  Vst2Module module2(QUELORA_VST2_MODULE);
  TestHost host;
  AEffect* e = host.Create(module2.Entry());
  ASSERT_NE(e, nullptr);
  host.Dispatch(effSetProgram, 0, 3);
  host.SetParameter(0, 10.0f / 24);
  host.SetParameter(4, 0.25f);
  plugin.Controller()->setParamNormalized(IPlugVST3::kProgramParamId, 3.0 / 23);
  plugin.Controller()->setParamNormalized(0, 10.0f / 24);
  plugin.Controller()->setParamNormalized(4, 0.25f);

  const std::vector<unsigned char> state = State();
  const std::vector<unsigned char> chunk = ProgramChunkOf(e);
  ASSERT_EQ(chunk.size(), 56u);
  ASSERT_EQ(state.size(), 20u + chunk.size());
  EXPECT_EQ(std::memcmp(state.data(), "Q2V3", 4), 0);
  const unsigned char head[] = {1, 0, 0, 0, 64, 0, 0, 0, 3, 0, 0, 0, 56, 0, 0, 0};
  EXPECT_EQ(std::memcmp(state.data() + 4, head, sizeof(head)), 0);
  EXPECT_EQ(std::vector<unsigned char>(state.begin() + 20, state.end()), chunk);

  // Back in a fresh instance: the same values, the same program, the same bytes.
  Vst3Plugin other;
  ASSERT_TRUE(other.Create(module, &error));
  ASSERT_EQ(other.LoadState(state), v3::kResultOk);
  std::vector<unsigned char> again;
  ASSERT_TRUE(other.SaveState(&again));
  EXPECT_EQ(again, state);
  for (int i = 0; i < 7; ++i) {
    Vst3ParamDescription param;
    ASSERT_TRUE(plugin.ParamInfo(i, &param));
    EXPECT_EQ(other.ParamNormalized(param.id), plugin.ParamNormalized(param.id)) << i;
  }
}

TEST_F(Vst3Adapter, HostileOrTruncatedStatesChangeNothing) {
  plugin.Controller()->setParamNormalized(IPlugVST3::kProgramParamId, 4.0 / 23);
  const std::vector<unsigned char> good = State();
  // A different valid state to try to load.
  Vst3Plugin other;
  ASSERT_TRUE(other.Create(module, &error));
  other.Controller()->setParamNormalized(IPlugVST3::kProgramParamId, 11.0 / 23);
  other.Controller()->setParamNormalized(2, 0.3);
  std::vector<unsigned char> wanted;
  ASSERT_TRUE(other.SaveState(&wanted));

  std::vector<std::vector<unsigned char>> hostile;
  for (size_t n = 0; n < wanted.size(); ++n) hostile.emplace_back(wanted.begin(), wanted.begin() + n);
  auto patched = [&](size_t at, std::vector<unsigned char> bytes) {
    std::vector<unsigned char> v = wanted;
    std::copy(bytes.begin(), bytes.end(), v.begin() + at);
    hostile.push_back(v);
  };
  patched(0, {'Q', '2', 'V', '4'});
  patched(4, {2, 0, 0, 0});                   // a later layout
  patched(8, {0xFF, 0xFF, 0xFF, 0x7F});       // more than the bound
  patched(8, {63, 0, 0, 0});                  // length disagrees with the chunk
  patched(12, {24, 0, 0, 0});                 // program out of range
  patched(12, {0xFF, 0xFF, 0xFF, 0xFF});
  patched(16, {48, 0, 0, 0});                 // chunk size disagrees
  patched(20, {0x74, 0x66, 0x66, 0x71});      // not a chunk of ours
  patched(28, {0, 0, 0, 0, 0, 0, 0xF8, 0x7F});  // NaN delay rate
  patched(28, {0, 0, 0, 0, 0, 0, 0x3A, 0x40});  // delay rate 26: beyond the last note
  patched(44, {0, 0, 0, 0, 0, 0, 0xF0, 0xBF});  // width -1
  hostile.push_back({});

  for (const std::vector<unsigned char>& bytes : hostile) {
    EXPECT_EQ(plugin.LoadState(bytes), v3::kResultFalse) << bytes.size();
    Vst3MemoryStream stream(bytes);
    EXPECT_EQ(plugin.Controller()->setComponentState(&stream), v3::kResultFalse);
    ASSERT_EQ(State(), good) << bytes.size();
  }
  EXPECT_EQ(plugin.LoadState(wanted), v3::kResultOk);
  EXPECT_EQ(State(), wanted);
}

TEST_F(Vst3Adapter, StateIsReadInPiecesAndNeverPastItsEnd) {
  plugin.Controller()->setParamNormalized(5, 0.75);
  std::vector<unsigned char> bytes = State();
  const size_t size = bytes.size();
  // A preset file holds more after the component's state.
  bytes.insert(bytes.end(), {'C', 'o', 'n', 't', 1, 2, 3});
  Vst3Plugin other;
  ASSERT_TRUE(other.Create(module, &error));
  Vst3MemoryStream stream(bytes);
  stream.LimitReads(1);
  ASSERT_EQ(other.Component()->setState(&stream), v3::kResultOk);
  int64_t position = 0;
  stream.tell(&position);
  EXPECT_EQ(position, static_cast<int64_t>(size));
  EXPECT_EQ(other.ParamNormalized(5), 0.75);
  EXPECT_EQ(stream.RefCount(), 1u);
}

// ---------------------------------------------------------------------------------------
// Processing

TEST_F(Vst3Adapter, AFlushAppliesChangesButIsNoBlock) {
  Start();
  plugin.QueueParam(1, 1.0, 0, true);  // inv pong: the pan glides from the first block
  ASSERT_TRUE(plugin.Flush());
  EXPECT_EQ(plugin.ParamNormalized(1), 1.0);
  std::vector<double> flushed;
  Render(8, false, &flushed);

  Vst3Plugin fresh;
  ASSERT_TRUE(fresh.Create(module, &error));
  ASSERT_TRUE(fresh.Setup(kRate, kBlock, false, &error));
  fresh.Controller()->setParamNormalized(1, 1.0);
  fresh.Activate();
  TestSignal source;
  std::vector<double> direct;
  RenderWith(fresh, source, 8, false, &direct);
  EXPECT_EQ(flushed, direct);
}

TEST_F(Vst3Adapter, WithoutAValidTempoOnlyTheDrySignal) {
  Start();
  plugin.Controller()->setParamNormalized(4, 0.7);
  for (int variant = 0; variant < 2; ++variant) {
    plugin.SetTempo(133.0, false);
    plugin.SetContextGiven(variant == 0);
    std::vector<double> out;
    TestSignal copy = signal;
    Render(6, false, &out);
    std::vector<double> l(kBlock), r(kBlock);
    // The dry gain is a float; the product is taken in double and narrowed.
    const double dry = 70 * 0.01f;
    auto dryOf = [dry](double x) {
      return static_cast<double>(static_cast<float>(dry * static_cast<float>(x)));
    };
    for (int b = 0; b < 6; ++b) {
      copy.Fill(l.data(), r.data(), kBlock);
      for (int i = 0; i < kBlock; ++i) {
        ASSERT_EQ(out[(2 * b) * kBlock + i], dryOf(l[i]));
        ASSERT_EQ(out[(2 * b + 1) * kBlock + i], dryOf(r[i]));
      }
    }
  }
}

TEST_F(Vst3Adapter, InPlaceBuffersGiveTheSameSamplesAndInputsStayUntouched) {
  for (bool wide : {false, true}) {
    Vst3Plugin a, b;
    ASSERT_TRUE(a.Create(module, &error));
    ASSERT_TRUE(b.Create(module, &error));
    for (Vst3Plugin* p : {&a, &b}) {
      ASSERT_TRUE(p->Setup(kRate, kBlock, wide, &error));
      p->Controller()->setParamNormalized(1, 2.0 / 3);  // ping pong
      p->Activate();
    }
    TestSignal source;
    // Past the first echo (ping pong at 120 BPM: 22050 frames), so that the line's reads
    // are compared too.
    for (int block = 0; block < 100; ++block) {
      std::vector<double> l(kBlock), r(kBlock);
      source.Fill(l.data(), r.data(), kBlock);
      std::vector<double> keepL = l, keepR = r, sepL(kBlock), sepR(kBlock);
      if (wide) {
        double* ins[2] = {l.data(), r.data()};
        double* outs[2] = {sepL.data(), sepR.data()};
        ASSERT_TRUE(a.ProcessDouble(ins, outs, kBlock));
        EXPECT_EQ(l, keepL);
        EXPECT_EQ(r, keepR);
        ASSERT_TRUE(b.ProcessDouble(ins, ins, kBlock));
        EXPECT_EQ(l, sepL);
        EXPECT_EQ(r, sepR);
      } else {
        std::vector<float> fl(l.begin(), l.end()), fr(r.begin(), r.end());
        std::vector<float> keep = fl, ol(kBlock), orr(kBlock);
        float* ins[2] = {fl.data(), fr.data()};
        float* outs[2] = {ol.data(), orr.data()};
        ASSERT_TRUE(a.Process(ins, outs, kBlock));
        EXPECT_EQ(fl, keep);
        ASSERT_TRUE(b.Process(ins, ins, kBlock));
        EXPECT_EQ(fl, ol);
        EXPECT_EQ(fr, orr);
      }
    }
  }
}

TEST_F(Vst3Adapter, ActivationAndProcessingStartForgetTheEchoes) {
  Start();
  plugin.Controller()->setParamNormalized(3, 0.9);
  std::vector<double> out;
  Render(20, false, &out);
  for (int restart = 0; restart < 2; ++restart) {
    if (restart == 0) {
      plugin.Deactivate();
      plugin.Activate();
    } else {
      Render(20, false, &out);
      plugin.Processor()->setProcessing(1);
    }
    std::vector<double> after;
    Render(200, true, &after);
    double peak = 0;
    for (double s : after) peak = std::max(peak, std::fabs(s));
    EXPECT_EQ(peak, 0.0) << restart;
  }
}

TEST_F(Vst3Adapter, TailCoversTheEchoesOfTheCurrentSettings) {
  Start();
  plugin.Controller()->setParamNormalized(0, 9.0 / 24);  // 1/8
  plugin.Controller()->setParamNormalized(3, 0.9);        // feedback 89 %
  std::vector<double> out;
  Render(1, false, &out);  // the tempo arrives
  const uint32_t tail = plugin.Tail();
  {
    MutexGuard guard(plug->PluginLock());
    EXPECT_EQ(tail, static_cast<uint32_t>(plug->TailSamples()));
  }
  EXPECT_GT(tail, 44100u);
  // An impulse, then silence: what comes after the tail is below the 16-bit floor.
  std::vector<double> rest;
  Render(static_cast<int>(tail / kBlock) + 40, true, &rest);
  const size_t blocksInTail = tail / kBlock + 1;
  double after = 0;
  double within = 0;
  for (size_t b = 0; b < rest.size() / (2 * kBlock); ++b) {
    double& peak = b < blocksInTail ? within : after;
    for (int i = 0; i < 2 * kBlock; ++i) peak = std::max(peak, std::fabs(rest[b * 2 * kBlock + i]));
  }
  EXPECT_GT(within, 1e-3);
  EXPECT_LT(after, 1.6e-5);
}

// ---------------------------------------------------------------------------------------
// Editor edits

TEST_F(Vst3Adapter, EditorEditsReachTheHandlerOnTheUiThreadOnly) {
  // The editor's thread makes a gesture; nothing reaches the host from there.
  std::thread editor([this] {
    plug->HostBeginParamEdit(2);
    plug->SetParamFromEditor(2, 0.25);
    plug->SetParamFromEditor(2, 0.5);
    plug->HostEndParamEdit(2);
    plug->DeliverToHost(true);
  });
  editor.join();
  EXPECT_TRUE(plugin.Handler().edits.empty());
  // The host's next frequent call on the UI thread hands the gesture over (values of one
  // gesture coalesce).
  EXPECT_EQ(plugin.ParamNormalized(2), 0.5);
  const std::vector<Vst3HostEdit>& edits = plugin.Handler().edits;
  ASSERT_EQ(edits.size(), 3u);
  EXPECT_EQ(edits[0].kind, Vst3HostEdit::kBegin);
  EXPECT_EQ(edits[1].kind, Vst3HostEdit::kPerform);
  EXPECT_EQ(edits[1].value, 0.5);
  EXPECT_EQ(edits[2].kind, Vst3HostEdit::kEnd);
  for (const Vst3HostEdit& edit : edits) EXPECT_EQ(edit.id, 2u);
  // The editor's idle pass on the UI thread delivers as well.
  plug->HostBeginParamEdit(4);
  plug->HostEndParamEdit(4);
  plug->HandleEditorIdle();
  EXPECT_EQ(plugin.Handler().edits.size(), 5u);
}

TEST_F(Vst3Adapter, TheViewReportsTheEditorAndTakesTheContentScale) {
  v3::PlugView* view = plugin.Controller()->createView(v3::kEditorViewType);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->isPlatformTypeSupported(v3::kX11WindowType), v3::kResultTrue);
  EXPECT_EQ(view->isPlatformTypeSupported(v3::kHwndType), v3::kResultFalse);
  EXPECT_EQ(view->isPlatformTypeSupported(nullptr), v3::kResultFalse);
  v3::Rect rect = {};
  ASSERT_EQ(view->getSize(&rect), v3::kResultOk);
  EXPECT_EQ(rect.right - rect.left, kEditorWidth);
  EXPECT_EQ(rect.bottom - rect.top, kEditorHeight);
  EXPECT_EQ(view->getSize(nullptr), v3::kInvalidArgument);
  EXPECT_EQ(view->canResize(), v3::kResultFalse);
  EXPECT_EQ(view->attached(nullptr, v3::kX11WindowType), v3::kInvalidArgument);
  EXPECT_EQ(view->removed(), v3::kResultFalse);
  void* face = nullptr;
  ASSERT_EQ(view->queryInterface(v3::AsRaw(v3::ContentScaleSupport::kId), &face), v3::kResultOk);
  auto* scale = static_cast<v3::ContentScaleSupport*>(face);
  EXPECT_EQ(scale->setContentScaleFactor(2.0f), v3::kResultOk);
  EXPECT_EQ(scale->setContentScaleFactor(0.0f), v3::kInvalidArgument);
  EXPECT_EQ(scale->setContentScaleFactor(std::numeric_limits<float>::infinity()),
            v3::kInvalidArgument);
  scale->release();
  // The scale sets the size the view reports.
  ASSERT_EQ(view->getSize(&rect), v3::kResultOk);
  EXPECT_EQ(rect.right - rect.left, 2 * kEditorWidth);
  EXPECT_EQ(rect.bottom - rect.top, 2 * kEditorHeight);
  EXPECT_EQ(view->queryInterface(v3::AsRaw(v3::Component::kId), &face), v3::kNoInterface);
  // The view holds the plug-in: releasing the host's references first is safe.
  EXPECT_EQ(view->release(), 0u);
}

}  // namespace
