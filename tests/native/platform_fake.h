// Test implementation of platform.h.
//
// Windows-style paths ("C:\app\kelvane.exe") are mapped into a sandbox
// folder on the real disk: the drive is dropped, backslashes become slashes
// (CP932 trail bytes 0x5C are left alone) and the sandbox root is put in
// front.  A test sets the program path, the application-data folder, the
// clock and the monitors, and can make single operations fail.  Message
// boxes are recorded; a fatal exit prints its text to stderr and ends the
// process with its exit code, so tests check it with EXPECT_EXIT.
#ifndef PLATFORM_FAKE_H
#define PLATFORM_FAKE_H

#include <stdint.h>

#include <string>
#include <vector>

#include "platform.h"

// Empties the sandbox and restores the defaults: program
// "C:\app\kelvane.exe", application data "C:\Users\user\AppData\Roaming"
// (both folders exist), 2024-01-02 03:04:05, one 1920x1080 monitor at 96 DPI,
// no faults, no recorded message boxes, no windows.
void fake_platform_reset(void);

// Host path of the sandbox root (no trailing slash).
const char* fake_platform_root(void);

// Host path of a Windows-style path.
std::string fake_platform_host_path(const char* windows_path);

// Creates the folders of the path (the last element too) in the sandbox.
void fake_platform_make_folders(const char* windows_path);

// Writes or reads a sandbox file directly, bypassing fault injection.
void fake_platform_put_file(const char* windows_path, const std::string& bytes);
bool fake_platform_get_file(const char* windows_path, std::string* bytes);
bool fake_platform_exists(const char* windows_path);

// The program path and the application-data folder; their folders are
// created in the sandbox.  A null appdata makes platform_appdata_folder fail.
void fake_platform_set_program_path(const char* path);
void fake_platform_set_appdata(const char* path);

void fake_platform_set_time(int32_t year, int32_t month, int32_t day, int32_t hour,
                            int32_t minute, int32_t second);

// Monitors, the primary first.
struct fake_monitor {
    platform_rect rect;
    int32_t dpi;
};
void fake_platform_set_monitors(const fake_monitor* monitors, int count);

// Where platform_cursor_pos puts the mouse; (0, 0) after a reset.
void fake_platform_set_cursor(int32_t x, int32_t y);

// Fault injection.  Each fault fires once, on the nth call (1 = the next
// call) of the operation, and is then cleared.
enum fake_fault {
    FAKE_FAULT_READ = 0,          // platform_read_file fails
    FAKE_FAULT_WRITE_TEMP,        // platform_write_file fails writing the temporary file
    FAKE_FAULT_WRITE_REPLACE,     // platform_write_file "crashes" after writing the
                                  // temporary file: it stays behind, the target is
                                  // untouched, the call returns 0
    FAKE_FAULT_APPEND,            // platform_append_file fails
    FAKE_FAULT_CREATE_FOLDER,     // platform_create_folder fails
    FAKE_FAULT_RECYCLE,           // platform_recycle_file fails
    FAKE_FAULT_CREATE_WINDOW,     // platform_memo_window_create fails
    FAKE_FAULT_COUNT
};
void fake_platform_fail(fake_fault fault, int nth_call);

// Every platform call that can fail counts as one call of the walk:
// program and application-data paths, path kinds, folder creation, reads,
// writes, commits, appends, deletes, folder listings, the recycle bin,
// memo window creation and window rectangles.  fake_platform_fail_call
// makes the nth of them from now on fail once, with fault (a failed path
// kind answers "nothing there"); fake_platform_calls counts them since the
// reset, and fake_platform_failed_call names the one that failed.
void fake_platform_fail_call(int nth_call, int fault);
int fake_platform_calls(void);
const char* fake_platform_failed_call(void);

// The crash walk: every fallible call is a step, and so is the moment a
// write has its temporary file complete but has not replaced the target
// yet.  At step nth_step (counted from now) the process ends at once with
// exit code 0, as a kill would end it; run it in a forked child.
void fake_platform_die_at_step(int nth_step);

// Another program holding a file without delete sharing: while held, a
// read, delete or recycle of it fails busy, and so does the replacing step
// of a write or commit onto it (the new content never lands).
void fake_platform_hold(const char* windows_path, bool held);

// Every write of a temporary file into folder fails with fault (a
// read-only folder, a full disk); PLATFORM_FAULT_NONE ends it.
void fake_platform_set_folder_fault(const char* windows_folder, int fault);

// The clock of platform_tick_count: platform_sleep moves it on, and so does
// a test; fake_platform_slept_ms adds up every sleep since the reset.
void fake_platform_advance(uint32_t milliseconds);
uint32_t fake_platform_slept_ms(void);

// The last delay asked for with platform_retry_later (0: none or cancelled).
uint32_t fake_platform_retry_delay(void);

// Texts handed to platform_notify_later, in order.
const std::vector<std::string>& fake_platform_notices(void);

// Windows created by platform_memo_window_create (or by a test) are records
// in the fake; their handles are never dereferenced.
struct fake_message {
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
    void* record;     // the hand-over record's fields, for the memo init and
    uint16_t mode;    // reload messages; null and 0 for other messages
};
struct fake_window {
    memo_hwnd owner;
    platform_rect rect;
    bool visible;
    bool destroyed;
    int repaints;
    std::vector<fake_message> messages;
};
memo_hwnd fake_platform_add_window(const platform_rect& rect);
int fake_platform_window_count(void);           // every window created since reset
memo_hwnd fake_platform_window_at(int index);   // in creation order
fake_window* fake_platform_window_info(memo_hwnd window);  // null for unknown handles

// Windows-style paths of the files moved to the recycle bin, in order.
const std::vector<std::string>& fake_platform_recycled(void);

// Counters of the calls made since the last reset.
int fake_platform_write_count(void);
int fake_platform_read_count(void);
// Every look at the file system (kinds, stamps, reads, listings).
int fake_platform_looks(void);

// Recorded message boxes.
int fake_platform_message_count(void);
const std::string& fake_platform_message_text(int index);
const std::string& fake_platform_message_caption(int index);

#endif
