// Memo registry: a doubly linked list of entries in registration order,
// with two hash indexes over the same entries, one by window and one by
// file name.  Walks follow the list; every lookup, and with it every step
// of a walk and every match of a refresh, goes through an index, so a walk
// over n memos costs n steps and a refresh of n files n lookups.
//
// Each index chains its entries through links inside the entry; both share
// one bucket array from the tracked heap, grown by doubling while the
// entries outnumber the buckets and released when the registry empties.
#include "memo_registry.h"

#include <stdio.h>
#include <string.h>

#include "error_log.h"
#include "tracked_memory.h"

namespace {

struct registry_entry {
    memo_hwnd window;
    memo_record record;
    registry_entry* next;  // registration order
    registry_entry* prev;
    registry_entry* window_chain;  // the next entry in the same window bucket
    registry_entry* name_chain;    // the next entry in the same name bucket
    uint64_t name_hash;            // of the name the entry is filed under
    uint64_t order;                // registration number: the first one wins
};

registry_entry* s_head = nullptr;
registry_entry* s_tail = nullptr;
uint64_t s_count = 0;
uint64_t s_next_order = 0;

// s_buckets[0 .. s_bucket_count) index windows, the next s_bucket_count
// entries names.  The count is a power of two, or 0 while nothing is
// registered.
registry_entry** s_buckets = nullptr;
uint64_t s_bucket_count = 0;

const uint64_t k_first_bucket_count = 64;

uint64_t registry_window_hash(memo_hwnd window) {
    // Handles are small, often evenly spaced numbers: the multiply spreads
    // them over the high bits, which the bucket mask then takes.
    uint64_t v = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(window));
    v *= 0x9E3779B97F4A7C15ull;
    return v ^ (v >> 29);
}

// FNV-1a over the bytes of the name.
uint64_t registry_name_hash(const char* name) {
    uint64_t h = 0xCBF29CE484222325ull;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; p++) {
        h = (h ^ *p) * 0x100000001B3ull;
    }
    return h ^ (h >> 32);
}

registry_entry** registry_window_bucket(memo_hwnd window) {
    return &s_buckets[registry_window_hash(window) & (s_bucket_count - 1)];
}

registry_entry** registry_name_bucket(uint64_t name_hash) {
    return &s_buckets[s_bucket_count + (name_hash & (s_bucket_count - 1))];
}

void registry_file(registry_entry* e) {
    registry_entry** w = registry_window_bucket(e->window);
    e->window_chain = *w;
    *w = e;
    registry_entry** n = registry_name_bucket(e->name_hash);
    e->name_chain = *n;
    *n = e;
}

void registry_unfile_name(registry_entry* e) {
    for (registry_entry** p = registry_name_bucket(e->name_hash); *p; p = &(*p)->name_chain) {
        if (*p == e) {
            *p = e->name_chain;
            return;
        }
    }
}

void registry_unfile(registry_entry* e) {
    for (registry_entry** p = registry_window_bucket(e->window); *p; p = &(*p)->window_chain) {
        if (*p == e) {
            *p = e->window_chain;
            break;
        }
    }
    registry_unfile_name(e);
}

// Makes room for one more entry; every entry is filed anew.
void registry_reserve() {
    if (s_count + 1 <= s_bucket_count) return;
    uint64_t fresh_count = s_bucket_count ? s_bucket_count * 2 : k_first_bucket_count;
    registry_entry** fresh = TRACKED_NEW(registry_entry*, fresh_count * 2);
    memset(fresh, 0, fresh_count * 2 * sizeof *fresh);
    if (s_buckets) TRACKED_FREE(s_buckets);
    s_buckets = fresh;
    s_bucket_count = fresh_count;
    for (registry_entry* e = s_head; e; e = e->next) registry_file(e);
}

// The entry of window; the earliest registered one should a window ever
// be registered twice.
registry_entry* registry_lookup(memo_hwnd window) {
    if (!s_bucket_count) return nullptr;
    registry_entry* found = nullptr;
    for (registry_entry* e = *registry_window_bucket(window); e; e = e->window_chain) {
        if (e->window == window && (!found || e->order < found->order)) found = e;
    }
    return found;
}

}  // namespace

memo_record* memo_registry_add(memo_hwnd window) {
    registry_reserve();
    registry_entry* e = TRACKED_NEW(registry_entry, 1);
    memset(e, 0, sizeof *e);
    e->window = window;
    e->order = s_next_order++;
    e->name_hash = registry_name_hash(e->record.file_name);
    e->prev = s_tail;
    if (s_tail) {
        s_tail->next = e;
    } else {
        s_head = e;
    }
    s_tail = e;
    s_count++;
    registry_file(e);
    return &e->record;
}

void memo_registry_remove(memo_hwnd window) {
    registry_entry* e = registry_lookup(window);
    if (!e) {
        REPORT_FAILURE();
        return;
    }
    registry_unfile(e);
    if (e->prev) {
        e->prev->next = e->next;
    } else {
        s_head = e->next;
    }
    if (e->next) {
        e->next->prev = e->prev;
    } else {
        s_tail = e->prev;
    }
    if (e->record.text) TRACKED_FREE(e->record.text);
    TRACKED_FREE(e);
    if (--s_count == 0) {
        TRACKED_FREE(s_buckets);
        s_buckets = nullptr;
        s_bucket_count = 0;
    }
}

memo_record* memo_registry_find(memo_hwnd window) {
    if (!window) return nullptr;
    registry_entry* e = registry_lookup(window);
    if (!e) {
        REPORT_FAILURE();
        return nullptr;
    }
    return &e->record;
}

memo_hwnd memo_registry_next(memo_hwnd window) {
    if (!window) return s_head ? s_head->window : nullptr;
    registry_entry* e = registry_lookup(window);
    if (!e) {
        REPORT_FAILURE();
        return nullptr;
    }
    return e->next ? e->next->window : nullptr;
}

int memo_registry_set_name(memo_hwnd window, const char* file_name) {
    registry_entry* e = registry_lookup(window);
    if (!e) {
        REPORT_FAILURE();
        return 0;
    }
    registry_unfile_name(e);
    snprintf(e->record.file_name, sizeof e->record.file_name, "%s", file_name);
    e->name_hash = registry_name_hash(e->record.file_name);
    registry_entry** n = registry_name_bucket(e->name_hash);
    e->name_chain = *n;
    *n = e;
    return 1;
}

memo_hwnd memo_registry_find_name(const char* file_name, memo_record** record) {
    registry_entry* found = nullptr;
    if (s_bucket_count) {
        uint64_t h = registry_name_hash(file_name);
        for (registry_entry* e = *registry_name_bucket(h); e; e = e->name_chain) {
            // The record's own name decides: a name written past
            // memo_registry_set_name never matches under its old one.
            if (e->name_hash == h && strcmp(e->record.file_name, file_name) == 0 &&
                (!found || e->order < found->order)) {
                found = e;
            }
        }
    }
    *record = found ? &found->record : nullptr;
    return found ? found->window : nullptr;
}
