// The memo window: the whole surface acts as a title bar (drag to move, a
// thin band along the edges to resize), the right button opens the memo's
// menu, a double-click or Enter opens the edit box, and every change of
// place, size, colour or text is written to the memo's files at once.
#include "memo_window.h"

#include <richedit.h>
#include <stdio.h>
#include <windowsx.h>

#include "balloon.h"
#include "memo_registry.h"
#include "edit_box.h"
#include "memo_file.h"
#include "edit_text.h"
#include "memo_sync.h"
#include "sync_notice.h"
#include "memo_input.h"
#include "error_log.h"
#include "tracked_memory.h"
#include "placement.h"
#include "memo_region.h"
#include "settings.h"
#include "paths.h"
#include "memo_paint.h"
#include "memo_tooltip.h"
#include "dpi.h"
#include "search_window.h"
#include "utf8_text.h"
#include "wide_text.h"
#include "window_class.h"
#include "scoped.h"

static_assert(MEMO_HIT_CAPTION == HTCAPTION && MEMO_HIT_BOTTOMRIGHT == HTBOTTOMRIGHT &&
                  MEMO_HIT_TOPLEFT == HTTOPLEFT && MEMO_HIT_BOTTOM == HTBOTTOM,
              "hit-test answers are the system's codes");
static_assert(MEMO_KEY_LEFT == VK_LEFT && MEMO_KEY_DOWN == VK_DOWN,
              "arrow keys are the system's virtual keys");

namespace {

const char k_update_failed[] = "メモの更新に失敗しました。";
const char k_delete_failed[] = "メモの削除に失敗しました。";
const char k_peel_question[] = "メモをはがしますか？";
const char k_delete_key_question[] = "このメモをはがしてもよろしいですか？";
const char k_delete_key_caption[] = "『Kelvane』";

const char k_too_large[] =
    "このメモは大きすぎるため、編集ボックスでは開けません。\n"
    "テキストファイルを直接編集し、「メモを更新」で読み込んでください。\n\n%s";

// Rich edit's code page for UTF-16 text.
const UINT k_codepage_utf16 = 1200;

// 1 while memo_window_place_unsaved moves a memo: its WM_MOVE and WM_SIZE
// then write nothing.
int s_placing_unsaved = 0;

// The memo the user is dragging or resizing (between WM_ENTERSIZEMOVE and
// WM_EXITSIZEMOVE), and whether it moved: its place is saved once, when
// the drag ends, not on each of the hundreds of moves on the way.
HWND s_sizing_memo = nullptr;
int s_sizing_moved = 0;

memo_record* memo_window_record(HWND hwnd) { return memo_registry_find(hwnd); }

// For the handlers that cannot work without the record: a memo window
// that has none is a fault, reported here.
memo_record* memo_window_record_or_report(HWND hwnd) {
    memo_record* record = memo_window_record(hwnd);
    if (!record) {
        REPORT_FAILURE();
    }
    return record;
}


// A refresh passes a memo by while its edit box is open (memo_sync).
void memo_window_set_edit_box(HWND hwnd, HWND box) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(box));
    if (memo_record* record = memo_window_record(hwnd)) {
        record->editing = box ? 1 : 0;
    }
}

// Scale of the monitor that holds most of the memo: lengths kept in 96-DPI
// pixels are multiplied by it when applied.
double memo_window_scale(HWND hwnd) {
    return dpi_of_window(hwnd) / 96.0;
}

void memo_window_post_foreground(HWND hwnd) {
    PostMessageA(GetWindow(hwnd, GW_OWNER), WM_COMMAND, CMD_FOREGROUND, 0);
}

void memo_window_apply_region(HWND hwnd, BOOL redraw) {
    SetWindowRgn(hwnd, memo_region_create(hwnd), redraw);
}

// The window text is the start of the memo's text on one line, so that
// screen readers and window tools, which name a window by its text, tell
// the memos apart.  The search window's list follows as well.
void memo_window_text_changed(HWND hwnd) {
    const memo_record* record = memo_window_record(hwnd);
    char* start = utf8_start(record && record->text ? record->text : "", MEMO_WINDOW_NAME_CHARS);
    wchar_t* name = wide_from_utf8(start, -1, nullptr);
    wide_flatten_line_breaks(name);
    SetWindowTextW(hwnd, name);
    TRACKED_FREE(name);
    TRACKED_FREE(start);
    search_window_memos_changed();
}

// --- commands --------------------------------------------------------------

