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
#include <commctrl.h>
#include <shellapi.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "balloon.h"
#include "copydata_text.h"
#include "edit_box.h"
#include "main_window.h"
#include "resource.h"
#include "probe_support.h"
#include "text_reader.h"

namespace {

std::string g_program;    // the kelvane.exe under test
std::string g_artifacts;  // where failure screenshots go; empty: none
std::string g_work;       // every test's folder is made in here

const DWORD k_start_timeout_ms = 20000;
const DWORD k_exit_timeout_ms = 20000;
// How long a window that should come or go may take.
const DWORD k_wait_ms = 5000;
// The same for what a first run on a fresh machine may take seconds to
// show: the first settings sheet, the first file opened through the shell.
// Every wait ends as soon as its condition holds, so a long bound costs
// nothing when all goes well.
const DWORD k_slow_wait_ms = 20000;
// Time for anything that a message would wrongly open to appear, counted
// from the moment the instance has answered (see e2e_settle): the only
// fixed wait, for checks that nothing appears.
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

bool e2e_write_file(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileW(e2e_long_path(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
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

std::vector<HWND> e2e_main_windows() {
    return probe_windows(MAIN_WINDOW_CLASS);
}

// Sorted, for the comparisons of before and after.
std::vector<HWND> e2e_visible_windows() {
    std::vector<HWND> found = probe_windows(nullptr, nullptr, true);
    std::sort(found.begin(), found.end());
    return found;
}

// Wine's tray window when there is no task bar.
const char k_tray_class[] = "__winex11_standalone_tray";

bool e2e_has_class(HWND hwnd, const char* class_name) {
    char name[256] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return strcmp(name, class_name) == 0;
}

// A memo window of the instance: its class, owned by its main window.
bool e2e_is_memo(HWND hwnd, HWND main) {
    return GetWindow(hwnd, GW_OWNER) == main && e2e_has_class(hwnd, MEMO_WINDOW_CLASS);
}

// What a new memo brings besides itself: its tooltip (owned by the memo)
// and the one-second balloon that greets it (no owner, same process).
bool e2e_comes_with_a_memo(HWND hwnd, HWND main) {
    if (e2e_has_class(hwnd, TOOLTIPS_CLASSA)) {
        return e2e_is_memo(GetWindow(hwnd, GW_OWNER), main);
    }
    return e2e_has_class(hwnd, BALLOON_CLASS) && probe_same_process(hwnd, main);
}

// Windows in `after` that were not in `before`, described for a failure.
// The desktop's own are never counted: Wine's tray window, which comes and
// goes with the icons in it, and a tooltip of another program (the tray
// shows one when the pointer happens to rest on an icon).  When `main` is
// given, new memos and what comes with them are left out too
// (e2e_new_memo_windows counts the memos).
std::string e2e_new_windows(const std::vector<HWND>& before, const std::vector<HWND>& after,
                            HWND main = nullptr) {
    std::string text;
    for (HWND hwnd : after) {
        if (std::binary_search(before.begin(), before.end(), hwnd)) {
            continue;
        }
        if (main && (e2e_is_memo(hwnd, main) || e2e_comes_with_a_memo(hwnd, main))) {
            continue;
        }
        if (e2e_has_class(hwnd, k_tray_class) ||
            (e2e_has_class(hwnd, TOOLTIPS_CLASSA) && !(main && probe_same_process(hwnd, main)))) {
            continue;
        }
        char name[256] = "";
        char title[256] = "";
        GetClassNameA(hwnd, name, sizeof name);
        GetWindowTextA(hwnd, title, sizeof title);
        text += std::string(" [") + name + " \"" + title + "\"]";
    }
    return text;
}

// New memo windows of the instance, and nothing else: not their tooltips,
// not the balloon.
size_t e2e_new_memo_windows(const std::vector<HWND>& before, const std::vector<HWND>& after, HWND main) {
    size_t count = 0;
    for (HWND hwnd : after) {
        if (!std::binary_search(before.begin(), before.end(), hwnd) && e2e_is_memo(hwnd, main)) {
            count++;
        }
    }
    return count;
}

// The instance has handled everything it was sent (a sent message is
// answered only when its thread reads messages again), and what that
// posted has had k_settle_ms to open something.  For checks that nothing
// appears; what should appear is waited for as a condition.
bool e2e_settle(HWND main) {
    LRESULT ignored = 0;
    bool answered = probe_send(main, WM_NULL, 0, 0, &ignored, k_slow_wait_ms);
    Sleep(k_settle_ms);
    return answered;
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

// Saves the desktop at a test's first failure, while whatever went wrong is
// still on the screen.
class e2e_screenshot_listener : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override { saved_ = false; }
    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (saved_ || !result.failed() || g_artifacts.empty()) {
            return;
        }
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        if (!test) {
            return;
        }
        std::string name = std::string("e2e-") + test->test_suite_name() + "." + test->name();
        std::replace(name.begin(), name.end(), '/', '_');
        e2e_save_screenshot(g_artifacts + "\\" + name + ".bmp");
        saved_ = true;
    }

private:
    bool saved_ = false;
};

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
        std::string name = std::string(test->test_suite_name()) + "." + test->name();
        std::replace(name.begin(), name.end(), '/', '_');
        root = g_work + "\\" + name;
        e2e_delete_tree(e2e_long_path(root));
        use_folder(root, "kelvane.exe");
    }

    void TearDown() override {
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

    // Puts the test's copy of the program into `where` under `exe_name`,
    // with a config.ini that only turns the welcome dialog off: these tests
    // are about the running instance, and the modal welcome dialog of a very
    // first start would stand between them and it.
    void use_folder(const std::string& where, const std::string& exe_name) {
        folder = where;
        exe = folder + "\\" + exe_name;
        ASSERT_TRUE(e2e_make_folders(folder)) << folder;
        ASSERT_TRUE(CopyFileW(e2e_long_path(g_program).c_str(), e2e_long_path(exe).c_str(), FALSE))
            << g_program << " -> " << exe;
        ASSERT_TRUE(e2e_write_file(folder + "\\config.ini", "[KELVAN]\r\nDIALOG=0\r\n"));
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
            HWND hwnd = FindWindowA(MAIN_WINDOW_CLASS, nullptr);
            if (hwnd) {
                DWORD owner = 0;
                GetWindowThreadProcessId(hwnd, &owner);
                EXPECT_EQ(processes[*index].info.dwProcessId, owner) << "the window is not our instance's";
                // The window exists from the start of its creation, which
                // loads the memos, adds the tray icon and may show the
                // welcome dialog; the instance first waits for input once
                // all that is on the screen.
                EXPECT_EQ(0u, WaitForInputIdle(handle(*index), k_start_timeout_ms))
                    << "the instance never waited for input";
                return hwnd;
            }
            if (!running(*index)) {
                ADD_FAILURE() << "the first instance ended at once, exit code " << wait_exit(*index);
                return nullptr;
            }
            Sleep(20);
        }
        ADD_FAILURE() << "no window of class " << MAIN_WINDOW_CLASS << " after " << k_start_timeout_ms << " ms";
        return nullptr;
    }

    // CMD_EXIT, the way the tray menu's exit ends the program: answered with
    // 1, the process ends with exit code 1, and nothing was left tracked.
    void exit_instance(HWND hwnd, size_t index) {
        LRESULT result = 0;
        ASSERT_TRUE(probe_send(hwnd, WM_COMMAND, CMD_EXIT, 0, &result)) << "CMD_EXIT not answered";
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
        std::vector<HWND> visible_before = e2e_visible_windows();

        size_t second = start(GetParam().arguments);
        ASSERT_NE(static_cast<size_t>(-1), second);
        EXPECT_EQ(1, wait_exit(second)) << GetParam().meaning;

        EXPECT_TRUE(e2e_settle(hwnd));
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
        EXPECT_TRUE(probe_send(hwnd, MSG_GET_TRANSPARENCY, 0, 0, &transparency));
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
        std::vector<HWND> visible_before = e2e_visible_windows();
        LRESULT result = -1;
        ASSERT_TRUE(probe_send(hwnd, WM_COMMAND, MAKEWPARAM(CMD_NEW_MEMO, MEMO_PLACE_SECOND_START), 0, &result));
        e2e_expect_memo_or_zero(result, hwnd);
        EXPECT_TRUE(e2e_settle(hwnd));
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
        EXPECT_TRUE(running(first));
        EXPECT_EQ(1u, e2e_main_windows().size());
        EXPECT_FALSE(IsWindowVisible(hwnd));
        LRESULT transparency = 0;
        ASSERT_TRUE(probe_send(hwnd, MSG_GET_TRANSPARENCY, 0, 0, &transparency));
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
        ASSERT_TRUE(probe_send(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), &result))
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
            ASSERT_TRUE(probe_send(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), &result))
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
    ASSERT_TRUE(probe_send(hwnd, WM_COMMAND, CMD_EXIT, 0, &result));
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
    probe_send(hwnd, MSG_SHUTDOWN, 0, 0, &result);
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
            ASSERT_TRUE(probe_send(hwnd, WM_COMMAND, command, 0, &result)) << std::hex << command;
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
        ASSERT_TRUE(probe_send(hwnd, MSG_GET_TRANSPARENCY, 0, 0, &result));
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
        std::vector<HWND> visible_before = e2e_visible_windows();
        LRESULT result = -1;
        ASSERT_TRUE(probe_send(hwnd, WM_COMMAND, CMD_HELP, 0, &result));
        EXPECT_EQ(too_deep ? 0 : 1, result);
        if (too_deep) {
            EXPECT_TRUE(e2e_settle(hwnd));
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
    EXPECT_EQ("FILE : main_window.cpp", lines[3]);
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

// --- the settings sheet, the welcome dialog and the help page ----------------

HWND e2e_sheet(HWND main) {
    std::vector<HWND> sheets = probe_program_dialogs(main, "設定");
    return sheets.empty() ? nullptr : sheets[0];
}

// The welcome dialog is the "Kelvane" dialog with the welcome text.
HWND e2e_welcome(HWND main) {
    for (HWND w : probe_program_dialogs(main, "Kelvane")) {
        if (GetDlgItem(w, 1028)) {
            return w;
        }
    }
    return nullptr;
}

HWND e2e_page(HWND sheet, int index) {
    SendMessageA(sheet, PSM_SETCURSEL, index, 0);
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// Real mouse input, through the system's input queue.
void e2e_mouse(POINT at, DWORD flags) {
    int vx = GetSystemMetrics(SM_XVIRTUALSCREEN);
    int vy = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int vw = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int vh = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    INPUT input;
    ZeroMemory(&input, sizeof input);
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(at.x - vx, 65535, vw - 1);
    input.mi.dy = MulDiv(at.y - vy, 65535, vh - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    SendInput(1, &input, sizeof input);
    Sleep(60);
}

// The pointer is brought to the spot and left to settle first: a memo that
// was just made pulled it to its own centre, and a press that arrives
// before the move lands on the memo.
void e2e_click_at(POINT at, bool right) {
    e2e_mouse(at, 0);
    probe_wait([&] {
        POINT now;
        GetCursorPos(&now);
        return now.x == at.x && now.y == at.y;
    }, 1000);
    Sleep(100);
    e2e_mouse(at, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    e2e_mouse(at, right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
}

// The tray menu: a pop-up menu window next to the icon (the system moves it
// onto the screen, so it may cover the icon).
HWND e2e_tray_menu(POINT icon) {
    for (HWND w = FindWindowA("#32768", nullptr); w; w = FindWindowExA(nullptr, w, "#32768", nullptr)) {
        RECT r;
        if (IsWindowVisible(w) && GetWindowRect(w, &r) && r.left < icon.x + 300 && r.top < icon.y + 300) {
            return w;
        }
    }
    return nullptr;
}

// Picks an item of the tray menu the way a user does: a right click on the
// icon in Wine's tray window (client 10, 10 for the first icon), then the
// arrow keys.  Counted from the bottom, which is the same in every state
// of the menu: キャンセル 1, 終了 2, ヘルプ 3, 設定 4.
// - The instance must be reading messages first: it may still be busy
//   with what it did before (opening help.html through the shell takes
//   seconds on a fresh machine), and clicks it takes late pile up.
// - The pointer leaves the menu before the keys, so that no item is chosen
//   by hovering, and the keys go in as one batch: the menu takes posted
//   messages before mouse input, so no mouse move can come between them.
// A menu that did not take the keys is closed and opened again.
bool e2e_tray_pick(HWND main, int items_from_bottom) {
    LRESULT ignored = 0;
    if (!probe_send(main, WM_NULL, 0, 0, &ignored, k_slow_wait_ms)) {
        ADD_FAILURE() << "the instance does not answer";
        return false;
    }
    HWND tray = nullptr;
    if (!probe_wait([&] { return (tray = FindWindowA(k_tray_class, nullptr)) != nullptr; },
                    k_wait_ms)) {
        ADD_FAILURE() << "no tray window";
        return false;
    }
    POINT icon = {10, 10};
    ClientToScreen(tray, &icon);
    const POINT away = {icon.x + 500, icon.y + 400};
    for (int attempt = 0; attempt < 3; attempt++) {
        e2e_click_at(icon, true);
        HWND menu = nullptr;
        if (!probe_wait([&] { return (menu = e2e_tray_menu(icon)) != nullptr; }, k_wait_ms)) {
            continue;
        }
        e2e_mouse(away, 0);
        probe_wait([&] {
            POINT now;
            GetCursorPos(&now);
            return now.x == away.x && now.y == away.y;
        }, k_wait_ms);
        for (int i = 0; i < items_from_bottom; i++) {
            PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
        }
        PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
        if (probe_wait([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }, k_wait_ms)) {
            return true;
        }
        PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        probe_wait([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }, k_wait_ms);
    }
    ADD_FAILURE() << "the tray menu did not take the pick";
    return false;
}

const int k_tray_help = 3;
const int k_tray_settings = 4;

BYTE e2e_alpha(HWND memo) {
    BYTE alpha = 0;
    DWORD flags = 0;
    GetLayeredWindowAttributes(memo, nullptr, &alpha, &flags);
    return alpha;
}

// Which corner of the memo's region is folded: 1 left, 0 right, -1 none
// or both.
int e2e_fold_side(HWND memo) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    RECT r;
    GetWindowRect(memo, &r);
    int w = r.right - r.left;
    int h = r.bottom - r.top;
    int side = -1;
    if (GetWindowRgn(memo, region) != ERROR) {
        bool left_cut = !PtInRegion(region, 1, h - 2);
        bool right_cut = !PtInRegion(region, w - 2, h - 2);
        side = left_cut == right_cut ? -1 : (left_cut ? 1 : 0);
    }
    DeleteObject(region);
    return side;
}

HWND e2e_copydata_memo(HWND main, const char* text) {
    COPYDATASTRUCT data = {0, static_cast<DWORD>(strlen(text) + 1), const_cast<char*>(text)};
    LRESULT result = 0;
    if (!probe_send(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), &result)) {
        return nullptr;
    }
    return reinterpret_cast<HWND>(result);
}

class SettingsSheetTest : public KelvaneTest {
protected:
    // No welcome dialog; no balloon, which would take the focus for a second.
    void SetUp() override {
        KelvaneTest::SetUp();
        if (!HasFatalFailure()) {
            ASSERT_TRUE(e2e_write_file(folder + "\\config.ini", "[KELVAN]\r\nDIALOG=0\r\nBALLOON=0\r\n"));
        }
    }

    // Opens the sheet with the tray menu's "設定".
    HWND open_sheet(HWND main) {
        HWND sheet = nullptr;
        if (!e2e_tray_pick(main, k_tray_settings) ||
            !probe_wait([&] { return (sheet = e2e_sheet(main)) != nullptr; }, k_slow_wait_ms)) {
            ADD_FAILURE() << "no settings sheet";
            return nullptr;
        }
        return sheet;
    }

    // Presses OK or Cancel; the sheet closes and the main window answers again.
    void close_sheet(HWND main, HWND sheet, int button) {
        PostMessageA(GetDlgItem(sheet, button), BM_CLICK, 0, 0);
        EXPECT_TRUE(probe_wait([&] { return e2e_sheet(main) == nullptr; }, k_wait_ms)) << "the sheet did not close";
    }

    std::string config() const { return folder + "\\config.ini"; }
    int config_int(const char* key) const {
        return static_cast<int>(GetPrivateProfileIntA("KELVAN", key, -12345, config().c_str()));
    }
    std::string config_text(const char* key) const {
        char value[512] = "";
        GetPrivateProfileStringA("KELVAN", key, "<missing>", value, sizeof value, config().c_str());
        return value;
    }
};

TEST_F(SettingsSheetTest, TraySettingsOpensTheSheetAndASecondOnlyComesForward) {
    with_instance("", [&](HWND main, size_t first) {
        HWND sheet = open_sheet(main);
        ASSERT_NE(nullptr, sheet);
        EXPECT_EQ(main, GetWindow(sheet, GW_OWNER)) << "owned by the main window";
        HWND tab = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
        EXPECT_EQ(5, SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));

        // "設定" again, from the tray while the sheet is open.
        EXPECT_TRUE(e2e_tray_pick(main, k_tray_settings));
        EXPECT_TRUE(e2e_settle(main));
        EXPECT_EQ(1u, probe_program_dialogs(main, "設定").size()) << "a second sheet was opened";
        EXPECT_EQ(sheet, e2e_sheet(main));
        EXPECT_EQ(main, GetForegroundWindow()) << "the main window came forward";
        // The command itself answers 0 at once instead of opening anything.
        LRESULT result = -1;
        ASSERT_TRUE(probe_send(main, WM_COMMAND, CMD_SETTINGS, 0, &result));
        EXPECT_EQ(0, result);
        EXPECT_EQ(1u, probe_program_dialogs(main, "設定").size());

        close_sheet(main, sheet, IDCANCEL);
        EXPECT_TRUE(running(first));
    });
    expect_no_error_log();
}

TEST_F(SettingsSheetTest, TransparencyThumbChangesEveryMemoWhileItMoves) {
    with_instance("", [&](HWND main, size_t) {
        HWND memos[2] = {e2e_copydata_memo(main, "one"), e2e_copydata_memo(main, "two")};
        ASSERT_NE(nullptr, memos[0]);
        ASSERT_NE(nullptr, memos[1]);
        EXPECT_EQ(200, e2e_alpha(memos[0]));
        HWND sheet = open_sheet(main);
        ASSERT_NE(nullptr, sheet);
        HWND page = e2e_page(sheet, 0);
        HWND trackbar = GetDlgItem(page, 1002);
        ASSERT_NE(nullptr, trackbar);
        EXPECT_EQ(200, SendMessageA(trackbar, TBM_GETPOS, 0, 0));
        for (int position : {170, 120, 80}) {
            SendMessageA(trackbar, TBM_SETPOS, TRUE, position);
            SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(trackbar));
            for (HWND memo : memos) {
                EXPECT_EQ(position, e2e_alpha(memo)) << "while the thumb is at " << position;
            }
        }
        SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(trackbar));
        close_sheet(main, sheet, IDCANCEL);
        LRESULT transparency = 0;
        ASSERT_TRUE(probe_send(main, MSG_GET_TRANSPARENCY, 0, 0, &transparency));
        EXPECT_EQ(80, transparency) << "Cancel keeps it";
        // A memo made afterwards asks the main window and gets the new value.
        HWND later = e2e_copydata_memo(main, "three");
        ASSERT_NE(nullptr, later);
        EXPECT_EQ(80, e2e_alpha(later));
    });
    expect_no_error_log();
}

TEST_F(SettingsSheetTest, LeftFoldBoxReshapesEveryMemo) {
    with_instance("", [&](HWND main, size_t) {
        HWND memos[2] = {e2e_copydata_memo(main, "one"), e2e_copydata_memo(main, "two")};
        ASSERT_NE(nullptr, memos[0]);
        ASSERT_NE(nullptr, memos[1]);
        for (HWND memo : memos) EXPECT_EQ(0, e2e_fold_side(memo)) << "folded on the right";
        HWND sheet = open_sheet(main);
        ASSERT_NE(nullptr, sheet);
        HWND page = e2e_page(sheet, 0);
        SendMessageA(GetDlgItem(page, 1024), BM_CLICK, 0, 0);
        for (HWND memo : memos) EXPECT_EQ(1, e2e_fold_side(memo)) << "folded on the left at once";
        SendMessageA(GetDlgItem(page, 1024), BM_CLICK, 0, 0);
        for (HWND memo : memos) EXPECT_EQ(0, e2e_fold_side(memo)) << "back on the right";
        SendMessageA(GetDlgItem(page, 1024), BM_CLICK, 0, 0);
        close_sheet(main, sheet, IDOK);
        for (HWND memo : memos) EXPECT_EQ(1, e2e_fold_side(memo));
    });
    EXPECT_EQ(1, config_int("LEFTFOLD"));
    expect_no_error_log();
}

// Every page writes into the settings, and exit writes them to config.ini.
TEST_F(SettingsSheetTest, OkAndExitLeaveTheNewValuesInConfigIni) {
    with_instance("", [&](HWND main, size_t) {
        HWND sheet = open_sheet(main);
        ASSERT_NE(nullptr, sheet);
        HWND basic = e2e_page(sheet, 0);
        HWND tooltip = GetDlgItem(basic, 1004);
        SendMessageA(tooltip, TBM_SETPOS, TRUE, 3);
        SendMessageA(basic, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 3), reinterpret_cast<LPARAM>(tooltip));
        HWND size = GetDlgItem(basic, 1010);
        SendMessageA(size, TBM_SETPOS, TRUE, 3);
        SendMessageA(basic, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 3), reinterpret_cast<LPARAM>(size));
        SendMessageA(GetDlgItem(basic, 1034), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(basic, 1003), BM_CLICK, 0, 0);
        HWND colours = e2e_page(sheet, 1);
        SetDlgItemTextA(colours, 1203, "わかば色");
        HWND data = e2e_page(sheet, 2);
        SendMessageA(GetDlgItem(data, 1030), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(data, 1031), BM_CLICK, 0, 0);
        HWND details = e2e_page(sheet, 3);
        SendMessageA(GetDlgItem(details, 1042), BM_CLICK, 0, 0);
        SetDlgItemTextA(details, 1044, "72");
        close_sheet(main, sheet, IDOK);
    });
    EXPECT_EQ(15000, config_int("TOOLTIPTIME"));
    EXPECT_EQ(3, config_int("DEFAULTMEMOSIZE"));
    EXPECT_EQ(1, config_int("TASKTRAYICONDOUBLECLICK"));
    EXPECT_EQ(1, config_int("IMEON"));
    EXPECT_EQ("わかば色", config_text("COLORTEXT3"));
    EXPECT_EQ(0, config_int("TEXTFILE"));
    EXPECT_EQ(3, config_int("TASKBAR"));
    EXPECT_EQ(72, config_int("TASKBARWIDTH"));
    EXPECT_EQ(0, config_int("DIALOG"));
    expect_no_error_log();
}

