// End-to-end tests of start-up and the single instance: the first start,
// the hand-over of a second start, WM_COPYDATA from another program, and the
// commands and messages that end the program or answer nothing.
#include <windows.h>

#include <string.h>

#include <ostream>
#include <string>
#include <vector>

#include "e2e_harness.h"
#include "main_window.h"

namespace {

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

// --- start-up and single instance ------------------------------------------

// A switch only means something to a running instance; the first start
// behaves exactly as without it: one hidden instance with the default
// transparency.
struct first_start_case {
    const char* name;
    const char* arguments;
};

void PrintTo(const first_start_case& c, std::ostream* out) { *out << '"' << c.arguments << '"'; }

using FirstStartTest = KelvaneTableTest<first_start_case>;

TEST_P(FirstStartTest, RunsOneHiddenInstance) {
    with_instance(GetParam().arguments, [&](HWND hwnd, size_t first) {
        EXPECT_TRUE(running(first));
        EXPECT_EQ(1u, e2e_main_windows().size());
        EXPECT_FALSE(IsWindowVisible(hwnd)) << "the main window is never shown";
        // A tool window: no task bar button even if it were shown.
        EXPECT_TRUE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
        EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_POPUP);
        LRESULT transparency = 0;
        ASSERT_TRUE(probe_send(hwnd, MSG_GET_TRANSPARENCY, 0, 0, &transparency));
        EXPECT_EQ(200, transparency);
    });
    expect_no_error_log();
}

INSTANTIATE_TEST_SUITE_P(Switches, FirstStartTest,
                         ::testing::Values(first_start_case{"None", ""}, first_start_case{"Refresh", "-r"},
                                           first_start_case{"Foreground", "-f"},
                                           first_start_case{"Activate", "-a"},
                                           first_start_case{"ActivateWithTail", "-abc"},
                                           first_start_case{"Letter", "x"}),
                         e2e_case_name<first_start_case>);

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

using HandOffTest = KelvaneTableTest<handoff_case>;

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
    e2e_case_name<handoff_case>);

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

// --- WM_COPYDATA -------------------------------------------------------------

struct copydata_case {
    const char* name;
    const char* bytes;  // null: no data pointer
    DWORD size;
    const char* text;   // the memo's text, once memos can take it
};

void PrintTo(const copydata_case& c, std::ostream* out) { *out << c.name << ", cbData " << c.size; }

const char k_long_text[] =
    "0123456789012345678901234567890123456789012345678901234567890123456789"
    "0123456789012345678901234567890123456789012345678901234567890123456789";

using CopyDataTest = KelvaneTableTest<copydata_case>;

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
    e2e_case_name<copydata_case>);

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

// The tray menu's exit command, answered with 1, and the shutdown message,
// whose window is destroyed inside the handler, so that its answer may be
// lost with it: the process end is what counts.
struct ending_case {
    const char* name;
    UINT message;
    WPARAM wparam;
    bool answered;
};

void PrintTo(const ending_case& c, std::ostream* out) { *out << c.name; }

using EndingTest = KelvaneTableTest<ending_case>;

TEST_P(EndingTest, EndsTheProcessWithCode1) {
    size_t first = 0;
    HWND hwnd = start_first("", &first);
    ASSERT_NE(nullptr, hwnd);
    LRESULT result = 0;
    bool answered = probe_send(hwnd, GetParam().message, GetParam().wparam, 0, &result);
    if (GetParam().answered) {
        ASSERT_TRUE(answered);
        EXPECT_EQ(1, result);
    }
    EXPECT_EQ(1, wait_exit(first));
    EXPECT_TRUE(e2e_main_windows().empty());
    expect_no_error_log();
}

INSTANTIATE_TEST_SUITE_P(Messages, EndingTest,
                         ::testing::Values(ending_case{"ExitCommand", WM_COMMAND, CMD_EXIT, true},
                                           ending_case{"ShutdownMessage", MSG_SHUTDOWN, 0, false}),
                         e2e_case_name<ending_case>);

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
    const WPARAM commands[] = {0, 1, 12, 13, 40008, 40010, 0xFFFF, MAKEWPARAM(1, 3), MAKEWPARAM(12, 2)};
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

}  // namespace
