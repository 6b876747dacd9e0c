// The edit box's comfort rule.
#include "edit_text.h"

#include <string.h>

#include "utf8_text.h"

namespace {

uint64_t edit_text_paragraph_cost(uint64_t units) {
    return units * units / EDIT_TEXT_SQUARE_DIVISOR;
}

}  // namespace

uint64_t edit_text_cost(const char* text, size_t length) {
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text);
    uint64_t cost = 0;
    uint64_t paragraph = 0;  // UTF-16 units of the paragraph so far
    for (size_t i = 0; i < length;) {
        unsigned char c = in[i];
        if (c == '\n' || c == '\r') {
            cost += 1 + edit_text_paragraph_cost(paragraph);
            if (cost > EDIT_TEXT_BUDGET) return cost;
            paragraph = 0;
            i += (c == '\r' && i + 1 < length && in[i + 1] == '\n') ? 2 : 1;
            continue;
        }
        size_t n = utf8_sequence_length(in + i, length - i);
        // What is not UTF-8 reaches the control as one U+FFFD.
        int units = n > 0 ? utf8_utf16_units(c) : 1;
        paragraph += static_cast<uint64_t>(units);
        cost += static_cast<uint64_t>(units);
        i += n > 0 ? n : utf8_bad_length(in + i, length - i);
        // Past the budget the rest does not matter (a 10 MB text is not
        // walked to its end).
        if (cost + edit_text_paragraph_cost(paragraph) > EDIT_TEXT_BUDGET) break;
    }
    return cost + edit_text_paragraph_cost(paragraph);
}

// Every UTF-16 unit costs at least one, so a text within the budget is
// within the limit too.
static_assert(EDIT_TEXT_BUDGET <= EDIT_TEXT_LIMIT, "a text that fits the budget fits the limit");

int edit_text_fits(const char* text) {
    if (!text) return 1;
    return edit_text_cost(text, strlen(text)) <= EDIT_TEXT_BUDGET ? 1 : 0;
}
