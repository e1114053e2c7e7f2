// The operations of the hostile VST 3 host's scripts (tests/vst3/fuzz_vst3.cpp), for the
// target and the seeds written by hand. The operation byte is taken modulo kOpCount.
#pragma once

enum FuzzOp {
  kOpInitialize,   // context byte (bit 0: our host application, else null)
  kOpTerminate,
  kOpActive,       // state byte
  kOpProcessing,   // state byte
  kOpSetup,        // mode word, size byte, block word, how byte, rate (pick/raw or step), null byte
  kOpArrangement,  // input mask, output mask, how byte, direction, index, null byte
  kOpBus,          // type, direction, index words, state byte, null byte
  kOpInput,        // input signal byte
  kOpProcess,      // see Session::Process
  kOpSetState,     // how byte, then edits of a real state or raw bytes
  kOpGetState,     // the written state must read back
  kOpSetParam,     // id pick, value pick
  kOpParamText,    // id pick, value pick, null byte, 128 units of typed text, picks, index
  kOpQuery,        // 16 bytes of an interface ID
  kOpView,         // name byte, null bytes, wheel and scale picks
  kOpUnits,        // list, index, null bytes ...
  kOpHandler,      // handler byte, id pick
  kOpCount
};

constexpr int kFuzzMaxFrames = 8192;
constexpr int kFuzzMaxSteps = 64;
