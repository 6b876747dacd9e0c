// The search window with real memo windows: its list follows the field and
// the memos, its labels name its controls, keys choose a memo, and it
// follows the DPI.  Memo windows carry the start of their text as their
// window text.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "memo_test_support.h"
#include "memo_window.h"
#include "search_window.h"

using namespace memo_test;

namespace {

class SearchWindowTest : public MemoTest {
protected:
    HWND window = nullptr;

    void SetUp() override {
        MemoTest::SetUp();
        const char* texts[] = {u8"メモ帳", u8"ﾒﾓ 2", u8"買い物"};
        for (const char* text : texts) {
            memos.push_back(create_memo(owner, 100 + 200 * static_cast<int>(memos.size()), 100, 150,
                                        100, std::to_string(memos.size()).c_str(), text, 1));
        }
        window = search_window_show(owner);
        ASSERT_NE(nullptr, window);
    }
    void TearDown() override {
        DestroyWindow(window);
        MemoTest::TearDown();
    }
    HWND item(int id) const { return GetDlgItem(window, id); }
    static std::wstring text_of(HWND hwnd) {
        wchar_t text[300] = L"";
        GetWindowTextW(hwnd, text, 300);
        return text;
    }
    std::vector<std::wstring> rows() const {
        std::vector<std::wstring> texts;
        HWND list = item(IDC_SEARCH_LIST);
        for (int i = 0; i < ListView_GetItemCount(list); i++) {
            wchar_t text[300] = L"";
            LVITEMW row = {};
            row.pszText = text;
            row.cchTextMax = 300;
            SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&row));
            texts.push_back(text);
        }
        return texts;
    }
};

TEST_F(SearchWindowTest, ListFollowsTheFieldAndEachControlHasItsLabelBeforeIt) {
    EXPECT_EQ(L"メモの検索", text_of(window));
    EXPECT_EQ(item(IDC_SEARCH_QUERY), GetFocus());
    EXPECT_EQ(L"すべてのメモ(&M): 3 件", text_of(item(IDC_SEARCH_LIST_LABEL)));
    SetWindowTextW(item(IDC_SEARCH_QUERY), L"めも");
    EXPECT_EQ((std::vector<std::wstring>{L"メモ帳", L"ﾒﾓ 2"}), rows());
    EXPECT_EQ(L"見つかったメモ(&M): 2 件", text_of(item(IDC_SEARCH_LIST_LABEL)));
    EXPECT_EQ(item(IDC_SEARCH_QUERY_LABEL), GetWindow(item(IDC_SEARCH_QUERY), GW_HWNDPREV));
    EXPECT_EQ(L"検索する文字列(&N):", text_of(item(IDC_SEARCH_QUERY_LABEL)));
    EXPECT_EQ(item(IDC_SEARCH_LIST_LABEL), GetWindow(item(IDC_SEARCH_LIST), GW_HWNDPREV));
}

TEST_F(SearchWindowTest, FollowsChangedAndPeeledMemosWhoseWindowTextIsTheirStart) {
    SetWindowTextW(item(IDC_SEARCH_QUERY), L"めも");
    std::string long_text = u8"一行目\r\n二行目 " + std::string(100, 'x');
    SendMessageW(memos[2], WM_COMMAND, MEMO_CMD_SET_TEXT,
                 reinterpret_cast<LPARAM>(tracked_copy((u8"メモ " + long_text).c_str())));
    EXPECT_EQ(L"メモ 一行目 二行目 " + std::wstring(MEMO_WINDOW_NAME_CHARS - 12, L'x') + L"…",
              text_of(memos[2]));
    EXPECT_TRUE(pump_until([&] { return rows().size() == 3; }));
    SendMessageW(memos[0], WM_COMMAND, MEMO_CMD_PEEL, 0);
    EXPECT_TRUE(pump_until([&] { return rows().size() == 2; }));
    EXPECT_EQ(L"ﾒﾓ 2", rows()[1]) << "never changed: after the memo changed just now";
}

TEST_F(SearchWindowTest, DownFromTheFieldAndEnterFocusTheMemoEscCloses) {
    SetWindowTextW(item(IDC_SEARCH_QUERY), L"ﾒﾓ");
    SendMessageW(item(IDC_SEARCH_QUERY), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(1, ListView_GetNextItem(item(IDC_SEARCH_LIST), -1, LVNI_SELECTED));
    SendMessageW(window, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(memos[1], GetFocus());
    EXPECT_EQ(window, search_window_show(owner)) << "one window, brought back";
    EXPECT_EQ(item(IDC_SEARCH_QUERY), GetFocus());
    SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, search_window_handle());
}

TEST_F(SearchWindowTest, FollowsTheDpiOfItsMonitor) {
    RECT before;
    GetWindowRect(item(IDC_SEARCH_QUERY), &before);
    RECT suggested = {50, 60, 50 + 660, 60 + 570};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT now;
    GetWindowRect(window, &now);
    EXPECT_TRUE(EqualRect(&suggested, &now));
    EXPECT_EQ(165, ListView_GetColumnWidth(item(IDC_SEARCH_LIST), 1));
    RECT field;
    GetWindowRect(item(IDC_SEARCH_QUERY), &field);
    EXPECT_GT(field.bottom - field.top, (before.bottom - before.top) * 5 / 4) << "a larger font";
}

}  // namespace
