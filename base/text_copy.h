// Bounded text copies into fixed-size fields and host buffers.
//
// Threading: no shared state; any thread.
#pragma once

// Copies at most maxLength characters of text into dest and terminates it, so dest must
// hold maxLength + 1 characters. A null text reads as the empty text, a null dest copies
// nothing, a negative maxLength acts as 0. Returns the number of characters copied.
int CopyTextCut(char* dest, const char* text, int maxLength);
