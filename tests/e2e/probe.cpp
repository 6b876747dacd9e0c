// The probe of the shell suites and scripts (tests/e2e/*.sh, scripts/soak,
// scripts/screenshots, ...): it looks at the running instance's windows
// from inside the Windows desktop, where the shell cannot see, and prints
// one answer on stdout (UTF-8, handles in decimal).  Real input comes from
// xdotool; the probe sends or posts only where a Wine quirk or another
// process's memory leaves no other way.
//
//   kelvane_probe <command> <argument>...   (the commands: see k_commands,
//                                            or run it without one)
//
// Exit code 0 when the command did what it says, 1 when it did not (no
// window, a timeout), 2 for an unknown command or too few arguments.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "edit_box.h"
#include "probe_support.h"

namespace {

// --- printing and parsing ---------------------------------------------------

unsigned long long probe_handle_value(HWND hwnd) {
    return static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd));
}

HWND probe_handle(const char* text) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(strtoull(text, nullptr, 10)));
}

DWORD probe_number(const char* text) { return strtoul(text, nullptr, 0); }

void probe_print_utf8_line(const std::string& utf8) {
    fwrite(utf8.data(), 1, utf8.size(), stdout);
    printf("\n");
}

// "left top right bottom" of a window; 1 when there is no such window.
int probe_print_rect(HWND hwnd, const char* end = "\n") {
    RECT r = {0, 0, 0, 0};
    if (!hwnd || !GetWindowRect(hwnd, &r)) return 1;
    printf("%ld %ld %ld %ld%s", r.left, r.top, r.right, r.bottom, end);
    return 0;
}

int probe_exit_code(bool done) { return done ? 0 : 1; }

int probe_send_main(UINT message, WPARAM wparam, LPARAM lparam) {
    return probe_send_print(probe_main_window(), message, wparam, lparam);
}

// The text a control answers to WM_GETTEXT, as UTF-8; sent, as
// GetWindowText reads only the title of another process's window.
std::string probe_control_text(HWND control) {
    std::vector<wchar_t> text(8192, L'\0');
    DWORD_PTR length = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 5000, &length);
    return probe_utf8(text.data());
}

// --- the main window ----------------------------------------------------------

int probe_wait_main(int, char** args) {
    HWND main = probe_wait_main_started(probe_number(args[0]));
    if (!main) return 1;
    printf("%llu\n", probe_handle_value(main));
    return 0;
}

int probe_wait_gone(int, char** args) {
    return probe_exit_code(
        probe_wait([] { return probe_main_window() == nullptr; }, probe_number(args[0])));
}

int probe_count_main(int, char**) {
    printf("%d\n", static_cast<int>(probe_windows(MAIN_WINDOW_CLASS).size()));
    return 0;
}

// Wine keeps the X window of a top-level window in this window property;
// a window that was never shown may have none at all.
int probe_main_x11_window(int, char**) {
    HWND hwnd = probe_main_window();
    if (!hwnd) {
        fprintf(stderr, "no main window\n");
        return 1;
    }
    HANDLE x11 = GetPropA(hwnd, "__wine_x11_whole_window");
    printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(x11)));
    return 0;
}

// The word, or with a second argument the word's low half and that as its
// high half.
int probe_command(int count, char** args) {
    WPARAM word = probe_number(args[0]);
    if (count >= 2) word = MAKEWPARAM(word, probe_number(args[1]));
    return probe_send_main(WM_COMMAND, word, 0);
}

int probe_notify(int, char** args) {
    return probe_send_main(MSG_TRAY_NOTIFY, 0, probe_number(args[0]));
}

// One WM_COPYDATA per text, one right after the other, as fast as the
// instance answers; prints one answer (the new memo) per text.
int probe_copydata(int count, char** args) {
    HWND main = probe_main_window();
    if (!main) return 1;
    for (int i = 0; i < count; i++) {
        COPYDATASTRUCT data = {0, static_cast<DWORD>(strlen(args[i]) + 1), args[i]};
        LRESULT result = 0;
        if (!probe_send(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), &result)) return 1;
        printf("%llu\n", static_cast<unsigned long long>(result));
    }
    return 0;
}

