// The basic page: on/off settings, transparency, tooltip time, memo size and
// what a double click on the tray icon does.
#include "basic_page.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

#include <iterator>

#include "error_log.h"
#include "memo_registry.h"
#include "settings.h"
#include "settings_text.h"
#include "tracked_memory.h"
#include "dialog_common.h"
#include "messages.h"
#include "resource.h"

namespace {

// The tooltip trackbar's steps, and the pending time when none waits for OK.
const int k_tooltip_step_ms = 5000;
const int k_pending_none = -1;

// The size of the largest page template, in its own dialog units.
const int k_page_width_dlu = 229;
const int k_page_height_dlu = 241;

int32_t s_pending_tooltip_time = k_pending_none;

// The on/off settings of the basic page, in the order they are ticked at
// initialisation.
struct basic_check {
    int id;
    int32_t settings_record::*field;
};

const basic_check k_basic_checks[] = {
    {IDC_BASIC_TOPMOST, &settings_record::topmost},
    {IDC_BASIC_IMEON, &settings_record::imeon},
    {IDC_BASIC_TEXTBOX, &settings_record::textbox},
    {IDC_BASIC_NOTEXT, &settings_record::notext},
    {IDC_BASIC_RECYCLE, &settings_record::recycle},
    {IDC_BASIC_DELETEMESSAGEBOX, &settings_record::deletemessagebox},
    {IDC_BASIC_LEFTFOLD, &settings_record::leftfold},
    {IDC_BASIC_MEMOLIST, &settings_record::memolist},
};

const dialog_tip k_basic_tips[] = {
    {IDC_BASIC_TOPMOST, "メモを常に手前に表示します。"},
    {IDC_BASIC_IMEON, "メモを編集する際に、IMEの入力モードを自動的に日本語に切り換えます。"},
    {IDC_BASIC_RECYCLE,
     "メモをはがしたとき、内容の書かれたファイルを削除せずごみ箱に移動します。\n"
     "ファイルを元の場所に戻して『Kelvane』を再起動させればメモを復旧させることができます。"},
    {IDC_BASIC_TRANSPARENCY, "メモの透明度を調整します。(すべてのメモに適応されます。)"},
    {IDC_BASIC_TOOLTIPTIME,
     "メモのツールチップの表示時間を調整します。0秒(非表示)から30秒まで5秒刻みで調整できます。"},
    {IDC_BASIC_MEMOSIZE, "デフォルトのメモサイズを調整します。\n大・中・小から選べます。"},
    {IDC_BASIC_DBLCLICK_NEW, "タスクトレイのアイコンをダブルクリックした場合はメモを作成します。"},
    {IDC_BASIC_DBLCLICK_TOGGLE,
     "タスクトレイのアイコンをダブルクリックした場合はメモの表示/非表示を切り替えます。"},
};

// The sheet measures its pages in the dialog units of its own frame font,
// but the pages are laid out in Meiryo UI, whose units are larger: the
// frame grows by the difference so that no page is cut off at its right
// or bottom edge.  The basic page is the widest and tallest page.
void basic_page_fit_sheet(HWND page) {
    HWND sheet = GetParent(page);
    HWND tab = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    if (!tab) {
        return;
    }
    RECT need = {0, 0, k_page_width_dlu, k_page_height_dlu};
    MapDialogRect(page, &need);
    RECT have;
    GetClientRect(tab, &have);
    SendMessageA(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&have));
    int dx = need.right - (have.right - have.left);
    int dy = need.bottom - (have.bottom - have.top);
    dx = dx > 0 ? dx : 0;
    dy = dy > 0 ? dy : 0;
    if (!dx && !dy) {
        return;
    }
    dialog_grow_window(tab, dx, dy);
    for (HWND child = GetWindow(sheet, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[16] = "";
        GetClassNameA(child, name, sizeof name);
        if (lstrcmpiA(name, "Button") == 0) {
            dialog_move_child(sheet, child, dx, dy);
        }
    }
    dialog_grow_window(sheet, dx, dy);
    // The page takes the tab's new display area, whether the sheet placed
    // it before this initialisation or places it after.
    GetClientRect(tab, &have);
    SendMessageA(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&have));
    SetWindowPos(page, nullptr, 0, 0, have.right - have.left, have.bottom - have.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The sheet is centred on the primary screen's client area, a little low
// (19 pixels, about a caption) so that it clears the top edge.
void basic_page_center_sheet(HWND page) {
    dialog_center_window(GetParent(page), GetSystemMetrics(SM_CXFULLSCREEN),
                         GetSystemMetrics(SM_CYFULLSCREEN), 19);
}

INT_PTR basic_page_on_init(HWND page) {
    basic_page_fit_sheet(page);
    basic_page_center_sheet(page);
    dialog_trackbar_init(page, IDC_BASIC_TRANSPARENCY, 10, 255, g_settings.transparency);
    for (const basic_check& check : k_basic_checks) {
        if (g_settings.*(check.field)) {
            dialog_tick(page, check.id, 1);
        }
    }
    s_pending_tooltip_time = k_pending_none;
    dialog_trackbar_init(page, IDC_BASIC_TOOLTIPTIME, 0, 6, g_settings.tooltiptime / k_tooltip_step_ms);
    // A stored size outside 1..3 shows at the nearest end and stays stored
    // until the thumb moves.
    dialog_trackbar_init(page, IDC_BASIC_MEMOSIZE, 1, 3, g_settings.defaultmemosize);
    int32_t toggles = g_settings.tasktrayicondoubleclick == 1;
    dialog_tick(page, IDC_BASIC_DBLCLICK_NEW, !toggles);
    dialog_tick(page, IDC_BASIC_DBLCLICK_TOGGLE, toggles);
    basic_page_add_tooltips(page);
    return TRUE;
}

// The memos are owned by the main window, so moving it between the bands
// carries every memo along.  The setting changes first: the main window
// re-asserts the top band on its own only while TOPMOST is on.
void basic_page_apply_topmost(int32_t topmost) {
    if (HWND owner = dialog_sheet_owner()) {
        SetWindowPos(owner, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE);
    }
}

INT_PTR basic_page_on_check(HWND page, const basic_check& check) {
    int32_t* field = &(g_settings.*(check.field));
    int32_t value = settings_text_toggle(*field, dialog_ticked(page, check.id));
    if (value == *field) {
        return TRUE;
    }
    *field = value;
    if (check.id == IDC_BASIC_TOPMOST) {
        basic_page_apply_topmost(value);
    } else if (check.id == IDC_BASIC_LEFTFOLD) {
        dialog_send_memos(MSG_MEMO_REGION, MEMO_REGION_SETTINGS, 0);
    }
    return TRUE;
}

INT_PTR basic_page_on_command(HWND page, int id) {
    for (const basic_check& check : k_basic_checks) {
        if (check.id == id) {
            return basic_page_on_check(page, check);
        }
    }
    if (id == IDC_BASIC_DBLCLICK_NEW || id == IDC_BASIC_DBLCLICK_TOGGLE) {
        int32_t toggles = id == IDC_BASIC_DBLCLICK_TOGGLE;
        dialog_tick(page, IDC_BASIC_DBLCLICK_NEW, !toggles);
        dialog_tick(page, IDC_BASIC_DBLCLICK_TOGGLE, toggles);
        g_settings.tasktrayicondoubleclick = toggles;
        return TRUE;
    }
    return FALSE;
}

// Every scroll code counts, so a dragged thumb acts while it moves.
INT_PTR basic_page_on_scroll(HWND trackbar) {
    int32_t position = static_cast<int32_t>(SendMessageA(trackbar, TBM_GETPOS, 0, 0));
    switch (GetDlgCtrlID(trackbar)) {
    case IDC_BASIC_TRANSPARENCY:
        g_settings.transparency = position;
        for (HWND memo = memo_registry_next(nullptr); memo; memo = memo_registry_next(memo)) {
            SetLayeredWindowAttributes(memo, 0, static_cast<BYTE>(position), LWA_ALPHA);
        }
        return TRUE;
    case IDC_BASIC_TOOLTIPTIME:
        s_pending_tooltip_time = position * k_tooltip_step_ms;
        return TRUE;
    case IDC_BASIC_MEMOSIZE:
        g_settings.defaultmemosize = position;
        return TRUE;
    default:
        return FALSE;
    }
}

void basic_page_on_apply(HWND page) {
    (void)page;
    if (s_pending_tooltip_time == k_pending_none ||
        s_pending_tooltip_time == g_settings.tooltiptime) {
        return;
    }
    g_settings.tooltiptime = s_pending_tooltip_time;
    s_pending_tooltip_time = k_pending_none;
    dialog_send_memos(WM_COMMAND, MEMO_CMD_TOOLTIP, 0);
}

}  // namespace

void basic_page_add_tooltips(HWND page) {
    dialog_add_tips(page, k_basic_tips, std::size(k_basic_tips));
}

INT_PTR CALLBACK basic_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return basic_page_on_init(page);
    case WM_COMMAND:
        return basic_page_on_command(page, LOWORD(wparam));
    case WM_HSCROLL:
        return lparam ? basic_page_on_scroll(reinterpret_cast<HWND>(lparam)) : FALSE;
    case WM_NOTIFY:
        return dialog_on_notify(page, lparam, basic_page_on_apply);
    default:
        return FALSE;
    }
}
