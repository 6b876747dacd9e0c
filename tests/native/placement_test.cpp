// New memos: their size and place for every task bar side and placement
// kind, the edit box's place, unique names and the new memo's record.
#include <gtest/gtest.h>

#include <limits.h>
#include <string.h>

#include <string>
#include <vector>

#include "memo_registry.h"
#include "tracked_memory.h"
#include "placement.h"
#include "settings.h"
#include "native_test_support.h"
#include "scale.h"

namespace {

const char k_data[] = "C:\\app\\kelvan";

::testing::AssertionResult rect_is(const platform_rect& actual, int32_t l, int32_t t, int32_t r,
                                   int32_t b) {
    if (actual.left == l && actual.top == t && actual.right == r && actual.bottom == b) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "(" << actual.left << "," << actual.top << "," << actual.right << ","
           << actual.bottom << ") instead of (" << l << "," << t << "," << r << "," << b << ")";
}

class ProgramTest : public native_test::LeakCheckedTest {
protected:
    memo_hwnd owner = nullptr;

    void SetUp() override {
        LeakCheckedTest::SetUp();
        // No config.ini: every setting at its default, data folder beside
        // the program.
        settings_load(nullptr);
        owner = fake_platform_add_window(platform_rect{0, 0, 0, 0});
    }
    void TearDown() override {
        forget_memos();
        LeakCheckedTest::TearDown();
        tracked_report_leaks();
    }
    void one_monitor(int32_t dpi) {
        fake_monitor m = {{0, 0, 1920, 1080}, dpi};
        fake_platform_set_monitors(&m, 1);
    }
    platform_rect new_memo_rect(int32_t kind) {
        memo_hwnd w = placement_new_memo(owner, kind);
        EXPECT_NE(nullptr, w);
        fake_window* info = fake_platform_window_info(w);
        return info ? info->rect : platform_rect{-1, -1, -1, -1};
    }
    std::string new_memo_name() {
        memo_hwnd w = placement_new_memo(owner, MEMO_PLACE_TRAY);
        memo_record* r = w ? static_cast<memo_record*>(memo_registry_find(w)) : nullptr;
        return r ? r->file_name : "<none>";
    }
};

// --- sizes and scaling -------------------------------------------------------

TEST_F(ProgramTest, TrayMemoWithDefaultsSitsAboveTheBottomTaskBar) {
    fake_platform_set_cursor(1700, 1060);
    EXPECT_TRUE(rect_is(new_memo_rect(MEMO_PLACE_TRAY), 1620, 910, 1780, 1030));
    // Again at the same place: the same rectangle, no cascading.
    EXPECT_TRUE(rect_is(new_memo_rect(MEMO_PLACE_TRAY), 1620, 910, 1780, 1030));
    // Centred, the memo would pass the right edge of the monitor.
    fake_platform_set_cursor(1850, 1060);
    EXPECT_TRUE(rect_is(new_memo_rect(MEMO_PLACE_TRAY), 1700, 910, 1860, 1030));
}

TEST_F(ProgramTest, At144DpiEverySizeAndMarginIsOneAndAHalfTimes) {
    one_monitor(144);
    fake_platform_set_cursor(960, 540);
    // 240 x 180, 75 above the monitor's bottom edge.
    EXPECT_TRUE(rect_is(new_memo_rect(MEMO_PLACE_TRAY), 840, 825, 1080, 1005));
    // The tray corner shows the 90-pixel side margin.
    EXPECT_TRUE(rect_is(new_memo_rect(MEMO_PLACE_COPYDATA), 1590, 825, 1830, 1005));
}

TEST_F(ProgramTest, SecondStartCentresOnTheCursorAndLosesAPixelOfAnOddSize) {
    one_monitor(168);
    g_settings.defaultmemosize = 2;  // 420 x 315 at 168 dpi
    fake_platform_set_cursor(1000, 500);
    platform_rect r = new_memo_rect(MEMO_PLACE_SECOND_START);
    EXPECT_TRUE(rect_is(r, 790, 343, 1210, 657));
    EXPECT_EQ(420, r.right - r.left);
    EXPECT_EQ(314, r.bottom - r.top);
    // No clamping at all, not even past the monitor's corner.
    g_settings.defaultmemosize = 1;
    fake_platform_set_cursor(1919, 1079);
    EXPECT_TRUE(rect_is(new_memo_rect(MEMO_PLACE_SECOND_START), 1779, 974, 2059, 1184));
}

TEST_F(ProgramTest, DefaultMemoSizeSetting) {
    struct {
        int32_t setting, width, height;
    } cases[] = {{1, 160, 120}, {2, 240, 180}, {3, 320, 240}, {0, 160, 120},
                 {7, 160, 120}, {4, 160, 120}, {-2, 160, 120}};
    fake_platform_set_cursor(960, 540);
    for (const auto& c : cases) {
        g_settings.defaultmemosize = c.setting;
        platform_rect r = new_memo_rect(MEMO_PLACE_SECOND_START);
        EXPECT_EQ(c.width, r.right - r.left) << c.setting;
        EXPECT_EQ(c.height, r.bottom - r.top) << c.setting;
    }
}

TEST_F(ProgramTest, SizeFollowsTheMonitorUnderTheCursor) {
    fake_monitor two[2] = {{{0, 0, 1920, 1080}, 96}, {{1920, 0, 3200, 1024}, 192}};
    fake_platform_set_monitors(two, 2);
    fake_platform_set_cursor(2500, 500);
    // 320 x 240 with margins 120 and 100, in the second monitor's tray corner.
    EXPECT_TRUE(rect_is(new_memo_rect(MEMO_PLACE_COPYDATA), 2760, 684, 3080, 924));
    // Off every monitor: the nearest one counts.
    fake_platform_set_cursor(-500, 500);
    EXPECT_TRUE(rect_is(new_memo_rect(MEMO_PLACE_COPYDATA), 1700, 910, 1860, 1030));
}

TEST(ProgramScaleTest, TruncatesTowardZeroAndNeverOverflows) {
    struct {
        int32_t length, dpi, scaled;
    } cases[] = {{60, 96, 60},     {60, 144, 90},    {50, 144, 75},  {240, 168, 420},
                 {180, 168, 315},  {50, 120, 62},    {-1, 144, -1},  {-3, 144, -4},
                 {INT_MAX, 192, INT_MAX}, {INT_MIN, 192, INT_MIN}, {0, 144, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.scaled, scale_to_physical(c.length, c.dpi)) << c.length << " @" << c.dpi;
    }
}

// --- placement tables ----------------------------------------------------------

struct place_case {
    int32_t kind;
    int32_t taskbar;
    int32_t x, y;
    int32_t left, top;
};

// 1920 x 1080 monitor, 160 x 120 memo, TBW 60, TBH 50.
const place_case k_place_cases[] = {
    // Tray, task bar on the left: beside it, centred vertically, the bottom guarded.
    {1, 1, 500, 500, 60, 440},
    {1, 1, 500, 1030, 60, 910},
    {1, 1, 500, 1020, 60, 960},   // ends exactly on the edge: stays centred
    {1, 1, 500, 1021, 60, 910},
    {1, 1, 500, 5, 60, -55},      // the top edge is not guarded
    // Task bar at the top: centred horizontally, the right edge guarded.
    {1, 2, 500, 500, 420, 50},
    {1, 2, 1900, 500, 1700, 50},
    {1, 2, 1840, 500, 1760, 50},  // exactly on the edge
    {1, 2, 1841, 500, 1700, 50},
    {1, 2, 5, 500, -75, 50},      // the left edge is not guarded
    // Task bar on the right.
    {1, 3, 500, 500, 1700, 440},
    {1, 3, 500, 1050, 1700, 910},
    // At the bottom, and every unknown side like the bottom.
    {1, 4, 1700, 1060, 1620, 910},
    {1, 4, 1850, 1060, 1700, 910},
    {1, 0, 1700, 1060, 1620, 910},
    {1, 5, 1850, 1060, 1700, 910},
    {1, -1, 500, 10, 420, 910},
    // Unknown kinds place like the tray.
    {0, 4, 1850, 1060, 1700, 910},
    {99, 2, 1900, 500, 1700, 50},
    // Another program's text: the tray corner, the cursor does not matter.
    {3, 1, 500, 500, 60, 910},
    {3, 2, 500, 500, 1700, 50},
    {3, 3, 500, 500, 1700, 910},
    {3, 4, 10, 10, 1700, 910},
    {3, 7, 10, 10, 1700, 910},
    // A second start ignores the task bar.
    {2, 1, 500, 500, 420, 440},
    {2, 2, 0, 0, -80, -60},
};

TEST_F(ProgramTest, NewMemoPlacementForEveryKindAndTaskBarSide) {
    for (const place_case& c : k_place_cases) {
        g_settings.taskbar = c.taskbar;
        platform_rect r;
        placement_place_memo(c.kind, 60, 50, c.x, c.y, 160, 120, &r);
        EXPECT_TRUE(rect_is(r, c.left, c.top, c.left + 160, c.top + 120))
            << "kind " << c.kind << " task bar " << c.taskbar << " cursor " << c.x << ","
            << c.y;
    }
}

TEST_F(ProgramTest, PlacementUsesTheMonitorNearestTheCursor) {
    fake_monitor two[2] = {{{0, 0, 1920, 1080}, 96}, {{-1280, 56, 0, 1080}, 96}};
    fake_platform_set_monitors(two, 2);
    g_settings.taskbar = 4;
    platform_rect r;
    placement_place_memo(1, 60, 50, -10, 1070, 160, 120, &r);
    EXPECT_TRUE(rect_is(r, -220, 910, -60, 1030));
    g_settings.taskbar = 2;
    placement_place_memo(3, 60, 50, -640, 500, 160, 120, &r);
    EXPECT_TRUE(rect_is(r, -220, 106, -60, 226));
}

struct editbox_case {
    int32_t taskbar;
    int32_t x, y;
    int32_t width;
    int32_t left, top;
};

// 1920 x 1080 monitor, 250 x 200 box unless stated, TBW 60, TBH 50.
const editbox_case k_editbox_cases[] = {
    // Cursor in the top-left corner: the monitor's corner, off a task bar there.
    {4, 0, 0, 250, 0, 0},
    {1, 0, 0, 250, 60, 0},
    {2, 0, 0, 250, 0, 50},
    {3, 0, 0, 250, 0, 0},
    // Cursor in the bottom-right corner.
    {4, 1919, 1079, 250, 1670, 830},
    {3, 1919, 1079, 250, 1610, 880},
    {1, 1919, 1079, 250, 1670, 880},
    {2, 1919, 1079, 250, 1670, 880},
    {9, 1919, 1079, 250, 1670, 830},
    // In the middle: centred on the cursor.
    {4, 960, 540, 250, 835, 440},
    {1, 960, 540, 250, 835, 440},
    // The far bound is strict: half an odd width may end one pixel past it.
    {4, 1795, 540, 251, 1670, 440},
    {4, 1796, 540, 251, 1669, 440},
    // Wider than the monitor: the low bound wins.
    {4, 960, 540, 2000, 0, 440},
    {1, 960, 540, 2000, 60, 440},
};

TEST_F(ProgramTest, EditBoxStaysOnTheMonitorAndOffTheTaskBar) {
    for (const editbox_case& c : k_editbox_cases) {
        g_settings.taskbar = c.taskbar;
        fake_platform_set_cursor(c.x, c.y);
        int32_t left = -12345, top = -12345;
        placement_place_editbox(60, 50, c.width, 200, &left, &top);
        EXPECT_EQ(c.left, left) << "task bar " << c.taskbar << " cursor " << c.x << "," << c.y;
        EXPECT_EQ(c.top, top) << "task bar " << c.taskbar << " cursor " << c.x << "," << c.y;
    }
}

TEST_F(ProgramTest, EditBoxOnASecondMonitor) {
    fake_monitor two[2] = {{{0, 0, 1920, 1080}, 96}, {{1920, 0, 3200, 1024}, 96}};
    fake_platform_set_monitors(two, 2);
    g_settings.taskbar = 4;
    fake_platform_set_cursor(1925, 1020);
    int32_t left, top;
    placement_place_editbox(60, 50, 250, 200, &left, &top);
    EXPECT_EQ(1920, left);
    EXPECT_EQ(774, top);
}

TEST_F(ProgramTest, CornerRelativeMemoFromTheBottomRight) {
    memo_placement where = {memo_geometry::corner, {}, 10, 20, 160, 120, MEMO_QUADRANT_LOWER_RIGHT};
    memo_hwnd w = placement_create_window(owner, &where);
    ASSERT_NE(nullptr, w);
    EXPECT_TRUE(rect_is(fake_platform_window_info(w)->rect, 1750, 940, 1910, 1060));
}

// --- names -------------------------------------------------------------------------

// The creation time in fourteen digits, or the next second that neither a
// file of the data folder (a pair, a lone file left behind, a folder) nor a
// live memo read from files (its files deleted elsewhere) holds.
struct NameCase {
    int32_t time[6];
    std::vector<const char*> files;  // a name ending in "/" is a folder
    const char* live;
    const char* name;
};
const NameCase k_name_cases[] = {
    {{2024, 1, 2, 3, 4, 5}, {}, nullptr, "20240102030405"},
    {{2026, 7, 8, 9, 10, 11},
     {"20260708091011.txt", "20260708091011.ini", "20260708091012.ini", "20260708091013.txt",
      "20260708091014.txt/"},
     nullptr, "20260708091015"},
    {{2025, 12, 31, 23, 59, 59}, {"20251231235959.txt", "20251231235959.ini"}, nullptr, "20260101000000"},
    {{2024, 2, 29, 23, 59, 59}, {}, "20240229235959", "20240301000000"},
};
class NameTest : public ProgramTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(NameTest, IsTheFirstFreeCreationSecond) {
    const NameCase& c = GetParam();
    for (std::string file : c.files) {
        std::string path = std::string("C:\\app\\kelvan\\") + file;
        if (file.back() == '/') {
            fake_platform_make_folders(path.substr(0, path.size() - 1).c_str());
        } else {
            fake_platform_put_file(path.c_str(), "x");
        }
    }
    if (c.live) {
        memo_hwnd loaded = fake_platform_add_window(platform_rect{0, 0, 160, 120});
        ASSERT_NE(nullptr, memo_registry_add(loaded));
        memo_registry_set_name(loaded, c.live);
    }
    fake_platform_set_time(c.time[0], c.time[1], c.time[2], c.time[3], c.time[4], c.time[5]);
    EXPECT_EQ(c.name, new_memo_name());
    std::string kept = c.files.empty() ? "x" : "";
    if (!c.files.empty()) fake_platform_get_file((std::string("C:\\app\\kelvan\\") + c.files[0]).c_str(), &kept);
    EXPECT_EQ("x", kept) << "no file is overwritten";
}
INSTANTIATE_TEST_SUITE_P(Rows, NameTest, ::testing::ValuesIn(k_name_cases));

TEST_F(ProgramTest, MemosOfOneSecondGetSeparateNames) {
    fake_platform_set_time(2026, 7, 8, 9, 10, 58);
    EXPECT_EQ("20260708091058", new_memo_name());
    EXPECT_EQ("20260708091059", new_memo_name());
    EXPECT_EQ("20260708091100", new_memo_name());
    // A peeled memo frees its name again.
    memo_registry_remove(memo_registry_next(nullptr));
    EXPECT_EQ("20260708091058", new_memo_name());
}

TEST(ProgramNextSecondTest, CarriesThroughTheCalendar) {
    struct {
        platform_time from, to;
    } cases[] = {
        {{2024, 1, 2, 3, 4, 5}, {2024, 1, 2, 3, 4, 6}},
        {{2024, 1, 2, 3, 4, 59}, {2024, 1, 2, 3, 5, 0}},
        {{2024, 1, 2, 3, 59, 59}, {2024, 1, 2, 4, 0, 0}},
        {{2024, 1, 31, 23, 59, 59}, {2024, 2, 1, 0, 0, 0}},
        {{2024, 4, 30, 23, 59, 59}, {2024, 5, 1, 0, 0, 0}},
        {{2024, 2, 28, 23, 59, 59}, {2024, 2, 29, 0, 0, 0}},
        {{2024, 2, 29, 23, 59, 59}, {2024, 3, 1, 0, 0, 0}},
        {{2023, 2, 28, 23, 59, 59}, {2023, 3, 1, 0, 0, 0}},
        {{2100, 2, 28, 23, 59, 59}, {2100, 3, 1, 0, 0, 0}},
        {{2000, 2, 28, 23, 59, 59}, {2000, 2, 29, 0, 0, 0}},
        {{2025, 12, 31, 23, 59, 59}, {2026, 1, 1, 0, 0, 0}},
        {{2025, 11, 30, 23, 59, 59}, {2025, 12, 1, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        platform_time t = c.from;
        placement_next_second(&t);
        EXPECT_TRUE(t.year == c.to.year && t.month == c.to.month && t.day == c.to.day &&
                    t.hour == c.to.hour && t.minute == c.to.minute && t.second == c.to.second)
            << c.from.year << "-" << c.from.month << "-" << c.from.day << " " << c.from.hour
            << ":" << c.from.minute << ":" << c.from.second << " gave " << t.year << "-"
            << t.month << "-" << t.day << " " << t.hour << ":" << t.minute << ":" << t.second;
    }
}

// --- the new memo ------------------------------------------------------------------

TEST_F(ProgramTest, NewMemoIsRegisteredInitialisedAndShown) {
    fake_platform_set_time(2024, 2, 3, 9, 5, 0);
    int writes = fake_platform_write_count();
    memo_hwnd w = placement_new_memo(owner, MEMO_PLACE_TRAY);
    ASSERT_NE(nullptr, w);
    fake_window* info = fake_platform_window_info(w);
    ASSERT_NE(nullptr, info);
    EXPECT_EQ(owner, info->owner);
    EXPECT_TRUE(info->visible);
    EXPECT_EQ(1, info->repaints);

    memo_record* r = static_cast<memo_record*>(memo_registry_find(w));
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(w, memo_registry_next(nullptr));
    EXPECT_EQ(1, r->color_index);
    EXPECT_EQ(0, r->day);
    EXPECT_EQ(0, r->time);
    EXPECT_EQ(0, r->active);
    EXPECT_EQ(nullptr, r->text);
    EXPECT_EQ(nullptr, r->tooltip);
    EXPECT_STREQ("20240203090500", r->file_name);
    const unsigned char zero[8] = {0};
    EXPECT_EQ(0, memcmp(zero, r->reserved, sizeof zero));

    ASSERT_EQ(1u, info->messages.size());
    EXPECT_EQ(MEMO_MSG_INIT, info->messages[0].message);
    EXPECT_EQ(0u, info->messages[0].wparam);
    EXPECT_EQ(r, info->messages[0].record);
    EXPECT_EQ(MEMO_MODE_NEW, info->messages[0].mode);

    // Nothing reaches the data folder before the first text.
    EXPECT_EQ(writes, fake_platform_write_count());
    EXPECT_FALSE(fake_platform_exists("C:\\app\\kelvan\\20240203090500.txt"));
    EXPECT_FALSE(fake_platform_exists("C:\\app\\kelvan\\20240203090500.ini"));
}

TEST_F(ProgramTest, NewMemoWhileHiddenStaysHidden) {
    g_settings.show = 0;
    memo_hwnd w = placement_new_memo(owner, MEMO_PLACE_COPYDATA);
    ASSERT_NE(nullptr, w);
    EXPECT_FALSE(fake_platform_window_info(w)->visible);
    EXPECT_EQ(0, fake_platform_window_info(w)->repaints);
    EXPECT_NE(nullptr, memo_registry_find(w));
    EXPECT_EQ(1u, fake_platform_window_info(w)->messages.size());
}

TEST_F(ProgramTest, NoWindowNoMemo) {
    fake_platform_fail(FAKE_FAULT_CREATE_WINDOW, 1);
    EXPECT_EQ(nullptr, placement_new_memo(owner, MEMO_PLACE_TRAY));
    EXPECT_EQ(nullptr, memo_registry_next(nullptr));
    // The next attempt works.
    EXPECT_NE(nullptr, placement_new_memo(owner, MEMO_PLACE_TRAY));
}

// The rules that keep every memo within reach: sizes between the memo's
// minimum and the desktop, and a memo off every monitor brought fully onto
// the nearest one (shrunk where that monitor is smaller).
TEST(PlacementReachTest, SizesAndBringBackOnTwoMonitors) {
    fake_platform_reset();
    fake_monitor pair[2] = {{{0, 0, 1920, 1080}, 96}, {{1920, 200, 3200, 1224}, 96}};
    fake_platform_set_monitors(pair, 2);
    EXPECT_EQ(30, placement_clamp_extent(-7, 3200));
    EXPECT_EQ(30, placement_clamp_extent(29, 3200));
    EXPECT_EQ(3200, placement_clamp_extent(INT64_MAX, 3200));
    EXPECT_EQ(500, placement_clamp_extent(500, 3200));

    platform_rect r = {INT32_MAX - 10, 5, INT32_MIN, 0};
    placement_clamp_size(&r);
    EXPECT_TRUE(rect_is(r, INT32_MAX - 30, 5, INT32_MAX, 35)) << "inverted and at the range's end";
    r = {-50, -60, 99999, 70};
    placement_clamp_size(&r);
    EXPECT_TRUE(rect_is(r, -50, -60, 3150, 70)) << "no wider than the desktop";

    struct {
        platform_rect in;
        platform_rect out;
        int moved;
        const char* what;
    } cases[] = {
        {{100, 100, 260, 220}, {100, 100, 260, 220}, 0, "on the primary"},
        {{1900, 1050, 2060, 1170}, {1900, 1050, 2060, 1170}, 0, "across both, partly off"},
        {{3300, 300, 3460, 420}, {3040, 300, 3200, 420}, 1, "right of the second"},
        {{2000, 50, 2160, 150}, {2000, 200, 2160, 300}, 1, "in the gap above the second"},
        {{-500, -400, -340, -280}, {0, 0, 160, 120}, 1, "above left of the primary"},
        {{5000, 2000, 7000, 4000}, {1920, 200, 3200, 1224}, 1, "larger than the monitor: shrunk"},
    };
    for (const auto& c : cases) {
        platform_rect got = c.in;
        EXPECT_EQ(c.moved, placement_bring_back(&got)) << c.what;
        EXPECT_TRUE(rect_is(got, c.out.left, c.out.top, c.out.right, c.out.bottom)) << c.what;
    }
}

// A scan asks for the desktop and the corner monitors once; the next scan
// must see a monitor that came meanwhile, or memos land on a stale desktop.
TEST(PlacementReachTest, ABatchKeepsItsDesktopAndTheNextSeesANewMonitor) {
    fake_platform_reset();
    fake_monitor one[1] = {{{0, 0, 1920, 1080}, 96}};
    fake_monitor two[2] = {{{0, 0, 1920, 1080}, 96}, {{1920, 0, 3840, 1080}, 144}};
    fake_platform_set_monitors(one, 1);
    platform_rect desk;
    platform_rect monitor;
    int32_t dpi;
    placement_batch_begin();
    placement_corner_monitor(MEMO_QUADRANT_UPPER_RIGHT, &monitor, &dpi);
    fake_platform_set_monitors(two, 2);
    placement_desktop(&desk);
    EXPECT_TRUE(rect_is(desk, 0, 0, 1920, 1080)) << "within the batch";
    placement_corner_monitor(MEMO_QUADRANT_UPPER_RIGHT, &monitor, &dpi);
    EXPECT_EQ(96, dpi) << "within the batch";
    placement_batch_end();

    placement_batch_begin();
    placement_desktop(&desk);
    placement_corner_monitor(MEMO_QUADRANT_UPPER_RIGHT, &monitor, &dpi);
    placement_batch_end();
    EXPECT_TRUE(rect_is(desk, 0, 0, 3840, 1080));
    EXPECT_TRUE(rect_is(monitor, 1920, 0, 3840, 1080));
    EXPECT_EQ(144, dpi);
}

}  // namespace
