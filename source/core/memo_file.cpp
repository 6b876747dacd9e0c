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
#include "scale.h"

static const char MEMO_FILE_SECTION[] = "KELVAN";
static const unsigned char MEMO_FILE_BOM[3] = {0xEF, 0xBB, 0xBF};

// What a file pair holds, read before any window exists.
struct memo_pair {
    char* text;  // tracked block, owned here until installed in a record
    memo_position position;
    int32_t color;
    int32_t day;
    int32_t time;
    const char* name;  // points into the base path
};

// Lengths are stored in 96-dpi pixels and applied in physical pixels.

int32_t memo_file_color_index(int32_t value) {
    return value >= 0 && value < MEMO_COLOR_COUNT ? value : MEMO_COLOR_NEW;
}

char* memo_file_decode_text(const unsigned char* data, size_t size) {
    const unsigned char* start = data;
    if (size >= 3 && memcmp(data, MEMO_FILE_BOM, 3) == 0) start += 3;
    size_t rest = size - static_cast<size_t>(start - data);
    const void* nul = memchr(start, '\0', rest);
    size_t length = nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - start) : rest;
    char* text = TRACKED_NEW(char, length + 1);
    size_t kept = 0;
    for (size_t i = 0; i < length; i++) {
        if (start[i] != '\r') text[kept++] = static_cast<char>(start[i]);
    }
    text[kept] = '\0';
    return text;
}

char* memo_file_read_text(const char* path) {
    unsigned char* data;
    uint64_t size;
    if (!platform_read_file(path, &data, &size)) {
        REPORT_FAILURE();
        return nullptr;
    }
    char* text = memo_file_decode_text(data, static_cast<size_t>(size));
    platform_release_file(data);
    return text;
}

char* memo_file_encode_text(const char* text, int32_t textfile, size_t* size) {
    // A text that itself begins with U+FEFF gets the mark even when the
    // format has none: the reader takes one mark away, and the text's own
    // would go with it.
    const unsigned char* start = reinterpret_cast<const unsigned char*>(text);
    int own_mark = start[0] == MEMO_FILE_BOM[0] && start[1] == MEMO_FILE_BOM[1] &&
                   start[2] == MEMO_FILE_BOM[2];  // stops at the terminator
    int bom = (textfile & 0xFFFF) == 1 || own_mark;
    int crlf = ((uint32_t)textfile >> 16) != 0;
    size_t needed = bom ? 3 : 0;
    for (const char* p = text; *p; p++) {
        if (*p == '\n') needed += crlf ? 2 : 1;
        else if (*p != '\r') needed++;
    }
    char* out = TRACKED_NEW(char, needed + 1);
    size_t n = 0;
    if (bom) {
        memcpy(out, MEMO_FILE_BOM, 3);
        n = 3;
    }
    for (const char* p = text; *p; p++) {
        if (*p == '\r') continue;
        if (*p == '\n' && crlf) out[n++] = '\r';
        out[n++] = *p;
    }
    out[n] = '\0';
    *size = n;
    return out;
}

void memo_file_position_from_rect(const platform_rect* window, memo_position* out) {
    platform_rect own_monitor;
    int32_t dpi;
    platform_monitor_from_rect(window, &own_monitor, &dpi);

    platform_rect desk;
    platform_virtual_screen(&desk);
    int64_t cx = desk.left + ((int64_t)desk.right - desk.left) / 2;
    int64_t cy = desk.top + ((int64_t)desk.bottom - desk.top) / 2;

    int32_t center[2] = {(int32_t)(((int64_t)window->left + window->right) / 2),
                         (int32_t)(((int64_t)window->top + window->bottom) / 2)};
    platform_rect m;
    platform_monitor_from_point(center, &m, nullptr);

    int right_half = window->left > cx;
    int lower_half = window->top > cy;
    int64_t x = right_half ? (int64_t)m.right - window->right : (int64_t)window->left - m.left;
    int64_t y = lower_half ? (int64_t)m.bottom - window->bottom : (int64_t)window->top - m.top;
    if (right_half) {
        out->quadrant = lower_half ? MEMO_QUADRANT_LOWER_RIGHT : MEMO_QUADRANT_UPPER_RIGHT;
    } else {
        out->quadrant = lower_half ? MEMO_QUADRANT_LOWER_LEFT : MEMO_QUADRANT_UPPER_LEFT;
    }
    out->x = scale_to_stored(x, dpi);
    out->y = scale_to_stored(y, dpi);
    out->width = scale_to_stored((int64_t)window->right - window->left, dpi);
    out->height = scale_to_stored((int64_t)window->bottom - window->top, dpi);
    out->left = scale_to_stored(window->left, dpi);
    out->top = scale_to_stored(window->top, dpi);
    out->right = scale_to_stored(window->right, dpi);
    out->bottom = scale_to_stored(window->bottom, dpi);
}

