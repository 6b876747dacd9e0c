// The edit box with a real memo: its layout, its rich edit and font, commit
// by OK and by the accelerator keys through the program's message loop
// rule, cancel, the empty-text question, the clipboard menu commands, the
// input method and the size it remembers.
#include <gtest/gtest.h>

#include <windows.h>

#include <imm.h>
#include <richedit.h>

#include <string>
#include <vector>

#include "edit_box.h"
#include "memo_test_support.h"
#include "memo_window.h"

using namespace memo_test;

namespace {

struct layout_case {
    RECT client;
    double s;
    edit_box_place text;
    edit_box_place button;
};

// Every product of the scale is truncated on its own.
TEST(EditLayout, TextAboveACentredButton) {
    const layout_case cases[] = {
        {{0, 0, 234, 161}, 1.0, {5, 0, 224, 121}, {72, 126, 90, 30}},
        {{0, 0, 351, 242}, 1.5, {7, 0, 336, 182}, {108, 190, 135, 45}},
        {{0, 0, 300, 250}, 1.25, {6, 0, 288, 200}, {94, 207, 112, 37}},
        {{0, 0, 468, 322}, 2.0, {10, 0, 448, 242}, {144, 252, 180, 60}},
        {{0, 0, 235, 161}, 1.0, {5, 0, 225, 121}, {72, 126, 90, 30}},  // odd: rounds down
    };
    for (const layout_case& c : cases) {
        edit_box_place text;
        edit_box_place button;
        edit_box_layout(&c.client, c.s, &text, &button);
        EXPECT_EQ(c.text.x, text.x) << c.s;
        EXPECT_EQ(c.text.y, text.y) << c.s;
        EXPECT_EQ(c.text.width, text.width) << c.s;
        EXPECT_EQ(c.text.height, text.height) << c.s;
        EXPECT_EQ(c.button.x, button.x) << c.s;
        EXPECT_EQ(c.button.y, button.y) << c.s;
        EXPECT_EQ(c.button.width, button.width) << c.s;
        EXPECT_EQ(c.button.height, button.height) << c.s;
    }
}

TEST(EditLayout, StoredSizeIsIn96DpiPixels) {
    int32_t w = 0;
    int32_t h = 0;
    edit_box_stored_size(500, 300, 2.0, &w, &h);
    EXPECT_EQ(250, w);
    EXPECT_EQ(150, h);
    edit_box_stored_size(241, 301, 1.5, &w, &h);
    EXPECT_EQ(160, w);
    EXPECT_EQ(200, h);
    edit_box_stored_size(333, 222, 1.0, &w, &h);
    EXPECT_EQ(333, w);
    EXPECT_EQ(222, h);
}

class EditBoxTest : public MemoTest {
protected:
    HWND memo = nullptr;

    void SetUp() override {
        MemoTest::SetUp();
        memo = create_memo(owner, 100, 100, 160, 120, "20240102030405", u8"前の文", 1);
        memos.push_back(memo);
        ASSERT_NE(nullptr, memo);
    }
    HWND box() { return reinterpret_cast<HWND>(GetWindowLongPtrA(memo, GWLP_USERDATA)); }
    HWND open() {
        EXPECT_EQ(1, SendMessageA(memo, WM_COMMAND, MEMO_CMD_EDIT, 0));
        HWND b = box();
        pump_for(30);
        return b;
    }
    HWND rich(HWND b) { return GetDlgItem(b, IDC_EDIT_TEXT); }
    void set_text(HWND b, const wchar_t* text) {
        SETTEXTEX how = {ST_DEFAULT, 1200};
        SendMessageW(b, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how),
                     reinterpret_cast<LPARAM>(text));
    }
    std::wstring text_of(HWND b) {
        wchar_t text[256] = L"";
        GETTEXTEX how = {sizeof text, GT_USECRLF, 1200, nullptr, nullptr};
        SendMessageW(rich(b), EM_GETTEXTEX, reinterpret_cast<WPARAM>(&how),
                     reinterpret_cast<LPARAM>(text));
        return text;
    }
    bool closed(HWND b) { return !IsWindow(b) && box() == nullptr; }
};

