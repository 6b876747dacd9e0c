// Program entry and the hidden main window.
//
// The main window is never shown.  It owns every memo window, receives the
// tray notifications, the second start's command and other programs' texts,
// and runs the shutdown sequence.
#include "main_window.h"

#include <shellapi.h>
#include <stdio.h>
#include <string.h>

#include "memo_registry.h"
#include "settings_sheet.h"
#include "welcome_dialog.h"
#include "memo_file.h"
#include "memo_sync.h"
#include "folder_watch.h"
#include "error_log.h"
#include "tracked_memory.h"
#include "paths.h"
#include "platform.h"
#include "placement.h"
#include "settings.h"
#include "tray_icon.h"
#include "wide_text.h"
#include "window_class.h"
#include "memo_window.h"
#include "resource.h"

HWND g_main_window = nullptr;

namespace {

const char k_hidden_notice[] =
    "現在非表示モードです。表示モードにしてからメモを作成して下さい。";
const char k_start_failed[] = "Kelvane を起動できませんでした。";

UINT s_taskbar_created = 0;
int s_reasserting_topmost = 0;  // guards our own SetWindowPos calls
int s_shutting_down = 0;
int s_created = 0;  // WM_CREATE has finished

HWND main_window_first_memo() {
    return reinterpret_cast<HWND>(memo_registry_next(nullptr));
}

HWND main_window_next_memo(HWND memo) {
    return reinterpret_cast<HWND>(memo_registry_next(memo));
}

// The data folder is watched while AUTOREFRESH is on.
void main_window_follow_data_folder(HWND hwnd) {
    if (g_settings.autorefresh) {
        // Without the thread the memos still work; the folder is then read
        // on "メモを更新" only.
        if (!folder_watch_start(hwnd, g_settings.path)) REPORT_FAILURE();
    } else {
        folder_watch_stop();
    }
}

// A notice still queued when the shutdown began must not start the watch
// again.
LRESULT main_window_on_folder_changed(HWND hwnd, WPARAM why) {
    if (s_shutting_down) {
        return 1;
    }
    if (why == FOLDER_CHANGED_SETTINGS) {
        main_window_follow_data_folder(hwnd);
    }
    if (g_settings.autorefresh) {
        memo_sync_folder_changed(hwnd);
    }
    return 1;
}

// A drive that is about to go or that arrives (a USB stick, a network
// drive) may hold the data folder.
LRESULT main_window_on_device_change(WPARAM event, LPARAM data) {
    if (g_settings.autorefresh && !s_shutting_down) {
        folder_watch_device_change(event, data);
    }
    return TRUE;
}

LRESULT main_window_on_create(HWND hwnd) {
    s_created = 0;
    s_shutting_down = 0;
    g_main_window = hwnd;
    g_settings.show = 1;
    settings_load(hwnd);
    memo_file_scan_folder(hwnd, 1);
    main_window_follow_data_folder(hwnd);
    tray_icon_change(TRAY_ICON_ADD, hwnd);
    s_taskbar_created = RegisterWindowMessageA("TaskbarCreated");
    // From here on a shutdown may run at once, even from inside a modal
    // dialog that creation opens.
    s_created = 1;
    if (g_settings.dialog) {
        welcome_dialog_show(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwnd, GWLP_HINSTANCE)));
    }
    if (g_settings.topmost) {
        SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    return 1;
}

// Keeps the memos on top: they are owned by this window and follow it into
// the topmost band.
LRESULT main_window_on_window_pos_changed(HWND hwnd, const WINDOWPOS* pos) {
    if (!g_settings.topmost || s_reasserting_topmost) {
        return 1;
    }
    if (pos && (pos->flags & SWP_NOZORDER)) {
        return 0;
    }
    s_reasserting_topmost = 1;
    SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(hwnd);
    s_reasserting_topmost = 0;
    return 1;
}