// Apply on the data page: from a standard-mode folder to the portable
// folder beside the program.  The memos are copied, the old folder keeps
// them, and what is saved afterwards goes to the new folder.
TEST_F(SettingsSheetTest, ApplyMovesTheMemoDataToThePortableFolder) {
    std::string data = folder + "\\data";
    ASSERT_TRUE(e2e_make_folders(data));
    ASSERT_TRUE(e2e_write_file(data + "\\20240102030405.txt", "stored"));
    ASSERT_TRUE(e2e_write_file(data + "\\20240102030405.ini",
                               "[KELVAN]\r\nX=40\r\nY=40\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=2\r\nCOLOR=1\r\n"));
    ASSERT_TRUE(e2e_write_file(config(), "[KELVAN]\r\nDIALOG=0\r\nBALLOON=0\r\nPORTABLE=0\r\nPATH=" + data + "\r\n"));
    std::string portable = folder + "\\kelvan";
    with_instance("", [&](HWND main, size_t) {
        HWND sheet = open_sheet(main);
        ASSERT_NE(nullptr, sheet);
        HWND page = e2e_page(sheet, 2);
        char shown[MAX_PATH] = "";
        GetDlgItemTextA(page, 1019, shown, sizeof shown);
        EXPECT_EQ(data, shown);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1026)));
        SendMessageA(GetDlgItem(page, 1024), BM_CLICK, 0, 0);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1026))) << "another mode: Apply is on";
        PostMessageA(GetDlgItem(page, 1026), BM_CLICK, 0, 0);
        EXPECT_TRUE(probe_wait([&] { return !IsWindowEnabled(GetDlgItem(page, 1026)); }, k_wait_ms)) << "applied";
        close_sheet(main, sheet, IDOK);
        EXPECT_EQ("stored", e2e_read_file(portable + "\\20240102030405.txt"));
        HWND later = e2e_copydata_memo(main, "after the move");
        ASSERT_NE(nullptr, later);
    });
    EXPECT_EQ(1, config_int("PORTABLE"));
    EXPECT_EQ(portable, config_text("PATH"));
    EXPECT_EQ("stored", e2e_read_file(data + "\\20240102030405.txt")) << "the old folder keeps its copy";
    size_t in_portable = 0;
    size_t in_data = 0;
    WIN32_FIND_DATAA entry;
    for (const std::string* where : {&portable, &data}) {
        HANDLE find = FindFirstFileA((*where + "\\*.txt").c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE) continue;
        do {
            (where == &portable ? in_portable : in_data)++;
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    EXPECT_EQ(2u, in_portable) << "the new memo was saved in the new folder";
    EXPECT_EQ(1u, in_data);
    expect_no_error_log();
}

// --- welcome dialog ------------------------------------------------------------

class WelcomeTest : public KelvaneTest {
protected:
    // A very first start: no config.ini at all.
    void SetUp() override {
        KelvaneTest::SetUp();
        if (!HasFatalFailure()) {
            DeleteFileW(e2e_long_path(folder + "\\config.ini").c_str());
        }
    }

    // Starts the program, waits for its welcome dialog and answers it; the
    // box ticked or not.  Then ends the program.
    void start_and_answer(bool tick) {
        with_instance("", [&](HWND main, size_t first) {
            HWND welcome = nullptr;
            ASSERT_TRUE(probe_wait([&] { return (welcome = e2e_welcome(main)) != nullptr; }, k_wait_ms))
                << "no welcome dialog";
            EXPECT_EQ(nullptr, GetWindow(welcome, GW_OWNER)) << "it has no owner";
            char text[1024] = "";
            GetDlgItemTextA(welcome, 1028, text, sizeof text);
            EXPECT_EQ(0u, std::string(text).find("『Kelvane』をご利用いただきありがとうございます。")) << text;
            if (tick) {
                SendMessageA(GetDlgItem(welcome, 1001), BM_CLICK, 0, 0);
            }
            PostMessageA(welcome, WM_COMMAND, IDOK, 0);
            EXPECT_TRUE(probe_wait([&] { return e2e_welcome(main) == nullptr; }, k_wait_ms));
            EXPECT_TRUE(running(first));
        });
    }

    // Starts the program and checks that no welcome dialog comes.
    void start_without_welcome() {
        with_instance("", [&](HWND main, size_t) {
            // It would be up before the instance first waits for input.
            EXPECT_EQ(nullptr, e2e_welcome(main)) << "the welcome dialog came back";
        });
    }
};

TEST_F(WelcomeTest, FirstStartGreetsAndTheTickedBoxKeepsItAway) {
    start_and_answer(true);
    EXPECT_EQ(0, static_cast<int>(GetPrivateProfileIntA("KELVAN", "DIALOG", -1, (folder + "\\config.ini").c_str())));
    start_without_welcome();
    expect_no_error_log();
}

TEST_F(WelcomeTest, WithoutTheTickItComesAgain) {
    start_and_answer(false);
    EXPECT_EQ(1, static_cast<int>(GetPrivateProfileIntA("KELVAN", "DIALOG", -1, (folder + "\\config.ini").c_str())));
    start_and_answer(true);
    expect_no_error_log();
}

// --- help -------------------------------------------------------------------------

// A stand-in browser: .html files open with kelvane_open_recorder.exe
// (beside this program), which writes the path it was given into a file
// and ends.
class OpenRecorder {
public:
    explicit OpenRecorder(const std::string& record) : record_(record) {
        DeleteFileA(record_.c_str());
        char self[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, self, sizeof self);
        std::string folder = self;
        folder = folder.substr(0, folder.find_last_of('\\') + 1);
        std::string command = "\"" + folder + "kelvane_open_recorder.exe\" \"" + record_ + "\" \"%1\"";
        char old[256] = "";
        LONG size = sizeof old;
        had_old_ = RegQueryValueA(HKEY_CLASSES_ROOT, ".html", old, &size) == ERROR_SUCCESS;
        old_ = old;
        RegSetValueA(HKEY_CLASSES_ROOT, ".html", REG_SZ, "KelvaneE2eHtml", 0);
        RegSetValueA(HKEY_CLASSES_ROOT, "KelvaneE2eHtml\\shell\\open\\command", REG_SZ, command.c_str(), 0);
    }
    ~OpenRecorder() {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "KelvaneE2eHtml");
        if (had_old_) {
            RegSetValueA(HKEY_CLASSES_ROOT, ".html", REG_SZ, old_.c_str(), 0);
        } else {
            RegDeleteTreeA(HKEY_CLASSES_ROOT, ".html");
        }
        DeleteFileA(record_.c_str());
    }
    // The path the last open asked for, once it was asked.
    std::string wait_opened() {
        std::string text;
        probe_wait([&] { return !(text = e2e_read_file(record_)).empty(); }, k_slow_wait_ms);
        DeleteFileA(record_.c_str());
        return text;
    }

private:
    std::string record_;
    bool had_old_ = false;
    std::string old_;
};

