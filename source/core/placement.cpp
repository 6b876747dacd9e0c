// Memo creation and placement.
#include "placement.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "memo_registry.h"
#include "error_log.h"
#include "settings.h"
#include "scale.h"
#include "memo_input.h"
#include "paths.h"
#include "tracked_memory.h"

namespace {

// Which corner of the desktop (and of the anchoring monitor) a quadrant
// measures from; meaningful for quadrants 1 to 4 only.
int placement_quadrant_right(int32_t quadrant) {
    return quadrant == MEMO_QUADRANT_UPPER_RIGHT || quadrant == MEMO_QUADRANT_LOWER_RIGHT;
}

int placement_quadrant_upper(int32_t quadrant) {
    return quadrant == MEMO_QUADRANT_UPPER_RIGHT || quadrant == MEMO_QUADRANT_UPPER_LEFT;
}

void placement_corner_lookup(int32_t quadrant, platform_rect* monitor, int32_t* dpi) {
    if (quadrant < MEMO_QUADRANT_UPPER_RIGHT || quadrant > MEMO_QUADRANT_LOWER_RIGHT) {
        platform_monitor_from_point(nullptr, monitor, dpi);
        return;
    }
    platform_rect desk;
    placement_desktop(&desk);
    // The right and bottom corners are origin plus extent, one pixel past
    // the last monitor: the nearest monitor is still the one at that corner.
    int32_t corner[2] = {placement_quadrant_right(quadrant) ? desk.right : desk.left,
                         placement_quadrant_upper(quadrant) ? desk.top : desk.bottom};
    platform_monitor_from_point(corner, monitor, dpi);
}

// The corner monitors of the batch under way (a folder scan): every memo
// of one scan is placed on the same desktop, so each corner's monitor is
// looked up once per scan instead of once per memo (a lookup costs the
// system about a millisecond, which a start-up with a thousand memos
// notices).  Slot 0 stands for every quadrant outside 1 to 4.
struct placement_corner {
    int known;
    platform_rect monitor;
    int32_t dpi;
};
placement_corner s_corners[5];
int s_batch_depth = 0;
// The desktop of the batch under way: asked once, not three times per memo.
int s_desktop_known = 0;
platform_rect s_desktop;

}  // namespace

void placement_batch_begin(void) {
    if (s_batch_depth++ == 0) {
        memset(s_corners, 0, sizeof s_corners);
        s_desktop_known = 0;
    }
}

void placement_desktop(platform_rect* desk) {
    if (s_batch_depth == 0) {
        platform_virtual_screen(desk);
        return;
    }
    if (!s_desktop_known) {
        platform_virtual_screen(&s_desktop);
        s_desktop_known = 1;
    }
    *desk = s_desktop;
}

void placement_batch_end(void) {
    if (s_batch_depth > 0) s_batch_depth--;
}

void placement_corner_monitor(int32_t quadrant, platform_rect* monitor, int32_t* dpi) {
    if (s_batch_depth == 0) {
        placement_corner_lookup(quadrant, monitor, dpi);
        return;
    }
    placement_corner* corner =
        &s_corners[quadrant >= MEMO_QUADRANT_UPPER_RIGHT && quadrant <= MEMO_QUADRANT_LOWER_RIGHT
                       ? quadrant
                       : 0];
    if (!corner->known) {
        placement_corner_lookup(quadrant, &corner->monitor, &corner->dpi);
        corner->known = 1;
    }
    *monitor = corner->monitor;
    *dpi = corner->dpi;
}

