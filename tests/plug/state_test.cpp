#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/mock_plug.h"

namespace {

std::vector<unsigned char> Bytes(const StateChunk& c) {
  return std::vector<unsigned char>(c.Data(), c.Data() + c.Size());
}

void AppendRaw(StateChunk& c, std::initializer_list<unsigned char> bytes) {
  for (unsigned char b : bytes) c.AppendBytes(&b, 1);
}

TEST(StateChunkTest, AppendsLittleEndianAndReadsBack) {
  StateChunk c;
  EXPECT_TRUE(c.AppendWord(-2));
  EXPECT_TRUE(c.AppendText("ab"));
  EXPECT_TRUE(c.AppendFlag(true));
  EXPECT_TRUE(c.AppendDouble(1.0));
  EXPECT_TRUE(c.AppendText(nullptr));
  const std::vector<unsigned char> expected = {0xFE, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 'a', 'b', 1,
                                               0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0, 0, 0, 0};
  EXPECT_EQ(Bytes(c), expected);

  int word = 0;
  double d = 0;
  bool flag = false;
  EXPECT_EQ(c.ReadWord(0, &word), 4);
  EXPECT_EQ(word, -2);
  EXPECT_EQ(c.ReadFlag(10, &flag), 11);
  EXPECT_TRUE(flag);
  EXPECT_EQ(c.ReadDouble(11, &d), 19);
  EXPECT_EQ(d, 1.0);
  // Out of data, negative or huge positions fail and leave the value alone.
  word = 7;
  EXPECT_EQ(c.ReadWord(20, &word), -1);
  EXPECT_EQ(c.ReadWord(-1, &word), -1);
  EXPECT_EQ(c.ReadWord(INT_MAX - 1, &word), -1);
  EXPECT_EQ(c.ReadDouble(16, &d), -1);
  EXPECT_EQ(word, 7);
  EXPECT_TRUE(c.AppendBytes(nullptr, 0));
  EXPECT_FALSE(c.AppendBytes(nullptr, 3));
  EXPECT_EQ(c.Size(), 23);
}

TEST(StateChunkTest, HeaderResizeAndReadStart) {
  StateChunk c;
  EXPECT_TRUE(c.ResetChunkWithHeader());
  EXPECT_EQ(Bytes(c), (std::vector<unsigned char>{0x74, 0x66, 0x66, 0x70, 0, 0, 1, 0}));
  int version = -5;
  EXPECT_EQ(ChunkReadStart(c, &version), 8);
  EXPECT_EQ(version, kChunkVersion);

  EXPECT_EQ(c.ResizeZeroFilled(6), 8);  // magic and half a version: a failed read
  EXPECT_EQ(ChunkReadStart(c, &version), -1);
  EXPECT_EQ(version, 0);
  EXPECT_EQ(c.ResizeZeroFilled(4), 6);
  EXPECT_EQ(ChunkReadStart(c, &version), -1);

  EXPECT_EQ(c.ResizeZeroFilled(12), 4);  // the new bytes are zero
  EXPECT_EQ(Bytes(c), (std::vector<unsigned char>{0x74, 0x66, 0x66, 0x70, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(c.ResizeZeroFilled(-3), 12);
  EXPECT_EQ(c.Size(), 0);
  EXPECT_EQ(ChunkReadStart(c, nullptr), 0);  // no magic: read from the start

  AppendRaw(c, {1, 2, 3, 4, 5});
  EXPECT_EQ(ChunkReadStart(c, &version), 0);
  EXPECT_EQ(version, 0);
  c.Clear();
  EXPECT_EQ(c.Size(), 0);
  EXPECT_EQ(c.Data(), nullptr);
}

TEST(ProgramStateTest, ProgramChunkIsHeaderAndSixDoubles) {
  TestPlug plug;
  StateChunk c;
  ASSERT_TRUE(c.ResetChunkWithHeader());
  ASSERT_TRUE(plug.WriteProgramState(c));
  // 12, 0, 100, 50, 100, 50 as little-endian doubles after the header.
  const std::vector<unsigned char> expected = {
      0x74, 0x66, 0x66, 0x70, 0, 0, 1, 0,     //
      0, 0, 0, 0, 0, 0, 0x28, 0x40,           // 12
      0, 0, 0, 0, 0, 0, 0, 0,                 // 0
      0, 0, 0, 0, 0, 0, 0x59, 0x40,           // 100
      0, 0, 0, 0, 0, 0, 0x49, 0x40,           // 50
      0, 0, 0, 0, 0, 0, 0x59, 0x40,           // 100
      0, 0, 0, 0, 0, 0, 0x49, 0x40};          // 50
  EXPECT_EQ(Bytes(c), expected);
}

TEST(ProgramStateTest, ReadClampsAndNotifiesEveryParameter) {
  TestPlug plug;
  StateChunk c;
  c.ResetChunkWithHeader();
  const double values[] = {30.0, 2.0, std::nan(""), -1e300, 1e300, 42.0};
  for (double v : values) c.AppendDouble(v);
  EXPECT_EQ(plug.ReadProgramState(c, ChunkReadStart(c, nullptr)), 56);
  EXPECT_EQ(plug.Values(), (std::vector<double>{24, 2, 0, 0, 100, 42}));
  EXPECT_EQ(plug.changed, (std::vector<int>{0, 1, 2, 3, 4, 5}));

  // A headerless list of six doubles is read as a program.
  StateChunk bare;
  for (double v : {1.0, 3.0, 10.0, 20.0, 30.0, 40.0}) bare.AppendDouble(v);
  int version = -1;
  EXPECT_EQ(plug.ReadProgramState(bare, ChunkReadStart(bare, &version)), 48);
  EXPECT_EQ(version, 0);
  EXPECT_EQ(plug.Values(), (std::vector<double>{1, 3, 10, 20, 30, 40}));
}

TEST(ProgramStateTest, ShortChunksFailAndChangeOnlyWhereDataRanOut) {
  const std::vector<double> before = {5, 3, 70, 60, 80, 90};

  {  // header only: parameter 0 becomes 0 clamped, the rest keep their values
    TestPlug plug;
    plug.SetValues(before);
    StateChunk c;
    c.ResetChunkWithHeader();
    EXPECT_EQ(plug.ReadProgramState(c, ChunkReadStart(c, nullptr)), -1);
    EXPECT_EQ(plug.Values(), (std::vector<double>{0, 3, 70, 60, 80, 90}));
    EXPECT_EQ(plug.changed.size(), 6u);
  }
  {  // magic only: the start is already -1, nothing changes but all are notified
    TestPlug plug;
    plug.SetValues(before);
    StateChunk c;
    c.AppendWord(kChunkMagic);
    EXPECT_EQ(plug.ReadProgramState(c, ChunkReadStart(c, nullptr)), -1);
    EXPECT_EQ(plug.Values(), before);
    EXPECT_EQ(plug.changed.size(), 6u);
  }
  {  // three of six values
    TestPlug plug;
    plug.SetValues(before);
    StateChunk c;
    c.ResetChunkWithHeader();
    for (double v : {7.0, 1.0, 11.0}) c.AppendDouble(v);
    AppendRaw(c, {1, 2, 3});  // and a cut fourth
    EXPECT_EQ(plug.ReadProgramState(c, 8), -1);
    EXPECT_EQ(plug.Values(), (std::vector<double>{7, 1, 11, 0, 80, 90}));
  }
}

// A plug-in with the default slot, two factory presets and a renamed empty slot.
void FillSlots(TestPlug& plug) {
  plug.FillDefaultPresets("---- default ----", 1);
  ASSERT_TRUE(plug.AddFactoryPreset("Slap", {3, 1, 80, 20, 100, 60}));
  ASSERT_TRUE(plug.AddFactoryPreset("Too much", {24, 3, 100, 150, 0, 100}));  // 150 > max
  plug.PresetAt(3)->SetName("");
}

TEST(BankStateTest, RoundTripKeepsSlotsAndCurrentPreset) {
  TestPlug source;
  FillSlots(source);
  StateChunk bank;
  bank.ResetChunkWithHeader();
  ASSERT_TRUE(source.WriteBankState(bank));
  // Empty name record: a zero length and no bytes, then the flag 0.
  const int slot3 = 8 + (4 + 17 + 1 + 48) + (4 + 4 + 1 + 48) + (4 + 8 + 1 + 48);
  int length = -1;
  EXPECT_EQ(bank.ReadWord(slot3, &length), slot3 + 4);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(bank.Data()[slot3 + 4], 0);

  TestPlug target;
  ASSERT_TRUE(target.RecallPreset(2));  // empty slot: becomes "user preset 1", current 2
  int version = 0;
  const int start = ChunkReadStart(bank, &version);
  EXPECT_EQ(version, kChunkVersion);
  EXPECT_EQ(target.ReadBankState(bank, start), bank.Size());
  EXPECT_EQ(target.CurrentPreset(), 2);
  for (int i = 0; i < 24; ++i) {
    EXPECT_STREQ(target.PresetName(i), source.PresetName(i)) << i;
    EXPECT_EQ(target.PresetAt(i)->filled, source.PresetAt(i)->filled) << i;
  }
  EXPECT_EQ(Bytes(target.PresetAt(1)->state), Bytes(source.PresetAt(1)->state));
  // The live values are those of the current slot, clamped into range.
  EXPECT_EQ(target.Values(), (std::vector<double>{24, 3, 100, 99, 0, 100}));
  TestPlug check;
  check.SetValues({24, 3, 100, 99, 0, 100});
  StateChunk clamped;
  check.WriteState(clamped);
  EXPECT_EQ(Bytes(target.PresetAt(2)->state), Bytes(clamped));
  EXPECT_EQ(target.PresetAt(5)->state.Size(), 0);
}

TEST(BankStateTest, BrokenNameRecordsFailWithoutReadingPastTheData) {
  TestPlug source;
  FillSlots(source);
  StateChunk good;
  source.WriteBankState(good);
  const int slot1 = 4 + 17 + 1 + 48;

  {  // negative length in slot 1: slot 0 kept, slot 1 named "", read fails
    StateChunk c;
    c.AppendBytes(good.Data(), slot1);
    c.AppendWord(-4);
    c.AppendBytes(good.Data() + slot1 + 4, good.Size() - slot1 - 4);
    TestPlug plug;
    EXPECT_EQ(plug.ReadBankState(c, 0), -1);
    EXPECT_STREQ(plug.PresetName(0), "---- default ----");
    EXPECT_STREQ(plug.PresetName(1), "");
    EXPECT_STREQ(plug.PresetName(2), "- 3 -");
  }
  {  // a length reaching past the end
    StateChunk c;
    c.AppendBytes(good.Data(), slot1);
    c.AppendWord(1000);
    AppendRaw(c, {'S', 'l', 'a', 'p'});
    TestPlug plug;
    EXPECT_EQ(plug.ReadBankState(c, 0), -1);
    EXPECT_STREQ(plug.PresetName(1), "");
  }
  {  // a length word cut short, and a name without its flag
    StateChunk c;
    c.AppendBytes(good.Data(), slot1 + 2);
    TestPlug plug;
    EXPECT_EQ(plug.ReadBankState(c, 0), -1);
    EXPECT_STREQ(plug.PresetName(1), "");
    StateChunk d;
    d.AppendText("abc");
    EXPECT_EQ(plug.ReadBankState(d, 0), -1);
    EXPECT_STREQ(plug.PresetName(0), "abc");
  }
  {  // a NUL inside the name ends it; names beyond 255 characters are cut
    StateChunk c;
    c.AppendWord(5);
    AppendRaw(c, {'a', 'b', 0, 'c', 'd', 0});
    const std::string longName(300, 'n');
    c.AppendText(longName.c_str());
    c.AppendFlag(false);
    TestPlug plug;
    ASSERT_TRUE(plug.RecallPreset(5));  // a current slot past the failure point
    EXPECT_EQ(plug.ReadBankState(c, 0), -1);
    EXPECT_STREQ(plug.PresetName(0), "ab");
    EXPECT_FALSE(plug.PresetAt(0)->filled);
    EXPECT_EQ(std::string(plug.PresetName(1)), longName.substr(0, 255));
  }
}

TEST(PresetTest, RecallLoadsFilledSlotsAndNamesEmptyOnes) {
  TestPlug plug;
  FillSlots(plug);
  EXPECT_TRUE(plug.RecallPreset(2));
  EXPECT_EQ(plug.Values(), (std::vector<double>{24, 3, 100, 99, 0, 100}));  // clamped
  EXPECT_EQ(plug.CurrentPreset(), 2);

  plug.PresetAt(0)->SetName("my user preset");
  plug.PresetAt(7)->SetName("user preset 9");
  const std::vector<double> live = plug.Values();
  EXPECT_TRUE(plug.RecallPreset(5));
  EXPECT_STREQ(plug.PresetName(5), "user preset 3");
  EXPECT_TRUE(plug.PresetAt(5)->filled);
  EXPECT_EQ(plug.Values(), live);
  EXPECT_EQ(plug.PresetAt(5)->state.Size(), 48);
  EXPECT_EQ(plug.CurrentPreset(), 5);

  EXPECT_FALSE(plug.RecallPreset(24));
  EXPECT_FALSE(plug.RecallPreset(-1));
  EXPECT_EQ(plug.CurrentPreset(), 5);
  EXPECT_STREQ(plug.PresetName(24), "");
  EXPECT_STREQ(plug.PresetName(23), "- 24 -");
}

TEST(PresetTest, FillingAndCapturing) {
  TestPlug plug(3);
  plug.FillDefaultPresets(nullptr, 2);
  EXPECT_STREQ(plug.PresetName(0), "Default");
  EXPECT_STREQ(plug.PresetName(1), "Default");
  EXPECT_FALSE(plug.AddFactoryPreset("short", {1, 2, 3}));  // one value per parameter
  EXPECT_FALSE(plug.PresetAt(2)->filled);
  EXPECT_TRUE(plug.AddFactoryPreset("ok", {2.9, 1, 5, 5, 5, 5}));
  double stored = 0;
  plug.PresetAt(2)->state.ReadDouble(0, &stored);
  EXPECT_EQ(stored, 2.0);  // list values are whole numbers
  EXPECT_FALSE(plug.AddFactoryPreset("full", {1, 1, 1, 1, 1, 1}));
  plug.FillDefaultPresets("more", 1);  // no free slot: nothing happens
  EXPECT_STREQ(plug.PresetName(2), "ok");

  plug.ParamAt(2)->current = 33;
  plug.CaptureIntoCurrentPreset("");
  EXPECT_STREQ(plug.PresetName(0), "Default");
  plug.CaptureIntoCurrentPreset("Renamed");
  EXPECT_STREQ(plug.PresetName(0), "Renamed");
  plug.PresetAt(0)->state.ReadDouble(16, &stored);
  EXPECT_EQ(stored, 33.0);

  TestPlug none(0);
  EXPECT_FALSE(none.RecallPreset(0));
  none.EnsureOnePreset();
  ASSERT_EQ(none.PresetCount(), 1);
  EXPECT_STREQ(none.PresetName(0), "Default");
  EXPECT_TRUE(none.PresetAt(0)->filled);
  EXPECT_EQ(none.PresetAt(0)->state.Size(), 48);
  none.EnsureOnePreset();
  EXPECT_EQ(none.PresetCount(), 1);
}

TEST(PresetTest, CapturedEmptySlotKeepsItsValuesAndName) {
  TestPlug plug;  // slot 0 never filled: the host renames it, then selects it again
  plug.ParamAt(3)->current = 12;
  plug.CaptureIntoCurrentPreset("Mine");
  plug.ParamAt(3)->current = 70;
  EXPECT_TRUE(plug.RecallPreset(0));
  EXPECT_STREQ(plug.PresetName(0), "Mine");
  EXPECT_EQ(plug.ParamAt(3)->current, 12.0);
}

}  // namespace
