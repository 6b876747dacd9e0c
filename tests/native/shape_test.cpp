// The memo's shape without a window: the region block with its fold rows,
// the frame and fold lines, the memo font's height and the text margins.
#include <gtest/gtest.h>

#include <string.h>

#include "memo_region.h"
#include "memo_paint.h"
#include "scale.h"

namespace {

bool same_rect(const platform_rect& a, const platform_rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

::testing::AssertionResult rect_is(const platform_rect& actual, int32_t l, int32_t t, int32_t r,
                                   int32_t b) {
    if (same_rect(actual, platform_rect{l, t, r, b})) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << actual.left << "," << actual.top << "," << actual.right << ","
           << actual.bottom << ") instead of (" << l << "," << t << "," << r << "," << b << ")";
}

// Whether pixel (x, y) lies in the region the block describes.
bool region_contains(const memo_region_data& d, int32_t x, int32_t y) {
    for (uint32_t i = 0; i < d.count; i++) {
        const platform_rect& r = d.rects[i];
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    }
    return false;
}

TEST(RegionTest, BlockIsAnRgndataOf368Bytes) {
    EXPECT_EQ(368u, sizeof(memo_region_data));
    memo_region_data d;
    memset(&d, 0x5A, sizeof d);
    memo_region_fill(&d, 160, 120, 0);
    EXPECT_EQ(32u, d.size);
    EXPECT_EQ(1u, d.type);
    EXPECT_EQ(21u, d.count);
    EXPECT_EQ(0u, d.region_size);
    EXPECT_TRUE(rect_is(d.bound, 0, 0, 160, 120));
}

TEST(RegionTest, FoldOnTheRightCutsOneMorePixelPerRow) {
    memo_region_data d;
    memo_region_fill(&d, 160, 120, 0);
    EXPECT_TRUE(rect_is(d.rects[0], 0, 0, 160, 100));
    for (int32_t i = 0; i < 20; i++) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(rect_is(d.rects[1 + i], 0, 100 + i, 159 - i, 101 + i));
    }
    // The folded corner is see-through; the pixel just inside it is not.
    EXPECT_FALSE(region_contains(d, 159, 100));
    EXPECT_TRUE(region_contains(d, 158, 100));
    EXPECT_FALSE(region_contains(d, 140, 119));
    EXPECT_TRUE(region_contains(d, 139, 119));
    EXPECT_TRUE(region_contains(d, 159, 99));
    EXPECT_TRUE(region_contains(d, 0, 119));
}

TEST(RegionTest, FoldOnTheLeftStartsFullAndEndsAtTheRightEdge) {
    memo_region_data d;
    memo_region_fill(&d, 160, 120, 1);
    EXPECT_TRUE(rect_is(d.rects[0], 0, 0, 160, 100));
    for (int32_t i = 0; i < 20; i++) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(rect_is(d.rects[1 + i], i, 100 + i, 160, 101 + i));
    }
    EXPECT_TRUE(region_contains(d, 0, 100));
    EXPECT_FALSE(region_contains(d, 18, 119));
    EXPECT_TRUE(region_contains(d, 19, 119));
    EXPECT_TRUE(region_contains(d, 159, 119));
}

TEST(RegionTest, SmallestMemoKeepsTheWholeFold) {
    for (int32_t left_fold : {0, 1}) {
        SCOPED_TRACE(left_fold);
        memo_region_data d;
        memo_region_fill(&d, 30, 30, left_fold);
        EXPECT_TRUE(rect_is(d.rects[0], 0, 0, 30, 10));
        for (int32_t i = 0; i < 20; i++) {
            if (left_fold) {
                EXPECT_TRUE(rect_is(d.rects[1 + i], i, 10 + i, 30, 11 + i)) << i;
            } else {
                EXPECT_TRUE(rect_is(d.rects[1 + i], 0, 10 + i, 29 - i, 11 + i)) << i;
            }
        }
    }
}

TEST(RegionTest, MemoSmallerThanTheFoldHasNoInvertedRectangles) {
    for (int32_t size : {0, 1, 10, 19, 20}) {
        for (int32_t left_fold : {0, 1}) {
            memo_region_data d;
            memo_region_fill(&d, size, size, left_fold);
            for (uint32_t i = 0; i < d.count; i++) {
                EXPECT_LE(d.rects[i].left, d.rects[i].right) << size << " " << i;
                EXPECT_LE(d.rects[i].top, d.rects[i].bottom) << size << " " << i;
            }
        }
    }
}

struct line_case {
    int32_t active;
    int32_t left_fold;
    memo_region_line lines[MEMO_REGION_FRAME_LINES];
};