bool e2e_same_path(const std::string& a, const std::string& b) {
    return a.size() == b.size() && _stricmp(a.c_str(), b.c_str()) == 0;
}

// "ヘルプ" in the tray menu and the version page's link both open help.html
// beside the program.
TEST_F(SettingsSheetTest, HelpAndTheVersionLinkOpenHelpHtmlBesideTheProgram) {
    std::string program_folder = g_program.substr(0, g_program.find_last_of('\\'));
    ASSERT_TRUE(CopyFileA((program_folder + "\\help.html").c_str(), (folder + "\\help.html").c_str(), FALSE))
        << "the build puts help.html beside kelvane.exe";
    OpenRecorder recorder(folder + "\\opened.txt");
    with_instance("", [&](HWND main, size_t) {
        ASSERT_TRUE(e2e_tray_pick(main, k_tray_help));
        std::string opened = recorder.wait_opened();
        EXPECT_TRUE(e2e_same_path(folder + "\\help.html", opened)) << opened;

        HWND sheet = open_sheet(main);
        ASSERT_NE(nullptr, sheet);
        HWND page = e2e_page(sheet, 4);
        HWND link = GetDlgItem(page, 2028);
        char text[64] = "";
        GetWindowTextA(link, text, sizeof text);
        EXPECT_STREQ("help.html", text);
        POINT centre = {0, 0};
        RECT r;
        GetWindowRect(link, &r);
        centre.x = r.right - 10;
        centre.y = (r.top + r.bottom) / 2;
        e2e_click_at(centre, false);
        opened = recorder.wait_opened();
        EXPECT_TRUE(e2e_same_path(folder + "\\help.html", opened)) << opened;
        close_sheet(main, sheet, IDCANCEL);
    });
    expect_no_error_log();
}

