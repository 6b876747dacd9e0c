// The bytes of a memo's text file and the text they hold: UTF-8 with an
// optional byte-order mark, LF or CR LF line ends on disk, LF in memory.
#ifndef KELVANE_MEMO_TEXT_H
#define KELVANE_MEMO_TEXT_H

#include <stddef.h>
#include <stdint.h>

// The text of size bytes of a text file: byte-order mark optional, text up
// to the first NUL (or the end), every CR removed.  A new tracked block owned by the caller.
char* memo_text_decode(const unsigned char* data, uint64_t size);

// Reads a memo text file and decodes it, waiting a moment for a file that
// another program holds.  A new tracked block owned by the caller, or null
// when the file cannot be read or is 4 GiB or larger.
char* memo_text_read(const char* path);

// The bytes of a text file for text under the TEXTFILE format: optional
// byte-order mark (always there when the text begins with U+FEFF, which the
// reader would otherwise take for the mark), every CR of the text left out, every LF written as LF or
// CR LF.  Returns a new tracked block owned by the caller.
char* memo_text_encode(const char* text, int32_t textfile, size_t* size);

// Whether two memo texts are the same but for their line ends: a text read
// from a file has LF, the edit box hands over CR LF.
int memo_text_same(const char* from_file, const char* memo_text);

#endif
