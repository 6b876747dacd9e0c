// The edit box.  Its rich edit is a Unicode control: an ANSI rich edit
// turns every character outside code page 932 that the user types into a
// question mark or a dot.  The box itself stays an ANSI window, created
// with its caption through the wide functions; text goes in and out of
// the rich edit as UTF-16 (code page 1200).
#include "edit_box.h"

#include <imm.h>
#include <richedit.h>
#include <string.h>
#include <windowsx.h>

#include "edit_text.h"
#include "memo_registry.h"
#include "memo_text.h"
#include "error_log.h"
#include "tracked_memory.h"
#include "settings.h"
#include "cp932_text.h"
#include "dpi.h"
#include "wide_text.h"
#include "window_class.h"
#include "resource.h"
#include "scale.h"

namespace {

const char k_empty_question[] = "文字が入力されていません。入力を終了しますか？";
const char k_empty_caption[] = "確認";
const UINT k_codepage_utf16 = 1200;

// Per edit box, in the box's user data from WM_CREATE to WM_NCDESTROY.
struct edit_box_state {
    HWND text;        // the rich edit, or null when it could not be made
    HFONT font;       // Arial 11 points, for the OK button
    int ime_taken;    // 1 when the IME status below was saved at opening
    BOOL ime_saved;   // the input method's open status found at opening
};

edit_box_state* edit_box_state_of(HWND hwnd) {
    return reinterpret_cast<edit_box_state*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

HWND edit_box_text(HWND hwnd) {
    edit_box_state* state = edit_box_state_of(hwnd);
    return state ? state->text : nullptr;
}

// --- the rich edit's own menu ----------------------------------------------

// The rich edit has no menu of its own; this one offers cut, copy and
// paste at the click, then lets the control handle the click as usual.
// The control is Unicode, so it is subclassed with the wide functions:
// an ANSI procedure in between would narrow every typed character.
LRESULT CALLBACK edit_box_richedit_proc(HWND hwnd, UINT message, WPARAM wparam,
                                         LPARAM lparam) {
    WNDPROC previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_RBUTTONDOWN) {
        POINT pt = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        ClientToScreen(hwnd, &pt);
        HMENU menu = CreatePopupMenu();
        if (menu) {
            AppendMenuW(menu, MF_STRING, EDIT_CMD_CUT, L"切り取り");
            AppendMenuW(menu, MF_STRING, EDIT_CMD_COPY, L"コピー");
            AppendMenuW(menu, MF_STRING, EDIT_CMD_PASTE, L"貼り付け");
            TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, pt.x, pt.y, 0, GetParent(hwnd),
                           nullptr);
            DestroyMenu(menu);
        } else {
            REPORT_FAILURE();
        }
    }
    return CallWindowProcW(previous, hwnd, message, wparam, lparam);
}

// --- layout ----------------------------------------------------------------

// The new client size comes with the message; the client area starts at 0, 0.
LRESULT edit_box_on_size(HWND hwnd, LPARAM lparam) {
    RECT client = {0, 0, LOWORD(lparam), HIWORD(lparam)};
    edit_box_place text;
    edit_box_place button;
    edit_box_layout(&client, dpi_of_window(hwnd) / 96.0, &text, &button);
    HWND text_window = edit_box_text(hwnd);
    if (text_window) {
        MoveWindow(text_window, text.x, text.y, text.width, text.height, TRUE);
    }
    MoveWindow(GetDlgItem(hwnd, IDC_EDIT_OK), button.x, button.y, button.width, button.height,
               TRUE);
    return 0;
}

LRESULT edit_box_on_get_min_max_info(MINMAXINFO* info) {
    info->ptMinTrackSize.x = EDIT_BOX_MIN_WIDTH;
    info->ptMinTrackSize.y = EDIT_BOX_MIN_HEIGHT;
    return 0;
}

// --- creation --------------------------------------------------------------

HFONT edit_box_create_font(int32_t dpi) {
    int height = scale_font_height(11, dpi);
    return CreateFontA(height, 0, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                       FF_MODERN | FIXED_PITCH, "Arial");
}

