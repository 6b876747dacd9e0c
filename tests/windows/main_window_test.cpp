// The main window's procedure in this process, under the real window
// manager: commands, tray notifications, the topmost guard, WM_COPYDATA
// text handling and the hidden-mode notice.
#include <gtest/gtest.h>

#include <windows.h>

#include <string.h>

#include <atomic>
#include <string>
#include <thread>

#include "main_window.h"
#include "memo_registry.h"
#include "tracked_memory.h"
#include "settings.h"
#include "memo_test_support.h"
#include "scoped.h"

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    HWND hwnd = nullptr;

    // The main window keeps config.ini and its data folder beside the
    // program; every test starts from a first start, except that the
    // welcome dialog, which would wait for a click, is already declined.
    static void forget_earlier_runs() {
        char folder[MAX_PATH];
        GetModuleFileNameA(nullptr, folder, sizeof folder);
        *strrchr(folder, '\\') = '\0';
        std::string base = folder;
        DeleteFileA((base + "\\config.ini").c_str());
        WritePrivateProfileStringA("KELVAN", "DIALOG", "0", (base + "\\config.ini").c_str());
        memo_test::empty_folder(base + "\\kelvan");
    }

    void SetUp() override {
        forget_earlier_runs();
        main_window_register_class(GetModuleHandleA(nullptr));
        hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, MAIN_WINDOW_CLASS, "", WS_POPUP, 0, 0, 0, 0,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, hwnd);
        ASSERT_EQ(hwnd, g_main_window);
        drain();
    }
    // The shutdown sequence also takes the tray icon away.
    void TearDown() override {
        if (IsWindow(hwnd)) {
            g_settings.topmost = 0;
            SendMessageA(hwnd, MSG_SHUTDOWN, 0, 0);
        }
        EXPECT_FALSE(IsWindow(hwnd));
        drain();
    }
    // Empties this thread's queue, returning the WM_COMMAND words posted to
    // the main window, in order.
    std::string drain() {
        std::string commands;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == hwnd && msg.message == WM_COMMAND) {
                char word[16];
                snprintf(word, sizeof word, "%s%#lx", commands.empty() ? "" : ",",
                         static_cast<unsigned long>(msg.wParam));
                commands += word;
            } else if (msg.message != WM_QUIT) {
                DispatchMessageA(&msg);
            }
        }
        return commands;
    }
    LRESULT command(WPARAM word) { return SendMessageA(hwnd, WM_COMMAND, word, 0); }
};

TEST_F(MainWindowTest, CommandsWithoutMemosAndUnknownCommands) {
    EXPECT_EQ(0, command(CMD_ACTIVATE_FIRST));
    EXPECT_EQ(1, command(MAKEWPARAM(CMD_FOCUS_MEMO, 5)));  // past the end: nothing, still 1
    EXPECT_EQ(0, command(CMD_REFRESH));
    EXPECT_EQ(1, command(CMD_FOREGROUND));
    for (WPARAM unknown : {0, 1, 12, 13, 0xFFFF, 40008, 40010}) {
        EXPECT_EQ(0, command(unknown)) << unknown;
    }
    EXPECT_EQ("", drain());
}

TEST_F(MainWindowTest, ToggleShowFlipsTheShownFlag) {
    g_settings.show = 1;
    EXPECT_EQ(1, command(CMD_TOGGLE_SHOW));
    EXPECT_EQ(0, g_settings.show);
    EXPECT_EQ(0, command(CMD_REFRESH)) << "refresh while hidden does nothing";
    EXPECT_EQ(1, command(CMD_TOGGLE_SHOW));
    EXPECT_EQ(1, g_settings.show);
}

