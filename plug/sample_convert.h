// Conversions between the host's single-precision buffers and the double-precision samples
// the plug-in renders. Widening is exact, and narrowing rounds to nearest like a scalar
// conversion, so every vector unit gives the same bits (base/vector_unit.h picks one).
//
// Threading: any thread; pure functions of their arguments. The processing calls use them
// with the plug-in lock held.
#pragma once

// to[i] = from[i] for i < count (count <= 0: nothing).
void WidenSamples(const float* from, double* to, int count);
// to[i] = float(from[i]).
void NarrowSamples(const double* from, float* to, int count);
// to[i] += float(from[i]), the sum in single precision.
void AddNarrowedSamples(const double* from, float* to, int count);
