// The state byte buffer exchanged with hosts, the preset slot record and the chunk
// header constants.
//
// Byte format: every multi-byte value is little-endian whatever the machine (32-bit
// two's complement words, IEEE 754 binary64 doubles), written and read byte by byte.
//
// Threading: no locking of their own. The plug-in (IPlugBase) reads and writes its chunks
// and slots while holding its plug-in lock, or at construction.
#pragma once

#include "base/heap_buf.h"

// Stored as 74 66 66 70.
constexpr int kChunkMagic = 0x70666674;
// Stored as 00 00 01 00.
constexpr int kChunkVersion = 0x00010000;

class StateChunk {
 public:
  StateChunk() : m_hb(4096) {}

  StateChunk(const StateChunk&) = delete;
  StateChunk& operator=(const StateChunk&) = delete;

  // Each append grows the buffer by exactly the appended size and returns true; on an
  // allocation failure (or a size that would not fit an int) the buffer is unchanged and
  // the result is false.
  bool AppendWord(int value);
  bool AppendDouble(double value);
  bool AppendFlag(bool value);
  // The text's length L as a word, then its L bytes without terminator. Null is "".
  bool AppendText(const char* text);
  // n bytes from data; n <= 0 appends nothing (true); null data with n > 0 fails.
  bool AppendBytes(const void* data, int n);

  // Byte size 0, releasing the block.
  void Clear();
  // Byte size 0, keeping the block: writing the same amount again allocates nothing (a
  // preset slot rewritten on the audio thread).
  void Rewind();
  // Clear, then the magic and version words.
  bool ResetChunkWithHeader();
  // Sets the byte size to n (negative acts as 0; the block may shrink); bytes beyond the
  // old size are zero. Returns the old size. On allocation failure the size stays as it
  // was: compare Size() with n.
  int ResizeZeroFilled(int n);

  int Size() const { return m_hb.ByteSize(); }
  // Null when empty.
  const unsigned char* Data() const { return static_cast<const unsigned char*>(m_hb.Data()); }
  unsigned char* Data() { return static_cast<unsigned char*>(m_hb.Data()); }

  // Positional readers: given a start position (or -1 for an already failed read), store
  // the value and return the position after it, or return -1 (value untouched) when the
  // data runs out or pos is negative.
  int ReadWord(int pos, int* value) const;
  int ReadDouble(int pos, double* value) const;
  int ReadFlag(int pos, bool* value) const;
  int ReadBytes(int pos, void* out, int n) const;

 private:
  // Grows by n bytes and returns where they start, or null (unchanged) on failure.
  unsigned char* Extend(int n);

  WDL_HeapBuf m_hb;
};

// Decides where reading a chunk copied in from a host starts. With at least 4 bytes that
// begin with kChunkMagic: *version = the second word and the start is 8 (fewer than 8
// bytes: *version = 0 and the start is -1, a failed read). Otherwise *version = 0 and
// the start is 0 (a bare list of values). version may be null.
int ChunkReadStart(const StateChunk& chunk, int* version);

// One preset slot.
struct PresetSlot {
  // Longest preset name; longer names are cut.
  static constexpr int kMaxNameLength = 255;

  // An empty slot named "- number -".
  explicit PresetSlot(int number);

  PresetSlot(const PresetSlot&) = delete;
  PresetSlot& operator=(const PresetSlot&) = delete;

  // Copies at most kMaxNameLength characters; null is "".
  void SetName(const char* name);

  bool filled;
  char presetName[kMaxNameLength + 1];
  // One double per parameter, exactly as WriteState wrote them; empty while not filled.
  StateChunk state;
};
