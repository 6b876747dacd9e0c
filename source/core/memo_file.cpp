// Memo files: formats, load, refresh, scan and removal.
#include "memo_file.h"

#include <stdio.h>
#include <string.h>

#include "memo_registry.h"
#include "error_log.h"
#include "tracked_memory.h"
#include "ini_file.h"
#include "placement.h"
#include "settings.h"
#include "paths.h"
#include "busy_file.h"
#include "save_queue.h"
#include "scale.h"
#include "file_stamp.h"
#include "memo_text.h"
#include "memo_keys.h"
#include "conflict_copies.h"

namespace {

// What a file pair holds, read before any window exists.
struct memo_pair {
    char* text;  // tracked block, owned here until installed in a record
    memo_keys keys;
    const char* name;  // the name it was read under (the caller's string)
    file_stamp text_stamp;
    uint64_t text_hash;
    file_stamp ini_stamp;
};

// How long the first try of a save, or the read of a memo, waits in all for
// a file that another program holds for a moment.  Retries from the queue
// try once each: the timer comes back anyway.
const uint32_t k_busy_budget_ms = 300;
// How often a client's file held when it was to go is tried again.
const uint32_t k_recycle_retry_ms = 2000;
// The keys a save writes into the INI file (the rest is the text).
const uint16_t k_ini_flags = MEMO_SAVE_POSITION | MEMO_SAVE_COLOR | MEMO_SAVE_STAMP;

}  // namespace

// --- saving ---------------------------------------------------------------------

namespace {

// One read-modify-write of the INI file: the keys of flags from the
// rectangle and the record's values.  write_flags as for platform_write_file.
// On failure *fault says why; the file is untouched.
int memo_file_update_ini(uint16_t flags, const platform_rect* r, int32_t color_index, int32_t day,
                         int32_t time, const char* ini_path, int write_flags, int* fault) {
    ini_document doc;
    if (!busy_file_open_ini(&doc, ini_path)) {
        // Rewriting a file we could not read would lose its other keys.
        *fault = platform_last_fault();
        ini_close(&doc);
        REPORT_FAILURE();
        return 0;
    }
    memo_keys keys = {{0, 0, 0, 0, 0, 0, 0, 0, 0}, color_index, day, time};
    if (flags & MEMO_SAVE_POSITION) placement_stored_position(r, &keys.position);
    memo_keys_set(&doc, flags, &keys);
    // Not flushed: a drag rewrites these keys on every mouse move, and after
    // a system crash a lost position costs a memo its place, not its text.
    int ok = busy_file_save_ini(&doc, ini_path, write_flags);
    if (!ok) *fault = platform_last_fault();
    ini_close(&doc);
    return ok;
}

}  // namespace

int memo_file_write_ini(uint16_t flags, memo_hwnd window, int32_t left, int32_t top,
                        int32_t right, int32_t bottom, int32_t color_index, int32_t day,
                        int32_t time, const char* ini_path) {
    (void)window;  // the rectangle stands for it: the DPI comes from its monitor
    platform_rect r = {left, top, right, bottom};
    int fault = PLATFORM_FAULT_NONE;
    return memo_file_update_ini(flags, &r, color_index, day, time, ini_path, 0, &fault);
}

