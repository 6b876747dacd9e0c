// Memo record and memo registry: the list of live memo windows, each with
// its record, in registration order.
#ifndef KELVANE_MEMO_REGISTRY_H
#define KELVANE_MEMO_REGISTRY_H

#include <stdint.h>

#include "file_stamp.h"
#include "messages.h"
#include "platform.h"

// The mode of the hand-over record.
#define MEMO_MODE_FROM_FILES 1
#define MEMO_MODE_NEW 2

// Colour index of a new memo (the second slot).
#define MEMO_COLOR_NEW 1
#define MEMO_COLOR_COUNT 7

#define MEMO_FILE_NAME_SIZE 260

struct memo_record {
    int32_t color_index;  // 0..6 whenever the memo is drawn
    memo_hwnd tooltip;    // owned by the memo window
    int32_t day;          // month * 32 + day of month; 0 = never edited
    int32_t time;         // hour * 60 + minute
    int32_t active;
    char* text;           // UTF-8, tracked block owned by the record; null
                          // until the first text arrives
    char file_name[MEMO_FILE_NAME_SIZE];  // base name of the two files; written
                                          // only through memo_registry_set_name
    unsigned char reserved[8];
    // What the memo's files held when it last read or wrote them, so that
    // a change another computer made is noticed and never overwritten.
    file_stamp text_stamp;
    uint64_t text_hash;    // of the text in that file, line ends aside
    file_stamp ini_stamp;  // its hash is not used
    int32_t editing;       // 1 while its edit box is open: refreshes pass it by
    int32_t refresh_due;   // its files changed while it was being edited
};

struct memo_handover {
    memo_record* record;
    uint16_t mode;
};

// Appends window and returns its record, every field zero.  The registry
// owns the record (and the record its text) until memo_registry_remove.
memo_record* memo_registry_add(memo_hwnd window);

// Releases the record's text, then the record.  An unknown window is ignored.
void memo_registry_remove(memo_hwnd window);

// The record of a registered window; null for null or an unknown window.
// The first window is memo_registry_next(nullptr).
memo_record* memo_registry_find(memo_hwnd window);

// The window after window, or the first for null; null after the last.
// An unknown window yields null.
memo_hwnd memo_registry_next(memo_hwnd window);

// Names the memo of window: copies file_name (cut to MEMO_FILE_NAME_SIZE - 1
// bytes) into its record and files it under that name for
// memo_registry_find_name.  0 for an unknown window, which keeps no name.
int memo_registry_set_name(memo_hwnd window, const char* file_name);

// The window whose record has file_name exactly (byte for byte), with its
// record in *record; null when no live memo has that name.  Should two
// memos share a name, the one registered first.  Constant time, like
// memo_registry_find and memo_registry_next.
memo_hwnd memo_registry_find_name(const char* file_name, memo_record** record);

#endif
