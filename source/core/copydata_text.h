// Text that another program hands over with WM_COPYDATA, taken as a new
// memo's text.  Window-free, so the rule can be tested and fuzzed alone.
#ifndef KELVANE_COPYDATA_TEXT_H
#define KELVANE_COPYDATA_TEXT_H

#include <stdint.h>

// The longest text taken, in bytes before the terminator.  A larger one is
// refused whole (the sender gets 0): a memo is a note, and the copy of the
// message that the system hands us already costs its whole size.
#define COPYDATA_TEXT_MAX (1024 * 1024)

// The sender's bytes up to the first NUL or size bytes, whichever comes
// first (a sender that forgets the terminator must not make us read past
// its buffer), as valid UTF-8: invalid sequences become U+FFFD.  No data
// gives an empty text.  Returns a new tracked block owned by the caller, or
// null when the text is longer than COPYDATA_TEXT_MAX.
char* copydata_text(const void* data, uint64_t size);

#endif
