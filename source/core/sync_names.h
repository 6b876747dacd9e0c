// The names sync clients give the files they make beside ours in a data
// folder they keep in step: the copy a client keeps when two computers
// changed one file ("NAME" + the client's marker + ".txt", or for some
// "NAME.txt" + a marker), and their temporary and marker files.  One row
// per client, and per language where the marker has words.  Names are code
// page 932, as the platform module lists them.
#ifndef KELVANE_SYNC_NAMES_H
#define KELVANE_SYNC_NAMES_H

#include <stddef.h>

// One reading of a file name as a client's conflict copy of base.txt or
// base.ini: the base is the name's first base_length bytes, and the three
// bytes at extension are "txt" or "ini" in either case.
struct sync_names_copy {
    size_t base_length;
    size_t extension;
    int row;  // the client's row, for sync_names_client
};

// Every reading of name as a conflict copy, at most max, in the table's
// order; the number written.  A name may read several ways ("a-b-PC" is a
// copy of "a" or of "a-b" to one client): which base is a memo is for the
// caller to say.
int sync_names_conflict_copies(const char* name, sync_names_copy* out, int max);

// The client (and language) of a row.
const char* sync_names_client(int row);

// Whether name is a client's own file: a download in flight, a staged
// upload, a folder marker or journal.  Such a file is never loaded,
// renamed, tidied or deleted, and a change of it wakes nothing.
int sync_names_is_client_file(const char* name);

// Whether a change of the file name may matter to the memos: a text or
// INI file (not a client's own file), or a client's copy of one.  Pure, so
// that the folder watch thread may ask.
int sync_names_worth_a_look(const char* name);

#endif
