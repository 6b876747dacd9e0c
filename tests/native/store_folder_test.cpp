// The memo store against its data folder: loading a pair of files,
// refreshing live memos, scanning the folder and peeling a memo, against
// the sandboxed platform.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "memo_registry.h"
#include "memo_file.h"
#include "tracked_memory.h"
#include "settings.h"
#include "platform_fake.h"
#include "native_test_support.h"

namespace {

using native_test::StoreTest;
using native_test::expect_rect;
using native_test::k_main;

// --- load, refresh, scan -------------------------------------------------------

TEST_F(StoreTest, LoadFillsTheRecordAndHandsItOver) {
    put("memo1.txt", "\xEF\xBB\xBFhello\r\nworld");
    put("memo1.ini", "[KELVAN]\r\nCOLOR=4\r\nDAY=67\r\nTIME=545\r\nQUADRANT=2\r\n");
    ASSERT_EQ(1, memo_file_load(k_main, data_path("memo1").c_str()));
    ASSERT_EQ(1u, registered().size());
    memo_hwnd w = registered()[0];
    memo_record* r = record_of(w);
    EXPECT_STREQ("memo1", r->file_name);
    EXPECT_STREQ("hello\nworld", r->text);
    EXPECT_EQ(4, r->color_index);
    EXPECT_EQ(67, r->day);
    EXPECT_EQ(545, r->time);
    EXPECT_EQ(0, r->active);
    fake_window* fw = fake_platform_window_info(w);
    EXPECT_EQ(k_main, fw->owner);
    EXPECT_TRUE(fw->visible);
    EXPECT_EQ(1, fw->repaints);
    ASSERT_EQ(1u, fw->messages.size());
    EXPECT_EQ((uint32_t)MEMO_MSG_INIT, fw->messages[0].message);
    EXPECT_EQ(r, fw->messages[0].record);
    EXPECT_EQ(MEMO_MODE_FROM_FILES, fw->messages[0].mode);
}

TEST_F(StoreTest, ColourOutsideTheSlotsBecomesTheNewMemoColour) {
    struct {
        const char* ini;
        int32_t index;
    } cases[] = {
        {"", 1}, {"COLOR=16777215\r\n", 1}, {"COLOR=7\r\n", 1}, {"COLOR=-1\r\n", 1},
        {"COLOR=0\r\n", 0}, {"COLOR=6\r\n", 6},
    };
    for (const auto& c : cases) {
        put("c.txt", "t");
        put("c.ini", std::string("[KELVAN]\r\n") + c.ini);
        ASSERT_EQ(1, memo_file_load(k_main, data_path("c").c_str()));
        memo_hwnd w = registered().back();
        EXPECT_EQ(c.index, record_of(w)->color_index) << c.ini;
        memo_registry_remove(w);
    }
}

TEST_F(StoreTest, StartUpHonoursShow) {
    put("a.txt", "a");
    put("a.ini", "[KELVAN]\r\n");
    g_settings.show = 0;
    memo_file_scan_folder(k_main, 1);
    ASSERT_EQ(1u, registered().size());
    fake_window* fw = fake_platform_window_info(registered()[0]);
    EXPECT_FALSE(fw->visible);
    EXPECT_EQ(1u, fw->messages.size());  // initialised all the same
}

TEST_F(StoreTest, ScanTakesOnlyPairsOfFiles) {
    put("x.txt", "x");
    put("y.ini", "[KELVAN]\r\n");
    put("z.txt", "z");
    put("z.ini", "[KELVAN]\r\n");
    fake_platform_make_folders("C:\\app\\kelvan\\w.txt");
    put("w.ini", "[KELVAN]\r\n");
    put("a.b.txt", "ab");
    put("a.b.ini", "[KELVAN]\r\n");
    put("v.txt.tmp", "leftover");
    put("v.ini", "[KELVAN]\r\n");
    put("u.ini", "[KELVAN]\r\n");
    fake_platform_make_folders("C:\\app\\kelvan\\u.txt");
    memo_file_scan_folder(k_main, 1);
    std::vector<std::string> names;
    for (memo_hwnd w : registered()) names.push_back(record_of(w)->file_name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::vector<std::string>({"a.b", "z"}), names);
}

TEST_F(StoreTest, ScanOfAMissingOrEmptyFolderDoesNothing) {
    strcpy(g_settings.path, "C:\\nowhere");
    EXPECT_EQ(1, memo_file_scan_folder(k_main, 1));
    EXPECT_EQ(1, memo_file_scan_folder(k_main, 0));
    EXPECT_TRUE(registered().empty());
}

TEST_F(StoreTest, RefreshRulesForALiveMemo) {
    put("m.txt", "same");
    put("m.ini", "[KELVAN]\r\nX=10\r\nY=10\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=2\r\nCOLOR=2\r\nDAY=1\r\nTIME=2\r\n");
    memo_file_scan_folder(k_main, 1);
    ASSERT_EQ(1u, registered().size());
    memo_hwnd w = registered()[0];
    fake_window* fw = fake_platform_window_info(w);
    fw->rect = {500, 400, 660, 520};  // moved here since
    const platform_rect here = fw->rect;
    size_t messages = fw->messages.size();
    int repaints = fw->repaints;

    // Nothing changed: no message, no paint.
    memo_file_scan_folder(k_main, 0);
    EXPECT_EQ(messages, fw->messages.size());
    EXPECT_EQ(repaints, fw->repaints);

    // Only COLOR changed, and the position keys too: reload and repaint, no move.
    put("m.ini", "[KELVAN]\r\nX=900\r\nY=900\r\nWIDTH=300\r\nHEIGHT=300\r\nQUADRANT=4\r\nCOLOR=5\r\nDAY=1\r\nTIME=2\r\n");
    memo_file_scan_folder(k_main, 0);
    EXPECT_EQ(5, record_of(w)->color_index);
    ASSERT_EQ(messages + 1, fw->messages.size());
    EXPECT_EQ((uint32_t)MEMO_MSG_RELOAD, fw->messages.back().message);
    EXPECT_EQ(record_of(w), fw->messages.back().record);
    EXPECT_EQ(MEMO_MODE_FROM_FILES, fw->messages.back().mode);
    EXPECT_EQ(repaints + 1, fw->repaints);
    expect_rect(here, fw->rect, "refresh never moves");

    // New text and stamp: taken over; a hidden memo gets the message but no paint.
    put("m.txt", "other\r\ntext");
    put("m.ini", "[KELVAN]\r\nCOLOR=5\r\nDAY=70\r\nTIME=3\r\n");
    fw->visible = false;
    memo_file_scan_folder(k_main, 0);
    EXPECT_STREQ("other\ntext", record_of(w)->text);
    EXPECT_EQ(70, record_of(w)->day);
    EXPECT_EQ(3, record_of(w)->time);
    EXPECT_EQ(messages + 2, fw->messages.size());
    EXPECT_EQ(repaints + 1, fw->repaints);

    // Files deleted elsewhere: the memo stays as it is.
    platform_delete_file(data_path("m.txt").c_str());
    memo_file_scan_folder(k_main, 0);
    EXPECT_EQ(1u, registered().size());
    EXPECT_FALSE(fw->destroyed);
    EXPECT_STREQ("other\ntext", record_of(w)->text);
}

TEST_F(StoreTest, RefreshCreatesMemosWrittenElsewhere) {
    memo_hwnd local = make_memo("local", "mine");
    put("remote.txt", "theirs");
    put("remote.ini", "[KELVAN]\r\nQUADRANT=2\r\nX=5\r\nY=6\r\nWIDTH=160\r\nHEIGHT=120\r\n");
    memo_file_scan_folder(k_main, 0);
    std::vector<memo_hwnd> list = registered();
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ(local, list[0]);
    EXPECT_STREQ("remote", record_of(list[1])->file_name);
    fake_window* fw = fake_platform_window_info(list[1]);
    EXPECT_TRUE(fw->visible);
    expect_rect({5, 6, 165, 126}, fw->rect, "remote memo");
    ASSERT_EQ(1u, fw->messages.size());
    EXPECT_EQ((uint32_t)MEMO_MSG_INIT, fw->messages[0].message);
}

// A scan looks each corner's monitor up once: memos of different corners
// still get their own monitor and DPI, and the next scan sees a new layout.
TEST_F(StoreTest, ScanPlacesEachCornerOnItsOwnMonitorAsTheDesktopIsNow) {
    put("left.txt", "l");
    put("left.ini", "[KELVAN]\r\nQUADRANT=2\r\nX=10\r\nY=10\r\nWIDTH=160\r\nHEIGHT=120\r\n");
    put("right.txt", "r");
    put("right.ini", "[KELVAN]\r\nQUADRANT=1\r\nX=10\r\nY=10\r\nWIDTH=160\r\nHEIGHT=120\r\n");
    auto rect_of = [&](const char* name) {
        memo_record* r = nullptr;
        return fake_platform_window_info(memo_registry_find_name(name, &r))->rect;
    };
    monitors({{{0, 0, 1920, 1080}, 96}, {{1920, 0, 3840, 1080}, 144}});
    memo_file_scan_folder(k_main, 1);
    expect_rect({10, 10, 170, 130}, rect_of("left"), "upper left, 96 dpi");
    expect_rect({3585, 15, 3825, 195}, rect_of("right"), "upper right, 144 dpi");

    while (memo_hwnd w = memo_registry_next(nullptr)) memo_registry_remove(w);
    monitors({{{0, 0, 2560, 1440}, 96}});
    memo_file_scan_folder(k_main, 1);
    expect_rect({2390, 10, 2550, 130}, rect_of("right"), "one monitor now");
}

TEST_F(StoreTest, RefreshOfAMemoWithoutTextInstallsTheFileText) {
    memo_hwnd w = make_memo("n", nullptr);
    put("n.txt", "arrived");
    put("n.ini", "[KELVAN]\r\nCOLOR=1\r\n");
    ASSERT_EQ(1, memo_file_reload(k_main, data_path("n").c_str()));
    EXPECT_STREQ("arrived", record_of(w)->text);
    EXPECT_EQ(1u, fake_platform_window_info(w)->messages.size());
}

TEST_F(StoreTest, FailedWindowCreationOrUnreadableTextSkipsTheMemo) {
    put("a.txt", "a");
    put("a.ini", "[KELVAN]\r\n");
    fake_platform_fail(FAKE_FAULT_CREATE_WINDOW, 1);
    EXPECT_EQ(0, memo_file_load(k_main, data_path("a").c_str()));
    EXPECT_TRUE(registered().empty());
    fake_platform_fail(FAKE_FAULT_READ, 1);
    EXPECT_EQ(0, memo_file_load(k_main, data_path("a").c_str()));
    EXPECT_TRUE(registered().empty());
    EXPECT_EQ(0, memo_file_load(k_main, "no-backslash"));
}

// --- peel ---------------------------------------------------------------------

TEST_F(StoreTest, PeelRecyclesOrDeletesWhateverFilesExist) {
    struct {
        int recycle;
        bool has_text, has_ini;
    } cases[] = {
        {1, true, true}, {0, true, true}, {1, false, true}, {1, true, false}, {0, false, true},
        {0, false, false},
    };
    for (const auto& c : cases) {
        fake_platform_reset();
        settings_load(k_main);
        g_settings.recycle = c.recycle;
        if (c.has_text) put("p.txt", "t");
        if (c.has_ini) put("p.ini", "[KELVAN]\r\n");
        put("other.txt", "stays");
        memo_hwnd w = make_memo("p", "t");
        EXPECT_EQ(1, memo_file_peel(w));
        EXPECT_FALSE(fake_platform_exists(data_path("p.txt").c_str()));
        EXPECT_FALSE(fake_platform_exists(data_path("p.ini").c_str()));
        EXPECT_TRUE(fake_platform_exists(data_path("other.txt").c_str()));
        EXPECT_TRUE(registered().empty());
        std::vector<std::string> expected;
        if (c.recycle && c.has_text) expected.push_back(data_path("p.txt"));
        if (c.recycle && c.has_ini) expected.push_back(data_path("p.ini"));
        EXPECT_EQ(expected, fake_platform_recycled())
            << c.recycle << c.has_text << c.has_ini;
    }
}

TEST_F(StoreTest, PeelWithoutRecordTouchesNoFile) {
    put("p.txt", "t");
    memo_hwnd stranger = fake_platform_add_window({0, 0, 1, 1});
    EXPECT_EQ(0, memo_file_peel(stranger));
    EXPECT_TRUE(fake_platform_exists(data_path("p.txt").c_str()));
}

TEST_F(StoreTest, PeelRemovesTheLeftoverOfAnInterruptedWrite) {
    memo_hwnd w = make_memo("p", "t");
    ASSERT_EQ(1, memo_file_save(w, MEMO_SAVE_ALL));
    fake_platform_fail(FAKE_FAULT_WRITE_REPLACE, 1);
    memo_file_save(w, MEMO_SAVE_TEXT);
    ASSERT_TRUE(fake_platform_exists(data_path("p.txt.tmp").c_str()));
    fake_platform_fail(FAKE_FAULT_RECYCLE, 1);  // a failed recycle does not stop the peel
    EXPECT_EQ(1, memo_file_peel(w));
    EXPECT_FALSE(fake_platform_exists(data_path("p.txt.tmp").c_str()));
    EXPECT_TRUE(fake_platform_exists(data_path("p.txt").c_str()));
    // The text that stayed keeps its INI: the memo shows again at the next
    // start and can be peeled then, instead of hiding for good.
    EXPECT_TRUE(fake_platform_exists(data_path("p.ini").c_str()));
    EXPECT_TRUE(registered().empty());
}

}  // namespace
