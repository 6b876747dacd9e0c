// Keeping the memos in step with a shared data folder.
#include "memo_sync.h"

#include <string.h>

#include "file_stamp.h"
#include "memo_file.h"
#include "memo_registry.h"
#include "settings.h"

namespace {

int32_t s_refresh_count = 0;

int memo_sync_file_matches(const char* name, const char* extension, const file_stamp* stamp,
                           platform_file_stamp* now) {
    char path[PLATFORM_PATH_SIZE];
    if (!settings_format_path(path, "%s\\%s.%s", g_settings.path, name, extension)) return 1;
    platform_stat_file(path, now);
    return file_stamp_seen_matches(stamp, now);
}

// Whether either file of the memo differs from what the memo last saw.
int memo_sync_memo_changed(const memo_record* record) {
    platform_file_stamp now;
    return !memo_sync_file_matches(record->file_name, "txt", &record->text_stamp, &now) ||
           !memo_sync_file_matches(record->file_name, "ini", &record->ini_stamp, &now);
}

struct memo_sync_look {
    int found_new;
};

// A text file that no memo has, with its INI file beside it, is a memo
// made elsewhere.
void memo_sync_look_at(const char* name, int is_folder, void* context) {
    memo_sync_look* look = static_cast<memo_sync_look*>(context);
    if (is_folder || look->found_new) return;
    char base[MEMO_FILE_NAME_SIZE];
    size_t length = strlen(name);
    if (length < 4 || length - 4 >= sizeof base) return;
    memcpy(base, name, length - 4);
    base[length - 4] = '\0';
    memo_record* record;
    if (memo_registry_find_name(base, &record)) return;
    char path[PLATFORM_PATH_SIZE];
    if (settings_format_path(path, "%s\\%s.ini", g_settings.path, base) &&
        platform_path_kind(path) == PLATFORM_PATH_FILE) {
        look->found_new = 1;
    }
}

// A pair the refresh could not take over (a file missing) would otherwise
// count as changed at every look: the memo notes what it saw, and keeps
// the hash of the text it holds for the check before its next write.
void memo_sync_note_seen(memo_record* record) {
    static const char* const k_extensions[2] = {"txt", "ini"};
    file_stamp* stamps[2] = {&record->text_stamp, &record->ini_stamp};
    platform_file_stamp now[2];
    for (int i = 0; i < 2; i++) {
        memo_sync_file_matches(record->file_name, k_extensions[i], stamps[i], &now[i]);
    }
    if (now[0].exists && now[1].exists) return;  // complete: the refresh read it
    for (int i = 0; i < 2; i++) {
        stamps[i]->known = 1;
        stamps[i]->seen = now[i];
    }
}

}  // namespace

int memo_sync_folder_changed(memo_hwnd main_window) {
    if (platform_path_kind(g_settings.path) != PLATFORM_PATH_FOLDER) return 0;
    int changed = 0;
    for (memo_hwnd w = memo_registry_next(nullptr); w; w = memo_registry_next(w)) {
        memo_record* record = static_cast<memo_record*>(memo_registry_find(w));
        if (!record || !record->text || !memo_sync_memo_changed(record)) continue;
        if (record->editing) {
            record->refresh_due = 1;
        } else {
            changed = 1;
        }
    }
    if (!changed) {
        memo_sync_look look = {0};
        platform_list_folder(g_settings.path, "*.txt", memo_sync_look_at, &look);
        changed = look.found_new;
    }
    if (!changed) return 0;
    s_refresh_count++;
    memo_file_scan_folder(main_window, 0);
    for (memo_hwnd w = memo_registry_next(nullptr); w; w = memo_registry_next(w)) {
        memo_record* record = static_cast<memo_record*>(memo_registry_find(w));
        if (record && record->text && !record->editing) memo_sync_note_seen(record);
    }
    return 1;
}

int32_t memo_sync_refresh_count(void) { return s_refresh_count; }

void memo_sync_edit_ended(memo_hwnd main_window, memo_hwnd memo) {
    memo_record* record = static_cast<memo_record*>(memo_registry_find(memo));
    if (!record || !record->refresh_due || !record->text) return;
    record->refresh_due = 0;
    char base[PLATFORM_PATH_SIZE];
    if (!settings_format_path(base, "%s\\%s", g_settings.path, record->file_name)) return;
    char text_path[PLATFORM_PATH_SIZE];
    char ini_path[PLATFORM_PATH_SIZE];
    if (settings_format_path(text_path, "%s.txt", base) &&
        settings_format_path(ini_path, "%s.ini", base) &&
        platform_path_kind(text_path) == PLATFORM_PATH_FILE &&
        platform_path_kind(ini_path) == PLATFORM_PATH_FILE) {
        memo_file_reload(main_window, base);
    }
    memo_sync_note_seen(record);
}