// --- faults, races and bad input ----------------------------------------------

// Two starts at the same moment, 20 times: each time exactly one becomes
// the instance, the other hands its command over (a new memo) and exits
// with 1.
TEST_F(KelvaneTest, TwoStartsAtOnceGiveOneInstanceEveryTime) {
    for (int round = 0; round < 20 && !HasFailure(); round++) {
        size_t a = start("");
        size_t b = start("");
        ASSERT_NE(static_cast<size_t>(-1), a);
        ASSERT_NE(static_cast<size_t>(-1), b);
        ASSERT_TRUE(probe_wait([&] { return !running(a) || !running(b); }, k_start_timeout_ms))
            << "round " << round << ": neither start ended, two instances";
        size_t instance = running(a) ? a : b;
        size_t second = instance == a ? b : a;
        EXPECT_EQ(1, wait_exit(second)) << "round " << round;
        HWND main = nullptr;
        ASSERT_TRUE(probe_wait([&] { return (main = probe_main_window()) != nullptr; }, k_start_timeout_ms));
        std::vector<HWND> mains = e2e_main_windows();
        ASSERT_EQ(1u, mains.size()) << "round " << round;
        DWORD owner = 0;
        GetWindowThreadProcessId(main, &owner);
        EXPECT_EQ(processes[instance].info.dwProcessId, owner) << "round " << round;
        EXPECT_EQ(1u, probe_windows(MEMO_WINDOW_CLASS, main).size())
            << "round " << round << ": the handed-over command made one memo";
        exit_instance(main, instance);
    }
    expect_no_error_log();
}

// Whether the instance's tray icon is there: the shell changes only an
// icon it has.
bool e2e_tray_icon_present(HWND main) {
    NOTIFYICONDATAA icon;
    ZeroMemory(&icon, sizeof icon);
    icon.cbSize = sizeof icon;
    icon.hWnd = main;
    icon.uID = 0;
    return Shell_NotifyIconA(NIM_MODIFY, &icon) != 0;
}

// A text longer than a memo takes is answered with 0 and makes nothing; a
// huge one (16 MB, more than Wine hands over at all) must not end the
// program: its memos, its tray icon and its settings all stay, and the
// next text still becomes a memo.
TEST_F(KelvaneTest, OversizedCopyDataLeavesTheProgramWhole) {
    with_instance("", [&](HWND hwnd, size_t first) {
        HWND memo = e2e_copydata_memo(hwnd, "before");
        ASSERT_NE(nullptr, memo);
        ASSERT_TRUE(probe_wait([&] { return e2e_tray_icon_present(hwnd); }, k_wait_ms));

        std::string over(COPYDATA_TEXT_MAX + 1, 'x');
        COPYDATASTRUCT data = {0, static_cast<DWORD>(over.size() + 1), &over[0]};
        LRESULT result = -1;
        ASSERT_TRUE(probe_send(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), &result));
        EXPECT_EQ(0, result) << "one byte over the bound";

        std::string huge(16 * 1024 * 1024, 'y');
        data.cbData = static_cast<DWORD>(huge.size());
        data.lpData = &huge[0];
        result = -1;
        // Windows delivers it and it is answered with 0; Wine drops it on
        // the way and leaves the sender without an answer.
        if (probe_send(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), &result, 5000)) {
            EXPECT_EQ(0, result);
        }
        Sleep(k_settle_ms);
        ASSERT_TRUE(running(first)) << "the program ended";
        EXPECT_EQ(hwnd, probe_main_window());
        EXPECT_TRUE(IsWindowVisible(memo)) << "the memo is gone";
        EXPECT_TRUE(e2e_tray_icon_present(hwnd)) << "the tray icon is gone";
        EXPECT_NE(nullptr, e2e_copydata_memo(hwnd, "after"));
        EXPECT_EQ(2u, probe_windows(MEMO_WINDOW_CLASS, hwnd).size());
    });
    expect_no_error_log();
    expect_memo_texts({"before", "after"});
    EXPECT_NE(std::string::npos, e2e_read_file(folder + "\\config.ini").find("TOPMOST="))
        << "the settings were written at exit";
}

// The answer of the main window to a message that needs nothing, within
// a second, asked for two seconds: the program never stops answering.
void e2e_expect_answering(HWND main, const char* when) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 2000) {
        LRESULT result = 0;
        ASSERT_TRUE(probe_send(main, WM_NULL, 0, 0, &result, 1000)) << "no answer within a second " << when;
        Sleep(50);
    }
}

