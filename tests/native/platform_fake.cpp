// Test implementation of the platform module: its state and reset, the
// program and application-data paths, a settable clock, settable monitors
// and cursor, the memo windows as records, and recorded message boxes and
// notices.  The sandbox file system is in platform_fake_files.cpp.
#include "platform_fake.h"
#include "platform_fake_state.h"

#include "memo_registry.h"

#include <iconv.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

fake_state g_fake;

namespace {

bool g_fake_ready = false;

void fake_remove_root_at_exit(void) {
    if (!g_fake.root.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(g_fake.root, ignored);
    }
}

void fake_ensure_root(void) {
    if (!g_fake.root.empty()) return;
    const char* base = getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/kelvane-fake-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) {
        perror("mkdtemp");
        abort();
    }
    g_fake.root = name.data();
    atexit(fake_remove_root_at_exit);
}

int64_t fake_overlap(const platform_rect& a, const platform_rect& b) {
    int64_t w = (int64_t)std::min(a.right, b.right) - std::max(a.left, b.left);
    int64_t h = (int64_t)std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

// Squared distance from a point to a rectangle (0 inside).
int64_t fake_distance(const platform_rect& r, int32_t x, int32_t y) {
    int64_t dx = x < r.left ? (int64_t)r.left - x : x >= r.right ? (int64_t)x - r.right + 1 : 0;
    int64_t dy = y < r.top ? (int64_t)r.top - y : y >= r.bottom ? (int64_t)y - r.bottom + 1 : 0;
    return dx * dx + dy * dy;
}

void fake_give_monitor(size_t index, platform_rect* rect, int32_t* dpi) {
    if (rect) *rect = g_fake.monitors[index].rect;
    if (dpi) *dpi = g_fake.monitors[index].dpi;
}

}  // namespace

void fake_ensure_ready(void) {
    if (!g_fake_ready) fake_platform_reset();
}

// Fires a fault when its call number comes up.
bool fake_fault_fires(fake_fault fault) {
    if (g_fake.fault_at[fault] == 0) return false;
    g_fake.fault_calls[fault]++;
    if (g_fake.fault_calls[fault] < g_fake.fault_at[fault]) return false;
    g_fake.fault_at[fault] = 0;
    g_fake.fault_calls[fault] = 0;
    return true;
}

void fake_step(void) {
    g_fake.steps++;
    if (g_fake.die_at_step != 0 && g_fake.steps == g_fake.die_at_step) _exit(0);
}

bool fake_call_fails(const char* name) {
    fake_ensure_ready();
    fake_step();
    g_fake.calls++;
    if (g_fake.fail_call == 0 || g_fake.calls != g_fake.fail_call) return false;
    g_fake.fail_call = 0;
    g_fake.failed_call = name;
    g_fake.last_fault = g_fake.fail_call_fault;
    return true;
}

int fake_fail(int fault) {
    g_fake.last_fault = fault;
    return 0;
}

// --- test controls ---------------------------------------------------------

void fake_platform_reset(void) {
    fake_ensure_root();
    std::error_code ignored;
    std::filesystem::remove_all(g_fake.root, ignored);
    std::filesystem::create_directories(g_fake.root);
    std::string root = g_fake.root;
    g_fake = fake_state();
    g_fake.root = root;
    g_fake_ready = true;
    fake_platform_set_program_path("C:\\app\\kelvane.exe");
    fake_platform_set_appdata("C:\\Users\\user\\AppData\\Roaming");
    fake_platform_set_time(2024, 1, 2, 3, 4, 5);
    fake_monitor one = {{0, 0, 1920, 1080}, 96};
    fake_platform_set_monitors(&one, 1);
}

const char* fake_platform_root(void) {
    fake_ensure_ready();
    return g_fake.root.c_str();
}

void fake_platform_set_program_path(const char* path) {
    fake_ensure_ready();
    g_fake.program_path = path;
    std::string parent = fake_parent_of(path);
    if (!parent.empty()) fake_platform_make_folders(parent.c_str());
}

void fake_platform_set_appdata(const char* path) {
    fake_ensure_ready();
    g_fake.appdata_set = path != nullptr;
    g_fake.appdata = path ? path : "";
    if (path) fake_platform_make_folders(path);
}

void fake_platform_set_time(int32_t year, int32_t month, int32_t day, int32_t hour,
                            int32_t minute, int32_t second) {
    fake_ensure_ready();
    g_fake.now.year = year;
    g_fake.now.month = month;
    g_fake.now.day = day;
    g_fake.now.hour = hour;
    g_fake.now.minute = minute;
    g_fake.now.second = second;
}

void fake_platform_set_monitors(const fake_monitor* monitors, int count) {
    fake_ensure_ready();
    g_fake.monitors.assign(monitors, monitors + count);
}

void fake_platform_set_cursor(int32_t x, int32_t y) {
    fake_ensure_ready();
    g_fake.cursor[0] = x;
    g_fake.cursor[1] = y;
}

