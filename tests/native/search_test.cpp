// Searching memos: the fold that makes case, width and kana alike, and
// which memos a query finds in which order.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "memo_search.h"
#include "native_test_support.h"
#include "text_fold.h"
#include "utf8_text.h"

namespace {

std::string fold(const std::string& text) {
    std::string out(text.size(), '\0');
    out.resize(text_fold_utf8(text.data(), text.size(), &out[0]));
    return out;
}

TEST(TextFold, TextsThatUsersTakeForTheSameMatch) {
    const char* const same[][2] = {
        {u8"ﾒﾓ", u8"めも"},           {u8"メモ", u8"めも"},     {u8"ﾃﾞｻﾞｲﾝ", u8"デザイン"},
        {u8"ﾊﾟﾝ", u8"ぱん"},          {u8"ｳﾞｧ", u8"ヴァ"},      {u8"か\u3099", u8"が"},
        {u8"ﾜﾞ", u8"ヷ"},             {u8"ヽヾ", u8"ゝゞ"},     {u8"ＫｅｌＶａｎｅ", u8"kelvane"},
        {u8"ÄÖÜ ΣΑΣ", u8"äöü σασ"},  {u8"ПРИВЕТ Ё", u8"привет ё"}, {u8"〜−―‖", u8"～－—∥"},
        {u8"　｡｢ｰ｣", u8" 。「ー」"}, {u8"￥１００", u8"¥100"},
    };
    const char* const different[][2] = {
        {u8"て", u8"で"}, {u8"は", u8"ぱ"},   {u8"あ", u8"ぁ"},
        {u8"か゛", u8"が"}, {u8"ﾃ", u8"デ"}, {u8"日本", u8"曰本"},
    };
    for (const auto& c : same) EXPECT_EQ(fold(c[0]), fold(c[1])) << c[0] << " / " << c[1];
    for (const auto& c : different) EXPECT_NE(fold(c[0]), fold(c[1])) << c[0] << " / " << c[1];
}

// Matching relies on both: the folded text fits where the text was, and
// folding what is folded changes nothing.  Every code point, alone and
// before each sound mark.
TEST(TextFold, NeverLengthensAndFoldsOnlyOnce) {
    const uint32_t marks[] = {0, 0xFF9E, 0xFF9F, 0x3099, 0x309A};
    for (uint32_t c = 1; c <= 0x10FFFF; c++) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        bool kana = (c >= 0x3040 && c <= 0x30FF) || (c >= 0xFF61 && c <= 0xFF9F);
        for (uint32_t mark : marks) {
            if (mark && !kana) break;
            char bytes[8];
            size_t n = utf8_encode(c, bytes);
            if (mark) n += utf8_encode(mark, bytes + n);
            std::string once = fold(std::string(bytes, n));
            ASSERT_LE(once.size(), n) << std::hex << c << " " << mark;
            ASSERT_EQ(once, fold(once)) << std::hex << c << " " << mark;
        }
    }
}

// Memos A, B, C, ... in registration order; the store's fixture forgets
// them after each test.
class MemoSearchTest : public native_test::StoreTest {
protected:
    static const uintptr_t k_first = 0x20000;
    uintptr_t count = 0;
    platform_time now = {2026, 3, 10, 12, 0, 0};

    void add(const char* text, int month, int day) {
        memo_record* record =
            memo_registry_add(reinterpret_cast<memo_hwnd>(k_first + 16 * count++));
        native_test::set_record_text(record, text);
        record->day = month * 32 + day;
        record->time = 600;
    }
    // The memos found, best first.
    std::string found(const char* query) {
        memo_search_result result;
        memo_search_run(query, &now, &result);
        std::string order;
        for (int32_t i = 0; i < result.count; i++) {
            uintptr_t n = (reinterpret_cast<uintptr_t>(result.hits[i].window) - k_first) / 16;
            order += static_cast<char>('A' + n);
        }
        memo_search_release(&result);
        return order;
    }
};

TEST_F(MemoSearchTest, MatchesEveryWordAndRanksByPlaceThenByRecency) {
    add(u8"買い物リスト\n牛乳\n卵", 3, 1);  // A
    add(u8"メモ帳の使い方", 3, 2);          // B
    add(u8"会議のメモ\n議題", 3, 3);        // C
    add(u8"TODO\nﾒﾓを整理する", 3, 4);      // D
    add(nullptr, 0, 0);                     // E: never had a text
    add(u8"\n  ﾒﾓ デザイン案", 12, 20);     // F: last December
    const struct {
        const char* query;
        const char* order;
    } cases[] = {
        // At the start (blanks aside), then in the first line, then further
        // down; newer first within each.
        {u8"めも", "BFCD"},  {u8"ﾒﾓ", "BFCD"},    {u8"メモ　議題", "C"}, {u8"牛乳 買い物", "A"},
        {u8"牛乳 めも", ""}, {u8"ＴＯＤＯ", "D"}, {u8"でざいん", "F"},   {"", "DCBAFE"},
        {u8" 　", "DCBAFE"},  // newest first, last year's late, never changed last
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.order, found(c.query)) << c.query;
    }
}

TEST(MemoSearchStamp, YearOfAStampAndItsText) {
    platform_time now = {2026, 3, 10, 12, 0, 0};
    int64_t today = memo_search_recency(3 * 32 + 10, 600, &now);
    EXPECT_GT(memo_search_recency(3 * 32 + 11, 0, &now), today) << "a clock a day ahead: still new";
    EXPECT_LT(memo_search_recency(3 * 32 + 12, 0, &now), memo_search_recency(1 * 32 + 1, 0, &now))
        << "two days ahead is last year";
    EXPECT_LT(memo_search_recency(0, 0, &now), memo_search_recency(12 * 32 + 31, 0, &now));
    char text[32];
    EXPECT_TRUE(memo_search_stamp_text(7 * 32 + 3, 9 * 60 + 5, text, sizeof text));
    EXPECT_STREQ(u8"7月3日 9:05", text);
    EXPECT_TRUE(memo_search_stamp_text(0, 0, text, sizeof text) && !text[0]) << "never changed";
}

}  // namespace
