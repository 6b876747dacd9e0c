// Folding text for searching: three table lookups per code point (width,
// case, kana), then the joining of sound marks.
#include "text_fold.h"

#include "utf8_text.h"

namespace {

// Code points first..last, every one (step 1) or every other one from
// first on (step 2, the capital of a pair alternating with its small
// letter), move by delta.
struct fold_range {
    uint32_t first;
    uint32_t last;
    int32_t delta;
    uint32_t step;
};

const fold_range k_width[] = {
    {0x3000, 0x3000, 0x20 - 0x3000, 1},    // ideographic space
    {0xFF01, 0xFF5E, 0x21 - 0xFF01, 1},    // full-width ASCII
    {0xFFE0, 0xFFE0, 0xA2 - 0xFFE0, 1},    // ￠ ¢
    {0xFFE1, 0xFFE1, 0xA3 - 0xFFE1, 1},    // ￡ £
    {0xFFE2, 0xFFE2, 0xAC - 0xFFE2, 1},    // ￢ ¬
    {0xFFE3, 0xFFE3, 0xAF - 0xFFE3, 1},    // ￣ ¯
    {0xFFE4, 0xFFE4, 0xA6 - 0xFFE4, 1},    // ￤ ¦
    {0xFFE5, 0xFFE5, 0xA5 - 0xFFE5, 1},    // ￥ ¥
    {0xFFE6, 0xFFE6, 0x20A9 - 0xFFE6, 1},  // ￦ ₩
    // One character of code page 932, two code points depending on the
    // system that converted it.
    {0x2015, 0x2015, 0x2014 - 0x2015, 1},  // ― —
    {0x2016, 0x2016, 0x2225 - 0x2016, 1},  // ‖ ∥
    {0x2212, 0x2212, 0x2D - 0x2212, 1},    // − -
    {0x301C, 0x301C, 0x7E - 0x301C, 1},    // 〜 ~
};

// Half-width katakana and their marks, U+FF61 to U+FF9F, at full width.
const uint16_t k_half_katakana[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9,
    0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB,
    0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1,
    0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5,
    0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9,
    0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C,
};
const uint32_t k_half_first = 0xFF61;
const uint32_t k_half_last = 0xFF9F;

// Capitals to small letters.  Only pairs whose small letter is no longer
// in UTF-8 than the capital, so that folding never lengthens a text.
const fold_range k_case[] = {
    {0x0041, 0x005A, 32, 1},
    {0x00C0, 0x00D6, 32, 1},
    {0x00D8, 0x00DE, 32, 1},
    {0x0100, 0x012F, 1, 2},
    {0x0130, 0x0130, 0x69 - 0x130, 1},
    {0x0132, 0x0137, 1, 2},
    {0x0139, 0x0148, 1, 2},
    {0x014A, 0x0177, 1, 2},
    {0x0178, 0x0178, 0xFF - 0x178, 1},
    {0x0179, 0x017E, 1, 2},
    {0x01CD, 0x01DC, 1, 2},
    {0x01DE, 0x01EF, 1, 2},
    {0x01F8, 0x021F, 1, 2},
    {0x0386, 0x0386, 38, 1},
    {0x0388, 0x038A, 37, 1},
    {0x038C, 0x038C, 64, 1},
    {0x038E, 0x038F, 63, 1},
    {0x0391, 0x03A1, 32, 1},
    {0x03A3, 0x03AB, 32, 1},
    {0x03C2, 0x03C2, 1, 1},  // final sigma
    {0x0400, 0x040F, 80, 1},
    {0x0410, 0x042F, 32, 1},
    {0x0460, 0x0481, 1, 2},
    {0x048A, 0x04BF, 1, 2},
    {0x04D0, 0x04FF, 1, 2},
    {0x1E00, 0x1E95, 1, 2},
    {0x1E9E, 0x1E9E, 0xDF - 0x1E9E, 1},  // ẞ ß
    {0x1EA0, 0x1EFF, 1, 2},
    {0x212A, 0x212A, 0x6B - 0x212A, 1},  // Kelvin sign
    {0x212B, 0x212B, 0xE5 - 0x212B, 1},  // Angstrom sign
    {0x2160, 0x216F, 16, 1},
    {0x24B6, 0x24CF, 26, 1},
};

// Katakana (and ヽ ヾ) to hiragana; ヷ to ヺ have no hiragana and stay.
const fold_range k_kana[] = {
    {0x30A1, 0x30F6, -0x60, 1},
    {0x30FD, 0x30FE, -0x60, 1},
};

template <size_t N>
uint32_t text_fold_lookup(const fold_range (&table)[N], uint32_t c) {
    for (const fold_range& r : table) {
        if (c >= r.first && c <= r.last && (c - r.first) % r.step == 0) {
            return static_cast<uint32_t>(static_cast<int64_t>(c) + r.delta);
        }
    }
    return c;
}

bool text_fold_is_voiced_mark(uint32_t c) { return c == 0xFF9E || c == 0x3099; }
bool text_fold_is_semi_voiced_mark(uint32_t c) { return c == 0xFF9F || c == 0x309A; }

// The hiragana that take a voiced mark as their next code point: か to ち
// at every other one, つ, て, と, and は to ほ (which take the semi-voiced
// mark at the one after that).
bool text_fold_takes_voiced_mark(uint32_t c) {
    return (c >= 0x304B && c <= 0x3061 && (c - 0x304B) % 2 == 0) || c == 0x3064 || c == 0x3066 ||
           c == 0x3068 || (c >= 0x306F && c <= 0x307B && (c - 0x306F) % 3 == 0) || c == 0x309D;
}

}  // namespace

