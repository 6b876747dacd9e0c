// Which memo texts the edit box can hold comfortably, and how much its
// rich edit may take.  Window-free, so the rule can be tested alone.
//
// The rich edit lays out a paragraph in time that grows with the square of
// its length, plus a few microseconds per character for the whole text.
// Measured under Wine in a box of the default size: one paragraph of 5,000
// characters loads in 0.5 s, 10,000 in 1.4 s; 200,000 characters in short
// lines take 0.8 s; 10 MB took minutes, during which the program answered
// nothing.  A text whose load would take more than about half a second is
// not put into the box at all: the program must never stop answering.
#ifndef KELVANE_EDIT_TEXT_H
#define KELVANE_EDIT_TEXT_H

#include <stddef.h>
#include <stdint.h>

// The rich edit's text limit in UTF-16 units, raised to this before the
// memo's text goes in, so that a memo longer than the control's default
// (32,767) can be loaded whole and still be typed into.
#define EDIT_TEXT_LIMIT (256 * 1024)

// The cost above which a text is not opened, in units of about three
// microseconds of loading: one per UTF-16 unit plus the square of each
// paragraph's length over EDIT_TEXT_SQUARE_DIVISOR.
#define EDIT_TEXT_BUDGET 160000
#define EDIT_TEXT_SQUARE_DIVISOR 150

// The estimated cost of loading UTF-8 text into the rich edit; once it is
// past EDIT_TEXT_BUDGET the count stops and some value above it is
// returned.  Paragraphs end at LF, CR LF or a lone CR, as in the control.
uint64_t edit_text_cost(const char* text, size_t length);

// 1 when the text (UTF-8, NUL-terminated; null for none) can be opened in
// the edit box: its cost stays within the budget.
int edit_text_fits(const char* text);

#endif
