// Rules for text from outside: UTF-8 repair, the WM_COPYDATA text and its
// bound, and which texts the edit box opens.
#include <gtest/gtest.h>

#include <string>

#include "copydata_text.h"
#include "edit_text.h"
#include "tracked_memory.h"
#include "utf8_text.h"
#include "native_test_support.h"

namespace {

class TextRulesTest : public native_test::LeakCheckedTest {
protected:

    static std::string repair(const std::string& bytes) {
        size_t length = 0;
        char* text = utf8_repair(bytes.data(), bytes.size(), &length);
        std::string result(text, length);
        TRACKED_FREE(text);
        return result;
    }
    // The text of a WM_COPYDATA record, "<null>" when refused.
    static std::string copydata(const void* bytes, uint64_t size) {
        char* text = copydata_text(bytes, size);
        if (!text) return "<null>";
        std::string result = text;
        TRACKED_FREE(text);
        return result;
    }
};

const std::string k_fffd = "\xEF\xBF\xBD";

// Each maximal ill-formed part becomes one U+FFFD: a lead byte with the
// continuation bytes that could still have completed it.
TEST_F(TextRulesTest, RepairReplacesEachIllFormedPartOnce) {
    struct {
        std::string in;
        std::string out;
    } cases[] = {
        {u8"付箋 😀", u8"付箋 😀"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
        {"a\x80z", "a" + k_fffd + "z"},
        {"\xC0\xAF", k_fffd + k_fffd},                  // overlong: C0 starts nothing
        {"\xE0\x80\x80", k_fffd + k_fffd + k_fffd},     // overlong three bytes
        {"\xED\xA0\x80", k_fffd + k_fffd + k_fffd},     // a surrogate
        {"\xF4\x90\x80\x80", k_fffd + k_fffd + k_fffd + k_fffd},  // past U+10FFFF
        {"\xE3\x81" "A", k_fffd + "A"},                 // cut short, then ASCII
        {"\xF0\x9F\x98", k_fffd},                       // cut short at the end
        {"\xFF\xFE", k_fffd + k_fffd},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.out, repair(c.in)) << testing::PrintToString(c.in);
    }
}

TEST_F(TextRulesTest, PrefixCountsCharactersNotBytes) {
    const std::string text = u8"あい😀x";
    int cut = -1;
    EXPECT_EQ(6u, utf8_prefix(text.data(), text.size(), 2, &cut));
    EXPECT_EQ(1, cut);
    EXPECT_EQ(10u, utf8_prefix(text.data(), text.size(), 3, &cut));
    EXPECT_EQ(text.size(), utf8_prefix(text.data(), text.size(), 4, &cut));
    EXPECT_EQ(0, cut);
    EXPECT_EQ(2u, utf8_prefix("\xE3\x81" "A", 3, 1, &cut)) << "a broken part counts as one";
}

TEST_F(TextRulesTest, CopyDataTextStopsAtTheTerminatorOrTheSizeAndIsBounded) {
    EXPECT_EQ(u8"付箋です", copydata(u8"付箋です", sizeof u8"付箋です"));
    EXPECT_EQ("abc", copydata("abcdef", 3)) << "no terminator: never past the size";
    EXPECT_EQ("ab", copydata("ab\0cd", 5));
    EXPECT_EQ("", copydata("abc", 0));
    EXPECT_EQ("", copydata(nullptr, 10));
    EXPECT_EQ("a" + k_fffd + "b", copydata("a\xFF" "b", 3));

    std::string at_bound(COPYDATA_TEXT_MAX, 'x');
    EXPECT_EQ(at_bound, copydata(at_bound.c_str(), at_bound.size() + 1));
    EXPECT_EQ(at_bound, copydata(at_bound.data(), at_bound.size())) << "the size ends it";
    std::string past = at_bound + "y";
    EXPECT_EQ("<null>", copydata(past.c_str(), past.size() + 1));
    EXPECT_EQ("<null>", copydata(past.data(), past.size()));
    past[10] = '\0';
    EXPECT_EQ(std::string(10, 'x'), copydata(past.c_str(), past.size() + 1))
        << "a short text in a large block is taken";
}

// One per UTF-16 unit, plus the square of each paragraph's length over
// 150: short lines fit up to about 115,000 characters, one paragraph up to
// about 4,900.
TEST_F(TextRulesTest, EditBoxOpensTextsWithinTheLoadBudget) {
    EXPECT_EQ(1, edit_text_fits(nullptr));
    EXPECT_EQ(1, edit_text_fits(""));
    std::string line(59, 'a');
    line += '\n';
    std::string lines;
    while (lines.size() < 100000) lines += line;
    EXPECT_EQ(1, edit_text_fits(lines.c_str())) << "100,000 characters in short lines";
    while (lines.size() < 150000) lines += line;
    EXPECT_EQ(0, edit_text_fits(lines.c_str())) << "150,000 characters";
    EXPECT_EQ(1, edit_text_fits(std::string(4800, 'a').c_str())) << "one paragraph of 4,800";
    EXPECT_EQ(0, edit_text_fits(std::string(5000, 'a').c_str())) << "one paragraph of 5,000";
    // CR LF, LF and a lone CR all end a paragraph.
    EXPECT_EQ(edit_text_cost("ab\r\ncd", 6), edit_text_cost("ab\ncd", 5));
    EXPECT_EQ(edit_text_cost("ab\rcd", 5), edit_text_cost("ab\ncd", 5));
    // Beyond the basic plane a character is two UTF-16 units.
    const char* astral = u8"😀";
    EXPECT_EQ(2u, edit_text_cost(astral, 4));
    // A text of megabytes is judged without being walked to its end.
    std::string big(10 * 1024 * 1024, 'a');
    EXPECT_GT(edit_text_cost(big.data(), big.size()), (uint64_t)EDIT_TEXT_BUDGET);
}

}  // namespace
