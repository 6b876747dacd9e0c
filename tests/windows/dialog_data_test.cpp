// The settings sheet's data and location page: the text file format, the
// automatic refresh, the portable and standard modes, Apply copying the
// memo data into the chosen folder, the folder picker, and the copy of the
// memo data itself.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "data_page.h"
#include "memo_test_support.h"

namespace {

using memo_test::SheetTest;
using memo_test::box_watcher;
using memo_test::click;
using memo_test::enabled;
using memo_test::find_owned_dialog;
using memo_test::make_data_folder;
using memo_test::write_file;
using memo_test::sheet_page;
using memo_test::text_of;
using memo_test::ticked;
using memo_test::wait_for;
using memo_test::wide;

// --- data and location page ---------------------------------------------------

TEST_F(SheetTest, TextFileRadiosWalkTheFourFormats) {
    g_settings.textfile = 65537;
    std::vector<int> seen;
    bool initial[4] = {};
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 2);
        const int ids[4] = {1029, 1030, 1031, 1032};
        for (int i = 0; i < 4; i++) initial[i] = ticked(page, ids[i]);
        for (int id : {1030, 1031, 1029, 1032}) {
            click(page, id);
            seen.push_back(g_settings.textfile);
        }
    }, IDCANCEL));
    EXPECT_TRUE(initial[0] && !initial[1] && !initial[2] && initial[3]);
    EXPECT_EQ((std::vector<int>{65536, 0, 1, 65537}), seen);
}

// The box takes effect at once, like every other control of the page,
// and the main window is told so that its watch follows.
TEST_F(SheetTest, AutoRefreshBoxSwitchesAtOnceAndTellsTheOwner) {
    g_settings.autorefresh = 1;
    int before = memo_test::watch_setting_notices();
    bool initial = false;
    std::vector<int32_t> seen;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 2);
        initial = ticked(page, 1050);
        click(page, 1050);
        seen.push_back(g_settings.autorefresh);
        click(page, 1050);
        seen.push_back(g_settings.autorefresh);
    }, IDCANCEL));
    memo_test::pump_for(20);
    EXPECT_TRUE(initial);
    EXPECT_EQ((std::vector<int32_t>{0, 1}), seen);
    EXPECT_EQ(before + 2, memo_test::watch_setting_notices());
}

struct data_view {
    bool portable, standard, portable_enabled, apply;
    bool layout[5];  // 1046, 1027, 1021, 1019, 1020
};

data_view read_data_page(HWND page) {
    data_view v = {ticked(page, 1024), ticked(page, 1025), enabled(page, 1024), enabled(page, 1026), {}};
    const int ids[5] = {1046, 1027, 1021, 1019, 1020};
    for (int i = 0; i < 5; i++) v.layout[i] = enabled(page, ids[i]);
    return v;
}

TEST_F(SheetTest, ModeRadiosSwitchTheLayoutAndTheApplyButton) {
    g_settings.portable = 1;
    std::vector<data_view> views;
    std::string path_shown;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 2);
        path_shown = text_of(GetDlgItem(page, 1019));
        views.push_back(read_data_page(page));
        click(page, 1025);
        views.push_back(read_data_page(page));
        click(page, 1024);
        views.push_back(read_data_page(page));
        click(page, 1024);  // the ticked radio again
        views.push_back(read_data_page(page));
    }, IDCANCEL));
    EXPECT_EQ(folder, path_shown);
    ASSERT_EQ(4u, views.size());
    const bool portable_layout[5] = {true, false, false, false, false};
    const bool standard_layout[5] = {false, true, true, true, true};
    const struct {
        bool portable, apply;
    } want[] = {{true, false}, {false, true}, {true, false}, {true, false}};
    for (size_t i = 0; i < views.size(); i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(want[i].portable, views[i].portable);
        EXPECT_EQ(!want[i].portable, views[i].standard);
        EXPECT_EQ(want[i].apply, views[i].apply);
        EXPECT_TRUE(views[i].portable_enabled);
        for (int k = 0; k < 5; k++) {
            EXPECT_EQ(want[i].portable ? portable_layout[k] : standard_layout[k], views[i].layout[k]) << k;
        }
    }
    EXPECT_EQ(1, g_settings.portable) << "only Apply switches";
}

