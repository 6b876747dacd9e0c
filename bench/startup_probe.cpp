// Start-up probes: linked into a copy of the program (kelvane_startup_profile)
// whose calls between its modules, and some of its calls into the system,
// are redirected through the wrappers below with the linker's --wrap.  The
// program's sources stay as they are; only the link differs.
//
// Each wrapper counts its calls and their time, in total and without the
// probed calls made inside it, apart for the start-up (until the tray icon
// is added at the end of the main window's creation) and for the run after
// it.  When WinMain returns, the breakdown is written to startup_probe.txt
// beside the program.  KELVANE_PROBE_START, when set by the benchmark, is
// the moment (as a FILETIME count) just before it started the process, so
// the milestones read as times since the process start.
//
// GNU linkers only (MinGW): the build adds this target for them alone.
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "platform.h"
#include "ini_file.h"

namespace {

// Every probe: its id and the name the breakdown prints.
#define PROBE_LIST(X)                                              \
    X(PROBE_WINMAIN, "WinMain (whole run)")                        \
    X(PROBE_LOAD_LIBRARY, "LoadLibraryA (rich edit)")              \
    X(PROBE_SETTINGS_LOAD, "settings_load")                        \
    X(PROBE_SCAN, "memo_file_scan_folder")                         \
    X(PROBE_PATH_KIND, "platform_path_kind (pair check)")          \
    X(PROBE_READ_FILE, "platform_read_file (text file)")           \
    X(PROBE_PROFILE_OPEN, "ini_open (INI file)")               \
    X(PROBE_CORNER_MONITOR, "placement_corner_monitor")         \
    X(PROBE_MONITOR_FROM_POINT, "platform_monitor_from_point")     \
    X(PROBE_VIRTUAL_SCREEN, "platform_virtual_screen")             \
    X(PROBE_CREATE_MEMO, "placement_create_memo")               \
    X(PROBE_REGISTER_CLASS, "RegisterClassExA")                    \
    X(PROBE_CREATE_WINDOW_EX, "CreateWindowExA")                   \
    X(PROBE_REGISTRY_ADD, "memo_registry_add")                     \
    X(PROBE_WINDOW_SEND, "platform_window_send (init message)")    \
    X(PROBE_REGION_CREATE, "memo_region_create")                   \
    X(PROBE_SET_WINDOW_RGN, "SetWindowRgn")                        \
    X(PROBE_SET_LAYERED, "SetLayeredWindowAttributes")             \
    X(PROBE_TOOLTIP_CREATE, "memo_tooltip_create")                 \
    X(PROBE_INIT_COMMON_CONTROLS, "InitCommonControlsEx")          \
    X(PROBE_SUBCLASS, "SetWindowSubclass")                         \
    X(PROBE_TOOLTIP_UPDATE, "memo_tooltip_update")                 \
    X(PROBE_WINDOW_SHOW, "platform_window_show")                   \
    X(PROBE_WINDOW_REPAINT, "platform_window_repaint")             \
    X(PROBE_UPDATE_WINDOW, "UpdateWindow")                         \
    X(PROBE_SHOW_PAINT, "memo_paint_memo")                         \
    X(PROBE_CREATE_FONT, "CreateFontA")                            \
    X(PROBE_DRAW_TEXT, "DrawTextW")                                \
    X(PROBE_FILE_SAVE, "memo_file_save")                           \
    X(PROBE_TRAY_ICON, "tray_icon_change")                     \
    X(PROBE_SETTINGS_SAVE, "settings_save")

#define PROBE_ENUM(id, name) id,
enum probe_id { PROBE_LIST(PROBE_ENUM) PROBE_COUNT };
#undef PROBE_ENUM

#define PROBE_NAME(id, name) name,
const char* const k_probe_names[PROBE_COUNT] = {PROBE_LIST(PROBE_NAME)};
#undef PROBE_NAME

enum probe_phase { PHASE_START, PHASE_RUN, PHASE_COUNT };

struct probe_totals {
    long calls;
    long long total;  // performance-counter ticks, probed calls inside included
    long long self;   // the same without them
};

probe_totals s_totals[PHASE_COUNT][PROBE_COUNT];
probe_phase s_phase = PHASE_START;

// Time spent in probed calls made inside the open ones, per nesting level.
const int k_max_depth = 64;
long long s_child_ticks[k_max_depth];
int s_depth = 0;

LARGE_INTEGER s_frequency;
LARGE_INTEGER s_origin;              // counter at the first probe
double s_origin_since_start_ms = -1;  // that moment after the process start, if known

// Milestones, in ms since the origin.
double s_winmain_ms = -1;
double s_scan_begin_ms = -1;
double s_scan_end_ms = -1;
double s_startup_end_ms = -1;
double s_exit_begin_ms = -1;

long long probe_now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double probe_ms(long long ticks) {
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(s_frequency.QuadPart);
}

double probe_since_origin_ms() { return probe_ms(probe_now() - s_origin.QuadPart); }

// Runs before WinMain, as early as the C runtime allows, so that the
// origin is as near the process start as anything in the program can be.
struct probe_init {
    probe_init() {
        QueryPerformanceFrequency(&s_frequency);
        QueryPerformanceCounter(&s_origin);
        FILETIME now;
        GetSystemTimePreciseAsFileTime(&now);
        char start[32];
        DWORD n = GetEnvironmentVariableA("KELVANE_PROBE_START", start, sizeof start);
        if (n > 0 && n < sizeof start) {
            ULONGLONG begin = _strtoui64(start, nullptr, 10);
            ULONGLONG at = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
            if (at >= begin) s_origin_since_start_ms = static_cast<double>(at - begin) / 10000.0;
        }
    }
} s_probe_init;

class probe_scope {
public:
    explicit probe_scope(probe_id id) : id_(id), phase_(s_phase), begin_(probe_now()) {
        if (s_depth < k_max_depth) s_child_ticks[s_depth] = 0;
        s_depth++;
    }
    ~probe_scope() {
        long long total = probe_now() - begin_;
        s_depth--;
        long long children = s_depth < k_max_depth ? s_child_ticks[s_depth] : 0;
        if (s_depth > 0 && s_depth - 1 < k_max_depth) s_child_ticks[s_depth - 1] += total;
        probe_totals& t = s_totals[phase_][id_];
        t.calls++;
        t.total += total;
        t.self += total - children;
    }
    probe_scope(const probe_scope&) = delete;
    probe_scope& operator=(const probe_scope&) = delete;

private:
    probe_id id_;
    probe_phase phase_;
    long long begin_;
};

void probe_write_phase(FILE* out, probe_phase phase, const char* title) {
    fprintf(out, "  %s\n", title);
    fprintf(out, "    %-40s %7s %10s %10s %9s\n", "probe", "calls", "total ms", "self ms",
            "us/call");
    for (int id = 0; id < PROBE_COUNT; id++) {
        const probe_totals& t = s_totals[phase][id];
        if (t.calls == 0) continue;
        fprintf(out, "    %-40s %7ld %10.1f %10.1f %9.1f\n", k_probe_names[id], t.calls,
                probe_ms(t.total), probe_ms(t.self), probe_ms(t.total) * 1000.0 / t.calls);
    }
}

// Milestones are printed since the process start when the benchmark gave
// it, else since the first probe.
double probe_milestone(double since_origin_ms) {
    return since_origin_ms + (s_origin_since_start_ms >= 0 ? s_origin_since_start_ms : 0);
}

void probe_write_report() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = n > 0 && n < sizeof path ? strrchr(path, '\\') : nullptr;
    if (!slash || static_cast<size_t>(slash - path) + 20 >= sizeof path) return;
    strcpy(slash + 1, "startup_probe.txt");
    FILE* out = fopen(path, "w");
    if (!out) return;
    fprintf(out, "  milestones, ms since %s\n",
            s_origin_since_start_ms >= 0 ? "the process start" : "the first probe");
    fprintf(out, "    %-40s %10.1f\n", "C runtime ready (first probe)", probe_milestone(0));
    fprintf(out, "    %-40s %10.1f\n", "WinMain entered", probe_milestone(s_winmain_ms));
    fprintf(out, "    %-40s %10.1f\n", "folder scan begins", probe_milestone(s_scan_begin_ms));
    fprintf(out, "    %-40s %10.1f\n", "folder scan ends", probe_milestone(s_scan_end_ms));
    fprintf(out, "    %-40s %10.1f\n", "tray icon added (start-up over)",
            probe_milestone(s_startup_end_ms));
    fprintf(out, "    %-40s %10.1f\n", "shutdown begins (settings_save)",
            probe_milestone(s_exit_begin_ms));
    probe_write_phase(out, PHASE_START, "start-up (to the tray icon)");
    probe_write_phase(out, PHASE_RUN, "after start-up (message loop and shutdown)");
    fclose(out);
}

}  // namespace

