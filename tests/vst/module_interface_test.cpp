// The plug-in module as a host sees it: loaded with dlopen, driven only through the
// AEffect record and the dispatcher.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/test_host.h"
#include "vst/private_calls.h"

namespace {

class ModuleTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sModule = dlopen(QUELORA_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(sModule, nullptr) << dlerror();
    sEntry = reinterpret_cast<VstPluginMainProc>(dlsym(sModule, "VSTPluginMain"));
    ASSERT_NE(sEntry, nullptr);
  }

  void SetUp() override {
    ASSERT_NE(sEntry, nullptr);
    ASSERT_NE(host.Create(sEntry), nullptr);
  }

  std::vector<unsigned char> Chunk(int index) {
    void* data = nullptr;
    const VstIntPtr size = host.Dispatch(effGetChunk, index, 0, &data);
    if (size <= 0 || !data) return {};
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
  }

  std::vector<std::string> Displays() {
    std::vector<std::string> texts;
    for (int i = 0; i < 6; ++i) texts.push_back(host.ParamDisplay(i));
    return texts;
  }

  static void* sModule;
  static VstPluginMainProc sEntry;
  TestHost host;
};

void* ModuleTest::sModule = nullptr;
VstPluginMainProc ModuleTest::sEntry = nullptr;

TEST_F(ModuleTest, BothEntryPointsCreateInstances) {
  auto legacy = reinterpret_cast<VstPluginMainProc>(dlsym(sModule, "main"));
  ASSERT_NE(legacy, nullptr);
  TestHost other;
  AEffect* effect = other.Create(legacy);
  ASSERT_NE(effect, nullptr);
  EXPECT_NE(effect, host.effect());
  EXPECT_EQ(effect->magic, kEffectMagic);
}

TEST_F(ModuleTest, RecordDescribesTheEffect) {
  AEffect* e = host.effect();
  EXPECT_EQ(e->magic, 0x56737450);
  EXPECT_EQ(e->numPrograms, 24);
  EXPECT_EQ(e->numParams, 6);
  EXPECT_EQ(e->numInputs, 2);
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_EQ(e->flags, 0x1019);  // editor, mono, replacing, double replacing
  EXPECT_EQ(e->initialDelay, 0);
  EXPECT_EQ(e->ioRatio, 1.0f);
  EXPECT_EQ(e->uniqueID, 0x6B32717A);  // 'k2qz'
  EXPECT_EQ(e->uniqueID, 1798467962);
  EXPECT_EQ(e->version, 10200);
  EXPECT_NE(e->object, nullptr);
  EXPECT_NE(e->process, nullptr);
  EXPECT_NE(e->processReplacing, nullptr);
  EXPECT_NE(e->processDoubleReplacing, nullptr);
}

TEST_F(ModuleTest, IdentityOpcodes) {
  EXPECT_EQ(host.Dispatch(effGetVstVersion), 2400);
  EXPECT_EQ(host.Dispatch(effGetVendorVersion), 10200);
  EXPECT_EQ(host.Dispatch(effIdentify), 0x4E764566);
  EXPECT_EQ(host.Dispatch(effGetPlugCategory), kPlugCategEffect);
  EXPECT_EQ(host.Text(effGetEffectName), "Quelora 2");
  EXPECT_EQ(host.Text(effGetVendorString), "Obvik");
  EXPECT_EQ(host.Text(effGetProductString), "");
  EXPECT_EQ(host.Dispatch(effGetEffectName), 0);  // null buffer
  EXPECT_EQ(host.Dispatch(effProcessVarIo), 0);
  EXPECT_EQ(host.Dispatch(effCanBeAutomated, 99), 1);
  EXPECT_EQ(host.Dispatch(effEditIdle), 0);
  EXPECT_EQ(host.Dispatch(effIdle), 0);
  EXPECT_EQ(host.Dispatch(9999), 0);
}

