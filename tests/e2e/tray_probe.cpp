// A helper for the tray checks (tray_test.sh): it looks at the running
// instance, its tray icon, its pop-up menu, its memos, tooltips and
// balloons from inside the Windows desktop and prints one answer on stdout
// (UTF-8).  Real clicks come from xdotool; the probe presses keys only in
// the pop-up menu, which cannot be read from another process.
//
//   wait-main <ms>            the main window's handle once it exists (1 on timeout)
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
#include <windows.h>
#include <shellapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "memo_main.h"

namespace {

// Handles are printed in decimal, as WM_COPYDATA's answer is.
long long probe_handle(HWND hwnd) {
    return static_cast<long long>(reinterpret_cast<INT_PTR>(hwnd));
}

HWND probe_main() {
    return FindWindowA(MEMO_MAIN_CLASS, nullptr);
}

struct probe_search {
    const char* class_name;  // null: any class
    HWND owner;              // null: any owner
    bool visible_only;
    std::vector<HWND> found;
};

BOOL CALLBACK probe_collect(HWND hwnd, LPARAM lparam) {
    probe_search* search = reinterpret_cast<probe_search*>(lparam);
    char name[256] = "";
    GetClassNameA(hwnd, name, sizeof name);
    if (search->class_name && strcmp(name, search->class_name) != 0) return TRUE;
    if (search->owner && GetWindow(hwnd, GW_OWNER) != search->owner) return TRUE;
    if (search->visible_only && !IsWindowVisible(hwnd)) return TRUE;
    search->found.push_back(hwnd);
    return TRUE;
}

std::vector<HWND> probe_windows(const char* class_name, HWND owner, bool visible_only) {
    probe_search search = {class_name, owner, visible_only, {}};
    EnumWindows(probe_collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Memo windows are the main window's owned pop-ups of the memo class.
std::vector<HWND> probe_memos() {
    HWND main = probe_main();
    return main ? probe_windows("ProgramWindowClass", main, false) : std::vector<HWND>();
}

void probe_print_utf8(const wchar_t* text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, &bytes[0], n, nullptr, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), stdout);
}

// Wine's own tray window when there is no task bar: icon n sits at client
// (20 n + 10, 10).
HWND probe_tray_window() {
    return FindWindowA("__winex11_standalone_tray", nullptr);
}

template <typename Condition>
int probe_wait(DWORD milliseconds, Condition condition) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return 0;
        if (GetTickCount() - start >= milliseconds) return 1;
        Sleep(20);
    }
}

HWND probe_menu_window() {
    std::vector<HWND> menus = probe_windows("#32768", nullptr, true);
    return menus.empty() ? nullptr : menus.front();
}

WPARAM probe_key(const char* name) {
    const struct { const char* name; WPARAM key; } keys[] = {
        {"down", VK_DOWN}, {"up", VK_UP}, {"right", VK_RIGHT}, {"left", VK_LEFT},
        {"return", VK_RETURN}, {"escape", VK_ESCAPE},
    };
    for (const auto& k : keys) {
        if (strcmp(name, k.name) == 0) return k.key;
    }
    return 0;
}

