// Small extensions of the Windows API: the text conversions between the
// memo text (UTF-8) and the display (UTF-16), the effective DPI of a
// window, and the bitmap helpers of the balloon and the dialogs.
#ifndef MEMO_WINAPIEX_H
#define MEMO_WINAPIEX_H

#include <windows.h>

#include <stdint.h>

// Converts length bytes of UTF-8 (-1: up to the NUL) to UTF-16.  Invalid
// sequences become U+FFFD.  Returns a NUL-terminated tracked block the
// caller releases with TRACKED_FREE; *out_length (optional) gets the length
// in characters without the terminator.  Never null.
wchar_t* memo_winapiex_utf8_to_utf16(const char* text, int length, int* out_length);

// Converts length characters of UTF-16 (-1: up to the NUL) to UTF-8.
// Returns a NUL-terminated tracked block the caller releases with
// TRACKED_FREE.  Never null.
char* memo_winapiex_utf16_to_utf8(const wchar_t* text, int length, int* out_length);

// The effective horizontal DPI of a monitor; 96 when the system cannot
// tell (or monitor is null).
int32_t memo_winapiex_monitor_dpi(HMONITOR monitor);

// The same for the monitor nearest to window, the one that holds most of it.
int32_t memo_winapiex_window_dpi(HWND window);

// Registers a window class of the program: the whole window redrawn on
// every resize, the arrow cursor, the system colour background (a COLOR_
// index) and the given icons (null: none).  1 when the class is there,
// registered now or before; 0 when the system refused it.
int32_t memo_winapiex_register_class(HINSTANCE instance, const char* name, WNDPROC procedure,
                                     int background, HICON icon, HICON small_icon);

// A copy of bitmap as a 32-bit DIB section of the same size (bottom-up,
// uncompressed), every alpha byte 0: a copy by BitBlt leaves them
// undefined, and readers of the pixels get a clean 0x00RRGGBB.  The caller
// owns the copy (DeleteObject).  Null (reported) when bitmap is null
// or cannot be read or copied.
HBITMAP memo_winapiex_bitmap_to_dib32(HBITMAP bitmap);

// The same, mirrored left to right.
HBITMAP memo_winapiex_bitmap_mirror(HBITMAP bitmap);

// Draws the whole bitmap stretched into rect (colour-on-colour: no
// blending, so a colour key in the picture survives).  1 on success, 0 when
// the bitmap is null or unreadable or the drawing fails.  Leaves dc's
// stretch mode at COLORONCOLOR.
int32_t memo_winapiex_draw_bitmap(HDC dc, HBITMAP bitmap, const RECT* rect);

// Fills rect with a solid colour (0x00BBGGRR); always 1.
int32_t memo_winapiex_fill_rect(HDC dc, COLORREF colour, const RECT* rect);

#endif
