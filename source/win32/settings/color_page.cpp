// The colours and font page: the seven colour slots with their names, and
// the memo font.
#include "color_page.h"

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
#include "bitmap.h"
#include "cp932_text.h"
#include "dpi.h"
#include "dialog_common.h"
#include "messages.h"
#include "resource.h"
#include "scale.h"
#include "scoped.h"
#include "wide_text.h"

namespace {

const int k_custom_colors = 16;
const COLORREF k_white = 0x00ffffff;

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

COLORREF s_custom_colors[k_custom_colors];

const char k_color_button_tip[] = "クリックすると色を変えられます。";
const char k_color_name_tip[] = "色の名前を編集します。";
const char k_font_tip[] = "フォントの選択をします。\n(フォント、太さ、サイズ)。";

settings_color_slot* color_page_slot(int button_id) {
    return &g_settings.colors[button_id - IDC_COLOR_BUTTON_FIRST];
}

void color_page_show_font(HWND page) {
    wide_set_item_text(page, IDC_COLOR_FONTNAME, g_settings.fontname);
    wide_set_item_text(page, IDC_COLOR_FONTSTYLE, settings_text_font_style_text(g_settings.fontstyle));
    dialog_set_int(page, IDC_COLOR_FONTSIZE, g_settings.fontsize);
}

INT_PTR color_page_on_init(HWND page) {
    color_page_show_font(page);
    for (int n = 0; n < SETTINGS_COLOR_SLOTS; n++) {
        wide_set_item_text(page, IDC_COLOR_NAME_FIRST + n, g_settings.colors[n].colortext);
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
    bitmap_fill_rect(dc, slot->color, &r);

    {
        scoped_gdi<HPEN> pen(CreatePen(PS_SOLID, 2, slot->bordercolor));
        scoped_select selected(dc, pen);
        const POINT lines[4][2] = {
            {{r.left, r.top}, {r.right, r.top + 1}},
            {{r.left, r.top}, {r.left + 1, r.bottom}},
            {{r.right - 1, r.top + 1}, {r.right - 1, r.bottom - 1}},
            {{r.left + 1, r.bottom - 1}, {r.right - 1, r.bottom - 1}},
        };
        for (const auto& line : lines) {
            Polyline(dc, line, 2);
        }
    }

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, slot->textcolor);
    DrawTextW(dc, L"文字", -1, &r, k_button_text_format);
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
    InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, COLOR_WORD_BORDER, L"メモの枠の色");
    InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, COLOR_WORD_TEXT, L"メモの文字の色");
    InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, COLOR_WORD_FILL, L"メモの色");
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
        CHOOSECOLORW choose;
        ZeroMemory(&choose, sizeof choose);
        choose.lStructSize = sizeof choose;
        choose.hwndOwner = page;
        choose.rgbResult = *target;
        choose.lpCustColors = s_custom_colors;
        choose.Flags = CC_RGBINIT | CC_FULLOPEN;
        if (ChooseColorW(&choose)) {
            *target = choose.rgbResult;
        }
    }
    InvalidateRect(button, nullptr, FALSE);
    return TRUE;
}

// Italic, underline and strike-out chosen in the picker are not kept.  A
// face whose name config.ini cannot hold in code page 932 (some localised
// names) is not taken at all: the memos keep a font that can be stored.
void color_page_take_font(const LOGFONTW* font, int32_t dpi) {
    char name[LF_FACESIZE * 2];
    if (!cp932_from_wide(font->lfFaceName, name, sizeof name)) {
        return;
    }
    settings_text_cut_text(name, SETTINGS_FONTNAME_SIZE - 1);
    g_settings.fontstyle = font->lfWeight;
    g_settings.fontsize = settings_text_font_points(font->lfHeight, dpi);
    g_settings.fontcharset = font->lfCharSet;
    memset(g_settings.fontname, 0, SETTINGS_FONTNAME_SIZE);
    strcpy(g_settings.fontname, name);
}

// The picker works in pixels of the page's monitor; the setting is in
// points.  The record is read back only when the user confirmed: some
// pickers rewrite it while the user browses, even when cancelled, and an
// unchanged record would only convert back to the same size anyway.
INT_PTR color_page_on_font(HWND page) {
    int32_t dpi = dpi_of_window(page);
    LOGFONTW font;
    ZeroMemory(&font, sizeof font);
    font.lfHeight = scale_font_height(g_settings.fontsize, dpi);
    font.lfWeight = g_settings.fontstyle;
    font.lfCharSet = static_cast<BYTE>(g_settings.fontcharset);
    cp932_to_wide(g_settings.fontname, font.lfFaceName, LF_FACESIZE);

    CHOOSEFONTW choose;
    ZeroMemory(&choose, sizeof choose);
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = page;
    choose.lpLogFont = &font;
    choose.Flags = CF_SCREENFONTS | CF_LIMITSIZE | CF_FORCEFONTEXIST | CF_INITTOLOGFONTSTRUCT;
    choose.nSizeMin = 8;
    choose.nSizeMax = 36;
    if (ChooseFontW(&choose)) {
        color_page_take_font(&font, dpi);
    }
    color_page_show_font(page);
    dialog_repaint_memos();
    return TRUE;
}

// A name longer than a slot holds is cut at a character boundary; a
// character that code page 932 lacks (config.ini keeps the names in it)
// becomes its nearest form or "?".
void color_page_read_name(HWND page, int n) {
    HWND edit = GetDlgItem(page, IDC_COLOR_NAME_FIRST + n);
    int length = GetWindowTextLengthW(edit);
    if (length < 0) {
        length = 0;
    }
    wchar_t* wide = TRACKED_NEW(wchar_t, static_cast<uint64_t>(length) + 1);
    wide[0] = L'\0';
    GetWindowTextW(edit, wide, length + 1);
    char* text = wide_to_cp932(wide);
    TRACKED_FREE(wide);
    settings_text_cut_text(text, SETTINGS_COLORTEXT_SIZE - 1);
    strcpy(g_settings.colors[n].colortext, text);
    TRACKED_FREE(text);
}

void color_page_on_apply(HWND page) {
    for (int n = 0; n < SETTINGS_COLOR_SLOTS; n++) {
        color_page_read_name(page, n);
    }
    dialog_repaint_memos();
}

}  // namespace

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