// --- calls between the program's modules ----------------------------------------
//
// The names are the C++ symbols of the program's functions; --wrap sends
// every call from another object file to __wrap_<symbol>, and
// __real_<symbol> reaches the function itself.

#define PROBE_CALL(ret, symbol, id, params, args)                  \
    extern "C" ret __real_##symbol params;                          \
    extern "C" ret __wrap_##symbol params {                         \
        probe_scope scope(id);                                      \
        return __real_##symbol args;                                \
    }

extern "C" int WINAPI __real_WinMain(HINSTANCE, HINSTANCE, LPSTR, int);
extern "C" int WINAPI __wrap_WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line,
                                     int show) {
    s_winmain_ms = probe_since_origin_ms();
    int result;
    {
        probe_scope scope(PROBE_WINMAIN);
        result = __real_WinMain(instance, previous, line, show);
    }
    probe_write_report();
    return result;
}

PROBE_CALL(int, _Z13settings_loadP6HWND__, PROBE_SETTINGS_LOAD, (HWND w), (w))

extern "C" int __real__Z21memo_file_scan_folderP6HWND__i(HWND, int32_t);
extern "C" int __wrap__Z21memo_file_scan_folderP6HWND__i(HWND w, int32_t first) {
    if (s_phase == PHASE_START) s_scan_begin_ms = probe_since_origin_ms();
    int result;
    {
        probe_scope scope(PROBE_SCAN);
        result = __real__Z21memo_file_scan_folderP6HWND__i(w, first);
    }
    if (s_phase == PHASE_START) s_scan_end_ms = probe_since_origin_ms();
    return result;
}