namespace {

// The twelve keys of an INI file, each with its default; an unreadable or
// missing file gives every default.
void memo_file_read_keys(const char* ini_path, memo_keys* keys) {
    ini_document doc;
    if (!busy_file_open_ini(&doc, ini_path)) {
        ini_open_bytes(&doc, nullptr, 0);
    }
    memo_keys_get(&doc, keys);
    ini_close(&doc);
}

// Keeps a text that would otherwise be lost as a memo of its own: bytes
// become the text file of a new pair under the next free name, placed
// beside window, with the given colour and stamp; the memo is loaded and
// told to show its notice (kind: MEMO_KEPT_*).  1 once the text file is
// written: from then on the text is safe in the data folder, even if no
// window could be made for it now.
int memo_file_keep_copy(memo_hwnd window, const void* bytes, size_t size, int32_t color,
                        int32_t day, int32_t time, int32_t kind) {
    char name[MEMO_FILE_NAME_SIZE];
    char base[PLATFORM_PATH_SIZE];
    char path[PLATFORM_PATH_SIZE];
    placement_free_name(name, sizeof name);
    if (!path_join(base, g_settings.path, name) ||
        !path_memo_file(path, g_settings.path, name, ".txt") ||
        !busy_file_write(path, bytes, size, PLATFORM_WRITE_DURABLE)) {
        REPORT_FAILURE();
        return 0;
    }
    platform_rect memo = {0, 0, 160, 120};
    platform_window_rect(window, &memo);
    platform_rect r;
    placement_beside(&memo, &r);
    if (path_memo_file(path, g_settings.path, name, ".ini")) {
        memo_file_write_ini(MEMO_SAVE_POSITION | MEMO_SAVE_COLOR | MEMO_SAVE_STAMP, window, r.left,
                            r.top, r.right, r.bottom, color, day, time, path);
    }
    memo_record* record;
    memo_hwnd kept = nullptr;
    if (memo_file_load(platform_window_owner(window), base)) {
        kept = memo_registry_find_name(name, &record);
    }
    if (kept) {
        platform_window_send(kept, MEMO_MSG_KEPT_COPY, static_cast<uintptr_t>(kind), 0);
    } else {
        REPORT_FAILURE();
    }
    return 1;
}

// The check before a memo's text replaces its file.  When another
// computer wrote the file since this memo last read or wrote it, the
// other text is kept as a memo of its own first, so that neither text is
// lost.  The bytes decide, not the size and time: a synchronising client
// may well give the new file the old size and time.  Returns 0 when the
// file must not be replaced now: it is there but cannot be read, or the
// other text could not be kept.
int memo_file_keep_other_text(memo_hwnd window, const memo_record* record, const char* path) {
    platform_file_stamp now;
    if (!platform_stat_file(path, &now)) {
        return 1;  // a new memo, or one deleted elsewhere: this text brings it back
    }
    unsigned char* data;
    uint64_t size;
    if (!busy_file_read(path, &data, &size)) {
        REPORT_FAILURE();
        return 0;
    }
    const file_stamp* base = &record->text_stamp;
    int ok = 1;
    if (!base->known || !base->seen.exists ||
        file_stamp_hash(data, static_cast<size_t>(size)) != base->hash) {
        char* other = memo_text_decode(data, size);
        // An empty text holds nothing to lose; the text this memo had, or
        // the one it is about to write, is no conflict, in whatever line
        // ends or byte-order mark another computer wrote it.
        int had_it = base->known && file_stamp_hash_text(other) == record->text_hash;
        if (other[0] && !had_it && !memo_text_same(other, record->text)) {
            memo_keys keys;
            char ini[PLATFORM_PATH_SIZE];
            path_memo_file(ini, g_settings.path, record->file_name, ".ini");  // or empty
            memo_file_read_keys(ini, &keys);
            ok = memo_file_keep_copy(window, data, static_cast<size_t>(size), keys.color, keys.day,
                                     keys.time, MEMO_KEPT_OTHER_EDIT);
        }
        TRACKED_FREE(other);
    }
    platform_release_file(data);
    return ok;
}

// After a successful write of bytes to path: what the file holds now.
void memo_file_stamp_written(file_stamp* stamp, const char* path, const void* bytes, size_t size) {
    platform_file_stamp seen;
    platform_stat_file(path, &seen);
    file_stamp_set(stamp, &seen, bytes, size);
}

// The text file, flushed to the disk, after the check that keeps another
// computer's text (retries go through it too).  On failure *fault says why.
int memo_file_write_text(memo_hwnd window, memo_record* record, const char* path, int* fault) {
    if (!memo_file_keep_other_text(window, record, path)) {
        *fault = platform_last_fault();
        if (*fault == PLATFORM_FAULT_NONE) *fault = PLATFORM_FAULT_OTHER;
        return 0;
    }
    size_t size;
    char* bytes = memo_text_encode(record->text, g_settings.textfile, &size);
    int ok = busy_file_write(path, bytes, size, PLATFORM_WRITE_DURABLE);
    if (ok) {
        memo_file_stamp_written(&record->text_stamp, path, bytes, size);
        record->text_hash = file_stamp_hash_text(record->text);
    } else {
        *fault = platform_last_fault();
        REPORT_FAILURE();
    }
    TRACKED_FREE(bytes);
    return ok;
}

// The INI keys of flags, with the file's stamp kept up to date: keys
// another computer changed meanwhile stay in the file beside ours, and
// forgetting the stamp makes the next look at the folder take them over.
int memo_file_write_keys(memo_record* record, uint16_t flags, const platform_rect* r,
                         const char* ini_path, int write_flags, int* fault) {
    platform_file_stamp before;
    platform_stat_file(ini_path, &before);
    int outside = !file_stamp_seen_matches(&record->ini_stamp, &before);
    if (!memo_file_update_ini(flags, r, record->color_index, record->day, record->time, ini_path,
                              write_flags, fault)) {
        return 0;
    }
    if (outside) {
        record->ini_stamp.known = 0;
    } else if (!(write_flags & PLATFORM_WRITE_STAGE)) {
        memo_file_stamp_written(&record->ini_stamp, ini_path, nullptr, 0);
    }
    return 1;
}

// A data folder removed while the program runs comes back with the next
// save (one level, like at start-up).
void memo_file_ensure_folder(void) {
    if (platform_path_kind(g_settings.path) == PLATFORM_PATH_NONE) {
        platform_create_folder(g_settings.path);
    }
}

}  // namespace

