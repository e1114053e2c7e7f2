// The operations of the hostile-host fuzz scripts, shared by the target and the seed
// generator. The operation byte is taken modulo kHostileOpCount.
#pragma once

enum HostileOp {
  kOpDispatch,          // DispatchScripted fields
  kOpSetParameter,      // index (signed byte), value (float)
  kOpGetParameter,      // index (signed byte)
  kOpProgram,           // effSetProgram with a signed byte
  kOpLoadChunk,         // bank/program byte, length word (16 bit), the bytes
  kOpSaveChunk,         // how byte, position word (16 bit), xor byte
  kOpSampleRate,        // table pick byte, raw float
  kOpBlockSize,         // size word (32 bit)
  kOpTempo,             // table pick byte, raw double, flags byte
  kOpTransport,         // sample position (double), signature numerator and denominator
  kOpSuspend,           // on/off byte
  kOpInput,             // input signal byte
  kOpProcessReplacing,  // frames word (16 bit, signed), pointer flags byte
  kOpProcessAdding,     // same
  kOpProcessDouble,     // same
  kHostileOpCount
};

constexpr int kHostileMaxFrames = 8192;
constexpr int kHostileMaxChunk = 4096;
constexpr int kHostileMaxSteps = 96;
