// The settings sheet's details and version pages, the welcome dialog, and
// the dialogs the main window opens: the welcome dialog while it is being
// created, and one settings sheet however often it is asked for.
#include <gtest/gtest.h>

#include <windows.h>

#include <string.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "detail_page.h"
#include "version_page.h"
#include "welcome_dialog.h"
#include "memo_test_support.h"
#include "resource.h"

namespace {

using memo_test::SheetTest;
using memo_test::click;
using memo_test::draw_item;
using memo_test::enabled;
using memo_test::find_sheet;
using memo_test::k_welcome_text;
using memo_test::sheet_page;
using memo_test::text_of;
using memo_test::ticked;
using memo_test::wait_for;

// --- details page -------------------------------------------------------------------

struct detail_view {
    bool sides[4];
    bool width_on, height_on;
    std::string width, height;
};

detail_view read_detail_page(HWND page) {
    detail_view v = {{ticked(page, 1040), ticked(page, 1041), ticked(page, 1042), ticked(page, 1043)},
                     enabled(page, 1044) && enabled(page, 1047), enabled(page, 1045) && enabled(page, 1048),
                     text_of(GetDlgItem(page, 1044)), text_of(GetDlgItem(page, 1045))};
    return v;
}

TEST_F(SheetTest, DetailsPageShowsTheTaskBarSide) {
    const struct {
        int32_t taskbar;
        int ticked;  // index into 1040..1043
        bool width;
    } cases[] = {{1, 0, true}, {2, 1, false}, {3, 2, true}, {4, 3, false}, {7, 3, false}, {0, 3, false}};
    for (const auto& c : cases) {
        g_settings.taskbar = c.taskbar;
        g_settings.taskbarwidth = 60;
        g_settings.taskbarheight = 50;
        detail_view v = {};
        ASSERT_TRUE(run_sheet([&](HWND sheet) { v = read_detail_page(sheet_page(sheet, 3)); }, IDCANCEL));
        SCOPED_TRACE(c.taskbar);
        for (int i = 0; i < 4; i++) EXPECT_EQ(i == c.ticked, v.sides[i]) << i;
        EXPECT_EQ(c.width, v.width_on);
        EXPECT_EQ(!c.width, v.height_on);
        EXPECT_EQ("60", v.width);
        EXPECT_EQ("50", v.height);
        EXPECT_EQ(c.taskbar, g_settings.taskbar) << "kept as stored until a click";
    }
}

TEST_F(SheetTest, DetailsPageWritesTheSideAndSizesAtOnce) {
    g_settings.taskbar = 7;
    std::vector<int> seen;
    detail_view after_right = {};
    DWORD edit_style = 0;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 3);
        click(page, 1043);  // the ticked "下" turns 7 into 4
        seen.push_back(g_settings.taskbar);
        click(page, 1042);
        seen.push_back(g_settings.taskbar);
        after_right = read_detail_page(page);
        click(page, 1042);
        seen.push_back(g_settings.taskbar);
        for (const char* text : {"", "7", "72", "99999999999"}) {
            SetDlgItemTextA(page, 1044, text);
            seen.push_back(g_settings.taskbarwidth);
        }
        SetDlgItemTextA(page, 1045, "0");
        seen.push_back(g_settings.taskbarheight);
        edit_style = static_cast<DWORD>(GetWindowLongA(GetDlgItem(page, 1044), GWL_STYLE));
    }, IDCANCEL));
    EXPECT_EQ((std::vector<int>{4, 3, 3, 0, 7, 72, 2147483647, 0}), seen);
    EXPECT_TRUE(after_right.width_on);
    EXPECT_FALSE(after_right.height_on);
    EXPECT_TRUE(edit_style & ES_NUMBER) << "digits only from the keyboard";
    EXPECT_EQ(3, g_settings.taskbar) << "Cancel undoes nothing here";
}

// --- version page ---------------------------------------------------------------------

