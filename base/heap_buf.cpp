#include "base/heap_buf.h"

namespace {
constexpr int kMaxGrowthStep = 0x400000;
}

void* WDL_HeapBuf::SetByteSize(int size, bool allowShrink) {
  const int n = size < 0 ? 0 : size;
  if (n == m_size && (!allowShrink || n >= m_alloc / 2)) return Data();

  int shrinkThreshold = 0;
  if (allowShrink && n < m_size) {
    const int byGranule = m_alloc - 4 * m_granul;
    const int byHalf = m_alloc / 2;
    shrinkThreshold = byGranule < byHalf ? byGranule : byHalf;
    if (shrinkThreshold < 1) shrinkThreshold = 1;
  }

  if (n > m_alloc || n < shrinkThreshold) {
    int newAlloc = 0;
    if (n >= 1) {
      int g = n / 2 > m_granul ? n / 2 : m_granul;
      if (m_granul < 4096) {
        if (n > INT_MAX - g) return Data();  // would overflow: treat as a failed allocation
        newAlloc = n + g;
      } else {
        g &= ~4095;
        if (g < 4096) g = 4096;
        if (g > kMaxGrowthStep) g = kMaxGrowthStep;
        if (n > INT_MAX - g - 96 - 4096) return Data();
        newAlloc = ((n + g + 96) & ~4095) - 96;
      }
    }
    if (newAlloc != m_alloc) {
      if (newAlloc <= 0) {
        free(m_buf);
        m_buf = nullptr;
        m_alloc = 0;
        m_size = 0;
        return nullptr;
      }
      void* block = realloc(m_buf, static_cast<size_t>(newAlloc));
      if (!block) {
        block = malloc(static_cast<size_t>(newAlloc));
        if (!block) return Data();
        const int keep = m_size < n ? m_size : n;
        if (keep > 0 && m_buf) memcpy(block, m_buf, static_cast<size_t>(keep));
        free(m_buf);
      }
      m_buf = block;
      m_alloc = newAlloc;
    }
  }
  m_size = n;
  return Data();
}
