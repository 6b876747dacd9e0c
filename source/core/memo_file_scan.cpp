// Memo files, the data folder as a whole: the scan from one listing, and
// the look at the files a change notice names.  Part of the memo_file
// module (memo_file.h); the files of one memo are memo_file.cpp's.
#include "memo_file.h"

#include <stdio.h>
#include <string.h>

#include "conflict_copies.h"
#include "crash_leftovers.h"
#include "memo_registry.h"
#include "placement.h"
#include "settings.h"
#include "sync_names.h"

namespace {

// The base name of a memo file: name without ".txt" or ".ini" (either
// case); 0 for any other name.  *ini tells which.
int memo_file_stem(const char* name, char* stem, int* ini) {
    size_t n = strlen(name);
    if (n < 5 || n - 4 >= MEMO_FILE_NAME_SIZE || name[n - 4] != '.') return 0;
    char extension[4];
    for (int i = 0; i < 3; i++) {
        char c = name[n - 3 + i];
        extension[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    extension[3] = '\0';
    *ini = strcmp(extension, "ini") == 0;
    if (!*ini && strcmp(extension, "txt") != 0) return 0;
    memcpy(stem, name, n - 4);
    stem[n - 4] = '\0';
    return 1;
}

// What the memo's two files are now: [0] the text, [1] the INI.
void memo_file_stamps_now(const folder_listing* view, const char* name,
                          platform_file_stamp now[2]) {
    folder_listing_stamp(view, name, ".txt", &now[0]);
    folder_listing_stamp(view, name, ".ini", &now[1]);
}

// A pair the refresh could not take over (a file missing, or a read that
// failed and is noted as it was) would otherwise count as changed at every
// look: the memo notes what it saw; the hash of the text it holds stays
// for the check before its next write.
void memo_file_note_seen(memo_record* record, const platform_file_stamp now[2]) {
    if (now[0].exists && now[1].exists) return;  // complete: the refresh read it
    file_stamp* stamps[2] = {&record->text_stamp, &record->ini_stamp};
    for (int i = 0; i < 2; i++) {
        stamps[i]->known = 1;
        stamps[i]->seen = now[i];
    }
}

// A live memo named in a look: read again (MEMO_LOOK_ALL) or when its
// files differ from what it last saw (MEMO_LOOK_CHANGED).
int memo_file_look_at_memo(memo_hwnd main_window, const folder_listing* view, memo_hwnd window,
                           memo_record* record, int how) {
    platform_file_stamp now[2];
    memo_file_stamps_now(view, record->file_name, now);
    if (how == MEMO_LOOK_CHANGED) {
        if (file_stamp_seen_matches(&record->text_stamp, &now[0]) &&
            file_stamp_seen_matches(&record->ini_stamp, &now[1])) {
            return 0;
        }
        if (record->editing) {
            record->refresh_due = 1;  // it meets the files when the edit ends
            return 0;
        }
    }
    char name[MEMO_FILE_NAME_SIZE];
    snprintf(name, sizeof name, "%s", record->file_name);
    int changed = how == MEMO_LOOK_CHANGED;  // a file went, at least
    if (now[0].exists && now[1].exists) {
        changed = memo_file_reload_seen(main_window, view, name) == 2;
    }
    if (how == MEMO_LOOK_CHANGED && !record->editing && memo_registry_find(window)) {
        memo_file_note_seen(record, now);
    }
    return changed;
}

void memo_file_tell_copy(const char* name) {
    memo_record* record;
    memo_hwnd window = memo_registry_find_name(name, &record);
    if (window) platform_window_send(window, MEMO_MSG_KEPT_COPY, MEMO_KEPT_CLIENT_COPY, 0);
}

// The live memos whose files are both gone from the listing.
int memo_file_note_gone(const folder_listing* list) {
    int gone = 0;
    for (memo_hwnd w = memo_registry_next(nullptr); w; w = memo_registry_next(w)) {
        memo_record* record = memo_registry_find(w);
        if (!record || !record->text || record->editing) continue;
        platform_file_stamp now[2];
        memo_file_stamps_now(list, record->file_name, now);
        if (now[0].exists || now[1].exists ||
            (file_stamp_seen_matches(&record->text_stamp, &now[0]) &&
             file_stamp_seen_matches(&record->ini_stamp, &now[1]))) {
            continue;
        }
        memo_file_note_seen(record, now);
        gone++;
    }
    return gone;
}

}  // namespace

int memo_file_look_at(memo_hwnd main_window, const folder_listing* view, const char* name,
                      int how) {
    if (sync_names_is_client_file(name)) return 0;
    char stem[MEMO_FILE_NAME_SIZE];
    int ini = 0;
    int memo_name = memo_file_stem(name, stem, &ini);
    memo_record* record;
    memo_hwnd window = memo_name ? memo_registry_find_name(stem, &record) : nullptr;
    if (window) {
        return how == MEMO_LOOK_START
                   ? 0
                   : memo_file_look_at_memo(main_window, view, window, record, how);
    }
    char made[MEMO_FILE_NAME_SIZE];
    int taken = conflict_copies_take(view, name, made, sizeof made);
    if (taken != CONFLICT_COPIES_NONE) memo_file_follow_up();
    if (taken == CONFLICT_COPIES_MADE) {
        // Its files were written after the listing: the system tells.
        folder_listing live;
        folder_listing_live(&live, view->folder);
        if (!memo_registry_find_name(made, &record) &&
            !memo_file_load_seen(main_window, &live, made)) {
            return 0;
        }
        memo_file_tell_copy(made);
        return 1;
    }
    platform_file_stamp seen;
    if (taken != CONFLICT_COPIES_NONE || !memo_name ||
        !folder_listing_stamp(view, stem, ini ? ".txt" : ".ini", &seen) ||
        !folder_listing_stamp(view, name, "", &seen) ||
        !memo_file_load_seen(main_window, view, stem)) {
        return 0;
    }
    if (how != MEMO_LOOK_START && conflict_copies_made_name(stem)) memo_file_tell_copy(stem);
    return 1;
}

int memo_file_scan(memo_hwnd main_window, int how) {
    folder_listing list;
    folder_listing_read(&list, g_settings.path);
    int when = how == MEMO_LOOK_START ? CRASH_LEFTOVERS_START
               : how == MEMO_LOOK_ALL ? CRASH_LEFTOVERS_ASKED
                                      : CRASH_LEFTOVERS_LIVE;
    if (crash_leftovers_tidy(&list, when)) {
        // A pair was completed: the listing is read again to see it.
        folder_listing_free(&list);
        folder_listing_read(&list, g_settings.path);
    }
    int changed = 0;
    placement_batch_begin();
    for (int32_t i = 0; i < list.count; i++) {
        const folder_entry* e = &list.entries[i];
        char stem[MEMO_FILE_NAME_SIZE];
        int ini = 0;
        platform_file_stamp seen;
        // A pair is looked at from its text file; an INI file alone may be
        // a client's copy, or a memo whose text went.
        if (e->is_folder || (memo_file_stem(e->name, stem, &ini) && ini &&
                             folder_listing_stamp(&list, stem, ".txt", &seen))) {
            continue;
        }
        changed += memo_file_look_at(main_window, &list, e->name, how);
    }
    if (how == MEMO_LOOK_CHANGED) changed += memo_file_note_gone(&list);
    placement_batch_end();
    folder_listing_free(&list);
    return changed;
}

int memo_file_scan_folder(memo_hwnd main_window, int32_t first_load) {
    memo_file_scan(main_window, first_load ? MEMO_LOOK_START : MEMO_LOOK_ALL);
    return 1;
}
