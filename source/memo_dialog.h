// The settings sheet with its five pages (basic, colours and font, data and
// location, details, version) and the first-run welcome dialog.
//
// Every page works on g_settings directly: most controls write their
// setting the moment they are used; the tooltip time and the colour slot
// names wait for OK.  Nothing is written to disk here; config.ini is
// written at shutdown.
#ifndef MEMO_DIALOG_H
#define MEMO_DIALOG_H

#include <windows.h>

#include <stdint.h>

// What the sheet's pages send to memo windows when a setting they draw
// from changed (memo_window.h): MSG_MEMO_REGION with this wParam, and
// MEMO_CMD_TOOLTIP.
#define DIALOG_REGION_WPARAM 32

// The address the version page's link shows and opens: a build-time
// setting (CMake cache variable KELVANE_WEB_ADDRESS).  Left empty, the link
// reads DIALOG_HELP_FILE and opens the help page beside the program.
#define DIALOG_HELP_FILE "help.html"

// Runs the five-page sheet modally, owned by main_window (whose z-order
// band the basic page switches), and returns when it closes.  The caller
// checks settings_sheet_is_open first: a second sheet is never opened.
void settings_sheet_show(HWND main_window);

// 1 while settings_sheet_show runs.
int32_t settings_sheet_is_open(void);

// The pages' dialog procedures, in the sheet's order.
INT_PTR CALLBACK basic_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK color_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK data_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK detail_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK version_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);

// Each page's tooltip control with its tools.  The control is owned by the
// page and goes with it.
void basic_page_add_tooltips(HWND page);
void data_page_add_tooltips(HWND page);
void detail_page_add_tooltips(HWND page);

// Copies every plain file of the data folder (PATH) into target, never over
// an existing file; one message box owned by page tells of the files that
// were left out that way.  Subfolders are not entered and the source files
// stay.  Always 1: a conflict does not stop the switch.
int32_t memo_data_copy(HWND page, const char* target);

// The welcome dialog's procedure (template 123): its box clears DIALOG.
INT_PTR CALLBACK welcome_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Runs the welcome dialog modally with no owner window.
void memo_dialog_welcome(HINSTANCE instance);

#endif
