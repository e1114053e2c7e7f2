// Included first into every unit-test program of the Windows build: the few POSIX calls
// the shared tests use, over the C runtime's own (the tests run unchanged on both builds).
#pragma once
#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <stdlib.h>
#include <string.h>

// Creates a fresh directory from a template ending in XXXXXX; the template on success.
inline char* mkdtemp(char* templ) {
  if (!templ || _mktemp_s(templ, strlen(templ) + 1) != 0) return nullptr;
  return _mkdir(templ) == 0 ? templ : nullptr;
}

// Sets (overwrite non-zero) or removes an environment variable of this process.
inline int setenv(const char* name, const char* value, int overwrite) {
  if (!overwrite && getenv(name)) return 0;
  return _putenv_s(name, value) == 0 ? 0 : -1;
}
inline int unsetenv(const char* name) { return _putenv_s(name, "") == 0 ? 0 : -1; }
#endif
