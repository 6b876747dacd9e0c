// The copies a sync client keeps when two computers changed one memo file
// at once (sync_names holds their names): a copy of a memo's text becomes
// an ordinary memo pair of its own, once, everywhere.
//
// Every computer that sees a copy converts it on its own, and every one
// makes the same pair, so that the client finds one memo and no conflict
// to keep: the name is a hash of the copy's file name ("k" and 13
// hexadecimal digits: 14 characters like our own names, none of a client's
// markers, never taken for a memo made here); the text file holds the
// copy's bytes exactly; the INI file is the original's keys (its colour,
// its stamp) with the place moved beside the original, in stored 96-dpi
// units toward the desktop's centre, so that it depends on nothing of this
// computer's screen; both files get the copy's last-write time.  The INI
// is written first, then the text; only once the pair is complete does the
// client's file go to the recycle bin (whatever RECYCLE says).  A computer
// that finds the pair already there (the other one made it, and it came
// through) only recycles the copy.  A copy whose text already stands in a
// pair (its original's, or the pair it would become) or that holds no
// text makes no memo; a pair of that name that holds another text moves
// the next copy to the next name (the hash of the name and a count).
//
// A copy of an INI file alone never changes a memo: it is recycled once
// its text side is safe (no text copy of the same marker is waiting).
#ifndef KELVANE_CONFLICT_COPIES_H
#define KELVANE_CONFLICT_COPIES_H

#include <stddef.h>

#include "folder_listing.h"

enum conflict_copies_result {
    CONFLICT_COPIES_NONE = 0,  // not a client's copy of a memo's file
    CONFLICT_COPIES_DONE,      // taken care of; no memo to load for it
    CONFLICT_COPIES_MADE,      // the memo pair *made now stands, to be loaded
    CONFLICT_COPIES_LATER      // left as it is for now (a file held, a write
                               // that failed); the next look tries again
};

// Looks at name, a file of view's folder that no live memo has: when it is
// a client's conflict copy of a memo's text or INI file (the memo's INI
// file is in the folder, or a memo of that name lives), takes it as above.
// made (size bytes) receives the name of the memo to load.
int conflict_copies_take(const folder_listing* view, const char* name, char* made, size_t size);

// Tries again to recycle the client files that were held when their text
// stood in a pair, each only while it is unchanged; the number still owed
// (memo_file asks for its retry timer while any is).
int conflict_copies_recycle_owed(void);

// Whether a memo's name is one this module makes.
int conflict_copies_made_name(const char* name);

#endif
