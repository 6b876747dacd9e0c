// The notice on a memo that keeps a text which a conflicting change would
// otherwise have lost (memo_file): a balloon pointing at the memo with a
// short Japanese text.  It goes away by itself after a while, on a click,
// or with the memo.
#ifndef KELVANE_SYNC_NOTICE_H
#define KELVANE_SYNC_NOTICE_H

#include <windows.h>

// Shows the notice of kind (MEMO_KEPT_*) on memo; 1 when shown, 0 for a
// hidden memo (nothing to point at) or when the balloon cannot be made.
// The balloon is owned by the memo.
LRESULT sync_notice_show(HWND memo, int kind);

// The texts, for tests.
const wchar_t* sync_notice_text(int kind);

#endif
