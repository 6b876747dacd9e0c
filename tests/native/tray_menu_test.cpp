// The tray menu's items, their order and command words, and the memo list,
// checked on the menu model without showing a menu.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "memo_registry.h"
#include "tracked_memory.h"
#include "tray_menu.h"
#include "native_test_support.h"

namespace {

// The menu top to bottom as "text=word" with "-" for separators and
// "text>" for the memo-list item.  Texts are code page 932, like the
// literals of this file.
std::string describe(const tray_menu_model& menu) {
    std::string out;
    for (int32_t i = 0; i < menu.item_count; i++) {
        const tray_menu_item& item = menu.items[i];
        if (!out.empty()) out += "|";
        char word[16];
        switch (item.kind) {
        case TRAY_ITEM_SEPARATOR:
            EXPECT_EQ(nullptr, item.text);
            out += "-";
            break;
        case TRAY_ITEM_MEMO_LIST:
            EXPECT_EQ(0u, item.word) << "the memo-list item itself sends nothing";
            out += std::string(item.text) + ">";
            break;
        default:
            snprintf(word, sizeof word, "=%#x", static_cast<unsigned>(item.word));
            out += std::string(item.text) + word;
            break;
        }
    }
    return out;
}

memo_hwnd fake_window(uintptr_t n) {
    return reinterpret_cast<memo_hwnd>(0x10000 + n * 16);
}

class TrayMenuTest : public native_test::LeakCheckedTest {
protected:
    std::vector<memo_hwnd> windows;

