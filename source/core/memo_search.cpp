// Matching and ranking memos for the search window.
#include "memo_search.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "memo_registry.h"
#include "text_fold.h"
#include "tracked_memory.h"

namespace {

const int64_t k_minutes_per_day = 24 * 60;
// More than any two stamps of one year lie apart: month 12 * 32 + day 31.
const int64_t k_year_of_stamps = 13 * 32 * k_minutes_per_day;

struct memo_search_word {
    const char* text;
    size_t length;
};

bool memo_search_is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The words of a folded query; a tracked block owned by the caller, or
// null when there are none.
memo_search_word* memo_search_words(const char* folded, size_t length, int32_t* count) {
    *count = 0;
    for (size_t i = 0; i < length; i++) {
        if (!memo_search_is_blank(folded[i]) && (i == 0 || memo_search_is_blank(folded[i - 1]))) {
            (*count)++;
        }
    }
    if (*count == 0) return nullptr;
    memo_search_word* words = TRACKED_NEW(memo_search_word, static_cast<uint64_t>(*count));
    int32_t n = 0;
    for (size_t i = 0; i < length;) {
        if (memo_search_is_blank(folded[i])) {
            i++;
            continue;
        }
        size_t end = i;
        while (end < length && !memo_search_is_blank(folded[end])) end++;
        words[n].text = folded + i;
        words[n].length = end - i;
        n++;
        i = end;
    }
    return words;
}

// Where word first occurs in text, or length when it does not.
size_t memo_search_find(const char* text, size_t length, const memo_search_word& word) {
    if (word.length > length) return length;
    const char* last = text + (length - word.length);
    for (const char* at = text; at <= last;) {
        const void* first = memchr(at, word.text[0], static_cast<size_t>(last - at) + 1);
        if (!first) break;
        at = static_cast<const char*>(first);
        if (memcmp(at, word.text, word.length) == 0) return static_cast<size_t>(at - text);
        at++;
    }
    return length;
}

// The best place any word takes in the folded text, or 0 when a word is
// missing.
int32_t memo_search_place_of(const char* folded, size_t length, const memo_search_word* words,
                             int32_t count) {
    size_t start = 0;
    while (start < length && memo_search_is_blank(folded[start])) start++;
    size_t line_end = start;
    while (line_end < length && folded[line_end] != '\n' && folded[line_end] != '\r') line_end++;
    int32_t best = MEMO_SEARCH_FURTHER_DOWN;
    for (int32_t i = 0; i < count; i++) {
        size_t at = memo_search_find(folded, length, words[i]);
        if (at == length) return 0;
        int32_t place = at == start     ? MEMO_SEARCH_AT_START
                        : at < line_end ? MEMO_SEARCH_FIRST_LINE
                                        : MEMO_SEARCH_FURTHER_DOWN;
        best = std::min(best, place);
    }
    return best;
}

bool memo_search_before(const memo_search_hit& a, const memo_search_hit& b) {
    if (a.place != b.place) return a.place < b.place;
    return a.recency > b.recency;
}

// A block for the folded form of a text of length bytes, grown as needed;
// the old one is released.
char* memo_search_room(char* buffer, size_t* room, size_t length) {
    if (length <= *room && buffer) return buffer;
    if (buffer) TRACKED_FREE(buffer);
    *room = std::max(length, static_cast<size_t>(4096));
    return TRACKED_NEW(char, *room);
}

}  // namespace

void memo_search_run(const char* query, const platform_time* now, memo_search_result* result) {
    result->hits = nullptr;
    result->count = 0;
    int32_t memos = 0;
    for (memo_hwnd w = memo_registry_next(nullptr); w; w = memo_registry_next(w)) memos++;
    if (memos == 0) return;

    size_t query_length = strlen(query);
    char* folded_query = TRACKED_NEW(char, query_length + 1);
    int32_t word_count = 0;
    memo_search_word* words = memo_search_words(
        folded_query, text_fold_utf8(query, query_length, folded_query), &word_count);

    memo_search_hit* hits = TRACKED_NEW(memo_search_hit, static_cast<uint64_t>(memos));
    int32_t count = 0;
    char* folded = nullptr;
    size_t room = 0;
    for (memo_hwnd w = memo_registry_next(nullptr); w && count < memos; w = memo_registry_next(w)) {
        const memo_record* record = memo_registry_find(w);
        if (!record) continue;
        int32_t place = MEMO_SEARCH_EVERY;
        if (word_count > 0) {
            const char* text = record->text ? record->text : "";
            size_t length = strlen(text);
            folded = memo_search_room(folded, &room, length);
            place = memo_search_place_of(folded, text_fold_utf8(text, length, folded), words,
                                         word_count);
            if (place == 0) continue;
        }
        hits[count].window = w;
        hits[count].place = place;
        hits[count].recency = memo_search_recency(record->day, record->time, now);
        count++;
    }
    if (folded) TRACKED_FREE(folded);
    if (words) TRACKED_FREE(words);
    TRACKED_FREE(folded_query);

    if (count == 0) {
        TRACKED_FREE(hits);
        return;
    }
    std::stable_sort(hits, hits + count, memo_search_before);
    result->hits = hits;
    result->count = count;
}

void memo_search_release(memo_search_result* result) {
    if (result->hits) TRACKED_FREE(result->hits);
    result->hits = nullptr;
    result->count = 0;
}

int64_t memo_search_recency(int32_t day, int32_t time, const platform_time* now) {
    if (day <= 0) return INT64_MIN;
    int64_t stamp = static_cast<int64_t>(day) * k_minutes_per_day + time;
    int64_t today = (static_cast<int64_t>(now->month) * 32 + now->day) * k_minutes_per_day +
                    now->hour * 60 + now->minute;
    return stamp > today + k_minutes_per_day ? stamp - k_year_of_stamps : stamp;
}

int32_t memo_search_stamp_text(int32_t day, int32_t time, char* buffer, size_t size) {
    int n = day <= 0 ? snprintf(buffer, size, "%s", "")
                     : snprintf(buffer, size, u8"%d月%d日 %d:%02d", day / 32, day % 32, time / 60,
                                time % 60);
    return n >= 0 && static_cast<size_t>(n) < size ? 1 : 0;
}
