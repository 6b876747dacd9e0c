// How a memo window answers the mouse and the keyboard, as far as no window
// is needed: the resize bands of hit testing, the arrow-key moves with their
// screen limits and the colour steps of the wheel.  memo_window applies the
// answers to the real window.
#ifndef KELVANE_MEMO_INPUT_H
#define KELVANE_MEMO_INPUT_H

#include <stdint.h>

#include "platform.h"

// Width of the resize band along each edge, in physical pixels at every DPI.
#define MEMO_INPUT_BAND 5

// Distance of one arrow-key move, in physical pixels at every DPI.
#define MEMO_INPUT_STEP 10

// The smallest memo the user can size by dragging.
#define MEMO_INPUT_MIN_WIDTH 30
#define MEMO_INPUT_MIN_HEIGHT 30

// Hit-test answers; the values are the system's HT codes.
enum memo_input_hit {
    MEMO_HIT_CAPTION = 2,
    MEMO_HIT_LEFT = 10,
    MEMO_HIT_RIGHT = 11,
    MEMO_HIT_TOP = 12,
    MEMO_HIT_TOPLEFT = 13,
    MEMO_HIT_TOPRIGHT = 14,
    MEMO_HIT_BOTTOM = 15,
    MEMO_HIT_BOTTOMLEFT = 16,
    MEMO_HIT_BOTTOMRIGHT = 17
};

// Arrow keys; the values are the system's virtual-key codes.
enum memo_input_key {
    MEMO_KEY_LEFT = 0x25,
    MEMO_KEY_UP = 0x26,
    MEMO_KEY_RIGHT = 0x27,
    MEMO_KEY_DOWN = 0x28
};

// Where the cursor (x, y, screen pixels) is on a memo whose window
// rectangle is r: the caption anywhere but in the bands, else the edge or
// corner to resize.  Both edges of a band count, so a memo ten pixels or
// less across can be in the left and the right band at once; every such
// combination answers the bottom-right corner.
int32_t memo_input_hit_test(const platform_rect* r, int32_t x, int32_t y);

// The new top-left corner of a memo at r after one press of an arrow key,
// with full_width and full_height the primary monitor's full-screen client
// size.  A memo near an edge stops at that edge instead of moving a whole
// step; a memo beyond it is brought back.  Returns 0 (and leaves the
// outputs alone) for any other key.
int memo_input_arrow_move(int32_t key, const platform_rect* r, int32_t full_width,
                          int32_t full_height, int32_t* left, int32_t* top);

// The colour index after one wheel notch: turned toward the user (delta
// below 0) the next slot, away from the user the previous one, wrapping
// within 0..6.  An index outside 0..6 is first brought into that range.
int32_t memo_input_wheel_color(int32_t color_index, int32_t delta);

#endif