TEST_F(ModuleTest, EditorRectangleAndWindowlessOpenClose) {
  ERect* rect = nullptr;
  ASSERT_EQ(host.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 209);
  EXPECT_EQ(rect->right, 550);
  EXPECT_EQ(host.Dispatch(effEditGetRect), 0);  // nowhere to store it
  // Closing an editor that was never opened is harmless; opening without a parent (or
  // with a window id that names no window) fails without crashing, and the editor still
  // draws afterwards.
  EXPECT_EQ(host.Dispatch(effEditClose), 1);
  EXPECT_EQ(host.Dispatch(effEditOpen), 0);
  EXPECT_EQ(host.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t{0x7fffff01})), 0);
  EXPECT_EQ(host.Dispatch(effEditClose), 1);
  EXPECT_EQ(host.Dispatch(effEditClose), 1);
  std::vector<unsigned char> pixels(550 * 209 * 4);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, kRenderEditorCall,
                          static_cast<VstIntPtr>(pixels.size()), pixels.data()),
            kRenderEditorDone);
}

TEST_F(ModuleTest, OffscreenEditorPicture) {
  const size_t size = 550 * 209 * 4;
  std::vector<unsigned char> pixels(size + 8, 0x5A);
  auto render = [&](VstIntPtr bytes, void* buffer) {
    return host.Dispatch(effVendorSpecific, kRenderEditorCall, bytes, buffer);
  };
  // Refused without touching anything: no buffer, a size off by one either way, a
  // negative size.
  EXPECT_EQ(render(static_cast<VstIntPtr>(size), nullptr), 0);
  EXPECT_EQ(render(static_cast<VstIntPtr>(size) - 1, pixels.data()), 0);
  EXPECT_EQ(render(static_cast<VstIntPtr>(size) + 1, pixels.data()), 0);
  EXPECT_EQ(render(-1, pixels.data()), 0);
  for (unsigned char b : pixels) ASSERT_EQ(b, 0x5A);

  ASSERT_EQ(render(static_cast<VstIntPtr>(size), pixels.data()), kRenderEditorDone);
  // The panel is opaque everywhere, and nothing is written past the buffer.
  for (size_t i = 3; i < size; i += 4) ASSERT_EQ(pixels[i], 255) << "pixel " << i / 4;
  for (size_t i = size; i < pixels.size(); ++i) EXPECT_EQ(pixels[i], 0x5A);
  // Rendering again without changes gives the same picture.
  std::vector<unsigned char> again(size);
  ASSERT_EQ(render(static_cast<VstIntPtr>(size), again.data()), kRenderEditorDone);
  EXPECT_TRUE(std::equal(again.begin(), again.end(), pixels.begin()));
  // A parameter change from the host reaches the picture.
  host.SetParameter(3, 0.f);
  ASSERT_EQ(render(static_cast<VstIntPtr>(size), again.data()), kRenderEditorDone);
  EXPECT_FALSE(std::equal(again.begin(), again.end(), pixels.begin()));
}

TEST_F(ModuleTest, OpenAsksHostIdentityOnce) {
  host.productString = "Some Forte Host";
  host.Dispatch(effOpen);
  host.Dispatch(effOpen);
  int productAsks = 0;
  for (const auto& call : host.calls) productAsks += call.opcode == audioMasterGetProductString;
  EXPECT_EQ(productAsks, 1);
  // The channel quirk of that host family changes nothing for two channels.
  EXPECT_EQ(host.effect()->numInputs, 2);
  EXPECT_EQ(host.effect()->numOutputs, 2);
}

