// The folder watch: one thread that does nothing but wait for change
// notices of the data folder and post MSG_FOLDER_CHANGED to the main
// window once a burst of changes has settled.  Everything the change means
// is worked out on the user-interface thread (memo_sync).  No timer: while
// nothing changes, the thread sleeps in one wait without a time limit.
#ifndef KELVANE_FOLDER_WATCH_H
#define KELVANE_FOLDER_WATCH_H

#include <windows.h>

// Watches folder for window: starts the thread, or moves a running watch
// to folder (and posts once the new folder is watched, so that what it
// holds is looked at).  A folder that is missing is waited for through its
// nearest existing parent, and watched again when it comes back.  0 when
// the thread cannot be started.
int folder_watch_start(HWND window, const char* folder);

// Ends the watch and waits for its thread; nothing is posted afterwards.
void folder_watch_stop(void);

// WM_DEVICECHANGE of the window: a query to remove the drive of a watched
// folder stops the watch, so that the drive can go; a drive that arrives,
// or a removal that did not happen, starts it again.
void folder_watch_device_change(WPARAM event, LPARAM data);

// Whether the thread runs.
int folder_watch_running(void);

#endif