void placement_stored_position(const platform_rect* window, memo_position* out) {
    platform_rect own_monitor;
    int32_t dpi;
    platform_monitor_from_rect(window, &own_monitor, &dpi);

    platform_rect desk;
    placement_desktop(&desk);
    int64_t cx = desk.left + (static_cast<int64_t>(desk.right) - desk.left) / 2;
    int64_t cy = desk.top + (static_cast<int64_t>(desk.bottom) - desk.top) / 2;

    int32_t center[2] = {
        static_cast<int32_t>((static_cast<int64_t>(window->left) + window->right) / 2),
        static_cast<int32_t>((static_cast<int64_t>(window->top) + window->bottom) / 2)};
    platform_rect m;
    platform_monitor_from_point(center, &m, nullptr);

    int right_half = window->left > cx;
    int lower_half = window->top > cy;
    int64_t x = right_half ? static_cast<int64_t>(m.right) - window->right
                           : static_cast<int64_t>(window->left) - m.left;
    int64_t y = lower_half ? static_cast<int64_t>(m.bottom) - window->bottom
                           : static_cast<int64_t>(window->top) - m.top;
    if (right_half) {
        out->quadrant = lower_half ? MEMO_QUADRANT_LOWER_RIGHT : MEMO_QUADRANT_UPPER_RIGHT;
    } else {
        out->quadrant = lower_half ? MEMO_QUADRANT_LOWER_LEFT : MEMO_QUADRANT_UPPER_LEFT;
    }
    out->x = scale_to_stored(x, dpi);
    out->y = scale_to_stored(y, dpi);
    out->width = scale_to_stored(static_cast<int64_t>(window->right) - window->left, dpi);
    out->height = scale_to_stored(static_cast<int64_t>(window->bottom) - window->top, dpi);
    out->left = scale_to_stored(window->left, dpi);
    out->top = scale_to_stored(window->top, dpi);
    out->right = scale_to_stored(window->right, dpi);
    out->bottom = scale_to_stored(window->bottom, dpi);
}

void placement_window_rect(const memo_placement* where, platform_rect* out) {
    if (where->geometry == memo_geometry::rect) {
        *out = where->rect;
        return;
    }
    platform_rect m = {0, 0, 0, 0};
    if (where->quadrant >= MEMO_QUADRANT_UPPER_RIGHT &&
        where->quadrant <= MEMO_QUADRANT_LOWER_RIGHT) {
        int32_t dpi;
        placement_corner_monitor(where->quadrant, &m, &dpi);
    }
    placement_corner_rect(&m, where->x, where->y, where->width, where->height, where->quadrant,
                          out);
}

void placement_corner_rect(const platform_rect* m, int32_t x, int32_t y, int32_t width,
                           int32_t height, int32_t quadrant, platform_rect* out) {
    if (quadrant < MEMO_QUADRANT_UPPER_RIGHT || quadrant > MEMO_QUADRANT_LOWER_RIGHT) {
        *out = platform_rect{0, 0, 100, 100};
        return;
    }
    // Stored values come from files anyone may edit: add in 64 bits.
    int64_t l = placement_quadrant_right(quadrant) ? static_cast<int64_t>(m->right) - x - width
                                                   : static_cast<int64_t>(m->left) + x;
    int64_t t = placement_quadrant_upper(quadrant) ? static_cast<int64_t>(m->top) + y
                                                   : static_cast<int64_t>(m->bottom) - y - height;
    *out = platform_rect{scale_clamp(l), scale_clamp(t),
                         scale_clamp(l + width), scale_clamp(t + height)};
}

static_assert(MEMO_INPUT_MIN_WIDTH == MEMO_INPUT_MIN_HEIGHT, "one minimum for both extents");

int32_t placement_clamp_extent(int64_t extent, int64_t desktop_extent) {
    const int64_t least = MEMO_INPUT_MIN_WIDTH;
    if (extent < least) return static_cast<int32_t>(least);
    int64_t most = desktop_extent > least ? desktop_extent : least;
    return scale_clamp(extent < most ? extent : most);
}