int probe_taskbar_created(int, char**) {
    return probe_send_main(RegisterWindowMessageA("TaskbarCreated"), 0, 0);
}

int probe_refreshes(int, char**) { return probe_send_main(MSG_GET_REFRESH_COUNT, 0, 0); }

int probe_print_focus(int, char**) {
    HWND active = nullptr;
    HWND focus = nullptr;
    if (!probe_focus(&active, &focus)) return 1;
    printf("%llu %llu\n", probe_handle_value(active), probe_handle_value(focus));
    return 0;
}

// The window or a window inside it.
int probe_wait_focus(int, char** args) {
    HWND window = probe_handle(args[0]);
    return probe_exit_code(probe_wait(
        [window] {
            HWND active = nullptr;
            HWND focus = nullptr;
            return probe_focus(&active, &focus) && focus &&
                   (focus == window || IsChild(window, focus));
        },
        probe_number(args[1])));
}

// --- the tray -------------------------------------------------------------------

// Wine's own tray window when there is no task bar: icon n sits at client
// (20 n + 10, 10).
HWND probe_tray_window() { return FindWindowA("__winex11_standalone_tray", nullptr); }

int probe_tray_delete(int, char**) {
    NOTIFYICONDATAA icon;
    ZeroMemory(&icon, sizeof icon);
    icon.cbSize = sizeof icon;
    icon.hWnd = probe_main_window();
    icon.uID = 0;
    return probe_exit_code(icon.hWnd && Shell_NotifyIconA(NIM_DELETE, &icon));
}

int probe_tray_point(int, char**) {
    HWND tray = probe_tray_window();
    if (!tray || !IsWindowVisible(tray)) return 1;
    POINT p = {10, 10};
    ClientToScreen(tray, &p);
    printf("%ld %ld\n", p.x, p.y);
    return 0;
}

int probe_tray_shown(int, char** args) {
    bool want = atoi(args[0]) != 0;
    return probe_exit_code(probe_wait(
        [want] {
            HWND tray = probe_tray_window();
            return (tray && IsWindowVisible(tray)) == want;
        },
        probe_number(args[1])));
}

// Under Wine without a window manager, keys typed by xdotool do not reach
// a pop-up menu; keys posted to the menu window do.
int probe_post_menu_keys(int count, char** args) {
    HWND menu = probe_wait_menu(5000);
    if (!menu) return 1;
    return probe_menu_keys(menu, count, args);
}

int probe_menu_shown(int, char** args) {
    bool want = atoi(args[0]) != 0;
    return probe_exit_code(probe_wait([want] { return (probe_shown_menu() != nullptr) == want; },
                                      probe_number(args[1])));
}

// The text of the instance's tooltip once one is shown.
int probe_tooltip(int, char** args) {
    HWND main = probe_main_window();
    HWND shown = nullptr;
    bool seen = probe_wait(
        [&shown, main] {
            for (HWND tip : probe_windows(TOOLTIPS_CLASSA, nullptr, true)) {
                if (main && probe_same_process(tip, main)) {
                    shown = tip;
                    return true;
                }
            }
            return false;
        },
        probe_number(args[0]));
    if (!seen) return 1;
    probe_print_utf8_line(probe_control_text(shown));
    return 0;
}

// Prints "watching" at once, so that the shell may start what should show
// or hide a balloon only once the probe looks.
int probe_wait_balloon(int, char** args) {
    bool want = atoi(args[0]) != 0;
    printf("watching\n");
    fflush(stdout);
    return probe_exit_code(probe_wait(
        [want] { return probe_windows(BALLOON_CLASS).empty() != want; }, probe_number(args[1]), 5));
}

