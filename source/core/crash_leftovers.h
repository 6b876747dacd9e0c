// The program's own temporary files that a crash or a kill left behind in
// the data folder.  Only our own names are touched: a memo's name plus
// ".txt.tmp" or ".ini.tmp", and the probe file; a sync client's download
// in flight (".syncthing.NAME.txt.tmp", "~syncthing~NAME.txt.tmp") ends
// alike and is never ours.  The INI of a new memo whose text landed (the
// INI is written first) becomes the memo's INI file: that only completes a
// pair.  Any other leftover goes, since in a synchronised folder it would
// travel to every computer.  But a program on another computer that shares
// the folder may be writing one right now (it writes its temporary file
// and puts it in place within a second or two): a look the program makes
// by itself touches only leftovers last written more than
// CRASH_LEFTOVERS_AGE_S seconds ago; at start-up every leftover is taken
// care of, and on "メモを更新" every completion.
#ifndef KELVANE_CRASH_LEFTOVERS_H
#define KELVANE_CRASH_LEFTOVERS_H

#include "folder_listing.h"

#define CRASH_LEFTOVERS_AGE_S 600

enum crash_leftovers_when {
    CRASH_LEFTOVERS_START,  // the program's first look
    CRASH_LEFTOVERS_ASKED,  // the user asked for a look
    CRASH_LEFTOVERS_LIVE    // a look after a change notice
};

// Tidies what list (a listing of the data folder) holds.  The number of
// INI files it completed (the listing then no longer shows the folder as
// it is).
int crash_leftovers_tidy(const folder_listing* list, int when);

#endif
