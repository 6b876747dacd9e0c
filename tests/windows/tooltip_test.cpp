// The memo tooltip control as the common controls hold it: its tool, its
// UTF-16 text, width, display time and activation, and that resting the
// mouse on the memo shows it for the display time.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <stdint.h>
#include <string.h>

#include <string>

#include "memo_registry.h"
#include "tracked_memory.h"
#include "settings.h"
#include "memo_test_support.h"
#include "memo_tooltip.h"

namespace {

using memo_test::pump_for;

// Like a memo: the whole surface is caption, so the mouse moves over it
// arrive as non-client moves.
LRESULT CALLBACK caption_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCHITTEST) return HTCAPTION;
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

class TooltipTest : public memo_test::MemoTest {
protected:
    HWND memo = nullptr;
    memo_record* record = nullptr;

    void SetUp() override {
        MemoTest::SetUp();
        memo = memo_test::create_test_window("TooltipTestMemo", DefWindowProcA, WS_POPUP, 500, 400,
                                             160, 120, RGB(255, 255, 192));
        ASSERT_NE(nullptr, memo);
        record = stand_in(memo, nullptr);
    }
    void set_text(const char* text) { memo_test::set_record_text(record, text); }
    static std::wstring tip_text(HWND tooltip, HWND owner) {
        static wchar_t buffer[4096];
        buffer[0] = L'\0';
        TOOLINFOW tool;
        ZeroMemory(&tool, sizeof tool);
        tool.cbSize = sizeof tool;
        tool.hwnd = owner;
        tool.uId = MEMO_TOOLTIP_TOOL_ID;
        tool.lpszText = buffer;
        SendMessageW(tooltip, TTM_GETTEXTW, 4096, reinterpret_cast<LPARAM>(&tool));
        return buffer;
    }
    static TOOLINFOA tool_info(HWND tooltip, HWND owner) {
        static char text[4096];
        TOOLINFOA tool;
        ZeroMemory(&tool, sizeof tool);
        tool.cbSize = sizeof tool;
        tool.hwnd = owner;
        tool.uId = MEMO_TOOLTIP_TOOL_ID;
        tool.lpszText = text;
        EXPECT_TRUE(SendMessageA(tooltip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool)));
        return tool;
    }
};

TEST_F(TooltipTest, ControlAndToolAsCreated) {
    HWND tooltip = memo_tooltip_create(memo);
    ASSERT_NE(nullptr, tooltip);
    char class_name[64] = "";
    GetClassNameA(tooltip, class_name, sizeof class_name);
    EXPECT_STREQ("tooltips_class32", class_name);
    EXPECT_EQ(memo, GetWindow(tooltip, GW_OWNER));
    EXPECT_TRUE(GetWindowLongA(tooltip, GWL_STYLE) & TTS_ALWAYSTIP);
    EXPECT_EQ(1, SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0));

    TOOLINFOA tool = tool_info(tooltip, memo);
    EXPECT_TRUE(tool.uFlags & TTF_SUBCLASS);
    EXPECT_EQ(0, tool.rect.left);
    EXPECT_EQ(0, tool.rect.top);
    EXPECT_EQ(160, tool.rect.right);
    EXPECT_EQ(120, tool.rect.bottom);
    EXPECT_EQ(std::wstring(L"Kelvane"), tip_text(tooltip, memo)) << "until the first text arrives";
    EXPECT_EQ(300, SendMessageA(tooltip, TTM_GETMAXTIPWIDTH, 0, 0));
    EXPECT_EQ(10000, SendMessageA(tooltip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0));
}

// The text goes in as UTF-16 with the date line, both text blocks given
// back; a memo without text keeps the initial text (the settings page's
// refresh does not fail) and the timing is applied either way.
struct UpdateCase {
    const char* text;  // null: the memo never had text
    int32_t day, time, display;
    std::wstring tip;
};
const UpdateCase k_update_cases[] = {
    {nullptr, 0, 0, 15000, L"Kelvane"},
    // Characters code page 932 cannot hold: an emoji (a surrogate pair),
    // Hangul and the copyright sign.
    {u8"買い物 😀\r\n한국어 ©", 7 * 32 + 3, 9 * 60 + 5, 10000,
     L"買い物 \U0001F600\r\n\uD55C\uAD6D\uC5B4 \u00A9\n最終更新日 7月3日 9時5分"},
    {"", 0, 0, 10000, L"\n最終更新日 0月0日 0時0分"},
};
class TooltipUpdateTest : public TooltipTest, public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(TooltipUpdateTest, SetsUtf16TextWithTheDateLineAndTheTiming) {
    const UpdateCase& c = GetParam();
    HWND tooltip = memo_tooltip_create(memo);
    ASSERT_NE(nullptr, tooltip);
    if (c.text) set_text(c.text);
    record->day = c.day;
    record->time = c.time;
    g_settings.tooltiptime = c.display;
    uint64_t blocks = tracked_live_count();
    EXPECT_EQ(1, memo_tooltip_update(memo, tooltip));
    EXPECT_EQ(blocks, tracked_live_count()) << "both text blocks are released";
    EXPECT_EQ(c.tip, tip_text(tooltip, memo));
    EXPECT_EQ(c.display, SendMessageA(tooltip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0));
}
INSTANTIATE_TEST_SUITE_P(Rows, TooltipUpdateTest, ::testing::ValuesIn(k_update_cases));

