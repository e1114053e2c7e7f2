// Text between our single-byte (UTF-8) strings and the interface's UTF-16 fields.
//
// Threading: no shared state; any thread.
#pragma once

// Copies utf8 into dest (destUnits code units, always terminated when destUnits > 0),
// cutting it where it does not fit; a null text reads as the empty text. Malformed
// sequences become U+FFFD.
void CopyUtf8ToUtf16(char16_t* dest, int destUnits, const char* utf8);

// Copies at most maxUnits code units of src (stopping at its terminator) into dest as
// UTF-8 (destSize bytes, always terminated when destSize > 0), cutting it at a whole
// character where it does not fit; a null src reads as the empty text. Unpaired
// surrogates become U+FFFD.
void CopyUtf16ToUtf8(char* dest, int destSize, const char16_t* src, int maxUnits);