uint32_t text_fold_char(uint32_t c) {
    if (c < 0x80) {
        return c >= 'A' && c <= 'Z' ? c + 32 : c;  // the common case, without the tables
    }
    if (c >= k_half_first && c <= k_half_last) {
        c = k_half_katakana[c - k_half_first];
    } else if (c == 0x3099 || c == 0x309A) {
        c += 2;  // a combining mark that joined nothing: the spacing mark
    } else {
        c = text_fold_lookup(k_width, c);
    }
    return text_fold_lookup(k_kana, text_fold_lookup(k_case, c));
}

uint32_t text_fold_join_mark(uint32_t c, uint32_t mark) {
    if (text_fold_is_voiced_mark(mark)) {
        if (text_fold_takes_voiced_mark(c)) return c + 1;
        if (c == 0x3046) return 0x3094;                              // う ゔ
        if (c >= 0x308F && c <= 0x3092) return c - 0x308F + 0x30F7;  // わゐゑを ヷヸヹヺ
        return 0;
    }
    if (text_fold_is_semi_voiced_mark(mark) && c >= 0x306F && c <= 0x307B &&
        (c - 0x306F) % 3 == 0) {
        return c + 2;
    }
    return 0;
}

size_t text_fold_utf8(const char* text, size_t length, char* out) {
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text);
    size_t at = 0;
    for (size_t i = 0; i < length;) {
        if (in[i] < 0x80) {
            char c = text[i++];
            out[at++] = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
            continue;
        }
        size_t used;
        uint32_t c = utf8_decode(in + i, length - i, &used);
        i += used;
        if (c == UTF8_BAD) {
            out[at++] = 0x1A;
            continue;
        }
        c = text_fold_char(c);
        if (i < length && in[i] >= 0xE3) {
            // Every sound mark is three bytes long and starts with E3 or EF.
            size_t mark_used;
            uint32_t mark = utf8_decode(in + i, length - i, &mark_used);
            if (uint32_t joined = text_fold_join_mark(c, mark)) {
                c = joined;
                i += mark_used;
            }
        }
        at += utf8_encode(c, out + at);
    }
    return at;
}
