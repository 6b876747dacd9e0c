// The program's own temporary files that a crash or a kill left behind in
// the data folder.
#include "crash_leftovers.h"

#include <stdio.h>
#include <string.h>

#include "paths.h"
#include "platform.h"

namespace {

// Whether name ends in suffix, ASCII case ignored.
int crash_leftovers_ends_with(const char* name, const char* suffix) {
    size_t n = strlen(name);
    size_t k = strlen(suffix);
    if (n < k) return 0;
    for (size_t i = 0; i < k; i++) {
        char a = name[n - k + i];
        char b = suffix[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (a != b) return 0;
    }
    return 1;
}

// One temporary file of the program's own naming, left by a write that a
// crash or a kill cut short.  Beside its complete file it is an unfinished
// write and goes.  The INI of a new memo whose text file landed is complete
// (it is written before the text) and becomes the memo's INI file.  Any
// other leftover goes too: in a synchronised folder it would travel to
// every computer.
void crash_leftovers_entry(const char* name, int is_folder, void* context) {
    const char* folder = static_cast<const char*>(context);
    int ini = crash_leftovers_ends_with(name, ".ini" PLATFORM_TEMP_SUFFIX);
    int ours = ini || crash_leftovers_ends_with(name, ".txt" PLATFORM_TEMP_SUFFIX) ||
               strcmp(name, PATH_PROBE_NAME PLATFORM_TEMP_SUFFIX) == 0;
    char temp[PLATFORM_PATH_SIZE];
    if (is_folder || !ours || !path_join(temp, folder, name)) {
        return;
    }
    char target[PLATFORM_PATH_SIZE];
    snprintf(target, sizeof target, "%s", temp);
    target[strlen(target) - strlen(PLATFORM_TEMP_SUFFIX)] = '\0';
    if (ini && platform_path_kind(target) == PLATFORM_PATH_NONE) {
        char text[PLATFORM_PATH_SIZE];
        snprintf(text, sizeof text, "%s", target);
        memcpy(text + strlen(text) - 3, "txt", 3);
        // Asked twice before the only INI of a memo goes: a passing error
        // must not hide the memo for good.  A failed commit leaves the
        // file for the next scan.
        if (platform_path_kind(text) != PLATFORM_PATH_NONE ||
            platform_path_kind(text) != PLATFORM_PATH_NONE) {
            platform_commit_file(target, 0);
            return;
        }
    }
    platform_delete_file(temp);
}

}  // namespace

void crash_leftovers_tidy(const char* folder) {
    platform_list_folder(folder, "*" PLATFORM_TEMP_SUFFIX, crash_leftovers_entry,
                         const_cast<char*>(folder));
}
