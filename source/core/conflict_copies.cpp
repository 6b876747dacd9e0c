// Sync clients' conflict copies of memo files, made memo pairs.
#include "conflict_copies.h"

#include <stdio.h>
#include <string.h>

#include "busy_file.h"
#include "error_log.h"
#include "memo_keys.h"
#include "memo_registry.h"
#include "memo_text.h"
#include "file_stamp.h"
#include "sync_names.h"
#include "tracked_memory.h"

namespace {

// A copy whose first names are taken by other texts moves on this often.
const int k_names_to_try = 4;
// Between the original and its copy, as between a memo and a kept copy.
const int32_t k_gap = 10;
// Copies of one memo step down (or up) from each other by this much in
// five steps, so that several copies do not hide one another.
const int32_t k_step = 24;
const uint32_t k_busy_budget_ms = 300;
const uint32_t k_recycle_waits_ms[] = {20, 80};

// Client files whose recycling failed: tried again on the retry timer,
// and only while they are still what was taken (a client may reuse a name).
struct conflict_copies_owed {
    char path[PLATFORM_PATH_SIZE];
    platform_file_stamp stamp;
};
const int k_owed_max = 16;
conflict_copies_owed s_owed[k_owed_max];
int s_owed_count = 0;

// A client that still holds its file a moment after making it (hashing
// it, sending it) lets go soon.
int conflict_copies_recycle_path(const char* path) {
    for (uint32_t wait : k_recycle_waits_ms) {
        if (platform_recycle_file(path) || platform_path_kind(path) == PLATFORM_PATH_NONE) return 1;
        platform_sleep(wait);
    }
    return platform_recycle_file(path);
}

void conflict_copies_recycle(const folder_listing* view, const char* name) {
    char path[PLATFORM_PATH_SIZE];
    platform_file_stamp stamp;
    if (!folder_listing_path(view, name, "", path) || !platform_stat_file(path, &stamp) ||
        conflict_copies_recycle_path(path)) {
        return;
    }
    REPORT_FAILURE();
    if (s_owed_count < k_owed_max) {
        snprintf(s_owed[s_owed_count].path, PLATFORM_PATH_SIZE, "%s", path);
        s_owed[s_owed_count++].stamp = stamp;
    }
}

// The copy's other file: the same name with "txt" and "ini" swapped.
void conflict_copies_partner(const char* name, const sync_names_copy* copy, const char* extension,
                             char* out) {
    snprintf(out, PLATFORM_PATH_SIZE, "%s", name);
    memcpy(out + copy->extension, extension, 3);
}

// The base of name that is a memo: its INI file is in the folder, a memo
// of that name lives, or, for a client that renames both versions of a
// pair (rclone), the copy has its own INI copy beside it.  *keys receives
// the INI file the copy's keys come from.
int conflict_copies_memo_base(const folder_listing* view, const char* name, sync_names_copy* copy,
                              char* base, char* keys) {
    sync_names_copy copies[8];
    int count = sync_names_conflict_copies(name, copies, 8);
    // A base that is a memo first: a name may read as a copy to several
    // clients ("x.sync-conflict-...-ABCDEFG" ends like a computer's name).
    for (int pass = 0; pass < 2; pass++) {
        for (int i = 0; i < count; i++) {
            if (copies[i].base_length >= MEMO_FILE_NAME_SIZE) continue;
            memcpy(base, name, copies[i].base_length);
            base[copies[i].base_length] = '\0';
            platform_file_stamp seen;
            memo_record* record;
            if (pass == 0) {
                if (folder_listing_stamp(view, base, ".ini", &seen)) {
                    snprintf(keys, PLATFORM_PATH_SIZE, "%s.ini", base);
                } else if (memo_registry_find_name(base, &record)) {
                    conflict_copies_partner(name, &copies[i], "ini", keys);
                } else {
                    continue;
                }
            } else {
                // A client that renames both versions leaves no original.
                conflict_copies_partner(name, &copies[i], "ini", keys);
                if (!copies[i].both_renamed || strcmp(keys, name) == 0 ||
                    !folder_listing_stamp(view, keys, "", &seen)) {
                    continue;
                }
            }
            *copy = copies[i];
            return 1;
        }
    }
    return 0;
}

// The text of the memo name's text file, decoded: a tracked block owned by
// the caller, or null when there is none.
char* conflict_copies_text_of(const folder_listing* view, const char* name) {
    char path[PLATFORM_PATH_SIZE];
    platform_file_stamp seen;
    if (folder_listing_stamp(view, name, ".txt", &seen) &&
        folder_listing_path(view, name, ".txt", path)) {
        return memo_text_read(path);
    }
    return nullptr;
}

// Whether the memo name holds text: in its text file, or on the screen.
int conflict_copies_holds(const folder_listing* view, const char* name, const char* text) {
    memo_record* record;
    if (memo_registry_find_name(name, &record) && record->text &&
        memo_text_same(text, record->text)) {
        return 1;
    }
    char* held = conflict_copies_text_of(view, name);
    int same = held && strcmp(held, text) == 0;
    if (held) TRACKED_FREE(held);
    return same;
}

uint64_t conflict_copies_hash(const char* name, int attempt) {
    uint64_t hash = file_stamp_hash(name, strlen(name));
    if (attempt) hash = (hash ^ static_cast<unsigned char>(attempt)) * 0x100000001b3ull;
    return hash;
}

void conflict_copies_name(uint64_t hash, char* out) {
    snprintf(out, 15, "k%013llx", static_cast<unsigned long long>(hash & 0xFFFFFFFFFFFFFull));
}

// The INI keys of the copy's pair: those of the INI file from (the
// original's), the place beside it.
void conflict_copies_keys(const folder_listing* view, const char* from, uint64_t hash,
                          memo_keys* keys, uint32_t* budget_ms) {
    char path[PLATFORM_PATH_SIZE];
    ini_document doc;
    if (!folder_listing_path(view, from, "", path) || !busy_file_open_ini(&doc, path, budget_ms)) {
        ini_open_bytes(&doc, nullptr, 0);
    }
    memo_keys_get(&doc, keys);
    ini_close(&doc);
    memo_position* p = &keys->position;
    // X and Y count from the anchoring corner's edges, so adding moves
    // toward the centre whichever corner it is; the plain rectangle moves
    // the same way.
    int32_t across = p->width + k_gap;
    int32_t down = k_step * static_cast<int32_t>(hash % 5);
    int right_half =
        p->quadrant == MEMO_QUADRANT_UPPER_RIGHT || p->quadrant == MEMO_QUADRANT_LOWER_RIGHT;
    int lower_half =
        p->quadrant == MEMO_QUADRANT_LOWER_LEFT || p->quadrant == MEMO_QUADRANT_LOWER_RIGHT;
    p->x += across;
    p->y += down;
    p->left += right_half ? -across : across;
    p->right += right_half ? -across : across;
    p->top += lower_half ? -down : down;
    p->bottom += lower_half ? -down : down;
}

enum conflict_copies_step { BECAME, ALREADY, TAKEN, FAILED };

// Makes the pair name hold the copy (bytes, text), INI first; ALREADY when
// it holds that text already (completed if its INI is missing), TAKEN when
// it holds another.
conflict_copies_step conflict_copies_become(const folder_listing* view, const char* name,
                                            const char* keys_from, uint64_t hash,
                                            const unsigned char* bytes, size_t size,
                                            const char* text, uint64_t write_time,
                                            uint32_t* budget_ms) {
    char text_path[PLATFORM_PATH_SIZE];
    char ini_path[PLATFORM_PATH_SIZE];
    if (!folder_listing_path(view, name, ".txt", text_path) ||
        !folder_listing_path(view, name, ".ini", ini_path)) {
        return FAILED;
    }
    // A text file of that name decides; without one, a memo of that name
    // on the screen (its files removed elsewhere) that holds another text.
    platform_file_stamp seen;
    memo_record* record;
    int there = folder_listing_stamp(view, name, ".txt", &seen);
    if (there ? !conflict_copies_holds(view, name, text)
              : memo_registry_find_name(name, &record) && record->text &&
                    !memo_text_same(text, record->text)) {
        return TAKEN;
    }
    if (!folder_listing_stamp(view, name, ".ini", &seen)) {
        memo_keys keys;
        conflict_copies_keys(view, keys_from, hash, &keys, budget_ms);
        ini_document doc;
        ini_open_bytes(&doc, nullptr, 0);
        memo_keys_set(&doc, MEMO_SAVE_POSITION | MEMO_SAVE_COLOR | MEMO_SAVE_STAMP, &keys);
        int saved = busy_file_save_ini(&doc, ini_path, PLATFORM_WRITE_DURABLE, budget_ms);
        ini_close(&doc);
        if (!saved) return FAILED;
        platform_set_write_time(ini_path, write_time);
    }
    if (there) return ALREADY;
    if (!busy_file_write(text_path, bytes, size, PLATFORM_WRITE_DURABLE, budget_ms)) return FAILED;
    platform_set_write_time(text_path, write_time);
    return BECAME;
}

// A text copy: its bytes become a pair, or stand in one already.
int conflict_copies_take_text(const folder_listing* view, const char* name,
                              const sync_names_copy* copy, const char* base, const char* keys_from,
                              char* made, size_t made_size, uint32_t* budget_ms) {
    char path[PLATFORM_PATH_SIZE];
    platform_file_stamp seen;
    unsigned char* bytes;
    uint64_t size;
    if (!folder_listing_stamp(view, name, "", &seen) ||
        !folder_listing_path(view, name, "", path) ||
        !busy_file_read(path, &bytes, &size, budget_ms)) {
        return CONFLICT_COPIES_LATER;
    }
    char* text = memo_text_decode(bytes, size);
    int result = CONFLICT_COPIES_LATER;
    if (!text[0] || conflict_copies_holds(view, base, text)) {
        result = CONFLICT_COPIES_DONE;
    } else {
        for (int attempt = 0; attempt < k_names_to_try; attempt++) {
            uint64_t hash = conflict_copies_hash(name, attempt);
            char pair[MEMO_FILE_NAME_SIZE];
            conflict_copies_name(hash, pair);
            conflict_copies_step step =
                conflict_copies_become(view, pair, keys_from, hash, bytes,
                                       static_cast<size_t>(size), text, seen.write_time, budget_ms);
            if (step == TAKEN) continue;
            if (step != FAILED) {
                memo_record* record;
                result = step == ALREADY && memo_registry_find_name(pair, &record)
                             ? CONFLICT_COPIES_DONE
                             : CONFLICT_COPIES_MADE;
                snprintf(made, made_size, "%s", pair);
            }
            break;
        }
    }
    TRACKED_FREE(text);
    platform_release_file(bytes);
    if (result == CONFLICT_COPIES_LATER) {
        REPORT_FAILURE();
        return result;
    }
    // Its text stands in a complete pair: the client's files may go.
    char partner[PLATFORM_PATH_SIZE];
    conflict_copies_partner(name, copy, "ini", partner);
    conflict_copies_recycle(view, name);
    if (folder_listing_stamp(view, partner, "", &seen)) conflict_copies_recycle(view, partner);
    return result;
}

}  // namespace

