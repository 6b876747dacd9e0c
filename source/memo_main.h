// The program entry and the hidden main window: single instance, the
// message loop, the ten main-window commands and the shutdown sequence.
#ifndef MEMO_MAIN_H
#define MEMO_MAIN_H

#include <windows.h>

#include "memo_program.h"  // placement kinds MEMO_PLACE_*, the argument of CMD_NEW_MEMO

#define MEMO_MAIN_CLASS "MemoWindowProcedure"

// Commands of the main window: WM_COMMAND, low word the command, high word
// its argument.
#define CMD_EXIT 2
#define CMD_NEW_MEMO 3        // high word: placement kind
#define CMD_SETTINGS 4
#define CMD_FOREGROUND 5
#define CMD_ACTIVATE_FIRST 6
#define CMD_HELP 7
#define CMD_TOGGLE_SHOW 8
#define CMD_REFRESH 9
#define CMD_FOCUS_MEMO 10     // high word: 1-based memo index

#define MSG_TRAY_NOTIFY (WM_USER + 2)
#define MSG_SHUTDOWN (WM_USER + 3)
#define MSG_GET_TRANSPARENCY (WM_USER + 4)

// Exit codes.  1 is a normal run or a hand-off to the running instance; 0
// means the rich-edit library could not be loaded.
#define MEMO_EXIT_NORMAL 1
#define MEMO_EXIT_NO_RICHEDIT 0
#define MEMO_EXIT_NO_WINDOW 2

// Process-wide state of the main window.
extern HWND g_main_window;

LRESULT CALLBACK memo_main_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// The command a second start hands over for the text after the program
// name: "-a", "-f", "-r" (only the first two characters count), anything
// else the new-memo command with placement kind 2.
WPARAM memo_main_handoff_command(const char* command_line);

// Registers the main window class; 1 on success.
int memo_main_register_class(HINSTANCE instance);

// The text of a WM_COPYDATA record as valid UTF-8: read up to the first
// NUL or cbData bytes, whichever comes first; invalid sequences become
// U+FFFD.  Returns a tracked block the caller owns.
char* memo_main_copydata_text(const COPYDATASTRUCT* data);

#endif
