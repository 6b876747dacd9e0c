// The platform module on Windows: the file, folder, shell and window calls
// behind platform.h.  The core's paths are code page 932; they reach the
// wide functions converted with that code page, so that they mean the same
// files on a Windows whose own code page is another.
#include "platform.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "cp932_text.h"
#include "dpi.h"
#include "window_class.h"
#include "messages.h"

namespace {

// A core path for the wide functions.
int platform_wide_path(const char* path, wchar_t (&out)[MAX_PATH]) {
    return cp932_to_wide(path, out, MAX_PATH);
}

// A path the system hands in, for the core: its code page 932 form, or,
// when it holds a character that code page lacks (a user folder named
// "José" or "한국"), its short 8.3 form, which names the same file in
// plain ASCII.  0 when neither form fits (a volume that keeps no short
// names).
int platform_narrow_path(const wchar_t* path, char* out, size_t size) {
    int limit = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size);
    if (cp932_from_wide(path, out, limit)) return 1;
    wchar_t short_path[MAX_PATH];
    DWORD n = GetShortPathNameW(path, short_path, MAX_PATH);
    return n > 0 && n < MAX_PATH && cp932_from_wide(short_path, out, limit) ? 1 : 0;
}

}  // namespace

int platform_program_path(char* buffer, size_t size) {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    // A full buffer means the path was cut (the terminator may be missing).
    if (n == 0 || n >= MAX_PATH) return 0;
    return platform_narrow_path(path, buffer, size);
}

int platform_appdata_folder(char* buffer, size_t size) {
    wchar_t folder[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) {
        return 0;
    }
    return platform_narrow_path(folder, buffer, size);
}

int platform_path_kind(const char* path) {
    wchar_t wide[MAX_PATH];
    if (!platform_wide_path(path, wide)) return PLATFORM_PATH_NONE;
    DWORD attributes = GetFileAttributesW(wide);
    if (attributes == INVALID_FILE_ATTRIBUTES) return PLATFORM_PATH_NONE;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? PLATFORM_PATH_FOLDER : PLATFORM_PATH_FILE;
}

int platform_create_folder(const char* path) {
    wchar_t wide[MAX_PATH];
    return platform_wide_path(path, wide) && CreateDirectoryW(wide, nullptr) ? 1 : 0;
}

namespace {

// Why the last read, write or commit failed, in the terms of platform.h.
int s_last_fault = PLATFORM_FAULT_NONE;

}  // namespace

int platform_last_fault(void) { return s_last_fault; }

namespace {

// The fault of a failed open, read or write.
int platform_fault_of(DWORD error) {
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return PLATFORM_FAULT_BUSY;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
        return PLATFORM_FAULT_READ_ONLY;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return PLATFORM_FAULT_FULL;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return PLATFORM_FAULT_MISSING;
    default:
        return PLATFORM_FAULT_OTHER;
    }
}

// Fails with the fault of the calling thread's last error.
int platform_fail(void) {
    s_last_fault = platform_fault_of(GetLastError());
    return 0;
}

int platform_fail_with(int fault) {
    s_last_fault = fault;
    return 0;
}

}  // namespace

int platform_read_file(const char* path, unsigned char** data, uint64_t* size) {
    *data = nullptr;
    *size = 0;
    wchar_t wide[MAX_PATH];
    if (!platform_wide_path(path, wide)) return platform_fail_with(PLATFORM_FAULT_OTHER);
    // Other readers are let in, and so is a replace by rename (this handle
    // keeps the old bytes); a writer in place is not, so the read is never
    // torn, and one that is writing now makes the open fail as busy.
    HANDLE file = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        platform_fail();
        // Reading never needs write access: a refused open is a file on its
        // way out or held, not a read-only one.
        if (s_last_fault == PLATFORM_FAULT_READ_ONLY) s_last_fault = PLATFORM_FAULT_BUSY;
        return 0;
    }
    LARGE_INTEGER length;
    // 4 GiB and more would not fit the 32-bit read; refuse instead of cutting.
    if (!GetFileSizeEx(file, &length) || length.QuadPart < 0 ||
        length.QuadPart >= 0x100000000LL) {
        CloseHandle(file);
        return platform_fail_with(PLATFORM_FAULT_OTHER);
    }
    DWORD total = static_cast<DWORD>(length.QuadPart);
    unsigned char* block = static_cast<unsigned char*>(malloc(static_cast<size_t>(total) + 1));
    if (!block) {
        CloseHandle(file);
        return platform_fail_with(PLATFORM_FAULT_OTHER);
    }
    DWORD done = 0;
    while (done < total) {
        DWORD got = 0;
        if (!ReadFile(file, block + done, total - done, &got, nullptr) || got == 0) break;
        done += got;
    }
    CloseHandle(file);
    if (done != total) {
        free(block);
        return platform_fail_with(PLATFORM_FAULT_OTHER);
    }
    block[total] = 0;
    *data = block;
    *size = total;
    s_last_fault = PLATFORM_FAULT_NONE;
    return 1;
}

