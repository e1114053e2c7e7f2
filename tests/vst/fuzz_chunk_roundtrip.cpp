// The chunk round trip through the host interface: for every chunk effSetChunk accepts,
// effGetChunk, then effSetChunk of those bytes, then effGetChunk again gives the same
// bytes; accepted or not, every parameter stays within its range and every filled slot
// holds one value per parameter.
//
// Input: one byte whose bit 0 is the host's index (0 bank, 1 program), then the chunk.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/vst/fuzz_host.h"
#include "vst/IPlugVST.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

void CheckState(AEffect* e) {
  const IPlugVST* plug = IPlugVST::FromAEffect(e);
  for (int i = 0; i < plug->ParamCount(); ++i) {
    const IParam* p = plug->ParamAt(i);
    Check(!std::isnan(p->current) && p->current >= p->Lowest() && p->current <= p->Highest());
  }
  for (int i = 0; i < plug->PresetCount(); ++i) {
    const PresetSlot* slot = plug->PresetAt(i);
    Check(memchr(slot->presetName, 0, sizeof(slot->presetName)) != nullptr);
    Check(!slot->filled || slot->state.Size() == 8 * plug->ParamCount());
  }
}

std::vector<unsigned char> GetChunk(AEffect* e, VstInt32 index) {
  void* block = nullptr;
  const VstIntPtr n = e->dispatcher(e, effGetChunk, index, 0, &block, 0.f);
  Check(n > 0 && block != nullptr);
  const unsigned char* bytes = static_cast<const unsigned char*>(block);
  return std::vector<unsigned char>(bytes, bytes + n);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SharedInstance();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1 << 16)) return 0;
  AEffect* e = SharedInstance();
  RestoreFactoryState(e);
  const VstInt32 index = data[0] & 1;

  // Exactly the bytes claimed, so a read past them is caught.
  std::vector<unsigned char> chunk(data + 1, data + size);
  const VstIntPtr accepted = e->dispatcher(e, effSetChunk, index,
                                           static_cast<VstIntPtr>(chunk.size()),
                                           chunk.empty() ? nullptr : chunk.data(), 0.f);
  CheckState(e);
  if (accepted != 1) return 0;

  std::vector<unsigned char> first = GetChunk(e, index);
  CheckState(e);
  Check(e->dispatcher(e, effSetChunk, index, static_cast<VstIntPtr>(first.size()), first.data(),
                      0.f) == 1);
  CheckState(e);
  const std::vector<unsigned char> second = GetChunk(e, index);
  Check(first == second);
  return 0;
}
