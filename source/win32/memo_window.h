// The memo window: its procedure and its commands.  WM_COMMAND to a memo
// window carries the command in its low word.
#ifndef KELVANE_MEMO_WINDOW_H
#define KELVANE_MEMO_WINDOW_H

#include <windows.h>

#include <stdint.h>

#include "messages.h"

// The characters of a memo's text that its window text holds.
#define MEMO_WINDOW_NAME_CHARS 64

// Registers the memo window class (MEMO_WINDOW_CLASS) for instance; 1 when
// the class is there, registered now or before.  The main window does it
// before the first memo is created.
int32_t memo_window_register_class(HINSTANCE instance);

// The procedure of every memo window (class "ProgramWindowClass", Unicode
// windows).  The window's user data holds its open edit box, or 0 while
// none is open; its text is the start of the memo's text, on one line.
LRESULT CALLBACK memo_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// The memo's open edit box, or null while none is open.
HWND memo_window_edit_box(HWND memo);

// Carries out one memo command; lparam as the command defines it (the text
// block of MEMO_CMD_SET_TEXT, handed over with tracked_hand_over, passes to
// the memo even when the command fails; any other pointer is refused
// untouched).  1 when carried out, 0 when refused or unknown.
LRESULT memo_window_command(int command, HWND memo, LPARAM lparam);

// Moves and sizes a memo without writing its position keys: a place the
// program corrects (a memo brought back onto a monitor) is not the user's,
// and the files keep the stored one until the memo is next saved.
void memo_window_place_unsaved(HWND memo, int x, int y, int width, int height);

#endif
