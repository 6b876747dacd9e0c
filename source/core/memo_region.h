// The shape of a memo: the window region that cuts the folded corner off,
// and the frame and fold lines drawn over the memo's colour.
//
// The geometry is plain data built without a window (memo_region.cpp), so
// it can be checked anywhere; memo_region_win32.cpp turns it into a region.
#ifndef KELVANE_MEMO_REGION_H
#define KELVANE_MEMO_REGION_H

#include <stdint.h>

#include "platform.h"

// Same type as the Win32 HRGN, so no cast is needed at the edge.
struct HRGN__;

// The fold is 20 pixels at every DPI: a memo looks the same size of paper
// corner on every monitor.
#define MEMO_REGION_FOLD 20

// The body plus one single-pixel row per pixel of the fold.
#define MEMO_REGION_RECT_COUNT (1 + MEMO_REGION_FOLD)

#define MEMO_REGION_FRAME_LINES 7

// The system's RDH_RECTANGLES.
#define MEMO_REGION_RECTANGLES 1

// An RGNDATA block in the rectangle format, byte for byte: a 32-byte
// header and 21 rectangles of 16 bytes, 368 bytes in all.
struct memo_region_data {
    uint32_t size;         // of the header: 32
    uint32_t type;         // MEMO_REGION_RECTANGLES
    uint32_t count;        // MEMO_REGION_RECT_COUNT
    uint32_t region_size;  // 0: the system works it out
    platform_rect bound;
    platform_rect rects[MEMO_REGION_RECT_COUNT];
};

// One two-point polyline; the end point itself is not drawn.
struct memo_region_line {
    int32_t x1;
    int32_t y1;
    int32_t x2;
    int32_t y2;
};

// Fills out with the region of a width x height memo: rectangle 0 is the
// body above the fold, rectangles 1..20 the rows of the fold, each one
// pixel shorter than the one above, cut on the right (left_fold 0) or on
// the left.  Rows are never inverted, even for a memo lower or narrower
// than the fold.
void memo_region_fill(memo_region_data* out, int32_t width, int32_t height, int32_t left_fold);

// The seven frame and fold lines of a memo whose client rectangle is
// client: top, the two sides, bottom, the diagonal fold and the two edges
// of the turned-up flap.  An active memo is drawn with a 2-pixel pen, and
// some lines move by one pixel so the thicker pen stays inside the memo.
void memo_region_frame_lines(const platform_rect* client, int32_t active, int32_t left_fold,
                             memo_region_line out[MEMO_REGION_FRAME_LINES]);

// A new region for the memo window at its current client size, with the
// fold on the side the LEFTFOLD setting names.  The caller hands it to
// SetWindowRgn, which takes it over.  Null when the system
// cannot create it; the window then stays rectangular.  Windows only.
HRGN__* memo_region_create(memo_hwnd window);

#endif
