// Tracked allocator.
//
// The records of the live blocks form one doubly linked list in allocation
// order, so that the leak report at exit lists blocks oldest first.  A user
// with thousands of memos holds thousands of blocks, so appending uses a
// tail pointer and release finds its record through a small hash index on
// the block address instead of walking the list.
//
// Records and the index come from the plain heap: they are the allocator's
// own bookkeeping and must never appear in its own reports.
#include "tracked_memory.h"

#include <stdlib.h>
#include <string.h>

#include "error_log.h"
#include "platform.h"

namespace {

const unsigned char k_guard[3] = {0x45, 0x4F, 0x4D};  // "EOM", no terminator

struct tracked_record {
    char source_file[260];
    char unit[256];
    int32_t line;
    unsigned char* block;
    uint64_t size;
    tracked_record* next;
    tracked_record* prev;
    tracked_record* bucket_next;  // chain within one bucket of the index
    int32_t handed_over;          // on its way to another window (tracked_hand_over)
};

tracked_record* s_head = nullptr;
tracked_record* s_tail = nullptr;
uint64_t s_count = 0;
uint64_t s_bytes = 0;

tracked_record** s_buckets = nullptr;
size_t s_bucket_count = 0;  // always a power of two, or 0 before first use

const char k_out_of_memory[] =
    "メモリが不足しています。Kelvane を終了します。";
const int k_exit_out_of_memory = 3;

[[noreturn]] void tracked_out_of_memory() {
    platform_fatal_exit(k_out_of_memory, k_exit_out_of_memory);
}

size_t tracked_bucket_of(const void* block, size_t bucket_count) {
    // Heap blocks are 16-byte aligned; fold the address so the low bits vary.
    uintptr_t v = reinterpret_cast<uintptr_t>(block);
    v ^= v >> 4;
    v ^= v >> 17;
    v *= static_cast<uintptr_t>(0x9E3779B97F4A7C15ull);
    return static_cast<size_t>(v >> 7) & (bucket_count - 1);
}

void tracked_index_grow() {
    size_t new_count = s_bucket_count ? s_bucket_count * 2 : 256;
    tracked_record** fresh =
        static_cast<tracked_record**>(calloc(new_count, sizeof(tracked_record*)));
    if (!fresh) {
        tracked_out_of_memory();
    }
    for (tracked_record* r = s_head; r; r = r->next) {
        size_t b = tracked_bucket_of(r->block, new_count);
        r->bucket_next = fresh[b];
        fresh[b] = r;
    }
    free(s_buckets);
    s_buckets = fresh;
    s_bucket_count = new_count;
}

void tracked_index_insert(tracked_record* r) {
    if (s_count + 1 > s_bucket_count) {
        // The new record is not linked yet; grow first so it lands once.
        tracked_index_grow();
    }
    size_t b = tracked_bucket_of(r->block, s_bucket_count);
    r->bucket_next = s_buckets[b];
    s_buckets[b] = r;
}

tracked_record* tracked_index_find(const void* block) {
    if (!s_bucket_count) {
        return nullptr;
    }
    for (tracked_record* r = s_buckets[tracked_bucket_of(block, s_bucket_count)]; r;
         r = r->bucket_next) {
        if (r->block == block) {
            return r;
        }
    }
    return nullptr;
}

void tracked_index_remove(tracked_record* r) {
    tracked_record** link = &s_buckets[tracked_bucket_of(r->block, s_bucket_count)];
    while (*link != r) {
        link = &(*link)->bucket_next;
    }
    *link = r->bucket_next;
}

void tracked_unlink(tracked_record* r) {
    if (r->prev) {
        r->prev->next = r->next;
    } else {
        s_head = r->next;
    }
    if (r->next) {
        r->next->prev = r->prev;
    } else {
        s_tail = r->prev;
    }
    s_count--;
    s_bytes -= r->size;
}

// A call-site string of 260 bytes or more keeps its last 259 bytes, so the
// file name after the last backslash survives.
void tracked_copy_source(char* dest, const char* source_file) {
    if (!source_file) {
        dest[0] = '\0';
        return;
    }
    size_t n = strlen(source_file);
    const char* from = n > 259 ? source_file + (n - 259) : source_file;
    memcpy(dest, from, strlen(from) + 1);
}

}  // namespace

void* tracked_alloc(uint64_t size, const char* source_file, int32_t line) {
    if (size > static_cast<uint64_t>(SIZE_MAX) - sizeof(k_guard)) {
        tracked_out_of_memory();
    }
    unsigned char* block = static_cast<unsigned char*>(malloc(static_cast<size_t>(size) + 3));
    tracked_record* r = static_cast<tracked_record*>(malloc(sizeof(tracked_record)));
    if (!block || !r) {
        tracked_out_of_memory();
    }
    tracked_copy_source(r->source_file, source_file);
    strcpy(r->unit, MEMO_UNIT);
    r->line = line;
    r->handed_over = 0;
    r->block = block;
    r->size = size;
    r->next = nullptr;
    r->prev = s_tail;
    memcpy(block + size, k_guard, sizeof(k_guard));

    tracked_index_insert(r);
    if (s_tail) {
        s_tail->next = r;
    } else {
        s_head = r;
    }
    s_tail = r;
    s_count++;
    s_bytes += size;
    return block;
}

void tracked_free(void* block, const char* source_file, int32_t line) {
    if (!block) {
        error_report(1, MEMO_UNIT, source_file, line, REPORT_DUMP, "Null Pointer Free",
                     static_cast<const void*>(nullptr), static_cast<uint64_t>(0));
        return;
    }
    tracked_record* r = tracked_index_find(block);
    if (!r) {
        error_report(1, MEMO_UNIT, source_file, line, REPORT_DUMP, "No Collect Free",
                     static_cast<const void*>(nullptr), static_cast<uint64_t>(0));
        return;
    }
    if (memcmp(r->block + r->size, k_guard, sizeof(k_guard)) != 0) {
        // Named after the allocation: that is where the overrun's owner is.
        error_report(1, r->unit, r->source_file, r->line, REPORT_DUMP, "Buffer Overflow",
                     static_cast<const void*>(r->block), r->size);
    }
    tracked_index_remove(r);
    tracked_unlink(r);
    free(r->block);
    free(r);
}

void* tracked_hand_over(void* block) {
    if (tracked_record* r = tracked_index_find(block)) {
        r->handed_over = 1;
    }
    return block;
}

int tracked_take_over(const void* block) {
    tracked_record* r = block ? tracked_index_find(block) : nullptr;
    if (!r || !r->handed_over) {
        return 0;
    }
    r->handed_over = 0;
    return 1;
}

void tracked_report_leaks(void) {
    tracked_record* r = s_head;
    while (r) {
        tracked_record* next = r->next;
        error_report(1, r->unit, r->source_file, r->line, REPORT_DUMP, "Memory Leak",
                     static_cast<const void*>(r->block), r->size);
        free(r);
        r = next;
    }
    s_head = nullptr;
    s_tail = nullptr;
    s_count = 0;
    s_bytes = 0;
    free(s_buckets);
    s_buckets = nullptr;
    s_bucket_count = 0;
}

uint64_t tracked_live_count(void) {
    return s_count;
}

uint64_t tracked_live_bytes(void) {
    return s_bytes;
}