TEST_F(ModuleTest, PinPropertiesAndSpeakerArrangements) {
  VstPinProperties pin;
  memset(&pin, 0, sizeof(pin));
  EXPECT_EQ(host.Dispatch(effGetInputProperties, 0, 0, &pin), 1);
  EXPECT_EQ(pin.flags, 3);
  EXPECT_STREQ(pin.label, "Input 1");
  EXPECT_EQ(host.Dispatch(effGetInputProperties, 1, 0, &pin), 1);
  EXPECT_EQ(pin.flags, 1);
  EXPECT_STREQ(pin.label, "Input 2");
  EXPECT_EQ(host.Dispatch(effGetOutputProperties, 0, 0, &pin), 1);
  EXPECT_EQ(pin.flags, 3);
  EXPECT_STREQ(pin.label, "Output 1");
  EXPECT_EQ(host.Dispatch(effGetOutputProperties, 1, 0, &pin), 1);
  EXPECT_STREQ(pin.label, "Output 2");
  EXPECT_EQ(host.Dispatch(effGetInputProperties, 2, 0, &pin), 0);
  EXPECT_EQ(host.Dispatch(effGetOutputProperties, -1, 0, &pin), 0);
  EXPECT_EQ(host.Dispatch(effGetInputProperties, 0, 0, nullptr), 0);

  VstSpeakerArrangement* in = nullptr;
  VstSpeakerArrangement* out = nullptr;
  EXPECT_EQ(host.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
  ASSERT_NE(in, nullptr);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(in->type, kSpeakerArrStereo);
  EXPECT_EQ(in->numChannels, 2);
  EXPECT_EQ(out->type, kSpeakerArrStereo);
  EXPECT_EQ(host.Dispatch(effGetSpeakerArrangement), 1);  // both null: nothing stored
}

TEST_F(ModuleTest, CanDoAndVendorSpecific) {
  char query[64];
  auto canDo = [&](const char* text) {
    snprintf(query, sizeof(query), "%s", text);
    return host.Dispatch(effCanDo, 0, 0, query);
  };
  EXPECT_EQ(canDo("receiveVstTimeInfo"), 1);
  EXPECT_EQ(canDo("sendVstEvents"), 0);
  EXPECT_EQ(canDo("sendVstMidiEvent"), 0);
  EXPECT_EQ(canDo("receiveVstEvents"), 0);
  EXPECT_EQ(canDo("receiveVstMidiEvent"), 0);
  EXPECT_EQ(canDo("hasCockosExtensions"), static_cast<VstIntPtr>(0xBEEF0000u));
  EXPECT_EQ(canDo("hasCockosViewAsConfig"), static_cast<VstIntPtr>(0xBEEF0000u));
  EXPECT_EQ(canDo("receiveVstTimeInfoX"), 0);
  EXPECT_EQ(canDo("ReceiveVstTimeInfo"), 0);
  EXPECT_EQ(host.Dispatch(effCanDo), 0);

  char text[64] = "";
  // 7: display text for a normalized value.
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 7, 0, text, 0.5f), 0xBEEF);
  EXPECT_STREQ(text, "1/4");
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 7, 2, text, 0.5f), 0xBEEF);
  EXPECT_STREQ(text, "50");
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 7, 1, text, NAN), 0xBEEF);
  EXPECT_STREQ(text, "left");
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 7, 0, text, 1e30f), 0xBEEF);
  EXPECT_STREQ(text, "4/1");
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 7, 0, nullptr, 0.5f), 0);
  // 8: no parameter of this effect is a switch.
  for (int i = 0; i < 6; ++i) EXPECT_EQ(host.Dispatch(effVendorSpecific, 8, i), 0) << i;
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 8, 6), 0);
  // 27: text to normalized value, written back.
  snprintf(text, sizeof(text), "1/8");
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 27, 0, text), 0xBEEF);
  EXPECT_STREQ(text, "0.37500000000000000");
  snprintf(text, sizeof(text), "250");
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 27, 3, text), 0xBEEF);
  EXPECT_STREQ(text, "1.00000000000000000");
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 27, 6, text), 0);
  // The wheel call needs an editor.
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 0x73744341, 0x57686565, nullptr, 1.f), 0);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 1234, 0, text), 0);
}

