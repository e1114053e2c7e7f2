// Which vector unit the sample loops run on. Every build targets the x86-64 baseline (SSE2);
// loops that gain from wider registers carry a second variant compiled for AVX2 alone and
// pick one at run time. Both variants compute every sample with the same operations in the
// same order (no fused multiply-add), so they give the same bits.
//
// Threading: any thread. The limit is process-wide; tests and benchmarks set it while no
// processing call runs.
#pragma once

enum class VectorUnit { kSse2 = 0, kAvx2 = 1 };
constexpr int kVectorUnitCount = 2;

// The widest unit that the processor supports, capped by the limit.
VectorUnit ActiveVectorUnit();
// Whether this processor (and its operating system) runs code for the unit.
bool VectorUnitSupported(VectorUnit unit);
// Caps the unit the loops use (the default is the widest there is).
void LimitVectorUnit(VectorUnit widest);
// "SSE2", "AVX2".
const char* VectorUnitName(VectorUnit unit);
