// The folder watch thread.  It shares three things with the user-interface
// thread, under one critical section: the folder, the window to post to,
// and two events (stop; wake: the folder moved or a drive arrived).
#include "folder_watch.h"

#include <string.h>

#include "messages.h"
#include "paths.h"
#include "platform.h"

namespace {

// A burst counts as over after this long without a change, and is
// reported after this long at the latest, so that a client writing for
// minutes still shows its memos as they come.
const DWORD k_quiet_ms = 250;
const DWORD k_longest_ms = 1000;

const DWORD k_folder_filter =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;

CRITICAL_SECTION s_lock;
int s_lock_ready = 0;
char s_folder[PLATFORM_PATH_SIZE];
HWND s_window = nullptr;
HANDLE s_thread = nullptr;
HANDLE s_stop = nullptr;  // manual reset
HANDLE s_wake = nullptr;  // auto reset

void folder_watch_close(HANDLE* change) {
    if (*change != INVALID_HANDLE_VALUE) FindCloseChangeNotification(*change);
    *change = INVALID_HANDLE_VALUE;
}

// The nearest existing folder above folder, watched for folders coming and
// going in it; INVALID_HANDLE_VALUE when not even the drive is there.
HANDLE folder_watch_parent(const char* folder) {
    char path[PLATFORM_PATH_SIZE];
    lstrcpynA(path, folder, sizeof path);
    for (;;) {
        char* cut = const_cast<char*>(path_last_backslash(path));
        if (!cut || cut <= path + 1) return INVALID_HANDLE_VALUE;
        if (cut == path + 2 && path[1] == ':') {
            if (cut[1] == '\0') return INVALID_HANDLE_VALUE;  // the root itself
            cut[1] = '\0';                                       // "C:\" keeps its backslash
        } else {
            *cut = '\0';
        }
        HANDLE change = FindFirstChangeNotificationA(path, FALSE, FILE_NOTIFY_CHANGE_DIR_NAME);
        if (change != INVALID_HANDLE_VALUE) return change;
    }
}

// After a first change: waits until the burst is over.  0 when told to stop.
int folder_watch_settle(HANDLE change) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD spent = GetTickCount() - start;
        if (spent >= k_longest_ms || !FindNextChangeNotification(change)) return 1;
        DWORD wait = k_longest_ms - spent < k_quiet_ms ? k_longest_ms - spent : k_quiet_ms;
        HANDLE handles[2] = {s_stop, change};
        DWORD result = WaitForMultipleObjects(2, handles, FALSE, wait);
        if (result == WAIT_OBJECT_0) return 0;
        if (result != WAIT_OBJECT_0 + 1) return 1;
    }
}

// Each round watches the folder (and its parent, which sees the folder
// itself deleted, renamed or made anew) or, while it is missing, the
// nearest parent there is.  A handle follows its folder even when the
// folder is renamed, so every round makes new handles from the path.  The
// post comes only after the new handles are armed: a change made while
// the main window looks at the folder is then never missed.
DWORD WINAPI folder_watch_thread(LPVOID) {
    int post = 0;
    for (;;) {
        char folder[PLATFORM_PATH_SIZE];
        EnterCriticalSection(&s_lock);
        lstrcpynA(folder, s_folder, sizeof folder);
        HWND window = s_window;
        LeaveCriticalSection(&s_lock);

        HANDLE changes[2];
        changes[0] = FindFirstChangeNotificationA(folder, FALSE, k_folder_filter);
        changes[1] = folder_watch_parent(folder);
        int watching = changes[0] != INVALID_HANDLE_VALUE;
        if (post && watching) PostMessageA(window, MSG_FOLDER_CHANGED, 0, 0);
        post = 0;

        HANDLE handles[4] = {s_stop, s_wake};
        DWORD count = 2;
        for (HANDLE change : changes) {
            if (change != INVALID_HANDLE_VALUE) handles[count++] = change;
        }
        DWORD result = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        int go_on = result != WAIT_OBJECT_0 && result != WAIT_FAILED;
        if (go_on && result >= WAIT_OBJECT_0 + 2 && handles[result - WAIT_OBJECT_0] == changes[0]) {
            go_on = folder_watch_settle(changes[0]);
        }
        // Whatever woke us, the folder may hold something new now.
        post = 1;
        folder_watch_close(&changes[0]);
        folder_watch_close(&changes[1]);
        if (!go_on) return 0;
    }
}

}  // namespace

int folder_watch_running(void) { return s_thread != nullptr; }

int folder_watch_start(HWND window, const char* folder) {
    if (!s_lock_ready) {
        InitializeCriticalSection(&s_lock);
        s_lock_ready = 1;
    }
    EnterCriticalSection(&s_lock);
    lstrcpynA(s_folder, folder, sizeof s_folder);
    s_window = window;
    LeaveCriticalSection(&s_lock);
    if (s_thread) {
        SetEvent(s_wake);
        return 1;
    }
    s_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    s_wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (s_stop && s_wake) {
        s_thread = CreateThread(nullptr, 0, folder_watch_thread, nullptr, 0, nullptr);
    }
    if (!s_thread) {
        folder_watch_stop();
        return 0;
    }
    return 1;
}

void folder_watch_stop(void) {
    if (s_thread) {
        SetEvent(s_stop);
        WaitForSingleObject(s_thread, INFINITE);
        CloseHandle(s_thread);
        s_thread = nullptr;
    }
    if (s_stop) CloseHandle(s_stop);
    if (s_wake) CloseHandle(s_wake);
    s_stop = nullptr;
    s_wake = nullptr;
}

void folder_watch_retry(void) {
    if (s_thread) SetEvent(s_wake);
}
