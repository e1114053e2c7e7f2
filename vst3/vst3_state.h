// The component state a VST 3 host saves and restores: the VST 2.4 program chunk's bytes
// and the current program, in a layout of our own so that it can grow:
//
//   offset  bytes  content (every word little-endian)
//   0       4      magic "Q2V3"
//   4       4      layout version (1)
//   8       4      L: the number of bytes that follow
//   12      4      the current program (0-based)
//   16      4      N: the program chunk's size (L = 8 + N)
//   20      N      the program chunk (plug/state_chunk.h: header, one double per parameter)
//
// Reading takes the 12-byte head first and then exactly L more bytes, so a stream that
// holds more than our state (a preset file) is never read past it.
//
// Threading: no shared state; any thread. The stream calls are host calls: callers make
// them without the plug-in lock.
#pragma once

#include <cstdint>

#include "plug/state_chunk.h"
#include "vst3/vst3_abi.h"

namespace vst3_state {

constexpr unsigned char kMagic[4] = {'Q', '2', 'V', '3'};
constexpr int kLayoutVersion = 1;
constexpr int kHeadBytes = 12;
// Largest state accepted; ours is 76 bytes for six parameters.
constexpr int kMaxStateBytes = 64 * 1024;

// The whole state for program and the program chunk's bytes; false when an allocation
// failed.
bool Encode(int program, const StateChunk& programChunk, StateChunk* out);

// The length L that follows a well-formed head (12 bytes at head), or -1 when the head is
// not ours, of another layout version, or announces more than kMaxStateBytes in all.
int BodyLength(const unsigned char* head);

// Splits a complete state (head and body, size bytes) into the program and a copy of the
// program chunk. False, and nothing stored, when any field disagrees with the layout.
bool Decode(const unsigned char* data, int size, int* program, StateChunk* programChunk);

// Reads a whole state from the stream into out (head and body): false when the stream
// ends early, reports an error or the head is not ours.
bool ReadFromStream(v3::Stream* stream, StateChunk* out);
// Writes all size bytes; false when the stream takes fewer.
bool WriteToStream(v3::Stream* stream, const unsigned char* data, int size);

}  // namespace vst3_state
