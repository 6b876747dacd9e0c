// The folder watch thread.  Each thread has a context of its own, shared
// with the user-interface thread under the context's critical section: the
// folder and the window to post to, two events (stop; wake: the folder
// moved or a drive arrived) and the names collected.  A thread that does
// not end in time when stopped keeps its context and frees it when it
// ends; it never posts after the stop.  The tracked allocator belongs to
// the user-interface thread, so the context comes from the process heap.
//
// Each watched folder is a directory handle with an overlapped
// ReadDirectoryChangesW rather than a bare change notice: its records name
// the files, and the handle can be registered for device notices, so that
// a USB stick or a network drive holding the data folder can still be
// ejected (the query to remove it stops the watch, which releases the
// handles).
#include "folder_watch.h"

#include <dbt.h>
#include <stdlib.h>
#include <string.h>

#include "cp932_text.h"
#include "error_log.h"
#include "messages.h"
#include "paths.h"
#include "platform.h"
#include "sync_names.h"
#include "tracked_memory.h"

namespace {

// A burst counts as over after this long without a change that matters,
// and is reported after this long at the latest, so that a client writing
// for minutes still shows its memos as they come.
const DWORD k_quiet_ms = 250;
const DWORD k_longest_ms = 1000;
// How long a stop waits for the thread.
const DWORD k_stop_wait_ms = 2000;
// After an unexpected error the thread waits this long before it ends and
// asks to be started again, so that a lasting fault costs no busy loop.
const DWORD k_error_pause_ms = 1000;
// The names of one burst; more than this is a look at the whole folder.
const size_t k_names_bytes = 32 * 1024;

const DWORD k_folder_filter =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
const DWORD k_parent_filter = FILE_NOTIFY_CHANGE_DIR_NAME;

// One watched folder: its handle, the pending read and its event, the
// registration for device notices, and, for the parent, the name of the
// folder it watches for.
struct folder_watch_entry {
    HANDLE folder;
    HANDLE done;  // manual reset, set when the pending read completes
    HDEVNOTIFY device;
    DWORD filter;
    int pending;  // a read was started and may still use records
    OVERLAPPED overlapped;
    wchar_t leaf[MAX_PATH];
    // The system wants them DWORD-aligned; 64 KiB is the most a network
    // share takes, and holds a burst of some hundred changes.
    DWORD records[16 * 1024];
};

struct watch_context {
    LONG refs;  // the user-interface thread's and the watch thread's
    CRITICAL_SECTION lock;
    HANDLE stop;  // manual reset
    HANDLE wake;  // auto reset
    // Under the lock:
    char folder[PLATFORM_PATH_SIZE];
    HWND window;
    int stopped;  // nothing is posted once set
    int fail;     // folder_watch_fail_for_test
    int whole;
    int posted;  // a post is on its way and its changes not taken yet
    size_t used;
    int32_t count;
    char names[k_names_bytes];  // count NUL-terminated names
    // The thread's own: the folder and its parent (too large for its stack).
    folder_watch_entry watches[2];
};

watch_context* s_context = nullptr;
HANDLE s_thread = nullptr;
char s_folder[PLATFORM_PATH_SIZE];
HWND s_window = nullptr;
int s_released = 0;  // stopped for a drive that is about to go

void folder_watch_release_context(watch_context* c) {
    if (InterlockedDecrement(&c->refs) != 0) return;
    DeleteCriticalSection(&c->lock);
    CloseHandle(c->stop);
    CloseHandle(c->wake);
    free(c);
}

// Under the lock.
void folder_watch_add_name(watch_context* c, const char* name) {
    size_t length = strlen(name) + 1;
    for (size_t at = 0; at < c->used; at += strlen(c->names + at) + 1) {
        if (lstrcmpiA(c->names + at, name) == 0) return;
    }
    if (c->used + length > sizeof c->names) {
        c->whole = 1;
        return;
    }
    memcpy(c->names + c->used, name, length);
    c->used += length;
    c->count++;
}

// Posts once for what was collected, unless the watch was stopped.
void folder_watch_post(watch_context* c) {
    EnterCriticalSection(&c->lock);
    if (!c->stopped && !c->posted && (c->whole || c->count)) {
        c->posted = PostMessageA(c->window, MSG_FOLDER_CHANGED, FOLDER_CHANGED_NAMES, 0) ? 1 : 0;
    }
    LeaveCriticalSection(&c->lock);
}

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
// before the handle goes (on a network path that does not answer this is
// where a stop leaves the thread behind).
void folder_watch_close(folder_watch_entry* w) {
    if (w->device) UnregisterDeviceNotification(w->device);
    if (w->folder != INVALID_HANDLE_VALUE) {
        if (w->pending) {
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
        w->folder = CreateFileW(
            wide, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
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
// going in it (the name it waits for in leaf); 0 when not even the drive
// is there.
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
        if (!cp932_to_wide(cut + 1, w->leaf, MAX_PATH)) w->leaf[0] = L'\0';
        if (cut == path + 2 && path[1] == ':') {
            if (cut[1] == '\0') return 0;  // the root itself
            cut[1] = '\0';                 // "C:\" keeps its backslash
        } else {
            *cut = '\0';
        }
        if (folder_watch_open(w, path, k_parent_filter, window)) return 1;
    }
}

// The records of a completed read: the names that matter are collected;
// 1 when there was one.  Records that were lost (a full buffer) or a name
// code page 932 cannot spell ask for the whole folder.
int folder_watch_collect(watch_context* c, folder_watch_entry* w, DWORD bytes) {
    int any = 0;
    EnterCriticalSection(&c->lock);
    if (bytes == 0) {
        c->whole = 1;
        any = 1;
    }
    for (DWORD at = 0; at < bytes;) {
        const FILE_NOTIFY_INFORMATION* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(
            reinterpret_cast<const BYTE*>(w->records) + at);
        wchar_t wide[MAX_PATH];
        char name[PLATFORM_PATH_SIZE];
        DWORD length = record->FileNameLength / sizeof(wchar_t);
        if (length < MAX_PATH) {
            memcpy(wide, record->FileName, length * sizeof(wchar_t));
            wide[length] = L'\0';
        }
        if (length >= MAX_PATH || !cp932_from_wide(wide, name, sizeof name)) {
            c->whole = 1;
            any = 1;
        } else if (sync_names_worth_a_look(name)) {
            folder_watch_add_name(c, name);
            any = 1;
        }
        if (record->NextEntryOffset == 0) break;
        at += record->NextEntryOffset;
    }
    LeaveCriticalSection(&c->lock);
    return any;
}

// A completed read of the folder: its records collected and the next
// read started.  -1 when the folder went (or cannot be read any more).
int folder_watch_read(watch_context* c, folder_watch_entry* w) {
    DWORD bytes = 0;
    w->pending = 0;
    if (!GetOverlappedResult(w->folder, &w->overlapped, &bytes, FALSE)) {
        if (GetLastError() != ERROR_NOTIFY_ENUM_DIR) return -1;
        bytes = 0;  // the records were lost
    }
    int any = folder_watch_collect(c, w, bytes);
    return folder_watch_arm(w) ? any : -1;
}

// Whether the parent's records name the watched folder.
int folder_watch_parent_names_folder(folder_watch_entry* w) {
    DWORD bytes = 0;
    w->pending = 0;
    if (!GetOverlappedResult(w->folder, &w->overlapped, &bytes, FALSE) || bytes == 0) return 1;
    for (DWORD at = 0; at < bytes;) {
        const FILE_NOTIFY_INFORMATION* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(
            reinterpret_cast<const BYTE*>(w->records) + at);
        int length = static_cast<int>(record->FileNameLength / sizeof(wchar_t));
        if (CompareStringOrdinal(record->FileName, length, w->leaf, -1, TRUE) == CSTR_EQUAL)
            return 1;
        if (record->NextEntryOffset == 0) break;
        at += record->NextEntryOffset;
    }
    return !folder_watch_arm(w);
}

// After a first change that matters: waits until the burst is over, then
// posts.  0 when told to stop, -1 when the folder went.
int folder_watch_settle(watch_context* c, folder_watch_entry* w) {
    DWORD start = GetTickCount();
    DWORD quiet_from = start;
    for (;;) {
        DWORD now = GetTickCount();
        if (now - start >= k_longest_ms || now - quiet_from >= k_quiet_ms) break;
        DWORD wait = k_longest_ms - (now - start);
        if (k_quiet_ms - (now - quiet_from) < wait) wait = k_quiet_ms - (now - quiet_from);
        HANDLE handles[2] = {c->stop, w->done};
        DWORD result = WaitForMultipleObjects(2, handles, FALSE, wait);
        if (result == WAIT_OBJECT_0) return 0;
        if (result != WAIT_OBJECT_0 + 1) continue;
        int any = folder_watch_read(c, w);
        if (any < 0) {
            folder_watch_post(c);
            return -1;
        }
        if (any) quiet_from = GetTickCount();
    }
    folder_watch_post(c);
    return 1;
}

enum folder_watch_next { WATCH_STOP, WATCH_REOPEN, WATCH_FAILED };

// Waits on one round of watches until the thread must stop, open the
// folder again (it went, came back or moved) or give up.
folder_watch_next folder_watch_round(watch_context* c, folder_watch_entry* watches) {
    for (;;) {
        HANDLE handles[4] = {c->stop, c->wake};
        DWORD count = 2;
        int index[2] = {-1, -1};
        for (int i = 0; i < 2; i++) {
            if (!watches[i].done) continue;
            index[i] = static_cast<int>(count);
            handles[count++] = watches[i].done;
        }
        DWORD result = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        EnterCriticalSection(&c->lock);
        int fail = c->fail;
        LeaveCriticalSection(&c->lock);
        if (result == WAIT_OBJECT_0) return WATCH_STOP;
        if (result == WAIT_FAILED || fail) return WATCH_FAILED;
        if (result == WAIT_OBJECT_0 + 1) return WATCH_REOPEN;
        if (static_cast<int>(result - WAIT_OBJECT_0) == index[1]) {
            if (folder_watch_parent_names_folder(&watches[1])) return WATCH_REOPEN;
            continue;
        }
        int any = folder_watch_read(c, &watches[0]);
        if (any > 0) any = folder_watch_settle(c, &watches[0]);
        if (any == 0 && WaitForSingleObject(c->stop, 0) == WAIT_OBJECT_0) return WATCH_STOP;
        if (any < 0) return WATCH_REOPEN;
    }
}

// Each round watches the folder (and its parent, which sees the folder
// itself deleted, renamed or made anew) or, while it is missing, the
// nearest parent there is.  A handle follows its folder even when the
// folder is renamed, so a round that ends opens the path anew, and what
// happened meanwhile has no records: the whole folder is looked at, once
// the new reads are pending, so that no change is missed.
DWORD WINAPI folder_watch_thread(LPVOID parameter) {
    watch_context* c = static_cast<watch_context*>(parameter);
    folder_watch_next next = WATCH_REOPEN;
    while (next == WATCH_REOPEN) {
        char folder[PLATFORM_PATH_SIZE];
        EnterCriticalSection(&c->lock);
        lstrcpynA(folder, c->folder, sizeof folder);
        HWND window = c->window;
        LeaveCriticalSection(&c->lock);

        folder_watch_entry* watches = c->watches;
        int watching = folder_watch_open(&watches[0], folder, k_folder_filter, window);
        folder_watch_open_parent(&watches[1], folder, window);
        if (watching) {
            EnterCriticalSection(&c->lock);
            c->whole = 1;
            LeaveCriticalSection(&c->lock);
            folder_watch_post(c);
        }
        next = folder_watch_round(c, watches);
        folder_watch_close(&watches[0]);
        folder_watch_close(&watches[1]);
    }
    if (next == WATCH_FAILED && WaitForSingleObject(c->stop, k_error_pause_ms) == WAIT_TIMEOUT) {
        // The user-interface thread notices the end when it takes this.
        EnterCriticalSection(&c->lock);
        c->whole = 1;
        LeaveCriticalSection(&c->lock);
        folder_watch_post(c);
    }
    folder_watch_release_context(c);
    return 0;
}

int folder_watch_ended(void) {
    return s_thread && WaitForSingleObject(s_thread, 0) == WAIT_OBJECT_0;
}

}  // namespace

int folder_watch_running(void) { return s_thread != nullptr && !folder_watch_ended(); }

int folder_watch_start(HWND window, const char* folder) {
    lstrcpynA(s_folder, folder, sizeof s_folder);
    s_window = window;
    s_released = 0;
    if (s_context && !folder_watch_ended()) {
        EnterCriticalSection(&s_context->lock);
        lstrcpynA(s_context->folder, folder, sizeof s_context->folder);
        s_context->window = window;
        LeaveCriticalSection(&s_context->lock);
        SetEvent(s_context->wake);
        return 1;
    }
    folder_watch_stop();
    watch_context* c = static_cast<watch_context*>(calloc(1, sizeof(watch_context)));
    if (!c) return 0;
    InitializeCriticalSection(&c->lock);
    c->refs = 2;
    c->stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    c->wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    lstrcpynA(c->folder, folder, sizeof c->folder);
    c->window = window;
    HANDLE thread =
        c->stop && c->wake ? CreateThread(nullptr, 0, folder_watch_thread, c, 0, nullptr) : nullptr;
    if (!thread) {
        c->refs = 1;
        folder_watch_release_context(c);
        return 0;
    }
    s_context = c;
    s_thread = thread;
    return 1;
}

void folder_watch_stop(void) {
    if (s_context) {
        EnterCriticalSection(&s_context->lock);
        s_context->stopped = 1;
        LeaveCriticalSection(&s_context->lock);
        SetEvent(s_context->stop);
        if (WaitForSingleObject(s_thread, k_stop_wait_ms) != WAIT_OBJECT_0) {
            REPORT_FAILURE();  // left behind; it ends by itself
        }
        CloseHandle(s_thread);
        folder_watch_release_context(s_context);
    }
    s_context = nullptr;
    s_thread = nullptr;
    s_released = 0;
}

int folder_watch_take(folder_watch_changes* out) {
    out->whole = 0;
    out->count = 0;
    out->names = nullptr;
    out->block = nullptr;
    if (folder_watch_ended()) {
        // It ended on an error: started again, it looks at everything.
        folder_watch_start(s_window, s_folder);
        out->whole = 1;
    }
    if (!s_context) return out->whole;
    EnterCriticalSection(&s_context->lock);
    watch_context* c = s_context;
    out->whole |= c->whole;
    if (!out->whole && c->count) {
        size_t pointers = sizeof(const char*) * static_cast<size_t>(c->count);
        out->block = TRACKED_NEW(char, pointers + c->used);
        out->names = reinterpret_cast<const char**>(out->block);
        memcpy(out->block + pointers, c->names, c->used);
        const char* name = out->block + pointers;
        for (int32_t i = 0; i < c->count; i++, name += strlen(name) + 1) out->names[i] = name;
        out->count = c->count;
    }
    c->whole = 0;
    c->posted = 0;
    c->used = 0;
    c->count = 0;
    LeaveCriticalSection(&s_context->lock);
    return out->whole || out->count;
}

void folder_watch_release(folder_watch_changes* changes) {
    if (changes->block) TRACKED_FREE(changes->block);
    changes->block = nullptr;
    changes->names = nullptr;
    changes->count = 0;
}

void folder_watch_fail_for_test(void) {
    if (!s_context) return;
    EnterCriticalSection(&s_context->lock);
    s_context->fail = 1;
    LeaveCriticalSection(&s_context->lock);
    SetEvent(s_context->wake);
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
            } else if (s_context) {
                SetEvent(s_context->wake);
            }
            break;
        default:
            break;
    }
}
