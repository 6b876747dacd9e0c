// Which memo texts the edit box can hold comfortably, and how much its
// rich edit may take.  Window-free, so the rule can be tested alone.
//
// The rich edit lays out a paragraph in time that grows with the square of
// its length (measured under Wine: one paragraph of 10,000 characters takes
// 0.65 s to load and 0.24 s per typed key, 20,000 take 2.5 s and 1 s),
// plus about a microsecond per character for the text as a whole (300,000
// characters in short lines: 0.4 s; 10 MB: minutes).  A text whose load
// would take more than about half a second is not put into the box at all:
// the program must never stop answering.
#ifndef KELVANE_EDIT_TEXT_H
#define KELVANE_EDIT_TEXT_H

#include <stddef.h>
#include <stdint.h>

// The rich edit's text limit in UTF-16 units, raised to this before the
// memo's text goes in, so that a memo longer than the control's default
// (32,767) can be loaded whole and still be typed into.
#define EDIT_TEXT_LIMIT (512 * 1024)

// The cost above which a text is not opened, in units of about a
// microsecond of loading: one per UTF-16 unit plus the square of each
// paragraph's length over EDIT_TEXT_SQUARE_DIVISOR.
#define EDIT_TEXT_BUDGET 400000
#define EDIT_TEXT_SQUARE_DIVISOR 150

// The estimated cost of loading UTF-8 text into the rich edit; once it is
// past EDIT_TEXT_BUDGET the count stops and some value above it is
// returned.  Paragraphs end at LF, CR LF or a lone CR, as in the control.
uint64_t edit_text_cost(const char* text, size_t length);

// 1 when the text (UTF-8, NUL-terminated; null for none) can be opened in
// the edit box: its cost stays within the budget.
int edit_text_fits(const char* text);

#endif
