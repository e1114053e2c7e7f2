// MIDI messages exchanged with the host.
//
// Threading: plain values, no locking.
#pragma once

// A short (three-byte) MIDI message at a sample offset within the current block.
struct IMidiMsg {
  int offset;
  unsigned char status;
  unsigned char data1;
  unsigned char data2;
};

// A system-exclusive dump at a sample offset; the data is not owned.
struct ISysEx {
  int offset;
  const unsigned char* data;
  int size;
};
