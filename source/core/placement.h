// Memo creation and placement: memo windows from stored rectangles.
#ifndef KELVANE_PLACEMENT_H
#define KELVANE_PLACEMENT_H

#include <stdint.h>

#include "memo_registry.h"
#include "messages.h"
#include "platform.h"

// How a memo_placement gives a window's place.
enum class memo_geometry {
    corner,  // x, y, width, height from a corner by quadrant
    rect,    // the rectangle itself (new memos, and stored ones under ABSOLUTE)
};

// Quadrants: which corner of the desktop anchors a stored memo.
#define MEMO_QUADRANT_UPPER_RIGHT 1
#define MEMO_QUADRANT_UPPER_LEFT 2
#define MEMO_QUADRANT_LOWER_LEFT 3
#define MEMO_QUADRANT_LOWER_RIGHT 4

// A memo's place as stored, in 96-dpi pixels (quadrant unscaled).
struct memo_position {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    int32_t quadrant;
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// Where a memo window goes, in physical pixels: rect, or (corner geometry)
// width x height at x, y from the matching edges of the monitor nearest the
// quadrant's corner of the virtual screen.
struct memo_placement {
    memo_geometry geometry = memo_geometry::rect;
    platform_rect rect = {0, 0, 0, 0};
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t quadrant = 0;
};

// The stored position of a window rectangle in physical desktop pixels:
// offsets from the corner of its monitor on the side of the desktop's
// centre it lies on, and the rectangle itself, both at 96 dpi.
void placement_stored_position(const platform_rect* window, memo_position* out);

// The rectangle a memo window gets for where, as it stands (no clamping);
// a corner placement with an unknown quadrant gives 100 x 100 at 0, 0.
void placement_window_rect(const memo_placement* where, platform_rect* out);

// The monitor nearest the quadrant's corner of the virtual screen, or the
// primary monitor for any other quadrant.
void placement_corner_monitor(int32_t quadrant, platform_rect* monitor, int32_t* dpi);

// Between begin and end (a folder scan, which may nest) the desktop is
// taken as unchanged: each corner's monitor is looked up once.
void placement_batch_begin(void);
void placement_batch_end(void);

// The virtual screen (platform_virtual_screen), asked once per batch.
void placement_desktop(platform_rect* desk);

// Corner mode of placement_window_rect on a monitor already looked up with
// placement_corner_monitor (monitor is not read for an unknown quadrant).
void placement_corner_rect(const platform_rect* monitor, int32_t x, int32_t y, int32_t width,
                           int32_t height, int32_t quadrant, platform_rect* out);

// A width or height (physical pixels) as a memo may have it: at least the
// memo's minimum tracking size (30), at most the desktop's extent.
int32_t placement_clamp_extent(int64_t extent, int64_t desktop_extent);

// The same for both sizes of a rectangle against the virtual screen; the
// top-left corner stays (unless the rectangle would pass the end of the
// 32-bit range).
void placement_clamp_size(platform_rect* r);

// A rectangle that overlaps no monitor is moved onto the monitor nearest
// to it, fully, and shrunk to that monitor's size where it is larger.  One
// that overlaps a monitor, however little, stays.  1 when it was moved.
int placement_bring_back(platform_rect* r);

// Creates a hidden, unregistered memo window owned by owner where says,
// its sizes clamped and brought back onto a monitor if it would lie off
// every one.  Null on failure.
memo_hwnd placement_create_window(memo_hwnd owner, const memo_placement* where);

// Makes a memo: its window created hidden as above, registered, its record
// filled from start (name, colour, day, time, text, stamps; the rest zero),
// handed its record with the init message in mode (MEMO_MODE_FROM_FILES or
// MEMO_MODE_NEW), and shown when memos are shown.  start's text (a tracked
// block or null) passes to the record, or is released on failure; either
// way start->text is null afterwards.  owner owns the window; null on
// failure.
memo_hwnd placement_create_memo(memo_hwnd owner, const memo_placement* where, memo_record* start,
                                uint16_t mode);

// Sizes of a new memo in 96-dpi pixels, by DEFAULTMEMOSIZE (2 medium,
// 3 large, anything else small).
#define PLACEMENT_SIZE_MEDIUM 2
#define PLACEMENT_SIZE_LARGE 3


// Where a new width x height memo goes for the cursor at cursor_x,
// cursor_y (physical pixels), with tbw and tbh the task bar margins already
// scaled.  Kind 2 centres it on the cursor; kind 3 puts it in the tray
// corner of the monitor nearest the cursor; any other kind puts it beside
// the task bar (TASKBAR setting), centred on the cursor along it, pulled
// back only where it would pass the far (right or bottom) monitor edge.
void placement_place_memo(int32_t placement_kind, int32_t tbw, int32_t tbh, int32_t cursor_x,
                             int32_t cursor_y, int32_t width, int32_t height, platform_rect* out);

// The top-left corner for a width x height edit box: centred on the cursor
// (read here) and kept on the monitor nearest it, off the task bar's side
// by tbw or tbh (already scaled).  A box larger than the room left sticks
// to the left or top bound.
void placement_place_editbox(int32_t tbw, int32_t tbh, int32_t width, int32_t height,
                                int32_t* left, int32_t* top);

// One second later on the calendar, carrying into the minute, hour, day,
// month and year (leap years included).
void placement_next_second(platform_time* t);

// The next free base name for a memo made now: the local time in 14
// digits, or the first later second that neither a live memo nor a file
// of the data folder has.
void placement_free_name(char* name, size_t size);

// A rectangle of the memo's size beside it, physical pixels: to its right
// when that fits on its monitor, else to its left, else a step down and to
// the right of it.
void placement_beside(const platform_rect* memo, platform_rect* out);

// Creates a new empty memo at the cursor for the placement kind: sized by
// DEFAULTMEMOSIZE for the monitor under the cursor, registered, named
// after the current local time (the next free second when a live memo or a
// file in the data folder already has that name), handed its record with
// the init message and shown when memos are shown.  The main window owns
// the new window; null on failure.  Nothing is written to disk.
memo_hwnd placement_new_memo(memo_hwnd owner, int32_t placement_kind);

#endif