int probe_balloons(int, char**) {
    for (HWND balloon : probe_windows(BALLOON_CLASS)) {
        printf("%#llx ",
               static_cast<unsigned long long>(GetWindowLongPtrA(balloon, GWLP_USERDATA)));
        probe_print_rect(balloon);
    }
    return 0;
}

// --- memos ------------------------------------------------------------------------

// One line per memo window, in z-order: "hwnd left top right bottom visible".
int probe_memos(int, char**) {
    for (HWND memo : probe_windows(MEMO_WINDOW_CLASS)) {
        printf("%llu ", probe_handle_value(memo));
        probe_print_rect(memo, "");
        printf(" %d\n", IsWindowVisible(memo) ? 1 : 0);
    }
    return 0;
}

int probe_wait_memos(int, char** args) {
    size_t count = probe_number(args[0]);
    return probe_exit_code(
        probe_wait([count] { return probe_windows(MEMO_WINDOW_CLASS).size() == count; },
                   probe_number(args[1])));
}

int probe_memo_command(int, char** args) {
    return probe_send_print(probe_handle(args[0]), WM_COMMAND, probe_number(args[1]), 0);
}

int probe_edit_open(int, char** args) {
    return probe_send_print(probe_handle(args[0]), WM_COMMAND, MEMO_CMD_EDIT, 0);
}

// One line per memo window, in z-order: "hwnd<TAB>text", the text as its
// tooltip holds it (line feeds as "\n", without the last-modified line).
int probe_texts(int, char**) {
    for (HWND memo : probe_windows(MEMO_WINDOW_CLASS)) {
        printf("%llu\t%s\n", probe_handle_value(memo), probe_memo_text(memo).c_str());
    }
    return 0;
}

// Says "ready" once it watches, and when the text shows up the moment it
// did, in milliseconds since 1970 (the clock the shell's date reads), so
// that the time from a change elsewhere to the screen can be measured.
int probe_wait_text(int, char** args) {
    std::string text = args[0];
    printf("ready\n");
    fflush(stdout);
    bool seen = probe_wait(
        [&text] {
            for (HWND memo : probe_windows(MEMO_WINDOW_CLASS)) {
                if (probe_memo_text(memo) == text) return true;
            }
            return false;
        },
        probe_number(args[1]), 20);
    if (!seen) return 1;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    printf("%llu\n", (ticks - 116444736000000000ull) / 10000);
    return 0;
}

int probe_notices(int, char**) {
    for (HWND memo : probe_windows(MEMO_WINDOW_CLASS)) {
        for (HWND tooltip : probe_windows(TOOLTIPS_CLASSA, memo, true)) {
            if (probe_is_balloon(tooltip))
                printf("%s\n", probe_utf8(probe_tool_text(tooltip, memo).c_str()).c_str());
        }
    }
    return 0;
}

// --- the edit box and message boxes -------------------------------------------------

// "hwnd left top right bottom" of the open edit box, or nothing.
int probe_edit_box(int, char**) {
    for (HWND box : probe_windows(EDIT_BOX_CLASS)) {
        printf("%llu ", probe_handle_value(box));
        probe_print_rect(box);
    }
    return 0;
}

// The text typed so far into the open edit box, on one line (line breaks
// as "|"); nothing when no box is open.
int probe_edit_text(int, char**) {
    for (HWND box : probe_windows(EDIT_BOX_CLASS)) {
        HWND edit = FindWindowExW(box, nullptr, L"RichEdit20W", nullptr);
        if (!edit) continue;
        std::string utf8 = probe_control_text(edit);
        for (char& c : utf8) {
            if (c == '\r' || c == '\n') c = '|';
        }
        probe_print_utf8_line(utf8);
        return 0;
    }
    return 0;
}

// The same path as a user's OK: the box hands the text to its memo.
int probe_edit_commit(int, char** args) {
    std::vector<HWND> boxes = probe_windows(EDIT_BOX_CLASS, probe_handle(args[0]));
    if (boxes.empty()) return 1;
    std::wstring wide = probe_wide_utf8(args[1]);
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(boxes.front(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()),
                        SMTO_ABORTIFHUNG, 10000, &answer);
    LRESULT result = 0;
    return probe_exit_code(probe_send(boxes.front(), WM_COMMAND, IDC_EDIT_OK, 0, &result));
}

