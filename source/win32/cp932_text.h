// Code page 932 and UTF-16.  The program's own narrow texts, the values of
// its INI files and the paths the window-free modules hand over are code
// page 932 by construction, so they are converted with that code page
// itself, never with the system's: an English Windows (code page 1252) or
// one with the UTF-8 option (65001) would read them as something else.
// Nothing here allocates, so the platform module can use it too.
#ifndef KELVANE_CP932_TEXT_H
#define KELVANE_CP932_TEXT_H

#include <windows.h>

#define CP932_CODE_PAGE 932

// The NUL-terminated code page 932 text into out, size wide characters
// with the terminator.  1 when all of it fitted; otherwise 0 and out is
// empty.
int cp932_to_wide(const char* text, wchar_t* out, int size);

// The NUL-terminated UTF-16 text into out, size bytes with the terminator.
// 1 when every character has a code page 932 form and all of it fitted;
// otherwise 0 and out is empty: a path or a stored value is never handed
// on with a character replaced.
int cp932_from_wide(const wchar_t* text, char* out, int size);

#endif
