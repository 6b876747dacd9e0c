// A helper for the tray checks (tray_test.sh): it looks at the running
// instance, its tray icon, its pop-up menu, its memos, tooltips and
// balloons from inside the Windows desktop and prints one answer on stdout
// (UTF-8).  Real clicks come from xdotool; the probe presses keys only in
// the pop-up menu, which cannot be read from another process.
//
//   wait-main <ms>            the main window's handle once it exists and its
//                             start-up is over (1 on timeout)
//   command <word>            WM_COMMAND to the main window; prints the answer
//   notify <mouse message>    the tray callback as the shell sends it
//   copydata <text>           WM_COPYDATA with the text's UTF-8; prints the memo
//   taskbar-created           the shell's "TaskbarCreated" to the main window
//   tray-delete               removes the instance's icon, as a dying shell does
//   tray-point                "x y" of the first icon in Wine's tray window;
//                             1 when that window is not shown
//   tray-shown <0|1> <ms>     0 once the tray window's visibility is as asked
//   memos                     one line per memo window: "hwnd visible l t r b"
//                             (handles in decimal everywhere)
//   wait-memos <n> <ms>       0 once there are n memo windows
//   focus                     the window with the keyboard focus in the
//                             instance's UI thread
//   menu-keys <key>...        waits for the pop-up menu, then posts keys to
//                             it (down, up, right, left, return, escape)
//   menu-shown <0|1> <ms>     0 once a pop-up menu is shown (or gone)
//   tooltip <ms>              the text of the instance's tooltip once one is
//                             shown; 1 on timeout
//   window-at <x> <y>         the top-level window at a screen point
//   memo-command <hwnd> <word> WM_COMMAND to a memo window; prints the answer
//   move <hwnd> <x> <y>       moves a window (the memo saves its new place)
//   backdrop <rrggbb> <ms>    covers the screen with a plain colour behind
//                             every other window for ms milliseconds (the
//                             bare X root of a test display is black)
//   balloons                  one line per balloon window: "flags l t r b"
//   wait-balloon <0|1> <ms>   prints "watching" at once, then exits 0 as soon
//                             as a balloon window is there (1) or none is (0),
//                             1 on timeout
//   shown <class>             one line per shown window of a class: "l t r b"
//                             (#32768 pop-up menus, tooltips_class32 tips)
#include <windows.h>
#include <shellapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "probe_support.h"

namespace {

// Handles are printed in decimal, as WM_COPYDATA's answer is.
long long probe_handle(HWND hwnd) {
    return static_cast<long long>(reinterpret_cast<INT_PTR>(hwnd));
}

// Memo windows are the main window's owned pop-ups of the memo class.
std::vector<HWND> probe_memos() {
    HWND main = probe_main_window();
    return main ? probe_windows("ProgramWindowClass", main, false) : std::vector<HWND>();
}

// Wine's own tray window when there is no task bar: icon n sits at client
// (20 n + 10, 10).
HWND probe_tray_window() {
    return FindWindowA("__winex11_standalone_tray", nullptr);
}

int probe_send_main(UINT message, WPARAM wparam, LPARAM lparam) {
    return probe_send_print(probe_main_window(), message, wparam, lparam);
}

LRESULT CALLBACK probe_backdrop_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_WINDOWPOSCHANGING) {
        // Always at the bottom, whatever is shown or activated above it.
        reinterpret_cast<WINDOWPOS*>(lparam)->hwndInsertAfter = HWND_BOTTOM;
        reinterpret_cast<WINDOWPOS*>(lparam)->flags &= ~SWP_NOZORDER;
        return 0;
    }
    if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

int probe_backdrop(unsigned long rrggbb, DWORD milliseconds) {
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = probe_backdrop_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = CreateSolidBrush(RGB((rrggbb >> 16) & 0xFF, (rrggbb >> 8) & 0xFF, rrggbb & 0xFF));
    wc.lpszClassName = "TrayProbeBackdrop";
    RegisterClassA(&wc);
    HWND backdrop = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, "TrayProbeBackdrop", "",
                                    WS_POPUP, GetSystemMetrics(SM_XVIRTUALSCREEN),
                                    GetSystemMetrics(SM_YVIRTUALSCREEN),
                                    GetSystemMetrics(SM_CXVIRTUALSCREEN),
                                    GetSystemMetrics(SM_CYVIRTUALSCREEN), nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
    if (!backdrop) return 1;
    SetWindowPos(backdrop, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    printf("%lld\n", probe_handle(backdrop));
    fflush(stdout);
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
        Sleep(20);
    }
    DestroyWindow(backdrop);
    return 0;
}

