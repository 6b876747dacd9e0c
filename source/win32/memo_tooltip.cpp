// The memo's tooltip control: one "tooltips_class32" window per memo, owned
// by the memo, with one tool (id 1) that watches the memo's mouse messages
// itself (TTF_SUBCLASS).  The text goes in as UTF-16, so characters outside
// code page 932 show as they are.
#include "memo_tooltip.h"

#include <commctrl.h>
#include <windowsx.h>

#include "memo_registry.h"
#include "error_log.h"
#include "tracked_memory.h"
#include "settings.h"
#include "tooltip_text.h"
#include "wide_text.h"

namespace {

// Our own subclass of the memo window, next to the one the control makes
// for TTF_SUBCLASS; the id tells the two apart.
const UINT_PTR k_memo_subclass_id = 0x4B56;  // "KV"

// Creating the control needs its class registered, once per process.
int s_controls_ready = 0;

void memo_tooltip_init_controls() {
    if (!s_controls_ready) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
        s_controls_ready = InitCommonControlsEx(&controls) ? 1 : 0;
    }
}

// The memo's one tool as the control knows it, covering the memo's client
// area.
void memo_tooltip_tool(HWND memo, UINT flags, TOOLINFOW* tool) {
    ZeroMemory(tool, sizeof *tool);
    tool->cbSize = sizeof *tool;
    tool->uFlags = flags;
    tool->hwnd = memo;
    tool->uId = MEMO_TOOLTIP_TOOL_ID;
    GetClientRect(memo, &tool->rect);
}

// Width, display time and activation follow TOOLTIPTIME, whose low 16 bits
// are the display time in milliseconds; 0 turns the tooltip off.
void memo_tooltip_apply_timing(HWND tooltip) {
    const int32_t time = g_settings.tooltiptime;
    SendMessageA(tooltip, TTM_SETMAXTIPWIDTH, 0, MEMO_TOOLTIP_MAX_WIDTH);
    SendMessageA(tooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(time & 0xFFFF, 0));
    SendMessageA(tooltip, TTM_ACTIVATE, time != 0 ? TRUE : FALSE, 0);
}

// A mouse move over the memo, as the client move the control understands:
// a non-client move (lparam in screen coordinates) or a client move.
void memo_tooltip_relay(HWND memo, HWND tooltip, UINT message, LPARAM lparam) {
    POINT screen = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    POINT client = screen;
    if (message == WM_NCMOUSEMOVE) {
        ScreenToClient(memo, &client);
    } else {
        ClientToScreen(memo, &screen);
    }
    MSG move;
    ZeroMemory(&move, sizeof move);
    move.hwnd = memo;
    move.message = WM_MOUSEMOVE;
    move.time = static_cast<DWORD>(GetMessageTime());
    move.pt = screen;
    move.lParam = MAKELPARAM(client.x, client.y);
    SendMessageA(tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&move));
}

// Our own subclass of the memo window carries two things to the control
// that its TTF_SUBCLASS does not:
// - the memo's size: the tool is added with the memo's client rectangle and
//   does not follow the window by itself, so a memo made larger would
//   answer the mouse only in its old corner;
// - the mouse over the memo: the whole memo answers the hit test as
//   caption, so the mouse moves arrive as non-client moves, which not every
//   common-controls library passes on to its tooltips.  They are relayed
//   as the client moves they stand for.
LRESULT CALLBACK memo_tooltip_memo_proc(HWND memo, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR id, DWORD_PTR tooltip_ref) {
    HWND tooltip = reinterpret_cast<HWND>(tooltip_ref);
    switch (message) {
    case WM_SIZE: {
        TOOLINFOW tool;
        memo_tooltip_tool(memo, 0, &tool);
        SendMessageW(tooltip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
        break;
    }
    case WM_NCMOUSEMOVE:
        memo_tooltip_relay(memo, tooltip, message, lparam);
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(memo, memo_tooltip_memo_proc, id);
        break;
    default:
        break;
    }
    return DefSubclassProc(memo, message, wparam, lparam);
}

}  // namespace

HWND memo_tooltip_create(HWND memo) {
    memo_tooltip_init_controls();
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(memo, GWLP_HINSTANCE));
    // TTS_ALWAYSTIP: shown whether or not the memo is the active window.
    HWND tooltip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, memo, nullptr,
                                   instance, nullptr);
    if (!tooltip) {
        REPORT_FAILURE();
        return nullptr;
    }

    // The control keeps its own copy of the text.
    wide_cp932 initial_text(MEMO_TOOLTIP_INITIAL_TEXT);
    TOOLINFOW tool;
    memo_tooltip_tool(memo, TTF_SUBCLASS, &tool);
    tool.lpszText = const_cast<wchar_t*>(initial_text.get());
    SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    memo_tooltip_apply_timing(tooltip);

    SetWindowSubclass(memo, memo_tooltip_memo_proc, k_memo_subclass_id,
                      reinterpret_cast<DWORD_PTR>(tooltip));
    return tooltip;
}

int memo_tooltip_update(HWND memo, HWND tooltip) {
    if (!tooltip) {
        return 0;  // the control could not be made; the failure was reported then
    }
    const memo_record* record = memo ? memo_registry_find(memo) : nullptr;
    int result = 1;
    if (!record) {
        REPORT_FAILURE();
        result = 0;
    } else if (record->text) {
        // A memo without text (a new one the settings page refreshes) keeps
        // its initial text rather than showing a date it never had.
        char* text = tooltip_text_build(memo);
        wchar_t* wide = wide_from_utf8(text, -1, nullptr);
        TOOLINFOW tool;
        ZeroMemory(&tool, sizeof tool);
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = memo;
        tool.uId = MEMO_TOOLTIP_TOOL_ID;
        tool.lpszText = wide;
        SendMessageW(tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
        TRACKED_FREE(wide);
        TRACKED_FREE(text);
    }
    memo_tooltip_apply_timing(tooltip);
    return result;
}

HWND memo_tooltip_of(HWND memo) {
    memo_record* record = memo_registry_find(memo);
    if (!record) {
        REPORT_FAILURE();
        return nullptr;
    }
    if (!record->tooltip) {
        record->tooltip = memo_tooltip_create(memo);
        memo_tooltip_update(memo, record->tooltip);
    }
    return record->tooltip;
}

void memo_tooltip_on_pointer(HWND memo, UINT message, LPARAM lparam) {
    memo_record* record = memo_registry_find(memo);
    if (!record || record->tooltip) {
        return;  // a control that exists watches the pointer itself
    }
    HWND tooltip = memo_tooltip_of(memo);
    // The control's own watch begins with the next move; this one starts
    // the wait before the tip shows, as it would have with the control
    // already there.
    if (tooltip) {
        memo_tooltip_relay(memo, tooltip, message, lparam);
    }
}
