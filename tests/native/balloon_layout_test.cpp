// Where the balloon stands beside its memo, its size and the content
// image's rectangle at several DPIs.
#include <gtest/gtest.h>

#include "balloon_layout.h"
#include "platform_fake.h"

namespace {

void one_monitor(int32_t dpi) {
    fake_monitor monitor = {{0, 0, 1920, 1080}, dpi};
    fake_platform_set_monitors(&monitor, 1);
}

struct PlaceCase {
    int32_t dpi;
    platform_rect memo;
    platform_rect balloon;
    int32_t side;
    const char* what;
};

TEST(BalloonLayoutTest, SizeAndSideOnOneMonitor) {
    const PlaceCase cases[] = {
        {96, {300, 200, 460, 320}, {240, 220, 290, 260}, BALLOON_SIDE_LEFT, "room on the left"},
        {144, {300, 200, 540, 380}, {215, 220, 290, 280}, BALLOON_SIDE_LEFT, "75 x 60 at 144 DPI"},
        {120, {300, 200, 500, 350}, {228, 220, 290, 270}, BALLOON_SIDE_LEFT, "62 x 50: 62.5 truncated"},
        // The left side needs 10 pixels between the balloon and the edge.
        {96, {60, 100, 220, 220}, {0, 120, 50, 160}, BALLOON_SIDE_LEFT, "exactly 10 left over"},
        {96, {59, 100, 219, 220}, {229, 120, 279, 160}, BALLOON_SIDE_RIGHT, "one pixel short"},
        {96, {0, 0, 160, 120}, {170, 20, 220, 60}, BALLOON_SIDE_RIGHT, "memo at the left edge"},
        {144, {85, 0, 325, 180}, {0, 20, 75, 80}, BALLOON_SIDE_LEFT, "144 DPI, exactly 10"},
        {144, {84, 0, 324, 180}, {334, 20, 409, 80}, BALLOON_SIDE_RIGHT, "144 DPI, one short"},
        // The drop below the memo's top is 20 pixels at every DPI.
        {144, {500, -30, 740, 150}, {415, -10, 490, 50}, BALLOON_SIDE_LEFT, "drop not scaled"},
    };
    for (const PlaceCase& c : cases) {
        fake_platform_reset();
        one_monitor(c.dpi);
        balloon_layout layout;
        balloon_layout_place(&c.memo, &layout);
        EXPECT_EQ(c.balloon.left, layout.window.left) << c.what;
        EXPECT_EQ(c.balloon.top, layout.window.top) << c.what;
        EXPECT_EQ(c.balloon.right, layout.window.right) << c.what;
        EXPECT_EQ(c.balloon.bottom, layout.window.bottom) << c.what;
        EXPECT_EQ(c.side, layout.side) << c.what;
        EXPECT_EQ(c.dpi, layout.dpi) << c.what;
    }
}

TEST(BalloonLayoutTest, LeftRuleCountsFromTheMemosOwnMonitor) {
    fake_platform_reset();
    // Primary at the origin, one monitor to its right at 144 DPI and one
    // to its left at 96 DPI.
    const fake_monitor monitors[] = {
        {{0, 0, 1920, 1080}, 96},
        {{1920, 0, 3840, 1080}, 144},
        {{-1920, 0, 0, 1080}, 96},
    };
    fake_platform_set_monitors(monitors, 3);
    balloon_layout layout;

    // At the left edge of the right monitor the balloon goes right, not
    // onto the primary monitor; its size is the right monitor's.
    platform_rect right_edge = {1925, 100, 2165, 280};
    balloon_layout_place(&right_edge, &layout);
    EXPECT_EQ(BALLOON_SIDE_RIGHT, layout.side);
    EXPECT_EQ(2175, layout.window.left);
    EXPECT_EQ(75, layout.window.right - layout.window.left);
    EXPECT_EQ(144, layout.dpi);

    // Well inside the left monitor (negative coordinates) it has room on
    // the left.
    platform_rect left_monitor = {-1500, 100, -1340, 220};
    balloon_layout_place(&left_monitor, &layout);
    EXPECT_EQ(BALLOON_SIDE_LEFT, layout.side);
    EXPECT_EQ(-1560, layout.window.left);
    EXPECT_EQ(-1510, layout.window.right);

    // At that monitor's left edge it goes right.
    platform_rect left_edge = {-1915, 100, -1755, 220};
    balloon_layout_place(&left_edge, &layout);
    EXPECT_EQ(BALLOON_SIDE_RIGHT, layout.side);
    EXPECT_EQ(-1745, layout.window.left);
}

struct ContentCase {
    int32_t dpi;
    platform_rect box;
};

TEST(BalloonLayoutTest, ContentRectangle) {
    const ContentCase cases[] = {
        {96, {7, 11, 42, 28}},    // half of 70 x 34
        {144, {10, 16, 63, 42}},  // 10.5, 16.5, 63, 42 truncated
        {120, {8, 13, 52, 35}},
        {192, {14, 22, 84, 56}},  // the images' own size
    };
    for (const ContentCase& c : cases) {
        platform_rect box;
        balloon_layout_content(c.dpi, &box);
        EXPECT_EQ(c.box.left, box.left) << c.dpi;
        EXPECT_EQ(c.box.top, box.top) << c.dpi;
        EXPECT_EQ(c.box.right, box.right) << c.dpi;
        EXPECT_EQ(c.box.bottom, box.bottom) << c.dpi;
    }
}

}  // namespace