void fake_platform_fail(fake_fault fault, int nth_call) {
    fake_ensure_ready();
    g_fake.fault_at[fault] = nth_call;
    g_fake.fault_calls[fault] = 0;
}

void fake_platform_fail_call(int nth_call, int fault) {
    fake_ensure_ready();
    g_fake.fail_call = nth_call > 0 ? g_fake.calls + nth_call : 0;
    g_fake.fail_call_fault = fault;
}

int fake_platform_calls(void) { return g_fake.calls; }

const char* fake_platform_failed_call(void) {
    return g_fake.failed_call ? g_fake.failed_call : "";
}

void fake_platform_die_at_step(int nth_step) {
    fake_ensure_ready();
    g_fake.die_at_step = g_fake.steps + nth_step;
}

void fake_platform_advance(uint32_t milliseconds) {
    fake_ensure_ready();
    g_fake.ticks += milliseconds;
}

uint32_t fake_platform_slept_ms(void) { return g_fake.slept; }
uint32_t fake_platform_retry_delay(void) { return g_fake.retry_delay; }
const std::vector<std::string>& fake_platform_notices(void) { return g_fake.notices; }

int fake_platform_message_count(void) { return (int)g_fake.message_texts.size(); }
const std::string& fake_platform_message_text(int index) { return g_fake.message_texts.at(index); }
const std::string& fake_platform_message_caption(int index) {
    return g_fake.message_captions.at(index);
}

// --- platform.h ---------------------------------------------------------

int platform_program_path(char* buffer, size_t size) {
    fake_ensure_ready();
    if (fake_call_fails("platform_program_path")) return 0;
    if (g_fake.program_path.size() + 1 > size) return 0;
    memcpy(buffer, g_fake.program_path.c_str(), g_fake.program_path.size() + 1);
    return 1;
}

int platform_appdata_folder(char* buffer, size_t size) {
    fake_ensure_ready();
    if (fake_call_fails("platform_appdata_folder")) return 0;
    if (!g_fake.appdata_set || g_fake.appdata.size() + 1 > size) return 0;
    memcpy(buffer, g_fake.appdata.c_str(), g_fake.appdata.size() + 1);
    return 1;
}

int platform_last_fault(void) { return g_fake.last_fault; }

// glibc's code page 932 table, a character at a time: one without a form is '?'.
size_t platform_utf8_to_cp932(const char* text, size_t size, char* out, size_t out_size) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    std::string result;
    for (size_t at = 0, n = 1; at < size; at += n, n = 1) {
        while (at + n < size && (static_cast<unsigned char>(text[at + n]) & 0xC0) == 0x80) n++;
        char buffer[8], *in = const_cast<char*>(text + at), *o = buffer;
        size_t in_left = n, out_left = sizeof buffer;
        result += iconv(cd, &in, &in_left, &o, &out_left) != static_cast<size_t>(-1)
                      ? std::string(buffer, o)
                      : "?";
    }
    iconv_close(cd);
    if (out && out_size >= result.size()) memcpy(out, result.data(), result.size());
    return result.size();
}

size_t platform_cp932_to_utf8(const char* text, size_t size, char* out, size_t out_size) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    std::string result(size * 3, '\0');
    char* in = const_cast<char*>(text);
    char* o = &result[0];
    size_t in_left = size, out_left = result.size();
    iconv(cd, &in, &in_left, &o, &out_left);
    iconv_close(cd);
    result.resize(result.size() - out_left);
    if (out && out_size >= result.size()) memcpy(out, result.data(), result.size());
    return result.size();
}

void platform_local_time(platform_time* out) {
    fake_ensure_ready();
    *out = g_fake.now;
}

uint32_t platform_tick_count(void) {
    fake_ensure_ready();
    return g_fake.ticks;
}

void platform_sleep(uint32_t milliseconds) {
    fake_ensure_ready();
    g_fake.ticks += milliseconds;
    g_fake.slept += milliseconds;
}

void platform_virtual_screen(platform_rect* out) {
    fake_ensure_ready();
    *out = g_fake.monitors.empty() ? platform_rect{0, 0, 0, 0} : g_fake.monitors[0].rect;
    for (const fake_monitor& m : g_fake.monitors) {
        out->left = std::min(out->left, m.rect.left);
        out->top = std::min(out->top, m.rect.top);
        out->right = std::max(out->right, m.rect.right);
        out->bottom = std::max(out->bottom, m.rect.bottom);
    }
}

void platform_monitor_from_point(const int32_t* point_xy, platform_rect* rect, int32_t* dpi) {
    fake_ensure_ready();
    size_t best = 0;
    if (point_xy) {
        int64_t best_distance = -1;
        for (size_t i = 0; i < g_fake.monitors.size(); i++) {
            int64_t d = fake_distance(g_fake.monitors[i].rect, point_xy[0], point_xy[1]);
            if (best_distance < 0 || d < best_distance) {
                best_distance = d;
                best = i;
            }
        }
    }
    fake_give_monitor(best, rect, dpi);
}

