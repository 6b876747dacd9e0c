// The colours and font page of the settings sheet.
#ifndef KELVANE_COLOR_PAGE_H
#define KELVANE_COLOR_PAGE_H

#include <windows.h>

#include <stdint.h>

INT_PTR CALLBACK color_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);

#endif
