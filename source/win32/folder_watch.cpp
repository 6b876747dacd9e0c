// The folder watch thread.  It shares with the user-interface thread, under
// one critical section, the folder and the window to post to, plus two
// events (stop; wake: the folder moved or a drive arrived).
//
// Each watched folder is a directory handle with an overlapped
// ReadDirectoryChangesW rather than a bare change notice: the handle can be
// registered for device notices, so that a USB stick or a network drive
// holding the data folder can still be ejected (the query to remove it
// stops the watch, which releases the handles).
#include "folder_watch.h"

#include <dbt.h>
#include <string.h>

#include "cp932_text.h"
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
const DWORD k_parent_filter = FILE_NOTIFY_CHANGE_DIR_NAME;

CRITICAL_SECTION s_lock;
int s_lock_ready = 0;
char s_folder[PLATFORM_PATH_SIZE];
HWND s_window = nullptr;
HANDLE s_thread = nullptr;
HANDLE s_stop = nullptr;  // manual reset
HANDLE s_wake = nullptr;  // auto reset
int s_released = 0;       // stopped for a drive that is about to go

// One watched folder: its handle, the pending read and its event, and the
// registration for device notices.  The change records are not read:
// that something changed is all the main window needs to know.
struct folder_watch_entry {
    HANDLE folder;
    HANDLE done;  // manual reset, set when the pending read completes
    HDEVNOTIFY device;
    DWORD filter;
    int pending;  // a read was started and may still use records
    OVERLAPPED overlapped;
    DWORD records[1024];  // the system wants them DWORD-aligned
};

int folder_watch_arm(folder_watch_entry* w) {
    ResetEvent(w->done);
    ZeroMemory(&w->overlapped, sizeof w->overlapped);
    w->overlapped.hEvent = w->done;
    w->pending = ReadDirectoryChangesW(w->folder, w->records, sizeof w->records, FALSE, w->filter,
                                       nullptr, &w->overlapped, nullptr)
                     ? 1
                     : 0;
    return w->pending;
}

// The read still pending uses records: it is cancelled and waited for
// before the handle goes.
void folder_watch_close(folder_watch_entry* w) {
    if (w->device) UnregisterDeviceNotification(w->device);
    if (w->folder != INVALID_HANDLE_VALUE) {
        if (w->pending) {
            // Returns at once for a read that completed already.
            DWORD ignored = 0;
            CancelIo(w->folder);
            GetOverlappedResult(w->folder, &w->overlapped, &ignored, TRUE);
        }
        CloseHandle(w->folder);
    }
    if (w->done) CloseHandle(w->done);
    w->folder = INVALID_HANDLE_VALUE;
    w->done = nullptr;
    w->device = nullptr;
    w->pending = 0;
}

int folder_watch_open(folder_watch_entry* w, const char* path, DWORD filter, HWND window) {
    // The path is code page 932 whatever the system's code page is.
    wchar_t wide[MAX_PATH];
    w->folder = INVALID_HANDLE_VALUE;
    if (cp932_to_wide(path, wide, MAX_PATH)) {
        w->folder = CreateFileW(wide, FILE_LIST_DIRECTORY,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED,
                                nullptr);
    }
    w->done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    w->device = nullptr;
    w->filter = filter;
    w->pending = 0;
    ZeroMemory(&w->overlapped, sizeof w->overlapped);
    if (w->folder == INVALID_HANDLE_VALUE || !w->done || !folder_watch_arm(w)) {
        folder_watch_close(w);
        return 0;
    }
    DEV_BROADCAST_HANDLE notice = {};
    notice.dbch_size = sizeof notice;
    notice.dbch_devicetype = DBT_DEVTYP_HANDLE;
    notice.dbch_handle = w->folder;
    w->device = RegisterDeviceNotificationA(window, &notice, DEVICE_NOTIFY_WINDOW_HANDLE);
    return 1;
}

