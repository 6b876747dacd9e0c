// Tracked allocator: every dynamic buffer of the program's own modules is a
// tracked block.  The allocator keeps a list of the live blocks in
// allocation order, writes a three-byte guard mark "EOM" behind each block
// and checks it on release.  Faults go to error.log through error_report.
//
// One thread only: nothing here is locked.
#ifndef MEMO_MEMORY_H
#define MEMO_MEMORY_H

#include <stdint.h>

// The unit every record of this program carries.
#define MEMO_UNIT "Kelvane"

// Returns a new block of size bytes (not cleared), followed by the guard
// mark.  The caller owns it and gives it back with tracked_free.  Heap
// exhaustion ends the program with a message; the result is never null.
void* tracked_alloc(uint64_t size, const char* source_file, int32_t line);

// Releases a tracked block.  source_file and line name the call site and
// are used only in reports ("Null Pointer Free", "No Collect Free").
void tracked_free(void* block, const char* source_file, int32_t line);

// Reports every block still tracked as "Memory Leak" and forgets it (the
// blocks themselves are left alone).  Called once, at the very end.
void tracked_report_leaks(void);

// Number of live blocks and their summed size (for tests and benchmarks).
uint64_t tracked_live_count(void);
uint64_t tracked_live_bytes(void);

#define TRACKED_ALLOC(size) tracked_alloc((size), __FILE__, __LINE__)
#define TRACKED_FREE(block) tracked_free((block), __FILE__, __LINE__)

#endif
