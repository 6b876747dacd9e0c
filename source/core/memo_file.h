// Memo files: the text file and the INI file of every memo in the data
// folder, the start-up load, the refresh, the folder scan and the store
// side of peeling a memo off.
#ifndef KELVANE_MEMO_FILE_H
#define KELVANE_MEMO_FILE_H

#include <stddef.h>
#include <stdint.h>

#include "folder_listing.h"
#include "memo_keys.h"
#include "platform.h"

// The flags of memo_file_save and memo_file_write_ini are MEMO_SAVE_*
// (memo_keys.h).

// Writes the memo's files from its record and its window rectangle.  1 when
// everything asked for was written; 0 without a record or without text, and
// when a file could not be written.  A failed text write still writes the
// INI keys.  What could not be written stays owed in the save queue: the
// memo keeps its change in memory, and memo_file_retry_pending writes it
// from the memo's state at that time.  While a memo owes a save, its later
// saves join that one instead of trying at once.  A pair with a file
// missing (a new memo, a removed data folder, which is created again) is
// written whole, INI first.
//
// The text file is checked before every text write, retries included: a
// text another computer wrote there since this memo last read or wrote it
// becomes a memo of its own (a new file pair beside this memo, sent
// MEMO_MSG_KEPT_COPY) before this text replaces it; a text file that is
// there but cannot be read is not replaced (0).  A save without the text
// never writes it, and writes no INI file for a memo whose text file was
// deleted elsewhere.
int memo_file_save(memo_hwnd window, uint16_t flags);

// Tries every owed save once (no waiting), and every client's file still
// to be recycled (conflict_copies), asks for the next try while anything
// is still owed, and tells the user when the save queue says so.  The
// number of memos that still owe a save.
int memo_file_retry_pending(void);

// After a save that did not land, a round of retries or a client's file
// that could not go yet: the next retry is asked for while anything is
// owed, and the user is told when the save queue says it is time.
void memo_file_follow_up(void);

// Tries the owed saves again and again, waiting for busy files, until all
// landed or budget_ms passed (the program is about to end).  The number of
// memos that still owe a save.
int memo_file_flush_pending(uint32_t budget_ms);

// Writes the INI keys selected by flags for the rectangle (physical
// desktop pixels) in one read-modify-write of ini_path, waiting a moment
// for a file another program holds.  0 when the file could not be read or
// written.
int memo_file_write_ini(uint16_t flags, memo_hwnd window, int32_t left, int32_t top, int32_t right,
                        int32_t bottom, int32_t color_index, int32_t day, int32_t time,
                        const char* ini_path);

// Creates, registers and initialises the memo of base_path ("folder\name";
// the files are base_path + ".txt" and ".ini").  Shown when SHOW is on.
int memo_file_load(memo_hwnd main_window, const char* base_path);

// Brings the live memo named like base_path up to date from its files
// (text, colour, stamp; never its place), or loads it when none lives.
// A memo whose edit box is open is left as it is and marked refresh_due.
// A text file that comes back empty where the memo had text keeps that
// text as a memo of its own first.
int memo_file_reload(memo_hwnd main_window, const char* base_path);

// The same for the memo name of view's folder, whose files' stamps come
// from view (a listing, or the system's answer for each).  The reload
// answers 2 when the memo took something over or was loaded, 1 when it
// stayed as it was.
int memo_file_load_seen(memo_hwnd main_window, const folder_listing* view, const char* name);
int memo_file_reload_seen(memo_hwnd main_window, const folder_listing* view, const char* name);

// What a look at the data folder does with the memos that live already.
enum memo_look {
    MEMO_LOOK_START,   // start-up: every pair is loaded
    MEMO_LOOK_ALL,     // "メモを更新": every pair is read again
    MEMO_LOOK_CHANGED  // a change notice: only files that differ from what
                       // their memo last read or wrote are read
};

// Loads (first_load 1) or refreshes (0) every pair of a "*.txt" with its
// ".ini" in the data folder: memo_file_scan with MEMO_LOOK_START or
// MEMO_LOOK_ALL.  Returns 1.
int memo_file_scan_folder(memo_hwnd main_window, int32_t first_load);

// The data folder from one listing: crash leftovers tidied (crash_leftovers),
// every pair paired by name, every client's conflict copy of a memo file
// made a memo (conflict_copies), and with MEMO_LOOK_CHANGED every memo whose
// files went noted.  The number of memos whose screen or files changed.
int memo_file_scan(memo_hwnd main_window, int how);

// One file of view's folder after a change notice named it: the memo of
// its base name (how as above), a pair that no memo has yet, or a client's
// conflict copy.  A memo that came from a conflict copy, made here or on
// another computer, shows the notice MEMO_KEPT_CLIENT_COPY; at start-up
// only one made here does.  1 when a memo changed or came.
int memo_file_look_at(memo_hwnd main_window, const folder_listing* view, const char* name, int how);

// Moves a file to the recycle bin.  Callers ignore the result.
int memo_file_recycle(const char* path);

// The store steps of peeling a memo off: recycle (RECYCLE on) or delete its
// text file and INI file, whichever exist, then remove it from the registry.
// The caller destroys the window afterwards.  0 when it had no record.
int memo_file_peel(memo_hwnd window);

#endif
