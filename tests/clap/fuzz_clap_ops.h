// The script language of the CLAP fuzz target (fuzz_clap.cpp), shared with its seed
// generator (clap_fuzz_seeds.cpp). A script is a header byte (which host extensions are
// offered: bit i = ClapOffer i), then steps, each an operation byte (ClapFuzzOp, modulo the
// count) and its fields as listed; fields are read front to back (tests/vst/fuzz_script.h)
// and read as zeros past the end.
#pragma once

#include <cstdint>

enum ClapOffer : uint8_t {
  kOfferLog = 1 << 0,
  kOfferThreadCheck = 1 << 1,
  kOfferParams = 1 << 2,
  kOfferState = 1 << 3,
  kOfferGui = 1 << 4,
  kOfferTimers = 1 << 5,
  kOfferFds = 1 << 6,
  kOfferTail = 1 << 7,
};

enum ClapFuzzOp : uint8_t {
  // U8 rate pick, U32 (as I32) min frames, U8 max-frames pick, U32 raw max.
  kFuzzActivate,
  kFuzzDeactivate,
  kFuzzStartProcessing,
  kFuzzStopProcessing,
  kFuzzReset,
  // U8 frames pick, U16 raw frames, U8 buffer flags (1 64-bit, 2 input of the other size,
  // 4 no first input channel, 8 no second output channel, 16 first channel in place,
  // 32/64 input channel count, 128 no input port), U8 transport flags (its low five
  // bits as the transport's flags; 32 no output list, 64 no input list, 128 no
  // transport), U8 tempo pick, F64 raw tempo, U8 input level, then an event list (see
  // below), U8 output room.
  kFuzzProcess,
  // An event list, U8 output room.
  kFuzzFlush,
  // U8 which (0 count, 1 info, 2 value, 3 value_to_text, 4 text_to_value), I32 index or
  // id, F64 value, U16 capacity, Text text.
  kFuzzParams,
  // U8 piece.
  kFuzzSaveState,
  // U8 source (0 the last saved, 1 the script's bytes), U16 cut, U8 flip at, U8 flip
  // value, U8 piece, U8 end as -1, U16 length, then that many bytes (source 1).
  kFuzzLoadState,
  // U8 which (the fifteen gui functions), U8 api pick, U8 floating, F64 scale, U32 (as
  // I32) width, height.
  kFuzzGui,
  // U8 which (0 plug-in on_timer, 1 on_fd, 2 host fires its timers), I32 id or fd.
  kFuzzTimerFd,
  kFuzzMainThreadCallback,
  // U8 bits: 1 is main, 2 is audio (the thread-check answers from now on).
  kFuzzThreads,
  // U8 which (0 begin, 1 value, 2 end, 3 wheel end soon, 4 flush pending, 5 editor idle),
  // I8 index, F64 normalized.
  kFuzzEditorEdit,
  // U8 which (0 latency, 1 tail, 2 get_extension of a text), Text id.
  kFuzzQuery,
  // Destroys the instance at once (whatever its state) and ends the script.
  kFuzzDestroy,
  kFuzzOpCount
};

// An event list: U8 count (at most kFuzzMaxEvents), then per event: U8 size pick, U16 raw
// size, U16 space, U16 type, U32 (as I32) time, U32 (as I32) parameter id, U8 value pick,
// F64 raw value.
constexpr int kFuzzMaxEvents = 24;
// Buffers hold this many frames per channel; the script never claims more for a block
// the plug-in accepted at activation.
constexpr int kFuzzMaxFrames = 4096;
constexpr int kFuzzMaxSteps = 200;
