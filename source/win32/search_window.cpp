// The search window: a label and the field, a label and the list of
// matching memos.  The list is a virtual report list: it holds only the
// count, and each row's texts are made when the list draws or reads them,
// so that one keystroke among a thousand memos costs the matching and
// little else.
#include "search_window.h"

#include <commctrl.h>
#include <stdio.h>

#include <algorithm>

#include "dpi.h"
#include "error_log.h"
#include "memo_registry.h"
#include "memo_search.h"
#include "platform.h"
#include "resource.h"
#include "scale.h"
#include "settings.h"
#include "tracked_memory.h"
#include "utf8_text.h"
#include "wide_text.h"
#include "window_class.h"

namespace {

const char k_caption[] = "メモの検索";
const char k_query_label[] = "検索する文字列(&N):";
const char k_found_label[] = "見つかったメモ(&M): %d 件";
const char k_every_label[] = "すべてのメモ(&M): %d 件";
const char k_text_column[] = "メモ";
const char k_stamp_column[] = "最終更新";
const char k_empty_memo[] = "(空のメモ)";

// Lengths in 96-DPI pixels, scaled for the window's monitor.
const int k_width = 440;
const int k_height = 380;
const int k_min_width = 260;
const int k_min_height = 200;
const int k_margin = 10;
const int k_label_gap = 3;
const int k_group_gap = 10;
const int k_edit_padding = 8;
const int k_stamp_width = 110;
const int k_font_points = 9;

// The characters of a memo's text that its row shows.
const size_t k_row_chars = 100;

const UINT_PTR k_field_subclass_id = 1;

HWND s_window = nullptr;
HWND s_query = nullptr;
HWND s_list = nullptr;
HWND s_list_label = nullptr;
HWND s_focus = nullptr;  // the control that had the focus when the window lost it
HFONT s_font = nullptr;
int32_t s_dpi = 96;
int s_refresh_posted = 0;
memo_search_result s_result = {nullptr, 0};
// The row texts handed to the list: it copies them before it asks again.
wchar_t s_row_text[k_row_chars + 8];

int search_window_scale(int length) { return scale_to_physical(length, s_dpi); }

HFONT search_window_create_font(int32_t dpi) {
    return CreateFontW(scale_font_height(k_font_points, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                       FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Meiryo UI");
}

int search_window_text_height() {
    HDC dc = GetDC(s_window);
    HGDIOBJ old = SelectObject(dc, s_font);
    TEXTMETRICW metrics;
    int height = GetTextMetricsW(dc, &metrics) ? metrics.tmHeight : search_window_scale(16);
    SelectObject(dc, old);
    ReleaseDC(s_window, dc);
    return height;
}

// --- the list ------------------------------------------------------------------

HWND search_window_selected_memo() {
    int row = static_cast<int>(
        SendMessageW(s_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return row >= 0 && row < s_result.count ? s_result.hits[row].window : nullptr;
}

void search_window_select_row(int row) {
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(s_list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
    SendMessageW(s_list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

void search_window_set_count_label(int32_t count, int every) {
    char text[128];
    snprintf(text, sizeof text, every ? k_every_label : k_found_label, static_cast<int>(count));
    SetWindowTextW(s_list_label, wide_cp932(text));
}

// Runs the search for the field's text; the memo that was selected stays
// selected when it still matches, else the best match is.
void search_window_fill() {
    HWND selected = search_window_selected_memo();
    int length = GetWindowTextLengthW(s_query);
    wchar_t* wide = TRACKED_NEW(wchar_t, static_cast<uint64_t>(length) + 1);
    wide[GetWindowTextW(s_query, wide, length + 1)] = L'\0';
    char* query = wide_to_utf8(wide, -1, nullptr);
    TRACKED_FREE(wide);

    platform_time now;
    platform_local_time(&now);
    memo_search_release(&s_result);
    memo_search_run(query, &now, &s_result);
    TRACKED_FREE(query);

    SendMessageW(s_list, LVM_SETITEMCOUNT, static_cast<WPARAM>(s_result.count), 0);
    LVITEMW none = {};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(s_list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&none));
    int row = 0;
    for (int32_t i = 0; i < s_result.count; i++) {
        if (s_result.hits[i].window == selected) row = i;
    }
    if (s_result.count > 0) search_window_select_row(row);
    InvalidateRect(s_list, nullptr, TRUE);
    int every = s_result.count > 0 && s_result.hits[0].place == MEMO_SEARCH_EVERY;
    search_window_set_count_label(s_result.count, every || length == 0);
}

// A row's text: the start of the memo on one line, blanks before it left
// out; or its stamp.
void search_window_row_text(int row, int column, wchar_t* out, int size) {
    out[0] = L'\0';
    const memo_record* record =
        row >= 0 && row < s_result.count ? memo_registry_find(s_result.hits[row].window) : nullptr;
    if (!record || size <= 0) return;  // peeled meanwhile: the list follows
    char* start = nullptr;
    if (column == 1) {
        char stamp[64];
        memo_search_stamp_text(record->day, record->time, stamp, sizeof stamp);
        start = utf8_start(stamp, k_row_chars);
    } else {
        const char* text = record->text ? record->text : "";
        while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n') text++;
        if (!*text) {
            lstrcpynW(out, wide_cp932(k_empty_memo), size);
            return;
        }
        start = utf8_start(text, k_row_chars);
    }
    wchar_t* wide = wide_from_utf8(start, -1, nullptr);
    wide_flatten_line_breaks(wide);
    lstrcpynW(out, wide, size);
    TRACKED_FREE(wide);
    TRACKED_FREE(start);
}

// Shows the memos first when they are hidden; the memo's activation gives
// it the keyboard focus.
void search_window_bring_memo(HWND memo) {
    if (!memo || !memo_registry_find(memo)) {
        search_window_fill();
        return;
    }
    if (!g_settings.show) {
        SendMessageW(GetWindow(s_window, GW_OWNER), WM_COMMAND, CMD_TOGGLE_SHOW, 0);
    }
    SetForegroundWindow(memo);
    SetFocus(memo);
}

LRESULT search_window_on_notify(const NMHDR* header) {
    if (header->idFrom != IDC_SEARCH_LIST) return 0;
    switch (header->code) {
        case LVN_GETDISPINFOW: {
            LVITEMW* item = &reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header))->item;
            if (item->mask & LVIF_TEXT) {
                search_window_row_text(item->iItem, item->iSubItem, s_row_text,
                                       static_cast<int>(ARRAYSIZE(s_row_text)));
                item->pszText = s_row_text;
            }
            return 0;
        }
        case LVN_ITEMACTIVATE: {
            int row = reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem;
            if (row >= 0 && row < s_result.count)
                search_window_bring_memo(s_result.hits[row].window);
            return 0;
        }
        default:
            return 0;
    }
}

// --- layout and DPI ----------------------------------------------------------------

void search_window_layout() {
    RECT client;
    GetClientRect(s_window, &client);
    int margin = search_window_scale(k_margin);
    int width = client.right - 2 * margin;
    int label = search_window_text_height() + search_window_scale(2);
    int edit = label + search_window_scale(k_edit_padding);
    int y = margin;
    MoveWindow(GetDlgItem(s_window, IDC_SEARCH_QUERY_LABEL), margin, y, width, label, TRUE);
    y += label + search_window_scale(k_label_gap);
    MoveWindow(s_query, margin, y, width, edit, TRUE);
    y += edit + search_window_scale(k_group_gap);
    MoveWindow(s_list_label, margin, y, width, label, TRUE);
    y += label + search_window_scale(k_label_gap);
    int list_height = client.bottom - margin - y;
    MoveWindow(s_list, margin, y, width, list_height > 0 ? list_height : 0, TRUE);

    // The text column takes what the stamp column leaves.
    RECT inside;
    GetClientRect(s_list, &inside);
    int stamp = search_window_scale(k_stamp_width);
    SendMessageW(s_list, LVM_SETCOLUMNWIDTH, 1, stamp);
    int text = inside.right - stamp;
    SendMessageW(s_list, LVM_SETCOLUMNWIDTH, 0, text > stamp ? text : stamp);
}

void search_window_apply_font(int32_t dpi) {
    HFONT font = search_window_create_font(dpi);
    if (!font) {
        REPORT_FAILURE();
        return;
    }
    for (HWND child = GetWindow(s_window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    if (s_font) DeleteObject(s_font);
    s_font = font;
    s_dpi = dpi;
}

LRESULT search_window_on_dpi_changed(WPARAM wparam, const RECT* suggested) {
    search_window_apply_font(LOWORD(wparam));
    SetWindowPos(s_window, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    search_window_layout();
    return 0;
}

LRESULT search_window_on_get_min_max_info(MINMAXINFO* info) {
    info->ptMinTrackSize.x = search_window_scale(k_min_width);
    info->ptMinTrackSize.y = search_window_scale(k_min_height);
    return 0;
}

// --- creation ----------------------------------------------------------------------

// Up and down (and a page at a time) in the field move in the list, so the
// hands stay on the keys between typing and choosing.  Enter and Esc reach
// the field only while another window's modal loop (the settings sheet, a
// message box) runs instead of the program's, which gives them to the
// window as IDOK and IDCANCEL.
LRESULT CALLBACK search_window_field_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                          UINT_PTR id, DWORD_PTR data) {
    (void)id;
    (void)data;
    if (message == WM_KEYDOWN &&
        (wparam == VK_UP || wparam == VK_DOWN || wparam == VK_PRIOR || wparam == VK_NEXT)) {
        SendMessageW(s_list, message, wparam, lparam);
        return 0;
    }
    if (message == WM_KEYDOWN && (wparam == VK_RETURN || wparam == VK_ESCAPE)) {
        PostMessageW(s_window, WM_COMMAND, wparam == VK_RETURN ? IDOK : IDCANCEL, 0);
        return 0;
    }
    if (message == WM_CHAR && (wparam == L'\r' || wparam == 0x1B)) {
        return 0;  // no beep for the key handled above
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, search_window_field_proc, k_field_subclass_id);
    }
    return DefSubclassProc(hwnd, message, wparam, lparam);
}

HWND search_window_add(const wchar_t* class_name, const char* text, DWORD style, DWORD ex_style,
                       int id) {
    return CreateWindowExW(ex_style, class_name, wide_cp932(text), WS_CHILD | WS_VISIBLE | style, 0,
                           0, 0, 0, s_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(s_window, GWLP_HINSTANCE)),
                           nullptr);
}

void search_window_add_column(int index, const char* title) {
    wide_cp932 text(title);
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(text.get());
    column.cx = search_window_scale(k_stamp_width);
    column.iSubItem = index;
    SendMessageW(s_list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&column));
}

// Labels first, each right before its control: that order is the tab
// order and how screen readers name the field and the list.
LRESULT search_window_on_create(HWND hwnd) {
    s_window = hwnd;
    s_dpi = dpi_of_window(hwnd);
    search_window_add(WC_STATICW, k_query_label, SS_LEFT, 0, IDC_SEARCH_QUERY_LABEL);
    s_query = search_window_add(WC_EDITW, "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                                IDC_SEARCH_QUERY);
    s_list_label = search_window_add(WC_STATICW, "", SS_LEFT, 0, IDC_SEARCH_LIST_LABEL);
    s_list = search_window_add(WC_LISTVIEWW, "",
                               WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                   LVS_OWNERDATA | LVS_NOSORTHEADER,
                               WS_EX_CLIENTEDGE, IDC_SEARCH_LIST);
    if (!s_query || !s_list || !s_list_label) {
        REPORT_FAILURE();
        return -1;
    }
    SendMessageW(s_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
    search_window_add_column(0, k_text_column);
    search_window_add_column(1, k_stamp_column);
    SetWindowSubclass(s_query, search_window_field_proc, k_field_subclass_id, 0);
    search_window_apply_font(s_dpi);
    search_window_layout();
    search_window_fill();
    s_focus = s_query;
    return 0;
}

LRESULT search_window_on_destroy() {
    memo_search_release(&s_result);
    if (s_font) DeleteObject(s_font);
    s_font = nullptr;
    s_window = s_query = s_list = s_list_label = s_focus = nullptr;
    s_refresh_posted = 0;
    return 0;
}

// The focus goes back to where it was when the window lost it.
LRESULT search_window_on_activate(HWND hwnd, WPARAM wparam) {
    if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd, focus)) s_focus = focus;
        return 0;
    }
    SetFocus(s_focus && IsWindow(s_focus) ? s_focus : s_query);
    return 0;
}

LRESULT search_window_on_command(HWND hwnd, int id, int code) {
    switch (id) {
        case IDOK:  // Enter, from the field or the list
            search_window_bring_memo(search_window_selected_memo());
            return 0;
        case IDCANCEL:  // Esc
            DestroyWindow(hwnd);
            return 0;
        case IDC_SEARCH_QUERY:
            if (code == EN_CHANGE) search_window_fill();
            return 0;
        default:
            return 0;
    }
}

LRESULT CALLBACK search_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            return search_window_on_create(hwnd);
        case WM_DESTROY:
            return search_window_on_destroy();
        case WM_SIZE:
            search_window_layout();
            return 0;
        case WM_ACTIVATE:
            return search_window_on_activate(hwnd, wparam);
        case WM_SETFOCUS:
            SetFocus(s_focus && IsWindow(s_focus) ? s_focus : s_query);
            return 0;
        case WM_COMMAND:
            return search_window_on_command(hwnd, LOWORD(wparam), HIWORD(wparam));
        case WM_NOTIFY:
            return search_window_on_notify(reinterpret_cast<const NMHDR*>(lparam));
        case WM_GETMINMAXINFO:
            return search_window_on_get_min_max_info(reinterpret_cast<MINMAXINFO*>(lparam));
        case WM_DPICHANGED:
            return search_window_on_dpi_changed(wparam, reinterpret_cast<const RECT*>(lparam));
        case MSG_SEARCH_MEMOS_CHANGED:
            s_refresh_posted = 0;
            search_window_fill();
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

// Centred on the work area of the monitor under the cursor, at that
// monitor's DPI.
HWND search_window_create(HWND main_window) {
    HINSTANCE instance =
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(main_window, GWLP_HINSTANCE));
    HICON icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_KELVANE), IMAGE_ICON,
                                               0, 0, LR_DEFAULTSIZE | LR_SHARED));
    HICON small_icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_KELVANE),
                                                     IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                     GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    if (!window_class_register_unicode(instance, SEARCH_WINDOW_CLASS, search_window_proc,
                                       COLOR_BTNFACE, icon, small_icon)) {
        REPORT_FAILURE();
        return nullptr;
    }
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    HMONITOR monitor = MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoW(monitor, &info);
    int32_t dpi = dpi_of_monitor(monitor);
    const RECT& work = info.rcWork;
    int width = std::min(scale_to_physical(k_width, dpi), static_cast<int>(work.right - work.left));
    int height =
        std::min(scale_to_physical(k_height, dpi), static_cast<int>(work.bottom - work.top));
    int x = work.left + (work.right - work.left - width) / 2;
    int y = work.top + (work.bottom - work.top - height) / 2;
    // WS_EX_APPWINDOW: a task-bar button, although the main window that
    // owns it has none.
    HWND hwnd =
        CreateWindowExW(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, wide_cp932(SEARCH_WINDOW_CLASS),
                        wide_cp932(k_caption),
                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN,
                        x, y, width, height, main_window, nullptr, instance, nullptr);
    if (!hwnd) {
        REPORT_FAILURE();
    }
    return hwnd;
}

}  // namespace

HWND search_window_show(HWND main_window) {
    if (!s_window) {
        if (!search_window_create(main_window)) return nullptr;
        ShowWindow(s_window, SW_SHOW);
    } else {
        // A second call starts a new search over the last one.
        if (IsIconic(s_window)) ShowWindow(s_window, SW_RESTORE);
        SendMessageW(s_query, EM_SETSEL, 0, -1);
        s_focus = s_query;
    }
    SetForegroundWindow(s_window);
    SetFocus(s_query);
    return s_window;
}

HWND search_window_handle(void) { return s_window; }

int search_window_translate(MSG* msg) {
    if (!s_window || (msg->hwnd != s_window && !IsChild(s_window, msg->hwnd))) return 0;
    return IsDialogMessageW(s_window, msg) ? 1 : 0;
}

void search_window_memos_changed(void) {
    if (s_window && !s_refresh_posted && PostMessageW(s_window, MSG_SEARCH_MEMOS_CHANGED, 0, 0)) {
        s_refresh_posted = 1;
    }
}
