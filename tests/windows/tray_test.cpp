// The tray icon record and the shell's answer to it, the real pop-up menu
// built from the menu model, and the menu as the user drives it: the choice
// reaches the owner as WM_COMMAND with the whole command word.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdint.h>
#include <string.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "memo_registry.h"
#include "main_window.h"
#include "tracked_memory.h"
#include "settings.h"
#include "tray_icon.h"
#include "memo_test_support.h"
#include "resource.h"

namespace {

std::vector<std::pair<UINT, WPARAM>> g_owner_messages;

LRESULT CALLBACK owner_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND || message == WM_NULL) {
        g_owner_messages.push_back({message, wparam});
        return 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

// Runs posted messages; returns what reached the owner.
std::vector<std::pair<UINT, WPARAM>> drain() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
    }
    std::vector<std::pair<UINT, WPARAM>> seen;
    seen.swap(g_owner_messages);
    return seen;
}

class TrayTest : public memo_test::MemoTest {
protected:
    HWND make_owner() override {
        return memo_test::create_test_window("TrayTestOwner", owner_proc, WS_POPUP, 0, 0, 0, 0);
    }
    void SetUp() override {
        MemoTest::SetUp();
        drain();
    }
    void TearDown() override {
        MemoTest::TearDown();
        drain();
    }
    static HMENU menu_of(int shown, int memolist) {
        tray_menu_model model;
        tray_menu_build(&model, shown, memolist);
        HMENU menu = tray_icon_menu_create(&model);
        tray_menu_release(&model);
        return menu;
    }
    // Registers a stand-in memo window with a UTF-8 text (none for null).
    void add_memo(const char* text) {
        stand_in(CreateWindowExA(0, "TrayTestOwner", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr),
                 text);
    }
};

HWND find_standalone_tray() {
    return FindWindowA("__winex11_standalone_tray", nullptr);
}

TEST_F(TrayTest, IconRecordIsFilledCompletely) {
    ASSERT_EQ(1, tray_icon_change(TRAY_ICON_ADD, owner));
    // The wide record: the tip reads right whatever the system's code page.
    const NOTIFYICONDATAW* data = tray_icon_data();
#ifdef _WIN64
    EXPECT_EQ(976u, data->cbSize) << "the whole structure";
#endif
    EXPECT_EQ(sizeof(NOTIFYICONDATAW), data->cbSize);
    EXPECT_EQ(owner, data->hWnd);
    EXPECT_EQ(0u, data->uID);
    EXPECT_EQ(7u, data->uFlags);
    EXPECT_EQ(static_cast<UINT>(MSG_TRAY_NOTIFY), data->uCallbackMessage);
    EXPECT_EQ(1026u, data->uCallbackMessage);
    EXPECT_NE(nullptr, data->hIcon);
    EXPECT_STREQ(L"『Kelvane』\n右クリックでメニュー", data->szTip);
    EXPECT_EQ(1, tray_icon_change(TRAY_ICON_DELETE, owner));
    EXPECT_EQ(0, tray_icon_change(3, owner));
    EXPECT_EQ(0, tray_icon_change(0, owner));
}

TEST_F(TrayTest, ShellShowsTheIconUntilItIsDeleted) {
    // Wine without a task bar shows tray icons in a window of its own.
    ASSERT_EQ(1, tray_icon_change(TRAY_ICON_ADD, owner));
    EXPECT_TRUE(memo_test::wait_for(
        [] { return find_standalone_tray() && IsWindowVisible(find_standalone_tray()); }, 3000));
    ASSERT_EQ(1, tray_icon_change(TRAY_ICON_DELETE, owner));
    EXPECT_TRUE(memo_test::wait_for(
        [] { return !find_standalone_tray() || !IsWindowVisible(find_standalone_tray()); }, 3000));
}

struct MenuItem {
    std::string text;  // code page 932; "-" for a separator
    UINT id;
    bool submenu;
};

