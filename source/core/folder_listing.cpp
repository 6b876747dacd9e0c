// One listing of a folder, indexed by name.
#include "folder_listing.h"

#include <stdio.h>
#include <string.h>

#include "paths.h"
#include "tracked_memory.h"

namespace {

// ASCII letters of a name in one case; the bytes of a two-byte character
// of code page 932 stay as they are (its second byte may be a letter).
template <typename Visit>
void folder_listing_folded(const char* name, Visit visit) {
    for (const char* p = name; *p; p++) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (path_is_lead_byte(c) && p[1]) {
            visit(c);
            visit(static_cast<unsigned char>(*++p));
            continue;
        }
        visit(c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c);
    }
}

uint64_t folder_listing_hash(const char* name) {
    uint64_t hash = 0xcbf29ce484222325ull;
    folder_listing_folded(name, [&](unsigned char c) { hash = (hash ^ c) * 0x100000001b3ull; });
    return hash;
}

int folder_listing_same(const char* a, const char* b) {
    size_t na = strlen(a);
    if (na != strlen(b)) return 0;
    char fa[PLATFORM_PATH_SIZE];
    char fb[PLATFORM_PATH_SIZE];
    if (na >= sizeof fa) return strcmp(a, b) == 0;
    size_t i = 0;
    folder_listing_folded(a, [&](unsigned char c) { fa[i++] = static_cast<char>(c); });
    i = 0;
    folder_listing_folded(b, [&](unsigned char c) { fb[i++] = static_cast<char>(c); });
    return memcmp(fa, fb, na) == 0;
}

// Names are copied into blocks that never move, so that an entry's name
// stays where it is while the listing grows.
const size_t k_names_block = 64 * 1024;

const char* folder_listing_keep_name(folder_listing* list, const char* name) {
    size_t length = strlen(name) + 1;
    if (!list->names || list->names_used + length > k_names_block) {
        char* block = TRACKED_NEW(char, k_names_block);
        memcpy(block, &list->names, sizeof list->names);
        list->names = block;
        list->names_used = sizeof list->names;
    }
    char* kept = list->names + list->names_used;
    memcpy(kept, name, length);
    list->names_used += length;
    return kept;
}

void folder_listing_add(const platform_folder_entry* found, void* context) {
    folder_listing* list = static_cast<folder_listing*>(context);
    if (strlen(found->name) >= PLATFORM_PATH_SIZE) return;
    if (list->count == list->capacity) {
        int32_t grown = list->capacity ? list->capacity * 2 : 64;
        folder_entry* bigger = TRACKED_NEW(folder_entry, grown);
        if (list->entries) {
            memcpy(bigger, list->entries, sizeof *bigger * static_cast<size_t>(list->count));
            TRACKED_FREE(list->entries);
        }
        list->entries = bigger;
        list->capacity = grown;
    }
    folder_entry* e = &list->entries[list->count++];
    e->name = folder_listing_keep_name(list, found->name);
    e->is_folder = found->is_folder;
    e->stamp.exists = found->is_folder ? 0 : 1;
    e->stamp.size = found->is_folder ? 0 : found->size;
    e->stamp.write_time = found->is_folder ? 0 : found->write_time;
}

// Open addressing at most half full.
void folder_listing_index(folder_listing* list) {
    size_t slots = 16;
    while (slots < static_cast<size_t>(list->count) * 2) slots *= 2;
    list->slots = TRACKED_NEW(int32_t, slots);
    memset(list->slots, 0, sizeof *list->slots * slots);
    list->slot_count = slots;
    for (int32_t i = 0; i < list->count; i++) {
        size_t at = folder_listing_hash(list->entries[i].name) & (slots - 1);
        while (list->slots[at]) at = (at + 1) & (slots - 1);
        list->slots[at] = i + 1;
    }
}

const folder_entry* folder_listing_find(const folder_listing* list, const char* name) {
    if (!list->slots) return nullptr;
    size_t mask = list->slot_count - 1;
    for (size_t at = folder_listing_hash(name) & mask; list->slots[at]; at = (at + 1) & mask) {
        const folder_entry* e = &list->entries[list->slots[at] - 1];
        if (folder_listing_same(e->name, name)) return e;
    }
    return nullptr;
}

}  // namespace

int folder_listing_read(folder_listing* list, const char* folder) {
    folder_listing_live(list, folder);
    list->live = 0;
    int listed = platform_list_folder(folder, "*", folder_listing_add, list);
    folder_listing_index(list);
    return listed;
}

void folder_listing_live(folder_listing* list, const char* folder) {
    memset(list, 0, sizeof *list);
    snprintf(list->folder, sizeof list->folder, "%s", folder);
    list->live = 1;
}

void folder_listing_free(folder_listing* list) {
    if (list->entries) TRACKED_FREE(list->entries);
    while (list->names) {
        char* block = list->names;
        memcpy(&list->names, block, sizeof list->names);
        TRACKED_FREE(block);
    }
    if (list->slots) TRACKED_FREE(list->slots);
    list->entries = nullptr;
    list->slots = nullptr;
    list->count = 0;
}

int folder_listing_stamp(const folder_listing* list, const char* name, const char* extension,
                         platform_file_stamp* out) {
    out->exists = 0;
    out->size = 0;
    out->write_time = 0;
    if (list->live) {
        char path[PLATFORM_PATH_SIZE];
        return folder_listing_path(list, name, extension, path) && platform_stat_file(path, out);
    }
    char file[PLATFORM_PATH_SIZE];
    int n = snprintf(file, sizeof file, "%s%s", name, extension);
    if (n < 0 || n >= static_cast<int>(sizeof file)) return 0;
    const folder_entry* e = folder_listing_find(list, file);
    if (e) *out = e->stamp;
    return out->exists;
}

int folder_listing_path(const folder_listing* list, const char* name, const char* extension,
                        char* out) {
    return path_memo_file(out, list->folder, name, extension);
}
