// What the settings pages and the welcome dialog share: small control
// helpers, the pages' tooltips, the banner drawing and the sheet's owner.
#include "dialog_common.h"

#include <commctrl.h>
#include <stdio.h>

#include "bitmap.h"
#include "error_log.h"
#include "memo_registry.h"
#include "platform.h"
#include "scoped.h"
#include "settings_text.h"
#include "wide_text.h"

namespace {

// Tooltips wrap at this width; a line feed in a text starts a new line.
const int k_tip_width = 300;

HWND s_sheet_owner = nullptr;

}  // namespace

HWND dialog_sheet_owner() {
    return s_sheet_owner;
}

void dialog_set_sheet_owner(HWND owner) {
    s_sheet_owner = owner;
}

HINSTANCE dialog_instance(HWND window) {
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
}

// A page's WM_NOTIFY.  OK (PSN_APPLY) first runs on_apply when the page
// has one.  Every notification of the sheet is answered as handled with
// result 0: nothing is refused, so page changes and OK always go through.
INT_PTR dialog_on_notify(HWND page, LPARAM lparam, void (*on_apply)(HWND page)) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lparam);
    if (!header || header->code < PSN_LAST || header->code > PSN_FIRST) {
        return FALSE;
    }
    if (header->code == static_cast<UINT>(PSN_APPLY) && on_apply) {
        on_apply(page);
    }
    SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
    return TRUE;
}

// Moves window, keeping its size, to the middle of an area of the given size
// at the screen's origin, drop pixels lower than the exact middle.
void dialog_center_window(HWND window, int area_width, int area_height, int drop) {
    RECT r;
    GetWindowRect(window, &r);
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    MoveWindow(window, (area_width - width) / 2, (area_height - height + drop) / 2, width, height,
               FALSE);
}

int32_t dialog_ticked(HWND page, int id) {
    return IsDlgButtonChecked(page, id) == BST_CHECKED ? 1 : 0;
}

void dialog_tick(HWND page, int id, int32_t ticked) {
    CheckDlgButton(page, id, ticked ? BST_CHECKED : BST_UNCHECKED);
}

void dialog_enable(HWND page, int id, int32_t enabled) {
    EnableWindow(GetDlgItem(page, id), enabled ? TRUE : FALSE);
}

void dialog_set_int(HWND page, int id, int32_t value) {
    char text[16];
    snprintf(text, sizeof text, "%d", value);
    SetDlgItemTextA(page, id, text);
}

void dialog_send_memos(UINT message, WPARAM wparam, LPARAM lparam) {
    for (HWND memo = memo_registry_next(nullptr); memo; memo = memo_registry_next(memo)) {
        SendMessageA(memo, message, wparam, lparam);
    }
}

void dialog_repaint_memos() {
    for (HWND memo = memo_registry_next(nullptr); memo; memo = memo_registry_next(memo)) {
        InvalidateRect(memo, nullptr, FALSE);
    }
}

// One tooltip control per page, owned by the page so that it goes with it.
// TTS_ALWAYSTIP: the sheet need not be the active window.
HWND dialog_create_tooltip(HWND page) {
    HWND tooltip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, page, nullptr,
                                   dialog_instance(page), nullptr);
    if (!tooltip) {
        REPORT_FAILURE();
    }
    return tooltip;
}

// A tool named by the control's window, which the tooltip subclasses to
// see the mouse.  The control keeps its own copy of the text.
void dialog_add_tool(HWND tooltip, HWND page, int id, const char* text) {
    if (!tooltip) {
        return;
    }
    wide_cp932 wide_text(text);
    TOOLINFOW tool;
    ZeroMemory(&tool, sizeof tool);
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = page;
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(page, id));
    tool.lpszText = const_cast<wchar_t*>(wide_text.get());
    SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void dialog_tip_width(HWND tooltip) {
    if (tooltip) {
        SendMessageA(tooltip, TTM_SETMAXTIPWIDTH, 0, k_tip_width);
    }
}

// A page's tooltip control with one tool per entry of tips.
void dialog_add_tips(HWND page, const dialog_tip* tips, size_t count) {
    HWND tooltip = dialog_create_tooltip(page);
    for (size_t i = 0; i < count; i++) {
        dialog_add_tool(tooltip, page, tips[i].id, tips[i].text);
    }
    dialog_tip_width(tooltip);
}

void dialog_trackbar_init(HWND page, int id, int32_t low, int32_t high, int32_t position) {
    SendDlgItemMessageA(page, id, TBM_SETRANGE, FALSE, MAKELPARAM(low, high));
    SendDlgItemMessageA(page, id, TBM_SETPOS, TRUE, position);
}

void dialog_grow_window(HWND window, int dx, int dy) {
    RECT r;
    GetWindowRect(window, &r);
    SetWindowPos(window, nullptr, 0, 0, r.right - r.left + dx, r.bottom - r.top + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void dialog_move_child(HWND parent, HWND child, int dx, int dy) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(child, nullptr, r.left + dx, r.top + dy, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The banner is loaded for every draw and deleted after it.
void dialog_draw_banner(HWND window, const DRAWITEMSTRUCT* item, int bitmap_id, int at_right) {
    scoped_gdi<HBITMAP> bitmap(static_cast<HBITMAP>(LoadImageA(
        dialog_instance(window), MAKEINTRESOURCEA(bitmap_id), IMAGE_BITMAP, 0, 0, 0)));
    BITMAP info;
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) {
        REPORT_FAILURE();
        return;
    }
    platform_rect item_rect = {item->rcItem.left, item->rcItem.top, item->rcItem.right,
                               item->rcItem.bottom};
    platform_rect r;
    int placed = at_right ? settings_text_banner_right(&item_rect, info.bmWidth, info.bmHeight, &r)
                          : settings_text_banner_top(&item_rect, info.bmWidth, info.bmHeight, &r);
    if (placed) {
        RECT target = {r.left, r.top, r.right, r.bottom};
        bitmap_draw(item->hDC, bitmap, &target);
    }
}
