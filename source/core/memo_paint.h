// Painting a memo: its colour, its frame and fold lines, and its text in
// the memo font.
//
// memo_paint.cpp holds what needs no window (the font height and the text
// rectangle); memo_paint_win32.cpp draws.
#ifndef KELVANE_MEMO_PAINT_H
#define KELVANE_MEMO_PAINT_H

#include <stdint.h>

#include "platform.h"

// Same type as the Win32 HDC, so no cast is needed at the edge.
struct HDC__;

// The text keeps 10 pixels from every edge at every DPI.
#define MEMO_PAINT_MARGIN 10
// The most of a memo's text a paint lays out, in bytes: more than the
// largest memo on the largest screen shows at the smallest font.
#define MEMO_PAINT_TEXT_MAX 65536

// The rectangle the text is drawn into: the client rectangle less the
// margin on every side.
platform_rect memo_paint_text_rect(const platform_rect* client);

// Paints the whole memo into dc (from BeginPaint or a memory DC of the
// client size).  A window without a memo record is left unpainted.  Windows only.
void memo_paint_memo(HDC__* dc, memo_hwnd window);

// Draws the frame and fold lines of memo_region_frame_lines into dc with a
// solid pen of border_color (0x00BBGGRR), 2 pixels wide when active is 1
// and 1 pixel otherwise.  Windows only.
void memo_paint_draw_frame(HDC__* dc, uint32_t border_color, int32_t active, int32_t left_fold,
                          const platform_rect* client);

#endif