TEST_F(SheetTest, StoreEditionOffersStandardModeOnly) {
    g_settings.microsoftstore = 1;
    g_settings.portable = 0;
    data_view v = {};
    ASSERT_TRUE(run_sheet([&](HWND sheet) { v = read_data_page(sheet_page(sheet, 2)); }, IDCANCEL));
    EXPECT_FALSE(v.portable);
    EXPECT_TRUE(v.standard);
    EXPECT_FALSE(v.portable_enabled);
    EXPECT_FALSE(v.apply);
    EXPECT_TRUE(v.layout[3] && v.layout[4]);
}

// A target folder, empty or not there at all.
std::string fresh_folder(const char* name, bool create) {
    std::string path = make_data_folder(name);
    if (!create) RemoveDirectoryA(path.c_str());
    return path;
}

TEST_F(SheetTest, ApplyCopiesTheDataAndSwitchesToTheChosenFolder) {
    write_file(folder + "\\20240101000000.txt", "one");
    write_file(folder + "\\20240101000000.ini", "[MEMO]\r\n");
    std::string target = fresh_folder("kelvane-dialog-target", false);  // Apply creates it
    g_settings.portable = 1;
    std::vector<std::string> boxes;
    bool apply_after = true;
    int notices = memo_test::watch_setting_notices();
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 2);
        click(page, 1025);
        SetDlgItemTextA(page, 1019, target.c_str());
        box_watcher watcher("Kelvane");
        PostMessageA(GetDlgItem(page, 1026), BM_CLICK, 0, 0);
        wait_for([&] { return strcmp(g_settings.path, target.c_str()) == 0; });
        Sleep(200);
        boxes = watcher.stop();
        apply_after = enabled(page, 1026);
    }, IDCANCEL));
    EXPECT_EQ(target, g_settings.path);
    EXPECT_EQ(0, g_settings.portable);
    EXPECT_FALSE(apply_after);
    EXPECT_EQ(std::vector<std::string>{}, boxes) << "no conflict, no message";
    EXPECT_EQ("one", memo_test::read_file(target + "\\20240101000000.txt"));
    EXPECT_EQ("one", memo_test::read_file(folder + "\\20240101000000.txt")) << "the old folder keeps its copy";
    memo_test::pump_for(20);
    EXPECT_EQ(notices + 1, memo_test::watch_setting_notices()) << "the watch follows the folder";
}

// A target that cannot take the data is refused: one message, and the
// folder and the mode stay as they were.
TEST_F(SheetTest, ApplyRefusesATargetThatCannotBeUsed) {
    std::string file_target = folder + "\\not-a-folder";
    write_file(file_target, "x");
    const std::string targets[] = {
        folder + "\\missing\\deeper",  // its parent does not exist: it cannot be made
        file_target,                   // a file of that name is in the way
        "",
    };
    for (const std::string& target : targets) {
        SCOPED_TRACE(target);
        g_settings.portable = 1;
        strcpy(g_settings.path, folder.c_str());
        std::vector<std::string> boxes;
        ASSERT_TRUE(run_sheet([&](HWND sheet) {
            HWND page = sheet_page(sheet, 2);
            click(page, 1025);
            SetDlgItemTextA(page, 1019, target.c_str());
            box_watcher watcher("Kelvane");
            PostMessageA(GetDlgItem(page, 1026), BM_CLICK, 0, 0);
            wait_for([&] { return false; }, 600);
            boxes = watcher.stop();
        }, IDCANCEL));
        EXPECT_EQ(std::vector<std::string>{"メモデータの移動に失敗しました。"}, boxes);
        EXPECT_EQ(folder, g_settings.path);
        EXPECT_EQ(1, g_settings.portable);
    }
}

