// The byte layout of a CLAP plug-in's saved state and the loops that move it through the
// host's streams. Every word is little-endian:
//
//   offset 0   magic "QlCs" (51 6C 43 73)
//          4   layout version, 1
//          8   current program index (signed)
//          12  chunk length N, at most kMaxStateChunkBytes
//          16  N bytes: the program chunk exactly as the VST 2.4 build's effGetChunk gives it
//
// Hosts may move the bytes in short pieces (a few bytes per call) and signal the end of a
// stream with 0 or -1; the loops take what comes, stop at the first result <= 0 and never
// trust a count larger than asked for.
//
// Threading: no state of their own; the caller's thread (the host's main thread) and no
// plug-in lock (the streams are host callbacks).
#pragma once

#include <cstdint>

#include "clap/clap_abi.h"
#include "plug/state_chunk.h"

constexpr uint32_t kClapStateMagic = 0x73436C51;  // "QlCs" as stored
constexpr uint32_t kClapStateVersion = 1;
constexpr int kClapStateHeaderBytes = 16;
// Far above any program chunk of this framework (a few dozen bytes per parameter).
constexpr uint32_t kMaxStateChunkBytes = 64 * 1024;

// Writes the header and chunk; false when the stream fails, stalls (writes 0) or claims
// more than it was given, or for a chunk longer than kMaxStateChunkBytes.
bool WriteClapState(const clapabi::OStream* stream, int program, const StateChunk& chunk);

// Reads one state: the header, then exactly the chunk length it gives (nothing beyond is
// read). False, with *chunk emptied, for a stream that ends or fails early, a foreign
// magic, another version or an oversized length. The chunk's content is not judged here.
bool ReadClapState(const clapabi::IStream* stream, int* program, StateChunk* chunk);
