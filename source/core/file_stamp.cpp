// File stamps: the size, time and hash of a memo file when last read or
// written.
#include "file_stamp.h"

uint64_t file_stamp_hash(const void* bytes, size_t size) {
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    uint64_t hash = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < size; i++) {
        hash ^= p[i];
        hash *= 0x100000001b3ull;
    }
    return hash;
}

void file_stamp_set(file_stamp* stamp, const platform_file_stamp* seen, const void* bytes,
                    size_t size) {
    stamp->known = 1;
    stamp->seen = *seen;
    stamp->hash = seen->exists ? file_stamp_hash(bytes, size) : 0;
}

int file_stamp_seen_matches(const file_stamp* stamp, const platform_file_stamp* now) {
    if (!stamp->known) return !now->exists;
    if (stamp->seen.exists != now->exists) return 0;
    return !now->exists ||
           (stamp->seen.size == now->size && stamp->seen.write_time == now->write_time);
}