int memo_file_write_ini(uint16_t flags, memo_hwnd window, int32_t left, int32_t top,
                        int32_t right, int32_t bottom, int32_t color_index, int32_t day,
                        int32_t time, const char* ini_path) {
    (void)window;  // the rectangle stands for it: the DPI comes from its monitor
    ini_document doc;
    if (!ini_open(&doc, ini_path)) {
        ini_close(&doc);
        REPORT_FAILURE();
        return 0;
    }
    if (flags & MEMO_SAVE_POSITION) {
        platform_rect r = {left, top, right, bottom};
        memo_position p;
        memo_file_position_from_rect(&r, &p);
        ini_set_int(&doc, MEMO_FILE_SECTION, "X", p.x);
        ini_set_int(&doc, MEMO_FILE_SECTION, "Y", p.y);
        ini_set_int(&doc, MEMO_FILE_SECTION, "WIDTH", p.width);
        ini_set_int(&doc, MEMO_FILE_SECTION, "HEIGHT", p.height);
        ini_set_int(&doc, MEMO_FILE_SECTION, "QUADRANT", p.quadrant);
        ini_set_int(&doc, MEMO_FILE_SECTION, "LEFT", p.left);
        ini_set_int(&doc, MEMO_FILE_SECTION, "TOP", p.top);
        ini_set_int(&doc, MEMO_FILE_SECTION, "RIGHT", p.right);
        ini_set_int(&doc, MEMO_FILE_SECTION, "BOTTOM", p.bottom);
    }
    if (flags & MEMO_SAVE_COLOR) ini_set_int(&doc, MEMO_FILE_SECTION, "COLOR", color_index);
    if (flags & MEMO_SAVE_STAMP) {
        ini_set_int(&doc, MEMO_FILE_SECTION, "DAY", day);
        ini_set_int(&doc, MEMO_FILE_SECTION, "TIME", time);
    }
    // Not flushed: a drag rewrites these keys on every mouse move, and after
    // a system crash a lost position costs a memo its place, not its text.
    int ok = ini_save(&doc, ini_path, 0);
    ini_close(&doc);
    return ok;
}

int memo_file_save(memo_hwnd window, uint16_t flags) {
    memo_record* record = (memo_record*)memo_registry_find(window);
    if (!record || !record->text) {
        REPORT_FAILURE();
        return 0;
    }
    int ok = 1;
    char path[PLATFORM_PATH_SIZE];
    if (flags & MEMO_SAVE_TEXT) {
        if (settings_format_path(path, "%s\\%s.txt", g_settings.path, record->file_name)) {
            size_t size;
            char* bytes = memo_file_encode_text(record->text, g_settings.textfile, &size);
            if (!platform_write_file(path, bytes, size, PLATFORM_WRITE_DURABLE)) {
                REPORT_FAILURE();
                ok = 0;
            }
            TRACKED_FREE(bytes);
        } else {
            ok = 0;
        }
    }
    if (flags & (MEMO_SAVE_POSITION | MEMO_SAVE_COLOR | MEMO_SAVE_STAMP)) {
        platform_rect r = {0, 0, 0, 0};
        if ((flags & MEMO_SAVE_POSITION) && !platform_window_rect(window, &r)) {
            // Without a rectangle the stored place would be wrong; keep the old one.
            REPORT_FAILURE();
            flags &= (uint16_t)~MEMO_SAVE_POSITION;
            ok = 0;
        }
        if (!settings_format_path(path, "%s\\%s.ini", g_settings.path, record->file_name) ||
            !memo_file_write_ini(flags, window, r.left, r.top, r.right, r.bottom,
                                 record->color_index, record->day, record->time, path)) {
            ok = 0;
        }
    }
    return ok;
}