TEST_F(ModuleTest, ParameterTexts) {
  const char* names[6] = {"Delay Rate", "Position", "Pan Width", "Feedback", "Dry Mix", "Wet Mix"};
  const char* labels[6] = {"", "", "%", "%", "%", "%"};
  const char* displays[6] = {"1/4", "left", "90", "60", "100", "50"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(host.Text(effGetParamName, i), names[i]);
    EXPECT_EQ(host.Text(effGetParamLabel, i), labels[i]);
    EXPECT_EQ(host.ParamDisplay(i), displays[i]);
  }
  // Bad indices leave the buffer alone and answer 0.
  char text[16] = "untouched";
  EXPECT_EQ(host.Dispatch(effGetParamName, 6, 0, text), 0);
  EXPECT_EQ(host.Dispatch(effGetParamDisplay, -1, 0, text), 0);
  EXPECT_STREQ(text, "untouched");

  // The note texts in order, and the cap of Feedback at 99.
  const char* notes[25] = {"1/64", "1/32T", "1/64D", "1/32", "1/16T", "1/32D", "1/16",
                           "1/8T", "1/16D", "1/8",   "1/4T", "1/8D",  "1/4",   "1/2T",
                           "1/4D", "1/2",   "1/1T",  "1/2D", "1/1",   "2/1T",  "1/1D",
                           "2/1",  "4/1T",  "2/1D",  "4/1"};
  for (int k = 0; k < 25; ++k) {
    host.SetParameter(0, static_cast<float>(k) / 24.f);
    EXPECT_EQ(host.ParamDisplay(0), notes[k]) << k;
  }
  host.SetParameter(3, 1.f);
  EXPECT_EQ(host.ParamDisplay(3), "99");
}

TEST_F(ModuleTest, SetParameterIgnoresNonFiniteAndClampsRange) {
  host.SetParameter(2, 0.25f);
  EXPECT_FLOAT_EQ(host.GetParameter(2), 0.25f);
  host.SetParameter(2, NAN);
  host.SetParameter(2, INFINITY);
  host.SetParameter(2, -INFINITY);
  EXPECT_FLOAT_EQ(host.GetParameter(2), 0.25f);
  host.SetParameter(2, -3.f);
  EXPECT_EQ(host.ParamDisplay(2), "0");
  host.SetParameter(2, 7.f);
  EXPECT_EQ(host.ParamDisplay(2), "100");
  host.SetParameter(6, 0.5f);
  host.SetParameter(-1, 0.5f);
  EXPECT_EQ(host.GetParameter(6), 0.f);
  EXPECT_EQ(host.GetParameter(-1), 0.f);
  for (const auto& call : host.calls) EXPECT_NE(call.opcode, audioMasterAutomate);
}

TEST_F(ModuleTest, StringToParameter) {
  char text[32] = "1/8";
  EXPECT_EQ(host.Dispatch(effString2Parameter, 0, 0, text), 1);
  EXPECT_EQ(host.ParamDisplay(0), "1/8");
  snprintf(text, sizeof(text), "ping pong");
  EXPECT_EQ(host.Dispatch(effString2Parameter, 1, 0, text), 1);
  EXPECT_EQ(host.ParamDisplay(1), "ping pong");
  snprintf(text, sizeof(text), "Ping Pong");  // case matters: no text matches, number 0
  EXPECT_EQ(host.Dispatch(effString2Parameter, 1, 0, text), 1);
  EXPECT_EQ(host.ParamDisplay(1), "left");
  // Typed values take the parameter's step, as in the editor's entry field.
  snprintf(text, sizeof(text), "  45.4");
  EXPECT_EQ(host.Dispatch(effString2Parameter, 2, 0, text), 1);
  EXPECT_NEAR(host.GetParameter(2), 0.45f, 1e-6);
  snprintf(text, sizeof(text), "150");
  EXPECT_EQ(host.Dispatch(effString2Parameter, 3, 0, text), 1);
  EXPECT_EQ(host.ParamDisplay(3), "99");
  snprintf(text, sizeof(text), "nan");
  EXPECT_EQ(host.Dispatch(effString2Parameter, 4, 0, text), 1);
  EXPECT_EQ(host.ParamDisplay(4), "0");
  EXPECT_EQ(host.Dispatch(effString2Parameter, 5, 0, nullptr), 1);
  EXPECT_EQ(host.Dispatch(effString2Parameter, 6, 0, text), 0);
  for (const auto& call : host.calls) EXPECT_NE(call.opcode, audioMasterAutomate);
}

