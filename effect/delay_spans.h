// The delay's per-frame loops over spans of frames in which no line position wraps: the
// write position and every tap advance by one per frame without a test. Each loop exists
// for every vector unit (base/vector_unit.h); all compute each sample with the same
// operations in the same order, so any unit, any span split and the scalar order of frames
// give the same bits.
//
// Threading: audio thread, plug-in lock held (called from the engine's RenderAudio).
#pragma once

#include "base/vector_unit.h"

// The mix of a block, and the line.
struct SpanMix {
  double* line;
  double feedback;
  double wet;
  double dry;
  double panA;
  double panB;
};

// The span's buffers, already advanced to its first frame.
struct SpanIo {
  const double* in0;
  const double* in1;
  double* out0;
  double* out1;
};

// Whether a tap at distance d reads, within a span of run frames, no sample that another
// frame of the same span writes: it reads the very sample being written (0 or the whole
// line), or the read and write ranges do not meet on either side of the ring.
inline bool TapIsIndependent(int d, int length, int run) {
  return d == 0 || d == length || (d >= run && length - d >= run);
}

// Idle frames: tap A at position a (the delay), tap B at position b (half of it) in the
// pong modes; in the single modes tap B keeps sampleB. w is the write position. On return
// sampleA and sampleB hold the taps of the span's last frame. independent: every tap in
// use passes TapIsIndependent, so frames may run side by side.
void RunIdleSpan(VectorUnit unit, bool pong, bool independent, const SpanMix& mix,
                 const SpanIo& io, int run, int w, int a, int b, double& sampleA,
                 double& sampleB);

// What tap B does during a crossfade.
enum class FadeTapB {
  kHold,       // single mode before and after: unused, keeps its value
  kCrossfade,  // pong before and after: old half delay to new half delay
  kFadeIn,     // single to pong: the new half delay fades in
  kFadeOut,    // pong to single: the old half delay fades out
};

// Crossfade frames: the old delay's weight on frame i is float(countdown - 1 - i) /
// fadeLength in single precision, the new delay's 1 - that. Taps read at newA, oldA (the
// delays) and newB, oldB (their halves, where tapB uses them).
void RunFadeSpan(VectorUnit unit, FadeTapB tapB, bool independent, const SpanMix& mix,
                 const SpanIo& io, int run, int w, int newA, int oldA, int newB, int oldB,
                 int countdown, float fadeLength, double& sampleA, double& sampleB);
