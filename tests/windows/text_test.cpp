// The conversions every visible text and every path goes through: code
// page 932 named explicitly, whatever the system's code page, and strict
// where a path or a stored value must not turn into another one.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "cp932_text.h"
#include "tracked_memory.h"
#include "wide_text.h"

namespace {

TEST(TextTest, CodePage932BothWaysAndNothingItCannotSpell) {
    // 表 ends in the byte 0x5C, the backslash of a path.
    const char narrow[] = "C:\\付箋\\表\\kelvan";
    wchar_t wide[64];
    ASSERT_EQ(1, cp932_to_wide(narrow, wide, 64));
    EXPECT_STREQ(L"C:\\付箋\\表\\kelvan", wide);
    char back[64];
    ASSERT_EQ(1, cp932_from_wide(wide, back, sizeof back));
    EXPECT_STREQ(narrow, back);

    // A character code page 932 lacks is refused, not replaced by its
    // nearest form ("é" by "e" would name another folder).
    for (const wchar_t* text : {L"C:\\Café", L"C:\\한국", L"C:\\\U0001F600", L"\u00A9"}) {
        char out[64] = "x";
        EXPECT_EQ(0, cp932_from_wide(text, out, sizeof out)) << static_cast<int>(wcslen(text));
        EXPECT_STREQ("", out);
    }
    // Too small: nothing half-converted.
    char small[4] = "x";
    EXPECT_EQ(0, cp932_from_wide(L"付箋表", small, sizeof small));
    EXPECT_STREQ("", small);
    wchar_t tiny[3] = L"x";
    EXPECT_EQ(0, cp932_to_wide("kelvan", tiny, 3));
    EXPECT_STREQ(L"", tiny);
}

TEST(TextTest, HoldersAndLossyNames) {
    uint64_t live = tracked_live_count();
    {
        wide_cp932 caption("設定");
        EXPECT_STREQ(L"設定", caption.get());
    }
    // A typed name keeps what code page 932 has and marks what it lacks.
    char* name = wide_to_cp932(L"夕焼け色 한");
    EXPECT_STREQ("夕焼け色 ?", name);
    TRACKED_FREE(name);
    EXPECT_EQ(live, tracked_live_count());
}

}  // namespace
