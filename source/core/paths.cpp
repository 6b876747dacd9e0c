#include "paths.h"

#include <stdio.h>
#include <string.h>

#include "platform.h"

namespace {

const char k_probe_name[] = PATH_PROBE_NAME;

// The longest memo file name a data folder must have room for: 14 digits,
// ".txt", and the ".tmp" a replacing write puts behind it.
const size_t k_memo_file_name_room = 14 + 4 + 4;

}  // namespace

int path_is_lead_byte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

size_t path_cut_length(const char* text, size_t length, size_t limit) {
    if (length <= limit) return length;
    size_t i = 0;
    while (i < limit) {
        size_t step = path_is_lead_byte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    return i;
}

const char* path_last_backslash(const char* path) {
    const char* last = nullptr;
    for (const char* p = path; *p; p++) {
        if (path_is_lead_byte(static_cast<unsigned char>(*p)) && p[1]) {
            p++;
        } else if (*p == '\\') {
            last = p;
        }
    }
    return last;
}

int path_ends_in_backslash(const char* path) {
    const char* last = path_last_backslash(path);
    return last && last[1] == '\0';
}

int path_join(char* out, const char* folder, const char* name, size_t size) {
    const char* separator = path_ends_in_backslash(folder) ? "" : "\\";
    int n = snprintf(out, size, "%s%s%s", folder, separator, name);
    if (n < 0 || static_cast<size_t>(n) >= size) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

int path_memo_file(char* out, const char* folder, const char* name, const char* extension) {
    char file[PLATFORM_PATH_SIZE];
    int n = snprintf(file, sizeof file, "%s%s", name, extension);
    if (n < 0 || n >= PLATFORM_PATH_SIZE) {
        out[0] = '\0';
        return 0;
    }
    return path_join(out, folder, file);
}

int path_program_folder(char* out) {
    if (!platform_program_path(out, PLATFORM_PATH_SIZE)) {
        out[0] = '\0';
        return 0;
    }
    // A bare name (no folder part) stands for the folder itself: the
    // caller still gets a usable, if odd, place instead of nothing.
    if (const char* last = path_last_backslash(out)) {
        out[last - out] = '\0';
    }
    return 1;
}

int path_beside_program(char* out, const char* name) {
    char folder[PLATFORM_PATH_SIZE];
    if (!path_program_folder(folder)) {
        out[0] = '\0';
        return 0;
    }
    return path_join(out, folder, name);
}

int path_has_memo_room(const char* folder) {
    return strlen(folder) + 1 + k_memo_file_name_room < PLATFORM_PATH_SIZE;
}

int path_folder_usable(const char* folder) {
    if (!folder[0] || platform_path_kind(folder) != PLATFORM_PATH_FOLDER) {
        return 0;
    }
    // Every memo file is "folder\name.txt"; a folder with no room for one
    // would take the data and then fail every save.
    if (!path_has_memo_room(folder)) {
        return 0;
    }
    char probe[PLATFORM_PATH_SIZE];
    if (!path_join(probe, folder, k_probe_name)) {
        return 0;
    }
    if (!platform_write_file(probe, "", 0, 0)) {
        return 0;
    }
    platform_delete_file(probe);
    return 1;
}
