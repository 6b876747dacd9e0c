// A helper for the memo input checks (memo_input_test.sh): it looks at the
// running instance's memo windows, edit boxes, message boxes and menus from
// inside the Windows desktop and prints one answer on stdout.  Real input
// comes from xdotool; this program only watches, except where a Wine
// quirk leaves no other way (see menu-keys).
//
//   memos                      one line per memo window, in z-order:
//                              "hwnd left top right bottom visible"
//   wait-memos <n> <ms>        0 once there are n memo windows, 1 on timeout
//   rect <hwnd>                "left top right bottom" of any window
//   focus                      "active focus" of the instance's UI thread
//   wait-focus <hwnd> <ms>     0 once the keyboard focus is in that window
//                              (it or a window inside it), 1 on timeout
//   edit-box                   "hwnd left top right bottom" of the open edit
//                              box, or nothing
//   box-text                   caption, a tab and text of the open message box
//   edit-text                  the open edit box's text, line breaks as "|"
//   type <text>                types the text as Unicode key presses (what
//                              xdotool cannot type reliably: it binds each
//                              character the keyboard map lacks to a spare
//                              key for a moment, and loses some under load)
//   copydata <text>...         WM_COPYDATA with the UTF-8 of each text to the
//                              main window, one right after the other; prints
//                              each answer (the new memo's handle)
//   box-press <id>             presses button id (1 OK, 2 cancel, 6 yes,
//                              7 no) of the open message box
//   menu-keys <key>...         posts virtual keys (down, up, left, right,
//                              return, escape) to the open pop-up menu
//   pixel <x> <y>              "rrggbb" of a screen pixel
//   texts                      one line per memo window, in z-order: its
//                              text as its tooltip holds it (line feeds as
//                              "\n", without the last-modified line)
//   wait-text <text> <ms>      0 once a memo's text is text, 1 on timeout;
//                              prints "ready", then when it saw the text
//                              (milliseconds since 1970)
//   edit-open <hwnd>           opens the memo's edit box (MEMO_CMD_EDIT)
//   edit-commit <hwnd> <text>  puts text into the memo's open edit box and
//                              presses its OK button
//   notices                    the text of every conflict notice on show
//   refreshes                  how many refreshes folder changes started
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "edit_box.h"
#include "memo_tooltip.h"
#include "probe_support.h"

namespace {

void probe_print_rect(HWND hwnd) {
    RECT r = {0, 0, 0, 0};
    GetWindowRect(hwnd, &r);
    printf("%ld %ld %ld %ld", r.left, r.top, r.right, r.bottom);
}

int probe_memos() {
    for (HWND memo : probe_windows("ProgramWindowClass")) {
        printf("%llu ", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(memo)));
        probe_print_rect(memo);
        printf(" %d\n", IsWindowVisible(memo) ? 1 : 0);
    }
    return 0;
}

int probe_wait_memos(size_t count, DWORD timeout_ms) {
    return probe_wait([count] { return probe_windows("ProgramWindowClass").size() == count; },
                      timeout_ms)
               ? 0
               : 1;
}

HWND probe_handle(const char* text) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(strtoull(text, nullptr, 10)));
}

int probe_print_focus() {
    HWND active = nullptr;
    HWND focus = nullptr;
    if (!probe_focus(&active, &focus)) return 1;
    printf("%llu %llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(active)),
           static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(focus)));
    return 0;
}

int probe_wait_focus(HWND window, DWORD ms) {
    return probe_wait([window] {
        HWND active = nullptr;
        HWND focus = nullptr;
        return probe_focus(&active, &focus) && focus &&
               (focus == window || IsChild(window, focus));
    }, ms) ? 0 : 1;
}

int probe_edit_box() {
    for (HWND box : probe_windows("EditboxWindowClass")) {
        printf("%llu ", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(box)));
        probe_print_rect(box);
        printf("\n");
    }
    return 0;
}

