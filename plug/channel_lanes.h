// Channel records of a plug-in instance: the supported channel configurations and one
// lane per input and output channel with its scratch buffer.
//
// Threading: owned by IPlugBase; read and changed only while its plug-in lock is held
// (processing, dispatcher calls) or at construction.
#pragma once

#include "base/heap_buf.h"

// One supported (inputs, outputs) configuration.
struct ChannelPairing {
  int inputs;
  int outputs;
};

struct InputLane {
  InputLane() : connected(false), slot(nullptr), scratch(4096) {}
  InputLane(const InputLane&) = delete;
  InputLane& operator=(const InputLane&) = delete;

  bool connected;
  // This channel's entry of the plug-in's input pointer list: where RenderAudio reads.
  double** slot;
  // maxBlockSize samples; unconnected channels read it, float calls convert into it.
  WDL_TypedBuf<double> scratch;
};

struct OutputLane {
  OutputLane() : connected(false), slot(nullptr), floatTarget(nullptr), scratch(4096) {}
  OutputLane(const OutputLane&) = delete;
  OutputLane& operator=(const OutputLane&) = delete;

  bool connected;
  // This channel's entry of the plug-in's output pointer list: where RenderAudio writes.
  double** slot;
  // The host's float output buffer during a single-precision call, else null.
  float* floatTarget;
  // maxBlockSize samples; unconnected channels' results land here and are dropped.
  WDL_TypedBuf<double> scratch;
};
