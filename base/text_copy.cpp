#include "base/text_copy.h"

int CopyTextCut(char* dest, const char* text, int maxLength) {
  if (!dest) return 0;
  int n = 0;
  if (text) {
    while (n < maxLength && text[n]) {
      dest[n] = text[n];
      ++n;
    }
  }
  dest[n] = 0;
  return n;
}