// Types argument `index` through the system's input queue as Unicode key
// presses, which reach the window with the keyboard focus; 1 when the
// system took fewer than all of them.  The wide command line, as the
// narrow argv is code page 932.
int probe_type(int index) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || index >= argc) return 1;
    std::wstring text = argv[index];
    LocalFree(argv);
    std::vector<INPUT> keys;
    for (size_t i = 0; i < text.size(); i++) {
        for (DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) {
            INPUT key;
            ZeroMemory(&key, sizeof key);
            key.type = INPUT_KEYBOARD;
            key.ki.wScan = text[i];
            key.ki.dwFlags = KEYEVENTF_UNICODE | up;
            keys.push_back(key);
        }
    }
    UINT sent = SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
    return sent == keys.size() ? 0 : 1;
}

// The text typed so far into the open edit box, as UTF-8 on one line
// (line breaks as "|"); nothing when no box is open.
int probe_edit_text() {
    for (HWND box : probe_windows("EditboxWindowClass")) {
        HWND edit = FindWindowExW(box, nullptr, L"RichEdit20W", nullptr);
        if (!edit) continue;
        static wchar_t text[4096];
        DWORD_PTR length = 0;
        text[0] = L'\0';
        // Sent, as GetWindowText reads only the title of another process's
        // window.
        SendMessageTimeoutW(edit, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text),
                            SMTO_ABORTIFHUNG, 5000, &length);
        std::string utf8 = probe_utf8(text);
        for (char& c : utf8) {
            if (c == '\r' || c == '\n') c = '|';
        }
        fwrite(utf8.data(), 1, utf8.size(), stdout);
        printf("\n");
        return 0;
    }
    return 0;
}

// Caption and text in UTF-8, so the shell can compare them with its own
// literals.
int probe_box_text() {
    for (HWND box : probe_windows("#32770", nullptr, true)) {
        HWND label = GetDlgItem(box, 0xFFFF);
        std::string caption = probe_window_text_utf8(box);
        std::string text = label ? probe_window_text_utf8(label) : std::string();
        fwrite(caption.data(), 1, caption.size(), stdout);
        printf("\t");
        fwrite(text.data(), 1, text.size(), stdout);
        printf("\n");
        return 0;
    }
    return 1;
}

int probe_box_press(WPARAM button) {
    std::vector<HWND> found = probe_windows("#32770", nullptr, true);
    if (found.empty()) return 1;
    PostMessageA(found.front(), WM_COMMAND, button, 0);
    return 0;
}

// Each argument as UTF-8 (the narrow argv is code page 932), one
// WM_COPYDATA after the other, as fast as the instance answers; prints one
// answer per text.
int probe_copydata(int first) {
    HWND main_window = probe_main_window();
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || !main_window) return 1;
    int rc = 0;
    for (int i = first; i < argc && rc == 0; i++) {
        std::string utf8 = probe_utf8(argv[i]);
        COPYDATASTRUCT data = {0, static_cast<DWORD>(utf8.size() + 1), &utf8[0]};
        LRESULT result = 0;
        if (!probe_send(main_window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), &result)) {
            rc = 1;
        }
        printf("%llu\n", static_cast<unsigned long long>(result));
    }
    LocalFree(argv);
    return rc;
}

// Under Wine without a window manager, keys typed by xdotool do not reach
// a pop-up menu; keys posted to the menu window do.
int probe_memo_menu_keys(int argc, char** argv, int first) {
    HWND menu = probe_wait_menu(2000);
    if (!menu) return 1;
    return probe_menu_keys(menu, argc - first, argv + first);
}

int probe_pixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    printf("%02x%02x%02x\n", GetRValue(c), GetGValue(c), GetBValue(c));
    return 0;
}

int probe_texts() {
    for (HWND memo : probe_windows(MEMO_WINDOW_CLASS)) {
        std::string text = probe_memo_text(memo);
        printf("%llu\t%s\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(memo)),
               text.c_str());
    }
    return 0;
}

// The narrow argv is code page 932; the texts compared are UTF-8.
std::string probe_utf8_argument(int index) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::string text = argv && index < argc ? probe_utf8(argv[index]) : std::string();
    LocalFree(argv);
    return text;
}

// Says "ready" once it watches, and when the text shows up the moment it
// did, in milliseconds since 1970 (the clock the shell's date reads), so
// that the time from a change elsewhere to the screen can be measured.
int probe_wait_text(const std::string& text, DWORD timeout_ms) {
    printf("ready\n");
    fflush(stdout);
    bool seen = probe_wait([&text] {
        for (HWND memo : probe_windows(MEMO_WINDOW_CLASS)) {
            if (probe_memo_text(memo) == text) return true;
        }
        return false;
    }, timeout_ms, 20);
    if (!seen) return 1;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    printf("%llu\n", (ticks - 116444736000000000ull) / 10000);
    return 0;
}

