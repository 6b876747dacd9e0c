// What painting a memo needs to know before it draws.
#include "memo_show.h"

int32_t memo_show_font_height(int32_t dpi, int32_t points) {
    // The scale to the monitor, then points to pixels, rounded half up.
    return -static_cast<int32_t>(dpi / 96.0 * 96.0 / 72.0 * points + 0.5);
}

platform_rect memo_show_text_rect(const platform_rect* client) {
    return platform_rect{client->left + MEMO_SHOW_MARGIN, client->top + MEMO_SHOW_MARGIN,
                         client->right - MEMO_SHOW_MARGIN, client->bottom - MEMO_SHOW_MARGIN};
}
