// UTF-8 as the program takes it from outside (other programs, files):
// sequences that are not UTF-8 replaced, lengths counted in characters and
// in the UTF-16 units the display side will need.
#ifndef KELVANE_UTF8_TEXT_H
#define KELVANE_UTF8_TEXT_H

#include <stddef.h>
#include <stdint.h>

// The length of the valid sequence that starts at text[0] (1 to 4 bytes),
// or 0 when none starts there: an ill-formed part of at least one byte then
// begins, utf8_bad_length bytes long.  length is what may be read.
size_t utf8_sequence_length(const unsigned char* text, size_t length);

// How many bytes one U+FFFD stands for at text[0], where no valid sequence
// starts: the lead byte and every continuation byte that could still have
// belonged to it (the "maximal subpart" of the Unicode standard).
size_t utf8_bad_length(const unsigned char* text, size_t length);

// length bytes as valid UTF-8: each ill-formed part becomes U+FFFD, every
// other byte stays (NUL bytes too).  Returns a new tracked block, NUL
// terminated, owned by the caller; *out_length (when given) is its length
// without the terminator.
char* utf8_repair(const char* bytes, size_t length, size_t* out_length);

// The number of bytes of valid UTF-8 text that hold its first max_chars
// characters; *cut (when given) is 1 when characters follow them.
size_t utf8_prefix(const char* text, size_t length, size_t max_chars, int* cut);

// The start of a NUL-terminated UTF-8 text that is worth showing: the whole
// text when it is at most max_bytes long, else its first max_bytes bytes
// cut back to the start of a character, and *cut (when given) 1.  Reads at
// most max_bytes + 1 bytes, so a 10 MB memo costs its start, not its length.
size_t utf8_shown_length(const char* text, size_t max_bytes, int* cut);

// The first max_chars characters of a NUL-terminated text, with "…" after
// them when more follow: the start of a memo as a menu entry, a list row or
// a window name show it.  Only as many bytes as max_chars characters can
// take are read, so a text of megabytes costs no more than a short one.
// Returns a new tracked block owned by the caller.
char* utf8_start(const char* text, size_t max_chars);

// The character whose sequence starts at text[0]; *used (at least 1 when
// length is not 0) is how many bytes it took.  An ill-formed part gives
// UTF8_BAD for utf8_bad_length bytes.
#define UTF8_BAD 0xFFFFFFFFu
uint32_t utf8_decode(const unsigned char* text, size_t length, size_t* used);

// Writes code point c (at most U+10FFFF, no surrogate) as UTF-8 to out,
// which has room for 4 bytes; the number of bytes written.
size_t utf8_encode(uint32_t c, char* out);

// UTF-16 units of one character whose UTF-8 sequence starts with lead: 2
// beyond the basic plane, else 1.
inline int utf8_utf16_units(unsigned char lead) { return lead >= 0xF0 ? 2 : 1; }

#endif
