// The tray menu as data: which items the menu shows, top to bottom, with
// the command word each one sends to the main window, and the memo list.
// The tray icon turns it into a real menu; building it needs no window, so the
// choice of items can be checked without showing anything.
#ifndef KELVANE_TRAY_MENU_H
#define KELVANE_TRAY_MENU_H

#include <stdint.h>

#include "messages.h"
#include "platform.h"

// Every item sends the main window a whole command word (messages.h):
// CMD_WORD(CMD_NEW_MEMO, MEMO_PLACE_TRAY) for a new memo, and
// CMD_WORD(CMD_FOCUS_MEMO, n) for memo-list entry n (1-based, registry order).

// The entry number travels in the high word of the command word, and the
// main window walks at most this many memos when it looks the number up.
#define TRAY_MENU_MAX_MEMOS 65534

#define TRAY_MENU_MAX_ITEMS 14

enum tray_item_kind {
    TRAY_ITEM_STRING = 1,
    TRAY_ITEM_SEPARATOR = 2,
    TRAY_ITEM_MEMO_LIST = 3  // "メモリスト", opens the memo list, sends nothing itself
};

struct tray_menu_item {
    int32_t kind;
    const char* text;  // code page 932 constant; null for separators
    uint32_t word;     // 0 for separators and the memo-list item
};

// The characters of a memo's text that its memo-list entry shows; a longer
// text is cut there and "…" added.  A menu entry is one line as wide as its
// text, and a whole memo of megabytes made the menu fail to open at all.
#define TRAY_MENU_ENTRY_CHARS 64

struct tray_menu_memo {
    char* text;  // UTF-8 as the entry shows it, "" for a memo without text;
                 // a tracked block owned by the menu
    uint32_t word;
};

struct tray_menu_model {
    tray_menu_item items[TRAY_MENU_MAX_ITEMS];  // top to bottom
    int32_t item_count;
    tray_menu_memo* memos;  // tracked block owned by the menu, top to bottom
                             // (the last registered memo first); null if none
    int32_t memo_count;
};

// Fills menu for the shown flag (1 memos shown, 0 hidden) and the MEMOLIST
// setting (0 no memo list).  The memo list is read from the registry only
// when memolist is not 0.  Release with tray_menu_release.
void tray_menu_build(tray_menu_model* menu, int32_t shown, int32_t memolist);

void tray_menu_release(tray_menu_model* menu);

#endif