// A text whose loading would hold the program up for long is not put into
// the edit box; the notice names the file where it can be edited.
LRESULT memo_window_refuse_edit(HWND hwnd, const memo_record* record) {
    char path[PLATFORM_PATH_SIZE] = "";
    path_memo_file(path, g_settings.path, record->file_name, ".txt");
    char text[sizeof k_too_large + PLATFORM_PATH_SIZE];
    snprintf(text, sizeof text, k_too_large, path);
    wide_message_box(hwnd, text, PROGRAM_CAPTION, MB_OK | MB_ICONINFORMATION);
    return 0;
}

LRESULT memo_window_open_edit(HWND hwnd) {
    HWND box = memo_window_edit_box(hwnd);
    if (box && IsWindow(box)) {
        SetForegroundWindow(box);
        return 1;
    }
    memo_window_set_edit_box(hwnd, nullptr);
    memo_record* record = memo_window_record(hwnd);
    if (record && !edit_text_fits(record->text)) {
        return memo_window_refuse_edit(hwnd, record);
    }

    double s = memo_window_scale(hwnd);
    int32_t width = static_cast<int32_t>(g_settings.editwidth * s);
    int32_t height = static_cast<int32_t>(g_settings.editheight * s);
    int32_t x = 0;
    int32_t y = 0;
    placement_place_editbox(static_cast<int32_t>(g_settings.taskbarwidth * s),
                               static_cast<int32_t>(g_settings.taskbarheight * s), width, height,
                               &x, &y);
    box = edit_box_open(hwnd, x, y, width, height);
    if (!box) {
        REPORT_FAILURE();
        return 0;
    }
    // The text goes in in one step before the box is shown, so the control
    // lays it out once.
    if (record && record->text) {
        wchar_t* wide = wide_from_utf8(record->text, -1, nullptr);
        SETTEXTEX how;
        how.flags = ST_DEFAULT;
        how.codepage = k_codepage_utf16;
        SendMessageW(box, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how),
                     reinterpret_cast<LPARAM>(wide));
        TRACKED_FREE(wide);
    }
    ShowWindow(box, SW_SHOW);
    UpdateWindow(box);
    memo_window_set_edit_box(hwnd, box);
    return 1;
}

// The text block is the memo's from here on, whatever happens.  A text
// that cannot be written stays in the memo and on the screen until it can.
LRESULT memo_window_set_text(HWND hwnd, char* text) {
    memo_window_set_edit_box(hwnd, nullptr);
    memo_record* record = text ? memo_window_record(hwnd) : nullptr;
    if (!record) {
        wide_message_box(hwnd, k_update_failed, PROGRAM_CAPTION, MB_OK);
        if (text) {
            TRACKED_FREE(text);
        }
        REPORT_FAILURE();
        return 0;
    }
    if (record->text) {
        TRACKED_FREE(record->text);
    }
    record->text = text;
    // The save compares the file with what this memo last saw, so a change
    // that arrived during the edit is kept, not overwritten.
    record->refresh_due = 0;

    platform_time now;
    platform_local_time(&now);
    record->day = now.month * 32 + now.day;
    record->time = now.hour * 60 + now.minute;

    // A save that cannot land now stays owed and is tried again; the user
    // hears of it from the main window once the sender of this text has
    // its answer, and only when it lasts.
    int saved = memo_file_save(hwnd, MEMO_SAVE_ALL);
    memo_tooltip_update(hwnd, memo_tooltip_of(hwnd));
    memo_window_text_changed(hwnd);
    InvalidateRect(hwnd, nullptr, FALSE);
    memo_window_post_foreground(hwnd);
    return saved ? 1 : 0;
}

LRESULT memo_window_peel(HWND hwnd) {
    if (g_settings.deletemessagebox &&
        wide_message_box(hwnd, k_peel_question, PROGRAM_CAPTION, MB_YESNO) != IDYES) {
        return 1;
    }
    if (!memo_registry_find(hwnd)) {
        wide_message_box(hwnd, k_delete_failed, PROGRAM_CAPTION, MB_OK);
        REPORT_FAILURE();
    }
    // Without a record no file is touched, but the window still goes.
    memo_file_peel(hwnd);
    search_window_memos_changed();
    if (g_settings.balloon) {
        balloon_show(BALLOON_PEEL, hwnd);
    }
    memo_window_post_foreground(hwnd);
    DestroyWindow(hwnd);
    return 1;
}

LRESULT memo_window_set_color(HWND hwnd, int32_t color_index) {
    memo_record* record = memo_window_record_or_report(hwnd);
    if (!record) {
        return 0;
    }
    record->color_index = color_index;
    InvalidateRect(hwnd, nullptr, FALSE);
    memo_file_save(hwnd, MEMO_SAVE_COLOR);
    return 1;
}