// A 160 x 120 memo, so L = 0, T = 0, R = 160, B = 120.
const line_case k_line_cases[] = {
    {1, 0, {{0, 0, 160, 1}, {0, 0, 1, 120}, {159, 1, 159, 100}, {1, 119, 140, 119},
            {159, 99, 139, 119}, {159, 98, 138, 98}, {138, 119, 138, 97}}},
    {0, 0, {{0, 0, 160, 0}, {0, 0, 0, 120}, {159, 1, 159, 100}, {1, 119, 140, 119},
            {159, 99, 139, 119}, {159, 98, 138, 98}, {138, 119, 138, 97}}},
    {1, 1, {{0, 1, 160, 0}, {159, 1, 159, 120}, {1, 0, 1, 99}, {161, 119, 20, 119},
            {0, 99, 20, 119}, {0, 99, 20, 99}, {20, 119, 20, 98}}},
    {0, 1, {{0, 0, 159, 0}, {159, 0, 159, 120}, {0, 0, 0, 99}, {161, 119, 18, 119},
            {0, 100, 19, 119}, {0, 99, 20, 99}, {20, 119, 20, 98}}},
};

TEST(FrameLinesTest, BothFoldsActiveAndInactive) {
    platform_rect client = {0, 0, 160, 120};
    for (const line_case& c : k_line_cases) {
        memo_region_line got[MEMO_REGION_FRAME_LINES];
        memo_region_frame_lines(&client, c.active, c.left_fold, got);
        for (int i = 0; i < MEMO_REGION_FRAME_LINES; i++) {
            const memo_region_line& want = c.lines[i];
            EXPECT_TRUE(got[i].x1 == want.x1 && got[i].y1 == want.y1 && got[i].x2 == want.x2 &&
                        got[i].y2 == want.y2)
                << "active " << c.active << " left fold " << c.left_fold << " line " << i + 1
                << ": (" << got[i].x1 << "," << got[i].y1 << ")-(" << got[i].x2 << ","
                << got[i].y2 << ")";
        }
    }
}

TEST(FrameLinesTest, LinesFollowTheRightAndBottomEdgesOfTheMemo) {
    platform_rect client = {0, 0, 30, 30};
    memo_region_line got[MEMO_REGION_FRAME_LINES];
    memo_region_frame_lines(&client, 1, 0, got);
    EXPECT_EQ(29, got[2].x1);  // right edge down to the fold
    EXPECT_EQ(10, got[2].y2);
    EXPECT_EQ(10, got[3].x2);  // bottom edge up to the fold
    EXPECT_EQ(29, got[4].x1);  // diagonal from (29, 9) to (9, 29)
    EXPECT_EQ(9, got[4].y1);
    EXPECT_EQ(9, got[4].x2);
    EXPECT_EQ(29, got[4].y2);
    memo_region_frame_lines(&client, 0, 1, got);
    EXPECT_EQ(29, got[0].x2);  // top edge
    EXPECT_EQ(31, got[3].x1);  // bottom edge starts past the right edge
    EXPECT_EQ(18, got[3].x2);
    EXPECT_EQ(10, got[4].y1);  // diagonal from (0, 10) to (19, 29)
}

TEST(FrameLinesTest, OnlyActiveOneCountsAsActive) {
    // The record's flag is 0 or 1; anything else draws like an inactive memo.
    platform_rect client = {0, 0, 160, 120};
    memo_region_line inactive[MEMO_REGION_FRAME_LINES];
    memo_region_line odd[MEMO_REGION_FRAME_LINES];
    memo_region_frame_lines(&client, 0, 0, inactive);
    memo_region_frame_lines(&client, 2, 0, odd);
    EXPECT_EQ(0, memcmp(inactive, odd, sizeof odd));
}

TEST(ShowTest, FontHeightFollowsTheMonitorDpi) {
    struct {
        int32_t dpi, points, height;
    } cases[] = {
        {96, 10, -13}, {144, 10, -20}, {120, 10, -17}, {168, 10, -23}, {192, 10, -27},
        {96, 9, -12},  {96, 12, -16},  {96, 11, -15},  {144, 9, -18},  {96, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.height, scale_font_height(c.points, c.dpi))
            << c.points << " pt at " << c.dpi << " dpi";
    }
}

TEST(ShowTest, TextKeepsTenPixelsFromEveryEdge) {
    platform_rect client = {0, 0, 160, 120};
    EXPECT_TRUE(rect_is(memo_paint_text_rect(&client), 10, 10, 150, 110));
    client = platform_rect{0, 0, 30, 30};
    EXPECT_TRUE(rect_is(memo_paint_text_rect(&client), 10, 10, 20, 20));
}

}  // namespace
