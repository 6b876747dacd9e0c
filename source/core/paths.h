// Paths in code page 932 with backslashes: the lead-byte rule that keeps a
// backslash-like trail byte ("表" is 0x95 0x5C) from being read as a
// separator, the program's folder, and joining a folder and a name.  A
// leaf module: it reaches the system only through the platform module and
// reports nothing itself, so the error log can use it too.
#ifndef KELVANE_PATHS_H
#define KELVANE_PATHS_H

#include <stddef.h>

#include "platform.h"

// 1 when byte c starts a two-byte character of code page 932.
int path_is_lead_byte(unsigned char c);

// Length of the longest prefix of text (at most limit bytes) that does not
// end inside a two-byte character.
size_t path_cut_length(const char* text, size_t length, size_t limit);

// The last backslash of path that is a character of its own; null when
// there is none.
const char* path_last_backslash(const char* path);

// Whether path ends in a backslash that is a character of its own.
int path_ends_in_backslash(const char* path);

// "folder\name" into out (size bytes); a folder that already ends in a
// backslash (a drive root) gets none added.  0 when it does not fit (out is
// then empty): a cut path would name some other file.
int path_join(char* out, const char* folder, const char* name, size_t size = PLATFORM_PATH_SIZE);

// One of a memo's files: "folder\name" + extension (".txt", ".ini", or
// either followed by PLATFORM_TEMP_SUFFIX for the temporary file of a
// replacing write) into out (PLATFORM_PATH_SIZE bytes), joined as
// path_join joins.  0 when it does not fit (out is then empty).
int path_memo_file(char* out, const char* folder, const char* name, const char* extension);

// The program's folder: its own path up to the last backslash, into out
// (PLATFORM_PATH_SIZE bytes); a path without a backslash is taken whole.
// 0 when the path cannot be had (out is then empty).
int path_program_folder(char* out);

// "%s\%s" of the program's folder and name into out (PLATFORM_PATH_SIZE
// bytes); 0 when the folder cannot be had or the result does not fit.
int path_beside_program(char* out, const char* name);

// Whether a memo file name ("folder\" + 14 digits + ".txt.tmp") still
// fits behind folder in PLATFORM_PATH_SIZE bytes.
int path_has_memo_room(const char* folder);

// The file that path_folder_usable writes and removes again; the name
// matches neither "*.txt" nor "*.ini", so a leftover is never a memo.
#define PATH_PROBE_NAME "kelvane-probe"

// Whether folder can take the memo data: it exists as a folder, a memo
// file name still fits behind it, and a file can be written into it and
// removed again.
int path_folder_usable(const char* folder);

#endif