void platform_release_file(unsigned char* data) { free(data); }

namespace {

// The wide forms of path and of its temporary file.
int platform_wide_pair(const char* path, wchar_t (&wide)[MAX_PATH],
                       wchar_t (&wide_temp)[MAX_PATH]) {
    char temp[PLATFORM_PATH_SIZE];
    size_t n = strlen(path);
    if (n + sizeof PLATFORM_TEMP_SUFFIX > sizeof temp) return 0;
    memcpy(temp, path, n);
    memcpy(temp + n, PLATFORM_TEMP_SUFFIX, sizeof PLATFORM_TEMP_SUFFIX);
    return platform_wide_path(path, wide) && platform_wide_path(temp, wide_temp);
}

// The replacing step.  The system refuses it with "access denied" while
// another program has the target open without delete sharing (what
// indexers, scanners and sync clients do), so that counts as busy unless
// the target itself is read-only.
int platform_replace(const wchar_t* temp, const wchar_t* path, int replace) {
    DWORD how = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (MoveFileExW(temp, path, how)) {
        s_last_fault = PLATFORM_FAULT_NONE;
        return 1;
    }
    DWORD error = GetLastError();
    DWORD attributes = GetFileAttributesW(path);
    if (error == ERROR_ACCESS_DENIED) {
        s_last_fault = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)
                           ? PLATFORM_FAULT_READ_ONLY
                           : PLATFORM_FAULT_BUSY;
    } else {
        s_last_fault = platform_fault_of(error);
    }
    return 0;
}

}  // namespace

int platform_write_file(const char* path, const void* data, size_t size, int flags) {
    wchar_t wide[MAX_PATH];
    wchar_t wide_temp[MAX_PATH];
    if (!platform_wide_pair(path, wide, wide_temp) || size > 0xFFFFFFFFu) {
        return platform_fail_with(PLATFORM_FAULT_OTHER);
    }
    HANDLE file = CreateFileW(wide_temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return platform_fail();
    DWORD written = 0;
    BOOL ok = size == 0 || (WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) &&
                            written == static_cast<DWORD>(size));
    if (ok && (flags & PLATFORM_WRITE_DURABLE)) ok = FlushFileBuffers(file);
    if (!ok) platform_fail();
    CloseHandle(file);
    if (ok && !(flags & PLATFORM_WRITE_STAGE)) ok = platform_replace(wide_temp, wide, 1);
    if (!ok) {
        DeleteFileW(wide_temp);
        return 0;
    }
    s_last_fault = PLATFORM_FAULT_NONE;
    return 1;
}

int platform_commit_file(const char* path, int replace) {
    wchar_t wide[MAX_PATH];
    wchar_t wide_temp[MAX_PATH];
    if (!platform_wide_pair(path, wide, wide_temp)) return platform_fail_with(PLATFORM_FAULT_OTHER);
    return platform_replace(wide_temp, wide, replace);
}

