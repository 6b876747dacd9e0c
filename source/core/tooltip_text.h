// The text a memo's tooltip shows: the memo's whole text, then a line with
// its last-modified date and time.  Built from the memo's record; needs no
// window.
#ifndef KELVANE_TOOLTIP_TEXT_H
#define KELVANE_TOOLTIP_TEXT_H

#include <stddef.h>
#include <stdint.h>

#include "platform.h"

// Enough for the last-modified line with any four int32 values.
#define TOOLTIP_LINE_SIZE 256
// The most of a memo's text a tooltip shows, in bytes: far more than a
// tip 300 pixels wide can hold on any screen.  A longer text ends in "…".
#define TOOLTIP_TEXT_MAX 4096

// Writes "最終更新日 %d月%d日 %d時%d分" (UTF-8) for a record's day
// (month * 32 + day of month) and time (hour * 60 + minute), without
// leading zeros.  Returns 1, or 0 when size is too small (the buffer then
// holds a cut line).
int32_t tooltip_text_line(int32_t day, int32_t time, char* buffer, size_t size);

// The tooltip text of a registered memo window: its text exactly as held
// (line breaks kept; none is taken as empty; cut after TOOLTIP_TEXT_MAX), a line feed and the
// last-modified line, in UTF-8.  Returns a tracked block the caller
// releases with TRACKED_FREE, or null when the window has no
// record.
char* tooltip_text_build(memo_hwnd memo);

#endif
