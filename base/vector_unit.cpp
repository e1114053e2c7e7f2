#include "base/vector_unit.h"

#include <atomic>

namespace {

std::atomic<int> gLimit{kVectorUnitCount - 1};

int DetectWidest() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  __builtin_cpu_init();
  // The run-time library checks that the operating system saves the wide registers too.
  if (__builtin_cpu_supports("avx2")) return static_cast<int>(VectorUnit::kAvx2);
#endif
  return static_cast<int>(VectorUnit::kSse2);
}

// Detected while the module loads, so that no processing call pays for it.
const int gWidest = DetectWidest();

int Widest() { return gWidest; }

}  // namespace

VectorUnit ActiveVectorUnit() {
  const int limit = gLimit.load(std::memory_order_relaxed);
  const int widest = Widest();
  return static_cast<VectorUnit>(limit < widest ? limit : widest);
}

bool VectorUnitSupported(VectorUnit unit) { return static_cast<int>(unit) <= Widest(); }

void LimitVectorUnit(VectorUnit widest) {
  gLimit.store(static_cast<int>(widest), std::memory_order_relaxed);
}

const char* VectorUnitName(VectorUnit unit) {
  return unit == VectorUnit::kAvx2 ? "AVX2" : "SSE2";
}