TEST_F(ModuleTest, ProgramNames) {
  const char* named[17] = {
      "---- default ----", "Classic Delay",  "Bright Room",      "Dark Room",  "Etheric Room",
      "Resonant Room",     "Distant Echoes", "Distant Echoes 2", "Harp",       "Long Delay",
      "Very Long Delay",   "Don't Stop",     "Light Drops",      "Only Delay", "Quiet Delay",
      "Relaxation",        "Stereo Enhanced"};
  char name[300];
  for (int i = 0; i < 24; ++i) {
    const std::string expected = i < 17 ? named[i] : "- " + std::to_string(i + 1) + " -";
    EXPECT_EQ(host.Dispatch(effGetProgramNameIndexed, i, 0, name), 1) << i;
    EXPECT_EQ(std::string(name), expected);
  }
  EXPECT_EQ(host.Dispatch(effGetProgramNameIndexed, 24, 0, name), 0);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(host.Dispatch(effGetProgramNameIndexed, 0, 0, nullptr), 0);
  EXPECT_EQ(host.Dispatch(effGetProgram), 0);
  EXPECT_EQ(host.Text(effGetProgramName), "---- default ----");

  // Renaming: a long name is kept up to 255 characters.
  std::string longName(400, 'x');
  host.Dispatch(effSetProgramName, 0, 0, &longName[0]);
  EXPECT_EQ(host.Text(effGetProgramName), std::string(255, 'x'));
}

TEST_F(ModuleTest, FactoryPresetsRecallTheirValues) {
  struct Preset {
    const char* texts[6];
  };
  const Preset presets[17] = {{{"1/4", "left", "90", "60", "100", "50"}},
                              {{"1/8", "ping pong", "90", "60", "70", "60"}},
                              {{"1/64", "ping pong", "100", "60", "100", "70"}},
                              {{"1/32T", "ping pong", "90", "50", "60", "60"}},
                              {{"1/32T", "inv pong", "100", "90", "90", "50"}},
                              {{"1/64", "ping pong", "100", "80", "100", "60"}},
                              {{"2/1", "left", "100", "60", "60", "50"}},
                              {{"1/1D", "right", "100", "70", "60", "40"}},
                              {{"1/32", "ping pong", "90", "90", "70", "50"}},
                              {{"1/8", "ping pong", "90", "80", "80", "70"}},
                              {{"1/8", "inv pong", "90", "90", "70", "50"}},
                              {{"1/8", "ping pong", "90", "96", "70", "70"}},
                              {{"1/64D", "inv pong", "90", "80", "70", "50"}},
                              {{"1/4", "ping pong", "90", "60", "0", "90"}},
                              {{"1/16", "ping pong", "90", "80", "50", "30"}},
                              {{"1/16", "ping pong", "90", "80", "60", "40"}},
                              {{"1/8", "ping pong", "100", "70", "100", "70"}}};
  for (int slot = 16; slot >= 0; --slot) {
    host.Dispatch(effSetProgram, 0, slot);
    EXPECT_EQ(host.Dispatch(effGetProgram), slot);
    const std::vector<std::string> texts = Displays();
    for (int i = 0; i < 6; ++i) EXPECT_EQ(texts[i], presets[slot].texts[i]) << slot << "/" << i;
  }
  // "Classic Delay" as normalized values.
  host.Dispatch(effSetProgram, 0, 1);
  EXPECT_FLOAT_EQ(host.GetParameter(0), 9.f / 24.f);
  EXPECT_FLOAT_EQ(host.GetParameter(1), 2.f / 3.f);
  EXPECT_FLOAT_EQ(host.GetParameter(3), 60.f / 99.f);
  // An empty slot becomes a user preset holding the current values.
  host.Dispatch(effSetProgram, 0, 20);
  EXPECT_EQ(host.Dispatch(effGetProgram), 20);
  EXPECT_EQ(host.Text(effGetProgramName), "user preset 1");
  EXPECT_EQ(host.ParamDisplay(0), "1/8");
  // Out of range: nothing changes.
  host.Dispatch(effSetProgram, 0, 24);
  host.Dispatch(effSetProgram, 0, -1);
  host.Dispatch(effSetProgram, 0, static_cast<VstIntPtr>(1) << 40);
  EXPECT_EQ(host.Dispatch(effGetProgram), 20);
}

