#include "tests/support/heap_calls.h"

#include <cerrno>
#include <cstddef>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace {

// thread_local data of the executable itself lives in its static TLS block: reading it
// needs no allocation, so the counters can be used inside malloc.
thread_local bool tCounting = false;
thread_local long tHeapCalls = 0;

inline void NoteHeapCall() {
  if (tCounting) ++tHeapCalls;
}

}  // namespace

void StartCountingHeapCalls() {
  tHeapCalls = 0;
  tCounting = true;
}

void StopCountingHeapCalls() { tCounting = false; }

long CountedHeapCalls() { return tHeapCalls; }

extern "C" {
void* malloc(size_t size) {
  NoteHeapCall();
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
  NoteHeapCall();
  return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size) {
  NoteHeapCall();
  return __libc_realloc(block, size);
}
// free(nullptr) touches no heap and is not counted.
void free(void* block) {
  if (block) NoteHeapCall();
  __libc_free(block);
}
void* memalign(size_t alignment, size_t size) {
  NoteHeapCall();
  return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
  NoteHeapCall();
  return __libc_memalign(alignment, size);
}
int posix_memalign(void** result, size_t alignment, size_t size) {
  NoteHeapCall();
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
  void* block = __libc_memalign(alignment, size);
  if (!block) return ENOMEM;
  *result = block;
  return 0;
}
}
