#include "vst3/vst3_state.h"

#include <cstring>

namespace vst3_state {

namespace {

void PutWord(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint32_t GetWord(const unsigned char* p) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
  return v;
}

// Reads exactly n bytes; hosts may hand them over in pieces.
bool ReadExactly(v3::Stream* stream, unsigned char* out, int n) {
  int done = 0;
  while (done < n) {
    int32_t got = 0;
    if (stream->read(out + done, n - done, &got) != v3::kResultOk) return false;
    if (got <= 0 || got > n - done) return false;
    done += got;
  }
  return true;
}

}  // namespace

bool Encode(int program, const StateChunk& programChunk, StateChunk* out) {
  const int n = programChunk.Size();
  if (!out || n < 0 || n > kMaxStateBytes - kHeadBytes - 8) return false;
  out->Clear();
  if (out->ResizeZeroFilled(kHeadBytes + 8 + n) != 0 || out->Size() != kHeadBytes + 8 + n) {
    return false;
  }
  unsigned char* p = out->Data();
  std::memcpy(p, kMagic, 4);
  PutWord(p + 4, kLayoutVersion);
  PutWord(p + 8, static_cast<uint32_t>(8 + n));
  PutWord(p + 12, static_cast<uint32_t>(program));
  PutWord(p + 16, static_cast<uint32_t>(n));
  if (n > 0) std::memcpy(p + 20, programChunk.Data(), static_cast<size_t>(n));
  return true;
}

int BodyLength(const unsigned char* head) {
  if (!head || std::memcmp(head, kMagic, 4) != 0) return -1;
  if (GetWord(head + 4) != static_cast<uint32_t>(kLayoutVersion)) return -1;
  const uint32_t length = GetWord(head + 8);
  if (length < 8 || length > static_cast<uint32_t>(kMaxStateBytes - kHeadBytes)) return -1;
  return static_cast<int>(length);
}

bool Decode(const unsigned char* data, int size, int* program, StateChunk* programChunk) {
  if (!data || size < kHeadBytes || !program || !programChunk) return false;
  const int length = BodyLength(data);
  if (length < 0 || size != kHeadBytes + length) return false;
  const uint32_t n = GetWord(data + 16);
  if (n != static_cast<uint32_t>(length - 8)) return false;
  const uint32_t index = GetWord(data + 12);
  if (index > 0x7FFFFFFFu) return false;
  StateChunk chunk;
  if (!chunk.AppendBytes(data + 20, static_cast<int>(n))) return false;
  programChunk->Clear();
  if (!programChunk->AppendBytes(chunk.Data(), chunk.Size())) return false;
  *program = static_cast<int>(index);
  return true;
}

bool ReadFromStream(v3::Stream* stream, StateChunk* out) {
  if (!stream || !out) return false;
  unsigned char head[kHeadBytes];
  if (!ReadExactly(stream, head, kHeadBytes)) return false;
  const int length = BodyLength(head);
  if (length < 0) return false;
  out->Clear();
  if (out->ResizeZeroFilled(kHeadBytes + length) != 0 || out->Size() != kHeadBytes + length) {
    return false;
  }
  std::memcpy(out->Data(), head, kHeadBytes);
  return ReadExactly(stream, out->Data() + kHeadBytes, length);
}

bool WriteToStream(v3::Stream* stream, const unsigned char* data, int size) {
  if (!stream || !data || size <= 0) return false;
  int done = 0;
  while (done < size) {
    int32_t wrote = 0;
    if (stream->write(const_cast<unsigned char*>(data) + done, size - done, &wrote) !=
        v3::kResultOk) {
      return false;
    }
    if (wrote <= 0 || wrote > size - done) return false;
    done += wrote;
  }
  return true;
}

}  // namespace vst3_state