TEST_F(ModuleTest, ChunksOfAFreshInstance) {
  const std::vector<unsigned char> program = Chunk(1);
  ASSERT_EQ(program.size(), 56u);
  const unsigned char header[8] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  EXPECT_EQ(memcmp(program.data(), header, 8), 0);
  double rate = 0;
  memcpy(&rate, program.data() + 8, 8);
  EXPECT_EQ(rate, 12.0);
  const std::vector<unsigned char> bank = Chunk(0);
  ASSERT_EQ(bank.size(), 1187u);
  EXPECT_EQ(memcmp(bank.data(), header, 8), 0);
  EXPECT_EQ(host.Dispatch(effGetChunk, 0, 0, nullptr), 0);
}

TEST_F(ModuleTest, BankRoundTripIntoAnotherInstance) {
  host.Dispatch(effSetProgram, 0, 5);
  host.SetParameter(2, 0.3f);
  char name[] = "Renamed";
  host.Dispatch(effSetProgramName, 0, 0, name);
  const std::vector<unsigned char> bank = Chunk(0);
  ASSERT_FALSE(bank.empty());

  TestHost other;
  ASSERT_NE(other.Create(sEntry), nullptr);
  std::vector<unsigned char> copy = bank;
  EXPECT_EQ(other.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(copy.size()), copy.data()), 1);
  char text[300];
  other.Dispatch(effGetProgramNameIndexed, 5, 0, text);
  EXPECT_STREQ(text, "Renamed");
  // The current program is not part of the bank: the other instance stays on slot 0.
  EXPECT_EQ(other.Dispatch(effGetProgram), 0);
  other.Dispatch(effSetProgram, 0, 5);
  EXPECT_EQ(other.ParamDisplay(2), "30");
  // The bank the other instance writes is the same, once it is on the same program.
  void* data = nullptr;
  const VstIntPtr size = other.Dispatch(effGetChunk, 0, 0, &data);
  ASSERT_EQ(size, static_cast<VstIntPtr>(bank.size()));
  EXPECT_EQ(memcmp(data, bank.data(), bank.size()), 0);
}

TEST_F(ModuleTest, ProgramChunkRoundTripAndHeaderlessValues) {
  host.Dispatch(effSetProgram, 0, 13);  // "Only Delay"
  std::vector<unsigned char> program = Chunk(1);
  host.Dispatch(effSetProgram, 0, 0);
  EXPECT_EQ(host.Dispatch(effSetChunk, 1, static_cast<VstIntPtr>(program.size()), program.data()),
            1);
  EXPECT_EQ(Displays(), (std::vector<std::string>{"1/4", "ping pong", "90", "60", "0", "90"}));

  // Six bare doubles, no header: read from byte 0, clamped into range.
  const double values[6] = {3, 1, 33, 500, -4, 12};
  std::vector<unsigned char> bare(48);
  memcpy(bare.data(), values, 48);
  EXPECT_EQ(host.Dispatch(effSetChunk, 1, 48, bare.data()), 1);
  EXPECT_EQ(Displays(), (std::vector<std::string>{"1/32", "right", "33", "99", "0", "12"}));
  // ...and stored into the current program.
  host.Dispatch(effSetProgram, 0, 1);
  host.Dispatch(effSetProgram, 0, 0);
  EXPECT_EQ(host.ParamDisplay(0), "1/32");
}

TEST_F(ModuleTest, RejectedChunks) {
  const std::vector<std::string> before = Displays();
  unsigned char six[6] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00};
  EXPECT_EQ(host.Dispatch(effSetChunk, 1, 6, six), 0);
  EXPECT_EQ(host.Dispatch(effSetChunk, 0, 6, six), 0);
  unsigned char some[16] = {};
  EXPECT_EQ(host.Dispatch(effSetChunk, 1, -1, some), 0);
  EXPECT_EQ(host.Dispatch(effSetChunk, 1, 0, some), 0);
  EXPECT_EQ(host.Dispatch(effSetChunk, 1, static_cast<VstIntPtr>(1) << 40, some), 0);
  EXPECT_EQ(host.Dispatch(effSetChunk, 1, 17 * 1024 * 1024, some), 0);
  EXPECT_EQ(host.Dispatch(effSetChunk, 1, 16, nullptr), 0);
  EXPECT_EQ(Displays(), before);

  // A bank cut in the middle of a slot record fails.
  std::vector<unsigned char> bank = Chunk(0);
  bank.resize(bank.size() / 2);
  EXPECT_EQ(host.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(bank.size()), bank.data()), 0);
}