// The name of a base path: what follows its last backslash.
static const char* memo_file_base_name(const char* base_path) {
    const char* last = path_last_backslash(base_path);
    return last ? last + 1 : nullptr;
}

// Steps shared by load and refresh: the text first, then the twelve keys.
static int memo_file_read_pair(const char* base_path, memo_pair* pair) {
    char path[PLATFORM_PATH_SIZE];
    pair->text = nullptr;
    if (!settings_format_path(path, "%s.txt", base_path)) return 0;
    pair->text = memo_file_read_text(path);
    if (!pair->text) {
        REPORT_FAILURE();
        return 0;
    }
    ini_document doc;
    if (!settings_format_path(path, "%s.ini", base_path) || !ini_open(&doc, path)) {
        // An unreadable INI file is read as a missing one: every default.
        ini_open_bytes(&doc, nullptr, 0);
    }
    memo_position* p = &pair->position;
    p->x = ini_get_int(&doc, MEMO_FILE_SECTION, "X", 0);
    p->y = ini_get_int(&doc, MEMO_FILE_SECTION, "Y", 0);
    p->width = ini_get_int(&doc, MEMO_FILE_SECTION, "WIDTH", 160);
    p->height = ini_get_int(&doc, MEMO_FILE_SECTION, "HEIGHT", 120);
    p->quadrant = ini_get_int(&doc, MEMO_FILE_SECTION, "QUADRANT", 0);
    p->left = ini_get_int(&doc, MEMO_FILE_SECTION, "LEFT", 0);
    p->top = ini_get_int(&doc, MEMO_FILE_SECTION, "TOP", 0);
    p->right = ini_get_int(&doc, MEMO_FILE_SECTION, "RIGHT", 160);
    p->bottom = ini_get_int(&doc, MEMO_FILE_SECTION, "BOTTOM", 120);
    pair->color = memo_file_color_index(ini_get_int(&doc, MEMO_FILE_SECTION, "COLOR", 0xffffff));
    pair->day = ini_get_int(&doc, MEMO_FILE_SECTION, "DAY", 0);
    pair->time = ini_get_int(&doc, MEMO_FILE_SECTION, "TIME", 0);
    ini_close(&doc);

    pair->name = memo_file_base_name(base_path);
    if (!pair->name) {
        TRACKED_FREE(pair->text);
        pair->text = nullptr;
        REPORT_FAILURE();
        return 0;
    }
    return 1;
}

// Creates the window of a pair, registers it and hands it its record.  The
// pair's text passes to the record, or is released on failure.
static int memo_file_create_memo(memo_hwnd main_window, memo_pair* pair) {
    platform_rect monitor;
    int32_t dpi;
    placement_corner_monitor(pair->position.quadrant, &monitor, &dpi);
    const memo_position* p = &pair->position;
    memo_hwnd window = placement_create_window(
        main_window, scale_to_physical(p->x, dpi), scale_to_physical(p->y, dpi),
        scale_to_physical(p->width, dpi), scale_to_physical(p->height, dpi), p->quadrant,
        scale_to_physical(p->left, dpi), scale_to_physical(p->top, dpi),
        scale_to_physical(p->right, dpi), scale_to_physical(p->bottom, dpi),
        g_settings.absolute ? MEMO_GEOMETRY_STORED : MEMO_GEOMETRY_CORNER);
    memo_record* record = window ? memo_registry_add(window) : nullptr;
    if (!record) {
        if (window) platform_window_destroy(window);
        TRACKED_FREE(pair->text);
        pair->text = nullptr;
        REPORT_FAILURE();
        return 0;
    }
    record->color_index = pair->color;
    record->day = pair->day;
    record->time = pair->time;
    record->active = 0;
    memset(record->reserved, 0, sizeof record->reserved);
    record->text = pair->text;
    pair->text = nullptr;
    snprintf(record->file_name, sizeof record->file_name, "%s", pair->name);

    memo_handover handover = {record, MEMO_MODE_FROM_FILES};
    platform_window_send(window, MEMO_MSG_INIT, 0, (intptr_t)&handover);
    // While the user has hidden every memo, the memos read now stay hidden
    // too, so that the tray's show command and the screen agree.
    if (g_settings.show) {
        platform_window_show(window, 1);
        platform_window_repaint(window);
    }
    return 1;
}

