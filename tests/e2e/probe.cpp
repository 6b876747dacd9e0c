// A small helper for the shell end-to-end tests (xdotool_test.sh): it looks
// at the running instance from inside the Windows desktop, where the shell
// cannot see, and prints one answer on stdout.
//
//   kelvane_probe wait-main <ms>      0 once the main window exists and its
//                                     start-up is over, 1 on timeout
//   kelvane_probe count-main          prints the number of main windows
//   kelvane_probe command <id> [arg]  sends WM_COMMAND, prints the result
//   kelvane_probe wait-gone <ms>      0 once no main window is left
//   kelvane_probe main-x11-window     prints the X window of the main window,
//                                     0 when Wine never made one for it
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "probe_support.h"

namespace {

int probe_wait_main(DWORD timeout_ms, bool present) {
    if (present) return probe_wait_main_started(timeout_ms) ? 0 : 1;
    return probe_wait([] { return probe_main_window() == nullptr; }, timeout_ms) ? 0 : 1;
}

// Wine keeps the X window of a top-level window in this window property;
// a window that was never shown may have none at all.
int probe_main_x11_window() {
    HWND hwnd = probe_main_window();
    if (!hwnd) {
        fprintf(stderr, "no main window\n");
        return 1;
    }
    HANDLE x11 = GetPropA(hwnd, "__wine_x11_whole_window");
    printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(x11)));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && strcmp(argv[1], "wait-main") == 0) {
        return probe_wait_main(static_cast<DWORD>(atol(argv[2])), true);
    }
    if (argc >= 3 && strcmp(argv[1], "wait-gone") == 0) {
        return probe_wait_main(static_cast<DWORD>(atol(argv[2])), false);
    }
    if (argc >= 2 && strcmp(argv[1], "count-main") == 0) {
        printf("%d\n", static_cast<int>(probe_windows(MAIN_WINDOW_CLASS).size()));
        return 0;
    }
    if (argc >= 2 && strcmp(argv[1], "main-x11-window") == 0) {
        return probe_main_x11_window();
    }
    if (argc >= 3 && strcmp(argv[1], "command") == 0) {
        WPARAM word = MAKEWPARAM(atoi(argv[2]), argc >= 4 ? atoi(argv[3]) : 0);
        return probe_send_print(probe_main_window(), WM_COMMAND, word, 0);
    }
    fprintf(stderr,
            "usage: kelvane_probe wait-main <ms> | wait-gone <ms> | count-main | main-x11-window |"
            " command <id> [arg]\n");
    return 2;
}