void placement_clamp_size(platform_rect* r) {
    platform_rect desk;
    placement_desktop(&desk);
    int32_t width = placement_clamp_extent(static_cast<int64_t>(r->right) - r->left,
                                           static_cast<int64_t>(desk.right) - desk.left);
    int32_t height = placement_clamp_extent(static_cast<int64_t>(r->bottom) - r->top,
                                            static_cast<int64_t>(desk.bottom) - desk.top);
    // Kept inside 32 bits: a left edge near the end of the range moves in.
    int64_t left = r->left;
    int64_t top = r->top;
    if (left + width > INT32_MAX) left = static_cast<int64_t>(INT32_MAX) - width;
    if (top + height > INT32_MAX) top = static_cast<int64_t>(INT32_MAX) - height;
    *r = platform_rect{static_cast<int32_t>(left), static_cast<int32_t>(top),
                       static_cast<int32_t>(left + width), static_cast<int32_t>(top + height)};
}

namespace {

// One axis of a bring-back: lo..hi of the extent moved (and shrunk if need
// be) inside the monitor's low..high.
void placement_fit_axis(int32_t* lo, int32_t* hi, int32_t low, int32_t high) {
    int64_t extent = static_cast<int64_t>(*hi) - *lo;
    if (extent > static_cast<int64_t>(high) - low) extent = static_cast<int64_t>(high) - low;
    int64_t start = *lo;
    if (start < low) start = low;
    if (start + extent > high) start = high - extent;
    *lo = static_cast<int32_t>(start);
    *hi = static_cast<int32_t>(start + extent);
}

}  // namespace

int placement_bring_back(platform_rect* r) {
    // The nearest monitor is the one with the largest overlap, so a memo
    // that overlaps no monitor does not overlap this one either.
    platform_rect m;
    platform_monitor_from_rect(r, &m, nullptr);
    int overlaps = r->left < m.right && m.left < r->right && r->top < m.bottom && m.top < r->bottom;
    if (overlaps) return 0;
    placement_fit_axis(&r->left, &r->right, m.left, m.right);
    placement_fit_axis(&r->top, &r->bottom, m.top, m.bottom);
    return 1;
}

memo_hwnd placement_create_window(memo_hwnd owner, const memo_placement* where) {
    // Sizes come from files anyone may edit.  They are clamped before a
    // corner places the memo, so that it keeps its distance from that
    // corner; a rectangle keeps its top-left corner.
    platform_rect desk;
    placement_desktop(&desk);
    memo_placement clamped = *where;
    clamped.width =
        placement_clamp_extent(where->width, static_cast<int64_t>(desk.right) - desk.left);
    clamped.height =
        placement_clamp_extent(where->height, static_cast<int64_t>(desk.bottom) - desk.top);
    platform_rect r;
    placement_window_rect(&clamped, &r);
    placement_clamp_size(&r);
    placement_bring_back(&r);
    memo_hwnd window = platform_memo_window_create(owner, &r);
    if (!window) REPORT_FAILURE();
    return window;
}

memo_hwnd placement_create_memo(memo_hwnd owner, const memo_placement* where, memo_record* start,
                                uint16_t mode) {
    memo_hwnd window = placement_create_window(owner, where);
    memo_record* record = window ? memo_registry_add(window) : nullptr;
    if (!record) {
        // Never shown and never registered: nothing could ever reach it.
        REPORT_FAILURE();
        if (window) platform_window_destroy(window);
        if (start->text) TRACKED_FREE(start->text);
        start->text = nullptr;
        return nullptr;
    }
    record->color_index = start->color_index;
    record->day = start->day;
    record->time = start->time;
    record->text = start->text;
    start->text = nullptr;
    record->text_stamp = start->text_stamp;
    record->text_hash = start->text_hash;
    record->ini_stamp = start->ini_stamp;
    memo_registry_set_name(window, start->file_name);

    memo_handover handover = {record, mode};
    platform_window_send(window, MEMO_MSG_INIT, 0, reinterpret_cast<intptr_t>(&handover));
    // While the user has hidden every memo, a memo made now (read from
    // files, or text from another program) waits hidden until they are
    // shown again, so that the tray's show command and the screen agree.
    if (g_settings.show) {
        platform_window_show(window, 1);
        platform_window_repaint(window);
    }
    return window;
}

// --- new memos ---------------------------------------------------------------

