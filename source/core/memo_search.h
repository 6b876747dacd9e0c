// Finding memos by their text: which live memos match what the user typed
// and in which order the search window lists them.  It reads the texts in
// memory through the registry; nothing is read from disk and nothing is
// kept between two searches.
//
// Matching: the query is folded (text_fold: case, width, kana) and cut at
// spaces into words; a memo matches when each word occurs in its folded
// text.  A query of spaces alone, or nothing, matches every memo.
//
// Order, best first:
//   1. a word begins the memo (blanks before it aside): the memo is about it;
//   2. a word occurs in its first line, the line the memo and the list show
//      on top;
//   3. the words occur only further down.
// Within each, the most recently changed memo first (memo_search_recency),
// and memos with the same stamp in registration order.
#ifndef KELVANE_MEMO_SEARCH_H
#define KELVANE_MEMO_SEARCH_H

#include <stddef.h>
#include <stdint.h>

#include "platform.h"

enum memo_search_place {
    MEMO_SEARCH_EVERY = 0,  // an empty query lists every memo
    MEMO_SEARCH_AT_START = 1,
    MEMO_SEARCH_FIRST_LINE = 2,
    MEMO_SEARCH_FURTHER_DOWN = 3
};

struct memo_search_hit {
    memo_hwnd window;
    int32_t place;    // memo_search_place
    int64_t recency;  // memo_search_recency of its stamp
};

struct memo_search_result {
    memo_search_hit* hits;  // tracked block owned by the result, best first;
                            // null when nothing matched
    int32_t count;
};

// Searches the registered memos for query (UTF-8), with now the local time
// that decides the year of each stamp.  Release the result with
// memo_search_release.
void memo_search_run(const char* query, const platform_time* now, memo_search_result* result);

void memo_search_release(memo_search_result* result);

// A key that orders a memo's stamp (day: month * 32 + day of month, time:
// hour * 60 + minute) by how recently it was made: larger is newer.  The
// stamp carries no year, so a day more than one day after today's is
// taken as last year's (a day ahead is another computer's clock, not last
// year).  A memo never changed (day 0) comes after all others.
int64_t memo_search_recency(int32_t day, int32_t time, const platform_time* now);

// "7月3日 9:05" (UTF-8) for a stamp, "" for a memo never changed.  Returns
// 1, or 0 when size is too small.
int32_t memo_search_stamp_text(int32_t day, int32_t time, char* buffer, size_t size);

#endif