int conflict_copies_take(const folder_listing* view, const char* name, char* made, size_t size) {
    sync_names_copy copy;
    char base[MEMO_FILE_NAME_SIZE];
    char keys_from[PLATFORM_PATH_SIZE];
    if (!conflict_copies_memo_base(view, name, &copy, base, keys_from)) {
        return CONFLICT_COPIES_NONE;
    }
    uint32_t budget_ms = k_busy_budget_ms;
    if (name[copy.extension] == 't' || name[copy.extension] == 'T') {
        return conflict_copies_take_text(view, name, &copy, base, keys_from, made, size,
                                         &budget_ms);
    }
    char text[PLATFORM_PATH_SIZE];
    conflict_copies_partner(name, &copy, "txt", text);
    // An INI copy waits for the text copy of its marker, which takes it along.
    platform_file_stamp seen;
    if (folder_listing_stamp(view, text, "", &seen)) return CONFLICT_COPIES_DONE;
    conflict_copies_recycle(view, name);
    return CONFLICT_COPIES_DONE;
}

int conflict_copies_made_name(const char* name) {
    if (strlen(name) != 14 || name[0] != 'k') return 0;
    for (const char* p = name + 1; *p; p++) {
        if (!((*p >= '0' && *p <= '9') || (*p >= 'a' && *p <= 'f'))) return 0;
    }
    return 1;
}

int conflict_copies_recycle_owed(void) {
    for (int i = s_owed_count - 1; i >= 0; i--) {
        platform_file_stamp now;
        platform_stat_file(s_owed[i].path, &now);
        int same = now.exists && now.size == s_owed[i].stamp.size &&
                   now.write_time == s_owed[i].stamp.write_time;
        if (same && !platform_recycle_file(s_owed[i].path)) continue;
        s_owed[i] = s_owed[--s_owed_count];
    }
    return s_owed_count;
}