TEST_F(MainWindowTest, TrayNotificationsPostTheirCommands) {
    g_settings.tasktrayicondoubleclick = 0;
    EXPECT_EQ(1, SendMessageA(hwnd, MSG_TRAY_NOTIFY, 0, WM_LBUTTONDOWN));
    EXPECT_EQ(1, SendMessageA(hwnd, MSG_TRAY_NOTIFY, 0, WM_LBUTTONUP));
    EXPECT_EQ(1, SendMessageA(hwnd, MSG_TRAY_NOTIFY, 0, WM_LBUTTONDBLCLK));
    EXPECT_EQ(1, SendMessageA(hwnd, MSG_TRAY_NOTIFY, 0, WM_MOUSEMOVE));
    EXPECT_EQ(1, SendMessageA(hwnd, MSG_TRAY_NOTIFY, 0, WM_RBUTTONUP));
    EXPECT_EQ("0x5,0x6,0x10003", drain());

    g_settings.tasktrayicondoubleclick = 1;
    EXPECT_EQ(1, SendMessageA(hwnd, MSG_TRAY_NOTIFY, 0, WM_LBUTTONDBLCLK));
    EXPECT_EQ("0x8", drain());
    g_settings.tasktrayicondoubleclick = 2;  // any other value creates a memo
    SendMessageA(hwnd, MSG_TRAY_NOTIFY, 0, WM_LBUTTONDBLCLK);
    EXPECT_EQ("0x10003", drain());
}

TEST_F(MainWindowTest, TransparencyIsAnsweredSignExtended) {
    g_settings.transparency = 200;
    EXPECT_EQ(200, SendMessageA(hwnd, MSG_GET_TRANSPARENCY, 0, 0));
    g_settings.transparency = -3;
    EXPECT_EQ(-3, SendMessageA(hwnd, MSG_GET_TRANSPARENCY, 0, 0));
    g_settings.transparency = 200;
}

TEST_F(MainWindowTest, TopmostIsReassertedOnlyWhenAsked) {
    g_settings.topmost = 0;
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(0, GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);

    g_settings.topmost = 1;
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    // Leaving the band is undone by the window itself.
    SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_NE(0, GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);

    WINDOWPOS pos;
    ZeroMemory(&pos, sizeof pos);
    pos.hwnd = hwnd;
    pos.flags = SWP_NOZORDER | SWP_NOMOVE;
    EXPECT_EQ(0, SendMessageA(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos)));
    pos.flags = SWP_NOMOVE | SWP_NOSIZE;
    EXPECT_EQ(1, SendMessageA(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos)));
    g_settings.topmost = 0;
    pos.flags = SWP_NOZORDER;
    EXPECT_EQ(1, SendMessageA(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos)));
}

std::string copydata(const void* bytes, DWORD size) {
    COPYDATASTRUCT data;
    data.dwData = 0;
    data.cbData = size;
    data.lpData = const_cast<void*>(bytes);
    char* text = main_window_copydata_text(&data);
    std::string result = text;
    TRACKED_FREE(text);
    return result;
}

