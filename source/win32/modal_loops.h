// The modal loops of the program's one thread (message boxes, the settings
// sheet and its pickers, the welcome dialog, a pop-up menu, a drag), ended
// from the outside for an exit or the end of the Windows session: a window
// must never be destroyed under the loop that runs for it.
#ifndef KELVANE_MODAL_LOOPS_H
#define KELVANE_MODAL_LOOPS_H

// Asks every open modal loop to end with the answer that changes nothing
// (Cancel where the dialog has it, else No, else OK; a menu closed, a drag
// ended where it is).  The answers are posted: the loops end once the
// caller has returned to them.  1 when some loop was open, 0 when none is.
int modal_loops_end(void);

#endif