std::vector<MenuItem> read_menu(HMENU menu) {
    std::vector<MenuItem> items;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; i++) {
        char text[256] = "";
        MENUITEMINFOA info;
        ZeroMemory(&info, sizeof info);
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU | MIIM_STATE;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        EXPECT_EQ(0u, info.fState & (MFS_CHECKED | MFS_GRAYED | MFS_DEFAULT)) << i;
        if (info.fType & MFT_SEPARATOR) {
            items.push_back({"-", 0, false});
        } else {
            items.push_back({text, info.wID, info.hSubMenu != nullptr});
        }
    }
    return items;
}

std::wstring wide_item(HMENU menu, int position) {
    wchar_t text[8192] = L"";
    MENUITEMINFOW info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 8192;
    GetMenuItemInfoW(menu, position, TRUE, &info);
    return text;
}

TEST_F(TrayTest, MenuHoldsTheModelsItemsInOrder) {
    add_memo(u8"A");
    add_memo(u8"B 😀\r\n二行目");
    add_memo(nullptr);
    HMENU menu = menu_of(1, 1);
    ASSERT_NE(nullptr, menu);

    std::vector<MenuItem> items = read_menu(menu);
    const MenuItem expected[] = {
        {"付箋を貼る", 0x10003, false}, {"-", 0, false},      {"非表示", 8, false},
        {"メモを更新", 9, false},       {"-", 0, false},      {"メモリスト", 0, true},
        {"メモを検索...", 11, false},   {"-", 0, false},      {"設定", 4, false},
        {"ヘルプ", 7, false},           {"-", 0, false},      {"終了", 2, false},
        {"-", 0, false},                {"キャンセル", 1, false},
    };
    ASSERT_EQ(sizeof expected / sizeof expected[0], items.size());
    for (size_t i = 0; i < items.size(); i++) {
        EXPECT_EQ(expected[i].text, items[i].text) << i;
        if (!expected[i].submenu) {
            EXPECT_EQ(expected[i].id, items[i].id) << i;
        }
        EXPECT_EQ(expected[i].submenu, items[i].submenu) << i;
    }

    HMENU list = GetSubMenu(menu, 5);
    ASSERT_NE(nullptr, list);
    ASSERT_EQ(3, GetMenuItemCount(list));
    EXPECT_EQ(0x3000Au, GetMenuItemID(list, 0));
    EXPECT_EQ(std::wstring(L""), wide_item(list, 0)) << "the memo without text";
    EXPECT_EQ(0x2000Au, GetMenuItemID(list, 1));
    EXPECT_EQ(std::wstring(L"B \U0001F600 二行目"), wide_item(list, 1)) << "a line break reads as a space";
    EXPECT_EQ(0x1000Au, GetMenuItemID(list, 2));
    EXPECT_EQ(std::wstring(L"A"), wide_item(list, 2));
    DestroyMenu(menu);
    EXPECT_FALSE(IsMenu(list)) << "destroyed with the menu";
}

// Each break is one space, whichever of the three forms it takes; the
// memo's own text keeps its breaks.
TEST_F(TrayTest, MemoListEntryShowsEachLineBreakAsASpace) {
    add_memo(u8"a\nb\rc\r\n\r\nd\n");
    HMENU menu = menu_of(1, 1);
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(std::wstring(L"a b c  d "), wide_item(GetSubMenu(menu, 5), 0));
    EXPECT_STREQ(u8"a\nb\rc\r\n\r\nd\n", static_cast<memo_record*>(memo_registry_find(memos.back()))->text);
    DestroyMenu(menu);
}