RECT child_rect(HWND parent, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST_F(EditBoxTest, WindowClassStylesAndChildren) {
    HWND b = open();
    ASSERT_NE(nullptr, b);
    char name[64] = "";
    GetClassNameA(b, name, sizeof name);
    EXPECT_STREQ("EditboxWindowClass", name);
    LONG style = GetWindowLongA(b, GWL_STYLE);
    EXPECT_EQ(WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
              style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_EQ(memo, GetWindow(b, GW_OWNER));
    ASSERT_NE(nullptr, rich(b));
    EXPECT_TRUE(IsWindowUnicode(rich(b))) << "every typed character must reach the memo";
    GetClassNameA(rich(b), name, sizeof name);
    EXPECT_STREQ("RichEdit20W", name);
    GetClassNameA(GetDlgItem(b, IDC_EDIT_OK), name, sizeof name);
    EXPECT_STREQ("Button", name);
    EXPECT_EQ(L"前の文", text_of(b)) << "the memo's text went in";

    MINMAXINFO info;
    ZeroMemory(&info, sizeof info);
    SendMessageA(b, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(250, info.ptMinTrackSize.x);
    EXPECT_EQ(200, info.ptMinTrackSize.y);
}

TEST_F(EditBoxTest, LayoutAt96Dpi) {
    HWND b = open();
    ASSERT_NE(nullptr, b);
    // The system's frame decides which client size a 250 x 200 box gets;
    // the layout of a 234 x 161 client area is asked for directly.
    SendMessageA(b, WM_SIZE, SIZE_RESTORED, MAKELPARAM(234, 161));
    RECT text = child_rect(b, rich(b));
    RECT ok = child_rect(b, GetDlgItem(b, IDC_EDIT_OK));
    EXPECT_EQ(5, text.left);
    EXPECT_EQ(0, text.top);
    EXPECT_EQ(224, text.right - text.left);
    EXPECT_EQ(121, text.bottom - text.top);
    EXPECT_EQ(72, ok.left);
    EXPECT_EQ(126, ok.top);
    EXPECT_EQ(90, ok.right - ok.left);
    EXPECT_EQ(30, ok.bottom - ok.top);

    // Resizing the real window lays it out again for its new client area.
    SetWindowPos(b, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(b, &client);
    text = child_rect(b, rich(b));
    ok = child_rect(b, GetDlgItem(b, IDC_EDIT_OK));
    EXPECT_EQ(client.right - 10, text.right - text.left);
    EXPECT_EQ(client.bottom - 40, text.bottom - text.top);
    EXPECT_EQ((client.right - 90) / 2, ok.left);
    EXPECT_EQ(client.bottom - 35, ok.top);
}

TEST_F(EditBoxTest, RichEditGetsTheMemoFont) {
    g_settings.fontsize = 12;
    g_settings.fontstyle = 401;
    strcpy(g_settings.fontname, "ＭＳ ゴシック");
    HWND b = open();
    CHARFORMATW format;
    ZeroMemory(&format, sizeof format);
    format.cbSize = sizeof format;
    // The memo's text carries the font, and so does new typing.
    SendMessageW(rich(b), EM_SETSEL, 0, -1);
    SendMessageW(rich(b), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    EXPECT_EQ(240, format.yHeight);
    EXPECT_TRUE(format.dwEffects & CFE_BOLD);
    EXPECT_STREQ(L"ＭＳ ゴシック", format.szFaceName);
    DestroyWindow(b);
    pump_for(20);

    g_settings.fontstyle = 400;
    b = open();
    SendMessageW(rich(b), EM_SETSEL, 0, -1);
    SendMessageW(rich(b), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    EXPECT_FALSE(format.dwEffects & CFE_BOLD) << "400 is normal";
}

// Keys typed into the rich edit go through the program's loop rule:
// Ctrl+Enter and Ctrl+S become commands of the rich edit's parent.

TEST_F(EditBoxTest, CtrlEnterCommitsTypedJapaneseWithCrLf) {
    HWND b = open();
    ASSERT_NE(nullptr, b);
    SetForegroundWindow(b);
    SetFocus(rich(b));
    pump_for(30);
    SendMessageW(rich(b), EM_SETSEL, 0, -1);
    // Kana, kanji, a character outside code page 932 and one outside the
    // basic plane; plain Enter makes the line breaks.
    // (Kept out of the assertion macros, which would spell them in code
    // page 932.)
    const std::wstring typed = L"付箋メモ\n二行目 ©한\n\U00020BB7";
    const std::wstring shown = L"付箋メモ\r\n二行目 ©한\r\n\U00020BB7";
    const std::string utf8 = u8"付箋メモ\r\n二行目 ©한\r\n\U00020BB7";
    probe_type(typed);
    ASSERT_TRUE(pump_until([&] { return text_of(b).size() >= shown.size(); }));
    EXPECT_TRUE(shown == text_of(b));

    probe_chord(VK_CONTROL, VK_RETURN);
    ASSERT_TRUE(pump_until([&] { return closed(b); })) << "Ctrl+Enter commits";
    EXPECT_EQ(utf8, record_of(memo)->text);
    EXPECT_EQ("\xEF\xBB\xBF" + utf8, read_file(folder + "\\20240102030405.txt"));
}

// OK and Ctrl+S hand the text to the memo, which saves it; closing the box
// is posted as a cancel and leaves the memo and its files as they were.
enum edit_closing { CLOSE, OK, CTRL_S };
struct ClosingCase {
    edit_closing how;
    const wchar_t* typed;
    const char* text;  // the memo's text afterwards
    std::string file;
};
const ClosingCase k_closing_cases[] = {
    {CLOSE, L"捨てる", u8"前の文", "<missing>"},
    {OK, L"abc", "abc", "\xEF\xBB\xBF" "abc"},
    {CTRL_S, L"一\n二", u8"一\r\n二", u8"\xEF\xBB\xBF一\r\n二"},
};
class EditClosingTest : public EditBoxTest, public ::testing::WithParamInterface<ClosingCase> {};

TEST_P(EditClosingTest, OkAndCtrlSCommitCloseDiscards) {
    const ClosingCase& c = GetParam();
    HWND b = open();
    SetForegroundWindow(b);
    SetFocus(rich(b));
    set_text(b, c.typed);
    pump_for(20);
    if (c.how == CTRL_S) {
        probe_chord(VK_CONTROL, 'S');
    } else {
        SendMessageA(b, c.how == OK ? WM_COMMAND : WM_CLOSE, c.how == OK ? IDC_EDIT_OK : 0, 0);
        EXPECT_EQ(c.how == CLOSE, IsWindow(b) != FALSE) << "a close is posted, OK is at once";
    }
    ASSERT_TRUE(pump_until([&] { return closed(b); }));
    EXPECT_STREQ(c.text, record_of(memo)->text);
    EXPECT_EQ(c.file, read_file(folder + "\\20240102030405.txt"));
}
INSTANTIATE_TEST_SUITE_P(Rows, EditClosingTest, ::testing::ValuesIn(k_closing_cases));

// At the end of the program or the session: typing is kept, without a
// question; an unchanged or empty text leaves everything as it was.
TEST_F(EditBoxTest, KeepTextAtTheEndSavesOnlyWhatChanged) {
    g_settings.notext = 1;
    for (const wchar_t* typed : {L"前の文", L""}) {
        HWND b = open();
        set_text(b, typed);
        edit_box_keep_text(b);
        EXPECT_EQ(b, box()) << "nothing to keep: the box stays";
        SendMessageA(b, WM_CLOSE, 0, 0);
        ASSERT_TRUE(pump_until([&] { return closed(b); }));
    }
    EXPECT_FALSE(file_exists(folder + "\\20240102030405.txt"));
    HWND b = open();
    set_text(b, L"残す");
    edit_box_keep_text(b);
    EXPECT_TRUE(closed(b)) << "kept at once: the memo goes next";
    EXPECT_STREQ(u8"残す", record_of(memo)->text);
    EXPECT_EQ(u8"\xEF\xBB\xBF残す", read_file(folder + "\\20240102030405.txt"));
}

TEST_F(EditBoxTest, EmptyTextAsksWithNoText) {
    g_settings.notext = 1;
    HWND b = open();
    set_text(b, L"");
    {
        box_answerer answer("確認", IDNO);
        EXPECT_EQ(0, SendMessageA(b, WM_COMMAND, IDC_EDIT_OK, 0));
        EXPECT_EQ("文字が入力されていません。入力を終了しますか？", answer.text());
    }
    EXPECT_TRUE(IsWindow(b)) << "No keeps the box open";
    EXPECT_EQ(b, box());
    {
        box_answerer answer("確認", IDYES);
        EXPECT_EQ(1, SendMessageA(b, WM_COMMAND, IDC_EDIT_OK, 0));
    }
    ASSERT_TRUE(pump_until([&] { return closed(b); }));
    EXPECT_STREQ("", record_of(memo)->text);

    g_settings.notext = 0;  // without the question the empty text just goes
    b = open();
    set_text(b, L"");
    EXPECT_EQ(1, SendMessageA(b, WM_COMMAND, ID_ACCEL_CTRL_ENTER, 0));
    ASSERT_TRUE(pump_until([&] { return closed(b); }));
    EXPECT_STREQ("", record_of(memo)->text);
}

TEST_F(EditBoxTest, ClipboardCommands) {
    HWND b = open();
    set_text(b, L"切り取る");
    SendMessageW(rich(b), EM_SETSEL, 0, 4);
    EXPECT_EQ(1, SendMessageA(b, WM_COMMAND, EDIT_CMD_CUT, 0));
    EXPECT_EQ(L"", text_of(b));
    EXPECT_EQ(1, SendMessageA(b, WM_COMMAND, EDIT_CMD_PASTE, 0));
    EXPECT_EQ(1, SendMessageA(b, WM_COMMAND, EDIT_CMD_PASTE, 0));
    EXPECT_EQ(L"切り取る切り取る", text_of(b));
    SendMessageW(rich(b), EM_SETSEL, 0, 2);
    EXPECT_EQ(1, SendMessageA(b, WM_COMMAND, EDIT_CMD_COPY, 0));
    SendMessageW(rich(b), EM_SETSEL, -1, -1);
    SendMessageA(b, WM_COMMAND, EDIT_CMD_PASTE, 0);
    EXPECT_EQ(L"切り取る切り取る切り", text_of(b));
    EXPECT_EQ(0, SendMessageA(b, WM_COMMAND, 4, 0)) << "unknown command";
    EXPECT_TRUE(IsWindow(b));
}

TEST_F(EditBoxTest, RightClickMenuOffersCutCopyPaste) {
    HWND b = open();
    menu_reader reader;
    SendMessageW(rich(b), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    std::vector<std::wstring> items = reader.items();
    ASSERT_EQ(3u, items.size());
    EXPECT_EQ(L"切り取り", items[0]);
    EXPECT_EQ(L"コピー", items[1]);
    EXPECT_EQ(L"貼り付け", items[2]);
}

TEST_F(EditBoxTest, SizeIsRememberedOnDestruction) {
    HWND b = open();
    SetWindowPos(b, nullptr, 0, 0, 333, 277, SWP_NOMOVE | SWP_NOZORDER);
    DestroyWindow(b);
    EXPECT_EQ(333, g_settings.editwidth);
    EXPECT_EQ(277, g_settings.editheight);
    pump_for(20);
    // The next box of any memo opens at that size.
    b = open();
    RECT r;
    GetWindowRect(b, &r);
    EXPECT_EQ(333, r.right - r.left);
    EXPECT_EQ(277, r.bottom - r.top);
}

TEST_F(EditBoxTest, DestroyedWithItsMemo) {
    HWND b = open();
    ASSERT_TRUE(IsWindow(b));
    SetWindowPos(b, nullptr, 0, 0, 300, 260, SWP_NOMOVE | SWP_NOZORDER);
    uint64_t blocks = tracked_live_count();
    destroy_memo(memo);
    EXPECT_FALSE(IsWindow(b));
    EXPECT_EQ(300, g_settings.editwidth) << "the size is kept all the same";
    pump_for(20);
    EXPECT_GT(blocks, tracked_live_count()) << "the box's state and the memo record went";
}

TEST_F(EditBoxTest, ImeOpensAndIsGivenBack) {
    g_settings.imeon = 1;
    HWND b = open();
    HIMC context = ImmGetContext(rich(b));
    if (!context) {
        GTEST_SKIP() << "no input context for the rich edit on this system";
    }
    EXPECT_TRUE(ImmGetOpenStatus(context));
    ImmReleaseContext(rich(b), context);
    HWND text = rich(b);
    SendMessageA(b, WM_CLOSE, 0, 0);
    pump_until([&] { return closed(b); });
    (void)text;
    // The box restores what it found; the next one finds it closed again.
    g_settings.imeon = 0;
    b = open();
    context = ImmGetContext(rich(b));
    ASSERT_NE(nullptr, context);
    EXPECT_FALSE(ImmGetOpenStatus(context));
    ImmReleaseContext(rich(b), context);
}

}  // namespace