HWND probe_memo_edit_box(HWND memo) {
    std::vector<HWND> boxes = probe_windows(EDIT_BOX_CLASS, memo);
    return boxes.empty() ? nullptr : boxes.front();
}

// The same path as a user's OK: the box hands the text to its memo.
int probe_edit_commit(HWND memo, const std::string& utf8) {
    HWND box = probe_memo_edit_box(memo);
    if (!box) return 1;
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], n);
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), SMTO_ABORTIFHUNG,
                        10000, &answer);
    LRESULT result = 0;
    return probe_send(box, WM_COMMAND, IDC_EDIT_OK, 0, &result) ? 0 : 1;
}

int probe_notices() {
    for (HWND memo : probe_windows(MEMO_WINDOW_CLASS)) {
        for (HWND tooltip : probe_windows(TOOLTIPS_CLASSA, memo, true)) {
            if (!probe_is_balloon(tooltip)) continue;
            printf("%s\n", probe_utf8(probe_tool_text(tooltip, memo).c_str()).c_str());
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* what = argc >= 2 ? argv[1] : "";
    if (strcmp(what, "memos") == 0) return probe_memos();
    if (strcmp(what, "wait-memos") == 0 && argc >= 4) {
        return probe_wait_memos(static_cast<size_t>(atoi(argv[2])), static_cast<DWORD>(atol(argv[3])));
    }
    if (strcmp(what, "rect") == 0 && argc >= 3) {
        probe_print_rect(probe_handle(argv[2]));
        printf("\n");
        return 0;
    }
    if (strcmp(what, "focus") == 0) return probe_print_focus();
    if (strcmp(what, "wait-focus") == 0 && argc >= 4) {
        return probe_wait_focus(probe_handle(argv[2]), strtoul(argv[3], nullptr, 10));
    }
    if (strcmp(what, "edit-box") == 0) return probe_edit_box();
    if (strcmp(what, "box-text") == 0) return probe_box_text();
    if (strcmp(what, "edit-text") == 0) return probe_edit_text();
    if (strcmp(what, "type") == 0 && argc >= 3) return probe_type(2);
    if (strcmp(what, "copydata") == 0 && argc >= 3) return probe_copydata(2);
    if (strcmp(what, "box-press") == 0 && argc >= 3) return probe_box_press(static_cast<WPARAM>(atoi(argv[2])));
    if (strcmp(what, "menu-keys") == 0) return probe_memo_menu_keys(argc, argv, 2);
    if (strcmp(what, "pixel") == 0 && argc >= 4) return probe_pixel(atoi(argv[2]), atoi(argv[3]));
    if (strcmp(what, "texts") == 0) return probe_texts();
    if (strcmp(what, "wait-text") == 0 && argc >= 4) {
        return probe_wait_text(probe_utf8_argument(2), static_cast<DWORD>(atol(argv[3])));
    }
    if (strcmp(what, "edit-open") == 0 && argc >= 3) {
        return probe_send_print(probe_handle(argv[2]), WM_COMMAND, MEMO_CMD_EDIT, 0);
    }
    if (strcmp(what, "edit-commit") == 0 && argc >= 4) {
        return probe_edit_commit(probe_handle(argv[2]), probe_utf8_argument(3));
    }
    if (strcmp(what, "notices") == 0) return probe_notices();
    if (strcmp(what, "refreshes") == 0) {
        return probe_send_print(probe_main_window(), MSG_GET_REFRESH_COUNT, 0, 0);
    }
    fprintf(stderr,
            "usage: kelvane_memo_probe memos | wait-memos <n> <ms> | rect <hwnd> | focus |"
            " wait-focus <hwnd> <ms> | edit-box | box-text | box-press <id> | edit-text |"
            " type <text> | copydata <text>... | menu-keys <key>... | pixel <x> <y> | texts |"
            " wait-text <text> <ms> | edit-open <hwnd> | edit-commit <hwnd> <text> | notices |"
            " refreshes\n");
    return 2;
}
