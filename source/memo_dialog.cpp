// The settings sheet, its five pages and the welcome dialog.
//
// The pages change g_settings in place and push what the memos draw from
// to every memo window by walking the registry.  All windows here are the
// ANSI variants; their texts are code page 932 constants.
#include "memo_dialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

#include <iterator>

#include "memo_buffer.h"
#include "memo_dialog_text.h"
#include "memo_log.h"
#include "memo_memory.h"
#include "memo_setting.h"
#include "memo_winapiex.h"
#include "memo_window.h"
#include "resource.h"

#ifndef KELVANE_WEB_ADDRESS
#define KELVANE_WEB_ADDRESS ""
#endif

namespace {

const char k_caption[] = "Kelvane";
const char k_sheet_caption[] = "設定";
const char k_web_address[] = KELVANE_WEB_ADDRESS;

// Tooltips wrap at this width; a line feed in a text starts a new line.
const int k_tip_width = 300;

const int k_custom_colors = 16;
const COLORREF k_white = 0x00ffffff;
const COLORREF k_link_blue = 0x00ff0000;

// The tooltip trackbar's steps, and the pending time when none waits for OK.
const int k_tooltip_step_ms = 5000;
const int k_pending_none = -1;

// The size of the largest page template, in its own dialog units.
const int k_page_width_dlu = 229;
const int k_page_height_dlu = 241;

// The high word of a colour button's command: which of the slot's colours
// the click edits.  A plain click is 0; the right-click menu sends its item.
enum color_target_word {
    COLOR_WORD_CLICK = 0,
    COLOR_WORD_FILL = 256,
    COLOR_WORD_TEXT = 512,
    COLOR_WORD_BORDER = 1024
};

// "文字" in the middle of a colour button; vertical centring works only on
// a single line.
const UINT k_button_text_format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

int32_t s_sheet_open = 0;
HWND s_sheet_owner = nullptr;
int32_t s_pending_tooltip_time = k_pending_none;
COLORREF s_custom_colors[k_custom_colors];

// --- shared helpers ----------------------------------------------------------

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
    HWND tooltip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, page, nullptr,
                                   dialog_instance(page), nullptr);
    if (!tooltip) {
        REPORT_FAILURE();
    }
    return tooltip;
}

// A tool named by the control's window, which the tooltip subclasses to
// see the mouse.  The text is one of this file's constants, which outlive
// the tooltip.
void dialog_add_tool(HWND tooltip, HWND page, int id, const char* text) {
    if (!tooltip) {
        return;
    }
    TOOLINFOA tool;
    ZeroMemory(&tool, sizeof tool);
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = page;
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(page, id));
    tool.lpszText = const_cast<char*>(text);
    SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void dialog_tip_width(HWND tooltip) {
    if (tooltip) {
        SendMessageA(tooltip, TTM_SETMAXTIPWIDTH, 0, k_tip_width);
    }
}

struct dialog_tip {
    int id;
    const char* text;
};

// A page's tooltip control with one tool per entry of tips.
void dialog_add_tips(HWND page, const dialog_tip* tips, size_t count) {
    HWND tooltip = dialog_create_tooltip(page);
    for (size_t i = 0; i < count; i++) {
        dialog_add_tool(tooltip, page, tips[i].id, tips[i].text);
    }
    dialog_tip_width(tooltip);
}

// --- basic page --------------------------------------------------------------

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

void trackbar_init(HWND page, int id, int32_t low, int32_t high, int32_t position) {
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
    trackbar_init(page, IDC_BASIC_TRANSPARENCY, 10, 255, g_settings.transparency);
    for (const basic_check& check : k_basic_checks) {
        if (g_settings.*(check.field)) {
            dialog_tick(page, check.id, 1);
        }
    }
    s_pending_tooltip_time = k_pending_none;
    trackbar_init(page, IDC_BASIC_TOOLTIPTIME, 0, 6, g_settings.tooltiptime / k_tooltip_step_ms);
    // A stored size outside 1..3 shows at the nearest end and stays stored
    // until the thumb moves.
    trackbar_init(page, IDC_BASIC_MEMOSIZE, 1, 3, g_settings.defaultmemosize);
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
    if (s_sheet_owner) {
        SetWindowPos(s_sheet_owner, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE);
    }
}

