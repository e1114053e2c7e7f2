// Client-side records of a display whose server connection broke cannot be released
// (Xlib may keep that display's lock for good), so they are abandoned. This tells the
// leak checker of sanitizer builds that such a record is left behind on purpose.
//
// Threading: any thread.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define QUELORA_X11_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUELORA_X11_LSAN 1
#endif
#endif

#ifdef QUELORA_X11_LSAN
#include <sanitizer/lsan_interface.h>
#endif

namespace x11 {

inline void AbandonXRecord(const void* record) {
#ifdef QUELORA_X11_LSAN
  if (record) __lsan_ignore_object(record);
#else
  (void)record;
#endif
}

}  // namespace x11
