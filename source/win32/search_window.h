// The search window, "メモの検索": a field for what to look for and, under
// it, the memos that match (memo_search), best match first, following
// every keystroke.  Enter or a double-click brings the chosen memo to the
// front with the keyboard focus; Esc closes the window.  There is at most
// one; it is owned by the main window and goes with it.
#ifndef KELVANE_SEARCH_WINDOW_H
#define KELVANE_SEARCH_WINDOW_H

#include <windows.h>

// Opens the search window on the monitor under the cursor, or brings the
// open one to the front with the field's text selected, so that typing
// starts a new search.  Returns the window, or null when it could not be
// made (reported).
HWND search_window_show(HWND main_window);

// The open search window, or null.
HWND search_window_handle(void);

// For the message loop: the keys that move between the window's controls,
// Enter and Esc.  1 when msg was handled and must not be dispatched again.
int search_window_translate(MSG* msg);

// A memo was made, changed or peeled: the open window's list follows once
// the messages already queued are handled.  Nothing while none is open.
void search_window_memos_changed(void);

#endif
