// End-to-end tests of faults, races and bad input: two starts at once,
// oversized WM_COPYDATA, a huge memo, files that another program holds,
// INI values out of range, a crash's left-overs, a removed data folder and a
// data folder that cannot be used.
#include <windows.h>
#include <shellapi.h>

#include <string.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "copydata_text.h"
#include "e2e_harness.h"
#include "edit_box.h"
#include "main_window.h"
#include "resource.h"

namespace {

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
        // The box is found as soon as it exists, its rich edit only once
        // the box's creation has made it.
        HWND box = nullptr;
        HWND rich = nullptr;
        ASSERT_TRUE(probe_wait([&] {
            box = first_of(probe_windows(EDIT_BOX_CLASS));
            return box && (rich = FindWindowExW(box, nullptr, L"RichEdit20W", nullptr)) != nullptr;
        }, k_wait_ms));
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

using UnusablePathTest = KelvaneTableTest<path_case, SaveTest>;

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

INSTANTIATE_TEST_SUITE_P(Paths, UnusablePathTest,
                         ::testing::Values(path_case{"TooLong", "パスが長すぎます"},
                                           path_case{"ParentMissing", "親フォルダが見つかりません"}),
                         e2e_case_name<path_case>);

}  // namespace
