// The memo text decoder on any file contents, and the encoder behind it:
// what is read must be written back to bytes that read the same, in each
// of the four TEXTFILE formats.
#include <stdint.h>
#include <string.h>

#include "fuzz_support.h"
#include "memo_text.h"
#include "memo_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_leak_check leaks;
    char* text = memo_text_decode(data, size);
    size_t length = strlen(text);
    FUZZ_CHECK(length <= size);
    FUZZ_CHECK(memchr(text, '\r', length) == nullptr);
    const int32_t formats[] = {0, 1, 0x10000, 0x10001};
    for (int32_t format : formats) {
        size_t encoded_size = 0;
        char* bytes = memo_text_encode(text, format, &encoded_size);
        char* again = memo_text_decode(reinterpret_cast<const unsigned char*>(bytes), encoded_size);
        FUZZ_CHECK(strcmp(again, text) == 0);
        TRACKED_FREE(again);
        TRACKED_FREE(bytes);
    }
    TRACKED_FREE(text);
    return 0;
}