int probe_send(UINT message, WPARAM wparam, LPARAM lparam) {
    HWND main = probe_main();
    if (!main) return 1;
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(main, message, wparam, lparam, SMTO_ABORTIFHUNG, 10000, &answer)) {
        return 1;
    }
    printf("%lld\n", static_cast<long long>(answer));
    return 0;
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
        HWND main = nullptr;
        int rc = probe_wait(strtoul(argv[2], nullptr, 10), [&main] { return (main = probe_main()) != nullptr; });
        if (!rc) printf("%lld\n", probe_handle(main));
        return rc;
    }
    if (what == "command" && argc >= 3) {
        return probe_send(WM_COMMAND, strtoul(argv[2], nullptr, 0), 0);
    }
    if (what == "notify" && argc >= 3) {
        return probe_send(MSG_TRAY_NOTIFY, 0, strtoul(argv[2], nullptr, 0));
    }
    if (what == "copydata" && argc >= 3) {
        COPYDATASTRUCT data = {0, static_cast<DWORD>(strlen(argv[2]) + 1), argv[2]};
        return probe_send(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    }
    if (what == "taskbar-created") {
        return probe_send(RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    }
    if (what == "tray-delete") {
        NOTIFYICONDATAA icon;
        ZeroMemory(&icon, sizeof icon);
        icon.cbSize = sizeof icon;
        icon.hWnd = probe_main();
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
        return probe_wait(strtoul(argv[3], nullptr, 10), [want] {
            HWND tray = probe_tray_window();
            return (tray && IsWindowVisible(tray)) == want;
        });
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
        return probe_wait(strtoul(argv[3], nullptr, 10), [n] { return probe_memos().size() == n; });
    }
    if (what == "focus") {
        HWND main = probe_main();
        GUITHREADINFO info;
        ZeroMemory(&info, sizeof info);
        info.cbSize = sizeof info;
        if (!main || !GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info)) return 1;
        printf("%lld\n", probe_handle(info.hwndFocus));
        return 0;
    }
    if (what == "menu-keys") {
        HWND menu = nullptr;
        if (probe_wait(5000, [&menu] { return (menu = probe_menu_window()) != nullptr; })) return 1;
        for (int i = 2; i < argc; i++) {
            WPARAM key = probe_key(argv[i]);
            if (!key) return 2;
            Sleep(80);
            PostMessageA(menu, WM_KEYDOWN, key, 0);
        }
        return 0;
    }
    if (what == "menu-shown" && argc >= 4) {
        bool want = atoi(argv[2]) != 0;
        return probe_wait(strtoul(argv[3], nullptr, 10), [want] { return (probe_menu_window() != nullptr) == want; });
    }
    if (what == "tooltip" && argc >= 3) {
        HWND main = probe_main();
        DWORD process = 0;
        if (main) GetWindowThreadProcessId(main, &process);
        HWND shown = nullptr;
        int rc = probe_wait(strtoul(argv[2], nullptr, 10), [&shown, process] {
            for (HWND tip : probe_windows("tooltips_class32", nullptr, true)) {
                DWORD owner_process = 0;
                GetWindowThreadProcessId(tip, &owner_process);
                if (owner_process == process) {
                    shown = tip;
                    return true;
                }
            }
            return false;
        });
        if (rc) return 1;
        // The control answers WM_GETTEXT with the tip it shows; sent, as
        // GetWindowText reads only the title of another process's window.
        static wchar_t text[8192];
        DWORD_PTR length = 0;
        SendMessageTimeoutW(shown, WM_GETTEXT, 8192, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                            5000, &length);
        probe_print_utf8(text);
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
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutA(memo, WM_COMMAND, strtoul(argv[3], nullptr, 0), 0, SMTO_ABORTIFHUNG,
                                 10000, &answer)) {
            return 1;
        }
        printf("%lld\n", static_cast<long long>(answer));
        return 0;
    }
    if (what == "move" && argc >= 5) {
        HWND hwnd = reinterpret_cast<HWND>(static_cast<INT_PTR>(strtoll(argv[2], nullptr, 10)));
        return SetWindowPos(hwnd, nullptr, atoi(argv[3]), atoi(argv[4]), 0, 0,
                            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) ? 0 : 1;
    }
    if (what == "backdrop" && argc >= 4) {
        return probe_backdrop(strtoul(argv[2], nullptr, 16), strtoul(argv[3], nullptr, 10));
    }
    if (what == "balloons") {
        for (HWND balloon : probe_windows("BalloonWindowClass", nullptr, false)) {
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
        int n = WideCharToMultiByte(CP_UTF8, 0, wide_argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string s(n > 0 ? n - 1 : 0, '\0');
        if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide_argv[i], -1, &s[0], n, nullptr, nullptr);
        utf8.push_back(s);
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
