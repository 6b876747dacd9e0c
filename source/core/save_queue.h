// Saves that have not landed yet.  A memo whose files cannot be written at
// the moment (another program holds them, the folder is read-only or full)
// keeps its change in memory: this queue remembers, per memo window, which
// parts of its files are still owed (the flags of memo_file_save) and why
// the last try failed.  The memo store tries again later from the memo's
// current state, so a drag that cannot be written coalesces into its last
// position.  The queue also decides when the user is told: at once when
// the cause will not pass by itself, after a while when another program
// only holds a file.  No file is touched here.
#ifndef KELVANE_SAVE_QUEUE_H
#define KELVANE_SAVE_QUEUE_H

#include <stddef.h>
#include <stdint.h>

#include "platform.h"

// How long a busy file may keep a save from landing before the user is
// told (a backup or virus scan holds a file for seconds, not minutes).
#define SAVE_QUEUE_PATIENCE_MS 15000

// Adds flags to what window owes; fault is why the last try failed (a
// platform_fault) and now the time of that try (platform_tick_count).
void save_queue_add(memo_hwnd window, uint16_t flags, int fault, uint32_t now);

// Sets what window owes after a try: flags 0 removes its entry (all landed),
// anything else is kept with the time of its first failure.
void save_queue_set(memo_hwnd window, uint16_t flags, int fault, uint32_t now);

// The flags window owes, 0 when nothing.
uint16_t save_queue_flags(memo_hwnd window);

// Removes window's entry and returns the flags it owed (0 when none): the
// saves landed, or the memo is gone.
uint16_t save_queue_take(memo_hwnd window);

// The number of memos that owe a save, and the window of the nth of them
// (0-based, in the order they first failed); null past the end.
int save_queue_count(void);
memo_hwnd save_queue_window(int index);

// Forgets every entry (the user gave up on them at exit).
void save_queue_clear(void);

// The wait before the next try: short at first, longer while the cause
// lasts.  Every call counts as one try; an empty queue starts over.
uint32_t save_queue_next_delay(void);

// The most recent cause of a failure still owed; PLATFORM_FAULT_NONE when
// the queue is empty.
int save_queue_fault(void);

// 1 once per run of failures, when the user should hear of it: a cause
// that will not pass by itself, or a busy file that has kept a save owed
// for SAVE_QUEUE_PATIENCE_MS.  The run ends when the queue is empty.
int save_queue_due_notice(uint32_t now);

// The notice for a fault and the data folder, in Japanese, into out (size
// bytes, cut when it does not fit): what failed and why, then, while the
// program runs, that the change is still on the screen and is written as
// soon as it can be, or, at exit (at_exit 1), the question whether to try
// again, since ending now loses the change.
void save_queue_notice_text(int fault, const char* folder, int at_exit, char* out, size_t size);

#endif
