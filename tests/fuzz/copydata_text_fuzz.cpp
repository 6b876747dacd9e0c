// The WM_COPYDATA text path on any bytes another program may send: the
// text is valid UTF-8, ends where the sender's data or its terminator
// ends, keeps valid input unchanged, and is refused only past the bound.
#include <stdint.h>
#include <string.h>

#include "copydata_text.h"
#include "edit_text.h"
#include "fuzz_support.h"
#include "utf8_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_leak_check leaks;
    // A copy of exactly size bytes, so that a read past them is caught.
    unsigned char* sent = size ? static_cast<unsigned char*>(malloc(size)) : nullptr;
    if (size) memcpy(sent, data, size);
    char* text = copydata_text(sent, size);
    const void* nul = size ? memchr(sent, '\0', size) : nullptr;
    size_t taken = nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - sent) : size;
    FUZZ_CHECK(text != nullptr);  // the fuzzer's inputs stay below the bound
    size_t length = strlen(text);
    FUZZ_CHECK(fuzz_valid_utf8(reinterpret_cast<const unsigned char*>(text), length));
    FUZZ_CHECK(length <= 3 * taken);
    if (fuzz_valid_utf8(sent, taken)) {
        FUZZ_CHECK(length == taken && (taken == 0 || memcmp(text, sent, taken) == 0));
    }
    // What the tray list and the edit box do with such a text.
    int cut = 0;
    size_t prefix = utf8_prefix(text, length, 64, &cut);
    FUZZ_CHECK(prefix <= length && fuzz_valid_utf8(reinterpret_cast<const unsigned char*>(text), prefix));
    FUZZ_CHECK(cut == (prefix < length));
    edit_text_fits(text);
    TRACKED_FREE(text);
    free(sent);
    return 0;
}
