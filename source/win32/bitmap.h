// Bitmap helpers of the balloon and the dialogs.
#ifndef KELVANE_BITMAP_H
#define KELVANE_BITMAP_H

#include <windows.h>

#include <stdint.h>

// A copy of bitmap as a 32-bit DIB section of the same size (bottom-up,
// uncompressed), every alpha byte 0: a copy by BitBlt leaves them
// undefined, and readers of the pixels get a clean 0x00RRGGBB.  The caller
// owns the copy (DeleteObject).  Null when bitmap is null
// or cannot be read or copied.
HBITMAP bitmap_to_dib32(HBITMAP bitmap);

// The same, mirrored left to right.
HBITMAP bitmap_mirror(HBITMAP bitmap);

// Draws the whole bitmap stretched into rect (colour-on-colour: no
// blending, so a colour key in the picture survives).  1 on success, 0 when
// the bitmap is null or unreadable or the drawing fails.  Leaves dc's
// stretch mode at COLORONCOLOR.
int32_t bitmap_draw(HDC dc, HBITMAP bitmap, const RECT* rect);

// Fills rect with a solid colour (0x00BBGGRR); always 1.
int32_t bitmap_fill_rect(HDC dc, COLORREF colour, const RECT* rect);

#endif