// A memo of 10 MB is loaded and shown; its edit box is not opened (that
// would take the rich edit minutes) but a notice says where the text can
// be edited, and the program goes on answering.  Its memo-list entry is
// cut, so the tray menu still opens.  A memo of 60,000 characters, more
// than the rich edit takes by default, opens whole and takes more text.
TEST_F(KelvaneTest, HugeMemoGivesANoticeInsteadOfAFrozenEditBox) {
    ASSERT_TRUE(e2e_make_folders(folder + "\\kelvan"));
    std::string line = std::string(59, 'a') + "\n";
    std::string huge;
    while (huge.size() < 10 * 1024 * 1024) huge += line;
    std::string large;
    while (large.size() < 60000) large += line;
    const char ini[] = "[KELVAN]\r\nX=100\r\nY=100\r\nWIDTH=200\r\nHEIGHT=150\r\nQUADRANT=2\r\n";
    ASSERT_TRUE(e2e_write_file(folder + "\\kelvan\\huge.txt", huge));
    ASSERT_TRUE(e2e_write_file(folder + "\\kelvan\\huge.ini", ini));
    ASSERT_TRUE(e2e_write_file(folder + "\\kelvan\\large.txt", large));
    ASSERT_TRUE(e2e_write_file(folder + "\\kelvan\\large.ini", ini));
    with_instance("", [&](HWND hwnd, size_t) {
        std::vector<HWND> memos;
        ASSERT_TRUE(probe_wait([&] { return (memos = probe_windows(MEMO_WINDOW_CLASS, hwnd)).size() == 2; },
                               k_wait_ms));
        e2e_expect_answering(hwnd, "after loading a 10 MB memo");
        for (HWND memo : memos) {
            PostMessageA(memo, WM_COMMAND, MEMO_CMD_EDIT, 0);
        }
        e2e_expect_answering(hwnd, "with both edit boxes asked for");
        std::vector<HWND> notices;
        ASSERT_TRUE(probe_wait([&] { return !(notices = probe_program_dialogs(hwnd, PROGRAM_CAPTION)).empty(); },
                               k_wait_ms));
        EXPECT_NE(std::string::npos, probe_box_text(notices[0]).find("huge.txt")) << probe_box_text(notices[0]);
        std::vector<HWND> boxes = probe_windows(EDIT_BOX_CLASS, nullptr, true);
        ASSERT_EQ(1u, boxes.size()) << "only the 60,000-character memo opens";
        // The box counts each line end as CR LF.
        const LRESULT expected = static_cast<LRESULT>(large.size() + large.size() / line.size());
        LRESULT length = 0;
        ASSERT_TRUE(probe_send(boxes[0], WM_GETTEXTLENGTH, 0, 0, &length));
        EXPECT_EQ(expected, length) << "the whole text, past 32,767";
        HWND text = GetDlgItem(boxes[0], IDC_EDIT_TEXT);
        SendMessageW(text, EM_SETSEL, length, length);
        SendMessageW(text, WM_CHAR, 'z', 0);
        ASSERT_TRUE(probe_send(boxes[0], WM_GETTEXTLENGTH, 0, 0, &length));
        EXPECT_EQ(expected + 1, length) << "typing goes on past the default limit";
        PostMessageA(notices[0], WM_COMMAND, IDOK, 0);
        PostMessageA(boxes[0], WM_CLOSE, 0, 0);
        EXPECT_TRUE(probe_wait([&] { return probe_program_dialogs(hwnd, PROGRAM_CAPTION).empty(); }, k_wait_ms));
        EXPECT_TRUE(e2e_tray_pick(hwnd, 1)) << "the tray menu with the 10 MB memo in its list";
        e2e_expect_answering(hwnd, "after the tray menu");
    });
    expect_no_error_log();
}

// --- saves that must land ------------------------------------------------------

// What saving needs from outside: the data folder's files, memos made with
// WM_COPYDATA, and the program's own boxes.
class SaveTest : public KelvaneTest {
protected:
    std::string data() const { return folder + "\\kelvan"; }

    // The names in the data folder matching pattern, sorted.
    std::vector<std::string> names(const char* pattern) const {
        std::vector<std::string> found;
        WIN32_FIND_DATAA entry;
        HANDLE find = FindFirstFileA((data() + "\\" + pattern).c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                found.push_back(entry.cFileName);
            } while (FindNextFileA(find, &entry));
            FindClose(find);
        }
        std::sort(found.begin(), found.end());
        return found;
    }

    static HWND send_text(HWND main, const char* text) {
        COPYDATASTRUCT copy = {0, static_cast<DWORD>(strlen(text) + 1), const_cast<char*>(text)};
        LRESULT result = 0;
        EXPECT_TRUE(probe_send(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy), &result));
        return reinterpret_cast<HWND>(result);
    }

    static std::vector<HWND> memos(HWND main) { return probe_windows(MEMO_WINDOW_CLASS, main); }

    static HWND first_of(const std::vector<HWND>& windows) { return windows.empty() ? nullptr : windows[0]; }

    // A text file's text, without its byte-order mark.
    static std::string text_of(const std::string& file) {
        std::string text = e2e_read_file(file);
        return text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text;
    }

    // The program's message boxes that are up now.
    static std::vector<HWND> boxes(HWND main) { return probe_program_dialogs(main, PROGRAM_CAPTION); }

    // The value of an INI key, or "" when the file or the key is missing.
    std::string ini_value(const std::string& file, const char* key) const {
        std::string text = "\r\n" + e2e_read_file(file);
        std::string tag = std::string("\r\n") + key + "=";
        size_t at = text.find(tag);
        if (at == std::string::npos) return "";
        at += tag.size();
        return text.substr(at, text.find('\r', at) - at);
    }

    // Opens the edit box of memo, puts text into it and commits it with
    // Ctrl+Enter's command, as the user does.
    static void edit(HWND memo, const wchar_t* text) {
        PostMessageA(memo, WM_COMMAND, MEMO_CMD_EDIT, 0);
        HWND box = nullptr;
        ASSERT_TRUE(probe_wait([&] { return (box = first_of(probe_windows(EDIT_BOX_CLASS))) != nullptr; },
                               k_wait_ms));
        HWND rich = FindWindowExW(box, nullptr, L"RichEdit20W", nullptr);
        ASSERT_NE(nullptr, rich);
        SendMessageW(rich, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        PostMessageA(box, WM_COMMAND, ID_ACCEL_CTRL_ENTER, 0);
        ASSERT_TRUE(probe_wait([] { return probe_windows(EDIT_BOX_CLASS).empty(); }, k_wait_ms));
    }
};

// Another program (an indexer, a virus scanner, a sync client) holds a
// memo's text and INI open without delete sharing while the text is edited
// and the colour changed.  The program keeps answering, says nothing, and
// both changes reach the files once the files are let go.
TEST_F(SaveTest, ChangesReachFilesThatAnotherProgramHeld) {
    with_instance("", [&](HWND hwnd, size_t first) {
        HWND memo = send_text(hwnd, "before");
        ASSERT_TRUE(IsWindow(memo));
        std::vector<std::string> inis = names("*.ini");
        ASSERT_EQ(1u, inis.size());
        std::string ini = data() + "\\" + inis[0];
        std::string txt = ini.substr(0, ini.size() - 4) + ".txt";
        HANDLE held[2];
        int n = 0;
        for (const std::string& file : {txt, ini}) {
            held[n] = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(INVALID_HANDLE_VALUE, held[n++]) << file;
        }
        edit(memo, L"edited while held");
        PostMessageA(memo, WM_COMMAND, MEMO_CMD_COLOR + 4, 0);
        DWORD start = GetTickCount();
        LRESULT answer = 0;
        EXPECT_TRUE(probe_send(hwnd, MSG_GET_TRANSPARENCY, 0, 0, &answer));
        EXPECT_LT(GetTickCount() - start, 1000u) << "the program must keep answering";
        Sleep(3000);
        EXPECT_EQ("before", text_of(txt));
        EXPECT_NE("4", ini_value(ini, "COLOR"));
        EXPECT_TRUE(boxes(hwnd).empty()) << "a file held for seconds is not worth a word";
        CloseHandle(held[0]);
        CloseHandle(held[1]);
        EXPECT_TRUE(probe_wait([&] { return text_of(txt) == "edited while held"; }, k_wait_ms));
        EXPECT_TRUE(probe_wait([&] { return ini_value(ini, "COLOR") == "4"; }, k_wait_ms));
        EXPECT_TRUE(boxes(hwnd).empty());
        EXPECT_TRUE(names("*.tmp").empty());
        EXPECT_TRUE(running(first));
    });
    expect_no_error_log();
}