INT_PTR basic_page_on_check(HWND page, const basic_check& check) {
    int32_t* field = &(g_settings.*(check.field));
    int32_t value = memo_dialog_toggle(*field, dialog_ticked(page, check.id));
    if (value == *field) {
        return TRUE;
    }
    *field = value;
    if (check.id == IDC_BASIC_TOPMOST) {
        basic_page_apply_topmost(value);
    } else if (check.id == IDC_BASIC_LEFTFOLD) {
        dialog_send_memos(MSG_MEMO_REGION, DIALOG_REGION_WPARAM, 0);
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

// --- colours and font page ----------------------------------------------------

const char k_color_button_tip[] = "クリックすると色を変えられます。";
const char k_color_name_tip[] = "色の名前を編集します。";
const char k_font_tip[] = "フォントの選択をします。\n(フォント、太さ、サイズ)。";

settings_color_slot* color_page_slot(int button_id) {
    return &g_settings.colors[button_id - IDC_COLOR_BUTTON_FIRST];
}

void color_page_show_font(HWND page) {
    SetDlgItemTextA(page, IDC_COLOR_FONTNAME, g_settings.fontname);
    SetDlgItemTextA(page, IDC_COLOR_FONTSTYLE, memo_dialog_font_style_text(g_settings.fontstyle));
    dialog_set_int(page, IDC_COLOR_FONTSIZE, g_settings.fontsize);
}

INT_PTR color_page_on_init(HWND page) {
    color_page_show_font(page);
    for (int n = 0; n < SETTINGS_COLOR_SLOTS; n++) {
        SetDlgItemTextA(page, IDC_COLOR_NAME_FIRST + n, g_settings.colors[n].colortext);
    }
    for (int i = 0; i < k_custom_colors; i++) {
        s_custom_colors[i] = i < SETTINGS_COLOR_SLOTS ? g_settings.colors[i].color : k_white;
    }
    HWND tooltip = dialog_create_tooltip(page);
    for (int n = 0; n < SETTINGS_COLOR_SLOTS; n++) {
        dialog_add_tool(tooltip, page, IDC_COLOR_BUTTON_FIRST + n, k_color_button_tip);
        dialog_add_tool(tooltip, page, IDC_COLOR_NAME_FIRST + n, k_color_name_tip);
    }
    dialog_add_tool(tooltip, page, IDC_COLOR_FONTSELECT, k_font_tip);
    dialog_tip_width(tooltip);
    return TRUE;
}

// A colour button looks like a small memo of its slot: the fill, a frame
// in the border colour and "文字" in the text colour.  Focus and pressed
// states are not drawn.
INT_PTR color_page_on_draw_item(const DRAWITEMSTRUCT* item) {
    if (item->CtlID < IDC_COLOR_BUTTON_FIRST || item->CtlID > IDC_COLOR_BUTTON_LAST) {
        return FALSE;
    }
    const settings_color_slot* slot = color_page_slot(static_cast<int>(item->CtlID));
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    memo_winapiex_fill_rect(dc, slot->color, &r);

    HPEN pen = CreatePen(PS_SOLID, 2, slot->bordercolor);
    HGDIOBJ old_pen = pen ? SelectObject(dc, pen) : nullptr;
    const POINT lines[4][2] = {
        {{r.left, r.top}, {r.right, r.top + 1}},
        {{r.left, r.top}, {r.left + 1, r.bottom}},
        {{r.right - 1, r.top + 1}, {r.right - 1, r.bottom - 1}},
        {{r.left + 1, r.bottom - 1}, {r.right - 1, r.bottom - 1}},
    };
    for (const auto& line : lines) {
        Polyline(dc, line, 2);
    }
    if (old_pen) {
        SelectObject(dc, old_pen);
    }
    if (pen) {
        DeleteObject(pen);
    }

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, slot->textcolor);
    DrawTextA(dc, "文字", -1, &r, k_button_text_format);
    return TRUE;
}

// Items go in at the top, so the last one inserted is the first shown:
// memo colour, text colour, border colour.
INT_PTR color_page_on_context_menu(HWND page, HWND control) {
    int id = GetDlgCtrlID(control);
    if (id < IDC_COLOR_BUTTON_FIRST || id > IDC_COLOR_BUTTON_LAST) {
        return FALSE;
    }
    POINT cursor;
    GetCursorPos(&cursor);
    HMENU menu = CreatePopupMenu();
    if (!menu) {
        REPORT_FAILURE();
        return TRUE;
    }
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, COLOR_WORD_BORDER, "メモの枠の色");
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, COLOR_WORD_TEXT, "メモの文字の色");
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, COLOR_WORD_FILL, "メモの色");
    int chosen = TrackPopupMenu(menu, TPM_RIGHTALIGN | TPM_BOTTOMALIGN | TPM_RETURNCMD, cursor.x,
                                cursor.y, 0, page, nullptr);
    DestroyMenu(menu);
    if (chosen) {
        PostMessageA(page, WM_COMMAND, MAKEWPARAM(id, chosen), reinterpret_cast<LPARAM>(control));
    }
    return TRUE;
}