TEST_F(MainWindowTest, CopyDataTextIsBoundedAndValidUtf8) {
    EXPECT_EQ(u8"付箋です", copydata(u8"付箋です", sizeof u8"付箋です"));
    // No terminator: stop at cbData, never read beyond it.
    EXPECT_EQ("abc", copydata("abcdef", 3));
    EXPECT_EQ("ab", copydata("ab\0cd", 5));
    EXPECT_EQ("", copydata("abc", 0));
    EXPECT_EQ("", copydata(nullptr, 10));
    char* empty = main_window_copydata_text(nullptr);
    EXPECT_STREQ("", empty);
    TRACKED_FREE(empty);
    // Each invalid sequence becomes U+FFFD (EF BF BD).
    EXPECT_EQ("a\xEF\xBF\xBD" "b", copydata("a\xFF" "b", 3));
    EXPECT_EQ("\xEF\xBF\xBD", copydata("\xE3\x81", 2)) << "a cut-off sequence";

    // The exact page end: any read past cbData faults.
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    char* pages = static_cast<char*>(
        VirtualAlloc(nullptr, info.dwPageSize * 2, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(nullptr, pages);
    DWORD old;
    VirtualProtect(pages + info.dwPageSize, info.dwPageSize, PAGE_NOACCESS, &old);
    char* tail = pages + info.dwPageSize - 5;
    memcpy(tail, "hello", 5);
    EXPECT_EQ("hello", copydata(tail, 5));
    VirtualFree(pages, 0, MEM_RELEASE);
}

// Peels a memo the test made: its files and its registry entry go.
void remove_memo(HWND memo) {
    memo_record* record = static_cast<memo_record*>(memo_registry_find(memo));
    if (record) {
        for (const char* extension : {"txt", "ini"}) {
            char path[MAX_PATH];
            snprintf(path, sizeof path, "%s\\%s.%s", g_settings.path, record->file_name,
                     extension);
            DeleteFileA(path);
        }
    }
    DestroyWindow(memo);
    memo_registry_remove(memo);
}

TEST_F(MainWindowTest, CopyDataBecomesAMemoOwningItsText) {
    g_settings.show = 1;
    uint64_t before = tracked_live_count();
    COPYDATASTRUCT data = {0, 4, const_cast<char*>("a\xFF" "bc")};  // no terminator
    HWND memo = reinterpret_cast<HWND>(
        SendMessageA(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)));
    ASSERT_NE(nullptr, memo);
    EXPECT_EQ(hwnd, GetWindow(memo, GW_OWNER));
    memo_record* record = static_cast<memo_record*>(memo_registry_find(memo));
    ASSERT_NE(nullptr, record);
    EXPECT_STREQ("a\xEF\xBF\xBD" "bc", record->text);
    EXPECT_TRUE(IsWindowVisible(memo));
    remove_memo(memo);
    drain();
    EXPECT_EQ(before, tracked_live_count()) << "the text went with the memo";
}

// A memo left off every monitor (its monitor went away) comes back onto
// the nearest one when the display changes and on a refresh; its INI file
// keeps the stored place until the memo is saved again.
TEST_F(MainWindowTest, DisplayChangeAndRefreshBringBackMemosOffEveryMonitor) {
    g_settings.show = 1;
    COPYDATASTRUCT data = {0, 4, const_cast<char*>("far")};
    HWND memo = reinterpret_cast<HWND>(
        SendMessageA(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)));
    ASSERT_NE(nullptr, memo);
    memo_record* record = static_cast<memo_record*>(memo_registry_find(memo));
    ASSERT_NE(nullptr, record);
    char ini[MAX_PATH];
    snprintf(ini, sizeof ini, "%s\\%s.ini", g_settings.path, record->file_name);
    const int far_x = GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN) + 500;
    for (UINT message : {static_cast<UINT>(WM_DISPLAYCHANGE), static_cast<UINT>(WM_COMMAND)}) {
        // Where the memo was put on a larger desktop: saved like any move.
        SetWindowPos(memo, nullptr, far_x, 100, 160, 120, SWP_NOZORDER | SWP_NOACTIVATE);
        std::string stored = memo_test::read_file(ini);
        ASSERT_NE(std::string::npos, stored.find("LEFT=" + std::to_string(far_x))) << stored;
        if (message == WM_DISPLAYCHANGE) {
            SendMessageA(hwnd, WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024));
        } else {
            EXPECT_EQ(0, command(CMD_REFRESH));
        }
        RECT r;
        GetWindowRect(memo, &r);
        EXPECT_TRUE(MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr) << message;
        EXPECT_EQ(160, r.right - r.left);
        EXPECT_EQ(stored, memo_test::read_file(ini)) << "brought back without a save";
    }
    remove_memo(memo);
    drain();
}

TEST_F(MainWindowTest, CopyDataInHiddenModeMakesAHiddenMemo) {
    g_settings.show = 0;
    COPYDATASTRUCT data = {0, 6, const_cast<char*>("quiet")};
    HWND memo = reinterpret_cast<HWND>(
        SendMessageA(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)));
    ASSERT_NE(nullptr, memo);
    EXPECT_FALSE(IsWindowVisible(memo));
    // Showing all memos again brings it up with the others.
    EXPECT_EQ(1, command(CMD_TOGGLE_SHOW));
    EXPECT_TRUE(IsWindowVisible(memo));
    EXPECT_EQ(1, command(MAKEWPARAM(CMD_FOCUS_MEMO, 1)));
    EXPECT_EQ(1, command(CMD_ACTIVATE_FIRST));
    remove_memo(memo);
    drain();
}

TEST_F(MainWindowTest, NewMemoInHiddenModeShowsTheNotice) {
    g_settings.show = 0;
    memo_test::box_answerer answer("Kelvane", IDOK);
    EXPECT_EQ(0, command(MAKEWPARAM(CMD_NEW_MEMO, 2)));
    drain();  // the notice follows the answer
    EXPECT_EQ("現在非表示モードです。表示モードにしてからメモを作成して下さい。", answer.text());
    g_settings.show = 1;
}