void memo_file_follow_up(void) {
    int copies = conflict_copies_recycle_owed();
    if (save_queue_count() == 0) {
        platform_retry_later(copies ? k_recycle_retry_ms : 0);
        return;
    }
    platform_retry_later(save_queue_next_delay());
    if (save_queue_due_notice(platform_tick_count())) {
        char text[1024];
        save_queue_notice_text(save_queue_fault(), g_settings.path, 0, text, sizeof text);
        platform_notify_later(text);
    }
}

namespace {

// Peeled off on another computer: a moved or recoloured memo must not leave
// a lone INI file behind.  Its next text brings both back.  (A data folder
// that is gone as a whole is this computer's loss: the pair is written
// again.)
int memo_file_peeled_elsewhere(const memo_record* record, uint16_t flags, const char* text_path) {
    return !(flags & MEMO_SAVE_TEXT) && record->text_stamp.known &&
           platform_path_kind(g_settings.path) == PLATFORM_PATH_FOLDER &&
           platform_path_kind(text_path) == PLATFORM_PATH_NONE;
}

// A pair with a file missing (a new memo, or a pair removed meanwhile) is
// written whole, the INI first into its temporary file, then the text,
// then the INI under its name.  A crash at any point leaves no text file,
// or a text file whose INI is complete, at worst still in its temporary
// file, where the next folder scan finds it.  What is still owed.
uint16_t memo_file_save_pair(memo_hwnd window, memo_record* record, uint16_t flags,
                             const platform_rect* r, const char* text_path, const char* ini_path,
                             int* fault) {
    if (!memo_file_write_keys(record, flags, r, ini_path, PLATFORM_WRITE_STAGE, fault)) {
        return flags;
    }
    if (!memo_file_write_text(window, record, text_path, fault)) {
        char temp[PLATFORM_PATH_SIZE];
        if (path_memo_file(temp, g_settings.path, record->file_name, ".ini" PLATFORM_TEMP_SUFFIX)) {
            platform_delete_file(temp);
        }
        return flags;
    }
    if (!busy_file_commit(ini_path, 1)) {
        *fault = platform_last_fault();
        return flags & k_ini_flags;
    }
    memo_file_stamp_written(&record->ini_stamp, ini_path, nullptr, 0);
    return 0;
}

// Both files there: each written as flags ask, a text that cannot be
// written not keeping the INI keys back.  What is still owed.
uint16_t memo_file_save_part(memo_hwnd window, memo_record* record, uint16_t flags,
                             const platform_rect* r, const char* text_path, const char* ini_path,
                             int* fault) {
    uint16_t owed = flags;
    if (!(flags & MEMO_SAVE_TEXT) || memo_file_write_text(window, record, text_path, fault)) {
        owed &= static_cast<uint16_t>(~MEMO_SAVE_TEXT);
    }
    if (!(flags & k_ini_flags) || memo_file_write_keys(record, flags, r, ini_path, 0, fault)) {
        owed &= static_cast<uint16_t>(~k_ini_flags);
    }
    return owed;
}

// Writes what flags ask for from the memo's present state, waiting up to
// busy_budget_ms in all for files another program holds; what could not be
// written stays owed in the save queue.  1 when everything landed.
int memo_file_save_now(memo_hwnd window, memo_record* record, uint16_t flags,
                       uint32_t busy_budget_ms) {
    busy_file_allow(busy_budget_ms);
    char text_path[PLATFORM_PATH_SIZE];
    char ini_path[PLATFORM_PATH_SIZE];
    if (!path_memo_file(text_path, g_settings.path, record->file_name, ".txt") ||
        !path_memo_file(ini_path, g_settings.path, record->file_name, ".ini")) {
        // No name fits: nothing can be written.
        save_queue_set(window, flags, PLATFORM_FAULT_OTHER, platform_tick_count());
        return flags ? 0 : 1;
    }
    if (memo_file_peeled_elsewhere(record, flags, text_path)) {
        save_queue_take(window);
        return 1;
    }
    int whole = platform_path_kind(text_path) != PLATFORM_PATH_FILE ||
                platform_path_kind(ini_path) != PLATFORM_PATH_FILE;
    if (whole) {
        memo_file_ensure_folder();
        flags = MEMO_SAVE_ALL;
    }
    platform_rect r = {0, 0, 0, 0};
    uint16_t place_owed = 0;
    if ((flags & MEMO_SAVE_POSITION) && !platform_window_rect(window, &r)) {
        // Without a rectangle the stored place would be wrong: the old one
        // stays until a retry can read it (a window that is gone drops out
        // of the queue then).
        REPORT_FAILURE();
        flags &= static_cast<uint16_t>(~MEMO_SAVE_POSITION);
        place_owed = MEMO_SAVE_POSITION;
    }
    int fault = PLATFORM_FAULT_NONE;
    uint16_t owed =
        whole ? memo_file_save_pair(window, record, flags, &r, text_path, ini_path, &fault)
              : memo_file_save_part(window, record, flags, &r, text_path, ini_path, &fault);
    if (place_owed && fault == PLATFORM_FAULT_NONE) fault = PLATFORM_FAULT_BUSY;  // passes by itself
    owed |= place_owed;
    save_queue_set(window, owed, fault, platform_tick_count());
    return owed ? 0 : 1;
}

}  // namespace

