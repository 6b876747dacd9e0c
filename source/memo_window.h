// The memo window: its procedure and its commands.  WM_COMMAND to a memo
// window carries the command in its low word.
#ifndef MEMO_WINDOW_H
#define MEMO_WINDOW_H

#include <windows.h>

#define MEMO_CMD_EDIT 1
#define MEMO_CMD_SET_TEXT 2      // lParam: tracked UTF-8 block, passes to the memo
#define MEMO_CMD_EDIT_CLOSED 3
#define MEMO_CMD_PEEL 4
#define MEMO_CMD_COLOR 16        // 16..22: colour slot 1..7
#define MEMO_CMD_COLOR_LAST 22
#define MEMO_CMD_TOOLTIP 32

#define MSG_MEMO_REGION (0x0400 + 1)  // WM_USER + 1

// The procedure of every memo window (class "ProgramWindowClass").  The
// window's user data holds its open edit box, or 0 while none is open.
LRESULT CALLBACK memo_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Carries out one memo command; lparam as the command defines it (the text
// block of MEMO_CMD_SET_TEXT passes to the memo even when the command
// fails).  1 when carried out, 0 when refused or unknown.
LRESULT memo_window_command(int command, HWND memo, LPARAM lparam);

#endif