TEST_F(MainWindowTest, ExitPostsShutdownWhichEndsTheLoop) {
    EXPECT_EQ(1, command(CMD_EXIT));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, hwnd, MSG_SHUTDOWN, MSG_SHUTDOWN, PM_REMOVE));
    DispatchMessageA(&msg);
    EXPECT_FALSE(IsWindow(hwnd));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0u, msg.wParam);
    // The settings reach the disk only here.
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    strcpy(strrchr(path, '\\'), "\\config.ini");
    char value[MAX_PATH] = "";
    GetPrivateProfileStringA("KELVAN", "PATH", "", value, sizeof value, path);
    EXPECT_STREQ(g_settings.path, value);
    EXPECT_EQ(200, static_cast<int>(GetPrivateProfileIntA("KELVAN", "TRANSPARENCY", -1, path)));
}

TEST(HandoffCommand, SwitchesAndTheirFallback) {
    struct {
        const char* line;
        WPARAM word;
    } const cases[] = {
        {"-a", CMD_ACTIVATE_FIRST}, {"-abc", CMD_ACTIVATE_FIRST}, {"-f", CMD_FOREGROUND},
        {"-r", CMD_REFRESH},        {"-r x", CMD_REFRESH},        {"", 0x20003},
        {"x", 0x20003},             {"a", 0x20003},               {"-x", 0x20003},
        {"-", 0x20003},             {"--a", 0x20003},             {"-A", 0x20003},
        {nullptr, 0x20003},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.word, main_window_handoff_command(c.line)) << (c.line ? c.line : "(null)");
    }
}

// The instance's hold on the single-instance mutex ends with its scope;
// another thread (as a second start would) can take it then, not before.
TEST(ScopedMutexOwnership, GivesTheMutexBackAtScopeEnd) {
    scoped_handle mutex(CreateMutexA(nullptr, FALSE, nullptr));
    ASSERT_TRUE(mutex.valid());
    auto taken_elsewhere = [&mutex] {
        DWORD state = WAIT_FAILED;
        std::thread other([&] {
            state = WaitForSingleObject(mutex.get(), 0);
            if (state == WAIT_OBJECT_0) ReleaseMutex(mutex.get());
        });
        other.join();
        return state == WAIT_OBJECT_0;
    };
    {
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex.get(), 0));
        scoped_mutex_ownership owned(mutex.get());
        EXPECT_FALSE(taken_elsewhere());
    }
    EXPECT_TRUE(taken_elsewhere());
}

// A text from another program that cannot be saved (its data folder is
// gone and cannot be made): the sender has its answer at once, and only
// then is the user told, in a box of the main window, why and that the
// text is still on the screen.  The save lands by itself, on the main
// window's timer, once the folder is back.
TEST_F(MainWindowTest, CopyDataThatCannotBeSavedAnswersFirstThenTells) {
    std::string good = g_settings.path;
    g_settings.balloon = 0;
    snprintf(g_settings.path, sizeof g_settings.path, "%s\\gone\\kelvan", good.c_str());
    static const char text[] = u8"保存できない付箋";
    std::atomic<LRESULT> answer(0);
    std::atomic<DWORD> took(0);
    std::atomic<bool> answered(false);
    memo_test::box_answerer box(PROGRAM_CAPTION, IDOK);
    std::thread sender([&] {
        COPYDATASTRUCT data = {0, sizeof text, const_cast<char*>(text)};
        DWORD start = GetTickCount();
        DWORD_PTR result = 0;
        SendMessageTimeoutA(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL,
                            5000, &result);
        took = GetTickCount() - start;
        answer = static_cast<LRESULT>(result);
        answered = true;
    });
    memo_test::pump_until([&] { return answered.load(); }, 6000);
    sender.join();
    EXPECT_LT(took.load(), 1000u) << "the sender waited for the user";
    HWND memo = reinterpret_cast<HWND>(answer.load());
    ASSERT_TRUE(IsWindow(memo));
    memo_test::pump_for(300);  // the notice comes after the answer
    std::string notice = box.text();
    EXPECT_NE(std::string::npos, notice.find("データフォルダが見つからず")) << notice;
    EXPECT_NE(std::string::npos, notice.find("画面に残っています")) << notice;
    EXPECT_STREQ(text, memo_test::record_of(memo)->text);

    strcpy(g_settings.path, good.c_str());
    std::string file = good + "\\" + memo_test::record_of(memo)->file_name + ".txt";
    EXPECT_TRUE(memo_test::pump_until([&] { return memo_test::file_exists(file); }, 5000));
    EXPECT_NE(std::string::npos, memo_test::read_file(file).find(text));
    remove_memo(memo);
}

}  // namespace