// Caption, a tab and text of the open message box.
int probe_box_caption_text(int, char**) {
    std::vector<HWND> boxes = probe_windows("#32770", nullptr, true);
    if (boxes.empty()) return 1;
    HWND label = GetDlgItem(boxes.front(), 0xFFFF);
    probe_print_utf8_line(probe_window_text_utf8(boxes.front()) + "\t" +
                          (label ? probe_window_text_utf8(label) : std::string()));
    return 0;
}

// 1 OK, 2 cancel, 6 yes, 7 no.
int probe_box_press(int, char** args) {
    std::vector<HWND> boxes = probe_windows("#32770", nullptr, true);
    if (boxes.empty()) return 1;
    PostMessageA(boxes.front(), WM_COMMAND, probe_number(args[0]), 0);
    return 0;
}

// --- the screen and input ------------------------------------------------------------

// Types the text as Unicode key presses through the system's input queue,
// which reach the window with the keyboard focus (what xdotool cannot type
// reliably: it binds each character the keyboard map lacks to a spare key
// for a moment, and loses some under load); 1 when the system took fewer
// than all of them.
int probe_type_text(int, char** args) {
    return probe_exit_code(probe_type(probe_wide_utf8(args[0])));
}

int probe_pixel(int, char** args) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, atoi(args[0]), atoi(args[1]));
    ReleaseDC(nullptr, screen);
    printf("%02x%02x%02x\n", GetRValue(c), GetGValue(c), GetBValue(c));
    return 0;
}

int probe_rect(int, char** args) {
    probe_print_rect(probe_handle(args[0]));
    return 0;
}

int probe_window_at(int, char** args) {
    POINT p = {atol(args[0]), atol(args[1])};
    printf("%llu\n", probe_handle_value(GetAncestor(WindowFromPoint(p), GA_ROOT)));
    return 0;
}