int probe_run(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string what = argv[1];
    if (what == "wait-main" && argc >= 3) {
        HWND main = probe_wait_main_started(strtoul(argv[2], nullptr, 10));
        if (!main) return 1;
        printf("%lld\n", probe_handle(main));
        return 0;
    }
    if (what == "command" && argc >= 3) {
        return probe_send_main(WM_COMMAND, strtoul(argv[2], nullptr, 0), 0);
    }
    if (what == "notify" && argc >= 3) {
        return probe_send_main(MSG_TRAY_NOTIFY, 0, strtoul(argv[2], nullptr, 0));
    }
    if (what == "copydata" && argc >= 3) {
        COPYDATASTRUCT data = {0, static_cast<DWORD>(strlen(argv[2]) + 1), argv[2]};
        return probe_send_main(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    }
    if (what == "taskbar-created") {
        return probe_send_main(RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    }
    if (what == "tray-delete") {
        NOTIFYICONDATAA icon;
        ZeroMemory(&icon, sizeof icon);
        icon.cbSize = sizeof icon;
        icon.hWnd = probe_main_window();
        icon.uID = 0;
        return icon.hWnd && Shell_NotifyIconA(NIM_DELETE, &icon) ? 0 : 1;
    }
    if (what == "tray-point") {
        HWND tray = probe_tray_window();
        if (!tray || !IsWindowVisible(tray)) return 1;
        POINT p = {10, 10};
        ClientToScreen(tray, &p);
        printf("%ld %ld\n", p.x, p.y);
        return 0;
    }
    if (what == "tray-shown" && argc >= 4) {
        bool want = atoi(argv[2]) != 0;
        return probe_wait([want] {
            HWND tray = probe_tray_window();
            return (tray && IsWindowVisible(tray)) == want;
        }, strtoul(argv[3], nullptr, 10)) ? 0 : 1;
    }
    if (what == "memos") {
        for (HWND memo : probe_memos()) {
            RECT r;
            GetWindowRect(memo, &r);
            printf("%lld %d %ld %ld %ld %ld\n", probe_handle(memo), IsWindowVisible(memo) ? 1 : 0,
                   r.left, r.top, r.right, r.bottom);
        }
        return 0;
    }
    if (what == "wait-memos" && argc >= 4) {
        size_t n = strtoul(argv[2], nullptr, 10);
        return probe_wait([n] { return probe_memos().size() == n; }, strtoul(argv[3], nullptr, 10))
                   ? 0
                   : 1;
    }
    if (what == "focus") {
        HWND active = nullptr;
        HWND focus = nullptr;
        if (!probe_focus(&active, &focus)) return 1;
        printf("%lld\n", probe_handle(focus));
        return 0;
    }
    if (what == "menu-keys") {
        HWND menu = probe_wait_menu(5000);
        if (!menu) return 1;
        return probe_menu_keys(menu, argc - 2, argv + 2);
    }
    if (what == "menu-shown" && argc >= 4) {
        bool want = atoi(argv[2]) != 0;
        return probe_wait([want] { return (probe_shown_menu() != nullptr) == want; },
                          strtoul(argv[3], nullptr, 10)) ? 0 : 1;
    }
    if (what == "tooltip" && argc >= 3) {
        HWND main = probe_main_window();
        HWND shown = nullptr;
        bool seen = probe_wait([&shown, main] {
            for (HWND tip : probe_windows("tooltips_class32", nullptr, true)) {
                if (main && probe_same_process(tip, main)) {
                    shown = tip;
                    return true;
                }
            }
            return false;
        }, strtoul(argv[2], nullptr, 10));
        if (!seen) return 1;
        // The control answers WM_GETTEXT with the tip it shows; sent, as
        // GetWindowText reads only the title of another process's window.
        static wchar_t text[8192];
        DWORD_PTR length = 0;
        SendMessageTimeoutW(shown, WM_GETTEXT, 8192, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                            5000, &length);
        std::string utf8 = probe_utf8(text);
        fwrite(utf8.data(), 1, utf8.size(), stdout);
        printf("\n");
        return 0;
    }
    if (what == "window-at" && argc >= 4) {
        POINT p = {atol(argv[2]), atol(argv[3])};
        printf("%lld\n", probe_handle(GetAncestor(WindowFromPoint(p), GA_ROOT)));
        return 0;
    }
    if (what == "memo-command" && argc >= 4) {
        HWND memo = reinterpret_cast<HWND>(static_cast<INT_PTR>(strtoll(argv[2], nullptr, 10)));
        return probe_send_print(memo, WM_COMMAND, strtoul(argv[3], nullptr, 0), 0);
    }
    if (what == "move" && argc >= 5) {
        HWND hwnd = reinterpret_cast<HWND>(static_cast<INT_PTR>(strtoll(argv[2], nullptr, 10)));
        return SetWindowPos(hwnd, nullptr, atoi(argv[3]), atoi(argv[4]), 0, 0,
                            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) ? 0 : 1;
    }
    if (what == "backdrop" && argc >= 4) {
        return probe_backdrop(strtoul(argv[2], nullptr, 16), strtoul(argv[3], nullptr, 10));
    }
    if (what == "wait-balloon" && argc >= 4) {
        bool want = atoi(argv[2]) != 0;
        printf("watching\n");
        fflush(stdout);
        return probe_wait([want] { return probe_windows(BALLOON_CLASS).empty() != want; },
                          strtoul(argv[3], nullptr, 10), 5) ? 0 : 1;
    }
    if (what == "shown" && argc >= 3) {
        for (HWND window : probe_windows(argv[2], nullptr, true)) {
            RECT r;
            GetWindowRect(window, &r);
            printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
        }
        return 0;
    }
    if (what == "balloons") {
        for (HWND balloon : probe_windows(BALLOON_CLASS, nullptr, false)) {
            RECT r;
            GetWindowRect(balloon, &r);
            printf("%#llx %ld %ld %ld %ld\n",
                   static_cast<unsigned long long>(GetWindowLongPtrA(balloon, GWLP_USERDATA)), r.left,
                   r.top, r.right, r.bottom);
        }
        return 0;
    }
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Arguments arrive in the ANSI code page; texts for copydata are taken
    // from the wide command line so that any character survives.
    int wide_argc = 0;
    LPWSTR* wide_argv = CommandLineToArgvW(GetCommandLineW(), &wide_argc);
    std::vector<std::string> utf8;
    for (int i = 0; i < wide_argc; i++) {
        utf8.push_back(probe_utf8(wide_argv[i]));
    }
    LocalFree(wide_argv);
    std::vector<char*> args;
    for (std::string& s : utf8) args.push_back(&s[0]);
    (void)argc;
    (void)argv;
    int rc = probe_run(static_cast<int>(args.size()), args.data());
    fflush(stdout);
    return rc;
}
