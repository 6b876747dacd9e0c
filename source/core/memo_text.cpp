// The bytes of a memo's text file and the text they hold.
#include "memo_text.h"

#include <string.h>

#include "busy_file.h"
#include "error_log.h"
#include "platform.h"
#include "tracked_memory.h"

namespace {

const unsigned char k_bom[3] = {0xEF, 0xBB, 0xBF};

// How long the read of a memo waits in all for a file that another
// program holds for a moment.
const uint32_t k_read_budget_ms = 300;

}  // namespace

char* memo_text_decode(const unsigned char* data, uint64_t size) {
    const unsigned char* start = data;
    if (size >= 3 && memcmp(data, k_bom, 3) == 0) start += 3;
    // Up to the first NUL, or the end of the bytes when there is none.
    size_t rest = static_cast<size_t>(size) - static_cast<size_t>(start - data);
    const void* nul = memchr(start, '\0', rest);
    size_t length = nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - start) : rest;
    char* text = TRACKED_NEW(char, length + 1);
    size_t kept = 0;
    for (size_t i = 0; i < length; i++) {
        if (start[i] != '\r') text[kept++] = static_cast<char>(start[i]);
    }
    text[kept] = '\0';
    return text;
}

char* memo_text_read(const char* path) {
    unsigned char* data;
    uint64_t size;
    uint32_t budget_ms = k_read_budget_ms;
    if (!busy_file_read(path, &data, &size, &budget_ms)) {
        REPORT_FAILURE();
        return nullptr;
    }
    char* text = memo_text_decode(data, size);
    platform_release_file(data);
    return text;
}

char* memo_text_encode(const char* text, int32_t textfile, size_t* size) {
    // A text that itself begins with U+FEFF gets the mark even when the
    // format has none: the reader takes one mark away, and the text's own
    // would go with it.
    const unsigned char* start = reinterpret_cast<const unsigned char*>(text);
    int own_mark = start[0] == k_bom[0] && start[1] == k_bom[1] &&
                   start[2] == k_bom[2];  // stops at the terminator
    int bom = (textfile & 0xFFFF) == 1 || own_mark;
    int crlf = (static_cast<uint32_t>(textfile) >> 16) != 0;
    size_t needed = bom ? 3 : 0;
    for (const char* p = text; *p; p++) {
        if (*p == '\n') needed += crlf ? 2 : 1;
        else if (*p != '\r') needed++;
    }
    char* out = TRACKED_NEW(char, needed + 1);
    size_t n = 0;
    if (bom) {
        memcpy(out, k_bom, 3);
        n = 3;
    }
    for (const char* p = text; *p; p++) {
        if (*p == '\r') continue;
        if (*p == '\n' && crlf) out[n++] = '\r';
        out[n++] = *p;
    }
    out[n] = '\0';
    *size = n;
    return out;
}

int memo_text_same(const char* from_file, const char* memo_text) {
    const char* a = from_file;
    const char* b = memo_text;
    for (;;) {
        while (*a == '\r') a++;
        while (*b == '\r') b++;
        if (*a != *b) return 0;
        if (!*a) return 1;
        a++;
        b++;
    }
}