// INI values nobody should have written: a memo that would cover the
// desktop many times over, ones of no size, one far right of the screen
// and one far below.  Each comes up within reach; the files keep their
// values until the memo is saved again (here: moved).
TEST_F(KelvaneTest, OutOfRangeIniValuesGiveMemosWithinReach) {
    ASSERT_TRUE(e2e_make_folders(folder + "\\kelvan"));
    const char* inis[] = {
        "[KELVAN]\r\nX=0\r\nY=0\r\nWIDTH=2147483647\r\nHEIGHT=2147483647\r\nQUADRANT=2\r\n",
        "[KELVAN]\r\nX=40\r\nY=40\r\nWIDTH=0\r\nHEIGHT=-5\r\nQUADRANT=2\r\n",
        "[KELVAN]\r\nX=5000\r\nY=20\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=2\r\n",
        "[KELVAN]\r\nX=10\r\nY=-3000\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=4\r\n",
    };
    for (int i = 0; i < 4; i++) {
        std::string base = folder + "\\kelvan\\m" + std::to_string(i);
        ASSERT_TRUE(e2e_write_file(base + ".txt", "memo " + std::to_string(i)));
        ASSERT_TRUE(e2e_write_file(base + ".ini", inis[i]));
    }
    const int desk_width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int desk_height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    with_instance("", [&](HWND hwnd, size_t) {
        std::vector<HWND> memos;
        ASSERT_TRUE(probe_wait([&] { return (memos = probe_windows(MEMO_WINDOW_CLASS, hwnd)).size() == 4; },
                               k_wait_ms));
        for (HWND memo : memos) {
            RECT r;
            GetWindowRect(memo, &r);
            EXPECT_TRUE(MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr)
                << r.left << "," << r.top << " is off every monitor";
            EXPECT_GE(r.right - r.left, 30);
            EXPECT_GE(r.bottom - r.top, 30);
            EXPECT_LE(r.right - r.left, desk_width);
            EXPECT_LE(r.bottom - r.top, desk_height);
        }
        Sleep(k_settle_ms);
        for (int i = 0; i < 4; i++) {
            EXPECT_EQ(inis[i], e2e_read_file(folder + "\\kelvan\\m" + std::to_string(i) + ".ini"))
                << "memo " << i << " was written without being saved";
        }
        // A move is a save: the place on the screen reaches the file.
        RECT r;
        GetWindowRect(memos[0], &r);
        SetWindowPos(memos[0], nullptr, r.left + 5, r.top + 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_TRUE(probe_wait([&] {
            for (int i = 0; i < 4; i++) {
                if (e2e_read_file(folder + "\\kelvan\\m" + std::to_string(i) + ".ini") != inis[i]) return true;
            }
            return false;
        }, k_wait_ms)) << "the moved memo's file did not change";
    });
    expect_no_error_log();
}

// The files a kill left during the first save of a new memo: the text
// complete and the INI still in the program's temporary file.  The memo
// shows again, at start-up and, for a state that arrives while the program
// runs, on refresh; every other left-over temporary file of the program's
// own goes, other programs' files stay.
TEST_F(SaveTest, ACrashStateOfANewMemoShowsAgain) {
    const std::string ini_keys =
        "[KELVAN]\r\nX=40\r\nY=40\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=2\r\nLEFT=40\r\nTOP=40\r\n"
        "RIGHT=200\r\nBOTTOM=160\r\nCOLOR=4\r\nDAY=67\r\nTIME=545\r\n";
    ASSERT_TRUE(e2e_make_folders(data()));
    const std::pair<const char*, std::string> files[] = {
        {"20240101000000.txt", "recovered"},
        {"20240101000000.ini.tmp", ini_keys},
        {"20240101000001.txt", "whole"},
        {"20240101000001.ini", ini_keys},
        {"20240101000001.txt.tmp", "who"},
        {"20240101000001.ini.tmp", "[KELVAN]\r\nX="},
        {"20240101000002.ini.tmp", ini_keys},
        {"20240101000003.txt.tmp", "never landed"},
        {"other.tmp", "another program's"},
    };
    for (const auto& f : files) ASSERT_TRUE(e2e_write_file(data() + "\\" + f.first, f.second));
    with_instance("", [&](HWND hwnd, size_t) {
        EXPECT_TRUE(probe_wait([&] { return memos(hwnd).size() == 2; }, k_wait_ms));
        EXPECT_EQ(ini_keys, e2e_read_file(data() + "\\20240101000000.ini"));
        EXPECT_EQ(ini_keys, e2e_read_file(data() + "\\20240101000001.ini"));
        EXPECT_EQ("whole", e2e_read_file(data() + "\\20240101000001.txt"));
        EXPECT_EQ(std::vector<std::string>{"other.tmp"}, names("*.tmp"));

        ASSERT_TRUE(e2e_write_file(data() + "\\20240101000004.txt", "from another computer"));
        ASSERT_TRUE(e2e_write_file(data() + "\\20240101000004.ini.tmp", ini_keys));
        LRESULT result = 0;
        ASSERT_TRUE(probe_send(hwnd, WM_COMMAND, CMD_REFRESH, 0, &result));
        EXPECT_EQ(3u, memos(hwnd).size());
        EXPECT_EQ(ini_keys, e2e_read_file(data() + "\\20240101000004.ini"));
        EXPECT_EQ(std::vector<std::string>{"other.tmp"}, names("*.tmp"));
    });
    expect_no_error_log();
    expect_memo_texts({"recovered", "whole", "from another computer"});
}

// A data folder removed while the program runs comes back with the memo's
// next save, the whole pair with it.
TEST_F(SaveTest, ARemovedDataFolderIsMadeAgainAtTheNextSave) {
    // The folder watch holds the data folder open, and Wine (unlike Windows
    // with delete sharing) will not remove an open folder: watch off here.
    ASSERT_TRUE(e2e_write_file(folder + "\\config.ini", "[KELVAN]\r\nDIALOG=0\r\nAUTOREFRESH=0\r\n"));
    with_instance("", [&](HWND hwnd, size_t) {
        HWND memo = send_text(hwnd, "still here");
        ASSERT_TRUE(IsWindow(memo));
        e2e_delete_tree(e2e_long_path(data()));
        ASSERT_FALSE(e2e_file_exists(data()));
        PostMessageA(memo, WM_COMMAND, MEMO_CMD_COLOR + 2, 0);
        EXPECT_TRUE(probe_wait([&] { return names("*.ini").size() == 1; }, k_wait_ms));
        std::vector<std::string> inis = names("*.ini");
        ASSERT_EQ(1u, inis.size());
        EXPECT_EQ("2", ini_value(data() + "\\" + inis[0], "COLOR"));
        EXPECT_TRUE(boxes(hwnd).empty());
    });
    expect_no_error_log();
    expect_memo_texts({"still here"});
}

// A PATH that cannot be the data folder (too long, or its parent folder
// missing): the program says so once at start-up, naming the folder it
// uses instead, works in that folder, and leaves the user's PATH in
// config.ini at exit.
struct path_case {
    const char* name;
    const char* why;
};

void PrintTo(const path_case& c, std::ostream* out) { *out << c.name; }

class UnusablePathTest : public SaveTest, public ::testing::WithParamInterface<path_case> {};

TEST_P(UnusablePathTest, IsToldOnceAndKept) {
    std::string path = std::string(GetParam().name) == "TooLong"
                           ? folder + "\\" + std::string(280 - folder.size(), 'p')
                           : folder + "\\missing\\kelvan";
    std::string config = "[KELVAN]\r\nDIALOG=0\r\nPORTABLE=0\r\nPATH=" + path + "\r\n";
    ASSERT_TRUE(e2e_write_file(folder + "\\config.ini", config));
    with_instance("", [&](HWND hwnd, size_t) {
        HWND box = nullptr;
        ASSERT_TRUE(probe_wait([&] { return (box = first_of(boxes(hwnd))) != nullptr; }, k_wait_ms));
        std::string notice = probe_box_text(box);
        EXPECT_NE(std::string::npos, notice.find(GetParam().why)) << notice;
        EXPECT_NE(std::string::npos, notice.find("代わりに「" + data() + "」")) << notice;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(probe_wait([&] { return boxes(hwnd).empty(); }, k_wait_ms));
        Sleep(k_settle_ms);
        EXPECT_TRUE(boxes(hwnd).empty()) << "said once";
        ASSERT_TRUE(IsWindow(send_text(hwnd, "in the default folder")));
    });
    expect_memo_texts({"in the default folder"});
    std::string saved = e2e_read_file(folder + "\\config.ini");
    EXPECT_NE(std::string::npos, saved.find("\r\nPATH=" + path + "\r\n")) << saved;
    EXPECT_NE(std::string::npos, saved.find("\r\nSHOW=1\r\n")) << "the other settings are saved";
    expect_no_error_log();
}

std::string e2e_path_name(const ::testing::TestParamInfo<path_case>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Paths, UnusablePathTest,
                         ::testing::Values(path_case{"TooLong", "パスが長すぎます"},
                                           path_case{"ParentMissing", "親フォルダが見つかりません"}),
                         e2e_path_name);


// --- every text the user reads, in every code page ---------------------------------
//
// These run in the Japanese session (code page 932) and once more in an
// English one (scripts/test passes --code-page=1252), where a narrow text
// handed to the system would read as "?".  The texts are read through the
// wide functions, from inside the program (text_reader.h).

// Whether a line of the reader is of kind ("tab", "menu|1", ...) and shows
// text as its last field.
bool e2e_shows(const std::vector<std::string>& lines, const std::string& kind, const std::string& text) {
    for (const std::string& line : lines) {
        if (line.compare(0, kind.size() + 1, kind + "|") == 0 && line.size() >= text.size() + 1 &&
            line.compare(line.size() - text.size() - 1, std::string::npos, "|" + text) == 0) {
            return true;
        }
    }
    return false;
}

// The last field of the first line of kind whose last field begins with
// start; "" when there is none.
std::string e2e_shown_text(const std::vector<std::string>& lines, const std::string& kind,
                           const std::string& start) {
    for (const std::string& line : lines) {
        if (line.compare(0, kind.size() + 1, kind + "|") != 0) {
            continue;
        }
        std::string text = line.substr(line.rfind('|') + 1);
        if (text.compare(0, start.size(), start) == 0) {
            return text;
        }
    }
    return "";
}

std::string e2e_joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) {
        all += "\n  " + line;
    }
    return all;
}

std::wstring e2e_wide(const std::string& ansi) {
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) {
        MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &wide[0], n);
    }
    return wide;
}

// Keys as the keyboard sends them, into the focus window of the program.
void e2e_send_keys(std::vector<INPUT> keys) {
    for (INPUT& key : keys) {
        SendInput(1, &key, sizeof key);
        Sleep(20);
    }
}

// Each UTF-16 unit as a key of its own: a character outside the basic
// plane arrives as its two surrogates, as an input method sends it.
void e2e_type(const std::wstring& text) {
    std::vector<INPUT> keys;
    for (wchar_t unit : text) {
        for (DWORD up : {0ul, static_cast<unsigned long>(KEYEVENTF_KEYUP)}) {
            INPUT key;
            ZeroMemory(&key, sizeof key);
            key.type = INPUT_KEYBOARD;
            key.ki.wScan = unit;
            key.ki.dwFlags = KEYEVENTF_UNICODE | up;
            keys.push_back(key);
        }
    }
    e2e_send_keys(keys);
}

