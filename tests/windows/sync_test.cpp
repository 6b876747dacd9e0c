// Keeping memos in step with a shared folder, against the real system: the
// folder watch thread and its change notices, the conflict notice on a
// memo, and a memo held back by its open edit box.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <set>
#include <string>
#include <vector>

#include "folder_watch.h"
#include "memo_file.h"
#include "memo_sync.h"
#include "memo_test_support.h"
#include "probe_support.h"
#include "sync_notice.h"

namespace {

std::atomic<int> s_posts(0);
int s_wholes = 0;
std::vector<std::string> s_names;

// Takes what the watch collected, as the main window does.
LRESULT CALLBACK counting_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == MSG_FOLDER_CHANGED) {
        s_posts++;
        folder_watch_changes changes;
        if (folder_watch_take(&changes)) {
            s_wholes += changes.whole;
            s_names.insert(s_names.end(), changes.names, changes.names + changes.count);
            folder_watch_release(&changes);
        }
        return 1;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

using memo_test::remove_folder;
using memo_test::write_file;

// As a synchronising client writes: a new file renamed over the old one.
void replace_file(const std::string& path, const std::string& bytes) {
    write_file(path + ".part", bytes);
    ASSERT_TRUE(MoveFileExA((path + ".part").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
}

TEST(FolderWatch, PostsOnceABurstSettlesAndWatchesAFolderThatComesBack) {
    std::string folder = memo_test::make_data_folder("kelvane-watch");
    HWND window = memo_test::create_test_window("KelvaneWatchTest", counting_proc, WS_POPUP, 0, 0, 0, 0);
    s_posts = 0;
    s_names.clear();
    ASSERT_EQ(1, folder_watch_start(window, folder.c_str()));
    // One look at what changed before the watch began, then silence.
    EXPECT_TRUE(memo_test::pump_until([] { return s_posts > 0; }, 5000));
    memo_test::pump_for(600);
    EXPECT_EQ(1, s_posts.load()) << "nothing changed";
    s_posts = 0;

    for (int i = 0; i < 100; i++) write_file(folder + "\\burst" + std::to_string(i) + ".txt", "x");
    EXPECT_TRUE(memo_test::pump_until([] { return s_posts > 0; }, 5000));
    memo_test::pump_for(1500);
    EXPECT_GE(2, s_posts.load()) << "one post per burst (two when it outlasts the longest wait)";
    EXPECT_EQ(100u, std::set<std::string>(s_names.begin(), s_names.end()).size())
        << "the files are named";

    // A client's downloads and our own temporary files wake nothing: the
    // next post names only the memo file written after them.
    s_names.clear();
    for (int i = 0; i < 30; i++) {
        write_file(folder + "\\~syncthing~m" + std::to_string(i) + ".txt.tmp", "x");
        write_file(folder + "\\m" + std::to_string(i) + ".txt.part", "x");
        write_file(folder + "\\m" + std::to_string(i) + ".txt.tmp", "x");
    }
    write_file(folder + "\\sentinel.ini", "x");
    EXPECT_TRUE(memo_test::pump_until([] { return !s_names.empty(); }, 5000));
    EXPECT_EQ(std::vector<std::string>{"sentinel.ini"}, s_names);

    remove_folder(folder);
    memo_test::pump_for(1500);
    int before = s_posts;
    CreateDirectoryA(folder.c_str(), nullptr);
    write_file(folder + "\\back.txt", "x");
    EXPECT_TRUE(memo_test::pump_until([before] { return s_posts > before; }, 5000)) << "watched again";
    memo_test::pump_for(1500);
    before = s_posts;
    write_file(folder + "\\again.txt", "x");
    EXPECT_TRUE(memo_test::pump_until([before] { return s_posts > before; }, 5000));

    folder_watch_stop();
    EXPECT_EQ(0, folder_watch_running());
    memo_test::pump_for(100);
    before = s_posts;
    write_file(folder + "\\after.txt", "x");
    memo_test::pump_for(1500);
    EXPECT_EQ(before, s_posts.load()) << "nothing after the stop";
    DestroyWindow(window);
    remove_folder(folder);
}

// A watch thread that ends on an error is started again when its end is
// taken, and the whole folder is looked at; the stop comes back at once.
TEST(FolderWatch, AThreadThatEndedIsStartedAgain) {
    std::string folder = memo_test::make_data_folder("kelvane-watch-again");
    HWND window =
        memo_test::create_test_window("KelvaneWatchAgain", counting_proc, WS_POPUP, 0, 0, 0, 0);
    s_wholes = 0;
    s_names.clear();
    ASSERT_EQ(1, folder_watch_start(window, folder.c_str()));
    EXPECT_TRUE(memo_test::pump_until([] { return s_wholes == 1; }, 5000));
    folder_watch_fail_for_test();
    // Its end, then the look of the new thread, whose reads are pending.
    EXPECT_TRUE(memo_test::pump_until([] { return s_wholes >= 3; }, 5000)) << "started again";
    EXPECT_EQ(1, folder_watch_running());
    write_file(folder + "\\again.txt", "x");
    EXPECT_TRUE(memo_test::pump_until([] { return !s_names.empty(); }, 5000)) << "watched again";
    DWORD start = GetTickCount();
    folder_watch_stop();
    EXPECT_GT(1000u, GetTickCount() - start);
    EXPECT_EQ(0, folder_watch_running());
    DestroyWindow(window);
    remove_folder(folder);
}

class MemoSyncWinTest : public memo_test::MemoTest {
protected:
    void TearDown() override {
        MemoTest::TearDown();
        remove_folder(folder);
    }
    HWND load_memo(const char* text) {
        write_file(folder + "\\m.txt", text);
        write_file(folder + "\\m.ini", "[KELVAN]\r\nX=300\r\nY=300\r\nQUADRANT=2\r\nCOLOR=1\r\n");
        EXPECT_EQ(1, memo_file_load(owner, (folder + "\\m").c_str()));
        return memo_registry_next(nullptr);
    }
};

TEST_F(MemoSyncWinTest, ConflictNoticeIsABalloonOnTheMemo) {
    HWND memo = load_memo("kept");
    ASSERT_NE(nullptr, memo);
    EXPECT_EQ(1, SendMessageA(memo, MEMO_MSG_KEPT_COPY, MEMO_KEPT_OTHER_EDIT, 0));
    HWND balloon = nullptr;
    for (HWND tip : probe_windows(TOOLTIPS_CLASSA, memo, true)) {
        if (GetWindowLongA(tip, GWL_STYLE) & TTS_BALLOON) balloon = tip;
    }
    ASSERT_NE(nullptr, balloon);
    wchar_t text[512] = L"";
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = memo;
    tool.uId = 1;
    tool.lpszText = text;
    SendMessageW(balloon, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(sync_notice_text(MEMO_KEPT_OTHER_EDIT), text);
    EXPECT_STRNE(sync_notice_text(MEMO_KEPT_OTHER_EDIT), sync_notice_text(MEMO_KEPT_BEFORE_EMPTY));
    ShowWindow(memo, SW_HIDE);
    EXPECT_EQ(0, SendMessageA(memo, MEMO_MSG_KEPT_COPY, MEMO_KEPT_BEFORE_EMPTY, 0)) << "nothing to point at";
    memo_test::destroy_memo(memo);
    EXPECT_FALSE(IsWindow(balloon)) << "it goes with the memo";
}

// The open edit box holds the memo back from a refresh; closing it without
// a new text brings the memo up to date.
TEST_F(MemoSyncWinTest, EditBoxHoldsTheMemoBackUntilItCloses) {
    HWND memo = load_memo("base");
    ASSERT_NE(nullptr, memo);
    SendMessageA(memo, WM_COMMAND, MEMO_CMD_EDIT, 0);
    std::vector<HWND> boxes = probe_windows(EDIT_BOX_CLASS, memo);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(1, memo_test::record_of(memo)->editing);
    replace_file(folder + "\\m.txt", "theirs");
    EXPECT_EQ(0, memo_sync_folder_changed(owner));
    EXPECT_STREQ("base", memo_test::record_of(memo)->text);
    SendMessageA(boxes[0], WM_CLOSE, 0, 0);
    EXPECT_TRUE(memo_test::pump_until([memo] { return memo_test::record_of(memo)->editing == 0; }));
    EXPECT_STREQ("theirs", memo_test::record_of(memo)->text);
}

}  // namespace
