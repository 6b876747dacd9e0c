// The one place where the window-free modules (memory, log, settings, memo
// store, placement and shape tables) reach the operating system.
//
// Two implementations exist: platform_win32.cpp for the program, and
// tests/native/platform_fake*.cpp for the native tests, where a test sets up
// the program path, monitors, DPI and the clock, and where Windows-style
// paths ("C:\x\y") are mapped into a sandbox folder on the real disk.
//
// Every path is a NUL-terminated string in code page 932 with backslashes,
// the form config.ini stores the data folder in.  The Windows implementation
// hands paths to the wide file functions converted with code page 932
// (never with the system's code page), and a path the system hands in that
// code page 932 cannot spell (a user folder "José") comes as its short 8.3
// form, which names the same file.  Results follow the program's rule:
// 1 for success, 0 for failure.
#ifndef KELVANE_PLATFORM_H
#define KELVANE_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

// A window handle as the window-free modules see it: an opaque pointer that
// is the same type as the Win32 HWND, so no cast is needed at the edge.
struct HWND__;
typedef HWND__* memo_hwnd;

#define PLATFORM_PATH_SIZE 260
#define PLATFORM_TEMP_SUFFIX ".tmp"

struct platform_rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

struct platform_time {
    int32_t year;
    int32_t month;   // 1..12
    int32_t day;     // 1..31
    int32_t hour;    // 0..23
    int32_t minute;
    int32_t second;
};

// --- program and folders -------------------------------------------------

// The program's own file path, e.g. "C:\Tools\Kelvane\kelvane.exe".
// Fails when the path does not fit into size bytes.
int platform_program_path(char* buffer, size_t size);

// The user's roaming application-data folder, without a trailing backslash.
int platform_appdata_folder(char* buffer, size_t size);

// --- files and folders ---------------------------------------------------

enum platform_path_kind {
    PLATFORM_PATH_NONE = 0,
    PLATFORM_PATH_FILE = 1,
    PLATFORM_PATH_FOLDER = 2
};

int platform_path_kind(const char* path);

// Creates one folder level; fails when it exists or the parent is missing.
int platform_create_folder(const char* path);

// Why the last failed read, write or commit failed (platform_last_fault),
// in the terms the user is told: another program holds the file for the
// moment (sharing, locks, a replace refused while the file is open), the
// folder or file is read-only, the disk is full, or the folder is missing.
// Only a busy file is worth trying again at once; the others last until the
// user acts.  Every read, write and commit sets it, success included.
enum platform_fault {
    PLATFORM_FAULT_NONE = 0,
    PLATFORM_FAULT_BUSY = 1,
    PLATFORM_FAULT_READ_ONLY = 2,
    PLATFORM_FAULT_FULL = 3,
    PLATFORM_FAULT_MISSING = 4,
    PLATFORM_FAULT_OTHER = 5
};
int platform_last_fault(void);

// Reads a whole file into a new plain heap block (released with
// platform_release_file), followed by one extra NUL byte that is not counted
// in *size.  Other readers may open the file meanwhile (a sync client or an
// indexer that reads it then does not fail, nor does this read fail for
// them), and so may a program that replaces it by a rename, which leaves
// this read on the bytes it began with; a program that writes into the file
// in place is refused, and one that is writing makes this read fail busy.
// Fails for a missing file and for a file of 4 GiB or more.  One attempt:
// a busy file fails with PLATFORM_FAULT_BUSY, and the caller decides
// whether to wait.
int platform_read_file(const char* path, unsigned char** data, uint64_t* size);
void platform_release_file(unsigned char* data);

// Writes size bytes to path so that the file is never torn: the bytes go to
// a temporary file in the same folder, which then replaces path in one step.
// On any failure the previous file is left as it was and the temporary file
// is removed.  The temporary file is path with PLATFORM_TEMP_SUFFIX appended,
// so a leftover of a crash is one per target, taken over by the next write,
// and never matches "*.txt" or "*.ini".  Fails when that name does not fit
// into PLATFORM_PATH_SIZE bytes.
//
// With PLATFORM_WRITE_DURABLE the bytes are flushed to the disk before the
// replace, so that not even a system crash leaves the new name on missing
// data; that costs milliseconds, too much for the position keys that a drag
// rewrites on every mouse move.
//
// With PLATFORM_WRITE_STAGE only the temporary file is written, complete,
// and left in place; platform_commit_file then puts it under its name.  A
// crash in between leaves the whole new content in the temporary file.
//
// One attempt, like platform_read_file: the replace fails with
// PLATFORM_FAULT_BUSY while another program holds the file.
#define PLATFORM_WRITE_DURABLE 0x01
#define PLATFORM_WRITE_STAGE 0x02
int platform_write_file(const char* path, const void* data, size_t size, int flags);

