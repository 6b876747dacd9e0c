// What the end-to-end tests share: the real kelvane.exe, started and driven
// from outside the way a second start, another program or the tray would
// drive it.
//
// Every test copies the program into a fresh folder of its own, because the
// program keeps config.ini, its data folder and error.log beside itself.
// Only one instance can run on a desktop, so the tests run one at a time and
// each one ends the instance it started.  The test files are grouped by
// theme (e2e_*_test.cpp); e2e_main.cpp reads the command line.
#ifndef E2E_HARNESS_H
#define E2E_HARNESS_H

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "probe_support.h"

extern std::string g_program;    // the kelvane.exe under test
extern std::string g_artifacts;  // where failure screenshots go; empty: none
extern std::string g_work;       // every test's folder is made in here
extern UINT g_code_page;         // --code-page=N: the code page the session must have

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

// A text of the process's code page as UTF-16.
std::wstring e2e_wide(const std::string& ansi);

// The wide "\\?\" form, so that folders deeper than MAX_PATH can be made,
// read and removed by the test itself.
std::wstring e2e_long_path(const std::string& path);

// Every level from the drive on; existing levels are fine.
bool e2e_make_folders(const std::string& path);

void e2e_delete_tree(const std::wstring& folder);

// The whole file, or "" when it does not exist.
std::string e2e_read_file(const std::string& path);

bool e2e_write_file(const std::string& path, const std::string& text);

bool e2e_file_exists(const std::string& path);

// --- windows ----------------------------------------------------------------

std::vector<HWND> e2e_main_windows();

// Sorted, for the comparisons of before and after.
std::vector<HWND> e2e_visible_windows();

// Windows in `after` that were not in `before`, described for a failure.
// The desktop's own are never counted: Wine's tray window, which comes and
// goes with the icons in it, and a tooltip of another program (the tray
// shows one when the pointer happens to rest on an icon).  When `main` is
// given, new memos and what comes with them are left out too
// (e2e_new_memo_windows counts the memos).
std::string e2e_new_windows(const std::vector<HWND>& before, const std::vector<HWND>& after,
                            HWND main = nullptr);

// New memo windows of the instance, and nothing else: not their tooltips,
// not the balloon.
size_t e2e_new_memo_windows(const std::vector<HWND>& before, const std::vector<HWND>& after, HWND main);

// The instance has handled everything it was sent (a sent message is
// answered only when its thread reads messages again), and what that
// posted has had k_settle_ms to open something.  For checks that nothing
// appears; what should appear is waited for as a condition.
bool e2e_settle(HWND main);

// --- the program's windows, driven as a user drives them ----------------------

// The welcome dialog is the "Kelvane" dialog with the welcome text.
HWND e2e_welcome(HWND main);

// Makes page `index` of the settings sheet the current one; its window.
HWND e2e_page(HWND sheet, int index);

// A left or right click at a spot of the screen, real input through the
// system's input queue.
void e2e_click_at(POINT at, bool right);

// Picks an item of the tray menu the way a user does: a right click on the
// icon in Wine's tray window, then the arrow keys.  Counted from the
// bottom, which is the same in every state of the menu: キャンセル 1,
// 終了 2, ヘルプ 3, 設定 4, メモを検索... 5.
bool e2e_tray_pick(HWND main, int items_from_bottom);

const int k_tray_help = 3;
const int k_tray_settings = 4;
const int k_tray_search = 5;

// A memo made from `text` with WM_COPYDATA; null when none was made.
HWND e2e_copydata_memo(HWND main, const char* text);

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

    void SetUp() override;
    void TearDown() override;

    // Puts the test's copy of the program into `where` under `exe_name`,
    // with a config.ini that only turns the welcome dialog off: these tests
    // are about the running instance, and the modal welcome dialog of a very
    // first start would stand between them and it.
    void use_folder(const std::string& where, const std::string& exe_name);

    // Starts the test's copy with `arguments`; the index into `processes`.
    size_t start(const std::string& arguments);

    HANDLE handle(size_t index) const { return processes[index].info.hProcess; }

    bool running(size_t index) const {
        return WaitForSingleObject(handle(index), 0) == WAIT_TIMEOUT;
    }

    // The exit code once the process has ended, or -1 when it is still
    // running after the timeout.
    long wait_exit(size_t index);

    // Starts the first instance and waits for its main window.
    HWND start_first(const std::string& arguments, size_t* index);

    // CMD_EXIT, the way the tray menu's exit ends the program: answered with
    // 1, the process ends with exit code 1, and nothing was left tracked.
    void exit_instance(HWND hwnd, size_t index);

    std::string error_log() const { return e2e_read_file(folder + "\\error.log"); }

    // The records the program writes are the allocator's faults and "The
    // path is too deep"; every other test must leave no error.log at all.
    void expect_no_error_log() const;

    // Once memos can be made and saved, each text that reached a memo is in
    // a text file of the data folder (UTF-8, maybe after a byte-order mark).
    // While no memo is saved there is nothing to compare.
    void expect_memo_texts(std::vector<std::string> expected) const;

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

// The instance without the balloon either, which would take the focus for
// a second: for tests that drive its windows with keys.
class KelvaneQuietTest : public KelvaneTest {
protected:
    void SetUp() override {
        KelvaneTest::SetUp();
        if (!HasFatalFailure()) {
            ASSERT_TRUE(e2e_write_file(folder + "\\config.ini", "[KELVAN]\r\nDIALOG=0\r\nBALLOON=0\r\n"));
        }
    }
};

// A table-driven test: the fixture of a table of cases, each a struct with
// a `name`, which becomes the last part of the test's name.
template <typename Case, typename Fixture = KelvaneTest>
class KelvaneTableTest : public Fixture, public ::testing::WithParamInterface<Case> {};

template <typename Case>
std::string e2e_case_name(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

#endif
