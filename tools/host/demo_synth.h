// The demo phrase render uses when no input file is given: a short plucked-string
// (Karplus-Strong) melody in A minor pentatonic, on the beat grid of the given tempo, with
// rests between its phrases so that a delay's echoes can be heard on their own.
//
// Threading: pure function, any thread.
#pragma once

#include <vector>

struct DemoNote {
  double beat;  // start, in quarter notes from the beginning of the two-bar phrase
  int midiNote;
};

// One two-bar (eight-beat) phrase; the demo repeats it.
const std::vector<DemoNote>& DemoPhrase();

// Mono samples, exactly round(seconds × sampleRate) frames (0 for non-positive input),
// peak below 1. No note starts in the last 0.4 s, and the last 10 ms fade out, so the
// demo ends without a click. Deterministic.
std::vector<float> RenderDemo(double sampleRate, double tempo, double seconds);