// The nearest existing folder above folder, watched for folders coming and
// going in it; 0 when not even the drive is there.
int folder_watch_open_parent(folder_watch_entry* w, const char* folder, HWND window) {
    w->folder = INVALID_HANDLE_VALUE;
    w->done = nullptr;
    w->device = nullptr;
    w->pending = 0;
    char path[PLATFORM_PATH_SIZE];
    lstrcpynA(path, folder, sizeof path);
    for (;;) {
        char* cut = const_cast<char*>(path_last_backslash(path));
        if (!cut || cut <= path + 1) return 0;
        if (cut == path + 2 && path[1] == ':') {
            if (cut[1] == '\0') return 0;  // the root itself
            cut[1] = '\0';                 // "C:\" keeps its backslash
        } else {
            *cut = '\0';
        }
        if (folder_watch_open(w, path, k_parent_filter, window)) return 1;
    }
}

// After a first change: waits until the burst is over.  0 when told to stop.
int folder_watch_settle(folder_watch_entry* w) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD spent = GetTickCount() - start;
        if (spent >= k_longest_ms || !folder_watch_arm(w)) return 1;
        DWORD wait = k_longest_ms - spent < k_quiet_ms ? k_longest_ms - spent : k_quiet_ms;
        HANDLE handles[2] = {s_stop, w->done};
        DWORD result = WaitForMultipleObjects(2, handles, FALSE, wait);
        if (result == WAIT_OBJECT_0) return 0;
        if (result != WAIT_OBJECT_0 + 1) return 1;
    }
}

// Each round watches the folder (and its parent, which sees the folder
// itself deleted, renamed or made anew) or, while it is missing, the
// nearest parent there is.  A handle follows its folder even when the
// folder is renamed, so every round opens the path anew.  The post comes
// only after the new reads are pending: a change made while the main
// window looks at the folder is then never missed.
DWORD WINAPI folder_watch_thread(LPVOID) {
    int post = 1;  // what happened before the first round is looked at too
    for (;;) {
        char folder[PLATFORM_PATH_SIZE];
        EnterCriticalSection(&s_lock);
        lstrcpynA(folder, s_folder, sizeof folder);
        HWND window = s_window;
        LeaveCriticalSection(&s_lock);

        folder_watch_entry watches[2];
        int watching = folder_watch_open(&watches[0], folder, k_folder_filter, window);
        folder_watch_open_parent(&watches[1], folder, window);
        if (post && watching) PostMessageA(window, MSG_FOLDER_CHANGED, 0, 0);
        post = 0;

        HANDLE handles[4] = {s_stop, s_wake};
        DWORD count = 2;
        for (folder_watch_entry& w : watches) {
            if (w.done) handles[count++] = w.done;
        }
        DWORD result = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        int go_on = result != WAIT_OBJECT_0 && result != WAIT_FAILED;
        if (go_on && watching && result == WAIT_OBJECT_0 + 2) {
            go_on = folder_watch_settle(&watches[0]);
        }
        // Whatever woke us, the folder may hold something new now.
        post = 1;
        folder_watch_close(&watches[0]);
        folder_watch_close(&watches[1]);
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
    s_released = 0;
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
    s_released = 0;
}

// Only handles registered by the watch bring a query to remove: the
// drive that holds the data folder (or its parent) is about to go.
void folder_watch_device_change(WPARAM event, LPARAM data) {
    const DEV_BROADCAST_HDR* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    switch (event) {
    case DBT_DEVICEQUERYREMOVE:
        if (s_thread && header && header->dbch_devicetype == DBT_DEVTYP_HANDLE) {
            folder_watch_stop();
            s_released = 1;
        }
        break;
    case DBT_DEVICEQUERYREMOVEFAILED:
    case DBT_DEVICEARRIVAL:
        if (s_released) {
            folder_watch_start(s_window, s_folder);
        } else if (s_thread) {
            SetEvent(s_wake);
        }
        break;
    default:
        break;
    }
}