void e2e_ctrl_enter() {
    std::vector<INPUT> keys;
    for (WORD vk : {VK_CONTROL, VK_RETURN, VK_RETURN, VK_CONTROL}) {
        INPUT key;
        ZeroMemory(&key, sizeof key);
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = vk;
        key.ki.dwFlags = keys.size() >= 2 ? KEYEVENTF_KEYUP : 0;
        keys.push_back(key);
    }
    e2e_send_keys(keys);
}

UINT g_code_page = 0;  // --code-page=N: the code page the session must have

class VisibleTextTest : public KelvaneTest {
protected:
    void SetUp() override {
        if (g_code_page) {
            ASSERT_EQ(g_code_page, GetACP()) << "the session does not have the code page asked for";
        }
        KelvaneTest::SetUp();
        if (!HasFatalFailure()) {
            ASSERT_TRUE(e2e_write_file(folder + "\\config.ini", "[KELVAN]\r\nDIALOG=0\r\nBALLOON=0\r\n"));
        }
    }

    // Every text the running instance shows.  The reader library is copied
    // into the test's folder first, so that what it writes goes there too.
    std::vector<std::string> texts(HWND main) {
        wchar_t self[MAX_PATH] = L"";
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring source = self;
        source = source.substr(0, source.find_last_of(L'\\') + 1) + L"kelvane_text_reader.dll";
        std::wstring dll = e2e_wide(folder) + L"\\text_reader.dll";
        EXPECT_TRUE(CopyFileW(source.c_str(), dll.c_str(), FALSE)) << "kelvane_text_reader.dll";
        std::vector<std::string> lines;
        EXPECT_TRUE(text_reader_read(main, dll, &lines)) << "nothing read" << e2e_joined(lines);
        if (!lines.empty()) {
            EXPECT_EQ("acp|" + std::to_string(GetACP()), lines[0]) << "the program's code page";
        }
        return lines;
    }

    // The texts while the tray menu is open (with a right click on the
    // icon, as the shell reports it); the menu is closed again.
    std::vector<std::string> tray_menu_texts(HWND main) {
        PostMessageA(main, MSG_TRAY_NOTIFY, 0, WM_RBUTTONDOWN);
        HWND menu = nullptr;
        if (!probe_wait([&] { return (menu = probe_shown_menu()) != nullptr; }, k_wait_ms)) {
            ADD_FAILURE() << "no tray menu";
            return {};
        }
        std::vector<std::string> lines = texts(main);
        probe_wait([&] {
            PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
            return probe_wait([&] { return probe_shown_menu() == nullptr; }, 500);
        }, k_wait_ms);
        return lines;
    }

    // A memo's text in its tooltip, with the stamp line under it, and in the
    // tray's memo list.
    void expect_memo_shown(HWND main, const std::string& text) {
        std::vector<std::string> lines = texts(main);
        EXPECT_NE("", e2e_shown_text(lines, "tip", text + "\\n" + u8"最終更新日 ")) << e2e_joined(lines);
        lines = tray_menu_texts(main);
        EXPECT_TRUE(e2e_shows(lines, "menu|1", text)) << e2e_joined(lines);
    }

    // The one memo text file's bytes; "" while there is none.
    std::string only_memo_file() const {
        WIN32_FIND_DATAA entry;
        HANDLE find = FindFirstFileA((folder + "\\kelvan\\*.txt").c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE) {
            return "";
        }
        FindClose(find);
        return e2e_read_file(folder + "\\kelvan\\" + entry.cFileName);
    }
};

TEST_F(VisibleTextTest, WelcomeDialog) {
    ASSERT_TRUE(e2e_write_file(folder + "\\config.ini", "[KELVAN]\r\nBALLOON=0\r\n"));
    with_instance("", [&](HWND main, size_t) {
        HWND welcome = nullptr;
        ASSERT_TRUE(probe_wait([&] { return (welcome = e2e_welcome(main)) != nullptr; }, k_start_timeout_ms));
        std::vector<std::string> lines = texts(main);
        EXPECT_TRUE(e2e_shows(lines, "window", "Kelvane")) << e2e_joined(lines);
        EXPECT_NE("", e2e_shown_text(lines, "child",
                                     u8"『Kelvane』をご利用いただきありがとうございます。\\n\\n"
                                     u8"『Kelvane』はインストーラ不要のプログラムです。"))
            << e2e_joined(lines);
        EXPECT_TRUE(e2e_shows(lines, "child", u8"このメッセージを再表示しない。")) << e2e_joined(lines);
        PostMessageA(welcome, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(probe_wait([&] { return e2e_welcome(main) == nullptr; }, k_wait_ms));
    });
}

// config.ini holds code page 932 (these narrow literals are code page 932
// too): its names are read with that code page and written back byte for
// byte, whatever the system's code page.
const char k_config_names[] = "[KELVAN]\r\nDIALOG=0\r\nBALLOON=0\r\nCOLORTEXT1=夕焼け色\r\nFONTNAME=ＭＳ 明朝\r\n";

TEST_F(VisibleTextTest, EachPageOfTheSettingsSheet) {
    ASSERT_TRUE(e2e_write_file(folder + "\\config.ini", k_config_names));
    with_instance("", [&](HWND main, size_t) {
        PostMessageA(main, WM_COMMAND, CMD_SETTINGS, 0);
        // Found by its caption through the wide functions, as another
        // program would look for it.
        HWND sheet = nullptr;
        ASSERT_TRUE(probe_wait([&] { return (sheet = FindWindowW(L"#32770", L"設定")) != nullptr; }, k_wait_ms));
        for (int page = 4; page >= 0; page--) {
            e2e_page(sheet, page);  // every page made, the first one shown
        }
        std::vector<std::string> lines = texts(main);
        const struct {
            const char* kind;
            const char* text;
        } shown[] = {
            {"tab", u8"設定"}, {"tab", u8"メモの色"}, {"tab", u8"データと位置"}, {"tab", u8"詳細"},
            {"tab", u8"バージョン情報"},
            {"child", u8"常に手前に表示"}, {"child", u8"10秒"}, {"child", u8"不透明"},
            {"tip", u8"メモを常に手前に表示します。"},
            // What the pages put in: the font, its style and the slot names.
            {"child", u8"フォント名"}, {"child", u8"ＭＳ 明朝"}, {"child", u8"標準"},
            {"child", u8"夕焼け色"}, {"child", u8"カナリアイエロー"}, {"tip", u8"色の名前を編集します。"},
            {"child", u8"ポータブルモード"}, {"child", u8"LF (for UNIX、macOS)"},
            {"tip", u8"テキストファイル(UTF-8)にバイトオーダーマーク(BOM)を追加します。"},
            {"child", u8"タスクバーの位置とサイズ"},
            {"tip", u8"タスクバーが左右にある場合にタスクバーのサイズ(幅)を指定します"},
        };
        for (const auto& s : shown) {
            EXPECT_TRUE(e2e_shows(lines, s.kind, s.text)) << s.kind << " " << s.text;
        }
        std::string version = e2e_shown_text(lines, "child", "Kelvane Ver.");
        EXPECT_NE(std::string::npos, version.find(u8" 64bit版")) << version;
        if (HasFailure()) {
            ADD_FAILURE() << "read:" << e2e_joined(lines);
        }
        PostMessageA(GetDlgItem(sheet, IDCANCEL), BM_CLICK, 0, 0);
        EXPECT_TRUE(probe_wait([&] { return !IsWindow(sheet); }, k_wait_ms));
    });
    std::string config = e2e_read_file(folder + "\\config.ini");
    for (const char* line : {"\r\nCOLORTEXT1=夕焼け色\r\n", "\r\nCOLORTEXT2=カナリアイエロー\r\n",
                             "\r\nFONTNAME=ＭＳ 明朝\r\n"}) {
        EXPECT_NE(std::string::npos, config.find(line)) << "not in code page 932: " << line;
    }
}

// The memo's own menu: its items and the colour slots' names.
TEST_F(VisibleTextTest, MemosOwnMenu) {
    ASSERT_TRUE(e2e_write_file(folder + "\\config.ini", k_config_names));
    with_instance("", [&](HWND main, size_t) {
        HWND memo = e2e_copydata_memo(main, u8"メモ");
        ASSERT_NE(nullptr, memo);
        RECT r;
        GetWindowRect(memo, &r);
        PostMessageA(memo, WM_NCRBUTTONDOWN, HTCAPTION, MAKELPARAM(r.left + 20, r.top + 20));
        HWND menu = nullptr;
        ASSERT_TRUE(probe_wait([&] { return (menu = probe_shown_menu()) != nullptr; }, k_wait_ms));
        std::vector<std::string> lines = texts(main);
        for (const char* item : {u8"付箋の色", u8"編集する", u8"はがす"}) {
            EXPECT_TRUE(e2e_shows(lines, "menu|0", item)) << item;
        }
        EXPECT_TRUE(e2e_shows(lines, "menu|1", u8"夕焼け色"));
        EXPECT_TRUE(e2e_shows(lines, "menu|1", u8"スノーホワイト"));
        if (HasFailure()) {
            ADD_FAILURE() << "read:" << e2e_joined(lines);
        }
        probe_wait([&] {
            PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
            return probe_wait([&] { return probe_shown_menu() == nullptr; }, 500);
        }, k_wait_ms);
    });
}

TEST_F(VisibleTextTest, TrayMenuWithItsMemoList) {
    with_instance("", [&](HWND main, size_t) {
        ASSERT_NE(nullptr, e2e_copydata_memo(main, u8"日本語のメモ"));
        ASSERT_NE(nullptr, e2e_copydata_memo(main, u8"一行目\r\n二行目\n三行目"));
        std::vector<std::string> lines = tray_menu_texts(main);
        for (const char* item : {u8"付箋を貼る", u8"非表示", u8"メモを更新", u8"メモリスト", u8"設定",
                                 u8"ヘルプ", u8"終了", u8"キャンセル"}) {
            EXPECT_TRUE(e2e_shows(lines, "menu|0", item)) << item;
        }
        // The newest memo first; each line break reads as a space.
        EXPECT_TRUE(e2e_shows(lines, "menu|1", u8"一行目 二行目 三行目"));
        EXPECT_TRUE(e2e_shows(lines, "menu|1", u8"日本語のメモ"));
        if (HasFailure()) {
            ADD_FAILURE() << "read:" << e2e_joined(lines);
        }
    });
}

TEST_F(VisibleTextTest, MessageBoxOfTheHiddenMode) {
    with_instance("", [&](HWND main, size_t) {
        LRESULT result = 0;
        ASSERT_TRUE(probe_send(main, WM_COMMAND, CMD_TOGGLE_SHOW, 0, &result));
        // A new memo while the memos are hidden: the program says why not.
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(CMD_NEW_MEMO, MEMO_PLACE_TRAY), 0);
        HWND box = nullptr;
        ASSERT_TRUE(probe_wait([&] {
            std::vector<HWND> boxes = probe_program_dialogs(main, "Kelvane");
            return (box = boxes.empty() ? nullptr : boxes[0]) != nullptr;
        }, k_wait_ms));
        std::vector<std::string> lines = texts(main);
        EXPECT_TRUE(e2e_shows(lines, "window", "Kelvane")) << e2e_joined(lines);
        EXPECT_TRUE(e2e_shows(lines, "child", u8"現在非表示モードです。表示モードにしてからメモを作成して下さい。"))
            << e2e_joined(lines);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(probe_wait([&] { return !IsWindow(box); }, k_wait_ms));
        EXPECT_TRUE(probe_send(main, WM_COMMAND, CMD_TOGGLE_SHOW, 0, &result));
    });
}

