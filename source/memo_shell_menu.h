// The tray menu as data: which items the menu shows, top to bottom, with
// the command word each one sends to the main window, and the memo list.
// memo_shell turns it into a real menu; building it needs no window, so the
// choice of items can be checked without showing anything.
#ifndef MEMO_SHELL_MENU_H
#define MEMO_SHELL_MENU_H

#include <stdint.h>

#include "memo_platform.h"

// Command words of the tray menu: WM_COMMAND to the main window, low word
// the main window's command, high word its argument.  memo_shell checks
// them against the main window's command numbers when it is compiled.
#define SHELL_WORD_CANCEL 1u          // the main window ignores it
#define SHELL_WORD_EXIT 2u
#define SHELL_WORD_SETTINGS 4u
#define SHELL_WORD_HELP 7u
#define SHELL_WORD_TOGGLE_SHOW 8u
#define SHELL_WORD_REFRESH 9u
#define SHELL_WORD_NEW_MEMO 0x10003u  // new memo, placed from the tray
#define SHELL_WORD_FOCUS_MEMO 10u     // high word: the memo's 1-based entry number

// The command word of memo list entry number (1-based, registry order).
#define SHELL_MEMO_WORD(number) ((static_cast<uint32_t>(number) << 16) | SHELL_WORD_FOCUS_MEMO)

// The entry number travels in the high word of the command word, and the
// main window walks at most this many memos when it looks the number up.
#define SHELL_MENU_MAX_MEMOS 65534

#define SHELL_MENU_MAX_ITEMS 13

enum shell_item_kind {
    SHELL_ITEM_STRING = 1,
    SHELL_ITEM_SEPARATOR = 2,
    SHELL_ITEM_MEMO_LIST = 3  // "メモリスト", opens the memo list, sends nothing itself
};

struct shell_menu_item {
    int32_t kind;
    const char* text;  // code page 932 constant; null for separators
    uint32_t word;     // 0 for separators and the memo-list item
};

struct shell_menu_memo {
    const char* text;  // UTF-8, borrowed from the memo's record; "" for a memo
                       // without text.  Valid while the registry is unchanged.
    uint32_t word;
};

struct shell_menu {
    shell_menu_item items[SHELL_MENU_MAX_ITEMS];  // top to bottom
    int32_t item_count;
    shell_menu_memo* memos;  // tracked block owned by the menu, top to bottom
                             // (the last registered memo first); null if none
    int32_t memo_count;
};

// Fills menu for the shown flag (1 memos shown, 0 hidden) and the MEMOLIST
// setting (0 no memo list).  The memo list is read from the registry only
// when memolist is not 0.  Release with memo_shell_menu_release.
void memo_shell_menu_build(shell_menu* menu, int32_t shown, int32_t memolist);

void memo_shell_menu_release(shell_menu* menu);

#endif
