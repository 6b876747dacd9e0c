// The memo tooltip's text: the memo's text, a line feed and the
// last-modified line, built from the record in the registry.
#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

#include <string>

#include "memo_registry.h"
#include "tracked_memory.h"
#include "tooltip_text.h"
#include "native_test_support.h"

namespace {

const memo_hwnd k_memo = reinterpret_cast<memo_hwnd>(0x5000);
const memo_hwnd k_other = reinterpret_cast<memo_hwnd>(0x6000);

class TooltipTextTest : public native_test::LeakCheckedTest {
protected:
    memo_record* record = nullptr;

    void SetUp() override {
        LeakCheckedTest::SetUp();
        record = memo_registry_add(k_memo);
    }
    void TearDown() override {
        memo_registry_remove(k_memo);
        LeakCheckedTest::TearDown();
    }
    std::string tip() {
        char* block = tooltip_text_build(k_memo);
        EXPECT_NE(nullptr, block);
        if (!block) return "<none>";
        std::string text(block);
        TRACKED_FREE(block);
        return text;
    }
};

struct StampCase {
    int32_t day;
    int32_t time;
    const char* line;
};

TEST_F(TooltipTextTest, LastModifiedLineForStamps) {
    const StampCase cases[] = {
        {0, 0, u8"最終更新日 0月0日 0時0分"},                   // a file without DAY and TIME
        {7 * 32 + 3, 9 * 60 + 5, u8"最終更新日 7月3日 9時5分"},  // no leading zeros
        {2 * 32 + 3, 545, u8"最終更新日 2月3日 9時5分"},
        {12 * 32 + 31, 23 * 60 + 59, u8"最終更新日 12月31日 23時59分"},
        {1 * 32 + 1, 0, u8"最終更新日 1月1日 0時0分"},
    };
    for (const StampCase& c : cases) {
        char line[TOOLTIP_LINE_SIZE];
        EXPECT_EQ(1, tooltip_text_line(c.day, c.time, line, sizeof line));
        EXPECT_STREQ(c.line, line) << "day " << c.day << ", time " << c.time;
    }
}

TEST_F(TooltipTextTest, LineNeverOverrunsASmallBuffer) {
    char line[8];
    memset(line, '#', sizeof line);
    EXPECT_EQ(0, tooltip_text_line(227, 545, line, sizeof line));
    EXPECT_EQ('\0', line[sizeof line - 1]);
}

// CR LF from the edit box and LF from a file stay, as do characters that
// code page 932 cannot hold; a memo that never had text shows an empty
// first line; a long one its start.
struct TipCase {
    const char* text;  // null: the memo never had text
    int32_t day, time;
    std::string tip;
};
const std::string k_long_text(100000, 'a');
const TipCase k_tip_cases[] = {
    {u8"買い物", 0, 0, u8"買い物\n最終更新日 0月0日 0時0分"},
    {"", 7 * 32 + 3, 9 * 60 + 5, u8"\n最終更新日 7月3日 9時5分"},
    {u8"会議 15:00", 7 * 32 + 3, 9 * 60 + 5, u8"会議 15:00\n最終更新日 7月3日 9時5分"},
    {u8"一行目\r\n二行目\n😀 한국어 ©", 0, 0, u8"一行目\r\n二行目\n😀 한국어 ©\n最終更新日 0月0日 0時0分"},
    {nullptr, 0, 0, u8"\n最終更新日 0月0日 0時0分"},
    {k_long_text.c_str(), 0, 0, k_long_text.substr(0, TOOLTIP_TEXT_MAX) + u8"…\n最終更新日 0月0日 0時0分"},
};
class TipTest : public TooltipTextTest, public ::testing::WithParamInterface<TipCase> {};

TEST_P(TipTest, IsTheTextThenTheLastModifiedLine) {
    native_test::set_record_text(record, GetParam().text);
    record->day = GetParam().day;
    record->time = GetParam().time;
    EXPECT_EQ(GetParam().tip, tip());
}
INSTANTIATE_TEST_SUITE_P(Rows, TipTest, ::testing::ValuesIn(k_tip_cases));

TEST_F(TooltipTextTest, NoRecordGivesNoText) {
    EXPECT_EQ(nullptr, tooltip_text_build(k_other));
    // The registry answers a null window with its first window; that must
    // not be taken for a record.
    EXPECT_EQ(nullptr, tooltip_text_build(nullptr));
}

}  // namespace