TEST_F(TooltipTest, DisplayTimeIsTheLowSixteenBitsOfTheSetting) {
    HWND tooltip = memo_tooltip_create(memo);
    ASSERT_NE(nullptr, tooltip);
    set_text("x");
    const int32_t cases[][2] = {{5000, 5000}, {30000, 30000}, {0x10000 + 1500, 1500}};
    for (const auto& c : cases) {
        g_settings.tooltiptime = c[0];
        memo_tooltip_update(memo, tooltip);
        EXPECT_EQ(c[1], SendMessageA(tooltip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0)) << c[0];
        EXPECT_EQ(300, SendMessageA(tooltip, TTM_GETMAXTIPWIDTH, 0, 0));
    }
}

TEST_F(TooltipTest, UpdatesThatCannotWorkDoNothing) {
    EXPECT_EQ(0, memo_tooltip_update(memo, nullptr));
    HWND tooltip = memo_tooltip_create(memo);
    ASSERT_NE(nullptr, tooltip);
    HWND stranger = CreateWindowExA(0, "TooltipTestMemo", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                    nullptr, GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(0, memo_tooltip_update(stranger, tooltip)) << "no record";
    DestroyWindow(stranger);
}

TEST_F(TooltipTest, ToolFollowsTheMemosSize) {
    HWND tooltip = memo_tooltip_create(memo);
    ASSERT_NE(nullptr, tooltip);
    SetWindowPos(memo, nullptr, 0, 0, 320, 260, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    TOOLINFOA tool = tool_info(tooltip, memo);
    EXPECT_EQ(320, tool.rect.right);
    EXPECT_EQ(260, tool.rect.bottom);
    SetWindowPos(memo, nullptr, 0, 0, 40, 30, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    tool = tool_info(tooltip, memo);
    EXPECT_EQ(40, tool.rect.right);
    EXPECT_EQ(30, tool.rect.bottom);
}

TEST_F(TooltipTest, GoesWithTheMemo) {
    HWND tooltip = memo_tooltip_create(memo);
    ASSERT_NE(nullptr, tooltip);
    DestroyWindow(memo);
    EXPECT_FALSE(IsWindow(tooltip));
    memo_registry_remove(memo);
    memo = nullptr;
}

// Rests the cursor on the memo and returns how long the tip stayed up, in
// milliseconds; 0 when it never appeared within two seconds.
DWORD hover_and_time(HWND memo, HWND tooltip) {
    SetCursorPos(0, 0);
    pump_for(100);
    RECT r;
    GetWindowRect(memo, &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    DWORD start = GetTickCount();
    while (!IsWindowVisible(tooltip) && GetTickCount() - start < 2000) pump_for(10);
    if (!IsWindowVisible(tooltip)) return 0;
    DWORD shown = GetTickCount();
    while (IsWindowVisible(tooltip) && GetTickCount() - shown < 5000) pump_for(10);
    return GetTickCount() - shown;
}

TEST_F(TooltipTest, RestingTheMouseOnAnAllCaptionMemoShowsIt) {
    HWND caption_memo = memo_test::create_test_window("TooltipTestCaptionMemo", caption_proc,
                                                      WS_POPUP | WS_VISIBLE, 200, 300, 160, 120,
                                                      RGB(192, 255, 255));
    ASSERT_NE(nullptr, caption_memo);
    UpdateWindow(caption_memo);
    stand_in(caption_memo, "abc");
    g_settings.tooltiptime = 1000;
    HWND tooltip = memo_tooltip_create(caption_memo);
    ASSERT_NE(nullptr, tooltip);
    memo_tooltip_update(caption_memo, tooltip);
    EXPECT_GT(hover_and_time(caption_memo, tooltip), 0u);
    SetCursorPos(0, 0);
}

TEST_F(TooltipTest, RestingTheMouseShowsItForTheDisplayTimeUnlessItIsOff) {
    ShowWindow(memo, SW_SHOWNOACTIVATE);
    UpdateWindow(memo);
    g_settings.tooltiptime = 1000;
    HWND tooltip = memo_tooltip_create(memo);
    ASSERT_NE(nullptr, tooltip);
    set_text(u8"ホバー");
    memo_tooltip_update(memo, tooltip);
    DWORD up = hover_and_time(memo, tooltip);
    EXPECT_GE(up, 800u) << "shown, for about the display time";
    EXPECT_LE(up, 1800u);

    g_settings.tooltiptime = 0;
    memo_tooltip_update(memo, tooltip);
    EXPECT_EQ(0u, hover_and_time(memo, tooltip)) << "TOOLTIPTIME 0 turns it off";
    SetCursorPos(0, 0);
}

}  // namespace
