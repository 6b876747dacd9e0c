// The platform's own share of the program's start-up: a hidden owner window
// and `count` memo-like windows with the memos' styles, size, owner, folded
// region and alpha, each one shaped, made translucent, shown and painted at
// once, in the order the program does it for a memo read from its files.
// Nothing else: no files, no settings, no tray icon, no text.
//
//   kelvane_bare_windows.exe <count> [tooltips]
//
// The start-up benchmark starts it as a process and times it from outside
// exactly like the program.  It runs until its owner window receives
// WM_COMMAND with the exit command, or WM_CLOSE.
//
// With "tooltips", every window also gets a tooltip control of its own, as
// each memo does: what that costs the platform, from outside, is how the
// benchmark's breakdown weighs it.  The common controls are then loaded at
// run time, so that the plain variant starts with no more libraries than
// it needs.
#include <windows.h>
#include <commctrl.h>

#include <stdlib.h>
#include <string.h>

#include "memo_region.h"
#include "startup_layout.h"

namespace {

LRESULT CALLBACK bare_owner_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wparam) == STARTUP_EXIT_COMMAND) {
            DestroyWindow(hwnd);
            return 0;
        }
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

// The default procedure paints with the class brush: the fill a memo gets.
int bare_register_classes(HINSTANCE instance) {
    WNDCLASSA owner;
    ZeroMemory(&owner, sizeof owner);
    owner.lpfnWndProc = bare_owner_proc;
    owner.hInstance = instance;
    owner.lpszClassName = STARTUP_BARE_OWNER_CLASS;

    WNDCLASSA memo;
    ZeroMemory(&memo, sizeof memo);
    memo.style = CS_HREDRAW | CS_VREDRAW;
    memo.lpfnWndProc = DefWindowProcA;
    memo.hInstance = instance;
    memo.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    memo.hbrBackground = CreateSolidBrush(RGB(255, 255, 160));
    memo.lpszClassName = STARTUP_MEMO_CLASS;
    return RegisterClassA(&owner) && RegisterClassA(&memo);
}

// The program's own 21-rectangle region, built from the same table.
HRGN bare_memo_region(int width, int height) {
    memo_region_data data;
    memo_region_fill(&data, width, height, 0);
    return ExtCreateRegion(nullptr, sizeof data, reinterpret_cast<const RGNDATA*>(&data));
}

typedef BOOL(WINAPI* bare_init_controls_fn)(const INITCOMMONCONTROLSEX*);

int bare_load_tooltips() {
    HMODULE controls = LoadLibraryA("comctl32.dll");
    FARPROC found = controls ? GetProcAddress(controls, "InitCommonControlsEx") : nullptr;
    // Through the generic function type, which the compiler accepts from
    // any other without a warning.
    bare_init_controls_fn init =
        reinterpret_cast<bare_init_controls_fn>(reinterpret_cast<void (*)(void)>(found));
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES};
    return init && init(&classes);
}

// The program's tooltip: owned by the memo, one tool that watches the
// memo's mouse messages itself.
void bare_add_tooltip(HWND memo, HINSTANCE instance) {
    HWND tooltip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, memo, nullptr,
                                   instance, nullptr);
    if (!tooltip) {
        return;
    }
    static char s_text[] = "Kelvane";
    TOOLINFOA tool;
    ZeroMemory(&tool, sizeof tool);
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = memo;
    tool.uId = 1;
    GetClientRect(memo, &tool.rect);
    tool.lpszText = s_text;
    SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

int bare_create_memo(HWND owner, HINSTANCE instance, int index, int tooltips) {
    int x = 0;
    int y = 0;
    startup_layout_origin(index, &x, &y);
    HWND memo = CreateWindowExA(WS_EX_LAYERED | WS_EX_TOOLWINDOW, STARTUP_MEMO_CLASS, "",
                                WS_POPUP, x, y, STARTUP_MEMO_WIDTH, STARTUP_MEMO_HEIGHT, owner,
                                nullptr, instance, nullptr);
    if (!memo) {
        return 0;
    }
    SetWindowRgn(memo, bare_memo_region(STARTUP_MEMO_WIDTH, STARTUP_MEMO_HEIGHT), TRUE);
    SetLayeredWindowAttributes(memo, 0, STARTUP_MEMO_ALPHA, LWA_ALPHA);
    if (tooltips) {
        bare_add_tooltip(memo, instance);
    }
    ShowWindow(memo, SW_SHOW);
    InvalidateRect(memo, nullptr, FALSE);
    UpdateWindow(memo);
    return 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_command) {
    (void)previous;
    (void)show_command;
    int count = command_line ? atoi(command_line) : 0;
    int tooltips = command_line && strstr(command_line, "tooltips") ? 1 : 0;
    if (count <= 0 || !bare_register_classes(instance) || (tooltips && !bare_load_tooltips())) {
        return 2;
    }
    HWND owner = CreateWindowExA(WS_EX_TOOLWINDOW, STARTUP_BARE_OWNER_CLASS, "", WS_POPUP, 0, 0,
                                 0, 0, nullptr, nullptr, instance, nullptr);
    if (!owner) {
        return 2;
    }
    for (int i = 0; i < count; i++) {
        if (!bare_create_memo(owner, instance, i, tooltips)) {
            return 3;
        }
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