// The main window adds its tray icon right after the scan: the end of the
// start-up as the program sees it.
extern "C" int32_t __real__Z16tray_icon_changesP6HWND__(int16_t, HWND);
extern "C" int32_t __wrap__Z16tray_icon_changesP6HWND__(int16_t operation, HWND w) {
    int32_t result;
    {
        probe_scope scope(PROBE_TRAY_ICON);
        result = __real__Z16tray_icon_changesP6HWND__(operation, w);
    }
    if (s_phase == PHASE_START) {
        s_startup_end_ms = probe_since_origin_ms();
        s_phase = PHASE_RUN;
    }
    return result;
}

extern "C" int __real__Z13settings_saveP6HWND__(HWND);
extern "C" int __wrap__Z13settings_saveP6HWND__(HWND w) {
    s_exit_begin_ms = probe_since_origin_ms();
    probe_scope scope(PROBE_SETTINGS_SAVE);
    return __real__Z13settings_saveP6HWND__(w);
}

PROBE_CALL(int, _Z18platform_path_kindPKc, PROBE_PATH_KIND, (const char* p), (p))
PROBE_CALL(int, _Z18platform_read_filePKcPPhPy, PROBE_READ_FILE,
           (const char* p, unsigned char** d, uint64_t* s), (p, d, s))
PROBE_CALL(int, _Z8ini_openP12ini_documentPKc, PROBE_PROFILE_OPEN,
           (ini_document * d, const char* p), (d, p))
PROBE_CALL(void, _Z24placement_corner_monitoriP13platform_rectPi, PROBE_CORNER_MONITOR,
           (int32_t q, platform_rect* m, int32_t* dpi), (q, m, dpi))
PROBE_CALL(void, _Z27platform_monitor_from_pointPKiP13platform_rectPi, PROBE_MONITOR_FROM_POINT,
           (const int32_t* p, platform_rect* m, int32_t* dpi), (p, m, dpi))
PROBE_CALL(void, _Z23platform_virtual_screenP13platform_rect, PROBE_VIRTUAL_SCREEN,
           (platform_rect * r), (r))
// The placement and record pointers pass through untouched: their types do not matter here.
PROBE_CALL(HWND, _Z21placement_create_memoP6HWND__PK14memo_placementP11memo_recordt,
           PROBE_CREATE_MEMO, (HWND o, const void* where, void* start, uint16_t mode),
           (o, where, start, mode))
