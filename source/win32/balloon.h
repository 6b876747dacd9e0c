// The balloon: a speech bubble that acknowledges a stuck or peeled memo
// for one second.
#ifndef KELVANE_BALLOON_H
#define KELVANE_BALLOON_H

#include <stdint.h>
#include <windows.h>

#include "balloon_layout.h"

// Balloon kinds, the low two bits of the balloon's flags; any other value
// shows the bubble without a content image.
#define BALLOON_NEW 1    // "ぺた": a new memo was stuck
#define BALLOON_PEEL 2   // "ぺり": a memo is being peeled off
#define BALLOON_KIND_MASK 0x03

#define BALLOON_TIMER 2
#define BALLOON_LIFETIME_MS 1000

// Shows the balloon of kind beside the memo window.  The balloon has no
// owner and removes itself one second later, so it outlives a memo that is
// being peeled off.  1 when it was shown, 0 when its window could
// not be created.  The caller checks the BALLOON setting.
int32_t balloon_show(int16_t kind, HWND memo);

LRESULT CALLBACK balloon_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

#endif
