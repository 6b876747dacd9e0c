// The window-free part of the settings dialogs.
#include "memo_dialog_text.h"

#include <stdio.h>
#include <string.h>

#include "memo_log.h"
#include "memo_profile.h"
#include "memo_setting.h"

namespace {

// The probe that tells a writable folder from one that only exists; the
// name matches neither "*.txt" nor "*.ini", so a leftover is never a memo.
const char k_probe_name[] = "kelvane-probe";

// Whether text ends in a backslash that is a character of its own, not the
// trail byte of a two-byte character such as "表" (0x95 0x5C).
int dialog_ends_in_backslash(const char* text) {
    int last_is_backslash = 0;
    for (const char* p = text; *p; p++) {
        if (profile_is_lead_byte(static_cast<unsigned char>(*p)) && p[1]) {
            p++;
            last_is_backslash = 0;
        } else {
            last_is_backslash = *p == '\\';
        }
    }
    return last_is_backslash;
}

}  // namespace

void memo_dialog_parse_version(const char* text, dialog_version* out) {
    out->major = 0;
    out->minor = 0;
    out->build = 0;
    out->revision = 0;
    if (text) {
        sscanf(text, "%d.%d.%d.%d", &out->major, &out->minor, &out->build, &out->revision);
    }
}

int memo_dialog_version_line(char* out, size_t size, const char* description,
                             const dialog_version* version, int32_t bits) {
    int n = snprintf(out, size, "%s Ver.%d.%02d.%04d %dbit版\n", description ? description : "",
                     version->major, version->minor, version->build, bits);
    return n >= 0 && static_cast<size_t>(n) < size ? 1 : 0;
}

int32_t memo_dialog_toggle(int32_t value, int32_t ticked) {
    if (ticked && value == 0) {
        return 1;
    }
    if (!ticked && value == 1) {
        return 0;
    }
    return value;
}

int32_t memo_dialog_textfile_bom(int32_t textfile, int32_t ticked) {
    uint32_t bits = static_cast<uint32_t>(textfile);
    uint32_t low = memo_dialog_toggle(static_cast<int32_t>(bits & 0xFFFFu), ticked);
    return static_cast<int32_t>((bits & 0xFFFF0000u) | (low & 0xFFFFu));
}

int32_t memo_dialog_textfile_crlf(int32_t textfile, int32_t ticked) {
    uint32_t bits = static_cast<uint32_t>(textfile);
    uint32_t high = memo_dialog_toggle(static_cast<int32_t>(bits >> 16), ticked);
    return static_cast<int32_t>((high << 16) | (bits & 0xFFFFu));
}

int memo_dialog_browse_candidate(char* out, const char* picked, int32_t in_subfolder) {
    int n;
    if (!in_subfolder) {
        n = snprintf(out, PLATFORM_PATH_SIZE, "%s", picked);
    } else if (dialog_ends_in_backslash(picked)) {
        n = snprintf(out, PLATFORM_PATH_SIZE, "%s%s", picked, DIALOG_DATA_FOLDER_NAME);
    } else {
        n = snprintf(out, PLATFORM_PATH_SIZE, "%s\\%s", picked, DIALOG_DATA_FOLDER_NAME);
    }
    // A cut path would name some other folder; better none at all.
    if (n < 0 || n >= PLATFORM_PATH_SIZE) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

// s is the monitor's scale and s * 96 / 72 its pixels per point; both are
// kept in this order so that the picker sees the same height as before.
int32_t memo_dialog_font_height(int32_t points, int32_t dpi) {
    if (dpi <= 0) {
        return 0;
    }
    double s = dpi / 96.0;
    double k = s * 96.0 / 72.0;
    return -static_cast<int32_t>(points * k + 0.5);
}

int32_t memo_dialog_font_points(int32_t height, int32_t dpi) {
    if (dpi <= 0) {
        return 0;
    }
    double s = dpi / 96.0;
    double k = s * 96.0 / 72.0;
    double h = height > 0 ? -static_cast<double>(height) : static_cast<double>(height);
    return -static_cast<int32_t>(h / k - 0.5);
}

const char* memo_dialog_font_style_text(int32_t weight) {
    return weight <= 400 ? "標準" : "太字";
}

int32_t memo_dialog_parse_size(const char* text) {
    const char* p = text ? text : "";
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) {
        p++;
    }
    int negative = 0;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        p++;
    }
    // Counted in 64 bits and stopped just past the range, so any number of
    // digits ends at the nearest end of the range.
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        value = value * 10 + (*p - '0');
        if (value > limit) {
            value = limit;
        }
    }
    return static_cast<int32_t>(negative ? -value : value);
}

void memo_dialog_cut_text(char* text, size_t max_bytes) {
    size_t length = strlen(text);
    if (length > max_bytes) {
        text[profile_cut_length(text, length, max_bytes)] = '\0';
    }
}

int memo_dialog_banner_right(const platform_rect* item, int32_t bw, int32_t bh,
                             platform_rect* out) {
    if (bw <= 0 || bh <= 0) {
        return 0;
    }
    int32_t w = static_cast<int32_t>(static_cast<double>(item->bottom - item->top) / bh * bw);
    out->left = item->right - w;
    out->top = item->top;
    out->right = item->right;
    out->bottom = item->bottom;
    return 1;
}

int memo_dialog_banner_top(const platform_rect* item, int32_t bw, int32_t bh,
                           platform_rect* out) {
    if (bw <= 0 || bh <= 0) {
        return 0;
    }
    int32_t h = static_cast<int32_t>(static_cast<double>(item->right - item->left) / bw * bh);
    out->left = item->left;
    out->top = item->top;
    out->right = item->right;
    out->bottom = item->top + h;
    return 1;
}

int memo_dialog_beside_program(char* out, const char* name) {
    char folder[PLATFORM_PATH_SIZE];
    out[0] = '\0';
    if (!platform_program_path(folder, sizeof folder)) {
        REPORT_FAILURE();
        return 0;
    }
    char* last = nullptr;
    for (char* p = folder; *p; p++) {
        if (profile_is_lead_byte(static_cast<unsigned char>(*p)) && p[1]) {
            p++;
        } else if (*p == '\\') {
            last = p;
        }
    }
    if (last) {
        *last = '\0';
    } else {
        REPORT_FAILURE();
    }
    return settings_format_path(out, "%s\\%s", folder, name);
}

int memo_dialog_folder_usable(const char* folder) {
    if (!folder[0] || platform_path_kind(folder) != PLATFORM_PATH_FOLDER) {
        return 0;
    }
    // Every memo file is "folder\name.txt"; a folder with no room for one
    // would take the data and then fail every save.
    if (strlen(folder) + 1 + DIALOG_MEMO_FILE_NAME_ROOM >= PLATFORM_PATH_SIZE) {
        return 0;
    }
    char probe[PLATFORM_PATH_SIZE];
    const char* format = dialog_ends_in_backslash(folder) ? "%s%s" : "%s\\%s";
    if (!settings_format_path(probe, format, folder, k_probe_name)) {
        return 0;
    }
    if (!platform_write_file(probe, "", 0, 0)) {
        return 0;
    }
    platform_delete_file(probe);
    return 1;
}
