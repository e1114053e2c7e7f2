#include "tools/host/demo_synth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr double kPhraseBeats = 8.0;
constexpr double kNoteGain = 0.6;
constexpr double kStringDecay = 0.996;      // loss per trip round the string
// Short, muted plucks leave the rests to the echoes.
constexpr double kRingSeconds = 0.7;
constexpr double kDampSeconds = 0.35;
// No note starts later than this before the end: it would be cut off.
constexpr double kMinimumRingSeconds = 0.4;
constexpr double kFadeOutSeconds = 0.01;

double MidiToHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// Karplus-Strong: a noise burst circulating in a delay line one period long, averaged
// with its neighbour on each trip (a gentle low-pass) so it rings and darkens like a
// plucked string. Added into out from start on.
void AddPluck(std::vector<float>& out, long long start, double sampleRate, int midiNote,
              uint32_t seed) {
  const int period = std::max(2, static_cast<int>(std::lround(sampleRate / MidiToHz(midiNote))));
  std::vector<double> line(period);
  uint32_t state = seed;
  double previous = 0.0;
  for (double& s : line) {
    state = state * 1664525u + 1013904223u;  // fixed LCG: the demo sounds the same every run
    double noise = static_cast<double>(state >> 8) / static_cast<double>(1u << 24) * 2.0 - 1.0;
    previous = 0.5 * (noise + previous);  // a softer pick than raw white noise
    s = previous;
  }
  // The string rings for kRingSeconds and is damped to silence over the last part of it.
  const long long ring = static_cast<long long>(sampleRate * kRingSeconds);
  const long long damp = static_cast<long long>(sampleRate * kDampSeconds);
  const long long end = std::min(static_cast<long long>(out.size()), start + ring);
  int index = 0;
  for (long long n = start; n < end; ++n) {
    int next = index + 1 == period ? 0 : index + 1;
    double sample = line[index];
    line[index] = kStringDecay * 0.5 * (line[index] + line[next]);
    const long long left = start + ring - n;
    const double envelope = left < damp ? static_cast<double>(left) / damp : 1.0;
    out[n] += static_cast<float>(kNoteGain * envelope * sample);
    index = next;
  }
}

}  // namespace

const std::vector<DemoNote>& DemoPhrase() {
  // A call (beats 0..1.5), a rest, an answer (beats 3..5), a rest to the end of bar two.
  static const std::vector<DemoNote> phrase = {
      {0.0, 57}, {0.5, 60}, {1.0, 64}, {1.5, 67},  // A3 C4 E4 G4
      {3.0, 69}, {4.0, 64}, {4.5, 62}, {5.0, 57},  // A4 E4 D4 A3
  };
  return phrase;
}

std::vector<float> RenderDemo(double sampleRate, double tempo, double seconds) {
  if (!(seconds > 0) || !(sampleRate > 0) || !(tempo > 0)) return {};
  const long long frames = std::llround(seconds * sampleRate);
  std::vector<float> out(static_cast<size_t>(frames), 0.0f);
  const double samplesPerBeat = 60.0 * sampleRate / tempo;
  const long long lastStart = frames - static_cast<long long>(kMinimumRingSeconds * sampleRate);

  uint32_t seed = 12345;
  for (int phrase = 0;; ++phrase) {
    const double phraseStart = phrase * kPhraseBeats * samplesPerBeat;
    if (phraseStart >= lastStart) break;
    for (const DemoNote& note : DemoPhrase()) {
      long long start = std::llround(phraseStart + note.beat * samplesPerBeat);
      if (start > lastStart) break;
      AddPluck(out, start, sampleRate, note.midiNote, seed);
      seed = seed * 2654435761u + 1u;
    }
  }

  const long long fade = std::min(frames, static_cast<long long>(kFadeOutSeconds * sampleRate));
  for (long long i = 0; i < fade; ++i) {
    out[frames - 1 - i] *= static_cast<float>(i) / static_cast<float>(fade);
  }
  // Overlapping notes stay well below full scale, but keep the promise of a peak below 1.
  float peak = 0.0f;
  for (float s : out) peak = std::max(peak, std::fabs(s));
  if (peak > 0.9f) {
    for (float& s : out) s *= 0.9f / peak;
  }
  return out;
}
