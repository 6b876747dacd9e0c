// The welcome dialog of the first start.
#ifndef KELVANE_WELCOME_DIALOG_H
#define KELVANE_WELCOME_DIALOG_H

#include <windows.h>

#include <stdint.h>

// The welcome dialog's procedure (template 123): its box clears DIALOG.
INT_PTR CALLBACK welcome_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Runs the welcome dialog modally with no owner window.
void welcome_dialog_show(HINSTANCE instance);

#endif
