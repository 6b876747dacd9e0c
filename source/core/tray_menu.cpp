// The tray menu's items and memo list as data.
#include "tray_menu.h"

#include <string.h>

#include "memo_registry.h"
#include "error_log.h"
#include "tracked_memory.h"
#include "utf8_text.h"

namespace {

void tray_menu_add(tray_menu_model* menu, int32_t kind, const char* text, uint32_t word) {
    tray_menu_item* item = &menu->items[menu->item_count++];
    item->kind = kind;
    item->text = text;
    item->word = word;
}

void tray_menu_separator(tray_menu_model* menu) {
    tray_menu_add(menu, TRAY_ITEM_SEPARATOR, nullptr, 0);
}

// Memos in registration order get the entry numbers 1, 2, 3, ...; the list
// shows the last registered memo first.  The registry is walked twice, once
// to size the block and once to fill it, both times stopping where the main
// window's own walk would stop.
void tray_menu_read_memos(tray_menu_model* menu) {
    int32_t count = 0;
    for (memo_hwnd window = memo_registry_next(nullptr);
         window && count < TRAY_MENU_MAX_MEMOS && memo_registry_find(window);
         window = memo_registry_next(window)) {
        count++;
    }
    if (count == 0) {
        return;
    }
    menu->memos = TRACKED_NEW(tray_menu_memo, static_cast<uint64_t>(count));
    int32_t number = 1;
    for (memo_hwnd window = memo_registry_next(nullptr); window && number <= count;
         window = memo_registry_next(window), number++) {
        const memo_record* record = memo_registry_find(window);
        tray_menu_memo* entry = &menu->memos[count - number];
        entry->text = utf8_start(record->text ? record->text : "", TRAY_MENU_ENTRY_CHARS);
        entry->word = CMD_WORD(CMD_FOCUS_MEMO, number);
    }
    menu->memo_count = count;
}

}  // namespace

void tray_menu_build(tray_menu_model* menu, int32_t shown, int32_t memolist) {
    memset(menu, 0, sizeof *menu);
    tray_menu_add(menu, TRAY_ITEM_STRING, "付箋を貼る", CMD_WORD(CMD_NEW_MEMO, MEMO_PLACE_TRAY));
    tray_menu_separator(menu);
    tray_menu_add(menu, TRAY_ITEM_STRING, shown ? "非表示" : "表示", CMD_TOGGLE_SHOW);
    // The main window refreshes only while memos are shown.
    if (shown) {
        tray_menu_add(menu, TRAY_ITEM_STRING, "メモを更新", CMD_REFRESH);
    }
    tray_menu_separator(menu);
    if (memolist) {
        tray_menu_add(menu, TRAY_ITEM_MEMO_LIST, "メモリスト", 0);
        tray_menu_read_memos(menu);
    }
    // Above 設定, so that the items counted from the bottom stay where
    // they always were.
    tray_menu_add(menu, TRAY_ITEM_STRING, "メモを検索...", CMD_SEARCH);
    tray_menu_separator(menu);
    tray_menu_add(menu, TRAY_ITEM_STRING, "設定", CMD_SETTINGS);
    tray_menu_add(menu, TRAY_ITEM_STRING, "ヘルプ", CMD_HELP);
    tray_menu_separator(menu);
    tray_menu_add(menu, TRAY_ITEM_STRING, "終了", CMD_EXIT);
    tray_menu_separator(menu);
    tray_menu_add(menu, TRAY_ITEM_STRING, "キャンセル", CMD_CANCEL);
}

void tray_menu_release(tray_menu_model* menu) {
    if (menu->memos) {
        for (int32_t i = 0; i < menu->memo_count; i++) {
            TRACKED_FREE(menu->memos[i].text);
        }
        TRACKED_FREE(menu->memos);
    }
    menu->memos = nullptr;
    menu->memo_count = 0;
}
