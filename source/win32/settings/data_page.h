// The data and location page of the settings sheet.
#ifndef KELVANE_DATA_PAGE_H
#define KELVANE_DATA_PAGE_H

#include <windows.h>

#include <stdint.h>

INT_PTR CALLBACK data_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);

// The page's tooltip control with its tools, owned by the page.
void data_page_add_tooltips(HWND page);

// Copies every plain file of the data folder (PATH) into target, never over
// an existing file; one message box owned by page tells of the files that
// were left out that way.  Subfolders are not entered and the source files
// stay.  Always 1: a conflict does not stop the switch.
int32_t data_page_copy_folder(HWND page, const char* target);

#endif
