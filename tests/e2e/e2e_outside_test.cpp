// End-to-end tests of what other programs and Windows do to the running
// instance: messages with made-up pointers, the end of the session, an
// editor's UTF-8 config.ini, and a second start beside a hung instance.
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "e2e_harness.h"

namespace {

const LPARAM k_junk = 0x41414141;

// A UTF-8 literal as the narrow text of this (code page 932) session.
std::string e2e_cp932(const char* utf8) {
    wchar_t wide[MAX_PATH] = L"";
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, MAX_PATH);
    char narrow[MAX_PATH * 2] = "";
    WideCharToMultiByte(932, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

// Each message that hands over a pointer, posted with a junk one: the
// program stays, its memo keeps its text, and each is recorded.
TEST_F(KelvaneTest, JunkPointersFromOutsideAreIgnoredAndRecorded) {
    with_instance("", [&](HWND main, size_t) {
        HWND memo = e2e_copydata_memo(main, "kept");
        ASSERT_NE(nullptr, memo);
        const struct { bool to_main; UINT message; WPARAM wparam; } cases[] = {
            {true, MSG_NOTICE, 0}, {false, WM_COMMAND, MEMO_CMD_SET_TEXT},
            {false, MEMO_MSG_INIT, 0}, {false, MEMO_MSG_RELOAD, 0},
        };
        size_t ignored = 0;
        for (const auto& c : cases) {
            ASSERT_TRUE(PostMessageA(c.to_main ? main : memo, c.message, c.wparam, k_junk));
            EXPECT_TRUE(probe_wait([&] {
                std::string log = error_log();
                size_t n = 0;
                for (size_t at = log.find("Ignored message"); at != std::string::npos;
                     at = log.find("Ignored message", at + 1)) n++;
                return n == ignored + 1;
            }, k_wait_ms)) << std::hex << c.message << "\n" << error_log();
            ignored++;
            EXPECT_NE(nullptr, e2e_copydata_memo(main, "next")) << std::hex << c.message;
        }
        expect_memo_texts({"kept", "next", "next", "next", "next"});
    });
}

// The query writes config.ini and destroys nothing, so a logoff another
// program cancels leaves the program running; the real end with the
// settings sheet open ends it cleanly, its config.ini written.
TEST_F(KelvaneTest, SessionEndWritesFirstAndEndsOnlyWhenItEnds) {
    size_t first = 0;
    HWND main = start_first("", &first);
    ASSERT_NE(nullptr, main);
    LRESULT result = 0;
    ASSERT_TRUE(probe_send(main, WM_QUERYENDSESSION, 0, 0, &result));
    EXPECT_EQ(TRUE, result);
    EXPECT_NE(std::string::npos, e2e_read_file(folder + "\\config.ini").find("TRANSPARENCY=200"));
    ASSERT_TRUE(probe_send(main, WM_ENDSESSION, FALSE, 0, &result));
    ASSERT_NE(nullptr, e2e_copydata_memo(main, "after the cancelled logoff"));

    ASSERT_TRUE(e2e_write_file(folder + "\\config.ini", "[KELVAN]\r\nDIALOG=0\r\n"));
    PostMessageA(main, WM_COMMAND, CMD_SETTINGS, 0);
    ASSERT_TRUE(probe_wait([&] { return !probe_program_dialogs(main, "設定").empty(); }, k_slow_wait_ms));
    ASSERT_TRUE(probe_send(main, WM_QUERYENDSESSION, 0, 0, &result));
    probe_send(main, WM_ENDSESSION, TRUE, 0, &result);
    EXPECT_EQ(1, wait_exit(first));
    EXPECT_NE(std::string::npos, e2e_read_file(folder + "\\config.ini").find("TRANSPARENCY=200"));
    expect_memo_texts({"after the cancelled logoff"});
    expect_no_error_log();
}

// An editor's UTF-8 config.ini, with and without a byte-order mark, naming
// a folder with Japanese letters: its memos show, and the exit writes the
// same folder back in code page 932.  No folder with a garbled name is made.
TEST_F(KelvaneTest, Utf8ConfigWithAJapaneseFolderShowsItsMemos) {
    const std::string data = folder + "\\" + e2e_cp932(u8"日本語のメモ");
    const char ini[] = "[KELVAN]\r\nX=100\r\nY=100\r\nWIDTH=200\r\nHEIGHT=150\r\nQUADRANT=2\r\n";
    ASSERT_TRUE(e2e_make_folders(data));
    for (const char* name : {"\\20240101000000", "\\20240101000001"}) {
        ASSERT_TRUE(e2e_write_file(data + name + ".txt", "memo"));
        ASSERT_TRUE(e2e_write_file(data + name + ".ini", ini));
    }
    for (const char* bom : {"\xEF\xBB\xBF", ""}) {
        std::string config = std::string(bom) + "[KELVAN]\r\nDIALOG=0\r\nPORTABLE=0\r\nPATH=" +
                             folder + "\\" + u8"日本語のメモ" + "\r\n";
        ASSERT_TRUE(e2e_write_file(folder + "\\config.ini", config));
        with_instance("", [&](HWND main, size_t) {
            EXPECT_TRUE(probe_wait([&] { return probe_windows(MEMO_WINDOW_CLASS, main).size() == 2; },
                                   k_wait_ms)) << (*bom ? "with" : "without") << " a byte-order mark";
        });
        std::string saved = e2e_read_file(folder + "\\config.ini");
        EXPECT_EQ(0u, saved.find("[KELVAN]")) << "no mark in code page 932";
        EXPECT_NE(std::string::npos, saved.find("\r\nPATH=" + data + "\r\n")) << saved;
        WIN32_FIND_DATAA entry;
        HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
        int folders = 0;
        for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry)) {
            folders += (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && entry.cFileName[0] != '.';
        }
        FindClose(find);
        EXPECT_EQ(1, folders) << "the data folder alone";
    }
    expect_no_error_log();
}

// A window of the main class whose thread never reads its messages stands
// for a hung instance: a second start gives up on it within the bound and
// says so, in Japanese.
TEST_F(KelvaneTest, SecondStartBesideAHungInstanceGivesUpWithANotice) {
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HWND hung = nullptr;
    std::thread owner([&] {
        WNDCLASSA cls = {};
        cls.lpfnWndProc = DefWindowProcA;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.lpszClassName = MAIN_WINDOW_CLASS;
        RegisterClassA(&cls);
        hung = CreateWindowExA(0, MAIN_WINDOW_CLASS, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               cls.hInstance, nullptr);
        WaitForSingleObject(release, INFINITE);
        DestroyWindow(hung);
        UnregisterClassA(MAIN_WINDOW_CLASS, cls.hInstance);
    });
    ASSERT_TRUE(probe_wait([&] { return hung != nullptr; }, k_wait_ms));
    DWORD begin = GetTickCount();
    size_t second = start("");
    HWND box = nullptr;
    EXPECT_TRUE(probe_wait([&] {
        for (HWND w : probe_windows("#32770", nullptr, true)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == processes[second].info.dwProcessId) box = w;
        }
        return box != nullptr;
    }, k_slow_wait_ms));
    EXPECT_LT(GetTickCount() - begin, 15000u) << "the bound is a few seconds";
    wchar_t text[256] = L"";
    GetDlgItemTextW(box, 0xFFFF, text, 256);
    EXPECT_NE(nullptr, wcsstr(text, L"起動中の Kelvane が応答しません。")) << "the notice";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(1, wait_exit(second));
    SetEvent(release);
    owner.join();
    CloseHandle(release);
}

}  // namespace