namespace {

// error.log sits beside the program, whose folder may be up to 259 bytes
// deep; the log path then passes MAX_PATH, which the wide functions accept
// only with the "\\?\" prefix.
HANDLE platform_open_for_append(const char* path) {
    size_t length = strlen(path);
    wchar_t wide[1024 + 4] = L"\\\\?\\";
    if (length < MAX_PATH) {
        if (!cp932_to_wide(path, wide, MAX_PATH)) return INVALID_HANDLE_VALUE;
        return CreateFileW(wide, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (path[0] == '\\' || length >= 1024) {
        return INVALID_HANDLE_VALUE;  // only plain drive paths take the prefix
    }
    if (!cp932_to_wide(path, wide + 4, 1024)) {
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileW(wide, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int platform_append_file(const char* path, const void* data, size_t size) {
    HANDLE file = platform_open_for_append(path);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    BOOL ok = size == 0 || (WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) &&
                            written == static_cast<DWORD>(size));
    CloseHandle(file);
    return ok ? 1 : 0;
}

int platform_delete_file(const char* path) {
    wchar_t wide[MAX_PATH];
    return platform_wide_path(path, wide) && DeleteFileW(wide) ? 1 : 0;
}

// GetFileAttributesEx asks the file itself, not the folder listing, whose
// size and time may lag behind while another program has the file open.
int platform_stat_file(const char* path, platform_file_stamp* out) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    wchar_t wide[MAX_PATH];
    out->exists = 0;
    out->size = 0;
    out->write_time = 0;
    if (!platform_wide_path(path, wide) ||
        !GetFileAttributesExW(wide, GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return 0;
    }
    out->exists = 1;
    out->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    out->write_time = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                      data.ftLastWriteTime.dwLowDateTime;
    return 1;
}

namespace {

// Case-insensitive '*' / '?' match of a long name.  FindFirstFileW also
// matches the 8.3 short names, so "*.txt" would find "a.txtold" through
// "ATXTOL~1.TXT"; every name is checked again here.
int platform_match(const char* pattern, const char* name) {
    if (*pattern == '\0') return *name == '\0';
    if (*pattern == '*') {
        for (const char* n = name;; n++) {
            if (platform_match(pattern + 1, n)) return 1;
            if (*n == '\0') return 0;
        }
    }
    if (*name == '\0') return 0;
    if (*pattern != '?') {
        unsigned char a = static_cast<unsigned char>(*pattern);
        unsigned char b = static_cast<unsigned char>(*name);
        if (a >= 'A' && a <= 'Z') a = static_cast<unsigned char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b - 'A' + 'a');
        if (a != b) {
            return 0;
        }
    }
    return platform_match(pattern + 1, name + 1);
}

}  // namespace

int platform_list_folder(const char* folder, const char* pattern, platform_visit_fn visit,
                         void* context) {
    char search[PLATFORM_PATH_SIZE];
    size_t folder_length = strlen(folder);
    size_t pattern_length = strlen(pattern);
    if (folder_length + 1 + pattern_length + 1 > sizeof search) return 0;
    memcpy(search, folder, folder_length);
    search[folder_length] = '\\';
    memcpy(search + folder_length + 1, pattern, pattern_length + 1);
    wchar_t wide_search[MAX_PATH];
    if (!platform_wide_path(search, wide_search)) return 0;

    WIN32_FIND_DATAW found;
    // Each entry brings its size and time, so that a scan needs no look at
    // each file; a large fetch saves round trips on a network share.
    HANDLE find = FindFirstFileExW(wide_search, FindExInfoStandard, &found, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int any = 0;
    do {
        // A name code page 932 lacks a character of goes by its short name,
        // which opens the same file; without one the entry cannot be named.
        char name[MAX_PATH];
        if (!cp932_from_wide(found.cFileName, name, sizeof name) &&
            !cp932_from_wide(found.cAlternateFileName, name, sizeof name)) {
            continue;
        }
        if (!name[0] || !platform_match(pattern, name)) continue;
        any = 1;
        platform_folder_entry entry;
        entry.name = name;
        entry.is_folder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? 1 : 0;
        entry.size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        entry.write_time = (static_cast<uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                           found.ftLastWriteTime.dwLowDateTime;
        visit(&entry, context);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return any;
}

int platform_set_write_time(const char* path, uint64_t write_time) {
    wchar_t wide[MAX_PATH];
    if (!platform_wide_path(path, wide)) return 0;
    HANDLE file = CreateFileW(wide, FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(write_time);
    time.dwHighDateTime = static_cast<DWORD>(write_time >> 32);
    BOOL ok = SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
    return ok ? 1 : 0;
}

uint64_t platform_file_time_now(void) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

void platform_local_time(platform_time* out) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    out->year = t.wYear;
    out->month = t.wMonth;
    out->day = t.wDay;
    out->hour = t.wHour;
    out->minute = t.wMinute;
    out->second = t.wSecond;
}

uint32_t platform_tick_count(void) { return GetTickCount(); }

void platform_sleep(uint32_t milliseconds) { Sleep(milliseconds); }

void platform_virtual_screen(platform_rect* out) {
    out->left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    out->top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    out->right = out->left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    out->bottom = out->top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
}

namespace {

void platform_monitor_info(HMONITOR monitor, platform_rect* rect, int32_t* dpi) {
    MONITORINFO info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info)) {
        info.rcMonitor.left = 0;
        info.rcMonitor.top = 0;
        info.rcMonitor.right = GetSystemMetrics(SM_CXSCREEN);
        info.rcMonitor.bottom = GetSystemMetrics(SM_CYSCREEN);
    }
    if (rect) {
        rect->left = info.rcMonitor.left;
        rect->top = info.rcMonitor.top;
        rect->right = info.rcMonitor.right;
        rect->bottom = info.rcMonitor.bottom;
    }
    if (dpi) {
        *dpi = dpi_of_monitor(monitor);
    }
}

}  // namespace

void platform_monitor_from_point(const int32_t* point_xy, platform_rect* rect, int32_t* dpi) {
    POINT p = {0, 0};
    if (point_xy) {
        p.x = point_xy[0];
        p.y = point_xy[1];
    }
    // (0, 0) is always on the primary monitor.
    platform_monitor_info(MonitorFromPoint(p, point_xy ? MONITOR_DEFAULTTONEAREST
                                                       : MONITOR_DEFAULTTOPRIMARY),
                          rect, dpi);
}

void platform_monitor_from_rect(const platform_rect* r, platform_rect* rect, int32_t* dpi) {
    RECT area = {r->left, r->top, r->right, r->bottom};
    platform_monitor_info(MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), rect, dpi);
}

void platform_cursor_pos(int32_t* point_xy) {
    POINT p = {0, 0};
    if (!GetCursorPos(&p)) {
        p.x = 0;
        p.y = 0;
    }
    point_xy[0] = p.x;
    point_xy[1] = p.y;
}

int platform_recycle_file(const char* path) {
    // The shell takes a list of names ending in an empty name.
    wchar_t from[MAX_PATH + 1];
    memset(from, 0, sizeof from);
    if (!cp932_to_wide(path, from, MAX_PATH)) return 0;
    SHFILEOPSTRUCTW operation;
    memset(&operation, 0, sizeof operation);
    operation.hwnd = nullptr;
    operation.wFunc = FO_DELETE;
    operation.pFrom = from;
    operation.pTo = nullptr;
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION;
    operation.lpszProgressTitle = nullptr;
    int result = SHFileOperationW(&operation);
    return result == 0 && !operation.fAnyOperationsAborted ? 1 : 0;
}

memo_hwnd platform_memo_window_create(memo_hwnd owner, const platform_rect* r) {
    HINSTANCE instance = owner
                             ? reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE))
                             : GetModuleHandleA(nullptr);
    return CreateWindowExA(WS_EX_LAYERED | WS_EX_TOOLWINDOW, MEMO_WINDOW_CLASS, "", WS_POPUP,
                           r->left, r->top, r->right - r->left, r->bottom - r->top, owner,
                           nullptr, instance, nullptr);
}

void platform_window_destroy(memo_hwnd window) { DestroyWindow(window); }

namespace {

// Through UTF-16, as Windows converts; out gets the bytes only when they all
// fit, the count is returned either way.
size_t convert_code_page(UINT from, UINT to, const char* text, size_t size, char* out,
                         size_t out_size) {
    if (size == 0 || size > INT_MAX) return 0;
    int n = static_cast<int>(size);
    int units = MultiByteToWideChar(from, 0, text, n, nullptr, 0);
    wchar_t* wide = units > 0 ? static_cast<wchar_t*>(malloc(sizeof(wchar_t) * units)) : nullptr;
    if (!wide) return 0;
    MultiByteToWideChar(from, 0, text, n, wide, units);
    // No best fit: "é" must not quietly become "e" in a folder name.  UTF-8
    // takes neither the flag nor a default character.
    DWORD flags = to == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = to == CP_UTF8 ? nullptr : "?";
    int bytes = WideCharToMultiByte(to, flags, wide, units, nullptr, 0, fallback, nullptr);
    if (out_size >= static_cast<size_t>(bytes) && bytes > 0) {
        WideCharToMultiByte(to, flags, wide, units, out, bytes, fallback, nullptr);
    }
    free(wide);
    return bytes > 0 ? static_cast<size_t>(bytes) : 0;
}

}  // namespace

size_t platform_utf8_to_cp932(const char* text, size_t size, char* out, size_t out_size) {
    return convert_code_page(CP_UTF8, CP932_CODE_PAGE, text, size, out, out_size);
}

size_t platform_cp932_to_utf8(const char* text, size_t size, char* out, size_t out_size) {
    return convert_code_page(CP932_CODE_PAGE, CP_UTF8, text, size, out, out_size);
}

namespace {

// The lParams of the messages this thread is sending through
// platform_window_send right now, innermost last.  Sends nest only a few
// deep (a memo's init may send to its owner); deeper ones are not listed
// and their hand-over is refused rather than trusted.
const size_t k_sending_slots = 16;
intptr_t s_sending[k_sending_slots];
size_t s_sending_depth = 0;

}  // namespace

intptr_t platform_window_send(memo_hwnd window, uint32_t message, uintptr_t wparam,
                              intptr_t lparam) {
    if (s_sending_depth < k_sending_slots) s_sending[s_sending_depth] = lparam;
    s_sending_depth++;
    LRESULT result =
        SendMessageA(window, message, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam));
    s_sending_depth--;
    return result;
}

int platform_window_sending(intptr_t lparam) {
    // InSendMessage cannot tell: inside another program's WM_COPYDATA it
    // holds for the program's own nested sends too.
    if (!lparam) return 0;
    size_t listed = s_sending_depth < k_sending_slots ? s_sending_depth : k_sending_slots;
    for (size_t i = 0; i < listed; i++) {
        if (s_sending[i] == lparam) return 1;
    }
    return 0;
}

void platform_window_show(memo_hwnd window, int show) {
    ShowWindow(window, show ? SW_SHOW : SW_HIDE);
}

int platform_window_visible(memo_hwnd window) { return IsWindowVisible(window) ? 1 : 0; }

void platform_window_repaint(memo_hwnd window) {
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

int platform_window_rect(memo_hwnd window, platform_rect* out) {
    RECT r;
    if (!GetWindowRect(window, &r)) return 0;
    out->left = r.left;
    out->top = r.top;
    out->right = r.right;
    out->bottom = r.bottom;
    return 1;
}

memo_hwnd platform_window_owner(memo_hwnd window) { return GetWindow(window, GW_OWNER); }

namespace {

// Converted on the stack, not by the wide_ helpers: the fatal notice comes
// when the heap is exhausted.
void platform_stack_message_box(const char* text, const char* caption, UINT style) {
    wchar_t wide_text[1024];
    wchar_t wide_caption[256];
    cp932_to_wide(text, wide_text, 1024);
    cp932_to_wide(caption, wide_caption, 256);
    MessageBoxW(nullptr, wide_text, wide_caption, style);
}

}  // namespace

void platform_message_box(const char* text, const char* caption) {
    platform_stack_message_box(text, caption, MB_OK);
}

namespace {

// The program's main window: the window of its class in this thread (the
// main window is made on the one user-interface thread).
BOOL CALLBACK platform_find_main(HWND hwnd, LPARAM lparam) {
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    if (strcmp(name, MAIN_WINDOW_CLASS) != 0) return TRUE;
    *reinterpret_cast<HWND*>(lparam) = hwnd;
    return FALSE;
}

HWND platform_main_window(void) {
    HWND main = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), platform_find_main, reinterpret_cast<LPARAM>(&main));
    return main;
}

}  // namespace

