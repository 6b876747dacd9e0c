// The settings sheet with its five pages (basic, colours and font, data and
// location, details, version), one file per page in this folder.
//
// Every page works on g_settings directly: most controls write their
// setting the moment they are used; the tooltip time and the colour slot
// names wait for OK.  Nothing is written to disk here; config.ini is
// written at shutdown.
#ifndef KELVANE_SETTINGS_SHEET_H
#define KELVANE_SETTINGS_SHEET_H

#include <windows.h>

#include <stdint.h>

// Runs the five-page sheet modally, owned by main_window (whose z-order
// band the basic page switches), and returns when it closes.  The caller
// checks settings_sheet_is_open first: a second sheet is never opened.
void settings_sheet_show(HWND main_window);

// 1 while settings_sheet_show runs.
int32_t settings_sheet_is_open(void);

#endif