// Paints an owner-drawn item into a white picture; the columns (or rows)
// that hold anything but white.
std::vector<bool> inked(HWND page, int id, int width, int height, bool columns) {
    memo_test::canvas c(width, height, RGB(255, 255, 255));
    draw_item(page, id, c);
    std::vector<bool> ink(columns ? width : height, false);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            if (c.at(x, y) != RGB(255, 255, 255)) ink[columns ? x : y] = true;
        }
    }
    return ink;
}

TEST_F(SheetTest, VersionPageShowsNameVersionNoticeAndLink) {
    std::string line, notice, link;
    LRESULT over_link = 0, over_line = 0;
    std::vector<bool> columns;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 4);
        line = text_of(GetDlgItem(page, 2029));
        notice = text_of(GetDlgItem(page, 2030));
        link = text_of(GetDlgItem(page, 2028));
        over_link = SendMessageA(page, WM_SETCURSOR, reinterpret_cast<WPARAM>(GetDlgItem(page, 2028)),
                                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        over_line = SendMessageA(page, WM_SETCURSOR, reinterpret_cast<WPARAM>(GetDlgItem(page, 2029)),
                                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        // A 400 x 50 item: the 4:1 banner is 200 wide, flush right.
        columns = inked(page, 1039, 400, 50, true);
    }, IDCANCEL));
    EXPECT_EQ("Kelvane Ver.1.00.0000 64bit版\n", line);
    EXPECT_EQ("Copyright (C) 2026 Kelvane developers", notice);
    EXPECT_EQ("help.html", link);
    EXPECT_EQ(1, over_link) << "the hand stays";
    EXPECT_NE(1, over_line);
    ASSERT_EQ(400u, columns.size());
    for (int x = 0; x < 200; x++) ASSERT_FALSE(columns[x]) << "left of the banner, column " << x;
    int drawn = 0;
    for (int x = 200; x < 400; x++) drawn += columns[x];
    EXPECT_GT(drawn, 100) << "the banner is drawn in the right half";
}

// ============================================================ the welcome dialog

HWND find_welcome() {
    HWND dialog = FindWindowA("#32770", "Kelvane");
    return dialog && GetDlgItem(dialog, IDC_WELCOME_TEXT) && IsWindowVisible(dialog) ? dialog : nullptr;
}

// Runs the welcome dialog here while driver works it from a second thread.
bool run_welcome(const std::function<void(HWND dialog)>& driver) {
    std::atomic<bool> shown{false};
    std::thread helper([&] {
        HWND dialog = nullptr;
        if (!wait_for([&] { return (dialog = find_welcome()) != nullptr; })) return;
        shown = true;
        driver(dialog);
        if (!wait_for([] { return find_welcome() == nullptr; })) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    });
    welcome_dialog_show(GetModuleHandleA(nullptr));
    helper.join();
    return shown;
}

TEST(WelcomeDialog, BoxClearsDialogWhicheverWayItCloses) {
    const struct {
        const char* what;
        std::vector<int> clicks;  // on the box
        UINT close_message;
        WPARAM close_wparam;
        int32_t result;
    } cases[] = {
        {"ticked, OK", {1001}, WM_COMMAND, IDOK, 0},
        {"ticked, Esc", {1001}, WM_COMMAND, IDCANCEL, 0},
        {"ticked, close box", {1001}, WM_SYSCOMMAND, SC_CLOSE, 0},
        {"not ticked, OK", {}, WM_COMMAND, IDOK, 1},
        {"ticked and unticked", {1001, 1001}, WM_COMMAND, IDOK, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_settings.dialog = 1;
        ASSERT_TRUE(run_welcome([&](HWND dialog) {
            for (int id : c.clicks) SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
            PostMessageA(dialog, c.close_message, c.close_wparam, 0);
        }));
        EXPECT_EQ(c.result, g_settings.dialog);
    }
}

TEST(WelcomeDialog, GreetsCentredOnTheScreenWithItsBanner) {
    std::string text;
    RECT r = {};
    std::vector<bool> rows;
    ASSERT_TRUE(run_welcome([&](HWND dialog) {
        text = text_of(GetDlgItem(dialog, IDC_WELCOME_TEXT));
        GetWindowRect(dialog, &r);
        // A 320 x 100 item: the 640 x 140 banner is 70 high, from the top.
        rows = inked(dialog, IDC_WELCOME_BANNER, 320, 100, false);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    }));
    EXPECT_EQ(k_welcome_text, text);
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2, r.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, r.top);
    ASSERT_EQ(100u, rows.size());
    int drawn = 0;
    for (int y = 0; y < 70; y++) drawn += rows[y];
    for (int y = 70; y < 100; y++) EXPECT_FALSE(rows[y]) << "below the banner, row " << y;
    EXPECT_GT(drawn, 30);
}

