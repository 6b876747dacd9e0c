// The welcome dialog of the first start.
#include "welcome_dialog.h"

#include "dialog_common.h"
#include "error_log.h"
#include "resource.h"
#include "settings.h"

namespace {

// Centred on the whole primary screen, the task bar included.
INT_PTR welcome_dialog_on_init(HWND dialog) {
    dialog_center_window(dialog, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), 0);
    return TRUE;
}

}  // namespace

// The box only ever clears DIALOG: unticking it again leaves the setting
// at 0, so a tick the user saw taking effect is never undone silently.
INT_PTR CALLBACK welcome_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return welcome_dialog_on_init(dialog);
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
        if (item->CtlID != IDC_WELCOME_BANNER) {
            return FALSE;
        }
        dialog_draw_banner(dialog, item, IDB_WELCOME_BANNER, 0);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, 1);
            return TRUE;
        case IDC_WELCOME_NOSHOW:
            if (dialog_ticked(dialog, IDC_WELCOME_NOSHOW)) {
                g_settings.dialog = 0;
            }
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

void welcome_dialog_show(HINSTANCE instance) {
    // The wide dialog keeps the template's UTF-16 texts as they are.
    if (DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_WELCOME), nullptr, welcome_dialog_proc, 0) <= 0) {
        REPORT_FAILURE();
    }
}
