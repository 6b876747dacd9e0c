// The details page: the task bar side and size that place new memos.
#include "detail_page.h"

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

const struct {
    int id;
    int32_t taskbar;
} k_detail_sides[] = {
    {IDC_DETAIL_LEFT, SETTINGS_TASKBAR_LEFT},
    {IDC_DETAIL_TOP, SETTINGS_TASKBAR_TOP},
    {IDC_DETAIL_RIGHT, SETTINGS_TASKBAR_RIGHT},
    {IDC_DETAIL_BOTTOM, SETTINGS_TASKBAR_BOTTOM},
};

const dialog_tip k_detail_tips[] = {
    {IDC_DETAIL_LEFT,
     "作成するメモの位置を調整します。タスクバーを左に配置している場合はこの設定が最適です。"},
    {IDC_DETAIL_TOP,
     "作成するメモの位置を調整します。タスクバーを上に配置している場合はこの設定が最適です。"},
    {IDC_DETAIL_RIGHT,
     "作成するメモの位置を調整します。タスクバーを右に配置している場合はこの設定が最適です。"},
    {IDC_DETAIL_BOTTOM,
     "作成するメモの位置を調整します。タスクバーを下に配置している場合はこの設定が最適です。"
     "(通常はこの設定で大丈夫です)"},
    {IDC_DETAIL_WIDTH, "タスクバーが左右にある場合にタスクバーのサイズ(幅)を指定します"},
    {IDC_DETAIL_HEIGHT, "タスクバーが上下にある場合にタスクバーのサイズ(高さ)を指定します"},
};

// A task bar on the left or right has a width; anywhere else, a height.
void detail_page_enable_size(HWND page, int32_t taskbar) {
    int32_t width = taskbar == SETTINGS_TASKBAR_LEFT || taskbar == SETTINGS_TASKBAR_RIGHT;
    dialog_enable(page, IDC_DETAIL_WIDTH_LABEL, width);
    dialog_enable(page, IDC_DETAIL_WIDTH, width);
    dialog_enable(page, IDC_DETAIL_HEIGHT_LABEL, !width);
    dialog_enable(page, IDC_DETAIL_HEIGHT, !width);
}

// TASKBAR outside 1..3 shows as bottom, and stays as stored until a radio
// is clicked.
INT_PTR detail_page_on_init(HWND page) {
    int shown = IDC_DETAIL_BOTTOM;
    for (const auto& side : k_detail_sides) {
        if (side.taskbar == g_settings.taskbar) {
            shown = side.id;
        }
    }
    for (const auto& side : k_detail_sides) {
        dialog_tick(page, side.id, side.id == shown);
    }
    detail_page_enable_size(page, g_settings.taskbar);
    dialog_set_int(page, IDC_DETAIL_WIDTH, g_settings.taskbarwidth);
    dialog_set_int(page, IDC_DETAIL_HEIGHT, g_settings.taskbarheight);
    detail_page_add_tooltips(page);
    return TRUE;
}

INT_PTR detail_page_on_side(HWND page) {
    for (const auto& side : k_detail_sides) {
        if (dialog_ticked(page, side.id)) {
            if (side.taskbar != g_settings.taskbar) {
                g_settings.taskbar = side.taskbar;
                detail_page_enable_size(page, side.taskbar);
            }
            return TRUE;
        }
    }
    return TRUE;
}

// Read on every change while the user types; at most 255 bytes.
int32_t detail_page_read_size(HWND page, int id) {
    char text[DIALOG_TEXT_SIZE] = "";
    GetDlgItemTextA(page, id, text, sizeof text);
    return settings_text_parse_size(text);
}

INT_PTR detail_page_on_command(HWND page, int id) {
    switch (id) {
    case IDC_DETAIL_LEFT:
    case IDC_DETAIL_TOP:
    case IDC_DETAIL_RIGHT:
    case IDC_DETAIL_BOTTOM:
        return detail_page_on_side(page);
    case IDC_DETAIL_WIDTH:
        g_settings.taskbarwidth = detail_page_read_size(page, id);
        return TRUE;
    case IDC_DETAIL_HEIGHT:
        g_settings.taskbarheight = detail_page_read_size(page, id);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

void detail_page_add_tooltips(HWND page) {
    dialog_add_tips(page, k_detail_tips, std::size(k_detail_tips));
}

INT_PTR CALLBACK detail_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    (void)lparam;
    switch (message) {
    case WM_INITDIALOG:
        return detail_page_on_init(page);
    case WM_COMMAND:
        return detail_page_on_command(page, LOWORD(wparam));
    default:
        return FALSE;
    }
}