PROBE_CALL(void*, _Z17memo_registry_addP6HWND__, PROBE_REGISTRY_ADD, (HWND w), (w))
PROBE_CALL(intptr_t, _Z20platform_window_sendP6HWND__jyx, PROBE_WINDOW_SEND,
           (HWND w, uint32_t m, uintptr_t wp, intptr_t lp), (w, m, wp, lp))
PROBE_CALL(HRGN, _Z18memo_region_createP6HWND__, PROBE_REGION_CREATE, (HWND w), (w))
PROBE_CALL(HWND, _Z19memo_tooltip_createP6HWND__, PROBE_TOOLTIP_CREATE, (HWND w), (w))
PROBE_CALL(int, _Z19memo_tooltip_updateP6HWND__S0_, PROBE_TOOLTIP_UPDATE, (HWND w, HWND t),
           (w, t))
PROBE_CALL(void, _Z20platform_window_showP6HWND__i, PROBE_WINDOW_SHOW, (HWND w, int s), (w, s))
PROBE_CALL(void, _Z23platform_window_repaintP6HWND__, PROBE_WINDOW_REPAINT, (HWND w), (w))
PROBE_CALL(void, _Z15memo_paint_memoP5HDC__P6HWND__, PROBE_SHOW_PAINT, (HDC d, HWND w), (d, w))
PROBE_CALL(int, _Z14memo_file_saveP6HWND__t, PROBE_FILE_SAVE, (HWND w, uint16_t f), (w, f))
PROBE_CALL(BOOL, SetWindowSubclass, PROBE_SUBCLASS,
           (HWND w, SUBCLASSPROC p, UINT_PTR i, DWORD_PTR d), (w, p, i, d))

// --- calls into the system ---------------------------------------------------------
//
// The program calls these through the import table slot __imp_<name>;
// --wrap hands it a slot of ours that points at the probe, and the real
// slot stays reachable as __real___imp_<name>.

#define PROBE_IMPORT(ret, name, id, params, args)                        \
    extern "C" decltype(&name) __real___imp_##name;                       \
    static ret WINAPI probe_##name params {                               \
        probe_scope scope(id);                                            \
        return __real___imp_##name args;                                  \
    }                                                                     \
    extern "C" decltype(&name) __wrap___imp_##name;                       \
    decltype(&name) __wrap___imp_##name = probe_##name;

PROBE_IMPORT(HMODULE, LoadLibraryA, PROBE_LOAD_LIBRARY, (LPCSTR n), (n))
PROBE_IMPORT(HWND, CreateWindowExA, PROBE_CREATE_WINDOW_EX,
             (DWORD ex, LPCSTR c, LPCSTR t, DWORD s, int x, int y, int w, int h, HWND p, HMENU m,
              HINSTANCE i, LPVOID d),
             (ex, c, t, s, x, y, w, h, p, m, i, d))
PROBE_IMPORT(ATOM, RegisterClassExA, PROBE_REGISTER_CLASS, (const WNDCLASSEXA* c), (c))
PROBE_IMPORT(BOOL, UpdateWindow, PROBE_UPDATE_WINDOW, (HWND w), (w))
PROBE_IMPORT(int, SetWindowRgn, PROBE_SET_WINDOW_RGN, (HWND w, HRGN r, BOOL redraw),
             (w, r, redraw))
PROBE_IMPORT(BOOL, SetLayeredWindowAttributes, PROBE_SET_LAYERED,
             (HWND w, COLORREF k, BYTE a, DWORD f), (w, k, a, f))
PROBE_IMPORT(BOOL, InitCommonControlsEx, PROBE_INIT_COMMON_CONTROLS,
             (const INITCOMMONCONTROLSEX* c), (c))
PROBE_IMPORT(HFONT, CreateFontA, PROBE_CREATE_FONT,
             (int h, int w, int e, int o, int wt, DWORD i, DWORD u, DWORD s, DWORD cs, DWORD op,
              DWORD cp, DWORD q, DWORD pf, LPCSTR f),
             (h, w, e, o, wt, i, u, s, cs, op, cp, q, pf, f))
PROBE_IMPORT(int, DrawTextW, PROBE_DRAW_TEXT, (HDC d, LPCWSTR t, int n, LPRECT r, UINT f),
             (d, t, n, r, f))