uint32_t* color_page_target(int button_id, int word) {
    settings_color_slot* slot = color_page_slot(button_id);
    switch (word) {
    case COLOR_WORD_CLICK:
    case COLOR_WORD_FILL:
        return &slot->color;
    case COLOR_WORD_TEXT:
        return &slot->textcolor;
    case COLOR_WORD_BORDER:
        return &slot->bordercolor;
    default:
        return nullptr;
    }
}

// The memos show a new colour after OK or their next repaint; the button
// shows it at once.
INT_PTR color_page_on_color_button(HWND page, int id, int word) {
    HWND button = GetDlgItem(page, id);
    uint32_t* target = color_page_target(id, word);
    if (target) {
        CHOOSECOLORA choose;
        ZeroMemory(&choose, sizeof choose);
        choose.lStructSize = sizeof choose;
        choose.hwndOwner = page;
        choose.rgbResult = *target;
        choose.lpCustColors = s_custom_colors;
        choose.Flags = CC_RGBINIT | CC_FULLOPEN;
        if (ChooseColorA(&choose)) {
            *target = choose.rgbResult;
        }
    }
    InvalidateRect(button, nullptr, FALSE);
    return TRUE;
}

// Italic, underline and strike-out chosen in the picker are not kept.
void color_page_take_font(const LOGFONTA* font, int32_t dpi) {
    g_settings.fontstyle = font->lfWeight;
    g_settings.fontsize = memo_dialog_font_points(font->lfHeight, dpi);
    g_settings.fontcharset = font->lfCharSet;
    memcpy(g_settings.fontname, font->lfFaceName, SETTINGS_FONTNAME_SIZE);
    g_settings.fontname[SETTINGS_FONTNAME_SIZE - 1] = '\0';
}

// The picker works in pixels of the page's monitor; the setting is in
// points.  The record is read back only when the user confirmed: some
// pickers rewrite it while the user browses, even when cancelled, and an
// unchanged record would only convert back to the same size anyway.
INT_PTR color_page_on_font(HWND page) {
    int32_t dpi = memo_winapiex_window_dpi(page);
    LOGFONTA font;
    ZeroMemory(&font, sizeof font);
    font.lfHeight = memo_dialog_font_height(g_settings.fontsize, dpi);
    font.lfWeight = g_settings.fontstyle;
    font.lfCharSet = static_cast<BYTE>(g_settings.fontcharset);
    memcpy(font.lfFaceName, g_settings.fontname, SETTINGS_FONTNAME_SIZE);
    font.lfFaceName[LF_FACESIZE - 1] = '\0';

    CHOOSEFONTA choose;
    ZeroMemory(&choose, sizeof choose);
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = page;
    choose.lpLogFont = &font;
    choose.Flags = CF_SCREENFONTS | CF_LIMITSIZE | CF_FORCEFONTEXIST | CF_INITTOLOGFONTSTRUCT;
    choose.nSizeMin = 8;
    choose.nSizeMax = 36;
    if (ChooseFontA(&choose)) {
        color_page_take_font(&font, dpi);
    }
    color_page_show_font(page);
    dialog_repaint_memos();
    return TRUE;
}