// The memo font's face, size and weight for all of the text.
void edit_box_apply_memo_font(HWND text) {
    CHARFORMATW format;
    ZeroMemory(&format, sizeof format);
    format.cbSize = sizeof format;
    format.dwMask = CFM_BOLD | CFM_FACE | CFM_SIZE | CFM_CHARSET;
    format.dwEffects = g_settings.fontstyle > 400 ? CFE_BOLD : 0;
    format.yHeight = g_settings.fontsize * 20;  // twips
    format.bCharSet = static_cast<BYTE>(g_settings.fontcharset);
    cp932_to_wide(g_settings.fontname, format.szFaceName, LF_FACESIZE);
    // The default format too: text set later as a whole (the memo's text,
    // a paste into an emptied box) takes the default format on some
    // versions of the control, not the format of the text it replaces.
    LPARAM lparam = reinterpret_cast<LPARAM>(&format);
    if (!SendMessageW(text, EM_SETCHARFORMAT, SCF_DEFAULT, lparam) ||
        !SendMessageW(text, EM_SETCHARFORMAT, SCF_ALL, lparam)) {
        REPORT_FAILURE();
    }
}

// With IMEON the input method opens for Japanese entry; what it was is
// given back when the box closes.  Several open boxes share the one input
// context: each gives back what it found, so the last box closed decides.
void edit_box_open_ime(HWND text, edit_box_state* state) {
    HIMC context = ImmGetContext(text);
    if (!context) {
        return;
    }
    state->ime_saved = ImmGetOpenStatus(context);
    state->ime_taken = 1;
    ImmSetOpenStatus(context, TRUE);
    ImmReleaseContext(text, context);
}

void edit_box_restore_ime(edit_box_state* state) {
    if (!state->ime_taken || !state->text) {
        return;
    }
    HIMC context = ImmGetContext(state->text);
    if (context) {
        ImmSetOpenStatus(context, state->ime_saved);
        ImmReleaseContext(state->text, context);
    }
}

LRESULT edit_box_on_create(HWND hwnd, const CREATESTRUCTA* create) {
    edit_box_state* state = TRACKED_NEW(edit_box_state, 1);
    ZeroMemory(state, sizeof *state);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));

    state->font = edit_box_create_font(dpi_of_window(hwnd));
    HWND button = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_EDIT_OK)),
                                  create->hInstance, nullptr);
    SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), TRUE);

    state->text = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"RichEdit20W", L"",
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL, 0, 0, 0,
        0, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_EDIT_TEXT)), create->hInstance,
        nullptr);
    if (state->text) {
        // Raised before any text goes in: the default of 32,767 characters
        // would stop the user typing into a longer memo.
        SendMessageW(state->text, EM_EXLIMITTEXT, 0, EDIT_TEXT_LIMIT);
        edit_box_apply_memo_font(state->text);
        LONG_PTR previous = SetWindowLongPtrW(
            state->text, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(edit_box_richedit_proc));
        SetWindowLongPtrW(state->text, GWLP_USERDATA, previous);
    } else {
        REPORT_FAILURE();
    }

    // Laid out now, not at the first WM_SIZE: the memo's text goes in before
    // the box is shown, and a rich edit of no width wraps every character
    // onto a line of its own (100,000 characters: 2.5 s instead of 0.2 s).
    RECT client;
    if (GetClientRect(hwnd, &client)) {
        edit_box_on_size(hwnd, MAKELPARAM(client.right, client.bottom));
    }

    SetForegroundWindow(hwnd);
    SetFocus(state->text);
    if (g_settings.imeon && state->text) {
        edit_box_open_ime(state->text, state);
    }
    return 0;
}

// --- commit and cancel -----------------------------------------------------

void edit_box_tell_owner(HWND hwnd, int command, char* text) {
    HWND memo = GetWindow(hwnd, GW_OWNER);
    if (!PostMessageA(memo, WM_COMMAND, command,
                      reinterpret_cast<LPARAM>(text ? tracked_hand_over(text) : nullptr))) {
        // The memo is gone: nobody takes the text.
        if (text) {
            TRACKED_FREE(text);
        }
        REPORT_FAILURE();
    }
}

