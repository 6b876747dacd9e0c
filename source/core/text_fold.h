// The folded form of text that searching compares: upper and lower case,
// full and half width, and hiragana and katakana made alike, so that
// "ﾒﾓ", "めも" and "メモ" (and "ﾃﾞ" and "デ") are the same text.  Written
// here as tables rather than asked of the system, whose linguistic
// comparison not every system running the program implements.
#ifndef KELVANE_TEXT_FOLD_H
#define KELVANE_TEXT_FOLD_H

#include <stddef.h>
#include <stdint.h>

// The folded form of one code point, marks not joined: half-width
// katakana and marks become full width and then hiragana, full-width
// ASCII and the ideographic space become ASCII, capitals become small
// letters (Latin, Greek, Cyrillic, full-width Latin, Roman numerals,
// circled letters), and the characters that code page 932 spells
// differently on different systems ("〜" and "～", "−" and "－", "―"
// and "—", "‖" and "∥") become one of each pair.
uint32_t text_fold_char(uint32_t c);

// The character that c (already folded) and a following voiced or
// semi-voiced sound mark make together ("ｶﾞ" and "か" + U+3099 are "が"),
// or 0 when mark is no such mark or c takes none.
uint32_t text_fold_join_mark(uint32_t c, uint32_t mark);

// Writes the folded form of length bytes of UTF-8 to out, which has room
// for length bytes: folding never lengthens a text.  Line breaks stay, an
// ill-formed part becomes one byte 0x1A, which no typed text holds.
// Returns the number of bytes written (no NUL is added).  Two texts match
// where their folded forms match byte for byte.
size_t text_fold_utf8(const char* text, size_t length, char* out);

#endif