// A memo whose tooltip was never needed gets the new settings when it is
// made: a change of TOOLTIPTIME must not make a control for every memo.
LRESULT memo_window_refresh_tooltip(HWND hwnd) {
    const memo_record* record = memo_window_record(hwnd);
    if (record && record->tooltip) {
        memo_tooltip_update(hwnd, record->tooltip);
    }
    return 1;
}

// --- messages --------------------------------------------------------------

// The record comes only with a message the program is sending itself: the
// same message posted by another program carries no pointer worth reading.
const memo_handover* memo_window_handover(UINT message, LPARAM lparam) {
    if (lparam && !platform_window_sending(lparam)) {
        REPORT_FOREIGN(message);
        return nullptr;
    }
    const memo_handover* handover = reinterpret_cast<const memo_handover*>(lparam);
    if (!handover || !handover->record) {
        REPORT_FAILURE();
        return nullptr;
    }
    return handover;
}

// A new memo takes the cursor to its centre, so the wheel and the keys
// act on it at once.  The tooltip control waits until it is needed
// (memo_tooltip_of): a start-up with a thousand memos makes none.
LRESULT memo_window_on_init(HWND hwnd, LPARAM lparam) {
    if (lparam && !platform_window_sending(lparam)) {
        REPORT_FOREIGN(MEMO_MSG_INIT);  // an open edit box stays the memo's
        return 0;
    }
    memo_window_set_edit_box(hwnd, nullptr);
    memo_window_apply_region(hwnd, TRUE);
    LRESULT alpha = SendMessageA(GetWindow(hwnd, GW_OWNER), MSG_GET_TRANSPARENCY, 0, 0);
    SetLayeredWindowAttributes(hwnd, 0, static_cast<BYTE>(alpha), LWA_ALPHA);

    const memo_handover* handover = memo_window_handover(MEMO_MSG_INIT, lparam);
    if (!handover) {
        return 0;
    }
    memo_window_text_changed(hwnd);
    if (handover->mode != MEMO_MODE_NEW) {
        return 1;
    }
    RECT r;
    GetWindowRect(hwnd, &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    if (g_settings.balloon) {
        balloon_show(BALLOON_NEW, hwnd);
    }
    if (g_settings.textbox) {
        PostMessageA(hwnd, WM_COMMAND, MEMO_CMD_EDIT, 0);
    } else {
        SetForegroundWindow(hwnd);
    }
    return 1;
}

LRESULT memo_window_on_reload(HWND hwnd, LPARAM lparam) {
    const memo_handover* handover = memo_window_handover(MEMO_MSG_RELOAD, lparam);
    if (!handover) {
        return 0;
    }
    if (handover->mode == MEMO_MODE_FROM_FILES) {
        memo_tooltip_update(hwnd, memo_tooltip_of(hwnd));
        memo_window_text_changed(hwnd);
    }
    return 1;
}

// Every other move (the arrow keys, a program) is saved at once.  The
// first notices come from the window's creation, before the memo is
// registered: there is nothing to save yet.
void memo_window_save_place(HWND hwnd) {
    if (s_placing_unsaved) {
        return;
    }
    if (hwnd == s_sizing_memo) {
        s_sizing_moved = 1;
        return;
    }
    if (memo_window_record(hwnd)) {
        memo_file_save(hwnd, MEMO_SAVE_POSITION);
    }
}

// The class styles repaint the whole memo, so the new region needs no
// redraw of its own.  Before the memo is registered its shape waits for
// the init message, which sets it.
LRESULT memo_window_on_size(HWND hwnd) {
    memo_window_save_place(hwnd);
    if (memo_window_record(hwnd)) {
        memo_window_apply_region(hwnd, FALSE);
    }
    return 1;
}

LRESULT memo_window_on_size_move(HWND hwnd, int entering) {
    if (entering) {
        s_sizing_memo = hwnd;
        s_sizing_moved = 0;
        return 0;
    }
    int moved = hwnd == s_sizing_memo && s_sizing_moved;
    s_sizing_memo = nullptr;
    if (moved) {
        memo_window_save_place(hwnd);
    }
    return 0;
}

// The tooltip control's own watch covers every move once it exists.
LRESULT memo_window_on_mouse_move(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    memo_tooltip_on_pointer(hwnd, message, lparam);
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

// The default procedure still runs: it gives the activated memo the
// keyboard focus, without which no arrow key, Tab, Enter or Delete would
// ever reach it.
LRESULT memo_window_on_activate(HWND hwnd, WPARAM wparam, LPARAM lparam) {
    memo_record* record = memo_window_record_or_report(hwnd);
    if (record) {
        record->active = LOWORD(wparam) == WA_INACTIVE ? 0 : 1;
        InvalidateRect(hwnd, nullptr, FALSE);
    }
    return DefWindowProcW(hwnd, WM_ACTIVATE, wparam, lparam);
}

LRESULT memo_window_on_paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc) {
        memo_paint_memo(dc, hwnd);
    }
    EndPaint(hwnd, &ps);
    return 1;
}

