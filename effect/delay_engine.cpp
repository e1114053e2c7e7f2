// The delay engine: parameter values to engine settings, and the block processing.
//
// Arithmetic: samples are doubles; gains, pans and crossfade weights are floats widened to
// double where they multiply a sample, so that every build and both host precisions give
// the same samples.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "effect/delay_spans.h"
#include "effect/quelora2.h"

namespace {

// Round half away from zero.
int RoundHalfAway(double v) { return static_cast<int>(v >= 0.0 ? v + 0.5 : v - 0.5); }

// Index of the sample d frames before position w in a ring of n samples (0 <= d <= n).
inline int Behind(int w, int d, int n) {
  const int i = w - d;
  return i < 0 ? i + n : i;
}

inline bool IsPongMode(int mode) { return mode == kModePingPong || mode == kModeInvPong; }
inline bool IsSingleMode(int mode) { return mode == kModeLeft || mode == kModeRight; }

}  // namespace

VSTCLASS::LineTestHooks VSTCLASS::sLineTestHooks = {nullptr, false};

VSTCLASS::~VSTCLASS() {
  free(DelayLine);
  DelayLine = nullptr;
}

float VSTCLASS::NoteLength(int k) {
  if (k < 0) k = 0;
  if (k > kNumNoteValues - 1) k = kNumNoteValues - 1;
  // The note values come in threes of increasing length: a straight note, the triplet
  // (two thirds) of the next longer straight note, the dotted (one and a half) straight
  // note. Powers of two scale a float exactly, so every length below is the exact
  // single-precision value; no transcendental function decides a sample position.
  const float triplet = 0.010416667f;  // 1/96
  switch (k % 3) {
    case 0:
      return static_cast<float>(1 << (k / 3)) / 64.0f;
    case 1:
      return static_cast<float>(1 << ((k + 2) / 3)) * triplet;
    default:
      return static_cast<float>(1 << ((k - 2) / 3)) * (3.0f / 128.0f);
  }
}

void VSTCLASS::HandleParamChanged(int index) {
  MutexGuard guard(PluginLock());
  const IParam* param = ParamAt(index);
  if (param) {
    // The value is brought into the parameter's range first: the feedback loop is only
    // stable below 1, and a note or mode index outside its table means nothing.
    double v = param->current;
    if (!(v >= param->Lowest())) v = param->Lowest();  // also NaN
    if (v > param->Highest()) v = param->Highest();
    const int k = RoundHalfAway(v);
    switch (index) {
      case kDelayRate:
        rateDelay = static_cast<int>(static_cast<double>(NoteLength(k)) * wholeNoteSamples + 0.5);
        break;
      case kPosition:
        positionMode = static_cast<uint16_t>(k);
        break;
      case kPanWidth:
        width = static_cast<float>(k) * 0.01f;
        break;
      case kFeedback:
        feedbackGain = static_cast<float>(k) * 0.01f;
        break;
      case kDryMix:
        dryGain = static_cast<float>(k) * 0.01f;
        break;
      case kWetMix:
        wetGain = static_cast<float>(k) * 0.01f;
        break;
      default:
        break;
    }
  }

  // The position mode decides the delay and the pan, whatever changed: the pong modes run
  // the line at twice the rate delay and take the first echo from its middle (tap B).
  switch (positionMode) {
    case kModeLeft:
      targetDelay = rateDelay;
      tapB = 0.0;
      targetPan = (1.0f + width) * 0.5f;
      break;
    case kModeRight:
      targetDelay = rateDelay;
      tapB = 0.0;
      targetPan = (1.0f - width) * 0.5f;
      break;
    case kModePingPong:
      targetDelay = 2 * rateDelay;
      targetPan = (1.0f - width) * 0.5f;
      break;
    case kModeInvPong:
      targetDelay = 2 * rateDelay;
      targetPan = (1.0f + width) * 0.5f;
      break;
    default:
      break;
  }

  if (lineReady) {
    if (currentDelay == 0) {
      // Nothing established yet (first block or just resized): take the delay at once.
      // The mode is then settled too, so that the next fade knows whether tap B was in use.
      crossfadeCountdown = -1;
      newDelay = currentDelay = targetDelay;
      settledMode = positionMode;
    } else if (targetDelay != currentDelay && crossfadeCountdown == -1) {
      // One crossfade at a time; a target arriving during a fade waits for a later change.
      newDelay = targetDelay;
      crossfadeCountdown = crossfadeLength;
    }
  }
}