TEST_F(TrayTest, HiddenMenuWithoutMemoListAndAnEmptyList) {
    HMENU menu = menu_of(0, 0);
    std::vector<MenuItem> items = read_menu(menu);
    ASSERT_EQ(12u, items.size());
    EXPECT_EQ("表示", items[2].text);
    EXPECT_EQ("-", items[3].text);
    EXPECT_EQ("メモを検索...", items[4].text);
    EXPECT_EQ("設定", items[6].text);
    DestroyMenu(menu);

    menu = menu_of(0, 1);
    HMENU list = GetSubMenu(menu, 4);
    ASSERT_NE(nullptr, list) << "the list is there, empty";
    EXPECT_EQ(0, GetMenuItemCount(list));
    DestroyMenu(menu);
}

// Presses keys in the tray menu once it is up, from a second thread, the
// way a user's keyboard would reach it.
std::thread press_in_menu(std::vector<WPARAM> keys) {
    return std::thread([keys] {
        HWND menu_window = probe_wait_menu(3000);
        if (!menu_window) return;
        for (WPARAM key : keys) {
            Sleep(60);
            PostMessageA(menu_window, WM_KEYDOWN, key, 0);
        }
    });
}

TEST_F(TrayTest, ChosenItemReachesTheOwnerAsItsCommandWord) {
    g_settings.show = 1;
    g_settings.memolist = 0;
    SetCursorPos(640, 500);
    std::thread keys = press_in_menu({VK_DOWN, VK_RETURN});
    EXPECT_EQ(1, tray_icon_menu(owner));
    keys.join();
    std::vector<std::pair<UINT, WPARAM>> seen = drain();
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(static_cast<UINT>(WM_COMMAND), seen[0].first);
    EXPECT_EQ(0x10003u, seen[0].second) << "付箋を貼る";
    EXPECT_EQ(static_cast<UINT>(WM_NULL), seen[1].first) << "posted after the menu closed";
}

TEST_F(TrayTest, MemoListEntryFocusesByItsRegistryNumber) {
    g_settings.show = 1;
    g_settings.memolist = 1;
    add_memo(u8"A");
    add_memo(u8"B");
    add_memo(u8"C");
    SetCursorPos(640, 500);
    // Down to "メモリスト" (separators are skipped), open it, go to its
    // third entry, the first registered memo.
    std::thread keys = press_in_menu({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN,
                                      VK_DOWN, VK_RETURN});
    EXPECT_EQ(1, tray_icon_menu(owner));
    keys.join();
    std::vector<std::pair<UINT, WPARAM>> seen = drain();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(static_cast<UINT>(WM_COMMAND), seen[0].first);
    EXPECT_EQ(0x1000Au, seen[0].second) << "A: CMD_FOCUS_MEMO with argument 1";
}

TEST_F(TrayTest, DismissedMenuSendsNothing) {
    g_settings.show = 0;
    g_settings.memolist = 1;
    SetCursorPos(640, 500);
    uint64_t blocks = tracked_live_count();
    std::thread keys = press_in_menu({VK_ESCAPE});
    EXPECT_EQ(1, tray_icon_menu(owner));
    keys.join();
    std::vector<std::pair<UINT, WPARAM>> seen = drain();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(static_cast<UINT>(WM_NULL), seen[0].first);
    EXPECT_EQ(blocks, tracked_live_count());
}

TEST_F(TrayTest, MenuStandsWithItsBottomRightCornerAtTheCursor) {
    g_settings.show = 1;
    g_settings.memolist = 0;
    SetCursorPos(700, 600);
    RECT seen_rect = {0, 0, 0, 0};
    std::thread watcher([&seen_rect] {
        HWND menu_window = probe_wait_menu(3000);
        if (!menu_window) return;
        GetWindowRect(menu_window, &seen_rect);
        PostMessageA(menu_window, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    tray_icon_menu(owner);
    watcher.join();
    drain();
    EXPECT_EQ(700, seen_rect.right);
    EXPECT_EQ(600, seen_rect.bottom);
    EXPECT_GT(seen_rect.bottom - seen_rect.top, 100) << "eleven items";
}

}  // namespace
