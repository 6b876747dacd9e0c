// Ending the program's modal loops from the outside.
#include "modal_loops.h"

#include <windows.h>

#include <string.h>

namespace {

// The class of every dialog the system makes: message boxes, property
// sheets, the pickers and our own dialogs.
const char k_dialog_class[] = "#32770";
const char k_menu_class[] = "#32768";

// Cancel first: a question answered "No" or a sheet cancelled keeps
// everything as it was.  OK only ends a notice.
const int k_safe_answers[] = {IDCANCEL, IDNO, IDOK};

// Only the innermost of nested dialogs is enabled (its owners are disabled
// while it runs); the ones under it are answered on a later round, once
// it has gone.
BOOL CALLBACK modal_loops_answer(HWND hwnd, LPARAM open_count) {
    char name[16] = "";
    GetClassNameA(hwnd, name, sizeof name);
    if (strcmp(name, k_menu_class) == 0 && IsWindowVisible(hwnd)) {
        EndMenu();
    } else if (strcmp(name, k_dialog_class) != 0) {
        return TRUE;
    } else if (IsWindowEnabled(hwnd)) {
        for (int id : k_safe_answers) {
            if (HWND button = GetDlgItem(hwnd, id)) {
                PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                             reinterpret_cast<LPARAM>(button));
                break;
            }
        }
    }
    ++*reinterpret_cast<int*>(open_count);
    return TRUE;
}

}  // namespace

int modal_loops_end(void) {
    int open = 0;
    // A drag or resize of a memo holds the mouse; cancelling the mode ends
    // its loop, and the memo saves the place it has reached.
    if (HWND captured = GetCapture()) {
        SendMessageA(captured, WM_CANCELMODE, 0, 0);
        open++;
    }
    EnumThreadWindows(GetCurrentThreadId(), modal_loops_answer, reinterpret_cast<LPARAM>(&open));
    return open > 0 ? 1 : 0;
}