// Moves a window (a memo saves its new place).
int probe_move(int, char** args) {
    return probe_exit_code(SetWindowPos(probe_handle(args[0]), nullptr, atoi(args[1]),
                                        atoi(args[2]), 0, 0,
                                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
}

// One line per shown window of a class: "l t r b" (#32768 pop-up menus,
// tooltips_class32 tips, ...).
int probe_shown(int, char** args) {
    for (HWND window : probe_windows(args[0], nullptr, true)) probe_print_rect(window);
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

// Covers the screen with a plain colour behind every other window for a
// while (the bare X root of a test display is black); prints its handle.
int probe_backdrop(int, char** args) {
    unsigned long rrggbb = strtoul(args[0], nullptr, 16);
    DWORD milliseconds = probe_number(args[1]);
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = probe_backdrop_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground =
        CreateSolidBrush(RGB((rrggbb >> 16) & 0xFF, (rrggbb >> 8) & 0xFF, rrggbb & 0xFF));
    wc.lpszClassName = "KelvaneProbeBackdrop";
    RegisterClassA(&wc);
    HWND backdrop =
        CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName, "", WS_POPUP,
                        GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                        GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN),
                        nullptr, nullptr, wc.hInstance, nullptr);
    if (!backdrop) return 1;
    SetWindowPos(backdrop, HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    printf("%llu\n", probe_handle_value(backdrop));
    fflush(stdout);
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(20);
    }
    DestroyWindow(backdrop);
    return 0;
}

// --- the settings sheet and the welcome dialog ----------------------------------------

// Dialogs of the program's process with these exact titles.
HWND probe_dialog(const char* title) {
    HWND main = probe_main_window();
    std::vector<HWND> dialogs = main ? probe_program_dialogs(main, title) : std::vector<HWND>();
    return dialogs.empty() ? nullptr : dialogs.front();
}

HWND probe_sheet() { return probe_dialog("設定"); }

HWND probe_welcome() { return probe_dialog("Kelvane"); }

// Asks for the sheet as the tray menu's "設定" does; its rectangle once up.
int probe_open_settings(int, char** args) {
    HWND main = probe_main_window();
    // Posted: the command returns only when the sheet closes.
    if (!main || !PostMessageA(main, WM_COMMAND, CMD_SETTINGS, 0)) return 1;
    if (!probe_wait([] { return probe_sheet() != nullptr; }, probe_number(args[0]))) return 1;
    Sleep(300);
    return probe_print_rect(probe_sheet());
}

// Page n (0-based) of the open sheet; the sheet's rectangle.
int probe_page(int, char** args) {
    HWND sheet = probe_sheet();
    if (!sheet) return 1;
    SendMessageA(sheet, PSM_SETCURSEL, static_cast<WPARAM>(atoi(args[0])), 0);
    Sleep(300);
    return probe_print_rect(sheet);
}

int probe_close_sheet(int, char**) {
    HWND sheet = probe_sheet();
    if (!sheet) return 1;
    PostMessageA(GetDlgItem(sheet, IDCANCEL), BM_CLICK, 0, 0);
    return probe_exit_code(probe_wait([] { return probe_sheet() == nullptr; }, 5000));
}

int probe_wait_welcome(int, char** args) {
    if (!probe_wait([] { return probe_welcome() != nullptr; }, probe_number(args[0]))) return 1;
    Sleep(300);
    return probe_print_rect(probe_welcome());
}

int probe_close_welcome(int, char**) {
    HWND welcome = probe_welcome();
    if (!welcome) return 1;
    PostMessageA(welcome, WM_COMMAND, IDOK, 0);
    return probe_exit_code(probe_wait([] { return probe_welcome() == nullptr; }, 5000));
}

// Wine closes a desktop about a second after the last program using it
// ended, and a program started while it closes can make no window; the
// test harness keeps this running for its whole session (scripts/wine-harness)
// so that the desktop stays between one test program and the next.
int probe_hold(int, char**) {
    GetDesktopWindow();
    Sleep(INFINITE);
    return 0;
}

// --- the table -----------------------------------------------------------------------

struct probe_entry {
    const char* name;
    int arguments;  // at least
    int (*run)(int count, char** args);
    const char* usage;
};

const probe_entry k_commands[] = {
    {"wait-main", 1, probe_wait_main, "<ms>: the main window's handle once its start-up is over"},
    {"wait-gone", 1, probe_wait_gone, "<ms>: 0 once no main window is left"},
    {"count-main", 0, probe_count_main, ": the number of main windows"},
    {"main-x11-window", 0, probe_main_x11_window, ": the main window's X window, 0 for none"},
    {"command", 1, probe_command, "<word> [high]: WM_COMMAND to the main window; its answer"},
    {"notify", 1, probe_notify, "<mouse message>: the tray callback as the shell sends it"},
    {"copydata", 1, probe_copydata, "<text>...: WM_COPYDATA per text; each answer"},
    {"taskbar-created", 0, probe_taskbar_created, ": the shell's TaskbarCreated"},
    {"refreshes", 0, probe_refreshes, ": how many refreshes folder changes started"},
    {"focus", 0, probe_print_focus, ": \"active focus\" of the instance's UI thread"},
    {"wait-focus", 2, probe_wait_focus, "<hwnd> <ms>: 0 once the focus is in that window"},
    {"tray-delete", 0, probe_tray_delete, ": removes the icon, as a dying shell does"},
    {"tray-point", 0, probe_tray_point, ": \"x y\" of the first icon in Wine's tray window"},
    {"tray-shown", 2, probe_tray_shown, "<0|1> <ms>: 0 once the tray window is (not) shown"},
    {"menu-keys", 0, probe_post_menu_keys, "<key>...: posts down/up/left/right/return/escape"},
    {"menu-shown", 2, probe_menu_shown, "<0|1> <ms>: 0 once a pop-up menu is (not) shown"},
    {"tooltip", 1, probe_tooltip, "<ms>: the instance's tooltip text once one is shown"},
    {"wait-balloon", 2, probe_wait_balloon,
     "<0|1> <ms>: \"watching\", 0 once a balloon is (not) there"},
    {"balloons", 0, probe_balloons, ": \"flags l t r b\" per balloon window"},
    {"memos", 0, probe_memos, ": \"hwnd l t r b visible\" per memo window, in z-order"},
    {"wait-memos", 2, probe_wait_memos, "<n> <ms>: 0 once there are n memo windows"},
    {"memo-command", 2, probe_memo_command, "<hwnd> <word>: WM_COMMAND to a memo; its answer"},
    {"edit-open", 1, probe_edit_open, "<hwnd>: opens the memo's edit box"},
    {"texts", 0, probe_texts, ": \"hwnd<TAB>text\" per memo window"},
    {"wait-text", 2, probe_wait_text, "<text> <ms>: \"ready\", then when a memo showed text"},
    {"notices", 0, probe_notices, ": the text of every conflict notice on show"},
    {"edit-box", 0, probe_edit_box, ": \"hwnd l t r b\" of the open edit box"},
    {"edit-text", 0, probe_edit_text, ": the open edit box's text, line breaks as |"},
    {"edit-commit", 2, probe_edit_commit, "<hwnd> <text>: the text into the memo's box, then OK"},
    {"box-text", 0, probe_box_caption_text, ": caption<TAB>text of the open message box"},
    {"box-press", 1, probe_box_press, "<id>: presses a button of the open message box"},
    {"type", 1, probe_type_text, "<text>: types the text as Unicode key presses"},
    {"pixel", 2, probe_pixel, "<x> <y>: \"rrggbb\" of a screen pixel"},
    {"rect", 1, probe_rect, "<hwnd>: \"l t r b\" of a window"},
    {"window-at", 2, probe_window_at, "<x> <y>: the top-level window at a screen point"},
    {"move", 3, probe_move, "<hwnd> <x> <y>: moves a window"},
    {"shown", 1, probe_shown, "<class>: \"l t r b\" per shown window of a class"},
    {"backdrop", 2, probe_backdrop, "<rrggbb> <ms>: a plain colour behind every window"},
    {"open-settings", 1, probe_open_settings, "<ms>: opens the settings sheet; its rectangle"},
    {"page", 1, probe_page, "<n>: shows page n of the open sheet; its rectangle"},
    {"close-sheet", 0, probe_close_sheet, ": presses the sheet's Cancel"},
    {"welcome", 1, probe_wait_welcome, "<ms>: the welcome dialog's rectangle once shown"},
    {"close-welcome", 0, probe_close_welcome, ": presses the welcome dialog's OK"},
    {"hold", 0, probe_hold, ": keeps the desktop open until killed"},
};

}  // namespace

int main() {
    // The narrow argv is in the ANSI code page; every argument is taken
    // from the wide command line as UTF-8, so that any character survives.
    int argc = 0;
    LPWSTR* wide_argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> utf8;
    for (int i = 0; i < argc; i++) utf8.push_back(probe_utf8(wide_argv[i]));
    LocalFree(wide_argv);
    std::vector<char*> args;
    for (std::string& s : utf8) args.push_back(&s[0]);
    int count = static_cast<int>(args.size()) - 2;
    for (const probe_entry& command : k_commands) {
        if (count >= command.arguments && strcmp(args[1], command.name) == 0) {
            int rc = command.run(count, args.data() + 2);
            fflush(stdout);
            return rc;
        }
    }
    fprintf(stderr, "usage: kelvane_probe <command> <argument>...\n");
    for (const probe_entry& command : k_commands) {
        fprintf(stderr, "  %s%s%s\n", command.name, command.usage[0] == ':' ? "" : " ",
                command.usage);
    }
    return 2;
}
