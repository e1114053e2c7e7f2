#pragma once

// Heap calls of one thread, for the programs that check or measure the audio thread.
//
// A program that links heap_calls.cpp (target quelora_heap_calls) replaces the C library's
// allocation entry points (malloc, calloc, realloc, free, memalign, aligned_alloc,
// posix_memalign; operator new goes through malloc) with ones that forward to the C
// library and count the calls of every thread that switched counting on. Linux with the
// C library's allocator only: sanitizer runtimes bring their own.
//
// All three functions act on the calling thread only and never touch the heap.

// Starts counting this thread's heap calls from zero.
void StartCountingHeapCalls();
// Stops counting; the count stays readable.
void StopCountingHeapCalls();
// This thread's heap calls while counting was on, since the last start.
long CountedHeapCalls();