void platform_monitor_from_rect(const platform_rect* r, platform_rect* rect, int32_t* dpi) {
    fake_ensure_ready();
    size_t best = 0;
    int64_t best_overlap = 0;
    for (size_t i = 0; i < g_fake.monitors.size(); i++) {
        int64_t o = fake_overlap(g_fake.monitors[i].rect, *r);
        if (o > best_overlap) {
            best_overlap = o;
            best = i;
        }
    }
    if (best_overlap == 0) {
        int32_t center[2] = {(int32_t)(((int64_t)r->left + r->right) / 2),
                             (int32_t)(((int64_t)r->top + r->bottom) / 2)};
        platform_monitor_from_point(center, rect, dpi);
        return;
    }
    fake_give_monitor(best, rect, dpi);
}

void platform_cursor_pos(int32_t* point_xy) {
    fake_ensure_ready();
    point_xy[0] = g_fake.cursor[0];
    point_xy[1] = g_fake.cursor[1];
}

memo_hwnd fake_platform_add_window(const platform_rect& rect) {
    fake_ensure_ready();
    fake_window w = fake_window();
    w.rect = rect;
    g_fake.windows.push_back(w);
    return fake_platform_window_at((int)g_fake.windows.size() - 1);
}

int fake_platform_window_count(void) { return (int)g_fake.windows.size(); }

memo_hwnd fake_platform_window_at(int index) {
    return reinterpret_cast<memo_hwnd>((uintptr_t)0x10000 + 0x10 * ((uintptr_t)index + 1));
}

fake_window* fake_platform_window_info(memo_hwnd window) {
    uintptr_t v = reinterpret_cast<uintptr_t>(window);
    if (v <= 0x10000 || (v & 0xF) != 0) return nullptr;
    size_t index = (v - 0x10000) / 0x10 - 1;
    if (index >= g_fake.windows.size()) return nullptr;
    return &g_fake.windows[index];
}

memo_hwnd platform_memo_window_create(memo_hwnd owner, const platform_rect* r) {
    fake_ensure_ready();
    if (fake_fault_fires(FAKE_FAULT_CREATE_WINDOW) || fake_call_fails("platform_memo_window_create")) {
        return nullptr;
    }
    memo_hwnd w = fake_platform_add_window(*r);
    fake_platform_window_info(w)->owner = owner;
    return w;
}

void platform_window_destroy(memo_hwnd window) {
    fake_window* w = fake_platform_window_info(window);
    if (w) {
        w->destroyed = true;
        w->visible = false;
    }
}

intptr_t platform_window_send(memo_hwnd window, uint32_t message, uintptr_t wparam,
                              intptr_t lparam) {
    fake_window* w = fake_platform_window_info(window);
    if (!w || w->destroyed) return 0;
    fake_message m = {message, wparam, lparam, nullptr, 0};
    if ((message == MEMO_MSG_INIT || message == MEMO_MSG_RELOAD) && lparam) {
        const memo_handover* h = reinterpret_cast<const memo_handover*>(lparam);
        m.record = h->record;
        m.mode = h->mode;
    }
    w->messages.push_back(m);
    return 0;
}

void platform_window_show(memo_hwnd window, int show) {
    fake_window* w = fake_platform_window_info(window);
    if (w && !w->destroyed) w->visible = show != 0;
}

int platform_window_visible(memo_hwnd window) {
    fake_window* w = fake_platform_window_info(window);
    return w && w->visible ? 1 : 0;
}

void platform_window_repaint(memo_hwnd window) {
    fake_window* w = fake_platform_window_info(window);
    if (w && !w->destroyed) w->repaints++;
}

int platform_window_rect(memo_hwnd window, platform_rect* out) {
    if (fake_call_fails("platform_window_rect")) return 0;
    fake_window* w = fake_platform_window_info(window);
    if (!w || w->destroyed) return 0;
    *out = w->rect;
    return 1;
}

memo_hwnd platform_window_owner(memo_hwnd window) {
    fake_window* w = fake_platform_window_info(window);
    return w ? w->owner : nullptr;
}

void platform_message_box(const char* text, const char* caption) {
    fake_ensure_ready();
    g_fake.message_texts.push_back(text ? text : "");
    g_fake.message_captions.push_back(caption ? caption : "");
}

void platform_notify_later(const char* text) {
    fake_ensure_ready();
    g_fake.notices.push_back(text ? text : "");
}

void platform_retry_later(uint32_t delay_ms) {
    fake_ensure_ready();
    g_fake.retry_delay = delay_ms;
}

void platform_fatal_exit(const char* text, int exit_code) {
    fprintf(stderr, "fatal exit %d: %s\n", exit_code, text ? text : "");
    fflush(stderr);
    _exit(exit_code);
}
