// Keeping the memos in step with a data folder that other computers change
// (a folder a cloud client synchronises): what to do when the folder watch
// reports a change, and when an edit that held a memo back ends.  The
// files themselves are read and written by memo_file, which never lets a
// text write replace a text it has not seen.
#ifndef KELVANE_MEMO_SYNC_H
#define KELVANE_MEMO_SYNC_H

#include <stdint.h>

#include "platform.h"

// The data folder changed.  Every memo file is compared with what its memo
// last read or wrote, and every text file with an INI file beside it that
// no memo has is a new memo; only when something changed from outside does
// the refresh run (memo_file_scan_folder, first_load 0).  So the program's
// own writes, which the watch reports too, cost one look and no refresh.
// Memos whose edit box is open are passed by.  1 when a refresh ran.
int memo_sync_folder_changed(memo_hwnd main_window);

// The refreshes memo_sync_folder_changed has run since start-up.
int32_t memo_sync_refresh_count(void);

// The edit box of memo closed without a new text: if its files changed
// while it was open, the memo takes them over now.
void memo_sync_edit_ended(memo_hwnd main_window, memo_hwnd memo);

#endif