int memo_file_load(memo_hwnd main_window, const char* base_path) {
    memo_pair pair;
    if (!memo_file_read_pair(base_path, &pair)) return 0;
    return memo_file_create_memo(main_window, &pair);
}

int memo_file_reload(memo_hwnd main_window, const char* base_path) {
    memo_pair pair;
    if (!memo_file_read_pair(base_path, &pair)) return 0;
    memo_record* record;
    memo_hwnd window = memo_registry_find_name(pair.name, &record);
    if (!window) return memo_file_create_memo(main_window, &pair);

    int changed = 0;
    if (record->text && strcmp(record->text, pair.text) == 0) {
        TRACKED_FREE(pair.text);
    } else {
        if (record->text) TRACKED_FREE(record->text);
        record->text = pair.text;
        changed = 1;
    }
    pair.text = nullptr;
    if (record->day != pair.day) {
        record->day = pair.day;
        changed = 1;
    }
    if (record->time != pair.time) {
        record->time = pair.time;
        changed = 1;
    }
    if (record->color_index != pair.color) {
        record->color_index = pair.color;
        changed = 1;
    }
    if (!changed) return 1;
    memo_handover handover = {record, MEMO_MODE_FROM_FILES};
    platform_window_send(window, MEMO_MSG_RELOAD, 0, (intptr_t)&handover);
    if (platform_window_visible(window)) platform_window_repaint(window);
    return 1;
}

struct memo_scan {
    memo_hwnd main_window;
    int32_t first_load;
};

static void memo_file_scan_entry(const char* name, int is_folder, void* context) {
    const memo_scan* scan = (const memo_scan*)context;
    (void)is_folder;  // checked below on both files, like any other entry
    char base[PLATFORM_PATH_SIZE];
    if (!settings_format_path(base, "%s\\%s", g_settings.path, name)) return;
    char* dot = strrchr(base, '.');
    if (!dot) {
        REPORT_FAILURE();
        return;
    }
    *dot = '\0';
    char path[PLATFORM_PATH_SIZE];
    if (!settings_format_path(path, "%s.txt", base) ||
        platform_path_kind(path) != PLATFORM_PATH_FILE) {
        return;
    }
    if (!settings_format_path(path, "%s.ini", base) ||
        platform_path_kind(path) != PLATFORM_PATH_FILE) {
        return;
    }
    if (scan->first_load) {
        memo_file_load(scan->main_window, base);
    } else {
        memo_file_reload(scan->main_window, base);
    }
}

int memo_file_scan_folder(memo_hwnd main_window, int32_t first_load) {
    memo_scan scan = {main_window, first_load};
    platform_list_folder(g_settings.path, "*.txt", memo_file_scan_entry, &scan);
    return 1;
}

int memo_file_recycle(const char* path) { return platform_recycle_file(path); }

int memo_file_peel(memo_hwnd window) {
    memo_record* record = (memo_record*)memo_registry_find(window);
    if (!record) {
        REPORT_FAILURE();
        memo_registry_remove(window);
        return 0;
    }
    static const char* const extensions[2] = {"txt", "ini"};
    for (const char* extension : extensions) {
        char path[PLATFORM_PATH_SIZE];
        if (!settings_format_path(path, "%s\\%s.%s", g_settings.path, record->file_name,
                                  extension)) {
            continue;
        }
        if (platform_path_kind(path) == PLATFORM_PATH_FILE) {
            if (g_settings.recycle) {
                memo_file_recycle(path);
            } else {
                platform_delete_file(path);
            }
        }
        // The leftover of a write that was cut short belongs to this memo
        // alone and would otherwise stay in the folder for good.
        char temp[PLATFORM_PATH_SIZE];
        if (settings_format_path(temp, "%s%s", path, PLATFORM_TEMP_SUFFIX) &&
            platform_path_kind(temp) == PLATFORM_PATH_FILE) {
            platform_delete_file(temp);
        }
    }
    memo_registry_remove(window);
    return 1;
}