// A name longer than a slot holds is cut at a character boundary.
void color_page_read_name(HWND page, int n) {
    HWND edit = GetDlgItem(page, IDC_COLOR_NAME_FIRST + n);
    int length = GetWindowTextLengthA(edit);
    if (length < 0) {
        length = 0;
    }
    char* text = static_cast<char*>(TRACKED_ALLOC(static_cast<uint64_t>(length) + 1));
    text[0] = '\0';
    GetWindowTextA(edit, text, length + 1);
    memo_dialog_cut_text(text, SETTINGS_COLORTEXT_SIZE - 1);
    strcpy(g_settings.colors[n].colortext, text);
    TRACKED_FREE(text);
}

void color_page_on_apply(HWND page) {
    for (int n = 0; n < SETTINGS_COLOR_SLOTS; n++) {
        color_page_read_name(page, n);
    }
    dialog_repaint_memos();
}

// --- data and location page --------------------------------------------------

const char k_browse_title[] = "フォルダの選択";
const char k_browse_question[] =
    "指定されたフォルダに『kelvan』フォルダを作成し、そこにメモデータを保存しますか？ "
    "いいえを選択した場合、指定されたフォルダに直接メモデータを保存します。";
const char k_copy_conflict[] =
    "コピー先に同時刻に作成されたメモデータ(ファイル名が同じデータ)が1つ以上ありました。"
    "ファイル名が同じファイルはコピーせず既存のメモデータを優先させます。";
const char k_move_failed[] = "メモデータの移動に失敗しました。";

const dialog_tip k_data_tips[] = {
    {IDC_DATA_BROWSE,
     "メモの保存先を指定します。\n\n"
     "保存先をクラウドストレージにすることで、複数のコンピュータでメモを同期することができるようになります。\n\n"
     "フォルダを指定したら『適用』を押して適用してください。"},
    {IDC_DATA_BOM_ON, "テキストファイル(UTF-8)にバイトオーダーマーク(BOM)を追加します。"},
    {IDC_DATA_BOM_OFF, "テキストファイル(UTF-8)ににバイトオーダーマーク(BOM)をつけません。"},
    {IDC_DATA_LF, "テキストファイルの改行コードを『\n(LF)』にします。"},
    {IDC_DATA_CRLF, "テキストファイルの改行コードを『\r\n(CR+LF)』にします。"},
};

void data_page_layout(HWND page, int32_t portable) {
    dialog_enable(page, IDC_DATA_PORTABLE_TEXT, portable);
    dialog_enable(page, IDC_DATA_PATH_GROUP, !portable);
    dialog_enable(page, IDC_DATA_STANDARD_TEXT, !portable);
    dialog_enable(page, IDC_DATA_PATH, !portable);
    dialog_enable(page, IDC_DATA_BROWSE, !portable);
}

// Apply is on exactly when the ticked mode differs from the current one.
void data_page_choose_mode(HWND page, int32_t portable) {
    dialog_tick(page, IDC_DATA_PORTABLE, portable);
    dialog_tick(page, IDC_DATA_STANDARD, !portable);
    data_page_layout(page, portable);
    dialog_enable(page, IDC_DATA_APPLY, portable ? g_settings.portable == 0 : g_settings.portable != 0);
}

