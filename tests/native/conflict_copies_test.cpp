// A sync client's conflict copies of memo files: each text copy shows once
// as a memo of its own, at start-up, on refresh and live; every computer
// makes the same pair of it, so they end with one memo; and a change from
// outside costs what changed, whatever the number of memos.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "conflict_copies.h"
#include "memo_file.h"
#include "memo_sync.h"
#include "native_test_support.h"

namespace {

using native_test::k_main;
const std::string k_memo = "20240101000001";
const char k_keys[] =
    "[KELVAN]\r\nX=100\r\nY=50\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=2\r\nLEFT=100\r\nTOP=50\r\n"
    "RIGHT=260\r\nBOTTOM=170\r\nCOLOR=3\r\nDAY=67\r\nTIME=545\r\n";

class ConflictCopyTest : public native_test::StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        g_settings.textfile = 0;
        put(k_memo + ".txt", "original");
        put(k_memo + ".ini", k_keys);
    }
    static std::vector<std::string> texts() {
        std::vector<std::string> list;
        for (memo_hwnd w : registered()) list.push_back(record_of(w)->text);
        std::sort(list.begin(), list.end());
        return list;
    }
    static std::vector<std::string> files() {
        std::vector<std::string> names;
        platform_list_folder(
            g_settings.path, "*",
            [](const platform_folder_entry* e, void* context) {
                if (!e->is_folder)
                    static_cast<std::vector<std::string>*>(context)->push_back(e->name);
            },
            &names);
        std::sort(names.begin(), names.end());
        return names;
    }
    static int copy_notices() {
        int count = 0;
        for (memo_hwnd w : registered()) {
            for (const fake_message& m : fake_platform_window_info(w)->messages) {
                count += m.message == MEMO_MSG_KEPT_COPY && m.wparam == MEMO_KEPT_CLIENT_COPY;
            }
        }
        return count;
    }
    static uint64_t write_time(const std::string& name) {
        platform_file_stamp stamp;
        platform_stat_file(data_path(name).c_str(), &stamp);
        return stamp.write_time;
    }
};

// Beside the original at 100, 50: to its right, a step down or not.
void expect_beside(memo_hwnd w) {
    platform_rect r;
    platform_window_rect(w, &r);
    EXPECT_EQ(270, r.left);
    EXPECT_EQ(0, (r.top - 50) % 24);
}

TEST_F(ConflictCopyTest, EveryTextCopyShowsOnceBesideItsMemoAndTheClientsFilesGo) {
    const std::string copies[] = {
        " (PC01's conflicted copy 2026-12-09).txt",
        " (PC01 のコンフリクトしたコピー 2026-12-09).txt",
        "-DESKTOP-7K2Q9.txt",
        " (1).txt",
        ".sync-conflict-20261209-101010-ABCDEFG.txt",
        ".sync-conflict-20261209-101011-HIJKLMN.txt",
        " (conflicted copy 2026-12-09 101010).txt",
        " (SFConflict user@example.com 2026-12-09-10-10-10).txt",
    };
    std::vector<std::string> expected;
    for (size_t i = 0; i < 8; i++) {
        put(k_memo + copies[i], "copy " + std::to_string(i));
        expected.push_back("copy " + std::to_string(i));
    }
    // The INI of one text copy (its marker), an INI copy alone, a copy of
    // the original's text and an empty one: none makes a memo.
    put(k_memo + ".sync-conflict-20261209-101011-HIJKLMN.ini", "[KELVAN]\r\nCOLOR=5\r\n");
    put(k_memo + " (2).ini", "[KELVAN]\r\nCOLOR=6\r\n");
    put(k_memo + " (3).txt", "\xEF\xBB\xBForiginal");
    put(k_memo + ".txt.conflict1", "");
    memo_file_scan_folder(k_main, 1);

    expected.push_back("original");
    EXPECT_EQ(expected, texts());
    EXPECT_EQ(8, copy_notices());
    EXPECT_EQ(12u, fake_platform_recycled().size());
    EXPECT_EQ(18u, files().size()) << "nine pairs and nothing else";
    for (memo_hwnd w : registered()) {
        const memo_record* r = record_of(w);
        EXPECT_EQ(3, r->color_index) << "the original's colour";
        if (k_memo == r->file_name) continue;
        EXPECT_TRUE(conflict_copies_made_name(r->file_name));
        EXPECT_EQ(r->text, get(std::string(r->file_name) + ".txt")) << "the copy's bytes";
        expect_beside(w);
    }
    EXPECT_EQ(0, memo_file_scan(k_main, MEMO_LOOK_CHANGED)) << "nothing left to take";
}

