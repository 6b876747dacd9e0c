// Keeping the memos in step with a shared data folder.
#include "memo_sync.h"

#include <stdio.h>

#include "folder_listing.h"
#include "memo_file.h"
#include "memo_registry.h"
#include "placement.h"
#include "settings.h"

namespace {

int32_t s_refresh_count = 0;

int memo_sync_counted(int changed) {
    if (!changed) return 0;
    s_refresh_count++;
    return 1;
}

}  // namespace

int memo_sync_folder_changed(memo_hwnd main_window) {
    if (platform_path_kind(g_settings.path) != PLATFORM_PATH_FOLDER) return 0;
    return memo_sync_counted(memo_file_scan(main_window, MEMO_LOOK_CHANGED));
}

int memo_sync_files_changed(memo_hwnd main_window, const char* const* names, int32_t count) {
    // Files that went with their folder (a drive pulled out) leave the
    // memos as they are, like a look at the whole folder does.
    if (platform_path_kind(g_settings.path) != PLATFORM_PATH_FOLDER) return 0;
    folder_listing view;
    folder_listing_live(&view, g_settings.path);
    int changed = 0;
    placement_batch_begin();
    for (int32_t i = 0; i < count; i++) {
        changed += memo_file_look_at(main_window, &view, names[i], MEMO_LOOK_CHANGED);
    }
    placement_batch_end();
    return memo_sync_counted(changed);
}

int32_t memo_sync_refresh_count(void) { return s_refresh_count; }

void memo_sync_edit_ended(memo_hwnd main_window, memo_hwnd memo) {
    memo_record* record = memo_registry_find(memo);
    if (!record || !record->refresh_due || !record->text) return;
    record->refresh_due = 0;
    folder_listing view;
    folder_listing_live(&view, g_settings.path);
    char name[MEMO_FILE_NAME_SIZE + 4];
    snprintf(name, sizeof name, "%s.txt", record->file_name);
    memo_file_look_at(main_window, &view, name, MEMO_LOOK_CHANGED);
}
