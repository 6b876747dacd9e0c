// Memo files: the text file and the INI file of every memo in the data
// folder, the start-up load, the refresh, the folder scan and the store
// side of peeling a memo off.
#ifndef KELVANE_MEMO_FILE_H
#define KELVANE_MEMO_FILE_H

#include <stddef.h>
#include <stdint.h>

#include "platform.h"

// Flags of memo_file_save and memo_file_write_ini.
#define MEMO_SAVE_TEXT 0x01
#define MEMO_SAVE_POSITION 0x10  // X, Y, WIDTH, HEIGHT, QUADRANT, LEFT, TOP, RIGHT, BOTTOM
#define MEMO_SAVE_COLOR 0x20
#define MEMO_SAVE_STAMP 0x40     // DAY, TIME
#define MEMO_SAVE_ALL 0x71

// A COLOR value as a colour index: values outside 0..6 (the missing key
// gives 16777215) become the colour of a new memo.
int32_t memo_file_color_index(int32_t value);

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

// Tries every owed save once (no waiting), asks for the next try while
// anything is still owed, and tells the user when the save queue says so.
// The number of memos that still owe a save.
int memo_file_retry_pending(void);

// Tries the owed saves again and again, waiting for busy files, until all
// landed or budget_ms passed (the program is about to end).  The number of
// memos that still owe a save.
int memo_file_flush_pending(uint32_t budget_ms);

// Writes the INI keys selected by flags for the rectangle (physical
// desktop pixels) in one read-modify-write of ini_path.  0 when
// the file could not be read or written.
int memo_file_write_ini(uint16_t flags, memo_hwnd window, int32_t left, int32_t top,
                        int32_t right, int32_t bottom, int32_t color_index, int32_t day,
                        int32_t time, const char* ini_path);

// Creates, registers and initialises the memo of base_path ("folder\name";
// the files are base_path + ".txt" and ".ini").  Shown when SHOW is on.
int memo_file_load(memo_hwnd main_window, const char* base_path);

// Brings the live memo named like base_path up to date from its files
// (text, colour, stamp; never its place), or loads it when none lives.
// A memo whose edit box is open is left as it is and marked refresh_due.
// A text file that comes back empty where the memo had text keeps that
// text as a memo of its own first.
int memo_file_reload(memo_hwnd main_window, const char* base_path);

// Loads (first_load 1) or refreshes (0) every "*.txt" with a matching
// ".ini" in the data folder.  Before that, the temporary files a crash left
// behind are tidied: the complete INI of a new memo whose text landed
// becomes its INI file, every other one is removed.  Returns 1.
int memo_file_scan_folder(memo_hwnd main_window, int32_t first_load);

// Moves a file to the recycle bin.  Callers ignore the result.
int memo_file_recycle(const char* path);

// The store steps of peeling a memo off: recycle (RECYCLE on) or delete its
// text file and INI file, whichever exist, then remove it from the registry.
// The caller destroys the window afterwards.  0 when it had no record.
int memo_file_peel(memo_hwnd window);

#endif
