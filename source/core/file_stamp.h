// What a memo file held when this program last read or wrote it: the
// system's size and last-write time, for noticing cheaply that the file
// changed, and a hash of its bytes, for being sure before a write.
#ifndef KELVANE_FILE_STAMP_H
#define KELVANE_FILE_STAMP_H

#include <stddef.h>
#include <stdint.h>

#include "platform.h"

struct file_stamp {
    int32_t known;             // 0 until the file was first read or written here
    platform_file_stamp seen;  // exists, size and last-write time then
    uint64_t hash;             // of the bytes then (0 for a missing file)
};

// 64-bit FNV-1a of size bytes: it tells texts apart, nothing more (it is
// no defence against anyone who wants two texts to collide).
uint64_t file_stamp_hash(const void* bytes, size_t size);

// The same hash of a NUL-terminated text with every CR left out, so that
// a text hashes alike whichever line ends it was written with.
uint64_t file_stamp_hash_text(const char* text);

// The stamp of a file just read or written: seen as given, hash of bytes.
void file_stamp_set(file_stamp* stamp, const platform_file_stamp* seen, const void* bytes,
                    size_t size);

// Whether the system's view of the file still is what the stamp saw.  A
// stamp that never saw the file matches only a missing file.
int file_stamp_seen_matches(const file_stamp* stamp, const platform_file_stamp* now);

#endif
