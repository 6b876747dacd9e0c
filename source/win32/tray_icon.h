// The task-tray icon and its pop-up menu.  The icon's notifications reach
// the main window as MSG_TRAY_NOTIFY; every menu choice reaches it as a
// WM_COMMAND carrying the item's whole command word (tray_menu.h).
#ifndef KELVANE_TRAY_ICON_H
#define KELVANE_TRAY_ICON_H

#include <windows.h>

#include <shellapi.h>
#include <stdint.h>

#include "tray_menu.h"

// Operations of tray_icon_change.
#define TRAY_ICON_ADD 1
#define TRAY_ICON_DELETE 2

#define TRAY_ICON_ICON_ID 0
#define TRAY_ICON_TIP "『Kelvane』\n右クリックでメニュー"

// TRAY_ICON_ADD fills the process's icon record for main_window and adds
// the icon; TRAY_ICON_DELETE removes it with the record of the last add.
// 1 for both whatever the shell answers (a failed add is retried on the
// next taskbar-created message); 0 for any other operation.
int32_t tray_icon_change(int16_t operation, HWND main_window);

// The icon record as the last add left it (for the tests).
const NOTIFYICONDATAW* tray_icon_data(void);

// Builds the tray menu for the current shown flag and MEMOLIST setting,
// shows it with its bottom-right corner at the cursor, owned by
// main_window, and destroys it.  1, or 0 when the cursor
// position or the menu cannot be had.
int32_t tray_icon_menu(HWND main_window);

// The pop-up menu of a menu model: every item a wide string, the memo
// list's entries on one line each.  The caller owns the menu (DestroyMenu,
// which also destroys the memo list).  Null when no menu can be
// created; a memo list that cannot be created leaves "メモリスト" without
// its submenu.
HMENU tray_icon_menu_create(const tray_menu_model* model);

#endif
