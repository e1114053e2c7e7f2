#include "clap/clap_state_stream.h"

#include <cstring>

namespace {

void PutWord(unsigned char* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint32_t GetWord(const unsigned char* at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(at[i]) << (8 * i);
  return v;
}

bool WriteAll(const clapabi::OStream* stream, const unsigned char* data, uint64_t size) {
  uint64_t done = 0;
  while (done < size) {
    const uint64_t left = size - done;
    const int64_t n = stream->write(stream, data + done, left);
    if (n <= 0 || static_cast<uint64_t>(n) > left) return false;
    done += static_cast<uint64_t>(n);
  }
  return true;
}

bool ReadAll(const clapabi::IStream* stream, unsigned char* data, uint64_t size) {
  uint64_t done = 0;
  while (done < size) {
    const uint64_t left = size - done;
    const int64_t n = stream->read(stream, data + done, left);
    if (n <= 0 || static_cast<uint64_t>(n) > left) return false;
    done += static_cast<uint64_t>(n);
  }
  return true;
}

}  // namespace

bool WriteClapState(const clapabi::OStream* stream, int program, const StateChunk& chunk) {
  if (!stream || !stream->write) return false;
  const int size = chunk.Size();
  if (size < 0 || static_cast<uint32_t>(size) > kMaxStateChunkBytes) return false;
  unsigned char header[kClapStateHeaderBytes];
  PutWord(header, kClapStateMagic);
  PutWord(header + 4, kClapStateVersion);
  PutWord(header + 8, static_cast<uint32_t>(program));
  PutWord(header + 12, static_cast<uint32_t>(size));
  if (!WriteAll(stream, header, sizeof(header))) return false;
  return size == 0 || WriteAll(stream, chunk.Data(), static_cast<uint64_t>(size));
}

bool ReadClapState(const clapabi::IStream* stream, int* program, StateChunk* chunk) {
  if (!chunk) return false;
  chunk->Clear();
  if (!stream || !stream->read || !program) return false;
  unsigned char header[kClapStateHeaderBytes];
  if (!ReadAll(stream, header, sizeof(header))) return false;
  if (GetWord(header) != kClapStateMagic || GetWord(header + 4) != kClapStateVersion) return false;
  const uint32_t length = GetWord(header + 12);
  if (length > kMaxStateChunkBytes) return false;
  const int n = static_cast<int>(length);
  if (chunk->ResizeZeroFilled(n) != 0 || chunk->Size() != n) {
    chunk->Clear();
    return false;
  }
  if (n > 0 && !ReadAll(stream, chunk->Data(), length)) {
    chunk->Clear();
    return false;
  }
  *program = static_cast<int>(GetWord(header + 8));
  return true;
}
