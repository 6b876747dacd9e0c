// The basic page of the settings sheet.
#ifndef KELVANE_BASIC_PAGE_H
#define KELVANE_BASIC_PAGE_H

#include <windows.h>

#include <stdint.h>

INT_PTR CALLBACK basic_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);

// The page's tooltip control with its tools, owned by the page.
void basic_page_add_tooltips(HWND page);

#endif