INT_PTR data_page_on_init(HWND page) {
    dialog_enable(page, IDC_DATA_APPLY, 0);
    SetDlgItemTextA(page, IDC_DATA_PATH, g_settings.path);
    if (g_settings.microsoftstore) {
        dialog_tick(page, IDC_DATA_STANDARD, 1);
        dialog_tick(page, IDC_DATA_PORTABLE, 0);
        dialog_enable(page, IDC_DATA_PORTABLE, 0);
        data_page_layout(page, 0);
    } else {
        int32_t portable = g_settings.portable != 0;
        dialog_tick(page, IDC_DATA_PORTABLE, portable);
        dialog_tick(page, IDC_DATA_STANDARD, !portable);
        data_page_layout(page, portable);
    }
    uint32_t textfile = static_cast<uint32_t>(g_settings.textfile);
    int32_t bom = (textfile & 0xFFFFu) == 1;
    int32_t crlf = (textfile >> 16) == 1;
    dialog_tick(page, IDC_DATA_BOM_ON, bom);
    dialog_tick(page, IDC_DATA_BOM_OFF, !bom);
    dialog_tick(page, IDC_DATA_LF, !crlf);
    dialog_tick(page, IDC_DATA_CRLF, crlf);
    data_page_add_tooltips(page);
    return TRUE;
}

// COM is there for the folder picker's shell items; a thread that has it
// already keeps it.
INT_PTR data_page_on_browse(HWND page) {
    char display_name[MAX_PATH] = "";
    GetDlgItemTextA(page, IDC_DATA_PATH, display_name, sizeof display_name);
    BROWSEINFOA browse;
    ZeroMemory(&browse, sizeof browse);
    browse.hwndOwner = page;
    browse.pidlRoot = nullptr;
    browse.pszDisplayName = display_name;
    browse.lpszTitle = k_browse_title;
    browse.ulFlags = BIF_RETURNONLYFSDIRS;

    HRESULT com = CoInitialize(nullptr);
    LPITEMIDLIST item = SHBrowseForFolderA(&browse);
    char picked[MAX_PATH] = "";
    int got_path = 0;
    if (item) {
        got_path = SHGetPathFromIDListA(item, picked) ? 1 : 0;
        CoTaskMemFree(item);
    }
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    if (!got_path) {
        return TRUE;
    }

    int answer = MessageBoxA(page, k_browse_question, k_caption, MB_YESNOCANCEL);
    char candidate[PLATFORM_PATH_SIZE];
    if (!memo_dialog_browse_candidate(candidate, picked, answer == IDYES)) {
        // No room for "\kelvan" behind the folder: nothing to propose.
        REPORT_FAILURE();
        return TRUE;
    }
    SetDlgItemTextA(page, IDC_DATA_PATH, candidate);
    dialog_enable(page, IDC_DATA_APPLY, 1);
    return TRUE;
}

// A target that cannot take the data is refused before anything changes:
// the page keeps the current folder and mode, and says so.
INT_PTR data_page_on_apply_button(HWND page) {
    int32_t portable = dialog_ticked(page, IDC_DATA_PORTABLE);
    char target[PLATFORM_PATH_SIZE] = "";
    if (portable) {
        if (!memo_dialog_beside_program(target, DIALOG_DATA_FOLDER_NAME)) {
            target[0] = '\0';
        }
    } else {
        GetDlgItemTextA(page, IDC_DATA_PATH, target, sizeof target);
    }
    if (target[0] && platform_path_kind(target) == PLATFORM_PATH_NONE) {
        platform_create_folder(target);
    }
    if (!memo_dialog_folder_usable(target)) {
        MessageBoxA(page, k_move_failed, k_caption, MB_OK);
        return TRUE;
    }
    g_settings.portable = portable;
    memo_data_copy(page, target);
    lstrcpynA(g_settings.path, target, PLATFORM_PATH_SIZE);
    dialog_enable(page, IDC_DATA_APPLY, 0);
    return TRUE;
}

INT_PTR data_page_on_command(HWND page, int id) {
    switch (id) {
    case IDC_DATA_PORTABLE:
        data_page_choose_mode(page, 1);
        return TRUE;
    case IDC_DATA_STANDARD:
        data_page_choose_mode(page, 0);
        return TRUE;
    case IDC_DATA_BROWSE:
        return data_page_on_browse(page);
    case IDC_DATA_APPLY:
        return data_page_on_apply_button(page);
    case IDC_DATA_BOM_ON:
    case IDC_DATA_BOM_OFF:
        g_settings.textfile =
            memo_dialog_textfile_bom(g_settings.textfile, dialog_ticked(page, IDC_DATA_BOM_ON));
        return TRUE;
    case IDC_DATA_LF:
    case IDC_DATA_CRLF:
        g_settings.textfile =
            memo_dialog_textfile_crlf(g_settings.textfile, dialog_ticked(page, IDC_DATA_CRLF));
        return TRUE;
    default:
        return FALSE;
    }
}

