// The program's own temporary files that a crash or a kill left behind in
// the data folder.
#include "crash_leftovers.h"

#include <string.h>

#include "paths.h"
#include "platform.h"
#include "sync_names.h"

namespace {

// Whether name ends in suffix, ASCII case ignored.
int crash_leftovers_ends_with(const char* name, const char* suffix) {
    size_t n = strlen(name);
    size_t k = strlen(suffix);
    if (n < k) return 0;
    for (size_t i = 0; i < k; i++) {
        char a = name[n - k + i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (a != suffix[i]) return 0;
    }
    return 1;
}

// Whether a temporary file is ours: a memo's file with our suffix (not a
// client's name that happens to end alike), or the probe file.
int crash_leftovers_ours(const char* name) {
    if (strcmp(name, PATH_PROBE_NAME PLATFORM_TEMP_SUFFIX) == 0) return 1;
    size_t n = strlen(name);
    const size_t suffix = strlen(".txt" PLATFORM_TEMP_SUFFIX);
    return n > suffix && !sync_names_is_client_file(name) &&
           (crash_leftovers_ends_with(name, ".txt" PLATFORM_TEMP_SUFFIX) ||
            crash_leftovers_ends_with(name, ".ini" PLATFORM_TEMP_SUFFIX));
}

// The INI of a new memo whose text landed: complete (it is written before
// the text), so it becomes the memo's INI file: 1.  A failed commit leaves
// it for the next scan: -1.  0 for any other leftover.
int crash_leftovers_complete(const folder_listing* list, const char* name) {
    if (!crash_leftovers_ends_with(name, ".ini" PLATFORM_TEMP_SUFFIX)) return 0;
    char stem[PLATFORM_PATH_SIZE];
    size_t length = strlen(name) - strlen(".ini" PLATFORM_TEMP_SUFFIX);
    memcpy(stem, name, length);
    stem[length] = '\0';
    platform_file_stamp seen;
    if (folder_listing_stamp(list, stem, ".ini", &seen)) return 0;
    char path[PLATFORM_PATH_SIZE];
    // The listing may be older than the text: the system is asked before
    // the only INI of a memo goes.
    if (!folder_listing_stamp(list, stem, ".txt", &seen) &&
        (!folder_listing_path(list, stem, ".txt", path) ||
         platform_path_kind(path) == PLATFORM_PATH_NONE)) {
        return 0;
    }
    return folder_listing_path(list, stem, ".ini", path) && platform_commit_file(path, 0) ? 1 : -1;
}

}  // namespace

int crash_leftovers_tidy(const folder_listing* list, int startup) {
    uint64_t now = platform_file_time_now();
    const uint64_t age = CRASH_LEFTOVERS_AGE_S * PLATFORM_SECOND;
    int completed = 0;
    for (int32_t i = 0; i < list->count; i++) {
        const folder_entry* e = &list->entries[i];
        if (e->is_folder || !crash_leftovers_ours(e->name)) continue;
        int complete = crash_leftovers_complete(list, e->name);
        if (complete) {
            completed += complete > 0;
            continue;
        }
        // A clock behind the file's (another computer's) counts as young.
        int old = now > e->stamp.write_time && now - e->stamp.write_time > age;
        char path[PLATFORM_PATH_SIZE];
        if ((startup || old) && folder_listing_path(list, e->name, "", path)) {
            platform_delete_file(path);
        }
    }
    return completed;
}
