// The memo's tooltip: its whole text and its last-modified time
// (tooltip_text_build), shown while the mouse rests on the memo for as long
// as the TOOLTIPTIME setting says, and not at all when it is 0.
#ifndef KELVANE_MEMO_TOOLTIP_H
#define KELVANE_MEMO_TOOLTIP_H

#include <windows.h>

#define MEMO_TOOLTIP_TOOL_ID 1
#define MEMO_TOOLTIP_MAX_WIDTH 300
// The text a memo shows until its first text arrives.
#define MEMO_TOOLTIP_INITIAL_TEXT "Kelvane"

// Creates the tooltip control of a memo window, with one tool covering the
// memo's client area; the tool keeps covering it when the memo is resized,
// and it answers the mouse although the memo's surface is all caption.
// The memo owns the control and it goes with the memo window.  Null
// when it cannot be made.
HWND memo_tooltip_create(HWND memo);

// Sets the tool's text from the memo's record and re-applies the width, the
// display time and the activation from TOOLTIPTIME.  A memo that has never
// had a text keeps the initial text.  1 on success; 0 for a null tooltip
// (nothing happens) or a memo without a record (the timing is
// still applied).
int memo_tooltip_update(HWND memo, HWND tooltip);

// The memo's tooltip control, made now if the memo has none yet, and kept
// in its record (the memo owns it).  A memo's control comes into being the
// first time it is needed, when the pointer first moves over the memo or
// its text is refreshed, so a start-up with many memos makes none.  Null
// for a window without a record, or when the control cannot be made (tried
// again the next time).
HWND memo_tooltip_of(HWND memo);

// For the memo window's mouse moves (WM_MOUSEMOVE or WM_NCMOUSEMOVE with
// its lparam): the first one makes the control and hands it that move.
// Later moves reach the control without this call.
void memo_tooltip_on_pointer(HWND memo, UINT message, LPARAM lparam);

#endif
