// The details page of the settings sheet.
#ifndef KELVANE_DETAIL_PAGE_H
#define KELVANE_DETAIL_PAGE_H

#include <windows.h>

#include <stdint.h>

INT_PTR CALLBACK detail_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);

// The page's tooltip control with its tools, owned by the page.
void detail_page_add_tooltips(HWND page);

#endif