// ============================================================ the main window

// The main window's own copy of the settings lives beside this program.
std::string config_beside_program() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    strcpy(strrchr(path, '\\'), "\\config.ini");
    return path;
}

HWND create_main_window() {
    main_window_register_class(GetModuleHandleA(nullptr));
    return CreateWindowExA(WS_EX_TOOLWINDOW, MAIN_WINDOW_CLASS, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

void shut_down(HWND main) {
    if (IsWindow(main)) SendMessageA(main, MSG_SHUTDOWN, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT) DispatchMessageA(&msg);
    }
}

TEST(MainWindowDialogs, WelcomeRunsWhileTheWindowIsCreated) {
    std::string config = config_beside_program();
    DeleteFileA(config.c_str());
    WritePrivateProfileStringA("KELVAN", "DIALOG", "1", config.c_str());
    HWND main = nullptr;
    bool shown = false;
    std::thread helper([&] {
        HWND dialog = nullptr;
        if (!wait_for([&] { return (dialog = find_welcome()) != nullptr; })) return;
        shown = true;
        SendMessageA(GetDlgItem(dialog, IDC_WELCOME_NOSHOW), BM_CLICK, 0, 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    main = create_main_window();
    helper.join();
    ASSERT_NE(nullptr, main);
    EXPECT_TRUE(shown);
    EXPECT_EQ(0, g_settings.dialog);
    shut_down(main);
    EXPECT_EQ(0, static_cast<int>(GetPrivateProfileIntA("KELVAN", "DIALOG", -1, config.c_str())))
        << "saved at shutdown";
    DeleteFileA(config.c_str());
}

TEST(MainWindowDialogs, SettingsCommandOpensOneSheet) {
    std::string config = config_beside_program();
    DeleteFileA(config.c_str());
    WritePrivateProfileStringA("KELVAN", "DIALOG", "0", config.c_str());
    HWND main = create_main_window();
    ASSERT_NE(nullptr, main);
    LRESULT second = -1;
    int sheets = 0;
    HWND sheet_owner = nullptr;
    std::thread helper([&] {
        HWND sheet = nullptr;
        if (!wait_for([&] { return (sheet = find_sheet()) != nullptr; })) return;
        sheet_owner = GetWindow(sheet, GW_OWNER);
        second = SendMessageA(main, WM_COMMAND, CMD_SETTINGS, 0);
        Sleep(200);
        for (HWND w = FindWindowA("#32770", "設定"); w; w = FindWindowExA(nullptr, w, "#32770", "設定")) sheets++;
        PostMessageA(GetDlgItem(sheet, IDOK), BM_CLICK, 0, 0);
    });
    LRESULT first = SendMessageA(main, WM_COMMAND, CMD_SETTINGS, 0);
    helper.join();
    EXPECT_EQ(1, first);
    EXPECT_EQ(0, second) << "the open sheet only comes forward";
    EXPECT_EQ(1, sheets);
    EXPECT_EQ(main, sheet_owner);
    shut_down(main);
    DeleteFileA(config.c_str());
}

}  // namespace