// --- details page --------------------------------------------------------------

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
    return memo_dialog_parse_size(text);
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

// --- version page ------------------------------------------------------------

// What the link shows and opens: the build's address, or the help page
// beside the program.
void version_page_link(char* shown, char* target) {
    if (k_web_address[0]) {
        lstrcpynA(shown, k_web_address, DIALOG_TEXT_SIZE);
        lstrcpynA(target, k_web_address, PLATFORM_PATH_SIZE);
        return;
    }
    lstrcpynA(shown, DIALOG_HELP_FILE, DIALOG_TEXT_SIZE);
    if (!memo_dialog_beside_program(target, DIALOG_HELP_FILE)) {
        target[0] = '\0';
    }
}

// Copies at most 255 bytes of a text value of the version block.
void version_page_query(const void* block, const char* key, char* out) {
    char* value = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block, key, reinterpret_cast<void**>(&value), &length) && value) {
        lstrcpynA(out, value, DIALOG_TEXT_SIZE);
    }
}

INT_PTR version_page_on_init(HWND page) {
    char description[DIALOG_TEXT_SIZE] = "";
    char notice[DIALOG_TEXT_SIZE] = "";
    char file_version[DIALOG_TEXT_SIZE] = "";
    char path[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    DWORD handle = 0;
    DWORD size = length > 0 && length < sizeof path ? GetFileVersionInfoSizeA(path, &handle) : 0;
    if (size > 0) {
        void* block = TRACKED_ALLOC(static_cast<uint64_t>(size) + 1);
        if (GetFileVersionInfoA(path, 0, size, block)) {
            version_page_query(block, "\\StringFileInfo\\000004B0\\FileDescription", description);
            version_page_query(block, "\\StringFileInfo\\000004B0\\FileVersion", file_version);
            version_page_query(block, "\\StringFileInfo\\000004b0\\LegalCopyright", notice);
        }
        TRACKED_FREE(block);
    }
    dialog_version version;
    memo_dialog_parse_version(file_version, &version);
    char line[DIALOG_TEXT_SIZE];
    memo_dialog_version_line(line, sizeof line, description, &version,
                             static_cast<int32_t>(sizeof(void*) * 8));

    char shown[DIALOG_TEXT_SIZE];
    char target[PLATFORM_PATH_SIZE];
    version_page_link(shown, target);
    SetDlgItemTextA(page, IDC_VERSION_LINE, line);
    SetDlgItemTextA(page, IDC_VERSION_NOTICE, notice);
    SetDlgItemTextA(page, IDC_VERSION_LINK, shown);
    return TRUE;
}

INT_PTR version_page_on_paint(HWND page) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(page, &ps);
    if (dc) {
        RECT client;
        GetClientRect(page, &client);
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    EndPaint(page, &ps);
    return TRUE;
}

INT_PTR version_page_on_color_static(HWND page, HDC dc, HWND control) {
    SetBkMode(dc, TRANSPARENT);
    if (control == GetDlgItem(page, IDC_VERSION_LINK)) {
        SetTextColor(dc, k_link_blue);
    }
    return reinterpret_cast<INT_PTR>(GetStockObject(HOLLOW_BRUSH));
}

// Answered with a result of 1, so the system does not put the arrow back.
INT_PTR version_page_on_set_cursor(HWND page, HWND under) {
    if (under != GetDlgItem(page, IDC_VERSION_LINK)) {
        return FALSE;
    }
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
    SetWindowLongPtrA(page, DWLP_MSGRESULT, 1);
    return TRUE;
}

// The banner is loaded for every draw and deleted after it.
void dialog_draw_banner(HWND window, const DRAWITEMSTRUCT* item, int bitmap_id, int at_right) {
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(
        dialog_instance(window), MAKEINTRESOURCEA(bitmap_id), IMAGE_BITMAP, 0, 0, 0));
    BITMAP info;
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) {
        if (bitmap) DeleteObject(bitmap);
        REPORT_FAILURE();
        return;
    }
    platform_rect item_rect = {item->rcItem.left, item->rcItem.top, item->rcItem.right,
                               item->rcItem.bottom};
    platform_rect r;
    int placed = at_right ? memo_dialog_banner_right(&item_rect, info.bmWidth, info.bmHeight, &r)
                          : memo_dialog_banner_top(&item_rect, info.bmWidth, info.bmHeight, &r);
    if (placed) {
        RECT target = {r.left, r.top, r.right, r.bottom};
        memo_winapiex_draw_bitmap(item->hDC, bitmap, &target);
    }
    DeleteObject(bitmap);
}

