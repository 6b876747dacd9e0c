// A helper for the pictures of the settings sheet and the welcome dialog
// (scripts/screenshots): it opens and steers the running instance's
// dialogs from inside the Windows desktop and prints one answer on stdout.
//
//   wait-main <ms>        0 once the main window exists, 1 on timeout
//   open-settings <ms>    asks for the settings sheet (as the tray menu's
//                         "設定" does) and prints its rectangle "l t r b"
//   page <n>              shows page n (0-based) of the open sheet and
//                         prints the sheet's rectangle
//   close-sheet           presses the sheet's Cancel
//   welcome <ms>          prints the welcome dialog's rectangle once shown
//   close-welcome         presses the welcome dialog's OK
//   command <id>          WM_COMMAND to the main window; prints the answer
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "probe_support.h"

namespace {

// The sheet and the welcome dialog are dialogs of the program's process
// with these exact titles.
HWND probe_dialog(const char* title) {
    HWND main = probe_main_window();
    std::vector<HWND> dialogs = main ? probe_program_dialogs(main, title) : std::vector<HWND>();
    return dialogs.empty() ? nullptr : dialogs.front();
}

HWND probe_sheet() { return probe_dialog("設定"); }
HWND probe_welcome() { return probe_dialog("Kelvane"); }

int probe_print_rect(HWND window) {
    RECT r;
    if (!window || !GetWindowRect(window, &r)) return 1;
    printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    return 0;
}

int probe_run(int argc, char** argv) {
    if (argc < 2) return 2;
    const char* what = argv[1];
    DWORD ms = argc >= 3 ? strtoul(argv[2], nullptr, 10) : 10000;
    if (strcmp(what, "wait-main") == 0) {
        return probe_wait([] { return probe_main_window() != nullptr; }, ms) ? 0 : 1;
    }
    if (strcmp(what, "open-settings") == 0) {
        HWND main = probe_main_window();
        // Posted: the command returns only when the sheet closes.
        if (!main || !PostMessageA(main, WM_COMMAND, CMD_SETTINGS, 0)) return 1;
        if (!probe_wait([] { return probe_sheet() != nullptr; }, ms)) return 1;
        Sleep(300);
        return probe_print_rect(probe_sheet());
    }
    if (strcmp(what, "page") == 0 && argc >= 3) {
        HWND sheet = probe_sheet();
        if (!sheet) return 1;
        SendMessageA(sheet, PSM_SETCURSEL, static_cast<WPARAM>(atoi(argv[2])), 0);
        Sleep(300);
        return probe_print_rect(sheet);
    }
    if (strcmp(what, "close-sheet") == 0) {
        HWND sheet = probe_sheet();
        if (!sheet) return 1;
        PostMessageA(GetDlgItem(sheet, IDCANCEL), BM_CLICK, 0, 0);
        return probe_wait([] { return probe_sheet() == nullptr; }, 5000) ? 0 : 1;
    }
    if (strcmp(what, "welcome") == 0) {
        if (!probe_wait([] { return probe_welcome() != nullptr; }, ms)) return 1;
        Sleep(300);
        return probe_print_rect(probe_welcome());
    }
    if (strcmp(what, "close-welcome") == 0) {
        HWND welcome = probe_welcome();
        if (!welcome) return 1;
        PostMessageA(welcome, WM_COMMAND, IDOK, 0);
        return probe_wait([] { return probe_welcome() == nullptr; }, 5000) ? 0 : 1;
    }
    if (strcmp(what, "command") == 0 && argc >= 3) {
        return probe_send_print(probe_main_window(), WM_COMMAND, strtoul(argv[2], nullptr, 0), 0);
    }
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int rc = probe_run(argc, argv);
    if (rc == 2) {
        fprintf(stderr,
                "usage: kelvane_dialog_probe wait-main <ms> | open-settings <ms> | page <n> |"
                " close-sheet | welcome <ms> | close-welcome | command <id>\n");
    }
    return rc;
}
