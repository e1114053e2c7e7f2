// Growable heap byte buffer with a fixed growth policy, and a typed array over it.
//
// Threading: no locking of their own; each owner guards them with its own lock where
// threads meet.
#pragma once

#include <climits>
#include <cstdlib>
#include <cstring>

class WDL_HeapBuf {
 public:
  explicit WDL_HeapBuf(int granularity = 4096)
      : m_buf(nullptr), m_alloc(0), m_size(0), m_granul(granularity < 1 ? 1 : granularity) {}
  ~WDL_HeapBuf() { free(m_buf); }

  WDL_HeapBuf(const WDL_HeapBuf&) = delete;
  WDL_HeapBuf& operator=(const WDL_HeapBuf&) = delete;

  // Sets the byte size and returns Data(). On allocation failure the size is left
  // unchanged; callers compare ByteSize() with what they asked for.
  void* SetByteSize(int size, bool allowShrink = false);

  void* Data() const { return m_size ? m_buf : nullptr; }
  int ByteSize() const { return m_size; }
  int Allocated() const { return m_alloc; }
  int Granularity() const { return m_granul; }

 private:
  void* m_buf;
  int m_alloc;
  int m_size;
  int m_granul;
};

template <class T>
class WDL_TypedBuf {
 public:
  explicit WDL_TypedBuf(int granularity = 4096) : m_hb(granularity) {}

  // Returns Items(); on failure (allocation or an element count whose byte size would
  // not fit an int) the buffer keeps its old size.
  T* SetCount(int n, bool allowShrink = false) {
    if (n < 0) n = 0;
    if (n > INT_MAX / static_cast<int>(sizeof(T))) return Items();
    return static_cast<T*>(m_hb.SetByteSize(n * static_cast<int>(sizeof(T)), allowShrink));
  }
  T* Items() const { return static_cast<T*>(m_hb.Data()); }
  int Count() const { return m_hb.ByteSize() / static_cast<int>(sizeof(T)); }
  WDL_HeapBuf& Heap() { return m_hb; }
  const WDL_HeapBuf& Heap() const { return m_hb; }

 private:
  WDL_HeapBuf m_hb;
};
