// Test implementation of the platform module: a sandbox on the real disk,
// a settable clock and settable monitors.
#include "platform_fake.h"

#include "memo_registry.h"

#include <ctype.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct fake_state {
    std::string root;
    std::string program_path;
    std::string appdata;
    bool appdata_set;
    platform_time now;
    std::vector<fake_monitor> monitors;
    int32_t cursor[2];
    int fault_at[FAKE_FAULT_COUNT];
    int fault_calls[FAKE_FAULT_COUNT];
    int writes;
    int reads;
    int temp_serial;
    std::vector<fake_window> windows;
    std::vector<std::string> recycled;
    std::vector<std::string> message_texts;
    std::vector<std::string> message_captions;
    int last_fault;
    int calls;              // fallible calls since the reset
    int fail_call;          // the call number that fails; 0: none
    int fail_call_fault;
    const char* failed_call;
    std::vector<std::string> held;       // host paths
    std::string fault_folder;            // host path
    int folder_fault;
    uint32_t ticks;
    uint32_t slept;
    uint32_t retry_delay;
    std::vector<std::string> notices;
    int steps;
    int die_at_step;
};

fake_state g_fake;
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

void fake_ensure_ready(void) {
    if (!g_fake_ready) fake_platform_reset();
}

int fake_is_lead_byte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
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

// Counts one fallible call; true when it is the one that fails (its fault
// is then the last fault).
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

bool fake_is_held(const std::string& host) {
    return std::find(g_fake.held.begin(), g_fake.held.end(), host) != g_fake.held.end();
}

int fake_fail(int fault) {
    g_fake.last_fault = fault;
    return 0;
}

bool fake_write_host(const std::string& host, const void* data, size_t size, const char* mode) {
    FILE* f = fopen(host.c_str(), mode);
    if (!f) return false;
    bool ok = size == 0 || fwrite(data, 1, size, f) == size;
    if (fclose(f) != 0) ok = false;
    return ok;
}

std::string fake_parent_of(const char* windows_path) {
    std::string p = windows_path;
    size_t cut = std::string::npos;
    for (size_t i = 0; i < p.size(); i++) {
        unsigned char c = (unsigned char)p[i];
        if (fake_is_lead_byte(c) && i + 1 < p.size()) {
            i++;
            continue;
        }
        if (c == '\\') cut = i;
    }
    return cut == std::string::npos ? std::string() : p.substr(0, cut);
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

// The '*' / '?' matcher of platform_list_folder, case-insensitive for ASCII.
bool fake_match(const char* pattern, const char* name) {
    if (*pattern == '\0') return *name == '\0';
    if (*pattern == '*') {
        for (const char* n = name;; n++) {
            if (fake_match(pattern + 1, n)) return true;
            if (*n == '\0') return false;
        }
    }
    if (*name == '\0') return false;
    if (*pattern != '?') {
        unsigned char a = (unsigned char)*pattern;
        unsigned char b = (unsigned char)*name;
        if (a < 0x80 && b < 0x80) {
            if (tolower(a) != tolower(b)) return false;
        } else if (a != b) {
            return false;
        }
    }
    return fake_match(pattern + 1, name + 1);
}

}  // namespace

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

std::string fake_platform_host_path(const char* windows_path) {
    fake_ensure_ready();
    std::string out = g_fake.root;
    const char* p = windows_path;
    if (((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) && p[1] == ':') p += 2;
    if (*p != '\\' && *p != '/') out += '/';
    for (; *p; p++) {
        unsigned char c = (unsigned char)*p;
        if (fake_is_lead_byte(c) && p[1]) {
            out += *p++;
            out += *p;
        } else {
            out += c == '\\' ? '/' : *p;
        }
    }
    return out;
}

void fake_platform_make_folders(const char* windows_path) {
    std::error_code ignored;
    std::filesystem::create_directories(fake_platform_host_path(windows_path), ignored);
}

void fake_platform_put_file(const char* windows_path, const std::string& bytes) {
    std::string parent = fake_parent_of(windows_path);
    if (!parent.empty()) fake_platform_make_folders(parent.c_str());
    if (!fake_write_host(fake_platform_host_path(windows_path), bytes.data(), bytes.size(), "wb")) {
        fprintf(stderr, "fake_platform_put_file: cannot write %s\n", windows_path);
        abort();
    }
}

bool fake_platform_get_file(const char* windows_path, std::string* bytes) {
    FILE* f = fopen(fake_platform_host_path(windows_path).c_str(), "rb");
    if (!f) return false;
    bytes->clear();
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) bytes->append(chunk, n);
    fclose(f);
    return true;
}

