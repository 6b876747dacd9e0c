// Balloon geometry.
#include "balloon_layout.h"
#include "scale.h"

void balloon_layout_place(const platform_rect* memo, balloon_layout* out) {
    platform_rect monitor;
    int32_t dpi = 96;
    platform_monitor_from_rect(memo, &monitor, &dpi);
    if (dpi <= 0) {
        dpi = 96;
    }
    int32_t width = scale_to_physical(BALLOON_WIDTH, dpi);
    int32_t height = scale_to_physical(BALLOON_HEIGHT, dpi);

    // Measured from the memo's own monitor, so that a memo at the left edge
    // of a monitor right of the primary one does not send its balloon onto
    // the neighbouring monitor, and one on a monitor left of the primary
    // (negative coordinates) can still have it on its left.
    if (memo->left - width - monitor.left >= BALLOON_GAP) {
        out->window.left = memo->left - width - BALLOON_GAP;
        out->side = BALLOON_SIDE_LEFT;
    } else {
        out->window.left = memo->right + BALLOON_GAP;
        out->side = BALLOON_SIDE_RIGHT;
    }
    out->window.top = memo->top + BALLOON_DROP;
    out->window.right = out->window.left + width;
    out->window.bottom = out->window.top + height;
    out->dpi = dpi;
}

void balloon_layout_content(int32_t dpi, platform_rect* out) {
    // The content images are 70 x 34 and the bubble 100 x 80: at 96 DPI
    // both are drawn at half their size, the text centred in the bubble.
    out->left = scale_to_physical(7, dpi);
    out->top = scale_to_physical(11, dpi);
    out->right = scale_to_physical(42, dpi);
    out->bottom = scale_to_physical(28, dpi);
}
