// What the start-up benchmark and the bare program agree on: where the
// memos sit, how large and how translucent they are, and how each program
// is told to quit.  The benchmark writes these places into the memo files;
// the bare program creates its windows at the same places.
#ifndef STARTUP_LAYOUT_H
#define STARTUP_LAYOUT_H

// A new memo's size in 96-dpi pixels, and the TRANSPARENCY default.
#define STARTUP_MEMO_WIDTH 160
#define STARTUP_MEMO_HEIGHT 120
#define STARTUP_MEMO_ALPHA 200

// Both owner windows quit on WM_COMMAND with this low word (the program's
// exit command).
#define STARTUP_EXIT_COMMAND 2

#define STARTUP_MEMO_CLASS "ProgramWindowClass"
#define STARTUP_BARE_OWNER_CLASS "KelvaneBareOwner"

// The top-left corner of memo `index` from the top-left corner of the
// primary monitor: a 7 x 7 grid that fits a 1280 x 1024 screen, every
// further layer of 49 shifted by 3 pixels, so that no memo hides another
// one completely and every one of them is really drawn.
inline void startup_layout_origin(int index, int* x, int* y) {
    int layer = (index / 49) % 40;
    *x = 20 + (index % 7) * 170 + layer * 3;
    *y = 20 + (index / 7 % 7) * 130 + layer * 3;
}

#endif
