// Every window message, command number and window class name of the
// program, in one place.  Both the window-free modules (which send the
// memo messages and build the tray menu's command words) and the windows
// include it.  Other programs find and talk to Kelvane through the class
// names and the main window's messages, so none of these values may change.
#ifndef KELVANE_MESSAGES_H
#define KELVANE_MESSAGES_H

#include <stdint.h>

// --- window classes ---------------------------------------------------------

#define MAIN_WINDOW_CLASS "MemoWindowProcedure"
#define MEMO_WINDOW_CLASS "ProgramWindowClass"
#define EDIT_BOX_CLASS "EditboxWindowClass"
#define BALLOON_CLASS "BalloonWindowClass"

// The caption of every message box and window title of the program.
#define PROGRAM_CAPTION "Kelvane"

// --- the main window ----------------------------------------------------------

// Commands: WM_COMMAND, low word the command, high word its argument.
#define CMD_CANCEL 1          // the tray menu's last item; ignored
#define CMD_EXIT 2
#define CMD_NEW_MEMO 3        // high word: placement kind (MEMO_PLACE_*)
#define CMD_SETTINGS 4
#define CMD_FOREGROUND 5
#define CMD_ACTIVATE_FIRST 6
#define CMD_HELP 7
#define CMD_TOGGLE_SHOW 8
#define CMD_REFRESH 9
#define CMD_FOCUS_MEMO 10     // high word: 1-based memo index

// Placement kinds of a new memo, the high word of CMD_NEW_MEMO; any other
// value places like the tray.
#define MEMO_PLACE_TRAY 1
#define MEMO_PLACE_SECOND_START 2
#define MEMO_PLACE_COPYDATA 3

// A whole command word: the command in the low word, its argument above.
#define CMD_WORD(command, argument) \
    ((static_cast<uint32_t>(argument) << 16) | static_cast<uint32_t>(command))

#define MSG_TRAY_NOTIFY (0x0400 + 2)       // WM_USER + 2
#define MSG_SHUTDOWN (0x0400 + 3)          // WM_USER + 3
#define MSG_GET_TRANSPARENCY (0x0400 + 4)  // WM_USER + 4
// Posted by the folder watch once a burst of changes in the data folder has
// settled; the main window then looks what changed and refreshes.
#define MSG_FOLDER_CHANGED (0x0400 + 5)    // WM_USER + 5
// The wParam of MSG_FOLDER_CHANGED that the data page sends after it
// changed AUTOREFRESH or the data folder: the watch follows first.
#define FOLDER_CHANGED_SETTINGS 1
// The wParam of MSG_FOLDER_CHANGED when the watch has the names of the
// files that changed (folder_watch_take); 0 asks for a look at the whole
// folder.
#define FOLDER_CHANGED_NAMES 2
// Answers how many refreshes folder changes have started since start-up,
// so that a test can see bursts coalesce.
#define MSG_GET_REFRESH_COUNT (0x0400 + 6) // WM_USER + 6
// Posted by the platform module: show lParam (a copy of the text made with
// malloc, which the main window frees) in a warning box, after the message
// that caused it has been answered.
#define MSG_NOTICE (0x0400 + 7)            // WM_USER + 7

// The main window's timer that tries owed saves again (memo_file_retry_pending).
#define TIMER_SAVE_RETRY 1

// --- memo windows ---------------------------------------------------------------

// Hand a memo window its record (lParam: a memo_handover, wParam: 0).
// The init message is sent once, right after the record is filled; the
// reload message after a refresh changed the record.
#define MEMO_MSG_INIT 0x8001    // WM_APP + 1
#define MEMO_MSG_RELOAD 0x8002  // WM_APP + 2
// Show the notice that this memo keeps a text that would otherwise have
// been lost to a conflicting change (wParam: MEMO_KEPT_*).
#define MEMO_MSG_KEPT_COPY 0x8003  // WM_APP + 3
#define MEMO_KEPT_OTHER_EDIT 1     // another computer's text, met by an edit here
#define MEMO_KEPT_BEFORE_EMPTY 2   // the text before the file came back empty
#define MEMO_KEPT_CLIENT_COPY 3    // a sync client's copy of the memo's other version

// The shape and painting settings changed (wParam: what changed).
#define MSG_MEMO_REGION (0x0400 + 1)  // WM_USER + 1
// The wParam the settings sheet sends with MSG_MEMO_REGION.
#define MEMO_REGION_SETTINGS 32

// Commands of a memo window: WM_COMMAND, low word the command.
#define MEMO_CMD_EDIT 1
#define MEMO_CMD_SET_TEXT 2      // lParam: tracked UTF-8 block, passes to the memo
#define MEMO_CMD_EDIT_CLOSED 3
#define MEMO_CMD_PEEL 4
#define MEMO_CMD_COLOR 16        // 16..22: colour slot 1..7
#define MEMO_CMD_COLOR_LAST 22
#define MEMO_CMD_TOOLTIP 32

// --- the edit box -----------------------------------------------------------------

// Commands (low word of WM_COMMAND); the accelerator commands Ctrl+Enter
// and Ctrl+S (resource.h) commit like OK.
#define EDIT_CMD_CUT 1
#define EDIT_CMD_COPY 2
#define EDIT_CMD_PASTE 3
#define EDIT_CMD_CANCEL 0x2003

#endif
