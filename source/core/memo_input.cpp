#include "memo_input.h"

#include "memo_registry.h"

int32_t memo_input_hit_test(const platform_rect* r, int32_t x, int32_t y) {
    int left = x >= r->left && x <= r->left + MEMO_INPUT_BAND;
    int right = x >= r->right - MEMO_INPUT_BAND && x <= r->right;
    int top = y >= r->top && y <= r->top + MEMO_INPUT_BAND;
    int bottom = y >= r->bottom - MEMO_INPUT_BAND && y <= r->bottom;
    int bands = left | (top << 1) | (right << 2) | (bottom << 3);
    switch (bands) {
    case 0: return MEMO_HIT_CAPTION;
    case 1: return MEMO_HIT_LEFT;
    case 2: return MEMO_HIT_TOP;
    case 1 | 2: return MEMO_HIT_TOPLEFT;
    case 4: return MEMO_HIT_RIGHT;
    case 2 | 4: return MEMO_HIT_TOPRIGHT;
    case 8: return MEMO_HIT_BOTTOM;
    case 1 | 8: return MEMO_HIT_BOTTOMLEFT;
    default: return MEMO_HIT_BOTTOMRIGHT;
    }
}

// The right and bottom limits are not symmetric: a memo may hang 19 pixels
// below the full-screen client height, which leaves room for the caption
// that the metric takes off the screen height.
int memo_input_arrow_move(int32_t key, const platform_rect* r, int32_t full_width,
                          int32_t full_height, int32_t* left, int32_t* top) {
    int32_t x = r->left;
    int32_t y = r->top;
    switch (key) {
    case MEMO_KEY_LEFT:
        x = r->left > MEMO_INPUT_STEP - 1 ? r->left - MEMO_INPUT_STEP : 0;
        break;
    case MEMO_KEY_UP:
        y = r->top > MEMO_INPUT_STEP - 1 ? r->top - MEMO_INPUT_STEP : 0;
        break;
    case MEMO_KEY_RIGHT:
        if (r->right < full_width - (MEMO_INPUT_STEP - 1)) {
            x = r->left + MEMO_INPUT_STEP;
        } else {
            x = full_width - (r->right - r->left);
        }
        break;
    case MEMO_KEY_DOWN:
        if (r->bottom < full_height + MEMO_INPUT_STEP) {
            y = r->top + MEMO_INPUT_STEP;
        } else {
            y = full_height + 19 - (r->bottom - r->top);
        }
        break;
    default:
        return 0;
    }
    *left = x;
    *top = y;
    return 1;
}

int32_t memo_input_wheel_color(int32_t color_index, int32_t delta) {
    int32_t index = ((color_index % MEMO_COLOR_COUNT) + MEMO_COLOR_COUNT) % MEMO_COLOR_COUNT;
    index += delta < 0 ? 1 : -1;
    return (index + MEMO_COLOR_COUNT) % MEMO_COLOR_COUNT;
}
