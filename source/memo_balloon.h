// The balloon: a speech bubble that acknowledges a stuck or peeled memo
// for one second.
#ifndef MEMO_BALLOON_H
#define MEMO_BALLOON_H

#include <stdint.h>
#include <windows.h>

#include "memo_balloon_layout.h"

// Balloon kinds, the low two bits of the balloon's flags; any other value
// shows the bubble without a content image.
#define MEMO_BALLOON_NEW 1    // "ぺた": a new memo was stuck
#define MEMO_BALLOON_PEEL 2   // "ぺり": a memo is being peeled off
#define MEMO_BALLOON_KIND_MASK 0x03

#define MEMO_BALLOON_CLASS "BalloonWindowClass"
#define MEMO_BALLOON_TIMER 2
#define MEMO_BALLOON_LIFETIME_MS 1000

// Shows the balloon of kind beside the memo window.  The balloon has no
// owner and removes itself one second later, so it outlives a memo that is
// being peeled off.  1 when it was shown, 0 (reported) when its window could
// not be created.  The caller checks the BALLOON setting.
int32_t memo_balloon_show(int16_t kind, HWND memo);

LRESULT CALLBACK memo_balloon_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

#endif
