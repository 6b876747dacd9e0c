// What the settings pages and the welcome dialog share: small control
// helpers, the pages' tooltips, the banner drawing and the sheet's owner.
#ifndef KELVANE_DIALOG_COMMON_H
#define KELVANE_DIALOG_COMMON_H

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

// One tooltip text of a page: the control's id and a code page 932 text.
struct dialog_tip {
    int id;
    const char* text;
};

// The main window while the sheet is open (its z-order band is what the
// basic page's TOPMOST box switches), else null.
HWND dialog_sheet_owner();
void dialog_set_sheet_owner(HWND owner);

HINSTANCE dialog_instance(HWND window);

// A page's WM_NOTIFY.  OK (PSN_APPLY) first runs on_apply when the page
// has one.  Every notification of the sheet is answered as handled with
// result 0: nothing is refused, so page changes and OK always go through.
INT_PTR dialog_on_notify(HWND page, LPARAM lparam, void (*on_apply)(HWND page));

// Moves window, keeping its size, to the middle of an area of the given size
// at the screen's origin, drop pixels lower than the exact middle.
void dialog_center_window(HWND window, int area_width, int area_height, int drop);

int32_t dialog_ticked(HWND page, int id);
void dialog_tick(HWND page, int id, int32_t ticked);
void dialog_enable(HWND page, int id, int32_t enabled);
void dialog_set_int(HWND page, int id, int32_t value);
void dialog_trackbar_init(HWND page, int id, int32_t low, int32_t high, int32_t position);
void dialog_grow_window(HWND window, int dx, int dy);
void dialog_move_child(HWND parent, HWND child, int dx, int dy);

// Sends a message to, or repaints, every memo window in registry order.
void dialog_send_memos(UINT message, WPARAM wparam, LPARAM lparam);
void dialog_repaint_memos();

// One tooltip control per page, owned by the page so that it goes with it
// (null when it cannot be made); a tool for the control id with a code
// page 932 text, of which the control keeps a copy; the wrap width of its
// tips.
HWND dialog_create_tooltip(HWND page);
void dialog_add_tool(HWND tooltip, HWND page, int id, const char* text);
void dialog_tip_width(HWND tooltip);

// A page's tooltip control with one tool per entry of tips; the control
// is owned by the page and goes with it.
void dialog_add_tips(HWND page, const dialog_tip* tips, size_t count);

// Draws a banner bitmap resource into an owner-drawn item, at its right
// edge (at_right 1) or across its top.
void dialog_draw_banner(HWND window, const DRAWITEMSTRUCT* item, int bitmap_id, int at_right);

#endif
