// The program entry and the hidden main window: single instance, the
// message loop, the main-window commands and the shutdown sequence.
#ifndef KELVANE_MAIN_WINDOW_H
#define KELVANE_MAIN_WINDOW_H

#include <windows.h>

#include "messages.h"

// Exit codes.  1 is a normal run or a hand-off to the running instance; 0
// means the rich-edit library could not be loaded.
#define MEMO_EXIT_NORMAL 1
#define MEMO_EXIT_NO_RICHEDIT 0
#define MEMO_EXIT_NO_WINDOW 2
// A second start found the instance's mutex taken but no main window came
// within the waiting time: nothing was handed over.
#define MEMO_EXIT_NO_INSTANCE 3

// Process-wide state of the main window.
extern HWND g_main_window;

LRESULT CALLBACK main_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// The command a second start hands over for the text after the program
// name: "-a", "-f", "-r", "-s" (only the first two characters count),
// anything else the new-memo command with placement kind 2.
WPARAM main_window_handoff_command(const char* command_line);

// Registers the main window class and the memo window class; 1 on success.
int main_window_register_class(HINSTANCE instance);

// The text of a WM_COPYDATA record as copydata_text takes it: valid UTF-8
// up to the first NUL or cbData bytes.  Returns a tracked block the caller
// owns, or null when the text is too long to become a memo.
char* main_window_copydata_text(const COPYDATASTRUCT* data);

#endif