int memo_file_save(memo_hwnd window, uint16_t flags) {
    memo_record* record = memo_registry_find(window);
    if (!record || !record->text) {
        REPORT_FAILURE();
        return 0;
    }
    if (save_queue_flags(window)) {
        // Already owed: the change joins the next retry, which writes the
        // memo as it is then.  A drag over a held file costs no waiting.
        save_queue_add(window, flags, PLATFORM_FAULT_NONE, platform_tick_count());
        return 0;
    }
    if (memo_file_save_now(window, record, flags, k_busy_budget_ms)) return 1;
    memo_file_follow_up();
    return 0;
}

namespace {

// One round over the owed saves; patient: whether a busy file is waited for.
void memo_file_retry_round(int patient) {
    // From the last: a save removes its own entry or keeps it, never one
    // before it.
    for (int i = save_queue_count() - 1; i >= 0; i--) {
        memo_hwnd window = save_queue_window(i);
        uint16_t flags = save_queue_flags(window);
        memo_record* record = memo_registry_find(window);
        if (!record || !record->text) {
            save_queue_take(window);  // the memo is gone: nothing left to write
            continue;
        }
        memo_file_save_now(window, record, flags, patient ? k_busy_budget_ms : 0);
    }
}

}  // namespace

int memo_file_retry_pending(void) {
    memo_file_retry_round(0);
    memo_file_follow_up();
    return save_queue_count();
}

int memo_file_flush_pending(uint32_t budget_ms) {
    uint32_t start = platform_tick_count();
    for (;;) {
        memo_file_retry_round(1);
        if (save_queue_count() == 0 || platform_tick_count() - start >= budget_ms) break;
        platform_sleep(100);
    }
    if (save_queue_count() == 0) platform_retry_later(0);
    return save_queue_count();
}

