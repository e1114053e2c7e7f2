// Feeds arbitrary bytes to the program and bank chunk readers of a six-parameter plug-in,
// the way the host adapter does and from arbitrary start positions, with slot tables of
// several sizes and fillings, and checks what must always hold: values within range, slot
// names terminated, filled slots holding one value per parameter, and whatever was read
// writing out and reading back to the same slots.
//
// Input: a configuration byte (see Setup), with bit 5 set a start-position byte, then the
// chunk.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tests/support/mock_plug.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

void CheckInvariants(const TestPlug& plug) {
  for (int i = 0; i < plug.ParamCount(); ++i) {
    const IParam* p = plug.ParamAt(i);
    Check(!std::isnan(p->current));
    Check(p->current >= p->Lowest() && p->current <= p->Highest());
  }
  for (int i = 0; i < plug.PresetCount(); ++i) {
    const PresetSlot* slot = plug.PresetAt(i);
    Check(memchr(slot->presetName, 0, PresetSlot::kMaxNameLength + 1) != nullptr);
    Check(!slot->filled || slot->state.Size() == 8 * plug.ParamCount());
  }
  Check(plug.PresetCount() == 0 ||
        (plug.CurrentPreset() >= 0 && plug.CurrentPreset() < plug.PresetCount()));
}

// Slot counts: the effect's 24, none, a few, and more than the effect has.
constexpr int kPresetCounts[8] = {24, 0, 1, 2, 3, 40, 24, 24};

int PresetCountFor(uint8_t config) { return kPresetCounts[config & 7]; }

// bit 3: every slot filled with defaults (else one default and one factory preset);
// bit 4: the last slot is the current one.
void Setup(TestPlug& plug, uint8_t config) {
  if (config & 8) {
    plug.FillDefaultPresets("---- default ----", plug.PresetCount());
  } else {
    plug.FillDefaultPresets("---- default ----", 1);
    plug.AddFactoryPreset("one", {3, 1, 80, 20, 100, 60});
  }
  if ((config & 16) && plug.PresetCount() > 0) plug.RecallPreset(plug.PresetCount() - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1 << 20)) return 0;
  const uint8_t config = data[0];
  ++data;
  --size;
  int rawStart = -1;
  if (config & 32) {
    if (size < 1) return 0;
    rawStart = data[0];
    ++data;
    --size;
  }

  TestPlug plug(PresetCountFor(config));
  Setup(plug, config);

  // Exactly the bytes given, so a read past them is caught.
  StateChunk chunk;
  const int n = static_cast<int>(size);
  chunk.ResizeZeroFilled(n);
  Check(chunk.Size() == n);
  if (n > 0) memcpy(chunk.Data(), data, size);

  // Bank first (as a host restoring a session), then the same bytes as a program.
  int version = 0;
  int start = ChunkReadStart(chunk, &version);
  Check(start == -1 || start == 0 || start == 8);
  if (rawStart >= 0) start = rawStart;
  const int bankEnd = version >= kChunkVersion ? plug.ReadBankState(chunk, start)
                                               : plug.ReadProgramState(chunk, start);
  // A reader with nothing to read (no slots) returns the start position as it is.
  Check(bankEnd >= -1 && (bankEnd <= n || (bankEnd == start && plug.PresetCount() == 0)));
  CheckInvariants(plug);

  const int programEnd = plug.ReadProgramState(chunk, start);
  Check(programEnd >= -1 && programEnd <= n);
  plug.CaptureIntoCurrentPreset(config & 128 ? plug.PresetName(0) : nullptr);
  CheckInvariants(plug);

  // bit 6: every slot recalled in turn, as a host stepping through the programs.
  if (config & 64) {
    for (int i = 0; i < plug.PresetCount(); ++i) {
      plug.RecallPreset(i);
      CheckInvariants(plug);
    }
  }

  // Whatever was read must write out again and read back to the same slots.
  StateChunk bank;
  Check(bank.ResetChunkWithHeader() && plug.WriteBankState(bank));
  TestPlug copy(PresetCountFor(config));
  // Reading a bank recalls the current slot (filling it when empty), so the copy must
  // have the same current slot to end up with the same table.
  if (plug.PresetCount() > 0) copy.RecallPreset(plug.CurrentPreset());
  Check(copy.ReadBankState(bank, ChunkReadStart(bank, nullptr)) == bank.Size());
  CheckInvariants(copy);
  for (int i = 0; i < plug.PresetCount(); ++i) {
    Check(strcmp(plug.PresetName(i), copy.PresetName(i)) == 0);
    Check(plug.PresetAt(i)->filled == copy.PresetAt(i)->filled);
    Check(plug.PresetAt(i)->state.Size() == copy.PresetAt(i)->state.Size());
    if (plug.PresetAt(i)->state.Size() > 0) {
      Check(memcmp(plug.PresetAt(i)->state.Data(), copy.PresetAt(i)->state.Data(),
                   static_cast<size_t>(plug.PresetAt(i)->state.Size())) == 0);
    }
  }
  return 0;
}
