// Text conversions at the display edge: memo text (UTF-8) to and from the
// UTF-16 of the wide Windows functions.
#ifndef KELVANE_WIDE_TEXT_H
#define KELVANE_WIDE_TEXT_H

#include <windows.h>

// Converts length bytes of UTF-8 (-1: up to the NUL) to UTF-16.  Invalid
// sequences become U+FFFD.  Returns a NUL-terminated tracked block the
// caller releases with TRACKED_FREE; *out_length (optional) gets the length
// in characters without the terminator.  Never null.
wchar_t* wide_from_utf8(const char* text, int length, int* out_length);

// Converts length characters of UTF-16 (-1: up to the NUL) to UTF-8.
// Returns a NUL-terminated tracked block the caller releases with
// TRACKED_FREE.  Never null.
char* wide_to_utf8(const wchar_t* text, int length, int* out_length);

#endif
