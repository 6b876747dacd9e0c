// UTF-8 repair and character counting.
#include "utf8_text.h"

#include <string.h>

#include "tracked_memory.h"

namespace {

const unsigned char k_replacement[3] = {0xEF, 0xBF, 0xBD};  // U+FFFD

// The allowed range of the second byte after a lead byte, and the length of
// the whole sequence; 0 for a byte that starts nothing.  The narrowed
// second ranges shut out overlong forms, surrogates and code points past
// U+10FFFF.
size_t utf8_lead(unsigned char lead, unsigned char* low, unsigned char* high) {
    *low = 0x80;
    *high = 0xBF;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (lead == 0xE0) *low = 0xA0;
        if (lead == 0xED) *high = 0x9F;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (lead == 0xF0) *low = 0x90;
        if (lead == 0xF4) *high = 0x8F;
        return 4;
    }
    return 0;
}

// How many bytes of the sequence that text[0] leads are well formed.
size_t utf8_good_prefix(const unsigned char* text, size_t length, size_t* needed) {
    unsigned char low;
    unsigned char high;
    *needed = utf8_lead(text[0], &low, &high);
    if (*needed <= 1) return *needed;
    size_t good = 1;
    while (good < *needed && good < length && text[good] >= low && text[good] <= high) {
        low = 0x80;
        high = 0xBF;
        good++;
    }
    return good;
}

}  // namespace

size_t utf8_sequence_length(const unsigned char* text, size_t length) {
    if (length == 0) return 0;
    size_t needed;
    size_t good = utf8_good_prefix(text, length, &needed);
    return needed > 0 && good == needed ? needed : 0;
}

size_t utf8_bad_length(const unsigned char* text, size_t length) {
    if (length == 0) return 0;
    size_t needed;
    size_t good = utf8_good_prefix(text, length, &needed);
    return good > 0 ? good : 1;
}

char* utf8_repair(const char* bytes, size_t length, size_t* out_length) {
    const unsigned char* in = reinterpret_cast<const unsigned char*>(bytes);
    // First the size, so the block is exact.
    size_t size = 0;
    for (size_t i = 0; i < length;) {
        size_t n = utf8_sequence_length(in + i, length - i);
        if (n > 0) {
            size += n;
            i += n;
        } else {
            size += sizeof k_replacement;
            i += utf8_bad_length(in + i, length - i);
        }
    }
    char* out = TRACKED_NEW(char, size + 1);
    size_t at = 0;
    for (size_t i = 0; i < length;) {
        size_t n = utf8_sequence_length(in + i, length - i);
        if (n > 0) {
            memcpy(out + at, in + i, n);
            at += n;
            i += n;
        } else {
            memcpy(out + at, k_replacement, sizeof k_replacement);
            at += sizeof k_replacement;
            i += utf8_bad_length(in + i, length - i);
        }
    }
    out[at] = '\0';
    if (out_length) *out_length = at;
    return out;
}

size_t utf8_prefix(const char* text, size_t length, size_t max_chars, int* cut) {
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text);
    size_t at = 0;
    for (size_t chars = 0; at < length && chars < max_chars; chars++) {
        size_t n = utf8_sequence_length(in + at, length - at);
        at += n > 0 ? n : utf8_bad_length(in + at, length - at);
    }
    if (cut) *cut = at < length;
    return at;
}

size_t utf8_shown_length(const char* text, size_t max_bytes, int* cut) {
    size_t n = 0;
    while (n <= max_bytes && text[n] != '\0') n++;
    if (cut) *cut = n > max_bytes;
    if (n <= max_bytes) return n;
    n = max_bytes;
    // Back over continuation bytes (10xxxxxx) to the lead byte, which is
    // dropped with them.
    for (int back = 0; back < 4 && n > 0; back++) {
        if ((static_cast<unsigned char>(text[n]) & 0xC0) != 0x80) break;
        n--;
    }
    return n;
}

char* utf8_start(const char* text, size_t max_chars) {
    int cut_bytes = 0;
    size_t length = utf8_shown_length(text, max_chars * 4, &cut_bytes);
    int cut = 0;
    size_t keep = utf8_prefix(text, length, max_chars, &cut);
    cut = cut || cut_bytes;
    static const char k_ellipsis[] = u8"…";
    size_t tail = cut ? sizeof k_ellipsis - 1 : 0;
    char* start = TRACKED_NEW(char, keep + tail + 1);
    memcpy(start, text, keep);
    memcpy(start + keep, k_ellipsis, tail);
    start[keep + tail] = '\0';
    return start;
}

uint32_t utf8_decode(const unsigned char* text, size_t length, size_t* used) {
    size_t n = utf8_sequence_length(text, length);
    if (n == 0) {
        *used = utf8_bad_length(text, length);
        return UTF8_BAD;
    }
    *used = n;
    if (n == 1) return text[0];
    // The lead byte keeps 7 - n bits of the code point, each further byte 6.
    uint32_t c = text[0] & (0x7Fu >> n);
    for (size_t i = 1; i < n; i++) c = (c << 6) | (text[i] & 0x3Fu);
    return c;
}

size_t utf8_encode(uint32_t c, char* out) {
    unsigned char* o = reinterpret_cast<unsigned char*>(out);
    if (c < 0x80) {
        o[0] = static_cast<unsigned char>(c);
        return 1;
    }
    if (c < 0x800) {
        o[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
        o[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        o[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
        o[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        o[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 3;
    }
    o[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
    o[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
    o[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    o[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 4;
}