// The text as the memo will keep it: UTF-8 with CR LF between the lines.
// Returns a tracked block the caller owns.
char* edit_box_take_text(HWND hwnd) {
    HWND text = edit_box_text(hwnd);
    LRESULT length = 0;
    if (text) {
        GETTEXTLENGTHEX how_long;
        how_long.flags = GTL_USECRLF | GTL_PRECISE | GTL_NUMCHARS;
        how_long.codepage = k_codepage_utf16;
        length = SendMessageW(text, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how_long), 0);
        if (length < 0) {
            length = 0;
        }
    }
    uint64_t units = static_cast<uint64_t>(length) + 1;
    wchar_t* wide = TRACKED_NEW(wchar_t, units);
    ZeroMemory(wide, units * sizeof(wchar_t));
    if (text && length > 0) {
        GETTEXTEX how;
        ZeroMemory(&how, sizeof how);
        how.cb = static_cast<DWORD>(units * sizeof(wchar_t));
        how.flags = GT_USECRLF;
        how.codepage = k_codepage_utf16;
        SendMessageW(text, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&how),
                     reinterpret_cast<LPARAM>(wide));
    }
    char* utf8 = wide_to_utf8(wide, -1, nullptr);
    TRACKED_FREE(wide);
    return utf8;
}

LRESULT edit_box_commit(HWND hwnd) {
    char* utf8 = edit_box_take_text(hwnd);
    if (!utf8) {
        PostMessageA(hwnd, WM_COMMAND, EDIT_CMD_CANCEL, 0);
        REPORT_FAILURE();
        return 0;
    }
    if (utf8[0] == '\0' && g_settings.notext &&
        wide_message_box(hwnd, k_empty_question, k_empty_caption, MB_YESNO) != IDYES) {
        TRACKED_FREE(utf8);
        return 0;
    }
    edit_box_tell_owner(hwnd, MEMO_CMD_SET_TEXT, utf8);
    DestroyWindow(hwnd);
    return 1;
}

}  // namespace

void edit_box_keep_text(HWND hwnd) {
    char* utf8 = edit_box_take_text(hwnd);
    HWND memo = GetWindow(hwnd, GW_OWNER);
    const memo_record* record = memo_registry_find(memo);
    if (!utf8 || !utf8[0] || !record || (record->text && memo_text_same(utf8, record->text))) {
        if (utf8) TRACKED_FREE(utf8);
        return;
    }
    // Sent, not posted: the memo is destroyed before a posted text would
    // arrive.
    SendMessageA(memo, WM_COMMAND, MEMO_CMD_SET_TEXT,
                 reinterpret_cast<LPARAM>(tracked_hand_over(utf8)));
    DestroyWindow(hwnd);
}

