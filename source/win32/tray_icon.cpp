// The task-tray icon and its menu.
#include "tray_icon.h"

#include <string.h>

#include "error_log.h"
#include "messages.h"
#include "tracked_memory.h"
#include "settings.h"
#include "wide_text.h"
#include "resource.h"

namespace {

// Filled on every add and kept for the removal at shutdown.
NOTIFYICONDATAW s_icon_data;

void tray_icon_fill_icon_data(HWND main_window) {
    ZeroMemory(&s_icon_data, sizeof s_icon_data);
    s_icon_data.cbSize = sizeof s_icon_data;
    s_icon_data.hWnd = main_window;
    s_icon_data.uID = TRAY_ICON_ICON_ID;
    s_icon_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    s_icon_data.uCallbackMessage = MSG_TRAY_NOTIFY;
    // The small-icon size picks the 16-pixel image (24 at 144 DPI) instead
    // of shrinking the 32-pixel one.  Shared: never destroyed.
    HINSTANCE instance =
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(main_window, GWLP_HINSTANCE));
    s_icon_data.hIcon = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_KELVANE), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    lstrcpynW(s_icon_data.szTip, wide_cp932(TRAY_ICON_TIP), ARRAYSIZE(s_icon_data.szTip));
}

int tray_icon_insert_string(HMENU menu, const char* text, UINT word, HMENU submenu) {
    wide_cp932 wide_text(text);
    MENUITEMINFOW item;
    ZeroMemory(&item, sizeof item);
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_STRING | (submenu ? MIIM_SUBMENU : MIIM_ID);
    item.fType = MFT_STRING;
    item.wID = word;
    item.hSubMenu = submenu;
    item.dwTypeData = const_cast<wchar_t*>(wide_text.get());
    return InsertMenuItemW(menu, 0, TRUE, &item) ? 1 : 0;
}

int tray_icon_insert_separator(HMENU menu) {
    MENUITEMINFOW item;
    ZeroMemory(&item, sizeof item);
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE;
    item.fType = MFT_SEPARATOR;
    return InsertMenuItemW(menu, 0, TRUE, &item) ? 1 : 0;
}

// Memo texts are UTF-8 and may hold any character.  The model has cut long
// texts already; what is left goes in on one line: a menu draws a line
// break as a box.
HMENU tray_icon_create_memo_list(const tray_menu_model* model) {
    HMENU list = CreatePopupMenu();
    if (!list) {
        REPORT_FAILURE();
        return nullptr;
    }
    for (int32_t i = model->memo_count - 1; i >= 0; i--) {
        wchar_t* text = wide_from_utf8(model->memos[i].text, -1, nullptr);
        wide_flatten_line_breaks(text);
        MENUITEMINFOW item;
        ZeroMemory(&item, sizeof item);
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID;
        item.fType = MFT_STRING;
        item.wID = model->memos[i].word;
        item.dwTypeData = text;
        InsertMenuItemW(list, 0, TRUE, &item);
        TRACKED_FREE(text);
    }
    return list;
}

}  // namespace

int32_t tray_icon_change(int16_t operation, HWND main_window) {
    switch (operation) {
    case TRAY_ICON_ADD:
        tray_icon_fill_icon_data(main_window);
        // Not checked: without a task bar the add fails, and the shell's
        // taskbar-created message brings us back here.
        Shell_NotifyIconW(NIM_ADD, &s_icon_data);
        return 1;
    case TRAY_ICON_DELETE:
        Shell_NotifyIconW(NIM_DELETE, &s_icon_data);
        return 1;
    default:
        REPORT_FAILURE();
        return 0;
    }
}

const NOTIFYICONDATAW* tray_icon_data(void) {
    return &s_icon_data;
}

// Every item goes in at the top, so the model is walked from its bottom.
HMENU tray_icon_menu_create(const tray_menu_model* model) {
    HMENU menu = CreatePopupMenu();
    if (!menu) {
        REPORT_FAILURE();
        return nullptr;
    }
    for (int32_t i = model->item_count - 1; i >= 0; i--) {
        const tray_menu_item* item = &model->items[i];
        switch (item->kind) {
        case TRAY_ITEM_SEPARATOR:
            tray_icon_insert_separator(menu);
            break;
        case TRAY_ITEM_MEMO_LIST: {
            HMENU list = tray_icon_create_memo_list(model);
            if (!tray_icon_insert_string(menu, item->text, 0, list) && list) {
                DestroyMenu(list);
            }
            break;
        }
        default:
            tray_icon_insert_string(menu, item->text, item->word, nullptr);
            break;
        }
    }
    return menu;
}

int32_t tray_icon_menu(HWND main_window) {
    POINT cursor;
    if (!GetCursorPos(&cursor)) {
        REPORT_FAILURE();
        return 0;
    }
    tray_menu_model model;
    tray_menu_build(&model, g_settings.show, g_settings.memolist);
    HMENU menu = tray_icon_menu_create(&model);
    if (!menu) {
        tray_menu_release(&model);
        return 0;
    }
    // A tray menu closes when the user clicks elsewhere only if its owner
    // is the foreground window; the WM_NULL afterwards lets the next click
    // on the icon open it again at once.
    SetForegroundWindow(main_window);
    TrackPopupMenu(menu, TPM_RIGHTALIGN | TPM_BOTTOMALIGN, cursor.x, cursor.y, 0, main_window,
                   nullptr);
    PostMessageA(main_window, WM_NULL, 0, 0);
    DestroyMenu(menu);
    tray_menu_release(&model);
    return 1;
}