LRESULT memo_window_on_get_min_max_info(MINMAXINFO* info) {
    info->ptMinTrackSize.x = MEMO_INPUT_MIN_WIDTH;
    info->ptMinTrackSize.y = MEMO_INPUT_MIN_HEIGHT;
    return 1;
}

LRESULT memo_window_on_nc_hit_test(HWND hwnd) {
    RECT w;
    POINT cursor;
    GetWindowRect(hwnd, &w);
    GetCursorPos(&cursor);
    platform_rect r = {w.left, w.top, w.right, w.bottom};
    return memo_input_hit_test(&r, cursor.x, cursor.y);
}

// Slot names are code page 932 in the settings; the menu shows them in
// UTF-16 like every other text the user sees.
void memo_window_append_color(HMENU menu, int slot) {
    AppendMenuW(menu, MF_STRING, MEMO_CMD_COLOR + slot,
                wide_cp932(g_settings.colors[slot].colortext));
}

// The menu is built anew on every click, so a renamed colour slot shows
// its new name at once.  Items go in at the top, so the last one inserted
// ends up first.
LRESULT memo_window_on_nc_right_button_down(HWND hwnd, LPARAM lparam) {
    scoped_menu menu(CreatePopupMenu());
    scoped_menu colors(CreatePopupMenu());
    if (!menu || !colors) {
        REPORT_FAILURE();
        return 1;
    }
    for (int slot = 0; slot < SETTINGS_COLOR_SLOTS; slot++) {
        memo_window_append_color(colors, slot);
    }
    InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, MEMO_CMD_PEEL, L"はがす");
    if (!memo_window_edit_box(hwnd)) {
        InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, MEMO_CMD_EDIT, L"編集する");
    }
    if (InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING | MF_POPUP,
                    reinterpret_cast<UINT_PTR>(colors.get()), L"付箋の色")) {
        colors.release();  // the menu destroys its submenu
    }
    // Opens up and to the left of the cursor.
    TrackPopupMenu(menu, TPM_RIGHTALIGN | TPM_BOTTOMALIGN, GET_X_LPARAM(lparam),
                   GET_Y_LPARAM(lparam), 0, hwnd, nullptr);
    return 1;
}

LRESULT memo_window_on_nc_left_button_double_click(HWND hwnd) {
    PostMessageA(hwnd, WM_COMMAND, MEMO_CMD_EDIT, 0);
    return 1;
}

LRESULT memo_window_key_tab(HWND hwnd) {
    HWND next = memo_registry_next(hwnd);
    if (!next) {
        next = memo_registry_next(nullptr);
    }
    SetActiveWindow(next);
    return 1;
}

LRESULT memo_window_key_delete(HWND hwnd) {
    if (wide_message_box(hwnd, k_delete_key_question, k_delete_key_caption, MB_OKCANCEL) == IDOK) {
        PostMessageA(hwnd, WM_COMMAND, MEMO_CMD_PEEL, 0);
    }
    return 1;
}

// The limits are those of the primary monitor, whichever monitor holds
// the memo.
LRESULT memo_window_key_arrow(HWND hwnd, int32_t key) {
    RECT w;
    GetWindowRect(hwnd, &w);
    platform_rect r = {w.left, w.top, w.right, w.bottom};
    int32_t left = 0;
    int32_t top = 0;
    if (!memo_input_arrow_move(key, &r, GetSystemMetrics(SM_CXFULLSCREEN),
                               GetSystemMetrics(SM_CYFULLSCREEN), &left, &top)) {
        return 0;
    }
    // WM_MOVE saves the new position.
    MoveWindow(hwnd, left, top, w.right - w.left, w.bottom - w.top, TRUE);
    return 1;
}

