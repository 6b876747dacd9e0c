// The window-free part of the settings dialogs.
#include "settings_text.h"

#include <stdio.h>
#include <string.h>

#include "error_log.h"
#include "ini_file.h"
#include "settings.h"
#include "paths.h"

namespace {

}  // namespace

void settings_text_parse_version(const char* text, dialog_version* out) {
    out->major = 0;
    out->minor = 0;
    out->build = 0;
    out->revision = 0;
    if (text) {
        sscanf(text, "%d.%d.%d.%d", &out->major, &out->minor, &out->build, &out->revision);
    }
}

int settings_text_version_line(char* out, size_t size, const char* description,
                             const dialog_version* version, int32_t bits) {
    int n = snprintf(out, size, "%s Ver.%d.%02d.%04d %dbit版\n", description ? description : "",
                     version->major, version->minor, version->build, bits);
    return n >= 0 && static_cast<size_t>(n) < size ? 1 : 0;
}

int32_t settings_text_toggle(int32_t value, int32_t ticked) {
    if (ticked && value == 0) {
        return 1;
    }
    if (!ticked && value == 1) {
        return 0;
    }
    return value;
}

int32_t settings_text_textfile_bom(int32_t textfile, int32_t ticked) {
    uint32_t bits = static_cast<uint32_t>(textfile);
    uint32_t low = settings_text_toggle(static_cast<int32_t>(bits & 0xFFFFu), ticked);
    return static_cast<int32_t>((bits & 0xFFFF0000u) | (low & 0xFFFFu));
}

int32_t settings_text_textfile_crlf(int32_t textfile, int32_t ticked) {
    uint32_t bits = static_cast<uint32_t>(textfile);
    uint32_t high = settings_text_toggle(static_cast<int32_t>(bits >> 16), ticked);
    return static_cast<int32_t>((high << 16) | (bits & 0xFFFFu));
}

int settings_text_browse_candidate(char* out, const char* picked, int32_t in_subfolder) {
    if (in_subfolder) return path_join(out, picked, DIALOG_DATA_FOLDER_NAME);
    int n = snprintf(out, PLATFORM_PATH_SIZE, "%s", picked);
    // A cut path would name some other folder; better none at all.
    if (n < 0 || n >= PLATFORM_PATH_SIZE) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

int32_t settings_text_font_points(int32_t height, int32_t dpi) {
    if (dpi <= 0) {
        return 0;
    }
    double s = dpi / 96.0;
    double k = s * 96.0 / 72.0;
    double h = height > 0 ? -static_cast<double>(height) : static_cast<double>(height);
    return -static_cast<int32_t>(h / k - 0.5);
}

const char* settings_text_font_style_text(int32_t weight) {
    return weight <= 400 ? "標準" : "太字";
}

int32_t settings_text_parse_size(const char* text) {
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

void settings_text_cut_text(char* text, size_t max_bytes) {
    size_t length = strlen(text);
    if (length > max_bytes) {
        text[path_cut_length(text, length, max_bytes)] = '\0';
    }
}

int settings_text_banner_right(const platform_rect* item, int32_t bw, int32_t bh,
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

int settings_text_banner_top(const platform_rect* item, int32_t bw, int32_t bh,
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

