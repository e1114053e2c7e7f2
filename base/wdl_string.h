// NUL-terminated text over a WDL_HeapBuf (granularity 128).
//
// Threading: no locking of its own.
#pragma once

#include "base/heap_buf.h"

class WDL_String {
 public:
  WDL_String() : m_hb(128) {}
  explicit WDL_String(const char* text) : m_hb(128) { Assign(text); }

  WDL_String(const WDL_String&) = delete;
  WDL_String& operator=(const WDL_String&) = delete;

  // Stores at most maxLen characters of text (all of it when maxLen <= 0). Assigning a
  // string its own tail is allowed. On allocation failure the string is unchanged.
  void Assign(const char* text, int maxLen = 0);

  // Formats with vsnprintf into at most maxLen characters.
  void AssignFormatted(int maxLen, const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 3, 4)))
#endif
      ;

  // The stored text; never null.
  const char* Text() const;
  int Length() const { return m_hb.ByteSize() > 0 ? m_hb.ByteSize() - 1 : 0; }

  WDL_HeapBuf& Heap() { return m_hb; }

 private:
  WDL_HeapBuf m_hb;
};