// The click's result is the shell's concern; the command stays unhandled.
INT_PTR version_page_on_link(HWND page) {
    char shown[DIALOG_TEXT_SIZE];
    char target[PLATFORM_PATH_SIZE];
    version_page_link(shown, target);
    if (target[0]) {
        ShellExecuteA(page, "open", target, nullptr, nullptr, SW_SHOWNORMAL);
    }
    return FALSE;
}

// --- the sheet -----------------------------------------------------------------

void dialog_init_controls() {
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES | ICC_TAB_CLASSES;
    if (!InitCommonControlsEx(&controls)) {
        REPORT_FAILURE();
    }
}

}  // namespace

// --- exported --------------------------------------------------------------------

int32_t settings_sheet_is_open(void) {
    return s_sheet_open;
}

void settings_sheet_show(HWND main_window) {
    s_sheet_open = 1;
    s_sheet_owner = main_window;
    dialog_init_controls();
    HINSTANCE instance = main_window ? dialog_instance(main_window) : GetModuleHandleA(nullptr);

    const struct {
        int template_id;
        DLGPROC procedure;
    } pages[] = {
        {IDD_SETTINGS_BASIC, basic_page_proc},   {IDD_SETTINGS_COLOR, color_page_proc},
        {IDD_SETTINGS_DATA, data_page_proc},     {IDD_SETTINGS_DETAIL, detail_page_proc},
        {IDD_SETTINGS_VERSION, version_page_proc},
    };
    const int count = static_cast<int>(sizeof pages / sizeof pages[0]);
    PROPSHEETPAGEA sheet_pages[sizeof pages / sizeof pages[0]];
    ZeroMemory(sheet_pages, sizeof sheet_pages);
    for (int i = 0; i < count; i++) {
        sheet_pages[i].dwSize = sizeof sheet_pages[i];
        sheet_pages[i].dwFlags = PSP_DEFAULT;
        sheet_pages[i].hInstance = instance;
        sheet_pages[i].pszTemplate = MAKEINTRESOURCEA(pages[i].template_id);
        sheet_pages[i].pfnDlgProc = pages[i].procedure;
        sheet_pages[i].lParam = 0;
    }

    PROPSHEETHEADERA header;
    ZeroMemory(&header, sizeof header);
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_USEHICON | PSH_NOAPPLYNOW;
    header.hwndParent = main_window;
    header.hInstance = instance;
    // Shared: loaded with LoadIcon, never destroyed.
    header.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KELVANE));
    header.pszCaption = k_sheet_caption;
    header.nPages = count;
    header.nStartPage = 0;
    header.ppsp = sheet_pages;
    if (PropertySheetA(&header) < 0) {
        REPORT_FAILURE();
    }

    s_sheet_owner = nullptr;
    s_sheet_open = 0;
}

void basic_page_add_tooltips(HWND page) {
    dialog_add_tips(page, k_basic_tips, std::size(k_basic_tips));
}

void data_page_add_tooltips(HWND page) {
    dialog_add_tips(page, k_data_tips, std::size(k_data_tips));
}

