// The folder watch: one thread that does nothing but wait for change
// notices of the data folder, collect the names of the files they name,
// and post MSG_FOLDER_CHANGED (FOLDER_CHANGED_NAMES) to the main window once
// a burst of changes has settled.  Only names that may matter to a memo
// (sync_names_worth_a_look) count: a client's temporary files and our own
// wake nothing.  Everything the change means is worked out on the
// user-interface thread (memo_sync).  No timer: while nothing changes,
// the thread sleeps in one wait without a time limit.
#ifndef KELVANE_FOLDER_WATCH_H
#define KELVANE_FOLDER_WATCH_H

#include <windows.h>

#include <stdint.h>

// Watches folder for window: starts the thread, or moves a running watch
// to folder (and asks for a look at the whole of it once it is watched).
// A folder that is missing is waited for through its nearest existing
// parent, and watched again when it comes back.  0 when the thread cannot
// be started.
int folder_watch_start(HWND window, const char* folder);

// Ends the watch; nothing is posted afterwards.  It waits for the thread
// a moment at most: a thread stuck in a call on a network path that does
// not answer is left to end by itself.
void folder_watch_stop(void);

// WM_DEVICECHANGE of the window: a query to remove the drive of a watched
// folder stops the watch, so that the drive can go; a drive that arrives,
// or a removal that did not happen, starts it again.
void folder_watch_device_change(WPARAM event, LPARAM data);

// Whether the thread runs.
int folder_watch_running(void);

// What changed since the last take: the whole folder (the notice's records
// were lost, the folder came back, the watch began) or the names of files.
struct folder_watch_changes {
    int32_t whole;
    int32_t count;
    const char** names;  // count names, code page 932, without the folder
    char* block;         // tracked block holding names and their text
};

// Takes what the watch collected (release with folder_watch_release);
// 0 when nothing is waiting.  A thread that ended on an error is noticed
// here and started again, and the whole folder is looked at.
int folder_watch_take(folder_watch_changes* out);
void folder_watch_release(folder_watch_changes* changes);

// Makes the running thread take the path of an unexpected error (tests).
void folder_watch_fail_for_test(void);

#endif
