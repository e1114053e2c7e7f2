#include "base/wdl_string.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>

namespace {
const char kEmptyText[1] = {0};
}

const char* WDL_String::Text() const {
  const char* text = static_cast<const char*>(m_hb.Data());
  return text ? text : kEmptyText;
}

void WDL_String::Assign(const char* text, int maxLen) {
  int n = 0;
  if (text) {
    if (maxLen <= 0) {
      const size_t len = strlen(text);
      n = len > static_cast<size_t>(INT_MAX - 1) ? INT_MAX - 1 : static_cast<int>(len);
    } else {
      while (n < maxLen && text[n]) ++n;
      if (n > INT_MAX - 1) n = INT_MAX - 1;
    }
  }

  if (n == 0) {
    m_hb.SetByteSize(1, false);
    char* storage = static_cast<char*>(m_hb.Data());
    if (storage) storage[0] = 0;
    return;
  }

  const int sizeBefore = m_hb.ByteSize();
  if (sizeBefore < n + 1) {
    // The source may be this string's own tail: remember its offset across a move.
    const char* oldStorage = static_cast<const char*>(m_hb.Data());
    const bool ownTail = oldStorage && text >= oldStorage && text < oldStorage + sizeBefore;
    const std::ptrdiff_t offset = ownTail ? text - oldStorage : 0;
    m_hb.SetByteSize(n + 1, false);
    if (m_hb.ByteSize() < n + 1) return;
    if (ownTail) text = static_cast<const char*>(m_hb.Data()) + offset;
  }

  char* storage = static_cast<char*>(m_hb.Data());
  memmove(storage, text, static_cast<size_t>(n));
  storage[n] = 0;
  if (n + 1 < sizeBefore) m_hb.SetByteSize(n + 1, false);
}

void WDL_String::AssignFormatted(int maxLen, const char* format, ...) {
  if (maxLen < 0 || maxLen > INT_MAX - 1 || !format) return;
  m_hb.SetByteSize(maxLen + 1, false);
  if (m_hb.ByteSize() != maxLen + 1) return;
  char* storage = static_cast<char*>(m_hb.Data());

  va_list args;
  va_start(args, format);
  int length = vsnprintf(storage, static_cast<size_t>(maxLen) + 1, format, args);
  va_end(args);

  if (length < 0 || length >= maxLen) {
    length = storage[0] ? maxLen : 0;
    storage[length] = 0;
  }
  m_hb.SetByteSize(length + 1, false);
}
