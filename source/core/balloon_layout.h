// Where the balloon stands beside its memo and how big it and its content
// image are at a given DPI.  Needs no window: the monitor comes from the
// platform module.
#ifndef KELVANE_BALLOON_LAYOUT_H
#define KELVANE_BALLOON_LAYOUT_H

#include <stdint.h>

#include "platform.h"

// Side flags, beside the kind (balloon.h) in the balloon's flags.  The
// bubble's tail is drawn at its lower left; on the memo's left side the
// bubble is mirrored so that the tail still points at the memo.
#define BALLOON_SIDE_RIGHT 0x10
#define BALLOON_SIDE_LEFT 0x20

// Sizes in 96-DPI pixels.  The gap to the memo and the drop below its top
// edge are fixed pixels at every DPI.
#define BALLOON_WIDTH 50
#define BALLOON_HEIGHT 40
#define BALLOON_GAP 10
#define BALLOON_DROP 20

struct balloon_layout {
    platform_rect window;  // the balloon window, desktop pixels
    int32_t side;          // BALLOON_SIDE_LEFT or BALLOON_SIDE_RIGHT
    int32_t dpi;           // of the monitor nearest to the memo
};

// Places the balloon beside a memo window's rectangle: on the memo's left
// when it fits there with a gap of 10 pixels to the left edge of the memo's
// monitor, otherwise on its right.
void balloon_layout_place(const platform_rect* memo, balloon_layout* out);

// The rectangle the content image is stretched into, in balloon client
// coordinates, for the DPI of the balloon's monitor.
void balloon_layout_content(int32_t dpi, platform_rect* out);


#endif
