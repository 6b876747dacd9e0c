// The program's own temporary files that a crash or a kill left behind in
// the data folder: a temporary file beside its complete file is an
// unfinished write and goes; the INI of a new memo whose text file landed
// (the INI is written first) becomes the memo's INI file; any other
// leftover of our naming goes too, since in a synchronised folder it would
// travel to every computer.
#ifndef KELVANE_CRASH_LEFTOVERS_H
#define KELVANE_CRASH_LEFTOVERS_H

// Tidies folder; called before every scan of the data folder.
void crash_leftovers_tidy(const char* folder);

#endif