namespace {

LRESULT edit_box_cancel(HWND hwnd) {
    edit_box_tell_owner(hwnd, MEMO_CMD_EDIT_CLOSED, nullptr);
    DestroyWindow(hwnd);
    return 1;
}

// Without a selection or with an empty clipboard the control does nothing.
LRESULT edit_box_clipboard(HWND hwnd, UINT message) {
    SendMessageW(edit_box_text(hwnd), message, 0, 0);
    return 1;
}

LRESULT edit_box_command(HWND hwnd, int command) {
    switch (command) {
    case EDIT_CMD_CUT:
        return edit_box_clipboard(hwnd, WM_CUT);
    case EDIT_CMD_COPY:
        return edit_box_clipboard(hwnd, WM_COPY);
    case EDIT_CMD_PASTE:
        return edit_box_clipboard(hwnd, WM_PASTE);
    case IDC_EDIT_OK:
    case ID_ACCEL_CTRL_ENTER:
    case ID_ACCEL_CTRL_S:
        return edit_box_commit(hwnd);
    case EDIT_CMD_CANCEL:
        return edit_box_cancel(hwnd);
    default:
        return 0;
    }
}

// The close box, Alt+F4 and the system menu's Close all discard the edit.
LRESULT edit_box_on_close(HWND hwnd) {
    PostMessageA(hwnd, WM_COMMAND, EDIT_CMD_CANCEL, 0);
    return 0;
}

// The size is remembered for the next edit box of any memo; the settings
// file receives it at shutdown.
LRESULT edit_box_on_destroy(HWND hwnd) {
    RECT r;
    if (GetWindowRect(hwnd, &r)) {
        edit_box_stored_size(r.right - r.left, r.bottom - r.top,
                              dpi_of_window(hwnd) / 96.0, &g_settings.editwidth,
                              &g_settings.editheight);
    }
    edit_box_state* state = edit_box_state_of(hwnd);
    if (state) {
        if (g_settings.imeon) {
            edit_box_restore_ime(state);
        }
        if (state->font) {
            DeleteObject(state->font);
            state->font = nullptr;
        }
    }
    return 0;
}

LRESULT edit_box_on_nc_destroy(HWND hwnd, WPARAM wparam, LPARAM lparam) {
    edit_box_state* state = edit_box_state_of(hwnd);
    if (state) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        TRACKED_FREE(state);
    }
    return DefWindowProcA(hwnd, WM_NCDESTROY, wparam, lparam);
}

// The memo talks to the box as if it were the rich edit.
LRESULT edit_box_forward(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    HWND text = edit_box_text(hwnd);
    if (!text) {
        REPORT_FAILURE();
        return 0;
    }
    return SendMessageA(text, message, wparam, lparam);
}

}  // namespace

void edit_box_layout(const RECT* client, double s, edit_box_place* text,
                      edit_box_place* button) {
    int margin = static_cast<int>(5 * s);
    text->x = client->left + margin;
    text->y = client->top;
    text->width = client->right - static_cast<int>(10 * s) - client->left;
    text->height = client->bottom - static_cast<int>(40 * s) - client->top;
    button->width = static_cast<int>(90 * s);
    button->height = static_cast<int>(30 * s);
    button->x = (client->right - button->width - client->left) / 2;
    button->y = client->bottom - button->height - margin;
}

void edit_box_stored_size(int32_t width, int32_t height, double s, int32_t* edit_width,
                           int32_t* edit_height) {
    if (s <= 0) {
        s = 1.0;
    }
    *edit_width = static_cast<int32_t>(width / s);
    *edit_height = static_cast<int32_t>(height / s);
}

HWND edit_box_open(HWND memo, int x, int y, int width, int height) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(memo, GWLP_HINSTANCE));
    // The caption shows the program's icon; the box has no large one.
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KELVANE));
    if (!window_class_register(instance, EDIT_BOX_CLASS, edit_box_proc,
                                      COLOR_HIGHLIGHTTEXT, nullptr, icon)) {
        REPORT_FAILURE();
        return nullptr;
    }
    HWND box = CreateWindowExW(0, wide_cp932(EDIT_BOX_CLASS), wide_cp932(PROGRAM_CAPTION),
                               WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, x, y, width, height, memo,
                               nullptr, instance, nullptr);
    if (!box) {
        REPORT_FAILURE();
    }
    return box;
}

LRESULT CALLBACK edit_box_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        return edit_box_on_create(hwnd, reinterpret_cast<const CREATESTRUCTA*>(lparam));
    case WM_SIZE:
        return edit_box_on_size(hwnd, lparam);
    case WM_GETMINMAXINFO:
        return edit_box_on_get_min_max_info(reinterpret_cast<MINMAXINFO*>(lparam));
    case WM_COMMAND:
        return edit_box_command(hwnd, LOWORD(wparam));
    case WM_CLOSE:
        return edit_box_on_close(hwnd);
    case WM_DESTROY:
        return edit_box_on_destroy(hwnd);
    case WM_NCDESTROY:
        return edit_box_on_nc_destroy(hwnd, wparam, lparam);
    case EM_SETTEXTEX:
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
        return edit_box_forward(hwnd, message, wparam, lparam);
    default:
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
}