bool fake_platform_exists(const char* windows_path) {
    struct stat st;
    return stat(fake_platform_host_path(windows_path).c_str(), &st) == 0;
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

void fake_platform_hold(const char* windows_path, bool held) {
    std::string host = fake_platform_host_path(windows_path);
    auto at = std::find(g_fake.held.begin(), g_fake.held.end(), host);
    if (held && at == g_fake.held.end()) g_fake.held.push_back(host);
    if (!held && at != g_fake.held.end()) g_fake.held.erase(at);
}

void fake_platform_set_folder_fault(const char* windows_folder, int fault) {
    g_fake.fault_folder = fake_platform_host_path(windows_folder);
    g_fake.folder_fault = fault;
}

void fake_platform_advance(uint32_t milliseconds) {
    fake_ensure_ready();
    g_fake.ticks += milliseconds;
}

uint32_t fake_platform_slept_ms(void) { return g_fake.slept; }
uint32_t fake_platform_retry_delay(void) { return g_fake.retry_delay; }
const std::vector<std::string>& fake_platform_notices(void) { return g_fake.notices; }

int fake_platform_write_count(void) { return g_fake.writes; }
int fake_platform_read_count(void) { return g_fake.reads; }

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

int platform_path_kind(const char* path) {
    if (fake_call_fails("platform_path_kind")) return PLATFORM_PATH_NONE;
    struct stat st;
    if (stat(fake_platform_host_path(path).c_str(), &st) != 0) return PLATFORM_PATH_NONE;
    return S_ISDIR(st.st_mode) ? PLATFORM_PATH_FOLDER : PLATFORM_PATH_FILE;
}

int platform_create_folder(const char* path) {
    fake_ensure_ready();
    if (fake_fault_fires(FAKE_FAULT_CREATE_FOLDER) || fake_call_fails("platform_create_folder")) {
        return 0;
    }
    return mkdir(fake_platform_host_path(path).c_str(), 0777) == 0 ? 1 : 0;
}

int platform_read_file(const char* path, unsigned char** data, uint64_t* size) {
    fake_ensure_ready();
    g_fake.reads++;
    *data = nullptr;
    *size = 0;
    if (fake_fault_fires(FAKE_FAULT_READ)) return fake_fail(PLATFORM_FAULT_OTHER);
    if (fake_call_fails("platform_read_file")) return 0;
    std::string host = fake_platform_host_path(path);
    if (fake_is_held(host)) return fake_fail(PLATFORM_FAULT_BUSY);
    struct stat st;
    if (stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return fake_fail(PLATFORM_FAULT_MISSING);
    }
    // The same refusal as the real one; a sparse file makes it cheap to test.
    if ((uint64_t)st.st_size >= 0x100000000ULL) return fake_fail(PLATFORM_FAULT_OTHER);
    FILE* f = fopen(host.c_str(), "rb");
    if (!f) return fake_fail(PLATFORM_FAULT_OTHER);
    unsigned char* block = (unsigned char*)malloc((size_t)st.st_size + 1);
    if (!block) {
        fclose(f);
        return fake_fail(PLATFORM_FAULT_OTHER);
    }
    size_t got = st.st_size ? fread(block, 1, (size_t)st.st_size, f) : 0;
    fclose(f);
    if (got != (size_t)st.st_size) {
        free(block);
        return fake_fail(PLATFORM_FAULT_OTHER);
    }
    block[got] = 0;
    *data = block;
    *size = got;
    g_fake.last_fault = PLATFORM_FAULT_NONE;
    return 1;
}

void platform_release_file(unsigned char* data) { free(data); }

// The replacing step of a write or a commit.
int fake_replace(const std::string& temp, const std::string& host, int replace) {
    if (fake_call_fails("platform_commit_file")) return 0;
    if (fake_is_held(host)) return fake_fail(PLATFORM_FAULT_BUSY);
    // Without replacing: a hard link fails when the name exists.
    int failed = replace ? rename(temp.c_str(), host.c_str())
                         : link(temp.c_str(), host.c_str()) || unlink(temp.c_str());
    if (failed != 0) {
        return fake_fail(errno == ENOENT ? PLATFORM_FAULT_MISSING : PLATFORM_FAULT_OTHER);
    }
    g_fake.last_fault = PLATFORM_FAULT_NONE;
    return 1;
}

int platform_write_file(const char* path, const void* data, size_t size, int flags) {
    fake_ensure_ready();
    g_fake.writes++;
    if (strlen(path) + strlen(PLATFORM_TEMP_SUFFIX) + 1 > PLATFORM_PATH_SIZE) {
        return fake_fail(PLATFORM_FAULT_OTHER);
    }
    std::string host = fake_platform_host_path(path);
    std::string temp = host + PLATFORM_TEMP_SUFFIX;
    if (fake_fault_fires(FAKE_FAULT_WRITE_TEMP)) return fake_fail(PLATFORM_FAULT_OTHER);
    if (fake_call_fails("platform_write_file")) return 0;
    if (g_fake.folder_fault != PLATFORM_FAULT_NONE &&
        host.compare(0, g_fake.fault_folder.size() + 1, g_fake.fault_folder + "/") == 0 &&
        host.find('/', g_fake.fault_folder.size() + 1) == std::string::npos) {
        return fake_fail(g_fake.folder_fault);
    }
    struct stat st;
    if (stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return fake_fail(PLATFORM_FAULT_OTHER);
    // Flushed like the real one, so that the benchmark pays what the
    // program pays.
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return fake_fail(errno == ENOENT ? PLATFORM_FAULT_MISSING : PLATFORM_FAULT_OTHER);
    // Written in two halves, with a crash step between them: a kill in the
    // middle of a write leaves a torn temporary file.
    const char* bytes = (const char*)data;
    size_t done = 0;
    for (size_t part_end : {size / 2, size}) {
        while (done < part_end) {
            ssize_t n = write(fd, bytes + done, part_end - done);
            if (n <= 0) break;
            done += (size_t)n;
        }
        if (part_end < size) fake_step();
    }
    bool ok = done == size && (!(flags & PLATFORM_WRITE_DURABLE) || fsync(fd) == 0);
    if (close(fd) != 0) ok = false;
    if (!ok) {
        unlink(temp.c_str());
        return fake_fail(PLATFORM_FAULT_OTHER);
    }
    fake_step();
    if (fake_fault_fires(FAKE_FAULT_WRITE_REPLACE)) return fake_fail(PLATFORM_FAULT_OTHER);
    if (flags & PLATFORM_WRITE_STAGE) {
        g_fake.last_fault = PLATFORM_FAULT_NONE;
        return 1;
    }
    if (!fake_replace(temp, host, 1)) {
        unlink(temp.c_str());
        return 0;
    }
    return 1;
}

int platform_commit_file(const char* path, int replace) {
    fake_ensure_ready();
    std::string host = fake_platform_host_path(path);
    return fake_replace(host + PLATFORM_TEMP_SUFFIX, host, replace);
}

int platform_last_fault(void) { return g_fake.last_fault; }

int platform_append_file(const char* path, const void* data, size_t size) {
    fake_ensure_ready();
    if (fake_fault_fires(FAKE_FAULT_APPEND) || fake_call_fails("platform_append_file")) return 0;
    return fake_write_host(fake_platform_host_path(path), data, size, "ab") ? 1 : 0;
}

int platform_delete_file(const char* path) {
    if (fake_call_fails("platform_delete_file")) return 0;
    std::string host = fake_platform_host_path(path);
    if (fake_is_held(host)) return 0;
    struct stat st;
    if (stat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return 0;
    return unlink(host.c_str()) == 0 ? 1 : 0;
}

int platform_stat_file(const char* path, platform_file_stamp* out) {
    struct stat st;
    out->exists = 0;
    out->size = 0;
    out->write_time = 0;
    if (stat(fake_platform_host_path(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    out->exists = 1;
    out->size = (uint64_t)st.st_size;
    // The Windows unit: 100 ns steps.
    out->write_time = (uint64_t)st.st_mtim.tv_sec * 10000000u + (uint64_t)st.st_mtim.tv_nsec / 100u;
    return 1;
}

int platform_list_folder(const char* folder, const char* pattern, platform_visit_fn visit,
                         void* context) {
    if (fake_call_fails("platform_list_folder")) return 0;
    DIR* dir = opendir(fake_platform_host_path(folder).c_str());
    if (!dir) return 0;
    // Names are collected first so that a visitor may create or delete files.
    std::vector<std::pair<std::string, int>> found;
    std::string host_folder = fake_platform_host_path(folder);
    while (struct dirent* entry = readdir(dir)) {
        if (!fake_match(pattern, entry->d_name)) continue;
        struct stat st;
        std::string full = host_folder + "/" + entry->d_name;
        int is_folder = stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        found.emplace_back(entry->d_name, is_folder);
    }
    closedir(dir);
    for (const auto& item : found) visit(item.first.c_str(), item.second, context);
    return found.empty() ? 0 : 1;
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

int platform_recycle_file(const char* path) {
    fake_ensure_ready();
    if (fake_fault_fires(FAKE_FAULT_RECYCLE) || fake_call_fails("platform_recycle_file")) return 0;
    std::string bin = g_fake.root + "/.recycle";
    mkdir(bin.c_str(), 0777);
    char serial[16];
    snprintf(serial, sizeof serial, "/%zu", g_fake.recycled.size());
    struct stat st;
    std::string host = fake_platform_host_path(path);
    if (fake_is_held(host) || stat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return 0;
    if (rename(host.c_str(), (bin + serial).c_str()) != 0) return 0;
    g_fake.recycled.push_back(path);
    return 1;
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

const std::vector<std::string>& fake_platform_recycled(void) { return g_fake.recycled; }

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