// Typed with the keyboard: Japanese, ©, 한 and a character outside the
// basic plane.  The file holds the UTF-8 of exactly that, and the tooltip
// and the memo list show it, before and after a restart.
TEST_F(VisibleTextTest, TypedMemoIsSavedReloadedAndShownWhole) {
    ASSERT_TRUE(e2e_write_file(folder + "\\config.ini", "[KELVAN]\r\nDIALOG=0\r\nBALLOON=0\r\nTEXTBOX=1\r\n"));
    const std::string text = u8"日本語 © 한 \U0001F600";
    with_instance("", [&](HWND main, size_t) {
        LRESULT memo = 0;
        ASSERT_TRUE(probe_send(main, WM_COMMAND, MAKEWPARAM(CMD_NEW_MEMO, MEMO_PLACE_SECOND_START), 0, &memo));
        ASSERT_NE(0, memo);
        // The edit box opens with the keyboard focus in its text.
        ASSERT_TRUE(probe_wait([&] {
            HWND active = nullptr;
            HWND focus = nullptr;
            char name[64] = "";
            return probe_focus(&active, &focus) && focus && GetClassNameA(focus, name, sizeof name) &&
                   lstrcmpiA(name, "RichEdit20W") == 0;
        }, k_wait_ms)) << "no edit box with the focus";
        e2e_type(L"日本語 © 한 \U0001F600");
        e2e_ctrl_enter();
        std::string file;
        ASSERT_TRUE(probe_wait([&] { return !(file = only_memo_file()).empty(); }, k_wait_ms)) << "nothing saved";
        EXPECT_EQ("\xEF\xBB\xBF" + text, file);
        expect_memo_shown(main, text);
    });
    with_instance("", [&](HWND main, size_t) {
        ASSERT_TRUE(probe_wait([&] { return probe_windows(MEMO_WINDOW_CLASS, main).size() == 1; }, k_wait_ms));
        expect_memo_shown(main, text);
    });
    expect_no_error_log();
}

// The program in a folder whose name holds characters that neither the
// system's code page nor code page 932 has (é, 한) next to Japanese: it
// starts, keeps its memos beside itself, and finds them again.
TEST_F(VisibleTextTest, ProgramFolderWithCharactersTheCodePagesLack) {
    std::wstring place = e2e_wide(folder) + L"\\付箋 Café 한";
    ASSERT_TRUE(CreateDirectoryW(place.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(e2e_wide(exe).c_str(), (place + L"\\kelvane.exe").c_str(), FALSE));
    HANDLE config = CreateFileW((place + L"\\config.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, config);
    const char settings[] = "[KELVAN]\r\nDIALOG=0\r\nBALLOON=0\r\n";
    DWORD written = 0;
    WriteFile(config, settings, sizeof settings - 1, &written, nullptr);
    CloseHandle(config);

    // Started like Explorer would: the wide path, the folder as the current one.
    auto run = [&](auto body) {
        std::wstring command = L"\"" + place + L"\\kelvane.exe\"";
        STARTUPINFOW startup;
        ZeroMemory(&startup, sizeof startup);
        startup.cb = sizeof startup;
        e2e_process process;
        ZeroMemory(&process.info, sizeof process.info);
        process.started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, place.c_str(),
                                         &startup, &process.info) != 0;
        ASSERT_TRUE(process.started);
        processes.push_back(process);
        HWND main = nullptr;
        ASSERT_TRUE(probe_wait([&] { return (main = FindWindowA(MAIN_WINDOW_CLASS, nullptr)) != nullptr; },
                               k_start_timeout_ms));
        body(main);
        LRESULT result = 0;
        EXPECT_TRUE(probe_send(main, WM_COMMAND, CMD_EXIT, 0, &result));
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.info.hProcess, k_exit_timeout_ms));
    };
    auto memo_files = [&] {
        int count = 0;
        WIN32_FIND_DATAW entry;
        HANDLE find = FindFirstFileW((place + L"\\kelvan\\*.txt").c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                count++;
            } while (FindNextFileW(find, &entry));
            FindClose(find);
        }
        return count;
    };
    run([&](HWND main) {
        ASSERT_NE(nullptr, e2e_copydata_memo(main, u8"ここにある"));
        EXPECT_TRUE(probe_wait([&] { return memo_files() == 1; }, k_wait_ms)) << "no memo file beside the program";
    });
    run([&](HWND main) {
        EXPECT_TRUE(probe_wait([&] { return probe_windows(MEMO_WINDOW_CLASS, main).size() == 1; }, k_wait_ms))
            << "the memo was not found again";
    });
    // config.ini names the data folder in code page 932: here by its short
    // name, which is the same folder.
    std::string ini;
    HANDLE file = CreateFileW((place + L"\\config.ini").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        ini.append(chunk, got);
    }
    CloseHandle(file);
    size_t at = ini.find("\r\nPATH=");
    ASSERT_NE(std::string::npos, at) << ini;
    std::string path = ini.substr(at + 7, ini.find("\r\n", at + 2) - at - 7);
    wchar_t stored[MAX_PATH] = L"";
    MultiByteToWideChar(932, 0, path.c_str(), -1, stored, MAX_PATH);
    wchar_t long_stored[MAX_PATH] = L"";
    wchar_t long_expected[MAX_PATH] = L"";
    GetLongPathNameW(stored, long_stored, MAX_PATH);
    GetLongPathNameW((place + L"\\kelvan").c_str(), long_expected, MAX_PATH);
    EXPECT_EQ(0, lstrcmpiW(long_expected, long_stored));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((place + L"\\error.log").c_str()));
}
}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; i++) {
        std::string argument = argv[i];
        if (argument.compare(0, 12, "--artifacts=") == 0) {
            g_artifacts = argument.substr(12);
        } else if (argument.compare(0, 12, "--code-page=") == 0) {
            g_code_page = static_cast<UINT>(strtoul(argument.c_str() + 12, nullptr, 10));
        } else if (g_program.empty()) {
            g_program = argument;
        }
    }
    if (g_program.empty()) {
        fprintf(stderr,
                "usage: kelvane_e2e <path of kelvane.exe> [--artifacts=<folder>] [--code-page=<n>] [gtest options]\n");
        return 2;
    }
    char temp[MAX_PATH];
    if (!GetTempPathA(sizeof temp, temp)) {
        fprintf(stderr, "no temporary folder\n");
        return 2;
    }
    char unique[32];
    snprintf(unique, sizeof unique, "%lu", static_cast<unsigned long>(GetCurrentProcessId()));
    g_work = std::string(temp) + "kelvane-e2e-" + unique;

    ::testing::UnitTest::GetInstance()->listeners().Append(new e2e_screenshot_listener);
    int result = RUN_ALL_TESTS();
    e2e_delete_tree(e2e_long_path(g_work));
    return result;
}
