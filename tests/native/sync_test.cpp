// Memos shared with other computers through the data folder: the check
// before a text write, and what a change of the folder leads to.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "memo_file.h"
#include "save_queue.h"
#include "memo_registry.h"
#include "memo_sync.h"
#include "settings.h"
#include "tracked_memory.h"
#include "native_test_support.h"

namespace {

using native_test::k_data;
using native_test::k_main;
const char k_ini[] = "[KELVAN]\r\nX=100\r\nY=100\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=2\r\n"
                     "COLOR=3\r\nDAY=67\r\nTIME=545\r\n";

class SyncTest : public native_test::StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        g_settings.textfile = 0;  // the bytes on disk are the text
    }

    static std::string path(const std::string& name) { return std::string(k_data) + "\\" + name; }
    static std::string host(const std::string& name) { return fake_platform_host_path(path(name).c_str()); }
    static void put(const std::string& name, const std::string& bytes) {
        fake_platform_put_file(path(name).c_str(), bytes);
    }
    static std::string get(const std::string& name) {
        std::string bytes;
        return fake_platform_get_file(path(name).c_str(), &bytes) ? bytes : "<missing>";
    }
    // The memo "m" with text, read from its files as at start-up.
    static memo_hwnd load(const std::string& text) {
        put("m.txt", text);
        put("m.ini", k_ini);
        EXPECT_EQ(1, memo_file_load(k_main, path("m").c_str()));
        return memo_registry_next(nullptr);
    }
    static void set_text(memo_hwnd w, const char* text) { native_test::set_record_text(record_of(w), text); }
    static std::vector<std::string> texts() {
        std::vector<std::string> list;
        for (memo_hwnd w = memo_registry_next(nullptr); w; w = memo_registry_next(w)) {
            list.push_back(record_of(w)->text);
        }
        return list;
    }
    // The notices the memos were sent, as their kinds.
    static std::vector<uintptr_t> notices() {
        std::vector<uintptr_t> kinds;
        for (memo_hwnd w = memo_registry_next(nullptr); w; w = memo_registry_next(w)) {
            for (const fake_message& m : fake_platform_window_info(w)->messages) {
                if (m.message == MEMO_MSG_KEPT_COPY) kinds.push_back(m.wparam);
            }
        }
        return kinds;
    }
    // Another computer's write: new bytes with the old size and the old
    // last-write time, as a client that copies the time along may leave it.
    static void rewrite_keeping_time(const std::string& name, const std::string& bytes) {
        struct stat before;
        ASSERT_EQ(0, stat(host(name).c_str(), &before));
        put(name, bytes);
        struct timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(0, utimensat(AT_FDCWD, host(name).c_str(), times, 0));
    }
    static void replace_by_rename(const std::string& name, const std::string& bytes) {
        put(name + ".sync", bytes);
        ASSERT_EQ(0, rename(host(name + ".sync").c_str(), host(name).c_str()));
    }
};