TEST_F(ConflictCopyTest, ACopyArrivingLaterShowsOnRefreshAndLive) {
    memo_file_scan_folder(k_main, 1);
    const std::string name = k_memo + " (PC01's conflicted copy 2026-12-09).txt";
    put(name, "on refresh");
    memo_file_scan_folder(k_main, 0);
    const std::string live = k_memo + ".sync-conflict-20261209-101010-ABCDEFG.txt";
    put(live, "live");
    const char* names[] = {live.c_str()};
    EXPECT_EQ(1, memo_sync_files_changed(k_main, names, 1));
    EXPECT_EQ((std::vector<std::string>{"live", "on refresh", "original"}), texts());
    EXPECT_EQ(2, copy_notices());
    EXPECT_EQ(6u, files().size());
}

// Computers A and B each convert the copy the client left on both; C sees
// A's pair arrive before it looks.  All make one pair, byte for byte and
// with one last-write time, so the client meets no conflict and every
// screen shows one memo of it.
TEST_F(ConflictCopyTest, EveryComputerMakesTheSamePairSoTheyEndWithOneMemo) {
    const std::string copy = k_memo + ".sync-conflict-20261209-203055-6ABMOO6.txt";
    put(copy, "edit on A");
    const uint64_t copy_time = write_time(copy) - 12345;
    platform_set_write_time(data_path(copy).c_str(), copy_time);
    memo_file_scan_folder(k_main, 1);
    std::vector<std::string> names = files();
    ASSERT_EQ(4u, names.size());
    const std::string made = names[2].substr(0, names[2].size() - 4);
    ASSERT_TRUE(conflict_copies_made_name(made.c_str()));
    const std::string text = get(made + ".txt"), ini = get(made + ".ini");
    EXPECT_EQ(copy_time, write_time(made + ".txt"));
    EXPECT_EQ(copy_time, write_time(made + ".ini"));

    for (bool pair_arrived : {false, true}) {
        SCOPED_TRACE(pair_arrived ? "C, after A's pair came" : "B");
        forget_memos();
        fake_platform_reset();
        settings_load(k_main);
        put(k_memo + ".txt", "original");
        put(k_memo + ".ini", k_keys);
        put(copy, "edit on A");
        platform_set_write_time(data_path(copy).c_str(), copy_time);
        if (pair_arrived) {
            put(made + ".txt", text);
            put(made + ".ini", ini);
        }
        memo_file_scan_folder(k_main, 1);
        EXPECT_EQ((std::vector<std::string>{"edit on A", "original"}), texts());
        EXPECT_EQ(text, get(made + ".txt"));
        EXPECT_EQ(ini, get(made + ".ini"));
        EXPECT_EQ(names, files());
    }
}

// One memo's INI replaced by another computer, and the program's own save:
// each costs the same looks at the disk with 50 memos as with 500.
TEST_F(ConflictCopyTest, ANamedChangeCostsWhatChangedWhateverTheNumberOfMemos) {
    int costs[2];
    for (int size : {50, 500}) {
        for (int i = 0; i < size; i++) {
            put("m" + std::to_string(i) + ".txt", "text");
            put("m" + std::to_string(i) + ".ini", k_keys);
        }
        memo_file_scan_folder(k_main, 1);
        memo_record* record;
        memo_hwnd w = memo_registry_find_name("m7", &record);
        ASSERT_NE(nullptr, w);
        ASSERT_EQ(1, memo_file_save(w, MEMO_SAVE_ALL));
        const char* own[] = {"m7.txt.tmp", "m7.txt", "m7.ini.tmp", "m7.ini"};
        int refreshes = memo_sync_refresh_count();
        int looks = fake_platform_looks();
        EXPECT_EQ(0, memo_sync_files_changed(k_main, own, 4)) << "its own write";
        EXPECT_EQ(5, fake_platform_looks() - looks) << "the folder, a stamp of each file twice";

        std::string keys = k_keys;
        keys.replace(keys.find("COLOR=3"), 7, "COLOR=5");
        put("m7.ini", keys);
        const char* theirs[] = {"m7.ini"};
        looks = fake_platform_looks();
        EXPECT_EQ(1, memo_sync_files_changed(k_main, theirs, 1));
        costs[size == 500] = fake_platform_looks() - looks;
        EXPECT_EQ(5, record->color_index);
        EXPECT_EQ(refreshes + 1, memo_sync_refresh_count());
        forget_memos();
    }
    EXPECT_EQ(costs[0], costs[1]);
}

}  // namespace