// Puts the temporary file (path + PLATFORM_TEMP_SUFFIX) under path, as the
// last step of a write does; with replace 0 it fails when path exists.  On
// failure both files stay as they are.
int platform_commit_file(const char* path, int replace);

// Appends to a file, creating it when missing (error.log).
int platform_append_file(const char* path, const void* data, size_t size);

int platform_delete_file(const char* path);

// What the system says about a file without opening it: whether it is
// there (a folder counts as missing), its size and its last-write time.
// The time is the system's own count (100 ns steps on Windows), only ever
// compared with another one, never shown.
struct platform_file_stamp {
    int32_t exists;
    uint64_t size;
    uint64_t write_time;
};

// Fills *out for path; returns out->exists.
int platform_stat_file(const char* path, platform_file_stamp* out);

// Sets the last-write time of a file (the count of platform_stat_file).
int platform_set_write_time(const char* path, uint64_t write_time);

// The system's clock in the count of platform_stat_file's last-write
// times, for telling how long ago a file was last written.
uint64_t platform_file_time_now(void);

// One entry of a folder listing: what platform_stat_file says, from the
// listing itself (no look at each file).
struct platform_folder_entry {
    const char* name;
    int32_t is_folder;
    uint64_t size;
    uint64_t write_time;
};
#define PLATFORM_SECOND 10000000ull  // one second in write-time steps

// Calls visit(entry, context) for every entry of folder whose name matches
// pattern ("*.txt" style: '*' and '?' wildcards, case-insensitive), in the
// order the system returns them.  Returns 0 when the folder cannot be
// searched or nothing matches.
typedef void (*platform_visit_fn)(const platform_folder_entry* entry, void* context);
int platform_list_folder(const char* folder, const char* pattern, platform_visit_fn visit,
                         void* context);

// --- time ----------------------------------------------------------------

void platform_local_time(platform_time* out);

// Milliseconds since some fixed moment; wraps after 49 days, so only
// differences count.
uint32_t platform_tick_count(void);

// Waits on the calling thread; used only for waits of a few milliseconds.
void platform_sleep(uint32_t milliseconds);

// --- monitors and DPI ----------------------------------------------------

// Virtual screen spanning every monitor.
void platform_virtual_screen(platform_rect* out);

// Full rectangle (task bar included) and effective horizontal DPI of the
// monitor nearest to a point; the primary monitor when point is null.
void platform_monitor_from_point(const int32_t* point_xy, platform_rect* rect, int32_t* dpi);

// The same for the monitor nearest to a rectangle (largest overlap first).
void platform_monitor_from_rect(const platform_rect* r, platform_rect* rect, int32_t* dpi);

// The mouse cursor in physical desktop pixels (x, y); 0, 0 when the system
// cannot tell (a locked desktop).
void platform_cursor_pos(int32_t* point_xy);

// --- recycle bin ---------------------------------------------------------

// Moves one file to the recycle bin without asking; 1 when the shell
// reports that nothing was aborted.
int platform_recycle_file(const char* path);

// --- windows -------------------------------------------------------------

// Creates a memo window (class "ProgramWindowClass", layered tool pop-up,
// hidden) owned by owner at the given physical rectangle.  The window is
// destroyed by its owner or with platform_window_destroy.
memo_hwnd platform_memo_window_create(memo_hwnd owner, const platform_rect* r);

void platform_window_destroy(memo_hwnd window);

// SendMessageA: the window handles the message before the call returns.
intptr_t platform_window_send(memo_hwnd window, uint32_t message, uintptr_t wparam,
                              intptr_t lparam);

// ShowWindow with SW_SHOW or SW_HIDE.
void platform_window_show(memo_hwnd window, int show);

int platform_window_visible(memo_hwnd window);

// Invalidates the whole window without erasing and paints it at once.
void platform_window_repaint(memo_hwnd window);

// The window rectangle in physical desktop pixels.
int platform_window_rect(memo_hwnd window, platform_rect* out);

// The window that owns window (for a memo, the main window); null for none.
memo_hwnd platform_window_owner(memo_hwnd window);

// --- user notices --------------------------------------------------------

// A modal OK message box with no owner window (code page 932 texts).
void platform_message_box(const char* text, const char* caption);

// Shows text in a warning box of the main window once the current message
// has been answered, so that no sender waits for the user.  The text is
// copied.
void platform_notify_later(const char* text);

// Asks for memo_file_retry_pending on the user-interface thread after
// delay_ms; a later call replaces an earlier one, and 0 cancels it.
void platform_retry_later(uint32_t delay_ms);

// Ends the process at once with exit_code after telling the user why.
[[noreturn]] void platform_fatal_exit(const char* text, int exit_code);

#endif
