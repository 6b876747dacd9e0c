// The memo store: the registry, the text and INI files and the positions,
// against the sandboxed platform.  Loading, refreshing, scanning and
// peeling are in store_folder_test.cpp.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "memo_registry.h"
#include "memo_file.h"
#include "memo_text.h"
#include "tracked_memory.h"
#include "placement.h"
#include "settings.h"
#include "platform_fake.h"
#include "native_test_support.h"

namespace {

using native_test::StoreTest;
using native_test::expect_rect;
using native_test::k_data;
using native_test::k_main;

// --- registry ----------------------------------------------------------------

TEST_F(StoreTest, RegistryWalksInRegistrationOrderAcrossRemovals) {
    EXPECT_EQ(nullptr, memo_registry_next(nullptr));
    EXPECT_EQ(nullptr, memo_registry_find(nullptr));
    memo_hwnd a = fake_platform_add_window({0, 0, 1, 1});
    memo_hwnd b = fake_platform_add_window({0, 0, 1, 1});
    memo_hwnd c = fake_platform_add_window({0, 0, 1, 1});
    for (memo_hwnd w : {a, b, c}) {
        memo_record* r = memo_registry_add(w);
        ASSERT_NE(nullptr, r);
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(r);
        for (size_t i = 0; i < sizeof *r; i++) ASSERT_EQ(0, bytes[i]) << "record byte " << i;
    }
    EXPECT_EQ(std::vector<memo_hwnd>({a, b, c}), registered());
    EXPECT_EQ(a, memo_registry_next(nullptr));
    EXPECT_EQ(nullptr, memo_registry_next(c));

    memo_registry_remove(b);
    EXPECT_EQ(std::vector<memo_hwnd>({a, c}), registered());
    memo_registry_remove(a);
    EXPECT_EQ(c, memo_registry_next(nullptr));
    EXPECT_EQ(std::vector<memo_hwnd>({c}), registered());
    memo_hwnd d = fake_platform_add_window({0, 0, 1, 1});
    memo_registry_add(d);  // the tail moved back correctly
    EXPECT_EQ(std::vector<memo_hwnd>({c, d}), registered());
    memo_registry_remove(d);
    memo_registry_remove(c);
    EXPECT_EQ(nullptr, memo_registry_next(nullptr));
}

TEST_F(StoreTest, RegistryEntryPointAndUnknownWindows) {
    memo_hwnd a = fake_platform_add_window({0, 0, 1, 1});
    memo_hwnd stranger = fake_platform_add_window({0, 0, 1, 1});
    memo_record* r = memo_registry_add(a);
    EXPECT_EQ(r, memo_registry_find(a));
    EXPECT_EQ(nullptr, memo_registry_next(a));
    EXPECT_EQ(nullptr, memo_registry_find(stranger));
    EXPECT_EQ(nullptr, memo_registry_next(stranger));
    memo_registry_remove(stranger);  // reported, nothing else
    EXPECT_EQ(a, memo_registry_next(nullptr));
    r->text = TRACKED_NEW(char, 4);  // owned by the record from here on
    memo_registry_remove(a);
    EXPECT_EQ(nullptr, memo_registry_next(nullptr));
}

// Enough memos for the indexes to grow several times; every third one is
// peeled during a walk, which goes on from the memo after it.
TEST_F(StoreTest, RegistryIndexesFollowManyMemosRemovalsDuringAWalkAndRenames) {
    std::vector<memo_hwnd> order;
    for (int i = 0; i < 3000; i++) {
        order.push_back(make_memo(("m" + std::to_string(i)).c_str(), nullptr));
    }
    for (memo_hwnd w = memo_registry_next(nullptr), next; w; w = next) {
        next = memo_registry_next(w);
        if (strtol(record_of(w)->file_name + 1, nullptr, 10) % 3 == 0) memo_registry_remove(w);
    }
    std::vector<memo_hwnd> kept;
    for (size_t i = 0; i < order.size(); i++) {
        memo_record* r = nullptr;
        memo_hwnd named = memo_registry_find_name(("m" + std::to_string(i)).c_str(), &r);
        if (i % 3 == 0) {
            EXPECT_EQ(nullptr, named) << i;
            EXPECT_EQ(nullptr, memo_registry_find(order[i])) << i;
        } else {
            kept.push_back(order[i]);
            ASSERT_EQ(order[i], named) << i;
            EXPECT_EQ(record_of(order[i]), r);
        }
    }
    EXPECT_EQ(kept, registered()) << "registration order survives";

    // A second memo of the same name: the first registered one answers
    // until it goes.  A renamed memo answers to its new name only.
    memo_hwnd twin = make_memo("m1", nullptr);
    memo_record* r = nullptr;
    EXPECT_EQ(order[1], memo_registry_find_name("m1", &r));
    memo_registry_remove(order[1]);
    EXPECT_EQ(twin, memo_registry_find_name("m1", &r));
    EXPECT_EQ(1, memo_registry_set_name(order[2], "renamed"));
    EXPECT_EQ(nullptr, memo_registry_find_name("m2", &r));
    EXPECT_EQ(nullptr, r);
    EXPECT_EQ(order[2], memo_registry_find_name("renamed", &r));
    EXPECT_STREQ("renamed", r->file_name);
    EXPECT_EQ(0, memo_registry_set_name(order[0], "gone")) << "no longer registered";
    EXPECT_EQ(nullptr, memo_registry_find_name("gone", &r));
}

// --- text files --------------------------------------------------------------

TEST_F(StoreTest, TextFileBytesInTheFourFormats) {
    struct {
        int32_t textfile;
        const char* text;
        std::string bytes;
    } cases[] = {
        {65537, "a\nb", "\xEF\xBB\xBF" "a\r\nb"},
        {0, "a\nb", "a\nb"},
        {1, "a\nb", "\xEF\xBB\xBF" "a\nb"},
        {65536, "a\nb", "a\r\nb"},
        // Edit-box text with CR LF: one CR per line end, never two, none in LF mode.
        {0, "a\r\nb\r\n", "a\nb\n"},
        {65536, "a\r\nb\r\n", "a\r\nb\r\n"},
        {65537, "", "\xEF\xBB\xBF"},
        {0, "", ""},
        {65536, "x\ry", "xy"},
        // Only the low half equal to 1 selects the mark.
        {3, "a", "a"},
        // A text that begins with U+FEFF keeps it: the mark goes in front.
        {0, "\xEF\xBB\xBFx", "\xEF\xBB\xBF\xEF\xBB\xBFx"},
    };
    memo_hwnd w = make_memo("20240102030405", "");
    put("20240102030405.ini", "[KELVAN]\r\nCOLOR=3\r\n");
    put("20240102030405.txt", "");
    for (const auto& c : cases) {
        g_settings.textfile = c.textfile;
        native_test::set_record_text(record_of(w), c.text);
        ASSERT_EQ(1, memo_file_save(w, MEMO_SAVE_TEXT)) << c.textfile;
        EXPECT_EQ(c.bytes, get("20240102030405.txt")) << c.textfile << " " << c.text;
    }
    EXPECT_EQ("[KELVAN]\r\nCOLOR=3\r\n", get("20240102030405.ini"));  // 0x01 alone writes no INI keys
}

TEST_F(StoreTest, ReadingAcceptsMarkMixedLineEndsAndStopsAtNul) {
    struct {
        std::string bytes;
        const char* text;
    } cases[] = {
        {"\xEF\xBB\xBF", ""},
        {"", ""},
        {"a\rb", "ab"},
        {std::string("a\0b", 3), "a"},
        {"\xEF\xBB\xBF" "a\r\nb\nc\r", "a\nb\nc"},
        {"\xEF\xBB", "\xEF\xBB"},
        {"x\xEF\xBB\xBF", "x\xEF\xBB\xBF"},
        {"\xE3\x81\x82\r\n", "\xE3\x81\x82\n"},
    };
    for (const auto& c : cases) {
        put("t.txt", c.bytes);
        char* text = memo_text_read(data_path("t.txt").c_str());
        ASSERT_NE(nullptr, text);
        EXPECT_STREQ(c.text, text);
        TRACKED_FREE(text);
    }
    EXPECT_EQ(nullptr, memo_text_read(data_path("none.txt").c_str()));
    put("locked.txt", "x");
    fake_platform_fail(FAKE_FAULT_READ, 1);
    EXPECT_EQ(nullptr, memo_text_read(data_path("locked.txt").c_str()));
}

TEST_F(StoreTest, TextFileOfFourGibibytesIsRefused) {
    put("huge.txt", "");
    std::string host = fake_platform_host_path(data_path("huge.txt").c_str());
    ASSERT_EQ(0, truncate(host.c_str(), 0x100000000LL));  // sparse: costs no disk
    EXPECT_EQ(nullptr, memo_text_read(data_path("huge.txt").c_str()));
    put("huge.ini", "[KELVAN]\r\n");
    EXPECT_EQ(0, memo_file_load(k_main, data_path("huge").c_str()));
    EXPECT_TRUE(registered().empty());
}

TEST_F(StoreTest, SaveRefusesMissingRecordOrText) {
    memo_hwnd stranger = fake_platform_add_window({0, 0, 10, 10});
    EXPECT_EQ(0, memo_file_save(stranger, MEMO_SAVE_ALL));
    memo_hwnd fresh = make_memo("20240102030405", nullptr);
    EXPECT_EQ(0, memo_file_save(fresh, MEMO_SAVE_ALL));
    EXPECT_EQ("<missing>", get("20240102030405.txt"));
    EXPECT_EQ("<missing>", get("20240102030405.ini"));
}

TEST_F(StoreTest, FailedTextWriteIsAFailureAndLeavesTheOldFile) {
    memo_hwnd w = make_memo("m", "old");
    ASSERT_EQ(1, memo_file_save(w, MEMO_SAVE_ALL));
    TRACKED_FREE(record_of(w)->text);
    record_of(w)->text = TRACKED_NEW(char, 4);
    strcpy(record_of(w)->text, "new");
    record_of(w)->color_index = 5;
    fake_platform_fail(FAKE_FAULT_WRITE_TEMP, 1);
    EXPECT_EQ(0, memo_file_save(w, MEMO_SAVE_TEXT | MEMO_SAVE_COLOR));
    EXPECT_EQ("\xEF\xBB\xBF" "old", get("m.txt"));
    EXPECT_NE(std::string::npos, get("m.ini").find("\r\nCOLOR=5\r\n"));  // INI keys still written
    EXPECT_STREQ("new", record_of(w)->text);                            // kept in memory
}

TEST_F(StoreTest, CrashBetweenTemporaryFileAndReplaceLeavesTheOldFile) {
    memo_hwnd w = make_memo("m", "first");
    g_settings.textfile = 0;
    ASSERT_EQ(1, memo_file_save(w, MEMO_SAVE_ALL));
    std::string ini_before = get("m.ini");
    TRACKED_FREE(record_of(w)->text);
    record_of(w)->text = TRACKED_NEW(char, 7);
    strcpy(record_of(w)->text, "second");
    fake_platform_fail(FAKE_FAULT_WRITE_REPLACE, 1);
    EXPECT_EQ(0, memo_file_save(w, MEMO_SAVE_TEXT));
    EXPECT_EQ("first", get("m.txt"));
    EXPECT_EQ("second", get("m.txt.tmp"));  // what the crash left behind

    // The leftover never becomes a memo, and the next save takes it over.
    while (memo_hwnd r = memo_registry_next(nullptr)) memo_registry_remove(r);
    memo_file_scan_folder(k_main, 1);
    ASSERT_EQ(1u, registered().size());
    EXPECT_STREQ("m", record_of(registered()[0])->file_name);
    memo_hwnd again = registered()[0];
    ASSERT_EQ(1, memo_file_save(again, MEMO_SAVE_ALL));
    EXPECT_EQ("<missing>", get("m.txt.tmp"));

    fake_platform_fail(FAKE_FAULT_WRITE_REPLACE, 1);
    EXPECT_EQ(0, memo_file_save(again, MEMO_SAVE_POSITION));
    EXPECT_EQ(ini_before.size(), get("m.ini").size());
    EXPECT_NE("<missing>", get("m.ini.tmp"));
}

TEST_F(StoreTest, PathsThatDoNotFitAreRefusedNotCut) {
    std::string name(250, 'n');  // "C:\app\kelvan\" + name + ".txt" passes 259 bytes
    memo_hwnd w = make_memo(name.c_str(), "text");
    EXPECT_EQ(0, memo_file_save(w, MEMO_SAVE_ALL));
    std::string cut = (std::string(k_data) + "\\" + name + ".txt").substr(0, 259);
    EXPECT_FALSE(fake_platform_exists(cut.c_str()));
    EXPECT_EQ(0, fake_platform_write_count());
}

// --- positions ---------------------------------------------------------------

struct position_case {
    const char* what;
    std::vector<fake_monitor> monitors;
    platform_rect window;
    memo_position stored;
};

TEST_F(StoreTest, PositionsAreStoredAgainstTheDesktopCorner) {
    const fake_monitor hd = {{0, 0, 1920, 1080}, 96};
    position_case cases[] = {
        {"lower right", {hd}, {1700, 900, 1860, 1020}, {60, 60, 160, 120, 4, 1700, 900, 1860, 1020}},
        {"middle of three", {{{0, 0, 1920, 1080}, 96}, {{1920, 0, 3840, 1080}, 96}, {{3840, 0, 5760, 1080}, 96}},
         {2000, 100, 2160, 220}, {80, 100, 160, 120, 2, 2000, 100, 2160, 220}},
        {"left edge on the centre is left", {hd}, {960, 100, 1120, 220}, {960, 100, 160, 120, 2, 960, 100, 1120, 220}},
        {"top edge on the centre is upper", {hd}, {1000, 540, 1160, 660}, {760, 540, 160, 120, 1, 1000, 540, 1160, 660}},
        {"lower left", {hd}, {10, 600, 170, 720}, {10, 360, 160, 120, 3, 10, 600, 170, 720}},
        {"144 dpi truncates", {{{0, 0, 2880, 1620}, 144}}, {100, 100, 341, 281}, {66, 66, 160, 120, 2, 66, 66, 227, 187}},
        {"off the left edge", {hd}, {-50, 10, 110, 130}, {-33, 6, 106, 80, 2, -33, 6, 73, 86}},
    };
    // The off-screen case runs at 144 dpi to check truncation toward zero.
    cases[6].monitors = {{{0, 0, 1920, 1080}, 144}};
    for (const auto& c : cases) {
        fake_platform_set_monitors(c.monitors.data(), (int)c.monitors.size());
        memo_position p;
        placement_stored_position(&c.window, &p);
        EXPECT_EQ(c.stored.x, p.x) << c.what;
        EXPECT_EQ(c.stored.y, p.y) << c.what;
        EXPECT_EQ(c.stored.width, p.width) << c.what;
        EXPECT_EQ(c.stored.height, p.height) << c.what;
        EXPECT_EQ(c.stored.quadrant, p.quadrant) << c.what;
        EXPECT_EQ(c.stored.left, p.left) << c.what;
        EXPECT_EQ(c.stored.top, p.top) << c.what;
        EXPECT_EQ(c.stored.right, p.right) << c.what;
        EXPECT_EQ(c.stored.bottom, p.bottom) << c.what;
    }
}

TEST_F(StoreTest, PositionSaveWritesNineKeysInOrderAndKeepsOtherKeys) {
    memo_hwnd w = make_memo("m", "x", {1700, 900, 1860, 1020});
    record_of(w)->color_index = 3;
    record_of(w)->day = 67;
    record_of(w)->time = 545;
    ASSERT_EQ(1, memo_file_save(w, MEMO_SAVE_POSITION | MEMO_SAVE_COLOR | MEMO_SAVE_STAMP));
    EXPECT_EQ("[KELVAN]\r\nX=60\r\nY=60\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=4\r\nLEFT=1700\r\n"
              "TOP=900\r\nRIGHT=1860\r\nBOTTOM=1020\r\nCOLOR=3\r\nDAY=67\r\nTIME=545\r\n",
              get("m.ini"));
    fake_platform_window_info(w)->rect = {10, 20, 170, 140};
    int writes = fake_platform_write_count();
    ASSERT_EQ(1, memo_file_save(w, MEMO_SAVE_POSITION));
    EXPECT_EQ(writes + 1, fake_platform_write_count());  // one write for nine keys
    EXPECT_EQ("[KELVAN]\r\nX=10\r\nY=20\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=2\r\nLEFT=10\r\n"
              "TOP=20\r\nRIGHT=170\r\nBOTTOM=140\r\nCOLOR=3\r\nDAY=67\r\nTIME=545\r\n",
              get("m.ini"));
}

// Loads one pair and returns the rectangle its window got.
platform_rect load_rect(const std::string& ini) {
    fake_platform_put_file("C:\\app\\kelvan\\p.txt", "text");
    fake_platform_put_file("C:\\app\\kelvan\\p.ini", ini);
    int before = fake_platform_window_count();
    EXPECT_EQ(1, memo_file_load(k_main, "C:\\app\\kelvan\\p"));
    EXPECT_EQ(before + 1, fake_platform_window_count());
    memo_hwnd w = fake_platform_window_at(before);
    platform_rect r = fake_platform_window_info(w)->rect;
    memo_registry_remove(w);
    return r;
}

TEST_F(StoreTest, LoadedMemosComeBackFromTheirCorner) {
    const std::string lower_right = "[KELVAN]\r\nX=60\r\nY=60\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=4\r\n"
                                    "LEFT=1700\r\nTOP=900\r\nRIGHT=1860\r\nBOTTOM=1020\r\n";
    monitors({{{0, 0, 1920, 1080}, 96}});
    expect_rect({1700, 900, 1860, 1020}, load_rect(lower_right), "same screen");
    monitors({{{0, 0, 2560, 1440}, 96}});
    expect_rect({2340, 1260, 2500, 1380}, load_rect(lower_right), "larger screen");

    const std::string middle = "[KELVAN]\r\nX=80\r\nY=100\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=2\r\n"
                               "LEFT=2000\r\nTOP=100\r\nRIGHT=2160\r\nBOTTOM=220\r\n";
    monitors({{{0, 0, 1920, 1080}, 96}, {{1920, 0, 3840, 1080}, 96}, {{3840, 0, 5760, 1080}, 96}});
    expect_rect({80, 100, 240, 220}, load_rect(middle), "three monitors");
    g_settings.absolute = 1;
    expect_rect({2000, 100, 2160, 220}, load_rect(middle), "absolute");
    g_settings.absolute = 0;

    // Upper right on a right-hand monitor that is higher than the primary.
    monitors({{{0, 0, 1920, 1080}, 96}, {{1920, -200, 3840, 880}, 96}});
    expect_rect({3670, -190, 3830, -70},
                load_rect("[KELVAN]\r\nX=10\r\nY=10\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=1\r\n"),
                "upper right");

    monitors({{{0, 0, 2880, 1620}, 144}});
    expect_rect({0, 0, 240, 180},
                load_rect("[KELVAN]\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=2\r\n"), "144 dpi");
    // 241 physical pixels are stored as 160 and come back as 240.
    memo_position p;
    platform_rect wide = {0, 0, 241, 180};
    placement_stored_position(&wide, &p);
    EXPECT_EQ(160, p.width);

    // No QUADRANT: the 100 x 100 rectangle at the origin, whatever the scale.
    monitors({{{0, 0, 1920, 1080}, 96}, {{-1920, 0, 0, 1080}, 144}});
    expect_rect({0, 0, 100, 100}, load_rect("[KELVAN]\r\nX=500\r\nWIDTH=300\r\n"), "no quadrant");
    expect_rect({0, 0, 100, 100}, load_rect(""), "empty INI file");
}

TEST_F(StoreTest, CornerRelativeWindowRectangle) {
    platform_rect r;
    memo_placement where = {memo_geometry::corner, {1, 2, 3, 4}, 10, 20, 160, 120, 4};
    placement_window_rect(&where, &r);
    expect_rect({1750, 940, 1910, 1060}, r, "quadrant 4");
    where.quadrant = 3;
    placement_window_rect(&where, &r);
    expect_rect({10, 940, 170, 1060}, r, "quadrant 3");
    where.quadrant = 7;
    placement_window_rect(&where, &r);
    expect_rect({0, 0, 100, 100}, r, "unknown quadrant");
    where.geometry = memo_geometry::rect;
    placement_window_rect(&where, &r);
    expect_rect({1, 2, 3, 4}, r, "absolute");
    // Values from an edited file never overflow.
    where = {memo_geometry::corner, {0, 0, 0, 0}, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, 4};
    placement_window_rect(&where, &r);
    EXPECT_LE(r.left, r.right);
}

// Values anyone may have typed into a memo's INI file: sizes are held
// between the memo's minimum and the desktop's size, and a memo that would
// lie off every monitor comes back fully onto the nearest one.  The file
// keeps its values: the memo writes them only when it is next saved.
TEST_F(StoreTest, OutOfRangeValuesGiveAMemoOnTheScreen) {
    monitors({{{0, 0, 1920, 1080}, 96}});
    const std::string huge = "[KELVAN]\r\nX=10\r\nY=20\r\nWIDTH=2147483647\r\nHEIGHT=2147483647\r\n"
                             "QUADRANT=2\r\n";
    expect_rect({10, 20, 1930, 1100}, load_rect(huge), "as large as the desktop");
    EXPECT_EQ(huge, get("p.ini")) << "loading writes nothing";
    expect_rect({10, 20, 40, 50},
                load_rect("[KELVAN]\r\nX=10\r\nY=20\r\nWIDTH=0\r\nHEIGHT=-5\r\nQUADRANT=2\r\n"),
                "zero and negative sizes");
    expect_rect({1760, 20, 1920, 140},
                load_rect("[KELVAN]\r\nX=5000\r\nY=20\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=2\r\n"),
                "X=5000 on a 1920-pixel screen");
    expect_rect({1750, 960, 1910, 1080},
                load_rect("[KELVAN]\r\nX=10\r\nY=-500\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=4\r\n"),
                "below the bottom edge");
    // Partly on the screen is reachable: it stays where it was put.
    expect_rect({-100, 20, 60, 140},
                load_rect("[KELVAN]\r\nX=-100\r\nY=20\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=2\r\n"),
                "partly visible");
    g_settings.absolute = 1;
    expect_rect({1890, 0, 1920, 30},
                load_rect("[KELVAN]\r\nLEFT=9000\r\nTOP=-9000\r\nRIGHT=100\r\nBOTTOM=-8990\r\n"),
                "absolute: inverted and off the screen");
    g_settings.absolute = 0;
}

}  // namespace
