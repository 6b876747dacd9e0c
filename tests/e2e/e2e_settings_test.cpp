// End-to-end tests of the settings sheet, the welcome dialog and help: what
// the tray menu opens, how the sheet's controls change the running memos and
// config.ini, and where help.html is looked for (beside the program, while
// there is room for its name).
#include <windows.h>
#include <commctrl.h>

#include <stdlib.h>
#include <string.h>

#include <ostream>
#include <string>
#include <vector>

#include "e2e_harness.h"
#include "main_window.h"

namespace {

// --- error.log ------------------------------------------------------------------

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

class SettingsSheetTest : public KelvaneQuietTest {
protected:
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

}  // namespace
