// What the fuzz targets share: an independent check that bytes are valid
// UTF-8 (written apart from the program's own, so that a fault there cannot
// hide itself) and the leak check of the tracked allocator.
#ifndef FUZZ_SUPPORT_H
#define FUZZ_SUPPORT_H

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "tracked_memory.h"

// Valid UTF-8 by the definition of the Unicode standard: no overlong form,
// no surrogate, nothing past U+10FFFF, no cut-off sequence.
inline bool fuzz_valid_utf8(const unsigned char* s, size_t n) {
    for (size_t i = 0; i < n;) {
        unsigned char c = s[i];
        size_t len;
        uint32_t cp;
        if (c < 0x80) {
            i++;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n) return false;
        for (size_t k = 1; k < len; k++) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        static const uint32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < least[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += len;
    }
    return true;
}

// Every tracked block of one input must be given back by its end.
class fuzz_leak_check {
public:
    fuzz_leak_check() : live_(tracked_live_count()) {}
    ~fuzz_leak_check() {
        if (tracked_live_count() != live_) abort();
    }

private:
    uint64_t live_;
};

#define FUZZ_CHECK(condition) \
    do {                      \
        if (!(condition)) abort(); \
    } while (0)

#endif
