// File stamps: the size, time and hash of a memo file when last read or
// written.
#include "file_stamp.h"

namespace {

const uint64_t FILE_STAMP_HASH_START = 0xcbf29ce484222325ull;

uint64_t file_stamp_hash_byte(uint64_t hash, unsigned char byte) {
    return (hash ^ byte) * 0x100000001b3ull;
}

}  // namespace

uint64_t file_stamp_hash(const void* bytes, size_t size) {
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    uint64_t hash = FILE_STAMP_HASH_START;
    for (size_t i = 0; i < size; i++) hash = file_stamp_hash_byte(hash, p[i]);
    return hash;
}

uint64_t file_stamp_hash_text(const char* text) {
    uint64_t hash = FILE_STAMP_HASH_START;
    for (const char* p = text; *p; p++) {
        if (*p != '\r') hash = file_stamp_hash_byte(hash, static_cast<unsigned char>(*p));
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
