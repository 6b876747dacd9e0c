// Program entry and the hidden main window.
//
// The main window is never shown.  It owns every memo window, receives the
// tray notifications, the second start's command and other programs' texts,
// and runs the shutdown sequence.
#include "main_window.h"

#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "memo_registry.h"
#include "copydata_text.h"
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
#include "save_queue.h"
#include "settings.h"
#include "tray_icon.h"
#include "scoped.h"
#include "wide_text.h"
#include "window_class.h"
#include "memo_window.h"
#include "resource.h"

HWND g_main_window = nullptr;

namespace {

const char k_hidden_notice[] =
    "現在非表示モードです。表示モードにしてからメモを作成して下さい。";
const char k_start_failed[] = "Kelvane を起動できませんでした。";

// Named after the main window's class: one instance per session.
const char k_instance_mutex[] = "Kelvane." MAIN_WINDOW_CLASS;
// How long a second start waits for the running instance's main window
// (a first start on a slow machine takes seconds to make it), and how often
// it looks.
const DWORD k_handoff_wait_ms = 10000;
const DWORD k_handoff_poll_ms = 20;
// The pause of the message loop after an error return.
const DWORD k_loop_error_wait_ms = 10;

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
    if (!g_settings.autorefresh) {
        return 1;
    }
    if (why != FOLDER_CHANGED_NAMES) {
        memo_sync_folder_changed(hwnd);
        return 1;
    }
    folder_watch_changes changes;
    if (folder_watch_take(&changes)) {
        if (changes.whole) {
            memo_sync_folder_changed(hwnd);
        } else {
            memo_sync_files_changed(hwnd, changes.names, changes.count);
        }
        folder_watch_release(&changes);
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
    if (const char* notice = settings_folder_notice()) {
        // Said once, after the memos are on the screen.
        platform_notify_later(notice);
    }
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

// Saves still owed get a last chance while their memos exist.  When they
// still cannot land, the user decides whether to try again (ask 1); at the
// end of the session there is no one to ask.
void main_window_flush_saves(HWND hwnd, int ask) {
    const uint32_t budget_ms = 3000;
    while (memo_file_flush_pending(budget_ms) > 0 && ask) {
        char text[1024];
        save_queue_notice_text(save_queue_fault(), g_settings.path, 1, text, sizeof text);
        if (wide_message_box(hwnd, text, PROGRAM_CAPTION, MB_YESNO | MB_ICONWARNING) != IDYES) {
            break;
        }
    }
    save_queue_clear();
    platform_retry_later(0);
}

// Tray icon removed, owed saves written, memos destroyed one by one,
// settings written, then the main window goes, which ends the message loop.
LRESULT main_window_shutdown(HWND hwnd, int ask) {
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
    main_window_flush_saves(hwnd, ask);
    for (HWND memo = main_window_first_memo(); memo; memo = main_window_first_memo()) {
        DestroyWindow(memo);
        memo_registry_remove(memo);
    }
    settings_save(hwnd);
    DestroyWindow(hwnd);
    return 1;
}

// A notice of the platform module, shown after the message that caused it
// was answered; the text is the platform's malloc copy.  A shutdown that
// ran meanwhile has said what it had to say.
LRESULT main_window_on_notice(HWND hwnd, char* text) {
    if (text && !s_shutting_down) {
        wide_message_box(hwnd, text, PROGRAM_CAPTION, MB_OK | MB_ICONWARNING);
    }
    free(text);
    return 1;
}

LRESULT main_window_on_copy_data(HWND hwnd, const COPYDATASTRUCT* data) {
    char* text = main_window_copydata_text(data);
    if (!text) {
        return 0;  // longer than a memo takes: refused whole
    }
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

// A memo that lies off every monitor (its place was stored on a larger
// desktop, or its monitor went away) comes back onto the nearest one.  Its
// files keep the stored place until the memo is next saved, so the place
// is not lost if the monitor comes back first.
void main_window_bring_back_memos() {
    for (HWND memo = main_window_first_memo(); memo; memo = main_window_next_memo(memo)) {
        RECT w;
        if (!GetWindowRect(memo, &w)) {
            continue;
        }
        platform_rect r = {w.left, w.top, w.right, w.bottom};
        if (placement_bring_back(&r)) {
            memo_window_place_unsaved(memo, r.left, r.top, r.right - r.left, r.bottom - r.top);
        }
    }
}

LRESULT main_window_on_refresh(HWND hwnd) {
    if (g_settings.show) {
        memo_file_scan_folder(hwnd, 0);
        main_window_bring_back_memos();
    }
    return 0;
}

LRESULT main_window_on_display_change(HWND hwnd, WPARAM wparam, LPARAM lparam) {
    main_window_bring_back_memos();
    return DefWindowProcA(hwnd, WM_DISPLAYCHANGE, wparam, lparam);
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

char* main_window_copydata_text(const COPYDATASTRUCT* data) {
    return data ? copydata_text(data->lpData, data->cbData) : copydata_text(nullptr, 0);
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
        return main_window_shutdown(hwnd, 0);
    case WM_WINDOWPOSCHANGED:
        return main_window_on_window_pos_changed(hwnd, reinterpret_cast<const WINDOWPOS*>(lparam));
    case WM_COPYDATA:
        return main_window_on_copy_data(hwnd, reinterpret_cast<const COPYDATASTRUCT*>(lparam));
    case WM_DISPLAYCHANGE:
        return main_window_on_display_change(hwnd, wparam, lparam);
    case WM_COMMAND:
        return main_window_on_command(hwnd, LOWORD(wparam), HIWORD(wparam));
    case MSG_TRAY_NOTIFY:
        return main_window_on_tray_notify(hwnd, LOWORD(lparam));
    case MSG_SHUTDOWN:
        return main_window_shutdown(hwnd, 1);
    case MSG_NOTICE:
        return main_window_on_notice(hwnd, reinterpret_cast<char*>(lparam));
    case WM_TIMER:
        if (wparam == TIMER_SAVE_RETRY) {
            memo_file_retry_pending();
            return 0;
        }
        break;
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
//
// Only the quit message ends the loop.  An error return means that the
// system could not hand over one message (under Wine, a sent WM_COPYDATA
// of a few megabytes); that message is lost, the program is not.  The
// short wait keeps a lasting error from spinning.
void main_window_message_loop(HACCEL accelerators) {
    MSG msg;
    for (;;) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            break;
        }
        if (got == -1) {
            REPORT_FAILURE();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, k_loop_error_wait_ms, QS_ALLINPUT);
            continue;
        }
        HWND parent = msg.hwnd ? GetParent(msg.hwnd) : nullptr;
        if (parent && accelerators && TranslateAcceleratorW(parent, accelerators, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The single-instance guard.  The mutex is taken before any main window is
// looked for, so of two starts at the same moment exactly one goes on; the
// other waits for that one's main window and hands its command over.  The
// running instance owns the mutex to its end (the system lets go of it if
// the process dies).  1: this start is the instance and owns the mutex (if
// there is one); 0: the command was handed over or nobody took it, and
// *exit_code says which.
int main_window_claim_instance(HANDLE mutex, const char* command_line, int* exit_code) {
    DWORD start = GetTickCount();
    for (DWORD wait = 0;; wait = k_handoff_poll_ms) {
        // The wait is also the pause between two looks: it ends at once
        // when an instance that was ending lets go.
        DWORD state = mutex ? WaitForSingleObject(mutex, wait) : WAIT_OBJECT_0;
        if (state == WAIT_OBJECT_0 || state == WAIT_ABANDONED) {
            break;
        }
        HWND running = FindWindowA(MAIN_WINDOW_CLASS, nullptr);
        if (running) {
            main_window_hand_off(running, command_line);
            *exit_code = MEMO_EXIT_NORMAL;
            return 0;
        }
        if (GetTickCount() - start >= k_handoff_wait_ms) {
            // The instance never got a window (a failed start showing its
            // message): there is nobody to hand over to.
            *exit_code = MEMO_EXIT_NO_INSTANCE;
            return 0;
        }
    }
    // A running copy that takes no mutex (an older build) still counts.
    HWND running = FindWindowA(MAIN_WINDOW_CLASS, nullptr);
    if (running) {
        if (mutex) {
            ReleaseMutex(mutex);
        }
        main_window_hand_off(running, command_line);
        *exit_code = MEMO_EXIT_NORMAL;
        return 0;
    }
    return 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_command) {
    (void)previous;
    (void)show_command;
    g_main_window = nullptr;
    g_settings.show = 0;

    // Without a mutex (the system refused one) the window alone decides,
    // as it did before the guard.
    scoped_handle mutex(CreateMutexA(nullptr, FALSE, k_instance_mutex));
    int exit_code = MEMO_EXIT_NORMAL;
    if (!main_window_claim_instance(mutex.get(), command_line, &exit_code)) {
        return exit_code;
    }
    scoped_mutex_ownership ownership(mutex.get());

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
