// WM_COPYDATA text: bounded, cut at the terminator, made valid UTF-8.
#include "copydata_text.h"

#include <string.h>

#include "utf8_text.h"

char* copydata_text(const void* data, uint64_t size) {
    const char* bytes = static_cast<const char*>(data);
    size_t length = 0;
    if (bytes && size > 0) {
        // Only as far as the bound and one byte more: a terminator further
        // away makes the text too long either way.
        size_t look = size > COPYDATA_TEXT_MAX ? COPYDATA_TEXT_MAX + 1 : static_cast<size_t>(size);
        const void* nul = memchr(bytes, '\0', look);
        length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - bytes) : look;
    }
    if (length > COPYDATA_TEXT_MAX) return nullptr;
    return utf8_repair(bytes ? bytes : "", length, nullptr);
}