struct browse_case {
    const char* what;
    std::string pick;
    int answer;
    std::string shown;
};

// The folder picker fills its tree after it shows, and forgets a
// selection asked for before that: ask until the caret leaves the desktop.
bool select_folder(HWND picker, const char* path) {
    HWND tree = FindWindowExA(picker, nullptr, "SysTreeView32", nullptr);
    if (!tree) return false;
    return wait_for([&] {
        SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path));
        Sleep(50);
        LRESULT root = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
        LRESULT caret = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
        return caret && caret != root;
    });
}

TEST_F(SheetTest, BrowseProposesTheFolderOrItsKelvanFolder) {
    std::string sync = fresh_folder("kelvane-dialog-sync", true);
    const browse_case cases[] = {
        {"a folder, Yes", sync, IDYES, sync + "\\kelvan"},
        {"a folder, No", sync, IDNO, sync},
        {"a folder, Cancel", sync, IDCANCEL, sync},
        {"a drive root, Yes", "C:\\", IDYES, "C:\\kelvan"},
    };
    for (const browse_case& c : cases) {
        SCOPED_TRACE(c.what);
        g_settings.portable = 0;
        std::string shown, question;
        bool apply = false;
        ASSERT_TRUE(run_sheet([&](HWND sheet) {
            HWND page = sheet_page(sheet, 2);
            PostMessageA(GetDlgItem(page, 1020), BM_CLICK, 0, 0);
            HWND picker = find_owned_dialog(page);
            ASSERT_NE(nullptr, picker);
            ASSERT_TRUE(select_folder(picker, c.pick.c_str()));
            box_watcher watcher("Kelvane", c.answer);
            PostMessageA(picker, WM_COMMAND, IDOK, 0);
            wait_for([&] { return text_of(GetDlgItem(page, 1019)) == c.shown; }, 3000);
            std::vector<std::string> boxes = watcher.stop();
            question = boxes.empty() ? "" : boxes[0];
            shown = text_of(GetDlgItem(page, 1019));
            apply = enabled(page, 1026);
        }, IDCANCEL));
        EXPECT_EQ(c.shown, shown);
        EXPECT_TRUE(apply);
        EXPECT_EQ("指定されたフォルダに『kelvan』フォルダを作成し、そこにメモデータを保存しますか？ "
                  "いいえを選択した場合、指定されたフォルダに直接メモデータを保存します。",
                  question);
        EXPECT_EQ(folder, g_settings.path) << "nothing switches before Apply";
    }
}

// config.ini holds the data folder in code page 932: a folder that code
// page cannot spell ("é", "한") is refused with a message, whether it was
// just picked or is on show at Apply, and nothing is made or moved.
TEST_F(SheetTest, FolderCodePage932CannotSpellIsRefused) {
    std::wstring cafe = wide(fresh_folder("kelvane-dialog-other", true).c_str()) + L"\\Café 한";
    ASSERT_TRUE(CreateDirectoryW(cafe.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    RemoveDirectoryW((cafe + L"\\kelvan").c_str());
    g_settings.portable = 0;
    std::vector<std::string> picked, applied;
    std::string shown;
    bool apply = true;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 2);
        PostMessageA(GetDlgItem(page, 1020), BM_CLICK, 0, 0);
        HWND picker = find_owned_dialog(page);
        ASSERT_NE(nullptr, picker);
        HWND tree = FindWindowExA(picker, nullptr, "SysTreeView32", nullptr);
        ASSERT_TRUE(wait_for([&] {
            SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(cafe.c_str()));
            Sleep(50);
            LRESULT caret = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
            return caret && caret != SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
        }));
        {
            box_watcher watcher("Kelvane", IDYES);
            PostMessageA(picker, WM_COMMAND, IDOK, 0);
            wait_for([&] { return false; }, 800);
            picked = watcher.stop();
        }
        shown = text_of(GetDlgItem(page, 1019));
        apply = enabled(page, 1026);
        SetDlgItemTextW(page, 1019, (cafe + L"\\kelvan").c_str());
        box_watcher watcher("Kelvane");
        PostMessageA(GetDlgItem(page, 1026), BM_CLICK, 0, 0);
        wait_for([&] { return false; }, 800);
        applied = watcher.stop();
    }, IDCANCEL));
    const std::vector<std::string> refused = {
        "このフォルダは保存先にできません。フォルダのパスに、設定ファイル(config.ini)に"
        "書き込めない文字が含まれています。別のフォルダを選択してください。"};
    EXPECT_EQ(refused, picked) << "refused before the kelvan question";
    EXPECT_EQ(folder, shown);
    EXPECT_FALSE(apply);
    EXPECT_EQ(refused, applied);
    EXPECT_EQ(folder, g_settings.path);
    EXPECT_EQ(0, g_settings.portable);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((cafe + L"\\kelvan").c_str())) << "nothing made";
}

