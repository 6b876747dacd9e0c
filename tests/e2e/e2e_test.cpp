// End-to-end tests: the real kelvane.exe, started and driven from outside
// the way a second start, another program or the tray would drive it.
//
//   kelvane_e2e.exe <path of kelvane.exe> [--artifacts=<folder>] [gtest options]
//
// Every test copies the program into a fresh folder of its own, because the
// program keeps config.ini, its data folder and error.log beside itself.
// Only one instance can run on a desktop, so the tests run one at a time and
// each one ends the instance it started.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "memo_balloon.h"
#include "memo_main.h"

namespace {

std::string g_program;    // the kelvane.exe under test
std::string g_artifacts;  // where failure screenshots go; empty: none

const DWORD k_start_timeout_ms = 20000;
const DWORD k_exit_timeout_ms = 20000;
const UINT k_send_timeout_ms = 10000;
// Time for anything that a message would wrongly open to appear.
const DWORD k_settle_ms = 500;

// --- files ------------------------------------------------------------------

// The wide "\\?\" form, so that folders deeper than MAX_PATH can be made,
// read and removed by the test itself.
std::wstring e2e_long_path(const std::string& path) {
    int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) {
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], n);
    }
    return L"\\\\?\\" + wide;
}

bool e2e_make_folders(const std::string& path) {
    // Every level from the drive on; existing levels are fine.
    for (size_t i = 3; i <= path.size(); i++) {
        if (i == path.size() || path[i] == '\\') {
            std::wstring level = e2e_long_path(path.substr(0, i));
            if (!CreateDirectoryW(level.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
                return false;
            }
        }
    }
    return true;
}

void e2e_delete_tree(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            std::wstring path = folder + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                e2e_delete_tree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

// The whole file, or "" when it does not exist.
std::string e2e_read_file(const std::string& path) {
    HANDLE file = CreateFileW(e2e_long_path(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "";
    }
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        text.append(chunk, got);
    }
    CloseHandle(file);
    return text;
}

bool e2e_file_exists(const std::string& path) {
    return GetFileAttributesW(e2e_long_path(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// "TIME : MM/DD hh:mm:ss", with no year.
bool e2e_is_log_time(const std::string& line) {
    const char pattern[] = "TIME : 00/00 00:00:00";
    if (line.size() != sizeof pattern - 1) {
        return false;
    }
    for (size_t i = 0; i < line.size(); i++) {
        bool digit = line[i] >= '0' && line[i] <= '9';
        if (pattern[i] == '0' ? !digit : line[i] != pattern[i]) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> e2e_split_lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

// --- windows ----------------------------------------------------------------

struct e2e_window_search {
    const char* class_name;  // null: every visible window
    std::vector<HWND> found;
};

BOOL CALLBACK e2e_collect_window(HWND hwnd, LPARAM lparam) {
    e2e_window_search* search = reinterpret_cast<e2e_window_search*>(lparam);
    if (search->class_name) {
        char name[256] = "";
        GetClassNameA(hwnd, name, sizeof name);
        if (strcmp(name, search->class_name) == 0) {
            search->found.push_back(hwnd);
        }
    } else if (IsWindowVisible(hwnd)) {
        search->found.push_back(hwnd);
    }
    return TRUE;
}

std::vector<HWND> e2e_main_windows() {
    e2e_window_search search = {MEMO_MAIN_CLASS, {}};
    EnumWindows(e2e_collect_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> e2e_visible_windows() {
    e2e_window_search search = {nullptr, {}};
    EnumWindows(e2e_collect_window, reinterpret_cast<LPARAM>(&search));
    std::sort(search.found.begin(), search.found.end());
    return search.found;
}

// Windows in `after` that were not in `before`, described for a failure.
// When `memo_owner` is given, what a new memo brings is left out: memo
// windows (owned by the main window) and the one-second balloon that greets
// a new memo (it has no owner).
std::string e2e_new_windows(const std::vector<HWND>& before, const std::vector<HWND>& after,
                            HWND memo_owner = nullptr) {
    std::string text;
    for (HWND hwnd : after) {
        if (std::binary_search(before.begin(), before.end(), hwnd)) {
            continue;
        }
        char name[256] = "";
        char title[256] = "";
        GetClassNameA(hwnd, name, sizeof name);
        GetWindowTextA(hwnd, title, sizeof title);
        if (memo_owner && (GetWindow(hwnd, GW_OWNER) == memo_owner || strcmp(name, MEMO_BALLOON_CLASS) == 0)) {
            continue;
        }
        text += std::string(" [") + name + " \"" + title + "\"]";
    }
    return text;
}

size_t e2e_new_memo_windows(const std::vector<HWND>& before, const std::vector<HWND>& after, HWND main) {
    size_t count = 0;
    for (HWND hwnd : after) {
        if (!std::binary_search(before.begin(), before.end(), hwnd) && GetWindow(hwnd, GW_OWNER) == main) {
            count++;
        }
    }
    return count;
}

// The answer of a command or message that creates a memo: the new memo's
// window, owned by the main window, or 0 when no memo could be made.
void e2e_expect_memo_or_zero(LRESULT result, HWND main) {
    if (result == 0) {
        return;
    }
    HWND memo = reinterpret_cast<HWND>(result);
    ASSERT_TRUE(IsWindow(memo)) << "the answer is no window: " << result;
    EXPECT_EQ(main, GetWindow(memo, GW_OWNER)) << "a memo is owned by the main window";
    DWORD main_process = 0;
    DWORD memo_process = 0;
    GetWindowThreadProcessId(main, &main_process);
    GetWindowThreadProcessId(memo, &memo_process);
    EXPECT_EQ(main_process, memo_process);
}

// Sends and waits for the answer; false when the receiver did not answer
// (hung, crashed or gone).
bool e2e_send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
    DWORD_PTR answer = 0;
    LRESULT ok = SendMessageTimeoutA(hwnd, message, wparam, lparam, SMTO_ABORTIFHUNG,
                                     k_send_timeout_ms, &answer);
    *result = static_cast<LRESULT>(answer);
    return ok != 0;
}

// --- screenshots ------------------------------------------------------------

// The whole desktop as a 24-bit BMP, for looking at a failure afterwards.
void e2e_save_screenshot(const std::string& path) {
    int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, GetSystemMetrics(SM_XVIRTUALSCREEN),
               GetSystemMetrics(SM_YVIRTUALSCREEN), SRCCOPY);
        SelectObject(memory, old);
        DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
        DWORD image_size = stride * static_cast<DWORD>(height);
        BITMAPFILEHEADER header;
        ZeroMemory(&header, sizeof header);
        header.bfType = 0x4D42;  // "BM"
        header.bfOffBits = sizeof header + sizeof info.bmiHeader;
        header.bfSize = header.bfOffBits + image_size;
        FILE* file = fopen(path.c_str(), "wb");
        if (file) {
            fwrite(&header, sizeof header, 1, file);
            fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, file);
            fwrite(bits, 1, image_size, file);
            fclose(file);
        }
    }
    if (bitmap) {
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

// --- the program under test -------------------------------------------------

struct e2e_process {
    PROCESS_INFORMATION info;
    bool started;
};

class KelvaneTest : public ::testing::Test {
protected:
    std::string folder;  // the test's own copy of the program lives here
    std::string exe;
    std::vector<e2e_process> processes;

    void SetUp() override {
        ASSERT_FALSE(g_program.empty());
        // A left-over instance would answer in place of ours.
        ASSERT_TRUE(e2e_main_windows().empty()) << "an instance is already running";
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        char temp[MAX_PATH];
        ASSERT_NE(0u, GetTempPathA(sizeof temp, temp));
        std::string name = std::string(test->test_suite_name()) + "." + test->name();
        std::replace(name.begin(), name.end(), '/', '_');
        char unique[32];
        snprintf(unique, sizeof unique, "%lu", static_cast<unsigned long>(GetCurrentProcessId()));
        root = std::string(temp) + "kelvane-e2e-" + unique + "\\" + name;
        e2e_delete_tree(e2e_long_path(root));
        use_folder(root, "kelvane.exe");
    }

    void TearDown() override {
        if (HasFailure() && !g_artifacts.empty()) {
            const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
            std::string name = std::string("e2e-") + test->test_suite_name() + "." + test->name();
            std::replace(name.begin(), name.end(), '/', '_');
            e2e_save_screenshot(g_artifacts + "\\" + name + ".bmp");
        }
        for (e2e_process& process : processes) {
            if (WaitForSingleObject(process.info.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process.info.hProcess, 99);
                WaitForSingleObject(process.info.hProcess, k_exit_timeout_ms);
            }
            CloseHandle(process.info.hThread);
            CloseHandle(process.info.hProcess);
        }
        processes.clear();
        e2e_delete_tree(e2e_long_path(root));
    }

    // Puts the test's copy of the program into `where` under `exe_name`.
    void use_folder(const std::string& where, const std::string& exe_name) {
        folder = where;
        exe = folder + "\\" + exe_name;
        ASSERT_TRUE(e2e_make_folders(folder)) << folder;
        ASSERT_TRUE(CopyFileW(e2e_long_path(g_program).c_str(), e2e_long_path(exe).c_str(), FALSE))
            << g_program << " -> " << exe;
    }

    // Starts the test's copy with `arguments`; the index into `processes`.
    size_t start(const std::string& arguments) {
        std::string command = "\"" + exe + "\"";
        if (!arguments.empty()) {
            command += " " + arguments;
        }
        std::vector<char> line(command.begin(), command.end());
        line.push_back('\0');
        STARTUPINFOA startup;
        ZeroMemory(&startup, sizeof startup);
        startup.cb = sizeof startup;
        e2e_process process;
        ZeroMemory(&process.info, sizeof process.info);
        process.started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                         folder.c_str(), &startup, &process.info) != 0;
        EXPECT_TRUE(process.started) << command << " error " << GetLastError();
        if (!process.started) {
            return static_cast<size_t>(-1);
        }
        processes.push_back(process);
        return processes.size() - 1;
    }

    HANDLE handle(size_t index) const { return processes[index].info.hProcess; }

    bool running(size_t index) const {
        return WaitForSingleObject(handle(index), 0) == WAIT_TIMEOUT;
    }

    // The exit code once the process has ended, or -1 when it is still
    // running after the timeout.
    long wait_exit(size_t index) {
        if (WaitForSingleObject(handle(index), k_exit_timeout_ms) != WAIT_OBJECT_0) {
            return -1;
        }
        DWORD code = 0;
        GetExitCodeProcess(handle(index), &code);
        return static_cast<long>(code);
    }

    // Starts the first instance and waits for its main window.
    HWND start_first(const std::string& arguments, size_t* index) {
        *index = start(arguments);
        if (*index == static_cast<size_t>(-1)) {
            return nullptr;
        }
        DWORD begin = GetTickCount();
        while (GetTickCount() - begin < k_start_timeout_ms) {
            HWND hwnd = FindWindowA(MEMO_MAIN_CLASS, nullptr);
            if (hwnd) {
                DWORD owner = 0;
                GetWindowThreadProcessId(hwnd, &owner);
                EXPECT_EQ(processes[*index].info.dwProcessId, owner) << "the window is not our instance's";
                return hwnd;
            }
            if (!running(*index)) {
                ADD_FAILURE() << "the first instance ended at once, exit code " << wait_exit(*index);
                return nullptr;
            }
            Sleep(20);
        }
        ADD_FAILURE() << "no window of class " << MEMO_MAIN_CLASS << " after " << k_start_timeout_ms << " ms";
        return nullptr;
    }

    // CMD_EXIT, the way the tray menu's exit ends the program: answered with
    // 1, the process ends with exit code 1, and nothing was left tracked.
    void exit_instance(HWND hwnd, size_t index) {
        LRESULT result = 0;
        ASSERT_TRUE(e2e_send(hwnd, WM_COMMAND, CMD_EXIT, 0, &result)) << "CMD_EXIT not answered";
        EXPECT_EQ(1, result);
        EXPECT_EQ(1, wait_exit(index));
        EXPECT_FALSE(IsWindow(hwnd));
    }

    std::string error_log() const { return e2e_read_file(folder + "\\error.log"); }

    // The records the program writes are the allocator's faults and "The
    // path is too deep"; every other test must leave no error.log at all.
    void expect_no_error_log() const {
        EXPECT_FALSE(e2e_file_exists(folder + "\\error.log")) << "error.log:\n" << error_log();
    }

    // Once memos can be made and saved, each text that reached a memo is in
    // a text file of the data folder (UTF-8, maybe after a byte-order mark).
    // While no memo is saved there is nothing to compare.
    void expect_memo_texts(std::vector<std::string> expected) const {
        std::vector<std::string> texts;
        WIN32_FIND_DATAA entry;
        std::string data = folder + "\\kelvan\\";
        HANDLE find = FindFirstFileA((data + "*.txt").c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE) {
            return;
        }
        do {
            std::string text = e2e_read_file(data + entry.cFileName);
            if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
                text.erase(0, 3);
            }
            texts.push_back(text);
        } while (FindNextFileA(find, &entry));
        FindClose(find);
        std::sort(texts.begin(), texts.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(expected, texts);
    }

    // Runs the whole test body on a fresh first instance and ends it.
    template <typename Body>
    void with_instance(const std::string& arguments, Body body) {
        size_t first = 0;
        HWND hwnd = start_first(arguments, &first);
        ASSERT_NE(nullptr, hwnd);
        body(hwnd, first);
        if (!HasFatalFailure() && running(first)) {
            exit_instance(hwnd, first);
        }
    }

private:
    std::string root;
};

// --- start-up and single instance ------------------------------------------

TEST_F(KelvaneTest, FirstStartRunsOneHiddenInstance) {
    with_instance("", [&](HWND hwnd, size_t first) {
        Sleep(k_settle_ms);
        EXPECT_TRUE(running(first));
        EXPECT_EQ(1u, e2e_main_windows().size());
        EXPECT_FALSE(IsWindowVisible(hwnd)) << "the main window is never shown";
        // A tool window: no task bar button even if it were shown.
        EXPECT_TRUE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
        EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_POPUP);
    });
    expect_no_error_log();
}

// A second start hands its command to the running instance and exits with 1
// without becoming an instance itself.  Until memo windows exist, the
// new-memo command has nothing to create: the running instance answers 0
// and nothing else happens.
struct handoff_case {
    const char* name;
    const char* arguments;
    const char* meaning;
    bool new_memo;  // the hand-off is the new-memo command 0x20003
};

void PrintTo(const handoff_case& c, std::ostream* out) { *out << '"' << c.arguments << '"'; }

std::string e2e_handoff_name(const ::testing::TestParamInfo<handoff_case>& info) {
    return info.param.name;
}

class HandOffTest : public KelvaneTest, public ::testing::WithParamInterface<handoff_case> {};

TEST_P(HandOffTest, SecondStartHandsOverAndExitsWith1) {
    with_instance("", [&](HWND hwnd, size_t first) {
        Sleep(k_settle_ms);
        std::vector<HWND> visible_before = e2e_visible_windows();

        size_t second = start(GetParam().arguments);
        ASSERT_NE(static_cast<size_t>(-1), second);
        EXPECT_EQ(1, wait_exit(second)) << GetParam().meaning;

        Sleep(k_settle_ms);
        EXPECT_TRUE(running(first)) << "the running instance ended";
        std::vector<HWND> windows = e2e_main_windows();
        ASSERT_EQ(1u, windows.size()) << "not exactly one instance";
        EXPECT_EQ(hwnd, windows[0]);
        std::vector<HWND> visible_after = e2e_visible_windows();
        // At most the one memo that the new-memo command made; a switch
        // only changes the foreground or re-reads the (empty) data folder.
        EXPECT_EQ("", e2e_new_windows(visible_before, visible_after, hwnd));
        EXPECT_GE(GetParam().new_memo ? 1u : 0u, e2e_new_memo_windows(visible_before, visible_after, hwnd));

        // The instance still works after the hand-off.
        LRESULT transparency = 0;
        EXPECT_TRUE(e2e_send(hwnd, MSG_GET_TRANSPARENCY, 0, 0, &transparency));
    });
    expect_no_error_log();
}

INSTANTIATE_TEST_SUITE_P(
    Switches, HandOffTest,
    ::testing::Values(handoff_case{"None", "", "no argument: the new-memo command 0x20003", true},
                      handoff_case{"Refresh", "-r", "refresh", false},
                      handoff_case{"Foreground", "-f", "foreground", false},
                      handoff_case{"Activate", "-a", "activate the first memo (there is none)", false},
                      handoff_case{"ActivateWithTail", "-abc", "only the first two characters count: -a", false},
                      handoff_case{"LetterWithoutMinus", "x", "a letter without the minus: no argument", true},
                      handoff_case{"UnknownLetter", "-z", "an unknown letter: no argument", true},
                      handoff_case{"LoneMinus", "-", "a lone minus: no argument", true}),
    e2e_handoff_name);

// What the second start sends without a switch, sent directly: the command
// word 0x20003 (new memo, placement kind 2).  The answer is the new memo, or
// 0 while no memo can be made; then nothing else happens either.
TEST_F(KelvaneTest, NewMemoCommandOfASecondStartAnswersTheMemoOrZero) {
    with_instance("", [&](HWND hwnd, size_t first) {
        Sleep(k_settle_ms);
        std::vector<HWND> visible_before = e2e_visible_windows();
        LRESULT result = -1;
        ASSERT_TRUE(e2e_send(hwnd, WM_COMMAND, MAKEWPARAM(CMD_NEW_MEMO, MEMO_PLACE_SECOND_START), 0, &result));
        e2e_expect_memo_or_zero(result, hwnd);
        Sleep(k_settle_ms);
        EXPECT_TRUE(running(first));
        std::vector<HWND> visible_after = e2e_visible_windows();
        EXPECT_EQ("", e2e_new_windows(visible_before, visible_after, hwnd));
        EXPECT_EQ(result ? 1u : 0u, e2e_new_memo_windows(visible_before, visible_after, hwnd));
    });
    expect_no_error_log();
}

struct first_switch_case {
    const char* name;
    const char* arguments;
};

void PrintTo(const first_switch_case& c, std::ostream* out) { *out << '"' << c.arguments << '"'; }

std::string e2e_first_switch_name(const ::testing::TestParamInfo<first_switch_case>& info) {
    return info.param.name;
}

class FirstStartSwitchTest : public KelvaneTest, public ::testing::WithParamInterface<first_switch_case> {};

// A switch only means something to a running instance; the first start
// behaves exactly as without it.
TEST_P(FirstStartSwitchTest, SwitchOfTheFirstStartIsIgnored) {
    with_instance(GetParam().arguments, [&](HWND hwnd, size_t first) {
        Sleep(k_settle_ms);
        EXPECT_TRUE(running(first));
        EXPECT_EQ(1u, e2e_main_windows().size());
        EXPECT_FALSE(IsWindowVisible(hwnd));
        LRESULT transparency = 0;
        ASSERT_TRUE(e2e_send(hwnd, MSG_GET_TRANSPARENCY, 0, 0, &transparency));
        EXPECT_EQ(200, transparency);
    });
    expect_no_error_log();
}

INSTANTIATE_TEST_SUITE_P(Switches, FirstStartSwitchTest,
                         ::testing::Values(first_switch_case{"Refresh", "-r"},
                                           first_switch_case{"Foreground", "-f"},
                                           first_switch_case{"Activate", "-a"},
                                           first_switch_case{"ActivateWithTail", "-abc"},
                                           first_switch_case{"Letter", "x"}),
                         e2e_first_switch_name);

// --- WM_COPYDATA -------------------------------------------------------------

struct copydata_case {
    const char* name;
    const char* bytes;  // null: no data pointer
    DWORD size;
    const char* text;   // the memo's text, once memos can take it
};

void PrintTo(const copydata_case& c, std::ostream* out) { *out << c.name << ", cbData " << c.size; }

std::string e2e_copydata_name(const ::testing::TestParamInfo<copydata_case>& info) {
    return info.param.name;
}

const char k_long_text[] =
    "0123456789012345678901234567890123456789012345678901234567890123456789"
    "0123456789012345678901234567890123456789012345678901234567890123456789";

class CopyDataTest : public KelvaneTest, public ::testing::WithParamInterface<copydata_case> {};

// Until memo windows exist, no memo can take the text: the reply is 0 and
// the converted text is released, so no leak is reported at exit.
TEST_P(CopyDataTest, IsAnsweredAndLeavesNothingBehind) {
    const copydata_case& c = GetParam();
    with_instance("", [&](HWND hwnd, size_t first) {
        COPYDATASTRUCT data;
        data.dwData = 0;
        data.cbData = c.size;
        data.lpData = const_cast<char*>(c.bytes);
        LRESULT result = -1;
        ASSERT_TRUE(e2e_send(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), &result))
            << "WM_COPYDATA not answered";
        e2e_expect_memo_or_zero(result, hwnd);
        EXPECT_TRUE(running(first));
    });
    expect_no_error_log();
    expect_memo_texts({c.text});
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CopyDataTest,
    ::testing::Values(copydata_case{"Terminated", "hello", 6, "hello"},
                      copydata_case{"TextAfterTheNul", "ab\0cd", 6, "ab"},
                      copydata_case{"NoData", nullptr, 0, ""},
                      copydata_case{"SizeZero", "abc", 0, ""},
                      // One U+FFFD for each byte that starts no valid sequence.
                      copydata_case{"InvalidUtf8", "\xff\xfe\x80z", 5, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDz"},
                      copydata_case{"Japanese", u8"日本語のメモ", sizeof u8"日本語のメモ", u8"日本語のメモ"},
                      copydata_case{"Long", k_long_text, sizeof k_long_text, k_long_text}),
    e2e_copydata_name);

// A sender that forgets the terminator: "abcde" with cbData 5 ends exactly
// at the end of a page that is followed by an inaccessible one, so the
// sender's own buffer cannot be over-read either.  The system copies the
// five bytes into the receiver, which must not read past them (it would
// find no NUL there), must not crash and must answer.
TEST_F(KelvaneTest, CopyDataWithoutTerminatorIsAnswered) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    DWORD page = system.dwPageSize;
    char* pages = static_cast<char*>(VirtualAlloc(nullptr, page * 2, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(nullptr, pages);
    DWORD old_protection = 0;
    ASSERT_TRUE(VirtualProtect(pages + page, page, PAGE_NOACCESS, &old_protection));
    char* text = pages + page - 5;
    memcpy(text, "abcde", 5);

    with_instance("", [&](HWND hwnd, size_t first) {
        for (int round = 0; round < 3; round++) {
            COPYDATASTRUCT data;
            data.dwData = 0x4B;
            data.cbData = 5;
            data.lpData = text;
            LRESULT result = -1;
            ASSERT_TRUE(e2e_send(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), &result))
                << "round " << round;
            e2e_expect_memo_or_zero(result, hwnd);
            ASSERT_TRUE(running(first)) << "the receiver crashed in round " << round;
        }
    });
    expect_no_error_log();
    // Read past cbData, the text would not be "abcde".
    expect_memo_texts({"abcde", "abcde", "abcde"});
    VirtualFree(pages, 0, MEM_RELEASE);
}

// --- commands and messages ---------------------------------------------------

TEST_F(KelvaneTest, ExitCommandEndsTheProcessWithCode1) {
    size_t first = 0;
    HWND hwnd = start_first("", &first);
    ASSERT_NE(nullptr, hwnd);
    LRESULT result = 0;
    ASSERT_TRUE(e2e_send(hwnd, WM_COMMAND, CMD_EXIT, 0, &result));
    EXPECT_EQ(1, result);
    EXPECT_EQ(1, wait_exit(first));
    EXPECT_TRUE(e2e_main_windows().empty());
    expect_no_error_log();
}

TEST_F(KelvaneTest, ShutdownMessageEndsTheProcessWithCode1) {
    size_t first = 0;
    HWND hwnd = start_first("", &first);
    ASSERT_NE(nullptr, hwnd);
    LRESULT result = 0;
    // The window is destroyed inside the handler, so the answer may be lost
    // with it; the process end is what counts.
    e2e_send(hwnd, MSG_SHUTDOWN, 0, 0, &result);
    EXPECT_EQ(1, wait_exit(first));
    EXPECT_TRUE(e2e_main_windows().empty());
    expect_no_error_log();
}

TEST_F(KelvaneTest, AfterExitANewStartIsAFirstStartAgain) {
    with_instance("", [&](HWND, size_t) {});
    with_instance("", [&](HWND hwnd, size_t first) {
        EXPECT_TRUE(running(first));
        EXPECT_FALSE(IsWindowVisible(hwnd));
    });
    expect_no_error_log();
}

// The tray menu's cancel (1), the edit box's accelerators pressed in a memo
// window (40008, 40010) and anything unknown do nothing and answer 0.  Their
// failure report has an empty message, which writes no error.log.
TEST_F(KelvaneTest, UnknownCommandsAnswerZeroAndLogNothing) {
    const WPARAM commands[] = {0, 1, 11, 12, 40008, 40010, 0xFFFF, MAKEWPARAM(1, 3), MAKEWPARAM(11, 2)};
    with_instance("", [&](HWND hwnd, size_t first) {
        for (WPARAM command : commands) {
            LRESULT result = -1;
            ASSERT_TRUE(e2e_send(hwnd, WM_COMMAND, command, 0, &result)) << std::hex << command;
            EXPECT_EQ(0, result) << "command " << std::hex << command;
        }
        EXPECT_TRUE(running(first));
        EXPECT_EQ(1u, e2e_main_windows().size());
    });
    expect_no_error_log();
}

TEST_F(KelvaneTest, TransparencyIs200ByDefault) {
    with_instance("", [&](HWND hwnd, size_t) {
        LRESULT result = 0;
        ASSERT_TRUE(e2e_send(hwnd, MSG_GET_TRANSPARENCY, 0, 0, &result));
        EXPECT_EQ(200, result);
    });
    expect_no_error_log();
}

// --- help ----------------------------------------------------------------

// "help.html" and a backslash must fit beside the program within 260
// bytes.  The program is renamed k.exe so that its own full path stays
// shorter than that while its folder grows to the limit.
struct help_case {
    size_t folder_length;
    bool too_deep;
};

class HelpTest : public KelvaneTest, public ::testing::WithParamInterface<help_case> {
protected:
    void SetUp() override {
        KelvaneTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        std::string deep = folder;
        size_t wanted = GetParam().folder_length;
        ASSERT_LT(deep.size() + 2, wanted) << "the temporary folder is already too deep: " << deep;
        while (deep.size() < wanted) {
            size_t room = wanted - deep.size() - 1;  // after the backslash
            // Short names at the end would leave a lone backslash.
            size_t level = room > 100 ? (room - 100 < 2 ? 98 : 100) : room;
            deep += "\\" + std::string(level, 'd');
        }
        ASSERT_EQ(wanted, deep.size());
        use_folder(deep, "k.exe");
        ASSERT_LT(exe.size(), static_cast<size_t>(MAX_PATH));
    }
};

TEST_P(HelpTest, HelpNeedsRoomForTheHelpFileName) {
    const bool too_deep = GetParam().too_deep;
    with_instance("", [&](HWND hwnd, size_t first) {
        Sleep(k_settle_ms);
        std::vector<HWND> visible_before = e2e_visible_windows();
        LRESULT result = -1;
        ASSERT_TRUE(e2e_send(hwnd, WM_COMMAND, CMD_HELP, 0, &result));
        EXPECT_EQ(too_deep ? 0 : 1, result);
        if (too_deep) {
            Sleep(k_settle_ms);
            EXPECT_EQ("", e2e_new_windows(visible_before, e2e_visible_windows())) << "something was opened";
        }
        EXPECT_TRUE(running(first));
    });
    if (!too_deep) {
        expect_no_error_log();
        return;
    }
    std::vector<std::string> lines = e2e_split_lines(error_log());
    ASSERT_EQ(6u, lines.size()) << "one record of five lines and an empty one:\n" << error_log();
    EXPECT_TRUE(e2e_is_log_time(lines[0])) << lines[0];
    EXPECT_EQ("INFO : The path is too deep", lines[1]);
    EXPECT_EQ("UNIT : Kelvane", lines[2]);
    EXPECT_EQ("FILE : memo_main.cpp", lines[3]);
    EXPECT_EQ(0u, lines[4].find("LINE : ")) << lines[4];
    EXPECT_GT(atoi(lines[4].c_str() + 7), 0) << lines[4];
    EXPECT_EQ("", lines[5]) << "the record ends with an empty line";
}

void PrintTo(const help_case& c, std::ostream* out) { *out << "folder of " << c.folder_length << " bytes"; }

std::string e2e_help_name(const ::testing::TestParamInfo<help_case>& info) {
    return "Folder" + std::to_string(info.param.folder_length);
}

INSTANTIATE_TEST_SUITE_P(Depths, HelpTest,
                         ::testing::Values(help_case{120, false}, help_case{249, false},
                                           help_case{250, true}, help_case{253, true}),
                         e2e_help_name);

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; i++) {
        std::string argument = argv[i];
        if (argument.compare(0, 12, "--artifacts=") == 0) {
            g_artifacts = argument.substr(12);
        } else if (g_program.empty()) {
            g_program = argument;
        }
    }
    if (g_program.empty()) {
        fprintf(stderr, "usage: kelvane_e2e <path of kelvane.exe> [--artifacts=<folder>] [gtest options]\n");
        return 2;
    }
    return RUN_ALL_TESTS();
}
