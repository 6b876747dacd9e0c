// Keeping the memos in step with a data folder that other computers change
// (a folder a cloud client synchronises): what to do when the folder watch
// reports a change, and when an edit that held a memo back ends.  The
// files themselves are read and written by memo_file, which never lets a
// text write replace a text it has not seen.
#ifndef KELVANE_MEMO_SYNC_H
#define KELVANE_MEMO_SYNC_H

#include <stdint.h>

#include "platform.h"

// The data folder changed, and which files is not known (the notice's
// records were lost, the folder came back, a setting changed): one
// listing, in which every memo file is compared with what its memo last
// read or wrote, every pair that no memo has is a new memo and every
// client's conflict copy of a memo file is taken (memo_file_scan).  Memos
// whose edit box is open are passed by.  1 when anything changed.
int memo_sync_folder_changed(memo_hwnd main_window);

// The files names (count of them, without folder) of the data folder
// changed: only they are looked at (memo_file_look_at), one look at each
// file, so the program's own writes cost a stamp each and a change from
// outside costs what changed, whatever the number of memos.  1 when
// anything changed.
int memo_sync_files_changed(memo_hwnd main_window, const char* const* names, int32_t count);

// The looks since start-up that found a change from outside.
int32_t memo_sync_refresh_count(void);

// The edit box of memo closed without a new text: if its files changed
// while it was open, the memo takes them over now.
void memo_sync_edit_ended(memo_hwnd main_window, memo_hwnd memo);

#endif
