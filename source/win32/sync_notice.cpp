// The conflict notice: a tracking balloon tooltip of its own, apart from
// the memo's hover tooltip (memo_tooltip), with its own timer.
#include "sync_notice.h"

#include <commctrl.h>

#include "dpi.h"
#include "messages.h"

namespace {

const wchar_t k_title[] = L"Kelvane";
const wchar_t k_other_edit[] =
    L"別のコンピュータでの変更とこちらでの編集が重なったため、"
    L"別のコンピュータでの内容をこのメモとして残しました。";
const wchar_t k_before_empty[] =
    L"同期でメモの内容が空になったため、空になる前の内容をこのメモとして残しました。";
const wchar_t k_client_copy[] =
    L"同期ソフトが同じメモの二つの版を残したため、もう一方の版をこのメモとして残しました。";

const UINT_PTR k_tool_id = 1;
const UINT_PTR k_subclass_id = 0x4B4E;  // "KN"
const UINT_PTR k_timer_id = 0x4B4E;
// Long enough to be read after coming back to the computer for a moment.
const UINT k_show_ms = 20000;
const int k_max_width = 260;  // 96-dpi pixels

LRESULT CALLBACK sync_notice_proc(HWND tip, UINT message, WPARAM wparam, LPARAM lparam,
                                  UINT_PTR id, DWORD_PTR) {
    switch (message) {
    case WM_TIMER:
        if (wparam != k_timer_id) break;
        DestroyWindow(tip);
        return 0;
    case WM_LBUTTONDOWN:
        DestroyWindow(tip);
        return 0;
    case WM_NCDESTROY:
        KillTimer(tip, k_timer_id);
        RemoveWindowSubclass(tip, sync_notice_proc, id);
        break;
    default:
        break;
    }
    return DefSubclassProc(tip, message, wparam, lparam);
}

}  // namespace

const wchar_t* sync_notice_text(int kind) {
    switch (kind) {
        case MEMO_KEPT_BEFORE_EMPTY:
            return k_before_empty;
        case MEMO_KEPT_CLIENT_COPY:
            return k_client_copy;
        default:
            return k_other_edit;
    }
}

// The balloon's stem points at the middle of the memo's top edge.
LRESULT sync_notice_show(HWND memo, int kind) {
    if (!IsWindowVisible(memo)) return 0;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(memo, GWLP_HINSTANCE));
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, memo,
                               nullptr, instance, nullptr);
    if (!tip) return 0;
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = memo;
    tool.uId = k_tool_id;
    tool.lpszText = const_cast<wchar_t*>(sync_notice_text(kind));
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, MulDiv(k_max_width, dpi_of_window(memo), 96));
    SendMessageW(tip, TTM_SETTITLEW, TTI_INFO, reinterpret_cast<LPARAM>(k_title));
    RECT r;
    GetWindowRect(memo, &r);
    SendMessageW(tip, TTM_TRACKPOSITION, 0, MAKELPARAM((r.left + r.right) / 2, r.top + 4));
    SendMessageW(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    SetWindowSubclass(tip, sync_notice_proc, k_subclass_id, 0);
    SetTimer(tip, k_timer_id, k_show_ms, nullptr);
    return 1;
}
