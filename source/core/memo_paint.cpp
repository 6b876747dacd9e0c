// What painting a memo needs to know before it draws.
#include "memo_paint.h"

platform_rect memo_paint_text_rect(const platform_rect* client) {
    return platform_rect{client->left + MEMO_PAINT_MARGIN, client->top + MEMO_PAINT_MARGIN,
                         client->right - MEMO_PAINT_MARGIN, client->bottom - MEMO_PAINT_MARGIN};
}