LRESULT memo_window_on_key_down(HWND hwnd, WPARAM wparam) {
    memo_record* record = memo_window_record_or_report(hwnd);
    if (!record) {
        return 0;
    }
    if (!record->active) {
        return 1;
    }
    int32_t key = static_cast<int32_t>(wparam & 0xFF);
    switch (key) {
    case VK_TAB:
        return memo_window_key_tab(hwnd);
    case VK_RETURN:
        PostMessageA(hwnd, WM_COMMAND, MEMO_CMD_EDIT, 0);
        return 1;
    case VK_DELETE:
        return memo_window_key_delete(hwnd);
    default:
        return memo_window_key_arrow(hwnd, key);
    }
}

// Works on an inactive memo too: the wheel reaches the memo under the
// cursor.
LRESULT memo_window_on_mouse_wheel(HWND hwnd, WPARAM wparam) {
    memo_record* record = memo_window_record_or_report(hwnd);
    if (!record) {
        return 0;
    }
    return memo_window_set_color(
        hwnd, memo_input_wheel_color(record->color_index, GET_WHEEL_DELTA_WPARAM(wparam)));
}

LRESULT memo_window_on_region(HWND hwnd) {
    memo_window_apply_region(hwnd, FALSE);
    InvalidateRect(hwnd, nullptr, FALSE);
    return 1;
}

}  // namespace

HWND memo_window_edit_box(HWND hwnd) {
    return reinterpret_cast<HWND>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

LRESULT memo_window_command(int command, HWND memo, LPARAM lparam) {
    if (command >= MEMO_CMD_COLOR && command <= MEMO_CMD_COLOR_LAST) {
        return memo_window_set_color(memo, command - MEMO_CMD_COLOR);
    }
    switch (command) {
    case MEMO_CMD_EDIT:
        return memo_window_open_edit(memo);
    case MEMO_CMD_SET_TEXT:
        // The edit box and the main window hand their block over; a made-up
        // pointer from another program is never touched.
        if (lparam && !tracked_take_over(reinterpret_cast<const void*>(lparam))) {
            REPORT_FOREIGN(WM_COMMAND);
            return 0;
        }
        return memo_window_set_text(memo, reinterpret_cast<char*>(lparam));
    case MEMO_CMD_EDIT_CLOSED:
        memo_window_set_edit_box(memo, nullptr);
        memo_sync_edit_ended(GetWindow(memo, GW_OWNER), memo);
        return 1;
    case MEMO_CMD_PEEL:
        return memo_window_peel(memo);
    case MEMO_CMD_TOOLTIP:
        return memo_window_refresh_tooltip(memo);
    default:
        return 0;
    }
}

void memo_window_place_unsaved(HWND memo, int x, int y, int width, int height) {
    s_placing_unsaved = 1;
    SetWindowPos(memo, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    s_placing_unsaved = 0;
}

int32_t memo_window_register_class(HINSTANCE instance) {
    return window_class_register_unicode(instance, MEMO_WINDOW_CLASS, memo_window_proc,
                                         COLOR_WINDOW, nullptr, nullptr);
}

LRESULT CALLBACK memo_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_MOVE:
        memo_window_save_place(hwnd);
        return 1;
    case WM_ENTERSIZEMOVE:
    case WM_EXITSIZEMOVE:
        return memo_window_on_size_move(hwnd, message == WM_ENTERSIZEMOVE);
    case WM_SIZE:
        return memo_window_on_size(hwnd);
    case WM_ACTIVATE:
        return memo_window_on_activate(hwnd, wparam, lparam);
    case WM_PAINT:
        return memo_window_on_paint(hwnd);
    case WM_GETMINMAXINFO:
        return memo_window_on_get_min_max_info(reinterpret_cast<MINMAXINFO*>(lparam));
    case WM_NCHITTEST:
        return memo_window_on_nc_hit_test(hwnd);
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
        return memo_window_on_mouse_move(hwnd, message, wparam, lparam);
    case WM_NCRBUTTONDOWN:
        return memo_window_on_nc_right_button_down(hwnd, lparam);
    case WM_NCLBUTTONDBLCLK:
        return memo_window_on_nc_left_button_double_click(hwnd);
    case WM_KEYDOWN:
        return memo_window_on_key_down(hwnd, wparam);
    case WM_MOUSEWHEEL:
        return memo_window_on_mouse_wheel(hwnd, wparam);
    case WM_COMMAND:
        return memo_window_command(LOWORD(wparam), hwnd, lparam);
    case MSG_MEMO_REGION:
        return memo_window_on_region(hwnd);
    case MEMO_MSG_INIT:
        return memo_window_on_init(hwnd, lparam);
    case MEMO_MSG_KEPT_COPY:
        return sync_notice_show(hwnd, static_cast<int>(wparam));
    case MEMO_MSG_RELOAD:
        return memo_window_on_reload(hwnd, lparam);
    default:
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}
