// Resource ids of the program, shared by the C++ modules and kelvane.rc.
// Only preprocessor lines here: the resource compiler reads this file too.
#ifndef KELVANE_RESOURCE_H
#define KELVANE_RESOURCE_H

#define IDI_KELVANE             107   // program icon group: 256 to 16 pixels
#define IDR_ACCELERATOR         111   // Ctrl+Enter and Ctrl+S of the edit box

// Commands of the accelerator table.  The message loop translates them for
// the parent of the window that has the key, so they arrive at the edit box
// window when its rich edit has the focus.
#define ID_ACCEL_CTRL_ENTER     40008
#define ID_ACCEL_CTRL_S         40010

// The balloon: the bubble (its top-left pixel's colour is transparent) and
// the content images drawn into it.
#define IDB_BALLOON_NEW         129   // "ぺた", 70 x 34, 8-bit
#define IDB_BALLOON_PEEL        130   // "ぺり", 70 x 34, 8-bit
#define IDB_BALLOON_BUBBLE      131   // 100 x 80, 24-bit, on pure green

// Still to come, each with a prefix of its own dialog: the welcome dialog
// (123), the settings pages (201 to 205) and the banner bitmaps of the
// version page and the welcome dialog (119, 124).

#endif
