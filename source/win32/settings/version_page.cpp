// The version page: the version line, the notice and the link to the help.
#include "version_page.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

#include <iterator>

#include "error_log.h"
#include "memo_registry.h"
#include "settings.h"
#include "settings_text.h"
#include "tracked_memory.h"
#include "paths.h"
#include "dialog_common.h"
#include "messages.h"
#include "resource.h"
#include "wide_text.h"

#ifndef KELVANE_WEB_ADDRESS
#define KELVANE_WEB_ADDRESS ""
#endif

namespace {

const char k_web_address[] = KELVANE_WEB_ADDRESS;
const COLORREF k_link_blue = 0x00ff0000;

// What the link shows and opens: the build's address, or the help page
// beside the program.
void version_page_link(char* shown, char* target) {
    if (k_web_address[0]) {
        lstrcpynA(shown, k_web_address, DIALOG_TEXT_SIZE);
        lstrcpynA(target, k_web_address, PLATFORM_PATH_SIZE);
        return;
    }
    lstrcpynA(shown, VERSION_PAGE_HELP_FILE, DIALOG_TEXT_SIZE);
    if (!path_beside_program(target, VERSION_PAGE_HELP_FILE)) {
        target[0] = '\0';
    }
}

// Copies at most 255 characters of a text value of the version block, which
// holds UTF-16 whatever the system's code page.
void version_page_query(const void* block, const wchar_t* key, wchar_t* out) {
    wchar_t* value = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block, key, reinterpret_cast<void**>(&value), &length) && value) {
        lstrcpynW(out, value, DIALOG_TEXT_SIZE);
    }
}

INT_PTR version_page_on_init(HWND page) {
    wchar_t description[DIALOG_TEXT_SIZE] = L"";
    wchar_t notice[DIALOG_TEXT_SIZE] = L"";
    wchar_t file_version[DIALOG_TEXT_SIZE] = L"";
    wchar_t path[MAX_PATH] = L"";
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    DWORD handle = 0;
    DWORD size = length > 0 && length < MAX_PATH ? GetFileVersionInfoSizeW(path, &handle) : 0;
    if (size > 0) {
        void* block = TRACKED_ALLOC(static_cast<uint64_t>(size) + 1);
        if (GetFileVersionInfoW(path, 0, size, block)) {
            version_page_query(block, L"\\StringFileInfo\\000004B0\\FileDescription", description);
            version_page_query(block, L"\\StringFileInfo\\000004B0\\FileVersion", file_version);
            version_page_query(block, L"\\StringFileInfo\\000004b0\\LegalCopyright", notice);
        }
        TRACKED_FREE(block);
    }
    // The line is put together in code page 932 like every text of ours;
    // the version is digits and dots.
    char* narrow_description = wide_to_cp932(description);
    settings_text_cut_text(narrow_description, DIALOG_TEXT_SIZE - 1);
    char* narrow_version = wide_to_cp932(file_version);
    dialog_version version;
    settings_text_parse_version(narrow_version, &version);
    TRACKED_FREE(narrow_version);
    char line[DIALOG_TEXT_SIZE];
    settings_text_version_line(line, sizeof line, narrow_description, &version,
                             static_cast<int32_t>(sizeof(void*) * 8));
    TRACKED_FREE(narrow_description);

    char shown[DIALOG_TEXT_SIZE];
    char target[PLATFORM_PATH_SIZE];
    version_page_link(shown, target);
    wide_set_item_text(page, IDC_VERSION_LINE, line);
    SetDlgItemTextW(page, IDC_VERSION_NOTICE, notice);
    wide_set_item_text(page, IDC_VERSION_LINK, shown);
    return TRUE;
}

INT_PTR version_page_on_paint(HWND page) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(page, &ps);
    if (dc) {
        RECT client;
        GetClientRect(page, &client);
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    EndPaint(page, &ps);
    return TRUE;
}

INT_PTR version_page_on_color_static(HWND page, HDC dc, HWND control) {
    SetBkMode(dc, TRANSPARENT);
    if (control == GetDlgItem(page, IDC_VERSION_LINK)) {
        SetTextColor(dc, k_link_blue);
    }
    return reinterpret_cast<INT_PTR>(GetStockObject(HOLLOW_BRUSH));
}

// Answered with a result of 1, so the system does not put the arrow back.
INT_PTR version_page_on_set_cursor(HWND page, HWND under) {
    if (under != GetDlgItem(page, IDC_VERSION_LINK)) {
        return FALSE;
    }
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
    SetWindowLongPtrA(page, DWLP_MSGRESULT, 1);
    return TRUE;
}

// The click's result is the shell's concern; the command stays unhandled.
INT_PTR version_page_on_link(HWND page) {
    char shown[DIALOG_TEXT_SIZE];
    char target[PLATFORM_PATH_SIZE];
    version_page_link(shown, target);
    if (target[0]) {
        ShellExecuteW(page, L"open", wide_cp932(target), nullptr, nullptr, SW_SHOWNORMAL);
    }
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK version_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return version_page_on_init(page);
    case WM_PAINT:
        return version_page_on_paint(page);
    case WM_CTLCOLORSTATIC:
        return version_page_on_color_static(page, reinterpret_cast<HDC>(wparam),
                                            reinterpret_cast<HWND>(lparam));
    case WM_SETCURSOR:
        return version_page_on_set_cursor(page, reinterpret_cast<HWND>(wparam));
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
        if (item->CtlID != IDC_VERSION_BANNER) {
            return FALSE;
        }
        dialog_draw_banner(page, item, IDB_VERSION_BANNER, 1);
        return TRUE;
    }
    case WM_COMMAND:
        return LOWORD(wparam) == IDC_VERSION_LINK ? version_page_on_link(page) : FALSE;
    case WM_NOTIFY:
        return dialog_on_notify(page, lparam, nullptr);
    default:
        return FALSE;
    }
}
