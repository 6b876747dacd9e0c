// The memo's folded corner as plain geometry.
#include "memo_region.h"

#include <string.h>

static_assert(sizeof(platform_rect) == 16, "a region rectangle is a RECT");
static_assert(sizeof(memo_region_data) == 32 + 16 * MEMO_REGION_RECT_COUNT,
              "the region block is an RGNDATA in the rectangle format");

namespace {

// A coordinate of a frame line: one edge of the client rectangle plus a
// fixed offset.  The tables below are the drawing, line by line.
enum region_edge { EDGE_L, EDGE_T, EDGE_R, EDGE_B };

struct region_coord {
    region_edge edge;
    int32_t offset;
};

struct region_line_def {
    region_coord x1, y1, x2, y2;
};

// Fold on the right.  Only the top and left edges differ between the pens:
// the 2-pixel pen straddles its line, and these are the two edges where
// half of it would fall outside the window, so their far ends lean inward.
const region_line_def k_right_active[MEMO_REGION_FRAME_LINES] = {
    {{EDGE_L, 0}, {EDGE_T, 0}, {EDGE_R, 0}, {EDGE_T, 1}},       // top edge
    {{EDGE_L, 0}, {EDGE_T, 0}, {EDGE_L, 1}, {EDGE_B, 0}},       // left edge
    {{EDGE_R, -1}, {EDGE_T, 1}, {EDGE_R, -1}, {EDGE_B, -20}},   // right edge down to the fold
    {{EDGE_L, 1}, {EDGE_B, -1}, {EDGE_R, -20}, {EDGE_B, -1}},   // bottom edge up to the fold
    {{EDGE_R, -1}, {EDGE_B, -21}, {EDGE_R, -21}, {EDGE_B, -1}}, // diagonal fold
    {{EDGE_R, -1}, {EDGE_B, -22}, {EDGE_R, -22}, {EDGE_B, -22}},// top of the flap
    {{EDGE_R, -22}, {EDGE_B, -1}, {EDGE_R, -22}, {EDGE_B, -23}},// side of the flap
};

const region_line_def k_right_inactive[MEMO_REGION_FRAME_LINES] = {
    {{EDGE_L, 0}, {EDGE_T, 0}, {EDGE_R, 0}, {EDGE_T, 0}},
    {{EDGE_L, 0}, {EDGE_T, 0}, {EDGE_L, 0}, {EDGE_B, 0}},
    {{EDGE_R, -1}, {EDGE_T, 1}, {EDGE_R, -1}, {EDGE_B, -20}},
    {{EDGE_L, 1}, {EDGE_B, -1}, {EDGE_R, -20}, {EDGE_B, -1}},
    {{EDGE_R, -1}, {EDGE_B, -21}, {EDGE_R, -21}, {EDGE_B, -1}},
    {{EDGE_R, -1}, {EDGE_B, -22}, {EDGE_R, -22}, {EDGE_B, -22}},
    {{EDGE_R, -22}, {EDGE_B, -1}, {EDGE_R, -22}, {EDGE_B, -23}},
};

// Fold on the left: the mirror image, except that the region's first fold
// row is full on this side, so the lines around the fold sit one pixel
// differently from a true mirror.  Lines 1 to 5 differ between the pens.
const region_line_def k_left_active[MEMO_REGION_FRAME_LINES] = {
    {{EDGE_L, 0}, {EDGE_T, 1}, {EDGE_R, 0}, {EDGE_T, 0}},       // top edge
    {{EDGE_R, -1}, {EDGE_T, 1}, {EDGE_R, -1}, {EDGE_B, 0}},     // right edge
    {{EDGE_L, 1}, {EDGE_T, 0}, {EDGE_L, 1}, {EDGE_B, -21}},     // left edge down to the fold
    {{EDGE_R, 1}, {EDGE_B, -1}, {EDGE_L, 20}, {EDGE_B, -1}},    // bottom edge up to the fold
    {{EDGE_L, 0}, {EDGE_B, -21}, {EDGE_L, 20}, {EDGE_B, -1}},   // diagonal fold
    {{EDGE_L, 0}, {EDGE_B, -21}, {EDGE_L, 20}, {EDGE_B, -21}},  // top of the flap
    {{EDGE_L, 20}, {EDGE_B, -1}, {EDGE_L, 20}, {EDGE_B, -22}},  // side of the flap
};

const region_line_def k_left_inactive[MEMO_REGION_FRAME_LINES] = {
    {{EDGE_L, 0}, {EDGE_T, 0}, {EDGE_R, -1}, {EDGE_T, 0}},
    {{EDGE_R, -1}, {EDGE_T, 0}, {EDGE_R, -1}, {EDGE_B, 0}},
    {{EDGE_L, 0}, {EDGE_T, 0}, {EDGE_L, 0}, {EDGE_B, -21}},
    {{EDGE_R, 1}, {EDGE_B, -1}, {EDGE_L, 18}, {EDGE_B, -1}},
    {{EDGE_L, 0}, {EDGE_B, -20}, {EDGE_L, 19}, {EDGE_B, -1}},
    {{EDGE_L, 0}, {EDGE_B, -21}, {EDGE_L, 20}, {EDGE_B, -21}},
    {{EDGE_L, 20}, {EDGE_B, -1}, {EDGE_L, 20}, {EDGE_B, -22}},
};

int32_t region_resolve(const platform_rect* r, region_coord c) {
    int32_t base = c.edge == EDGE_L ? r->left
                 : c.edge == EDGE_T ? r->top
                 : c.edge == EDGE_R ? r->right
                                    : r->bottom;
    return base + c.offset;
}

int32_t region_max(int32_t a, int32_t b) { return a > b ? a : b; }

}  // namespace

void memo_region_fill(memo_region_data* out, int32_t width, int32_t height, int32_t left_fold) {
    memset(out, 0, sizeof *out);
    out->size = 32;
    out->type = MEMO_REGION_RECTANGLES;
    out->count = MEMO_REGION_RECT_COUNT;
    out->region_size = 0;
    out->bound = platform_rect{0, 0, width, height};

    int32_t fold_top = height - MEMO_REGION_FOLD;
    out->rects[0] = platform_rect{0, 0, width, region_max(fold_top, 0)};
    for (int32_t i = 0; i < MEMO_REGION_FOLD; i++) {
        platform_rect& row = out->rects[1 + i];
        row.top = fold_top + i;
        row.bottom = fold_top + i + 1;
        if (left_fold) {
            row.left = i;
            row.right = width;
        } else {
            // The first row already lacks one pixel, the last row twenty.
            row.left = 0;
            row.right = width - 1 - i;
        }
        row.right = region_max(row.right, row.left);
    }
}

void memo_region_frame_lines(const platform_rect* client, int32_t active, int32_t left_fold,
                             memo_region_line out[MEMO_REGION_FRAME_LINES]) {
    const region_line_def* table = left_fold ? (active == 1 ? k_left_active : k_left_inactive)
                                              : (active == 1 ? k_right_active : k_right_inactive);
    for (int i = 0; i < MEMO_REGION_FRAME_LINES; i++) {
        out[i].x1 = region_resolve(client, table[i].x1);
        out[i].y1 = region_resolve(client, table[i].y1);
        out[i].x2 = region_resolve(client, table[i].x2);
        out[i].y2 = region_resolve(client, table[i].y2);
    }
}
