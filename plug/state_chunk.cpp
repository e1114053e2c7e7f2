#include "plug/state_chunk.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/text_copy.h"

unsigned char* StateChunk::Extend(int n) {
  const int size = m_hb.ByteSize();
  if (n < 0 || n > INT_MAX - size) return nullptr;
  m_hb.SetByteSize(size + n, false);
  if (m_hb.ByteSize() != size + n) return nullptr;
  return static_cast<unsigned char*>(m_hb.Data()) + size;
}

bool StateChunk::AppendWord(int value) {
  unsigned char* p = Extend(4);
  if (!p) return false;
  const uint32_t u = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>((u >> (8 * i)) & 0xFF);
  return true;
}

bool StateChunk::AppendDouble(double value) {
  unsigned char* p = Extend(8);
  if (!p) return false;
  uint64_t u = 0;
  memcpy(&u, &value, sizeof(u));
  for (int i = 0; i < 8; ++i) p[i] = static_cast<unsigned char>((u >> (8 * i)) & 0xFF);
  return true;
}

bool StateChunk::AppendFlag(bool value) {
  unsigned char* p = Extend(1);
  if (!p) return false;
  p[0] = value ? 1 : 0;
  return true;
}

bool StateChunk::AppendText(const char* text) {
  const size_t length = text ? strlen(text) : 0;
  if (length > static_cast<size_t>(INT_MAX - 4)) return false;
  const int n = static_cast<int>(length);
  // Length and bytes go in together: a failed text never leaves a dangling length.
  unsigned char* p = Extend(4 + n);
  if (!p) return false;
  const uint32_t u = static_cast<uint32_t>(n);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>((u >> (8 * i)) & 0xFF);
  if (n > 0) memcpy(p + 4, text, static_cast<size_t>(n));
  return true;
}

bool StateChunk::AppendBytes(const void* data, int n) {
  if (n <= 0) return true;
  if (!data) return false;
  unsigned char* p = Extend(n);
  if (!p) return false;
  memcpy(p, data, static_cast<size_t>(n));
  return true;
}

void StateChunk::Clear() { m_hb.SetByteSize(0, true); }

void StateChunk::Rewind() { m_hb.SetByteSize(0, false); }

bool StateChunk::ResetChunkWithHeader() {
  Clear();
  return AppendWord(kChunkMagic) && AppendWord(kChunkVersion);
}

int StateChunk::ResizeZeroFilled(int n) {
  if (n < 0) n = 0;
  const int oldSize = m_hb.ByteSize();
  m_hb.SetByteSize(n, true);
  if (m_hb.ByteSize() != n) return oldSize;
  if (n > oldSize) {
    memset(static_cast<unsigned char*>(m_hb.Data()) + oldSize, 0,
           static_cast<size_t>(n - oldSize));
  }
  return oldSize;
}

int StateChunk::ReadBytes(int pos, void* out, int n) const {
  if (pos < 0 || n < 0 || pos > Size() || n > Size() - pos) return -1;
  if (n > 0) {
    if (!out) return -1;
    memcpy(out, Data() + pos, static_cast<size_t>(n));
  }
  return pos + n;
}

int StateChunk::ReadWord(int pos, int* value) const {
  unsigned char b[4];
  const int next = ReadBytes(pos, b, 4);
  if (next < 0) return -1;
  uint32_t u = 0;
  for (int i = 3; i >= 0; --i) u = (u << 8) | b[i];
  int32_t s = 0;
  memcpy(&s, &u, sizeof(s));
  if (value) *value = s;
  return next;
}

int StateChunk::ReadDouble(int pos, double* value) const {
  unsigned char b[8];
  const int next = ReadBytes(pos, b, 8);
  if (next < 0) return -1;
  uint64_t u = 0;
  for (int i = 7; i >= 0; --i) u = (u << 8) | b[i];
  double d = 0.0;
  memcpy(&d, &u, sizeof(d));
  if (value) *value = d;
  return next;
}

int StateChunk::ReadFlag(int pos, bool* value) const {
  unsigned char b = 0;
  const int next = ReadBytes(pos, &b, 1);
  if (next < 0) return -1;
  if (value) *value = b != 0;
  return next;
}

int ChunkReadStart(const StateChunk& chunk, int* version) {
  int magic = 0;
  int found = 0;
  int start = 0;
  if (chunk.ReadWord(0, &magic) >= 0 && magic == kChunkMagic) {
    start = chunk.ReadWord(4, &found) >= 0 ? 8 : -1;
    if (start < 0) found = 0;
  }
  if (version) *version = found;
  return start;
}

PresetSlot::PresetSlot(int number) : filled(false) {
  snprintf(presetName, sizeof(presetName), "- %d -", number);
}

void PresetSlot::SetName(const char* name) { CopyTextCut(presetName, name, kMaxNameLength); }
