// The shared half of the end-to-end tests (e2e_harness.h): files, the
// program's windows seen from outside, the test fixture that starts and ends
// instances, and the mouse and tray input the test files drive them with.
#include "e2e_harness.h"

#include <commctrl.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "balloon.h"
#include "main_window.h"

// --- files ------------------------------------------------------------------

std::wstring e2e_wide(const std::string& ansi) {
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) {
        MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &wide[0], n);
    }
    return wide;
}

std::wstring e2e_long_path(const std::string& path) {
    return L"\\\\?\\" + e2e_wide(path);
}

bool e2e_make_folders(const std::string& path) {
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

// --- windows ----------------------------------------------------------------

std::vector<HWND> e2e_main_windows() {
    return probe_windows(MAIN_WINDOW_CLASS);
}

std::vector<HWND> e2e_visible_windows() {
    std::vector<HWND> found = probe_windows(nullptr, nullptr, true);
    std::sort(found.begin(), found.end());
    return found;
}

namespace {

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

}  // namespace

std::string e2e_new_windows(const std::vector<HWND>& before, const std::vector<HWND>& after,
                            HWND main) {
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

size_t e2e_new_memo_windows(const std::vector<HWND>& before, const std::vector<HWND>& after, HWND main) {
    size_t count = 0;
    for (HWND hwnd : after) {
        if (!std::binary_search(before.begin(), before.end(), hwnd) && e2e_is_memo(hwnd, main)) {
            count++;
        }
    }
    return count;
}

bool e2e_settle(HWND main) {
    LRESULT ignored = 0;
    bool answered = probe_send(main, WM_NULL, 0, 0, &ignored, k_slow_wait_ms);
    Sleep(k_settle_ms);
    return answered;
}

// --- the program under test -------------------------------------------------

void KelvaneTest::SetUp() {
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

void KelvaneTest::TearDown() {
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

void KelvaneTest::use_folder(const std::string& where, const std::string& exe_name) {
    folder = where;
    exe = folder + "\\" + exe_name;
    ASSERT_TRUE(e2e_make_folders(folder)) << folder;
    ASSERT_TRUE(CopyFileW(e2e_long_path(g_program).c_str(), e2e_long_path(exe).c_str(), FALSE))
        << g_program << " -> " << exe;
    ASSERT_TRUE(e2e_write_file(folder + "\\config.ini", "[KELVAN]\r\nDIALOG=0\r\n"));
}

size_t KelvaneTest::start(const std::string& arguments) {
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

long KelvaneTest::wait_exit(size_t index) {
    if (WaitForSingleObject(handle(index), k_exit_timeout_ms) != WAIT_OBJECT_0) {
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(handle(index), &code);
    return static_cast<long>(code);
}

HWND KelvaneTest::start_first(const std::string& arguments, size_t* index) {
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

void KelvaneTest::exit_instance(HWND hwnd, size_t index) {
    LRESULT result = 0;
    ASSERT_TRUE(probe_send(hwnd, WM_COMMAND, CMD_EXIT, 0, &result)) << "CMD_EXIT not answered";
    EXPECT_EQ(1, result);
    EXPECT_EQ(1, wait_exit(index));
    EXPECT_FALSE(IsWindow(hwnd));
}

void KelvaneTest::expect_no_error_log() const {
    EXPECT_FALSE(e2e_file_exists(folder + "\\error.log")) << "error.log:\n" << error_log();
}

void KelvaneTest::expect_memo_texts(std::vector<std::string> expected) const {
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

// --- the program's windows, driven as a user drives them ----------------------

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

// The pointer is brought to the spot and left to settle first: a memo that
// was just made pulled it to its own centre, and a press that arrives
// before the move lands on the memo.
void e2e_click_at(POINT at, bool right) {
    probe_mouse(at.x, at.y, 0);
    probe_wait([&] {
        POINT now;
        GetCursorPos(&now);
        return now.x == at.x && now.y == at.y;
    }, 1000);
    Sleep(100);
    probe_mouse(at.x, at.y, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    probe_mouse(at.x, at.y, right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
}

namespace {

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

}  // namespace

// The first icon is at client 10, 10 of Wine's tray window.
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
        probe_mouse(away.x, away.y, 0);
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

HWND e2e_copydata_memo(HWND main, const char* text) {
    COPYDATASTRUCT data = {0, static_cast<DWORD>(strlen(text) + 1), const_cast<char*>(text)};
    LRESULT result = 0;
    if (!probe_send(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), &result)) {
        return nullptr;
    }
    return reinterpret_cast<HWND>(result);
}