int VSTCLASS::LineSamplesFor(double w) {
  // Eight whole notes: a "4/1" note doubled by a pong mode, the longest delay there is.
  int n = static_cast<int>(std::floor(8.0 * w + 0.5));
  const int longest = 2 * static_cast<int>(4.0 * w + 0.5);
  if (n < longest) n = longest;
  if (n < 1) n = 1;
  return n;
}

double VSTCLASS::WholeNoteSamplesAt(double tempo) const {
  // The same expression as 4 * SamplesPerBeat(), so that both give the same bits.
  double w = tempo > 0.0 ? 4.0 * (SampleRate() / tempo * 60.0) : 0.0;
  if (!std::isfinite(w) || w <= 0.0 || w > kMaxWholeNoteSamples) w = 0.0;
  return w;
}

void VSTCLASS::HandleActivation(bool active) {
  MutexGuard guard(PluginLock());
  if (!active) return;
  // Processing starts: storage for the tempo last seen (or the usual 120 BPM before any)
  // at the current rate, so that the first blocks allocate nothing while the tempo stays.
  const double w = WholeNoteSamplesAt(lastTempo > 0.0 ? lastTempo : kFirstTempoGuess);
  if (w > 0.0) ReserveLine(LineSamplesFor(w));
}

void VSTCLASS::ClearHistory() {
  MutexGuard guard(PluginLock());
  if (sLineTestHooks.fillUnwritten && DelayLine) {
    sLineTestHooks.fillUnwritten(DelayLine, 0, lineLength);
  }
  // What the constructor sets; the next block then runs the first block's ResizeLine, which
  // restarts the write position, the written extent and the delays. lineCapacity and the
  // storage stay, so nothing is allocated here or there.
  lineReady = false;
  wholeNoteSamples = 0.0;
  lineLength = 0;
  lineWritten = 0;
  writePos = 0;
  tapA = 0.0;
  tapB = 0.0;
  currentPan = -1.f;
  crossfadeCountdown = 0;
  targetDelay = currentDelay = newDelay = 0;
}

int VSTCLASS::TailSamples() const {
  const double w = WholeNoteSamplesAt(lastTempo > 0.0 ? lastTempo : kFirstTempoGuess);
  const IParam* rate = ParamAt(kDelayRate);
  if (w <= 0.0 || !rate) return 0;
  double v = rate->current;
  if (!(v >= rate->Lowest())) v = rate->Lowest();
  if (v > rate->Highest()) v = rate->Highest();
  double loop = std::floor(static_cast<double>(NoteLength(RoundHalfAway(v))) * w + 0.5);
  if (IsPongMode(positionMode)) loop *= 2.0;
  // -96 dB: below the last bit of 16-bit audio.
  const double threshold = 1.5849e-5;
  const double wet = wetGain;
  const double feedback = feedbackGain;
  if (!(wet > threshold)) return 0;
  double repeats = 0.0;
  if (feedback > 0.0) repeats = std::ceil(std::log(threshold / wet) / std::log(feedback));
  const double tail = loop * (repeats + 1.0) + static_cast<double>(kDelayCrossfadeSamples);
  const double longest = 2147483646.0;
  return tail < longest ? static_cast<int>(tail) : static_cast<int>(longest);
}

bool VSTCLASS::ReserveLine(int n) {
  if (n <= lineCapacity) return true;
  double* grown = static_cast<double*>(malloc(static_cast<size_t>(n) * sizeof(double)));
  if (!grown) return false;
  // A write to every page maps it now, so that the loops never take a page fault on it.
  // (The stores are volatile: a zero fill right after malloc may be turned into calloc,
  // which leaves fresh pages unmapped.) What they hold does not matter: ZeroUnwrittenReads
  // zeroes every position before it is read.
  volatile double* touch = grown;
  const size_t perPage = 4096 / sizeof(double);
  for (size_t i = 0; i < static_cast<size_t>(n); i += perPage) touch[i] = 0.0;
  touch[n - 1] = 0.0;
  // Growth ahead of a resize (at activation) keeps what the line holds; after a clear
  // nothing is written yet and nothing is copied.
  if (lineWritten > 0) memcpy(grown, DelayLine, static_cast<size_t>(lineWritten) * sizeof(double));
  free(DelayLine);
  DelayLine = grown;
  lineCapacity = n;
  if (sLineTestHooks.fillUnwritten) sLineTestHooks.fillUnwritten(DelayLine, lineWritten, n);
  return true;
}

