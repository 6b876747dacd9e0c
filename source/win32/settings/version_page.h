// The version page of the settings sheet.
#ifndef KELVANE_VERSION_PAGE_H
#define KELVANE_VERSION_PAGE_H

#include <windows.h>

#include <stdint.h>

// The address the version page's link shows and opens: a build-time
// setting (CMake cache variable KELVANE_WEB_ADDRESS).  Left empty, the link
// reads VERSION_PAGE_HELP_FILE and opens the help page beside the program.
#define VERSION_PAGE_HELP_FILE "help.html"

INT_PTR CALLBACK version_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);

#endif