    void TearDown() override {
        for (memo_hwnd w : windows) memo_registry_remove(w);
        LeakCheckedTest::TearDown();
    }
    // Registers a memo; a null text stands for a memo that never had one.
    void add_memo(const char* text) {
        memo_hwnd w = fake_window(windows.size() + 1);
        native_test::set_record_text(memo_registry_add(w), text);
        windows.push_back(w);
    }
};

struct MenuCase {
    int shown;
    int memolist;
    const char* expected;
};

TEST_F(TrayMenuTest, ItemsOrderAndWordsForEveryShownAndMemoListState) {
    const MenuCase cases[] = {
        {1, 0,
         "付箋を貼る=0x10003|-|非表示=0x8|メモを更新=0x9|-|メモを検索...=0xb|-|設定=0x4|"
         "ヘルプ=0x7|-|終了=0x2|-|キャンセル=0x1"},
        {0, 0,
         "付箋を貼る=0x10003|-|表示=0x8|-|メモを検索...=0xb|-|設定=0x4|ヘルプ=0x7|-|終了=0x2|-|"
         "キャンセル=0x1"},
        {1, 1,
         "付箋を貼る=0x10003|-|非表示=0x8|メモを更新=0x9|-|メモリスト>|メモを検索...=0xb|-|"
         "設定=0x4|ヘルプ=0x7|-|終了=0x2|-|キャンセル=0x1"},
        {0, 1,
         "付箋を貼る=0x10003|-|表示=0x8|-|メモリスト>|メモを検索...=0xb|-|設定=0x4|ヘルプ=0x7|-|"
         "終了=0x2|-|キャンセル=0x1"},
        // Any value other than 0 turns the list on, as the INI may hold one.
        {1, 5,
         "付箋を貼る=0x10003|-|非表示=0x8|メモを更新=0x9|-|メモリスト>|メモを検索...=0xb|-|"
         "設定=0x4|ヘルプ=0x7|-|終了=0x2|-|キャンセル=0x1"},
    };
    for (const MenuCase& c : cases) {
        tray_menu_model menu;
        tray_menu_build(&menu, c.shown, c.memolist);
        EXPECT_EQ(c.expected, describe(menu)) << "shown " << c.shown << ", MEMOLIST " << c.memolist;
        EXPECT_LE(menu.item_count, TRAY_MENU_MAX_ITEMS);
        tray_menu_release(&menu);
    }
}

TEST_F(TrayMenuTest, MemoListShowsLastRegisteredFirstWithRegistryNumbers) {
    add_memo(u8"A");
    add_memo(u8"B");
    add_memo(u8"C");
    tray_menu_model menu;
    tray_menu_build(&menu, 1, 1);
    ASSERT_EQ(3, menu.memo_count);
    EXPECT_STREQ(u8"C", menu.memos[0].text);
    EXPECT_EQ(0x3000Au, menu.memos[0].word);
    EXPECT_STREQ(u8"B", menu.memos[1].text);
    EXPECT_EQ(0x2000Au, menu.memos[1].word);
    EXPECT_STREQ(u8"A", menu.memos[2].text);
    EXPECT_EQ(0x1000Au, menu.memos[2].word) << "choosing A focuses memo 1";
    tray_menu_release(&menu);
    EXPECT_EQ(nullptr, menu.memos);
}

TEST_F(TrayMenuTest, NumbersFollowTheRegistryAfterARemoval) {
    add_memo(u8"A");
    add_memo(u8"B");
    add_memo(u8"C");
    memo_registry_remove(windows[1]);
    windows.erase(windows.begin() + 1);
    tray_menu_model menu;
    tray_menu_build(&menu, 1, 1);
    ASSERT_EQ(2, menu.memo_count);
    EXPECT_STREQ(u8"C", menu.memos[0].text);
    EXPECT_EQ(0x2000Au, menu.memos[0].word) << "C is now the second memo the main window walks";
    EXPECT_STREQ(u8"A", menu.memos[1].text);
    EXPECT_EQ(0x1000Au, menu.memos[1].word);
    tray_menu_release(&menu);
}

// Up to TRAY_MENU_ENTRY_CHARS characters an entry is the whole text;
// beyond, it is cut at a character (never inside one) and ends in "…".
TEST_F(TrayMenuTest, EntriesCarryTextsUpToTheLimitAndEmptyForMemosWithoutText) {
    const char* multi = u8"一行目\r\n二行目\n三行目 😀";
    std::string long_text(5000, 'x');
    add_memo(multi);
    add_memo(nullptr);
    add_memo(long_text.c_str());
    std::string wide_chars;
    for (int i = 0; i < TRAY_MENU_ENTRY_CHARS; i++) wide_chars += u8"😀";
    add_memo(wide_chars.c_str());
    add_memo((wide_chars + u8"付").c_str());
    tray_menu_model menu;
    tray_menu_build(&menu, 1, 1);
    ASSERT_EQ(5, menu.memo_count);
    EXPECT_EQ(wide_chars + u8"…", menu.memos[0].text) << "cut after the last whole character";
    EXPECT_EQ(wide_chars, menu.memos[1].text) << "exactly the limit: whole";
    const tray_menu_memo* before = menu.memos + 2;  // the three memos of before
    EXPECT_EQ(std::string(TRAY_MENU_ENTRY_CHARS, 'x') + u8"…", before[0].text);
    ASSERT_NE(nullptr, before[1].text);
    EXPECT_STREQ("", before[1].text);
    EXPECT_EQ(0x2000Au, before[1].word);
    EXPECT_STREQ(multi, before[2].text) << "line breaks stay in the one entry";
    tray_menu_release(&menu);
}

TEST_F(TrayMenuTest, NoListWithoutMemosOrWithMemoListOff) {
    tray_menu_model menu;
    tray_menu_build(&menu, 1, 1);
    EXPECT_EQ(0, menu.memo_count);
    EXPECT_EQ(nullptr, menu.memos) << "an empty list holds no block";
    tray_menu_release(&menu);

    add_memo(u8"A");
    tray_menu_build(&menu, 1, 0);
    EXPECT_EQ(0, menu.memo_count) << "MEMOLIST 0 reads no memos";
    EXPECT_EQ(nullptr, menu.memos);
    tray_menu_release(&menu);
}

}  // namespace
