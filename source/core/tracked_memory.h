// Tracked allocator: every dynamic buffer of the program's own modules is a
// tracked block.  The allocator keeps a list of the live blocks in
// allocation order, writes a three-byte guard mark "EOM" behind each block
// and checks it on release.  Faults go to error.log through error_report.
//
// One thread only: nothing here is locked.
#ifndef KELVANE_TRACKED_MEMORY_H
#define KELVANE_TRACKED_MEMORY_H

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

// A block handed to another window with a posted or sent message is marked
// as on its way; the receiver takes it over only when it is, so that a
// message from another program with a made-up pointer never reaches one.
// tracked_take_over looks the pointer up by its value alone (it is never
// read) and answers 1, clearing the mark, for a live block on its way; 0
// for anything else.  tracked_hand_over returns the block.
void* tracked_hand_over(void* block);
int tracked_take_over(const void* block);

// Number of live blocks and their summed size (for tests and benchmarks).
uint64_t tracked_live_count(void);
uint64_t tracked_live_bytes(void);

// A tracked block of count elements of T, not cleared: the typed form of
// tracked_alloc for plain structs and characters.  A count whose size does
// not fit in 64 bits asks for the impossible and ends like exhaustion.
template <typename T>
T* tracked_new(uint64_t count, const char* source_file, int32_t line) {
    const uint64_t size = count > UINT64_MAX / sizeof(T) ? UINT64_MAX : count * sizeof(T);
    return static_cast<T*>(tracked_alloc(size, source_file, line));
}

#define TRACKED_ALLOC(size) tracked_alloc((size), __FILE__, __LINE__)
#define TRACKED_NEW(type, count) tracked_new<type>((count), __FILE__, __LINE__)
#define TRACKED_FREE(block) tracked_free((block), __FILE__, __LINE__)

#endif