void VSTCLASS::ResizeLine(double w) {
  wholeNoteSamples = w;
  lineLength = 0;
  lineWritten = 0;
  writePos = 0;
  crossfadeCountdown = 0;
  targetDelay = currentDelay = newDelay = 0;

  if (w > 0.0) {
    const int n = LineSamplesFor(w);
    // Clearing costs nothing here: with nothing written yet, ZeroUnwrittenReads hands the
    // loops zeros wherever they read. When the storage cannot grow, the line stays absent
    // and the effect passes the dry signal until the tempo or the sample rate changes again.
    if (ReserveLine(n)) lineLength = n;
  }
  if (sLineTestHooks.fillUnwritten && DelayLine) {
    sLineTestHooks.fillUnwritten(DelayLine, 0, lineLength);
  }
  HandleParamChanged(kDelayRate);
}

void VSTCLASS::ZeroUnwrittenReads(int frames) {
  const int length = lineLength;
  if (lineWritten >= length || sLineTestHooks.skipUnwrittenZeroing) return;
  // Every distance a tap may read at during this block: both delays (a crossfade ending
  // inside the block makes the new one current) and their halves (tap B).
  const int distances[4] = {currentDelay, newDelay, currentDelay / 2, newDelay / 2};
  const int run = frames < length ? frames : length;
  for (int distance : distances) {
    // The tap reads positions start ... start + run - 1, around the ring.
    int start = Behind(writePos, distance, length);
    int left = run;
    while (left > 0) {
      const int end = start + left < length ? start + left : length;
      const int from = start > lineWritten ? start : lineWritten;
      if (end > from) memset(DelayLine + from, 0, static_cast<size_t>(end - from) * sizeof(double));
      left -= end - start;
      start = 0;
    }
  }
}

void VSTCLASS::GlidePan() {
  if (currentPan < 0.f) currentPan = targetPan;
  if (std::fabs(currentPan - targetPan) > panGlideStep) {
    currentPan += currentPan < targetPan ? panGlideStep : -panGlideStep;
  } else {
    currentPan = targetPan;
  }
}

void VSTCLASS::RenderAudio(double** inputs, double** outputs, int frameCount) {
  // Samples per whole note at the host's tempo, asked once per block. No tempo, or one so
  // slow (or a rate so high) that the line would exceed its bound, leaves no line.
  const double tempo = HostTempo();
  const double w = WholeNoteSamplesAt(tempo);
  if (w > 0.0) lastTempo = tempo;

  if (!lineReady) {
    lineReady = true;
    ResizeLine(w);
  } else if (w != wholeNoteSamples) {
    // A new tempo or sample rate: every echo is lost and the new delay applies at once.
    ResizeLine(w);
  }

  GlidePan();

  if (frameCount <= 0 || !inputs || !outputs) return;
  const double* in0 = inputs[0];
  const double* in1 = inputs[1];
  double* out0 = outputs[0];
  double* out1 = outputs[1];
  if (!in0 || !in1 || !out0 || !out1) return;

  // Without a line (no tempo, or no storage) the line is neither read nor written. The
  // delays never exceed the line by construction; the check keeps it that way for sure.
  if (lineLength <= 0 || currentDelay > lineLength || newDelay > lineLength) {
    RenderDryOnly(in0, in1, out0, out1, frameCount);
    return;
  }

  ZeroUnwrittenReads(frameCount);
  // The writes run on from writePos, which starts at 0 after a clear.
  if (lineWritten < lineLength) {
    lineWritten = frameCount < lineLength - lineWritten ? lineWritten + frameCount : lineLength;
  }

  int done = 0;
  while (done < frameCount) {
    if (crossfadeCountdown > 0) {
      const int frames =
          crossfadeCountdown < frameCount - done ? crossfadeCountdown : frameCount - done;
      RenderCrossfade(in0 + done, in1 + done, out0 + done, out1 + done, frames);
      done += frames;
    } else {
      if (crossfadeCountdown == 0) {
        // The frame after the last crossfade frame: the faded-in delay is now the delay.
        currentDelay = newDelay;
        if (IsSingleMode(positionMode)) tapB = 0.0;
        settledMode = positionMode;
        crossfadeCountdown = -1;
      }
      RenderIdle(in0 + done, in1 + done, out0 + done, out1 + done, frameCount - done);
      done = frameCount;
    }
  }
}

void VSTCLASS::RenderDryOnly(const double* in0, const double* in1, double* out0, double* out1,
                             int frames) {
  const double dry = dryGain;
  for (int n = 0; n < frames; ++n) {
    const double x0 = in0[n];
    const double x1 = in1[n];
    out0[n] = dry * x0;
    out1[n] = dry * x1;
  }
}

