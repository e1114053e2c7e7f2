#include "effect/delay_spans.h"

// Built with -ffp-contract=off (effect.cmake): no multiply-add is fused, in any variant.

#if defined(__clang__)
#define QUELORA_INDEPENDENT_FRAMES _Pragma("clang loop vectorize(assume_safety)")
#elif defined(__GNUC__)
#define QUELORA_INDEPENDENT_FRAMES _Pragma("GCC ivdep")
#else
#define QUELORA_INDEPENDENT_FRAMES
#endif

#define QUELORA_INLINE inline __attribute__((always_inline))

namespace {

// One frame of the mix: feeds the line with the inputs and tap A, writes both outputs.
QUELORA_INLINE void MixFrame(const SpanMix& mix, const SpanIo& io, int i, int w, double tapA,
                             double tapB) {
  const double x0 = io.in0[i];
  const double x1 = io.in1[i];
  mix.line[w] = (x0 + x1) * 0.5 + mix.feedback * tapA;
  io.out0[i] = (mix.panB * tapB + mix.panA * tapA) * mix.wet + mix.dry * x0;
  io.out1[i] = (mix.panB * tapA + mix.panA * tapB) * mix.wet + mix.dry * x1;
}

template <bool kPong, bool kIndependent>
QUELORA_INLINE void IdleFrames(const SpanMix& mixIn, const SpanIo& io, int run, int w, int a,
                               int b, double& sampleA, double& sampleB) {
  // Local copies: the line and output stores cannot change them, so the loop keeps them in
  // registers instead of reloading them every frame.
  const SpanMix mix = mixIn;
  const double* line = mix.line;
  if (kIndependent) {
    // The taps of the last frame, read before any frame of the span writes the line.
    const double lastA = line[a + run - 1];
    const double lastB = kPong ? line[b + run - 1] : sampleB;
    const double heldB = sampleB;
    QUELORA_INDEPENDENT_FRAMES
    for (int i = 0; i < run; ++i) {
      const double tapA = line[a + i];
      const double tapB = kPong ? line[b + i] : heldB;
      MixFrame(mix, io, i, w + i, tapA, tapB);
    }
    sampleA = lastA;
    sampleB = lastB;
  } else {
    for (int i = 0; i < run; ++i) {
      sampleA = line[a + i];
      if (kPong) sampleB = line[b + i];
      MixFrame(mix, io, i, w + i, sampleA, sampleB);
    }
  }
}

// The weights of frame i: the old one from the countdown in single precision, then 1 - it.
QUELORA_INLINE void FadeWeights(int countdown, float fadeLength, int i, double& wOld,
                                double& wNew) {
  const float old = static_cast<float>(countdown - 1 - i) / fadeLength;
  wOld = old;
  wNew = 1.0f - old;
}

template <FadeTapB kTapB>
QUELORA_INLINE void FadeTaps(const double* line, int i, int newA, int oldA, int newB, int oldB,
                             double wOld, double wNew, double heldB, double& tapA, double& tapB) {
  tapA = wNew * line[newA + i] + wOld * line[oldA + i];
  switch (kTapB) {
    case FadeTapB::kHold:
      tapB = heldB;
      break;
    case FadeTapB::kCrossfade:
      tapB = wNew * line[newB + i] + wOld * line[oldB + i];
      break;
    case FadeTapB::kFadeIn:
      tapB = wNew * line[newB + i];
      break;
    case FadeTapB::kFadeOut:
      tapB = wOld * line[oldB + i];
      break;
  }
}

template <FadeTapB kTapB, bool kIndependent>
QUELORA_INLINE void FadeFrames(const SpanMix& mixIn, const SpanIo& io, int run, int w, int newA,
                               int oldA, int newB, int oldB, int countdown, float fadeLength,
                               double& sampleA, double& sampleB) {
  const SpanMix mix = mixIn;  // in registers, as in IdleFrames
  const double* line = mix.line;
  const double heldB = sampleB;
  if (kIndependent) {
    // The taps of the last frame, before any frame of the span writes the line.
    double wOld = 0.0;
    double wNew = 0.0;
    FadeWeights(countdown, fadeLength, run - 1, wOld, wNew);
    double lastA = 0.0;
    double lastB = 0.0;
    FadeTaps<kTapB>(line, run - 1, newA, oldA, newB, oldB, wOld, wNew, heldB, lastA, lastB);
    QUELORA_INDEPENDENT_FRAMES
    for (int i = 0; i < run; ++i) {
      double frameOld = 0.0;
      double frameNew = 0.0;
      FadeWeights(countdown, fadeLength, i, frameOld, frameNew);
      double tapA = 0.0;
      double tapB = 0.0;
      FadeTaps<kTapB>(line, i, newA, oldA, newB, oldB, frameOld, frameNew, heldB, tapA, tapB);
      MixFrame(mix, io, i, w + i, tapA, tapB);
    }
    sampleA = lastA;
    sampleB = lastB;
  } else {
    for (int i = 0; i < run; ++i) {
      double wOld = 0.0;
      double wNew = 0.0;
      FadeWeights(countdown, fadeLength, i, wOld, wNew);
      FadeTaps<kTapB>(line, i, newA, oldA, newB, oldB, wOld, wNew, heldB, sampleA, sampleB);
      MixFrame(mix, io, i, w + i, sampleA, sampleB);
    }
  }
}

// Every variant for one unit; the target attribute of the caller decides the registers.
QUELORA_INLINE void IdleVariants(bool pong, bool independent, const SpanMix& mix,
                                 const SpanIo& io, int run, int w, int a, int b, double& sampleA,
                                 double& sampleB) {
  if (pong) {
    if (independent) {
      IdleFrames<true, true>(mix, io, run, w, a, b, sampleA, sampleB);
    } else {
      IdleFrames<true, false>(mix, io, run, w, a, b, sampleA, sampleB);
    }
  } else {
    if (independent) {
      IdleFrames<false, true>(mix, io, run, w, a, b, sampleA, sampleB);
    } else {
      IdleFrames<false, false>(mix, io, run, w, a, b, sampleA, sampleB);
    }
  }
}

template <FadeTapB kTapB>
QUELORA_INLINE void FadeIndependence(bool independent, const SpanMix& mix, const SpanIo& io,
                                     int run, int w, int newA, int oldA, int newB, int oldB,
                                     int countdown, float fadeLength, double& sampleA,
                                     double& sampleB) {
  if (independent) {
    FadeFrames<kTapB, true>(mix, io, run, w, newA, oldA, newB, oldB, countdown, fadeLength,
                            sampleA, sampleB);
  } else {
    FadeFrames<kTapB, false>(mix, io, run, w, newA, oldA, newB, oldB, countdown, fadeLength,
                             sampleA, sampleB);
  }
}

QUELORA_INLINE void FadeVariants(FadeTapB tapB, bool independent, const SpanMix& mix,
                                 const SpanIo& io, int run, int w, int newA, int oldA, int newB,
                                 int oldB, int countdown, float fadeLength, double& sampleA,
                                 double& sampleB) {
  switch (tapB) {
    case FadeTapB::kHold:
      FadeIndependence<FadeTapB::kHold>(independent, mix, io, run, w, newA, oldA, newB, oldB,
                                        countdown, fadeLength, sampleA, sampleB);
      break;
    case FadeTapB::kCrossfade:
      FadeIndependence<FadeTapB::kCrossfade>(independent, mix, io, run, w, newA, oldA, newB, oldB,
                                             countdown, fadeLength, sampleA, sampleB);
      break;
    case FadeTapB::kFadeIn:
      FadeIndependence<FadeTapB::kFadeIn>(independent, mix, io, run, w, newA, oldA, newB, oldB,
                                          countdown, fadeLength, sampleA, sampleB);
      break;
    case FadeTapB::kFadeOut:
      FadeIndependence<FadeTapB::kFadeOut>(independent, mix, io, run, w, newA, oldA, newB, oldB,
                                           countdown, fadeLength, sampleA, sampleB);
      break;
  }
}

void IdleSse2(bool pong, bool independent, const SpanMix& mix, const SpanIo& io, int run, int w,
              int a, int b, double& sampleA, double& sampleB) {
  IdleVariants(pong, independent, mix, io, run, w, a, b, sampleA, sampleB);
}

__attribute__((target("avx2"))) void IdleAvx2(bool pong, bool independent, const SpanMix& mix,
                                              const SpanIo& io, int run, int w, int a, int b,
                                              double& sampleA, double& sampleB) {
  IdleVariants(pong, independent, mix, io, run, w, a, b, sampleA, sampleB);
}

void FadeSse2(FadeTapB tapB, bool independent, const SpanMix& mix, const SpanIo& io, int run,
              int w, int newA, int oldA, int newB, int oldB, int countdown, float fadeLength,
              double& sampleA, double& sampleB) {
  FadeVariants(tapB, independent, mix, io, run, w, newA, oldA, newB, oldB, countdown, fadeLength,
               sampleA, sampleB);
}

__attribute__((target("avx2"))) void FadeAvx2(FadeTapB tapB, bool independent,
                                              const SpanMix& mix, const SpanIo& io, int run,
                                              int w, int newA, int oldA, int newB, int oldB,
                                              int countdown, float fadeLength, double& sampleA,
                                              double& sampleB) {
  FadeVariants(tapB, independent, mix, io, run, w, newA, oldA, newB, oldB, countdown, fadeLength,
               sampleA, sampleB);
}

}  // namespace

void RunIdleSpan(VectorUnit unit, bool pong, bool independent, const SpanMix& mix,
                 const SpanIo& io, int run, int w, int a, int b, double& sampleA,
                 double& sampleB) {
  if (unit == VectorUnit::kAvx2) {
    IdleAvx2(pong, independent, mix, io, run, w, a, b, sampleA, sampleB);
  } else {
    IdleSse2(pong, independent, mix, io, run, w, a, b, sampleA, sampleB);
  }
}

void RunFadeSpan(VectorUnit unit, FadeTapB tapB, bool independent, const SpanMix& mix,
                 const SpanIo& io, int run, int w, int newA, int oldA, int newB, int oldB,
                 int countdown, float fadeLength, double& sampleA, double& sampleB) {
  if (unit == VectorUnit::kAvx2) {
    FadeAvx2(tapB, independent, mix, io, run, w, newA, oldA, newB, oldB, countdown, fadeLength,
             sampleA, sampleB);
  } else {
    FadeSse2(tapB, independent, mix, io, run, w, newA, oldA, newB, oldB, countdown, fadeLength,
             sampleA, sampleB);
  }
}
