// Feeds arbitrary bytes to the program and bank chunk readers of a six-parameter plug-in
// with 24 slots, the way the host adapter does, and checks what must always hold.
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
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 20)) return 0;
  TestPlug plug;
  plug.FillDefaultPresets("---- default ----", 1);
  plug.AddFactoryPreset("one", {3, 1, 80, 20, 100, 60});

  StateChunk chunk;
  const int n = static_cast<int>(size);
  Check(chunk.ResizeZeroFilled(n) == 0);
  if (n > 0) memcpy(chunk.Data(), data, size);

  // Bank first (as a host restoring a session), then the same bytes as a program.
  int version = 0;
  const int start = ChunkReadStart(chunk, &version);
  Check(start == -1 || start == 0 || start == 8);
  const int bankEnd = version >= kChunkVersion ? plug.ReadBankState(chunk, start)
                                               : plug.ReadProgramState(chunk, start);
  Check(bankEnd >= -1 && bankEnd <= n);
  CheckInvariants(plug);

  const int programEnd = plug.ReadProgramState(chunk, start);
  Check(programEnd >= -1 && programEnd <= n);
  plug.CaptureIntoCurrentPreset(nullptr);
  CheckInvariants(plug);

  // Whatever was read must write out again and read back to the same values.
  StateChunk bank;
  Check(bank.ResetChunkWithHeader() && plug.WriteBankState(bank));
  TestPlug copy;
  Check(copy.ReadBankState(bank, ChunkReadStart(bank, nullptr)) == bank.Size());
  CheckInvariants(copy);
  for (int i = 0; i < plug.PresetCount(); ++i) {
    Check(strcmp(plug.PresetName(i), copy.PresetName(i)) == 0);
  }
  return 0;
}
