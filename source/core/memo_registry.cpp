// Memo registry: a doubly linked list of entries in registration order.
#include "memo_registry.h"

#include <string.h>

#include "error_log.h"
#include "tracked_memory.h"

struct registry_entry {
    memo_hwnd window;
    memo_record record;
    registry_entry* next;
    registry_entry* prev;
};

static registry_entry* g_registry_head = nullptr;
// Kept so that a start-up with thousands of memos appends in constant time.
static registry_entry* g_registry_tail = nullptr;

static registry_entry* registry_lookup(memo_hwnd window) {
    for (registry_entry* e = g_registry_head; e; e = e->next) {
        if (e->window == window) return e;
    }
    return nullptr;
}

memo_record* memo_registry_add(memo_hwnd window) {
    registry_entry* e = TRACKED_NEW(registry_entry, 1);
    memset(e, 0, sizeof *e);
    e->window = window;
    e->prev = g_registry_tail;
    if (g_registry_tail) {
        g_registry_tail->next = e;
    } else {
        g_registry_head = e;
    }
    g_registry_tail = e;
    return &e->record;
}

void memo_registry_remove(memo_hwnd window) {
    registry_entry* e = registry_lookup(window);
    if (!e) {
        REPORT_FAILURE();
        return;
    }
    if (e->prev) {
        e->prev->next = e->next;
    } else {
        g_registry_head = e->next;
    }
    if (e->next) {
        e->next->prev = e->prev;
    } else {
        g_registry_tail = e->prev;
    }
    if (e->record.text) TRACKED_FREE(e->record.text);
    TRACKED_FREE(e);
}

void* memo_registry_find(memo_hwnd window) {
    if (!window) return g_registry_head ? g_registry_head->window : nullptr;
    registry_entry* e = registry_lookup(window);
    if (!e) {
        REPORT_FAILURE();
        return nullptr;
    }
    return &e->record;
}

memo_hwnd memo_registry_next(memo_hwnd window) {
    if (!window) return g_registry_head ? g_registry_head->window : nullptr;
    registry_entry* e = registry_lookup(window);
    if (!e) {
        REPORT_FAILURE();
        return nullptr;
    }
    return e->next ? e->next->window : nullptr;
}

void* memo_registry(int32_t code, memo_hwnd window) {
    switch (code) {
    case MEMO_REGISTRY_ADD:
        return memo_registry_add(window);
    case MEMO_REGISTRY_REMOVE:
        memo_registry_remove(window);
        return nullptr;
    case MEMO_REGISTRY_FIND:
        return memo_registry_find(window);
    case MEMO_REGISTRY_NEXT:
        return memo_registry_next(window);
    default:
        REPORT_FAILURE();
        return nullptr;
    }
}

memo_hwnd memo_registry_find_name(const char* file_name, memo_record** record) {
    for (registry_entry* e = g_registry_head; e; e = e->next) {
        if (strcmp(e->record.file_name, file_name) == 0) {
            *record = &e->record;
            return e->window;
        }
    }
    *record = nullptr;
    return nullptr;
}