void VSTCLASS::RenderIdle(const double* in0, const double* in1, double* out0, double* out1,
                          int frames) {
  const int length = lineLength;
  const bool pong = IsPongMode(positionMode);
  const VectorUnit unit = ActiveVectorUnit();
  const SpanMix mix = {DelayLine, feedbackGain, wetGain, dryGain, currentPan, 1.0f - currentPan};

  // The write position and both read positions advance together; each wraps on its own.
  const int distanceA = newDelay;
  const int distanceB = newDelay / 2;
  int w = writePos;
  int a = Behind(w, distanceA, length);
  int b = Behind(w, distanceB, length);
  double sampleA = tapA;
  double sampleB = tapB;

  int n = 0;
  while (n < frames) {
    // Frames until the first of the three positions wraps: the span then runs without any
    // wrap test.
    int run = frames - n;
    if (length - w < run) run = length - w;
    if (length - a < run) run = length - a;
    if (pong && length - b < run) run = length - b;
    const bool independent = TapIsIndependent(distanceA, length, run) &&
                             (!pong || TapIsIndependent(distanceB, length, run));
    const SpanIo io = {in0 + n, in1 + n, out0 + n, out1 + n};
    RunIdleSpan(unit, pong, independent, mix, io, run, w, a, b, sampleA, sampleB);
    n += run;
    w += run;
    a += run;
    b += run;
    if (w >= length) w = 0;
    if (a >= length) a = 0;
    if (b >= length) b -= length;  // b only wraps exactly when the pong taps it
  }
  writePos = w;
  tapA = sampleA;
  tapB = sampleB;
}

void VSTCLASS::RenderCrossfade(const double* in0, const double* in1, double* out0, double* out1,
                               int frames) {
  const int length = lineLength;
  const int mode = positionMode;
  // Whether tap B was in use when the fade began (the settled mode's family) and whether
  // it is now: a pong mode keeps it, a single mode drops it, so between the two families
  // tap B fades in or out, and within a family it crossfades or stays silent.
  const bool wasPong = IsPongMode(settledMode);
  const bool pong = IsPongMode(mode);
  const bool single = IsSingleMode(mode);
  FadeTapB fadeB = FadeTapB::kHold;
  if (pong) {
    fadeB = wasPong ? FadeTapB::kCrossfade : FadeTapB::kFadeIn;
  } else if (single && wasPong) {
    fadeB = FadeTapB::kFadeOut;
  }
  const bool readsNewB = fadeB == FadeTapB::kCrossfade || fadeB == FadeTapB::kFadeIn;
  const bool readsOldB = fadeB == FadeTapB::kCrossfade || fadeB == FadeTapB::kFadeOut;
  const VectorUnit unit = ActiveVectorUnit();
  const SpanMix mix = {DelayLine, feedbackGain, wetGain, dryGain, currentPan, 1.0f - currentPan};
  const float fadeLength = static_cast<float>(crossfadeLength);

  int w = writePos;
  int newA = Behind(w, newDelay, length);
  int oldA = Behind(w, currentDelay, length);
  int newB = Behind(w, newDelay / 2, length);
  int oldB = Behind(w, currentDelay / 2, length);
  double sampleA = tapA;
  double sampleB = tapB;

  int n = 0;
  while (n < frames) {
    // Frames until the first position in use wraps.
    int run = frames - n;
    if (length - w < run) run = length - w;
    if (length - newA < run) run = length - newA;
    if (length - oldA < run) run = length - oldA;
    if (readsNewB && length - newB < run) run = length - newB;
    if (readsOldB && length - oldB < run) run = length - oldB;
    const bool independent = TapIsIndependent(newDelay, length, run) &&
                             TapIsIndependent(currentDelay, length, run) &&
                             (!readsNewB || TapIsIndependent(newDelay / 2, length, run)) &&
                             (!readsOldB || TapIsIndependent(currentDelay / 2, length, run));
    const SpanIo io = {in0 + n, in1 + n, out0 + n, out1 + n};
    RunFadeSpan(unit, fadeB, independent, mix, io, run, w, newA, oldA, newB, oldB,
                crossfadeCountdown, fadeLength, sampleA, sampleB);
    crossfadeCountdown -= run;
    n += run;
    w += run;
    newA += run;
    oldA += run;
    newB += run;
    oldB += run;
    // A position in use reaches the end exactly; one not in use may pass it, never by a
    // whole line.
    if (w >= length) w -= length;
    if (newA >= length) newA -= length;
    if (oldA >= length) oldA -= length;
    if (newB >= length) newB -= length;
    if (oldB >= length) oldB -= length;
  }
  writePos = w;
  tapA = sampleA;
  tapB = sampleB;
}