void placement_place_memo(int32_t placement_kind, int32_t tbw, int32_t tbh, int32_t cursor_x,
                             int32_t cursor_y, int32_t width, int32_t height, platform_rect* out) {
    int64_t px = cursor_x, py = cursor_y, w = width, h = height;
    if (placement_kind == MEMO_PLACE_SECOND_START) {
        // Both halves truncate, so an odd size comes out one pixel smaller.
        *out = platform_rect{scale_clamp(px - w / 2), scale_clamp(py - h / 2),
                             scale_clamp(px + w / 2), scale_clamp(py + h / 2)};
        return;
    }
    int32_t cursor[2] = {cursor_x, cursor_y};
    platform_rect m;
    platform_monitor_from_point(cursor, &m, nullptr);
    int32_t taskbar = g_settings.taskbar;
    int64_t beside_left = static_cast<int64_t>(m.left) + tbw;
    int64_t beside_top = static_cast<int64_t>(m.top) + tbh;
    int64_t beside_right = static_cast<int64_t>(m.right) - tbw - w;
    int64_t beside_bottom = static_cast<int64_t>(m.bottom) - tbh - h;
    int64_t left, top;
    if (placement_kind == MEMO_PLACE_COPYDATA) {
        // The tray corner, where a notification would appear.
        left = taskbar == SETTINGS_TASKBAR_LEFT ? beside_left : beside_right;
        top = taskbar == SETTINGS_TASKBAR_TOP ? beside_top : beside_bottom;
    } else {
        // Only the far edges are guarded, and strictly: a memo that ends
        // exactly on the edge stays centred on the cursor.
        int64_t centred_left = m.right < px + w / 2 ? beside_right : px - w / 2;
        int64_t centred_top = m.bottom < py + h / 2 ? beside_bottom : py - h / 2;
        switch (taskbar) {
        case SETTINGS_TASKBAR_LEFT:
            left = beside_left;
            top = centred_top;
            break;
        case SETTINGS_TASKBAR_TOP:
            left = centred_left;
            top = beside_top;
            break;
        case SETTINGS_TASKBAR_RIGHT:
            left = beside_right;
            top = centred_top;
            break;
        default:
            left = centred_left;
            top = beside_bottom;
            break;
        }
    }
    *out = platform_rect{scale_clamp(left), scale_clamp(top),
                         scale_clamp(left + w), scale_clamp(top + h)};
}

namespace {

// One axis of the edit box: centred on c, then pushed inside lo..hi, the
// low bound first.
int32_t placement_fit(int32_t c, int32_t size, int64_t lo, int64_t hi) {
    int64_t x = static_cast<int64_t>(c) - size / 2;
    if (x < lo) {
        x = lo;
    } else if (hi < static_cast<int64_t>(c) + size / 2) {
        x = hi - size;
    }
    return scale_clamp(x);
}

}  // namespace

void placement_place_editbox(int32_t tbw, int32_t tbh, int32_t width, int32_t height,
                                int32_t* left, int32_t* top) {
    int32_t cursor[2];
    platform_cursor_pos(cursor);
    platform_rect m;
    platform_monitor_from_point(cursor, &m, nullptr);
    int64_t lo_x = m.left, hi_x = m.right, lo_y = m.top, hi_y = m.bottom;
    switch (g_settings.taskbar) {
    case SETTINGS_TASKBAR_LEFT:
        lo_x += tbw;
        break;
    case SETTINGS_TASKBAR_TOP:
        lo_y += tbh;
        break;
    case SETTINGS_TASKBAR_RIGHT:
        hi_x -= tbw;
        break;
    default:
        hi_y -= tbh;
        break;
    }
    *left = placement_fit(cursor[0], width, lo_x, hi_x);
    *top = placement_fit(cursor[1], height, lo_y, hi_y);
}

namespace {

int32_t placement_days_in_month(int32_t year, int32_t month) {
    static const int32_t k_days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
    return month >= 1 && month <= 12 ? k_days[month - 1] : 31;
}

}  // namespace

