// The task-tray icon and its pop-up menu.  The icon's notifications reach
// the main window as MSG_TRAY_NOTIFY; every menu choice reaches it as a
// WM_COMMAND carrying the item's whole command word (memo_shell_menu.h).
#ifndef MEMO_SHELL_H
#define MEMO_SHELL_H

#include <windows.h>

#include <shellapi.h>
#include <stdint.h>

#include "memo_shell_menu.h"

// Operations of memo_shell_tray_icon.
#define SHELL_TRAY_ADD 1
#define SHELL_TRAY_DELETE 2

#define SHELL_TRAY_ICON_ID 0
#define SHELL_TRAY_TIP "『Kelvane』\n右クリックでメニュー"

// SHELL_TRAY_ADD fills the process's icon record for main_window and adds
// the icon; SHELL_TRAY_DELETE removes it with the record of the last add.
// 1 for both whatever the shell answers (a failed add is retried on the
// next taskbar-created message); 0 (reported) for any other operation.
int32_t memo_shell_tray_icon(int16_t operation, HWND main_window);

// The icon record as the last add left it (for the tests).
const NOTIFYICONDATAA* memo_shell_tray_icon_data(void);

// Builds the tray menu for the current shown flag and MEMOLIST setting,
// shows it with its bottom-right corner at the cursor, owned by
// main_window, and destroys it.  1, or 0 (reported) when the cursor
// position or the menu cannot be had.
int32_t memo_shell_tray_menu(HWND main_window);

// The pop-up menu of a menu model: plain string items (code page 932), the
// memo list as wide-string items.  The caller owns the menu (DestroyMenu,
// which also destroys the memo list).  Null (reported) when no menu can be
// created; a memo list that cannot be created leaves "メモリスト" without
// its submenu.
HMENU memo_shell_menu_create(const shell_menu* model);

#endif