// The four ways a text file changes under a memo, met by an edit here.
TEST_F(SyncTest, TextWriteKeepsWhatAnotherComputerWroteAsAMemoBeside) {
    struct {
        const char* name;
        void (*change)();
        std::vector<std::string> memos;  // texts on screen afterwards
    } cases[] = {
        {"untouched", [] {}, {"mine"}},
        {"same size and time, other bytes", [] { rewrite_keeping_time("m.txt", "BA\nSE"); },
         {"mine", "BA\nSE"}},
        // Saved again elsewhere with other line ends and a mark: no conflict.
        {"same text, other form", [] { replace_by_rename("m.txt", "\xEF\xBB\xBF" "ba\r\nse"); },
         {"mine"}},
        {"replaced by rename", [] { replace_by_rename("m.txt", "theirs"); }, {"mine", "theirs"}},
        // Peeled off there and edited here: it comes back with this text.
        {"deleted", [] { remove(host("m.txt").c_str()); remove(host("m.ini").c_str()); }, {"mine"}},
        // Nothing to keep in an empty file.
        {"truncated to zero", [] { put("m.txt", ""); }, {"mine"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake_platform_reset();
        settings_load(k_main);
        g_settings.textfile = 0;
        memo_hwnd w = load("ba\nse");
        c.change();
        set_text(w, "mine");
        EXPECT_EQ(1, memo_file_save(w, MEMO_SAVE_ALL));
        EXPECT_EQ("mine", get("m.txt"));
        EXPECT_NE("<missing>", get("m.ini"));
        EXPECT_EQ(c.memos, texts());
        if (c.memos.size() == 2) {
            memo_hwnd kept = memo_registry_next(w);
            const char* name = record_of(kept)->file_name;
            EXPECT_EQ(c.memos[1], get(std::string(name) + ".txt")) << "the other bytes as they were";
            EXPECT_EQ(3, record_of(kept)->color_index) << "the other computer's keys";
            platform_rect a, b;
            platform_window_rect(w, &a);
            platform_window_rect(kept, &b);
            EXPECT_EQ(a.right + 10, b.left) << "beside the original";
            EXPECT_EQ(a.top, b.top);
            EXPECT_EQ(std::vector<uintptr_t>({MEMO_KEPT_OTHER_EDIT}), notices());
        } else {
            EXPECT_TRUE(notices().empty());
        }
        while (memo_hwnd m = memo_registry_next(nullptr)) memo_registry_remove(m);
    }
}

// A file that cannot be read may hold anything: it is not replaced.
TEST_F(SyncTest, UnreadableTextFileIsNotReplaced) {
    memo_hwnd w = load("base");
    replace_by_rename("m.txt", "theirs");
    set_text(w, "mine");
    fake_platform_fail(FAKE_FAULT_READ, 1);
    EXPECT_EQ(0, memo_file_save(w, MEMO_SAVE_ALL));
    EXPECT_EQ("theirs", get("m.txt"));
    EXPECT_EQ(0, memo_file_retry_pending()) << "tried again later";
    EXPECT_EQ(std::vector<std::string>({"mine", "theirs"}), texts());
}

TEST_F(SyncTest, PositionAndColourSavesLeaveTheTextAndAPeeledMemoAlone) {
    memo_hwnd w = load("base");
    replace_by_rename("m.txt", "theirs");
    EXPECT_EQ(1, memo_file_save(w, MEMO_SAVE_POSITION | MEMO_SAVE_COLOR));
    EXPECT_EQ("theirs", get("m.txt"));
    remove(host("m.txt").c_str());
    remove(host("m.ini").c_str());
    EXPECT_EQ(1, memo_file_save(w, MEMO_SAVE_POSITION));
    EXPECT_EQ("<missing>", get("m.ini")) << "no lone INI file";
}

TEST_F(SyncTest, FolderChangesFromOutsideRefreshOwnWritesDoNot) {
    memo_hwnd w = load("base");
    EXPECT_EQ(0, memo_sync_folder_changed(k_main));
    EXPECT_EQ(1, memo_file_save(w, MEMO_SAVE_POSITION));
    set_text(w, "mine");
    EXPECT_EQ(1, memo_file_save(w, MEMO_SAVE_ALL));
    EXPECT_EQ(0, memo_sync_folder_changed(k_main)) << "its own writes";
    int32_t refreshes = memo_sync_refresh_count();

    replace_by_rename("m.txt", "theirs");
    EXPECT_EQ(1, memo_sync_folder_changed(k_main));
    EXPECT_EQ(std::vector<std::string>({"theirs"}), texts());

    // Another colour and another place: the colour comes, the place stays.
    platform_rect before, after;
    platform_window_rect(w, &before);
    std::string ini = k_ini;
    ini.replace(ini.find("COLOR=3"), 7, "COLOR=5");
    ini.replace(ini.find("X=100"), 5, "X=700");
    put("m.ini", ini);
    put("n.txt", "new");
    put("n.ini", k_ini);
    EXPECT_EQ(1, memo_sync_folder_changed(k_main));
    EXPECT_EQ(std::vector<std::string>({"theirs", "new"}), texts());
    EXPECT_EQ(5, record_of(w)->color_index);
    platform_window_rect(w, &after);
    EXPECT_EQ(before.left, after.left);

    remove(host("n.txt").c_str());
    EXPECT_EQ(1, memo_sync_folder_changed(k_main));
    EXPECT_EQ(0, memo_sync_folder_changed(k_main)) << "a missing file is noted once";
    EXPECT_EQ(std::vector<std::string>({"theirs", "new"}), texts()) << "a refresh closes nothing";
    EXPECT_EQ(refreshes + 3, memo_sync_refresh_count());
}

// A failing client that empties the file must not wipe the memo.
TEST_F(SyncTest, TextFileTruncatedToZeroKeepsTheTextAsAMemo) {
    load("base");
    put("m.txt", "");
    EXPECT_EQ(1, memo_sync_folder_changed(k_main));
    EXPECT_EQ(std::vector<std::string>({"", "base"}), texts());
    EXPECT_EQ(std::vector<uintptr_t>({MEMO_KEPT_BEFORE_EMPTY}), notices());
}

TEST_F(SyncTest, AMemoBeingEditedMeetsTheChangeWhenTheEditEnds) {
    memo_hwnd w = load("base");
    record_of(w)->editing = 1;
    replace_by_rename("m.txt", "theirs");
    EXPECT_EQ(0, memo_sync_folder_changed(k_main));
    EXPECT_EQ(std::vector<std::string>({"base"}), texts());
    record_of(w)->editing = 0;
    memo_sync_edit_ended(k_main, w);
    EXPECT_EQ(std::vector<std::string>({"theirs"}), texts());
    EXPECT_EQ(0, memo_sync_folder_changed(k_main));
}

}  // namespace