namespace {

// Notices posted to the main window and not yet shown: MSG_NOTICE carries
// one of these copies, and only a copy listed here is ever shown or freed.
const size_t k_notice_slots = 32;
char* s_notices[k_notice_slots];

void platform_notify_now(const char* text) {
    platform_stack_message_box(text, PROGRAM_CAPTION, MB_OK | MB_ICONWARNING);
}

}  // namespace

void platform_notify_later(const char* text) {
    HWND main = platform_main_window();
    char** slot = nullptr;
    for (char*& s : s_notices) {
        if (!s) {
            slot = &s;
            break;
        }
    }
    size_t n = strlen(text) + 1;
    char* copy = main && slot ? static_cast<char*>(malloc(n)) : nullptr;
    if (!copy) {
        // Nothing left to answer first (the program is ending), or a flood
        // of notices: tell now.
        platform_notify_now(text);
        return;
    }
    memcpy(copy, text, n);
    *slot = copy;
    if (!PostMessageA(main, MSG_NOTICE, 0, reinterpret_cast<LPARAM>(copy))) {
        *slot = nullptr;
        free(copy);
    }
}

char* platform_take_notice(intptr_t token) {
    for (char*& s : s_notices) {
        if (s && reinterpret_cast<intptr_t>(s) == token) {
            char* text = s;
            s = nullptr;
            return text;
        }
    }
    return nullptr;
}

void platform_retry_later(uint32_t delay_ms) {
    HWND main = platform_main_window();
    if (!main) return;
    if (delay_ms) {
        SetTimer(main, TIMER_SAVE_RETRY, delay_ms, nullptr);
    } else {
        KillTimer(main, TIMER_SAVE_RETRY);
    }
}

void platform_fatal_exit(const char* text, int exit_code) {
    platform_stack_message_box(text, PROGRAM_CAPTION, MB_OK | MB_ICONERROR);
    ExitProcess(static_cast<UINT>(exit_code));
}