namespace {

// Steps shared by load and refresh: the text first, then the twelve keys.
// Each file's stamp is taken before it is read (from the listing, when
// view is one), so a change made during the read shows as a change next
// time rather than going unseen.
int memo_file_read_pair(const folder_listing* view, const char* name, memo_pair* pair) {
    char path[PLATFORM_PATH_SIZE];
    pair->text = nullptr;
    pair->name = name;
    platform_file_stamp seen;
    folder_listing_stamp(view, name, ".txt", &seen);
    if (!folder_listing_path(view, name, ".txt", path)) return 0;
    unsigned char* data;
    uint64_t size;
    busy_file_allow(k_busy_budget_ms);
    if (!busy_file_read(path, &data, &size)) {
        REPORT_FAILURE();
        return 0;
    }
    file_stamp_set(&pair->text_stamp, &seen, data, static_cast<size_t>(size));
    pair->text = memo_text_decode(data, size);
    pair->text_hash = file_stamp_hash_text(pair->text);
    platform_release_file(data);

    folder_listing_stamp(view, name, ".ini", &seen);
    file_stamp_set(&pair->ini_stamp, &seen, nullptr, 0);
    if (!folder_listing_path(view, name, ".ini", path)) path[0] = '\0';
    memo_file_read_keys(path, &pair->keys);
    return 1;
}

// Creates the window of a pair, registers it and hands it its record.  The
// pair's text passes to the record, or is released on failure.
int memo_file_create_memo(memo_hwnd main_window, memo_pair* pair) {
    // The corner's monitor gives the scale; in corner mode the memo is then
    // placed from that monitor's edges.
    platform_rect monitor;
    int32_t dpi;
    const memo_position* p = &pair->keys.position;
    placement_corner_monitor(p->quadrant, &monitor, &dpi);
    memo_placement where;
    if (g_settings.absolute) {
        where.rect = {scale_to_physical(p->left, dpi), scale_to_physical(p->top, dpi),
                      scale_to_physical(p->right, dpi), scale_to_physical(p->bottom, dpi)};
    } else {
        where.geometry = memo_geometry::corner;
        where.x = scale_to_physical(p->x, dpi);
        where.y = scale_to_physical(p->y, dpi);
        where.width = scale_to_physical(p->width, dpi);
        where.height = scale_to_physical(p->height, dpi);
        where.quadrant = p->quadrant;
    }
    memo_record start = {};
    start.color_index = pair->keys.color;
    start.day = pair->keys.day;
    start.time = pair->keys.time;
    start.text = pair->text;
    pair->text = nullptr;
    snprintf(start.file_name, sizeof start.file_name, "%s", pair->name);
    start.text_stamp = pair->text_stamp;
    start.text_hash = pair->text_hash;
    start.ini_stamp = pair->ini_stamp;
    return placement_create_memo(main_window, &where, &start, MEMO_MODE_FROM_FILES) != nullptr;
}

// The folder and the name of a base path ("folder\name").
int memo_file_split(const char* base_path, folder_listing* view, char* name) {
    const char* last = path_last_backslash(base_path);
    if (!last || strlen(last + 1) >= MEMO_FILE_NAME_SIZE) {
        REPORT_FAILURE();
        return 0;
    }
    char folder[PLATFORM_PATH_SIZE];
    snprintf(folder, sizeof folder, "%.*s", static_cast<int>(last - base_path), base_path);
    folder_listing_live(view, folder);
    snprintf(name, MEMO_FILE_NAME_SIZE, "%s", last + 1);
    return 1;
}

}  // namespace

int memo_file_load(memo_hwnd main_window, const char* base_path) {
    folder_listing view;
    char name[MEMO_FILE_NAME_SIZE];
    return memo_file_split(base_path, &view, name) && memo_file_load_seen(main_window, &view, name);
}

int memo_file_reload(memo_hwnd main_window, const char* base_path) {
    folder_listing view;
    char name[MEMO_FILE_NAME_SIZE];
    return memo_file_split(base_path, &view, name) &&
           memo_file_reload_seen(main_window, &view, name);
}

int memo_file_load_seen(memo_hwnd main_window, const folder_listing* view, const char* name) {
    memo_pair pair;
    if (!memo_file_read_pair(view, name, &pair)) return 0;
    return memo_file_create_memo(main_window, &pair);
}