// Tray icon removed, memos destroyed one by one, settings written, then the
// main window goes, which ends the message loop.
LRESULT main_window_shutdown(HWND hwnd) {
    if (s_shutting_down) {
        return 1;
    }
    if (!s_created) {
        // Another program asked while the world was still being built (a
        // sent message slips in during the tray or file calls): destroying
        // the window now would make its creation fail.  Do it from the loop.
        PostMessageA(hwnd, MSG_SHUTDOWN, 0, 0);
        return 1;
    }
    s_shutting_down = 1;
    folder_watch_stop();
    tray_icon_change(TRAY_ICON_DELETE, hwnd);
    for (HWND memo = main_window_first_memo(); memo; memo = main_window_first_memo()) {
        DestroyWindow(memo);
        memo_registry_remove(memo);
    }
    settings_save(hwnd);
    DestroyWindow(hwnd);
    return 1;
}

LRESULT main_window_on_copy_data(HWND hwnd, const COPYDATASTRUCT* data) {
    char* text = main_window_copydata_text(data);
    // Not refused in hidden mode: the memo is then created hidden.
    HWND memo = placement_new_memo(hwnd, MEMO_PLACE_COPYDATA);
    if (!memo) {
        TRACKED_FREE(text);
        return 0;
    }
    SendMessageA(memo, WM_COMMAND, MEMO_CMD_SET_TEXT, reinterpret_cast<LPARAM>(text));
    return reinterpret_cast<LRESULT>(memo);
}

LRESULT main_window_on_new_memo(HWND hwnd, int placement_kind) {
    if (!g_settings.show) {
        wide_message_box(hwnd, k_hidden_notice, PROGRAM_CAPTION, MB_OK);
        return 0;
    }
    return reinterpret_cast<LRESULT>(placement_new_memo(hwnd, placement_kind));
}

LRESULT main_window_on_activate_first(HWND hwnd) {
    HWND memo = main_window_first_memo();
    if (!memo) {
        return 0;
    }
    SetForegroundWindow(hwnd);
    SetActiveWindow(memo);
    return 1;
}

LRESULT main_window_on_help() {
    char folder[PLATFORM_PATH_SIZE];
    if (!path_program_folder(folder)) {
        REPORT_FAILURE();
        return 0;
    }
    // A backslash and "help.html" must fit into one MAX_PATH buffer.
    char path[PLATFORM_PATH_SIZE];
    if (!path_join(path, folder, "help.html")) {
        error_report(1, MEMO_UNIT, __FILE__, __LINE__, REPORT_MESSAGE, "The path is too deep");
        return 0;
    }
    ShellExecuteW(nullptr, L"open", wide_cp932(path), nullptr, nullptr, SW_SHOWNORMAL);
    return 1;
}

LRESULT main_window_on_toggle_show(HWND hwnd) {
    int show = g_settings.show ? 0 : 1;
    for (HWND memo = main_window_first_memo(); memo; memo = main_window_next_memo(memo)) {
        ShowWindow(memo, show ? SW_SHOW : SW_HIDE);
    }
    if (show) {
        SetForegroundWindow(hwnd);
    }
    g_settings.show = show;
    return 1;
}

LRESULT main_window_on_refresh(HWND hwnd) {
    if (g_settings.show) {
        memo_file_scan_folder(hwnd, 0);
    }
    return 0;
}

// The index is the memo's 1-based place in registration order, the order
// of the tray's memo list.  The walk goes to the end like the list does.
LRESULT main_window_on_focus_memo(int index) {
    int count = 1;
    for (HWND memo = main_window_first_memo(); memo && count <= TRAY_MENU_MAX_MEMOS;
         memo = main_window_next_memo(memo), count++) {
        if (count == index) {
            SetFocus(memo);
        }
    }
    return 1;
}

// The tray menu can ask again while the sheet is open: the open sheet
// only comes forward with its owner.
LRESULT main_window_on_settings(HWND hwnd) {
    if (settings_sheet_is_open()) {
        SetForegroundWindow(hwnd);
        return 0;
    }
    settings_sheet_show(hwnd);
    return 1;
}