void placement_next_second(platform_time* t) {
    if (++t->second < 60) return;
    t->second = 0;
    if (++t->minute < 60) return;
    t->minute = 0;
    if (++t->hour < 24) return;
    t->hour = 0;
    if (++t->day <= placement_days_in_month(t->year, t->month)) return;
    t->day = 1;
    if (++t->month <= 12) return;
    t->month = 1;
    t->year++;
}

namespace {

void placement_format_name(const platform_time* t, char* name, size_t size) {
    snprintf(name, size, "%04d%02d%02d%02d%02d%02d", static_cast<int>(t->year),
             static_cast<int>(t->month), static_cast<int>(t->day), static_cast<int>(t->hour),
             static_cast<int>(t->minute), static_cast<int>(t->second));
}

// A name is taken by a live memo or by either file of a pair in the data
// folder: a lone text or INI file left behind must not be overwritten.
int placement_name_taken(const char* name) {
    memo_record* live;
    if (memo_registry_find_name(name, &live)) return 1;
    for (const char* extension : {".txt", ".ini"}) {
        char path[PLATFORM_PATH_SIZE];
        // A path too long to form is one no file can have.
        if (path_memo_file(path, g_settings.path, name, extension) &&
            platform_path_kind(path) != PLATFORM_PATH_NONE) {
            return 1;
        }
    }
    return 0;
}

}  // namespace

// The creation time as the memo's base name: 14 digits, and never one a
// live memo or the data folder already has, so that two memos stuck within
// one second keep separate files.  The next free second stays a valid
// local time, so the name still reads as when the memo was made.  The
// new memo is registered already, still without a name, so it never
// finds its own name taken.
void placement_free_name(char* name, size_t size) {
    char candidate[MEMO_FILE_NAME_SIZE];
    platform_time t;
    platform_local_time(&t);
    placement_format_name(&t, candidate, sizeof candidate);
    while (placement_name_taken(candidate)) {
        placement_next_second(&t);
        placement_format_name(&t, candidate, sizeof candidate);
    }
    snprintf(name, size, "%s", candidate);
}

void placement_beside(const platform_rect* memo, platform_rect* out) {
    const int32_t gap = 10;
    platform_rect monitor;
    platform_monitor_from_rect(memo, &monitor, nullptr);
    int32_t width = memo->right - memo->left;
    int32_t height = memo->bottom - memo->top;
    int32_t left = memo->right + gap;
    if (left + width > monitor.right) {
        left = memo->left - gap - width;
    }
    int32_t top = memo->top;
    if (left < monitor.left) {
        // No room on either side: a step down and to the right, on screen.
        left = std::max(monitor.left, std::min(memo->left + 2 * gap, monitor.right - width));
        top = std::max(monitor.top, std::min(memo->top + 2 * gap, monitor.bottom - height));
    }
    out->left = left;
    out->top = top;
    out->right = left + width;
    out->bottom = top + height;
}

memo_hwnd placement_new_memo(memo_hwnd owner, int32_t placement_kind) {
    int32_t cursor[2];
    platform_cursor_pos(cursor);
    int32_t dpi = 96;
    platform_monitor_from_point(cursor, nullptr, &dpi);

    int32_t width = 160, height = 120;
    if (g_settings.defaultmemosize == PLACEMENT_SIZE_MEDIUM) {
        width = 240;
        height = 180;
    } else if (g_settings.defaultmemosize == PLACEMENT_SIZE_LARGE) {
        width = 320;
        height = 240;
    }
    platform_rect r;
    placement_place_memo(placement_kind, scale_to_physical(g_settings.taskbarwidth, dpi),
                            scale_to_physical(g_settings.taskbarheight, dpi), cursor[0],
                            cursor[1], scale_to_physical(width, dpi),
                            scale_to_physical(height, dpi), &r);

    memo_placement where;
    where.rect = r;
    memo_record start = {};
    start.color_index = MEMO_COLOR_NEW;
    placement_free_name(start.file_name, sizeof start.file_name);
    return placement_create_memo(owner, &where, &start, MEMO_MODE_NEW);
}
