// The program's own temporary files that a crash or a kill left behind in
// the data folder.  Only our own names are touched: a memo's name plus
// ".txt.tmp" or ".ini.tmp", and the probe file; a sync client's download
// in flight (".syncthing.NAME.txt.tmp", "~syncthing~NAME.txt.tmp") ends
// alike and is never ours.  The INI of a new memo whose text landed (the
// INI is written first) becomes the memo's INI file, whenever it is found:
// that only completes a pair.  Any other leftover goes, since in a
// synchronised folder it would travel to every computer, but only where no
// live writer can own it: at start-up, or once it was last written more
// than CRASH_LEFTOVERS_AGE_S seconds ago (a program on another computer
// that shares the folder writes its temporary file and replaces the target
// within a second or two).
#ifndef KELVANE_CRASH_LEFTOVERS_H
#define KELVANE_CRASH_LEFTOVERS_H

#include "folder_listing.h"

#define CRASH_LEFTOVERS_AGE_S 600

// Tidies what list (a listing of the data folder) holds; startup: 1 for
// the first scan of the program.  The number of INI files it completed
// (the listing then no longer shows the folder as it is).
int crash_leftovers_tidy(const folder_listing* list, int startup);

#endif
