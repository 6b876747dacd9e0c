// INI files (program.ini, config.ini, the memo INI files), read and written
// the way the Windows profile functions do it where users and other
// computers rely on it: names compared without regard to ASCII case, blanks
// around names and values ignored, ';' comment lines, the first of
// duplicate keys wins, a value in matching quotes read without them, CR LF
// or LF line ends, an existing key rewritten on its own line, a new key
// appended to its section and a new section to the file.
//
// A document holds the whole file in memory, so that writing many keys is
// one read and one write of the file.  Strings are code page 932; a file an
// editor saved as UTF-8 (with a byte-order mark, or without one when it is
// well-formed UTF-8 beyond ASCII) is converted when it is opened, and the
// next save writes it in code page 932.  Only a UTF-8 file that code page
// 932 cannot spell exactly stays UTF-8: its values are converted as they
// are read and set, so that saving it never loses what the user wrote.
#ifndef KELVANE_INI_FILE_H
#define KELVANE_INI_FILE_H

#include <stddef.h>
#include <stdint.h>

struct ini_document {
    char* text;       // NUL-terminated; null while empty
    size_t length;
    size_t capacity;  // bytes of text, the terminator included
    int crlf;         // line end of lines this program adds: 1 CR LF, 0 LF
    int utf8;         // 1: the text is UTF-8 that code page 932 cannot spell
    // A document only read is the platform's own read block (no copy:
    // thousands of memo INI files are read at start-up); the first change
    // moves the text into a tracked block owned by the document.
    unsigned char* platform_block;
};

// Reads path into doc.  A missing file gives an empty document.  Returns 0
// when the file exists but cannot be read; doc is then empty.
// Release with ini_close either way.
int ini_open(ini_document* doc, const char* path);

// Starts an empty document from bytes (the tests and the benchmark).
void ini_open_bytes(ini_document* doc, const char* bytes, size_t size);

void ini_close(ini_document* doc);

// Writes the document to path in one replacing step (never a torn file);
// flags as for platform_write_file.
int ini_save(const ini_document* doc, const char* path, int flags);

// The integer of a key: signed decimal (a leading zero is not octal) or
// 0x-hexadecimal, wrapping at 32 bits like the system's reader; def when
// the key is missing or its value is empty; 0 when the value is no number.
int32_t ini_get_int(const ini_document* doc, const char* section, const char* key,
                        int32_t def);

// Copies the value (def when the key is missing) into out, cut to at most
// out_size - 1 bytes at a character boundary.  Returns the full length of
// the value, so a result of out_size or more means it was cut.  A character
// of a UTF-8 file that code page 932 cannot spell reads as '?'.
size_t ini_get_string(const ini_document* doc, const char* section, const char* key,
                          const char* def, char* out, size_t out_size);

void ini_set_string(ini_document* doc, const char* section, const char* key,
                        const char* value);
void ini_set_int(ini_document* doc, const char* section, const char* key,
                     int32_t value);  // "%d"
void ini_set_hex(ini_document* doc, const char* section, const char* key,
                     uint32_t value);  // "0x%08x"

#endif
