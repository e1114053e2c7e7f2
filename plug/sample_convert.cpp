#include "plug/sample_convert.h"

#include <immintrin.h>

#include "base/vector_unit.h"

namespace {

// Baseline: SSE2, four samples per step.

void WidenSse2(const float* from, double* to, int count) {
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128 f = _mm_loadu_ps(from + i);
    _mm_storeu_pd(to + i, _mm_cvtps_pd(f));
    _mm_storeu_pd(to + i + 2, _mm_cvtps_pd(_mm_movehl_ps(f, f)));
  }
  for (; i < count; ++i) to[i] = from[i];
}

inline __m128 NarrowFour(const double* from) {
  return _mm_movelh_ps(_mm_cvtpd_ps(_mm_loadu_pd(from)), _mm_cvtpd_ps(_mm_loadu_pd(from + 2)));
}

void NarrowSse2(const double* from, float* to, int count) {
  int i = 0;
  for (; i + 4 <= count; i += 4) _mm_storeu_ps(to + i, NarrowFour(from + i));
  for (; i < count; ++i) to[i] = static_cast<float>(from[i]);
}

void AddNarrowedSse2(const double* from, float* to, int count) {
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    _mm_storeu_ps(to + i, _mm_add_ps(_mm_loadu_ps(to + i), NarrowFour(from + i)));
  }
  for (; i < count; ++i) to[i] += static_cast<float>(from[i]);
}

// AVX2 units: eight samples per step. Leaf functions without wide locals on the stack (the
// Windows ABI does not align the stack for 32-byte spills).

__attribute__((target("avx2"))) void WidenAvx2(const float* from, double* to, int count) {
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    _mm256_storeu_pd(to + i, _mm256_cvtps_pd(_mm_loadu_ps(from + i)));
    _mm256_storeu_pd(to + i + 4, _mm256_cvtps_pd(_mm_loadu_ps(from + i + 4)));
  }
  for (; i < count; ++i) to[i] = from[i];
}

__attribute__((target("avx2"))) void NarrowAvx2(const double* from, float* to, int count) {
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    _mm_storeu_ps(to + i, _mm256_cvtpd_ps(_mm256_loadu_pd(from + i)));
    _mm_storeu_ps(to + i + 4, _mm256_cvtpd_ps(_mm256_loadu_pd(from + i + 4)));
  }
  for (; i < count; ++i) to[i] = static_cast<float>(from[i]);
}

__attribute__((target("avx2"))) void AddNarrowedAvx2(const double* from, float* to, int count) {
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256 narrowed = _mm256_set_m128(_mm256_cvtpd_ps(_mm256_loadu_pd(from + i + 4)),
                                            _mm256_cvtpd_ps(_mm256_loadu_pd(from + i)));
    _mm256_storeu_ps(to + i, _mm256_add_ps(_mm256_loadu_ps(to + i), narrowed));
  }
  for (; i < count; ++i) to[i] += static_cast<float>(from[i]);
}

}  // namespace

void WidenSamples(const float* from, double* to, int count) {
  if (ActiveVectorUnit() != VectorUnit::kSse2) {
    WidenAvx2(from, to, count);
  } else {
    WidenSse2(from, to, count);
  }
}

void NarrowSamples(const double* from, float* to, int count) {
  if (ActiveVectorUnit() != VectorUnit::kSse2) {
    NarrowAvx2(from, to, count);
  } else {
    NarrowSse2(from, to, count);
  }
}

void AddNarrowedSamples(const double* from, float* to, int count) {
  if (ActiveVectorUnit() != VectorUnit::kSse2) {
    AddNarrowedAvx2(from, to, count);
  } else {
    AddNarrowedSse2(from, to, count);
  }
}
