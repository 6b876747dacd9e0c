// Text conversions at the display edge: memo text (UTF-8) and the
// program's own code page 932 texts to and from the UTF-16 of the wide
// Windows functions, through which every text the user sees goes.
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

// Converts length bytes of code page 932 (-1: up to the NUL) to UTF-16,
// with code page 932 whatever the system's is.  Returns a NUL-terminated
// tracked block the caller releases with TRACKED_FREE.  Never null.
wchar_t* wide_from_cp932(const char* text, int length, int* out_length);

// Converts UTF-16 (up to the NUL) to code page 932 for a value that may
// lose what that code page lacks (a name the user typed): such a character
// becomes its nearest code page 932 form or "?".  Returns a NUL-terminated
// tracked block the caller releases with TRACKED_FREE.  Never null.
char* wide_to_cp932(const wchar_t* text);

// A UTF-16 copy of a code page 932 text for the wide call it is handed to;
// it goes at the end of the statement or scope:
//     MessageBoxW(owner, wide_cp932(k_question), wide_cp932(PROGRAM_CAPTION), MB_OK);
class wide_cp932 {
public:
    explicit wide_cp932(const char* text) : m_text(wide_from_cp932(text, -1, nullptr)) {}
    ~wide_cp932();
    wide_cp932(const wide_cp932&) = delete;
    wide_cp932& operator=(const wide_cp932&) = delete;
    const wchar_t* get() const { return m_text; }
    operator const wchar_t*() const { return m_text; }

private:
    wchar_t* m_text;
};

// MessageBoxW with code page 932 texts; the button the user chose.
int wide_message_box(HWND owner, const char* text, const char* caption, UINT flags);

// SetDlgItemTextW with a code page 932 text.
void wide_set_item_text(HWND dialog, int id, const char* text);

// Every line break (CR LF, LF or a lone CR) becomes one space, in place: a
// menu entry is one line, and a break would show as a box.
void wide_flatten_line_breaks(wchar_t* text);

#endif
