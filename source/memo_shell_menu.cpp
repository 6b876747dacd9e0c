// The tray menu's items and memo list as data.
#include "memo_shell_menu.h"

#include <string.h>

#include "memo_buffer.h"
#include "memo_log.h"
#include "memo_memory.h"

namespace {

void shell_menu_add(shell_menu* menu, int32_t kind, const char* text, uint32_t word) {
    shell_menu_item* item = &menu->items[menu->item_count++];
    item->kind = kind;
    item->text = text;
    item->word = word;
}

void shell_menu_separator(shell_menu* menu) {
    shell_menu_add(menu, SHELL_ITEM_SEPARATOR, nullptr, 0);
}

// Memos in registration order get the entry numbers 1, 2, 3, ...; the list
// shows the last registered memo first.  The registry is walked twice, once
// to size the block and once to fill it, both times stopping where the main
// window's own walk would stop.
void shell_menu_read_memos(shell_menu* menu) {
    int32_t count = 0;
    for (memo_hwnd window = memo_registry_next(nullptr);
         window && count < SHELL_MENU_MAX_MEMOS && memo_registry_find(window);
         window = memo_registry_next(window)) {
        count++;
    }
    if (count == 0) {
        return;
    }
    menu->memos = static_cast<shell_menu_memo*>(
        TRACKED_ALLOC(static_cast<uint64_t>(count) * sizeof(shell_menu_memo)));
    int32_t number = 1;
    for (memo_hwnd window = memo_registry_next(nullptr); window && number <= count;
         window = memo_registry_next(window), number++) {
        const memo_record* record = static_cast<const memo_record*>(memo_registry_find(window));
        shell_menu_memo* entry = &menu->memos[count - number];
        entry->text = record->text ? record->text : "";
        entry->word = SHELL_MEMO_WORD(number);
    }
    menu->memo_count = count;
}

}  // namespace

void memo_shell_menu_build(shell_menu* menu, int32_t shown, int32_t memolist) {
    memset(menu, 0, sizeof *menu);
    shell_menu_add(menu, SHELL_ITEM_STRING, "付箋を貼る", SHELL_WORD_NEW_MEMO);
    shell_menu_separator(menu);
    shell_menu_add(menu, SHELL_ITEM_STRING, shown ? "非表示" : "表示", SHELL_WORD_TOGGLE_SHOW);
    // The main window refreshes only while memos are shown.
    if (shown) {
        shell_menu_add(menu, SHELL_ITEM_STRING, "メモを更新", SHELL_WORD_REFRESH);
    }
    shell_menu_separator(menu);
    if (memolist) {
        shell_menu_add(menu, SHELL_ITEM_MEMO_LIST, "メモリスト", 0);
        shell_menu_separator(menu);
        shell_menu_read_memos(menu);
    }
    shell_menu_add(menu, SHELL_ITEM_STRING, "設定", SHELL_WORD_SETTINGS);
    shell_menu_add(menu, SHELL_ITEM_STRING, "ヘルプ", SHELL_WORD_HELP);
    shell_menu_separator(menu);
    shell_menu_add(menu, SHELL_ITEM_STRING, "終了", SHELL_WORD_EXIT);
    shell_menu_separator(menu);
    shell_menu_add(menu, SHELL_ITEM_STRING, "キャンセル", SHELL_WORD_CANCEL);
}

void memo_shell_menu_release(shell_menu* menu) {
    if (menu->memos) {
        TRACKED_FREE(menu->memos);
    }
    menu->memos = nullptr;
    menu->memo_count = 0;
}