// --- copying the memo data ------------------------------------------------------

class DataCopyTest : public SheetTest {
protected:
    std::vector<std::string> copy_to(const std::string& target) {
        box_watcher watcher("Kelvane");
        EXPECT_EQ(1, data_page_copy_folder(owner, target.c_str()));
        Sleep(100);
        return watcher.stop();
    }
    void SetUp() override {
        SheetTest::SetUp();
        write_file(folder + "\\20240101000000.txt", "one");
        write_file(folder + "\\20240101000000.ini", "[MEMO]\r\nCOLOR=0\r\n");
        write_file(folder + "\\notes.dat", "other");
        CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
        write_file(folder + "\\sub\\inner.txt", "inner");
    }
};

TEST_F(DataCopyTest, IntoAnEmptyFolderEveryPlainFileIsCopied) {
    std::string target = fresh_folder("kelvane-copy-empty", true);
    EXPECT_EQ(std::vector<std::string>{}, copy_to(target));
    EXPECT_EQ("one", memo_test::read_file(target + "\\20240101000000.txt"));
    EXPECT_EQ("[MEMO]\r\nCOLOR=0\r\n", memo_test::read_file(target + "\\20240101000000.ini"));
    EXPECT_EQ("other", memo_test::read_file(target + "\\notes.dat"));
    EXPECT_FALSE(memo_test::file_exists(target + "\\sub\\inner.txt")) << "subfolders are not entered";
    EXPECT_EQ("one", memo_test::read_file(folder + "\\20240101000000.txt")) << "the source stays";
}

TEST_F(DataCopyTest, AFileOfTheSameNameWinsAndIsToldOnce) {
    std::string target = fresh_folder("kelvane-copy-conflict", true);
    write_file(target + "\\20240101000000.txt", "theirs");
    write_file(target + "\\notes.dat", "theirs too");
    EXPECT_EQ(std::vector<std::string>{
                  "コピー先に同時刻に作成されたメモデータ(ファイル名が同じデータ)が1つ以上ありました。"
                  "ファイル名が同じファイルはコピーせず既存のメモデータを優先させます。"},
              copy_to(target));
    EXPECT_EQ("theirs", memo_test::read_file(target + "\\20240101000000.txt"));
    EXPECT_EQ("theirs too", memo_test::read_file(target + "\\notes.dat"));
    EXPECT_EQ("[MEMO]\r\nCOLOR=0\r\n", memo_test::read_file(target + "\\20240101000000.ini"));
}

TEST_F(DataCopyTest, IntoTheCurrentFolderEveryCopyFails) {
    EXPECT_EQ(1u, copy_to(folder).size());
    EXPECT_EQ("one", memo_test::read_file(folder + "\\20240101000000.txt"));
}

TEST_F(DataCopyTest, AFolderThatCannotBeSearchedCopiesNothing) {
    strcpy(g_settings.path, (folder + "\\missing").c_str());
    std::string target = fresh_folder("kelvane-copy-none", true);
    EXPECT_EQ(std::vector<std::string>{}, copy_to(target));
    EXPECT_FALSE(memo_test::file_exists(target + "\\notes.dat"));
}

}  // namespace