TEST_F(ModuleTest, ChunkHandedBackFromItsOwnBuffer) {
  // Some hosts pass the block they received straight back.
  void* data = nullptr;
  const VstIntPtr size = host.Dispatch(effGetChunk, 0, 0, &data);
  ASSERT_GT(size, 0);
  EXPECT_EQ(host.Dispatch(effSetChunk, 0, size, data), 1);
  EXPECT_EQ(host.Dispatch(effSetChunk, 0, size + 1000, data), 0);  // runs past the block
  const VstIntPtr programSize = host.Dispatch(effGetChunk, 1, 0, &data);
  EXPECT_EQ(host.Dispatch(effSetChunk, 1, programSize, data), 1);
  EXPECT_EQ(host.ParamDisplay(0), "1/4");
}

TEST_F(ModuleTest, EventsAndKeyNames) {
  VstMidiEvent midi;
  memset(&midi, 0, sizeof(midi));
  midi.type = kVstMidiType;
  midi.byteSize = sizeof(midi);
  midi.midiData[0] = static_cast<char>(0x90);
  VstMidiSysexEvent sysex;
  memset(&sysex, 0, sizeof(sysex));
  sysex.type = kVstSysExType;
  sysex.byteSize = sizeof(sysex);
  sysex.dumpBytes = -5;  // refused
  VstEvents events;
  memset(&events, 0, sizeof(events));
  events.numEvents = 2;
  events.events[0] = reinterpret_cast<VstEvent*>(&midi);
  events.events[1] = reinterpret_cast<VstEvent*>(&sysex);
  EXPECT_EQ(host.Dispatch(effProcessEvents, 0, 0, &events), 1);
  EXPECT_EQ(host.Dispatch(effProcessEvents), 0);

  MidiKeyName key;
  memset(&key, 'x', sizeof(key));
  key.thisKeyNumber = 60;
  EXPECT_EQ(host.Dispatch(effGetMidiKeyName, 0, 0, &key), 0);
  EXPECT_EQ(key.keyName[0], '\0');
}

TEST_F(ModuleTest, HostileProcessingCallsDoNotCrash) {
  host.Start();
  std::vector<float> a(600, 0.5f), b(600, 0.5f);
  float* ins[2] = {a.data(), b.data()};
  float* outs[2] = {a.data(), b.data()};  // in place
  AEffect* e = host.effect();
  e->processReplacing(e, nullptr, nullptr, 512);
  e->processReplacing(e, ins, nullptr, 512);
  e->processReplacing(e, nullptr, outs, 512);
  e->processReplacing(e, ins, outs, -5);
  e->processReplacing(e, ins, outs, 0);
  float* nullEntries[2] = {nullptr, nullptr};
  e->processReplacing(e, nullEntries, nullEntries, 512);
  e->process(e, ins, outs, 600);
  double* dnull[2] = {nullptr, nullptr};
  e->processDoubleReplacing(e, dnull, dnull, 512);
  e->processDoubleReplacing(e, nullptr, nullptr, 512);
  for (float v : a) EXPECT_TRUE(std::isfinite(v));
  // Block sizes that make no sense are refused or bounded.
  host.Dispatch(effSetBlockSize, 0, 0);
  host.Dispatch(effSetBlockSize, 0, -7);
  host.Dispatch(effSetBlockSize, 0, static_cast<VstIntPtr>(1) << 40);
  host.Dispatch(effSetSampleRate, 0, 0, nullptr, NAN);
  host.Dispatch(effSetSampleRate, 0, 0, nullptr, -1.f);
  e->processReplacing(e, ins, outs, 600);
  for (float v : a) EXPECT_TRUE(std::isfinite(v));
}

}  // namespace
