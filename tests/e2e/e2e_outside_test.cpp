// What other programs and Windows do to the running instance.
#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>

#include "e2e_harness.h"

namespace {

TEST_F(KelvaneTest, JunkPointersFromOutsideAreIgnoredAndRecorded) {
    with_instance("", [&](HWND main, size_t) {
        HWND memo = e2e_copydata_memo(main, "kept");
        std::string log;
        PostMessageA(main, MSG_NOTICE, 0, 0x41414141);
        for (UINT m : {WM_COMMAND, MEMO_MSG_INIT, MEMO_MSG_RELOAD})
            PostMessageA(memo, m, m == WM_COMMAND ? MEMO_CMD_SET_TEXT : 0, 0x41414141);
        EXPECT_TRUE(probe_wait(
            [&] { return (log = error_log()).find("0x8002") != std::string::npos; }, k_wait_ms));
        EXPECT_EQ(4 * 6, std::count(log.begin(), log.end(), '\n')) << "one record each\n" << log;
        expect_memo_texts({"kept"});  // and exit_instance finds it answering
    });
}

// A cancelled logoff keeps it running; the real end closes the open sheet.
TEST_F(KelvaneTest, SessionEndWritesFirstAndEndsOnlyWhenItEnds) {
    size_t first = 0;
    HWND main = start_first("", &first);
    LRESULT result = 0;
    for (WPARAM ending : {FALSE, TRUE}) {
        ASSERT_TRUE(e2e_write_file(folder + "\\config.ini", "[KELVAN]\r\nDIALOG=0\r\n"));
        if (ending) PostMessageA(main, WM_COMMAND, CMD_SETTINGS, 0);
        ASSERT_TRUE(
            probe_wait([&] { return !ending || !probe_program_dialogs(main, "設定").empty(); },
                       k_slow_wait_ms));
        ASSERT_TRUE(probe_send(main, WM_QUERYENDSESSION, 0, 0, &result) && result == TRUE);
        EXPECT_NE(std::string::npos,
                  e2e_read_file(folder + "\\config.ini").find("TRANSPARENCY=200"));
        probe_send(main, WM_ENDSESSION, ending, 0, &result);
        if (!ending) ASSERT_NE(nullptr, e2e_copydata_memo(main, "after the cancelled logoff"));
    }
    EXPECT_EQ(1, wait_exit(first));
    expect_memo_texts({"after the cancelled logoff"});
}

// With a byte-order mark and without; written back in code page 932.
TEST_F(KelvaneTest, Utf8ConfigWithAJapaneseFolderShowsItsMemos) {
    const std::string data = folder + "\\日本語のメモ",
                      head = "[KELVAN]\r\nDIALOG=0\r\nPORTABLE=0\r\nPATH=";
    ASSERT_TRUE(e2e_make_folders(data));
    for (const char* memo : {"\\20240101000000", "\\20240101000001"}) {
        ASSERT_TRUE(e2e_write_file(data + memo + ".txt", "memo") &&
                    e2e_write_file(data + memo + ".ini", "[KELVAN]\r\nX=9\r\n"));
    }
    for (std::string bom : {"\xEF\xBB\xBF", ""}) {
        ASSERT_TRUE(
            e2e_write_file(folder + "\\config.ini", bom + head + folder + u8"\\日本語のメモ\r\n"));
        with_instance("", [&](HWND main, size_t) {
            EXPECT_TRUE(probe_wait(
                [&] { return probe_windows(MEMO_WINDOW_CLASS, main).size() == 2; }, k_wait_ms))
                << bom;
        });
        EXPECT_EQ(0u, e2e_read_file(folder + "\\config.ini").find(head + data + "\r\n"));
    }
}

// A main window whose thread reads no message stands for a hung instance.
TEST_F(KelvaneTest, SecondStartBesideAHungInstanceGivesUpWithANotice) {
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread owner([&] {
        WNDCLASSA cls = {0, DefWindowProcA, 0, 0, GetModuleHandleA(nullptr)};
        cls.lpszClassName = MAIN_WINDOW_CLASS;
        RegisterClassA(&cls);
        HWND hung = CreateWindowExA(0, MAIN_WINDOW_CLASS, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                    nullptr, cls.hInstance, nullptr);
        WaitForSingleObject(release, INFINITE);
        DestroyWindow(hung);
    });
    ASSERT_TRUE(probe_wait([&] { return probe_main_window() != nullptr; }, k_wait_ms));
    size_t second = start("");
    HWND box = nullptr;
    EXPECT_TRUE(probe_wait(
        [&] { return (box = FindWindowA("#32770", PROGRAM_CAPTION)) != nullptr; }, 15000));
    wchar_t text[256] = L"";
    GetDlgItemTextW(box, 0xFFFF, text, 256);
    EXPECT_NE(nullptr, wcsstr(text, L"起動中の Kelvane が応答しません。"));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(1, wait_exit(second));
    SetEvent(release);
    owner.join();
}

}  // namespace