void detail_page_add_tooltips(HWND page) {
    dialog_add_tips(page, k_detail_tips, std::size(k_detail_tips));
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

INT_PTR CALLBACK color_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return color_page_on_init(page);
    case WM_DRAWITEM:
        return color_page_on_draw_item(reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
    case WM_CONTEXTMENU:
        return color_page_on_context_menu(page, reinterpret_cast<HWND>(wparam));
    case WM_COMMAND: {
        int id = LOWORD(wparam);
        if (id >= IDC_COLOR_BUTTON_FIRST && id <= IDC_COLOR_BUTTON_LAST) {
            return color_page_on_color_button(page, id, HIWORD(wparam));
        }
        return id == IDC_COLOR_FONTSELECT ? color_page_on_font(page) : FALSE;
    }
    case WM_NOTIFY:
        return dialog_on_notify(page, lparam, color_page_on_apply);
    case WM_CTLCOLORBTN:
        return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK data_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    (void)lparam;
    switch (message) {
    case WM_INITDIALOG:
        return data_page_on_init(page);
    case WM_COMMAND:
        return data_page_on_command(page, LOWORD(wparam));
    default:
        return FALSE;
    }
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

INT_PTR CALLBACK version_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return version_page_on_init(page);
    case WM_PAINT:
        return version_page_on_paint(page);
    case WM_CTLCOLORSTATIC:
        return version_page_on_color_static(page, reinterpret_cast<HDC>(wparam),
                                            reinterpret_cast<HWND>(lparam));
    case WM_SETCURSOR:
        return version_page_on_set_cursor(page, reinterpret_cast<HWND>(wparam));
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
        if (item->CtlID != IDC_VERSION_BANNER) {
            return FALSE;
        }
        dialog_draw_banner(page, item, IDB_VERSION_BANNER, 1);
        return TRUE;
    }
    case WM_COMMAND:
        return LOWORD(wparam) == IDC_VERSION_LINK ? version_page_on_link(page) : FALSE;
    case WM_NOTIFY:
        return dialog_on_notify(page, lparam, nullptr);
    default:
        return FALSE;
    }
}

int32_t memo_data_copy(HWND page, const char* target) {
    char pattern[PLATFORM_PATH_SIZE];
    if (!settings_format_path(pattern, "%s\\%s", g_settings.path, "*.*")) {
        return 1;
    }
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return 1;
    }
    int any_failed = 0;
    do {
        char source[PLATFORM_PATH_SIZE];
        char destination[PLATFORM_PATH_SIZE];
        if (!settings_format_path(source, "%s\\%s", g_settings.path, entry.cFileName)) {
            continue;
        }
        // "." and "..", subfolders, and whatever has no readable attributes
        // (INVALID_FILE_ATTRIBUTES has every bit set) are left alone.
        if (GetFileAttributesA(source) & FILE_ATTRIBUTE_DIRECTORY) {
            continue;
        }
        if (!settings_format_path(destination, "%s\\%s", target, entry.cFileName)) {
            continue;
        }
        if (!CopyFileA(source, destination, TRUE)) {
            any_failed = 1;
        }
    } while (FindNextFileA(search, &entry));
    if (any_failed) {
        MessageBoxA(page, k_copy_conflict, k_caption, MB_OK);
    }
    FindClose(search);
    return 1;
}

// --- welcome dialog --------------------------------------------------------------

namespace {

// Centred on the whole primary screen, the task bar included.
INT_PTR welcome_dialog_on_init(HWND dialog) {
    dialog_center_window(dialog, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), 0);
    return TRUE;
}

}  // namespace

// The box only ever clears DIALOG: unticking it again leaves the setting
// at 0, so a tick the user saw taking effect is never undone silently.
INT_PTR CALLBACK welcome_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return welcome_dialog_on_init(dialog);
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
        if (item->CtlID != IDC_WELCOME_BANNER) {
            return FALSE;
        }
        dialog_draw_banner(dialog, item, IDB_WELCOME_BANNER, 0);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, 1);
            return TRUE;
        case IDC_WELCOME_NOSHOW:
            if (dialog_ticked(dialog, IDC_WELCOME_NOSHOW)) {
                g_settings.dialog = 0;
            }
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

void memo_dialog_welcome(HINSTANCE instance) {
    if (DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_WELCOME), nullptr, welcome_dialog_proc, 0) <= 0) {
        REPORT_FAILURE();
    }
}