LRESULT main_window_on_command(HWND hwnd, int command, int argument) {
    switch (command) {
    case CMD_EXIT:
        PostMessageA(hwnd, MSG_SHUTDOWN, 0, 0);
        return 1;
    case CMD_NEW_MEMO:
        return main_window_on_new_memo(hwnd, argument);
    case CMD_FOREGROUND:
        SetForegroundWindow(hwnd);
        return 1;
    case CMD_ACTIVATE_FIRST:
        return main_window_on_activate_first(hwnd);
    case CMD_HELP:
        return main_window_on_help();
    case CMD_TOGGLE_SHOW:
        return main_window_on_toggle_show(hwnd);
    case CMD_REFRESH:
        return main_window_on_refresh(hwnd);
    case CMD_FOCUS_MEMO:
        return main_window_on_focus_memo(argument);
    case CMD_SETTINGS:
        return main_window_on_settings(hwnd);
    default:
        // Also the tray menu's cancel (1) and the edit box's accelerators
        // pressed in a memo window.
        REPORT_FAILURE();
        return 0;
    }
}

LRESULT main_window_on_tray_notify(HWND hwnd, UINT mouse_message) {
    switch (mouse_message) {
    case WM_LBUTTONDOWN:
        PostMessageA(hwnd, WM_COMMAND, CMD_FOREGROUND, 0);
        break;
    case WM_LBUTTONUP:
        PostMessageA(hwnd, WM_COMMAND, CMD_ACTIVATE_FIRST, 0);
        break;
    case WM_LBUTTONDBLCLK:
        if (g_settings.tasktrayicondoubleclick == 1) {
            PostMessageA(hwnd, WM_COMMAND, CMD_TOGGLE_SHOW, 0);
        } else {
            PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(CMD_NEW_MEMO, MEMO_PLACE_TRAY), 0);
        }
        break;
    case WM_RBUTTONDOWN:
        tray_icon_menu(hwnd);
        break;
    default:
        break;
    }
    return 1;
}

}  // namespace

// The sender's bytes are read up to the first NUL or cbData, whichever
// comes first: a sender that forgets the terminator must not make us read
// past its buffer.
char* main_window_copydata_text(const COPYDATASTRUCT* data) {
    const char* bytes = data ? static_cast<const char*>(data->lpData) : nullptr;
    int length = 0;
    if (bytes && data->cbData > 0) {
        const void* nul = memchr(bytes, '\0', data->cbData);
        size_t n = nul ? static_cast<size_t>(static_cast<const char*>(nul) - bytes) : data->cbData;
        length = n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(n);
    }
    // The round trip through UTF-16 replaces invalid UTF-8 by U+FFFD.
    int wide_length = 0;
    wchar_t* wide = wide_from_utf8(bytes, length, &wide_length);
    char* text = wide_to_utf8(wide, wide_length, nullptr);
    TRACKED_FREE(wide);
    return text;
}

LRESULT CALLBACK main_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        return main_window_on_create(hwnd);
    case WM_DESTROY:
        folder_watch_stop();
        PostQuitMessage(0);
        return 1;
    case WM_QUERYENDSESSION:
        return main_window_shutdown(hwnd);
    case WM_WINDOWPOSCHANGED:
        return main_window_on_window_pos_changed(hwnd, reinterpret_cast<const WINDOWPOS*>(lparam));
    case WM_COPYDATA:
        return main_window_on_copy_data(hwnd, reinterpret_cast<const COPYDATASTRUCT*>(lparam));
    case WM_COMMAND:
        return main_window_on_command(hwnd, LOWORD(wparam), HIWORD(wparam));
    case MSG_TRAY_NOTIFY:
        return main_window_on_tray_notify(hwnd, LOWORD(lparam));
    case MSG_SHUTDOWN:
        return main_window_shutdown(hwnd);
    case MSG_GET_TRANSPARENCY:
        return static_cast<LRESULT>(g_settings.transparency);
    case MSG_FOLDER_CHANGED:
        return main_window_on_folder_changed(hwnd, wparam);
    case MSG_GET_REFRESH_COUNT:
        return static_cast<LRESULT>(memo_sync_refresh_count());
    case WM_DEVICECHANGE:
        return main_window_on_device_change(wparam, lparam);
    default:
        // A restarted shell has forgotten the icon.
        if (s_taskbar_created && message == s_taskbar_created) {
            tray_icon_change(TRAY_ICON_ADD, hwnd);
        }
        break;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

