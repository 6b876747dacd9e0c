// The memo window's answers to the mouse and the keys that need no window:
// resize bands, arrow-key moves and wheel colour steps.
#include <gtest/gtest.h>

#include "memo_input.h"

namespace {

struct hit_case {
    int32_t x;
    int32_t y;
    int32_t expected;
};

// A 160 x 120 memo at (100, 100); right and bottom are exclusive for the
// window but both band edges count.
TEST(InputHitTest, BandsOfFivePixelsAlongEveryEdge) {
    const platform_rect memo = {100, 100, 260, 220};
    const hit_case cases[] = {
        {180, 160, MEMO_HIT_CAPTION},
        {100, 160, MEMO_HIT_LEFT},       {105, 160, MEMO_HIT_LEFT},
        {106, 160, MEMO_HIT_CAPTION},    {254, 160, MEMO_HIT_CAPTION},
        {255, 160, MEMO_HIT_RIGHT},      {260, 160, MEMO_HIT_RIGHT},
        {180, 100, MEMO_HIT_TOP},        {180, 105, MEMO_HIT_TOP},
        {180, 106, MEMO_HIT_CAPTION},    {180, 214, MEMO_HIT_CAPTION},
        {180, 215, MEMO_HIT_BOTTOM},     {180, 220, MEMO_HIT_BOTTOM},
        {100, 100, MEMO_HIT_TOPLEFT},    {105, 105, MEMO_HIT_TOPLEFT},
        {255, 105, MEMO_HIT_TOPRIGHT},   {260, 100, MEMO_HIT_TOPRIGHT},
        {100, 220, MEMO_HIT_BOTTOMLEFT}, {105, 215, MEMO_HIT_BOTTOMLEFT},
        {255, 215, MEMO_HIT_BOTTOMRIGHT}, {260, 220, MEMO_HIT_BOTTOMRIGHT},
        // Outside the window (the system never asks, but nothing breaks).
        {99, 160, MEMO_HIT_CAPTION},     {261, 160, MEMO_HIT_CAPTION},
    };
    for (const hit_case& c : cases) {
        EXPECT_EQ(c.expected, memo_input_hit_test(&memo, c.x, c.y)) << c.x << "," << c.y;
    }
}

// The same answers at negative coordinates (a monitor left of the primary).
TEST(InputHitTest, NegativeCoordinates) {
    const platform_rect memo = {-300, -200, -140, -80};
    EXPECT_EQ(MEMO_HIT_CAPTION, memo_input_hit_test(&memo, -220, -140));
    EXPECT_EQ(MEMO_HIT_TOPLEFT, memo_input_hit_test(&memo, -297, -198));
    EXPECT_EQ(MEMO_HIT_BOTTOMRIGHT, memo_input_hit_test(&memo, -142, -82));
}

// On a memo ten pixels or less across both side bands overlap; every such
// combination answers the bottom-right corner.
TEST(InputHitTest, OverlappingBandsOfATinyMemo) {
    const platform_rect narrow = {0, 0, 10, 100};
    EXPECT_EQ(MEMO_HIT_BOTTOMRIGHT, memo_input_hit_test(&narrow, 5, 50));
    EXPECT_EQ(MEMO_HIT_BOTTOMRIGHT, memo_input_hit_test(&narrow, 5, 2)) << "left, right and top";
    EXPECT_EQ(MEMO_HIT_LEFT, memo_input_hit_test(&narrow, 4, 50)) << "only the left band";
    const platform_rect low = {0, 0, 100, 10};
    EXPECT_EQ(MEMO_HIT_BOTTOMRIGHT, memo_input_hit_test(&low, 50, 5));
    EXPECT_EQ(MEMO_HIT_TOP, memo_input_hit_test(&low, 50, 4));
    const platform_rect minimum = {0, 0, 30, 30};
    EXPECT_EQ(MEMO_HIT_CAPTION, memo_input_hit_test(&minimum, 15, 15));
}

struct arrow_case {
    int32_t key;
    platform_rect memo;
    int32_t left;
    int32_t top;
};

// SM_CXFULLSCREEN 1920 and SM_CYFULLSCREEN 1037 (a 1080-pixel screen less
// the task bar and a caption).
TEST(InputArrowMove, StepsOfTenAndTheScreenLimits) {
    const int32_t cx = 1920;
    const int32_t cy = 1037;
    const arrow_case cases[] = {
        // Left: more than 9 from the edge moves by 10, else to 0.
        {MEMO_KEY_LEFT, {7, 300, 167, 420}, 0, 300},
        {MEMO_KEY_LEFT, {10, 300, 170, 420}, 0, 300},
        {MEMO_KEY_LEFT, {11, 300, 171, 420}, 1, 300},
        {MEMO_KEY_LEFT, {500, 300, 660, 420}, 490, 300},
        {MEMO_KEY_LEFT, {-40, 300, 120, 420}, 0, 300},  // beyond the edge: brought back
        // Up: the same rule on the top edge.
        {MEMO_KEY_UP, {300, 9, 460, 129}, 300, 0},
        {MEMO_KEY_UP, {300, 10, 460, 130}, 300, 0},
        {MEMO_KEY_UP, {300, 11, 460, 131}, 300, 1},
        // Right: a right edge before 1911 moves by 10, else it is put at 1920.
        {MEMO_KEY_RIGHT, {1745, 300, 1905, 420}, 1755, 300},
        {MEMO_KEY_RIGHT, {1750, 300, 1910, 420}, 1760, 300},
        {MEMO_KEY_RIGHT, {1751, 300, 1911, 420}, 1760, 300},
        {MEMO_KEY_RIGHT, {1760, 300, 1920, 420}, 1760, 300},
        {MEMO_KEY_RIGHT, {1800, 300, 1960, 420}, 1760, 300},  // moves left
        // Down: a bottom edge before cy + 10 moves by 10, else it is put at
        // cy + 19.
        {MEMO_KEY_DOWN, {300, 800, 460, 920}, 300, 810},
        {MEMO_KEY_DOWN, {300, 925, 460, 1045}, 300, 935},
        {MEMO_KEY_DOWN, {300, 927, 460, 1047}, 300, 936},
        {MEMO_KEY_DOWN, {300, 1000, 460, 1120}, 300, 936},  // moves up
    };
    for (const arrow_case& c : cases) {
        int32_t left = -1;
        int32_t top = -1;
        ASSERT_EQ(1, memo_input_arrow_move(c.key, &c.memo, cx, cy, &left, &top));
        EXPECT_EQ(c.left, left) << "key " << c.key << " at " << c.memo.left << "," << c.memo.top;
        EXPECT_EQ(c.top, top) << "key " << c.key << " at " << c.memo.left << "," << c.memo.top;
    }
}

TEST(InputArrowMove, OtherKeysAreNotMoves) {
    const platform_rect memo = {100, 100, 260, 220};
    for (int32_t key : {0x09, 0x0D, 0x2E, 0x24, 0x29, 0x41}) {
        int32_t left = 77;
        int32_t top = 88;
        EXPECT_EQ(0, memo_input_arrow_move(key, &memo, 1920, 1040, &left, &top)) << key;
        EXPECT_EQ(77, left);
        EXPECT_EQ(88, top);
    }
}

struct wheel_case {
    int32_t index;
    int32_t delta;
    int32_t expected;
};

// Toward the user (negative delta) is the next slot, away the previous
// one, wrapping round the seven slots whatever the notch size.
TEST(InputWheel, ColourStepsWrapWithinSevenSlots) {
    const wheel_case cases[] = {
        {0, 120, 6},  {6, -120, 0}, {1, -120, 2}, {1, 120, 0},  {3, 240, 2},
        {5, -1, 6},   {2, 0, 1},    // no turn at all counts as away
        // Out-of-range indexes come back into 0..6 first.
        {7, -120, 1}, {16777215, 120, 6}, {16777216, -120, 2}, {-1, -120, 0},
    };
    for (const wheel_case& c : cases) {
        EXPECT_EQ(c.expected, memo_input_wheel_color(c.index, c.delta))
            << c.index << " by " << c.delta;
    }
    // Seven notches either way come back to the start.
    int32_t index = 4;
    for (int i = 0; i < 7; i++) index = memo_input_wheel_color(index, -120);
    EXPECT_EQ(4, index);
    for (int i = 0; i < 7; i++) index = memo_input_wheel_color(index, 120);
    EXPECT_EQ(4, index);
}

}  // namespace