int memo_file_reload_seen(memo_hwnd main_window, const folder_listing* view, const char* name) {
    memo_pair pair;
    if (!memo_file_read_pair(view, name, &pair)) return 0;
    memo_record* record;
    memo_hwnd window = memo_registry_find_name(pair.name, &record);
    if (!window) return memo_file_create_memo(main_window, &pair) ? 2 : 0;
    if (record->editing) {
        // The open edit box holds what the user is writing; the memo meets
        // the files when the edit ends (a new text checks them first).
        record->refresh_due = 1;
        TRACKED_FREE(pair.text);
        return 1;
    }
    if (save_queue_flags(window)) {
        // The memo's own change has not reached its files yet: it is newer
        // than what they hold, and taking them over would lose it.
        TRACKED_FREE(pair.text);
        return 1;
    }

    int changed = 0;
    if (record->text && strcmp(record->text, pair.text) == 0) {
        TRACKED_FREE(pair.text);
    } else {
        if (record->text && record->text[0] && !pair.text[0]) {
            // A file that comes back empty may be a synchronising client
            // that failed: the text it wiped stays as a memo of its own.
            size_t size;
            char* bytes = memo_text_encode(record->text, g_settings.textfile, &size);
            memo_file_keep_copy(window, bytes, size, record->color_index, record->day,
                                record->time, MEMO_KEPT_BEFORE_EMPTY);
            TRACKED_FREE(bytes);
        }
        if (record->text) TRACKED_FREE(record->text);
        record->text = pair.text;
        changed = 1;
    }
    pair.text = nullptr;
    record->text_stamp = pair.text_stamp;
    record->text_hash = pair.text_hash;
    record->ini_stamp = pair.ini_stamp;
    record->refresh_due = 0;
    if (record->day != pair.keys.day) {
        record->day = pair.keys.day;
        changed = 1;
    }
    if (record->time != pair.keys.time) {
        record->time = pair.keys.time;
        changed = 1;
    }
    if (record->color_index != pair.keys.color) {
        record->color_index = pair.keys.color;
        changed = 1;
    }
    if (!changed) return 1;
    memo_handover handover = {record, MEMO_MODE_FROM_FILES};
    platform_window_send(window, MEMO_MSG_RELOAD, 0, reinterpret_cast<intptr_t>(&handover));
    if (platform_window_visible(window)) platform_window_repaint(window);
    return 2;
}

int memo_file_recycle(const char* path) { return platform_recycle_file(path); }

int memo_file_peel(memo_hwnd window) {
    memo_record* record = memo_registry_find(window);
    if (!record) {
        REPORT_FAILURE();
        memo_registry_remove(window);
        return 0;
    }
    save_queue_take(window);  // what it still owed goes with it
    // Each file with the temporary file a replacing write puts beside it.
    static const char* const k_files[2][2] = {{".txt", ".txt" PLATFORM_TEMP_SUFFIX},
                                              {".ini", ".ini" PLATFORM_TEMP_SUFFIX}};
    int text_stays = 0;
    for (int i = 0; i < 2; i++) {
        char path[PLATFORM_PATH_SIZE];
        if (!path_memo_file(path, g_settings.path, record->file_name, k_files[i][0])) continue;
        if (i == 1 && text_stays) {
            // A text file that could not go keeps its INI: without it the
            // memo would never show again, nor ever be peeled.
            continue;
        }
        if (platform_path_kind(path) == PLATFORM_PATH_FILE) {
            if (g_settings.recycle) {
                memo_file_recycle(path);
            } else {
                platform_delete_file(path);
            }
        }
        if (i == 0) {
            text_stays = platform_path_kind(path) != PLATFORM_PATH_NONE;
        }
        // The leftover of a write that was cut short belongs to this memo
        // alone and would otherwise stay in the folder for good.
        char temp[PLATFORM_PATH_SIZE];
        if (path_memo_file(temp, g_settings.path, record->file_name, k_files[i][1]) &&
            platform_path_kind(temp) == PLATFORM_PATH_FILE) {
            platform_delete_file(temp);
        }
    }
    memo_registry_remove(window);
    return 1;
}
