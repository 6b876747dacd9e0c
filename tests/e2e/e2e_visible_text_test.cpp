// End-to-end tests of the texts the user reads, run in two code pages.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e_harness.h"
#include "main_window.h"
#include "resource.h"
#include "text_reader.h"

namespace {

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

// One key pressed and let go: Enter and Esc reach the window's keys only
// as keys, not as characters.
void e2e_key(WORD vk) {
    probe_keys({probe_key_input(vk, false), probe_key_input(vk, true)});
}

class VisibleTextTest : public KelvaneQuietTest {
protected:
    void SetUp() override {
        if (g_code_page) {
            ASSERT_EQ(g_code_page, GetACP()) << "the session does not have the code page asked for";
        }
        KelvaneQuietTest::SetUp();
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
        // The memo window's name, read in the program and from outside.
        EXPECT_TRUE(e2e_shows(lines, "window|" MEMO_WINDOW_CLASS, text)) << e2e_joined(lines);
        std::vector<HWND> memos = probe_windows(MEMO_WINDOW_CLASS, main);
        EXPECT_EQ(text, memos.empty() ? "" : probe_window_text_utf8(memos[0]));
        lines = tray_menu_texts(main);
        EXPECT_TRUE(e2e_shows(lines, "menu|1", text)) << e2e_joined(lines);
    }

    // The search window once it has the keyboard focus in its field.
    HWND search_window() {
        HWND search = nullptr, active = nullptr, focus = nullptr;
        probe_wait([&] {
            search = FindWindowW(L"SearchWindowClass", L"メモの検索");
            return search && probe_focus(&active, &focus) && active == search &&
                   GetDlgCtrlID(focus) == IDC_SEARCH_QUERY;
        }, k_wait_ms);
        return search;
    }

    // Waits for the search window's list to show exactly `expected`, in any
    // order (the order is the native tests' concern: memos made within one
    // minute of each other share their stamp or not).
    void search_rows(HWND main, std::vector<std::string> expected) {
        std::sort(expected.begin(), expected.end());
        std::vector<std::string> rows;
        EXPECT_TRUE(probe_wait([&] {
            rows.clear();
            for (const std::string& line : texts(main)) {
                if (line.compare(0, 4, "row|") == 0) rows.push_back(line.substr(4));
            }
            std::sort(rows.begin(), rows.end());
            return rows == expected;
        }, k_wait_ms)) << e2e_joined(rows);
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
        for (const char* item :
             {u8"付箋を貼る", u8"非表示", u8"メモを更新", u8"メモリスト", u8"メモを検索...",
              u8"設定", u8"ヘルプ", u8"終了", u8"キャンセル"}) {
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

TEST_F(VisibleTextTest, MessageBoxOfATooLargeMemo) {
    ASSERT_TRUE(e2e_make_folders(folder + "\\kelvan") &&
                e2e_write_file(folder + "\\kelvan\\big.txt", std::string(300 * 1024, 'a')) &&
                e2e_write_file(folder + "\\kelvan\\big.ini", "[KELVAN]\r\nX=100\r\nY=100\r\n"));
    with_instance("", [&](HWND main, size_t) {
        PostMessageA(FindWindowA(MEMO_WINDOW_CLASS, nullptr), WM_COMMAND, MEMO_CMD_EDIT, 0);
        ASSERT_TRUE(
            probe_wait([&] { return !probe_program_dialogs(main, "Kelvane").empty(); }, k_wait_ms));
        EXPECT_NE("", e2e_shown_text(texts(main), "child",
                                     u8"このメモは大きすぎるため、編集ボックスでは開けません。"));
        PostMessageA(probe_program_dialogs(main, "Kelvane")[0], WM_COMMAND, IDOK, 0);
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
        probe_type(L"日本語 © 한 \U0001F600");
        probe_chord(VK_CONTROL, VK_RETURN);
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

// Typing narrows the list with every key; case, width and kana do not
// matter.  Esc closes the window.
TEST_F(VisibleTextTest, SearchWindowFromTheTrayMenuNarrowsAsTyped) {
    const std::vector<std::string> all = {u8"メモ帳の使い方", u8"会議のめも", u8"ﾒﾓ 半角", u8"デザイン案"};
    with_instance("", [&](HWND main, size_t) {
        for (const std::string& text : all) ASSERT_NE(nullptr, e2e_copydata_memo(main, text.c_str()));
        ASSERT_TRUE(e2e_tray_pick(main, k_tray_search));
        HWND search = search_window();
        ASSERT_NE(nullptr, search) << "no search window with the focus in its field";
        search_rows(main, all);
        probe_type(L"ﾒﾓ");
        search_rows(main, {u8"メモ帳の使い方", u8"会議のめも", u8"ﾒﾓ 半角"});
        probe_type(L"\b\bﾃﾞｻﾞ");
        search_rows(main, {u8"デザイン案"});
        e2e_key(VK_ESCAPE);
        EXPECT_TRUE(probe_wait([&] { return !IsWindow(search); }, k_wait_ms));
    });
}

// kelvane.exe -s while memos are hidden: Enter shows them and gives the
// chosen one the keyboard focus; a second call brings the window back.
TEST_F(VisibleTextTest, SearchFromASecondStartFocusesTheChosenHiddenMemo) {
    with_instance("", [&](HWND main, size_t) {
        HWND memo = e2e_copydata_memo(main, u8"カイモノ リスト\n牛乳");
        ASSERT_NE(nullptr, memo);
        ASSERT_NE(nullptr, e2e_copydata_memo(main, u8"別のメモ"));
        LRESULT result = 0;
        ASSERT_TRUE(probe_send(main, WM_COMMAND, CMD_TOGGLE_SHOW, 0, &result));
        ASSERT_FALSE(IsWindowVisible(memo));
        size_t second = start("-s");
        EXPECT_EQ(1, wait_exit(second));
        HWND search = search_window();
        ASSERT_NE(nullptr, search) << "no search window with the focus in its field";
        probe_type(L"かいもの");
        search_rows(main, {u8"カイモノ リスト 牛乳"});
        e2e_key(VK_RETURN);
        EXPECT_TRUE(probe_wait(
            [&] {
                HWND active = nullptr;
                HWND focus = nullptr;
                return IsWindowVisible(memo) && probe_focus(&active, &focus) && focus == memo;
            },
            k_wait_ms))
            << "the memo did not get the keyboard focus";
        ASSERT_TRUE(probe_send(main, WM_COMMAND, CMD_SEARCH, 0, &result));
        EXPECT_EQ(search, reinterpret_cast<HWND>(result));
        EXPECT_EQ(search, search_window());
    });
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