WPARAM main_window_handoff_command(const char* command_line) {
    if (command_line && command_line[0] == '-') {
        switch (command_line[1]) {
        case 'a': return CMD_ACTIVATE_FIRST;
        case 'f': return CMD_FOREGROUND;
        case 'r': return CMD_REFRESH;
        default: break;
        }
    }
    return MAKEWPARAM(CMD_NEW_MEMO, MEMO_PLACE_SECOND_START);
}

int main_window_register_class(HINSTANCE instance) {
    // The memo class goes with the main class: every memo is created after it.
    return window_class_register(instance, MAIN_WINDOW_CLASS, main_window_proc, COLOR_WINDOW,
                                 LoadIconA(instance, MAKEINTRESOURCEA(IDI_KELVANE)), nullptr) &&
           memo_window_register_class(instance);
}

namespace {

// Hands the running instance its command; a new memo also gets the
// keyboard focus, which needs this thread's input attached to the owner's.
void main_window_hand_off(HWND running, const char* command_line) {
    WPARAM command = main_window_handoff_command(command_line);
    LRESULT result = SendMessageA(running, WM_COMMAND, command, 0);
    if (LOWORD(command) != CMD_NEW_MEMO) {
        return;
    }
    HWND memo = reinterpret_cast<HWND>(result);
    if (!memo) {
        return;  // hidden mode: the running instance showed its notice
    }
    DWORD thread = GetWindowThreadProcessId(memo, nullptr);
    DWORD self = GetCurrentThreadId();
    AttachThreadInput(self, thread, TRUE);
    SetForegroundWindow(memo);
    SetFocus(memo);
    AttachThreadInput(self, thread, FALSE);
}

// The wide message functions keep characters outside code page 932 that the
// user types into the edit box.
// Accelerators go to the parent (for a pop-up, the owner) of the message's
// window: Ctrl+Enter in the edit box's rich edit reaches the edit box.
void main_window_message_loop(HACCEL accelerators) {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        HWND parent = msg.hwnd ? GetParent(msg.hwnd) : nullptr;
        if (parent && accelerators && TranslateAcceleratorW(parent, accelerators, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_command) {
    (void)previous;
    (void)show_command;
    g_main_window = nullptr;
    g_settings.show = 0;

    HWND running = FindWindowA(MAIN_WINDOW_CLASS, nullptr);
    if (running) {
        main_window_hand_off(running, command_line);
        return MEMO_EXIT_NORMAL;
    }

    HMODULE richedit = LoadLibraryA("RICHED20.DLL");
    if (!richedit) {
        richedit = LoadLibraryA("riched32.dll");
    }
    if (!richedit) {
        REPORT_FAILURE();
        return MEMO_EXIT_NO_RICHEDIT;
    }

    HWND main_window = nullptr;
    if (main_window_register_class(instance)) {
        main_window = CreateWindowExA(WS_EX_TOOLWINDOW, MAIN_WINDOW_CLASS, "", WS_POPUP, 0, 0, 0, 0,
                                      nullptr, nullptr, instance, nullptr);
    }
    if (!main_window && !s_shutting_down) {
        // Without the main window nothing could ever end the message loop.
        wide_message_box(nullptr, k_start_failed, PROGRAM_CAPTION, MB_OK | MB_ICONERROR);
        FreeLibrary(richedit);
        return MEMO_EXIT_NO_WINDOW;
    }

    // A shutdown that ran while the window was still being created has
    // already posted the quit message; the loop then ends at once.
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATOR));
    main_window_message_loop(accelerators);

    FreeLibrary(richedit);
    tracked_report_leaks();
    return MEMO_EXIT_NORMAL;
}
