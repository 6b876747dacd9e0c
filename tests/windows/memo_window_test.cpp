// The memo window procedure with real memo windows under the real window
// manager: initialisation, hit testing, the minimum size, colours by wheel
// and menu, moves and keys, the context menu, new text, and peeling off,
// each checked against the memo's files in a data folder of its own.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "edit_box.h"
#include "memo_test_support.h"
#include "memo_tooltip.h"
#include "save_queue.h"
#include "memo_window.h"

using namespace memo_test;

namespace {

class MemoWindowTest : public MemoTest {
protected:
    // A memo with text whose files exist.
    HWND saved_memo(int left, int top, int width, int height, int32_t color = 1) {
        HWND hwnd = memo(left, top, width, height, "saved", color);
        EXPECT_EQ(1, SendMessageA(hwnd, WM_COMMAND, MEMO_CMD_SET_TEXT,
                                  reinterpret_cast<LPARAM>(tracked_copy("saved"))));
        return hwnd;
    }
    HWND edit_box_of(HWND hwnd) {
        return reinterpret_cast<HWND>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
};

TEST_F(MemoWindowTest, InitialisationSetsRegionAlphaAndNoEditBox) {
    g_settings.transparency = 180;
    HWND m = memo(200, 150, 160, 120, "text");
    ASSERT_NE(nullptr, m);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(COMPLEXREGION, GetWindowRgn(m, region)) << "the folded corner is cut off";
    RECT box;
    GetRgnBox(region, &box);
    EXPECT_EQ(160, box.right);
    EXPECT_EQ(120, box.bottom);
    EXPECT_FALSE(PtInRegion(region, 159, 119)) << "the corner pixel is outside";
    EXPECT_TRUE(PtInRegion(region, 0, 119));
    DeleteObject(region);

    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(m, nullptr, &alpha, &flags));
    EXPECT_EQ(180, alpha);
    EXPECT_EQ(static_cast<DWORD>(LWA_ALPHA), flags & LWA_ALPHA);
    EXPECT_EQ(nullptr, edit_box_of(m));

    EXPECT_EQ(0, SendMessageA(m, MEMO_MSG_INIT, 0, 0)) << "no hand-over record";
    memo_handover empty = {nullptr, MEMO_MODE_FROM_FILES};
    EXPECT_EQ(0, platform_window_send(m, MEMO_MSG_RELOAD, 0, reinterpret_cast<intptr_t>(&empty)));
    memo_handover reload = {record_of(m), MEMO_MODE_FROM_FILES};
    EXPECT_EQ(1, platform_window_send(m, MEMO_MSG_RELOAD, 0, reinterpret_cast<intptr_t>(&reload)));
}

TEST_F(MemoWindowTest, NewMemoTakesTheCursorAndOpensTheEditBoxWithTextbox) {
    SetCursorPos(5, 5);
    HWND m = memo(300, 200, 160, 120, nullptr, 1, MEMO_MODE_NEW);
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(380, cursor.x);
    EXPECT_EQ(260, cursor.y);
    pump_for(50);
    EXPECT_EQ(nullptr, edit_box_of(m)) << "TEXTBOX off: no edit box";

    g_settings.textbox = 1;
    HWND second = memo(600, 200, 160, 120, nullptr, 1, MEMO_MODE_NEW);
    ASSERT_TRUE(pump_until([&] { return edit_box_of(second) != nullptr; }));
    HWND box = edit_box_of(second);
    char name[64] = "";
    GetClassNameA(box, name, sizeof name);
    EXPECT_STREQ(EDIT_BOX_CLASS, name);
    EXPECT_EQ(second, GetWindow(box, GW_OWNER));
    EXPECT_TRUE(IsWindowVisible(box));
}

TEST_F(MemoWindowTest, HitTestingFollowsTheCursor) {
    HWND m = memo(400, 300, 160, 120, "x");
    struct {
        int x, y;
        LRESULT expected;
    } cases[] = {
        {480, 360, HTCAPTION},    {402, 360, HTLEFT},        {558, 360, HTRIGHT},
        {480, 302, HTTOP},        {480, 418, HTBOTTOM},      {401, 301, HTTOPLEFT},
        {558, 301, HTTOPRIGHT},   {401, 418, HTBOTTOMLEFT},  {558, 418, HTBOTTOMRIGHT},
    };
    for (const auto& c : cases) {
        SetCursorPos(c.x, c.y);
        // The answer comes from the cursor, not from the message's point.
        EXPECT_EQ(c.expected, SendMessageA(m, WM_NCHITTEST, 0, MAKELPARAM(0, 0)))
            << c.x << "," << c.y;
    }
}

TEST_F(MemoWindowTest, MinimumTrackingSizeIsThirtyByThirty) {
    HWND m = memo(100, 100, 160, 120, "x");
    MINMAXINFO info;
    ZeroMemory(&info, sizeof info);
    info.ptMinTrackSize.x = 111;
    info.ptMinTrackSize.y = 111;
    info.ptMaxTrackSize.x = 5000;
    info.ptMaxTrackSize.y = 5000;
    SendMessageA(m, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(30, info.ptMinTrackSize.x);
    EXPECT_EQ(30, info.ptMinTrackSize.y);
    EXPECT_EQ(5000, info.ptMaxTrackSize.x) << "the maximum is left to the system";
}

TEST_F(MemoWindowTest, MovesAndResizesWriteThePositionKeys) {
    HWND m = saved_memo(100, 100, 160, 120);
    MoveWindow(m, 300, 200, 160, 120, TRUE);
    EXPECT_EQ(300, ini_int(ini(m), "LEFT"));
    EXPECT_EQ(200, ini_int(ini(m), "TOP"));
    EXPECT_EQ(460, ini_int(ini(m), "RIGHT"));
    EXPECT_EQ(320, ini_int(ini(m), "BOTTOM"));
    EXPECT_EQ(300, ini_int(ini(m), "X")) << "left half: from the left edge";
    EXPECT_EQ(2, ini_int(ini(m), "QUADRANT"));

    MoveWindow(m, 300, 200, 240, 90, TRUE);
    EXPECT_EQ(240, ini_int(ini(m), "WIDTH"));
    EXPECT_EQ(90, ini_int(ini(m), "HEIGHT"));
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    GetWindowRgn(m, region);
    RECT box;
    GetRgnBox(region, &box);
    DeleteObject(region);
    EXPECT_EQ(240, box.right) << "the region follows the new size";
    EXPECT_EQ(90, box.bottom);

    SendMessageA(m, WM_ENTERSIZEMOVE, 0, 0);  // a drag writes once, where it ends
    for (int x = 310; x <= 400; x += 10) MoveWindow(m, x, 200, 240, 90, TRUE);
    EXPECT_EQ(300, ini_int(ini(m), "LEFT"));
    SendMessageA(m, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_EQ(400, ini_int(ini(m), "LEFT"));

    // A memo that never had a text has no files, and moving it makes none.
    HWND fresh = memo(500, 100, 160, 120, nullptr);
    MoveWindow(fresh, 520, 120, 160, 120, TRUE);
    EXPECT_FALSE(file_exists(ini(fresh)));
    EXPECT_FALSE(file_exists(txt(fresh)));
}

TEST_F(MemoWindowTest, WheelStepsTheColourEvenWhenInactive) {
    HWND m = saved_memo(100, 100, 160, 120, 0);
    ASSERT_EQ(0, record_of(m)->active);
    // Away from the user on index 0 wraps to 6.
    EXPECT_EQ(1, SendMessageA(m, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(150, 150)));
    EXPECT_EQ(6, record_of(m)->color_index);
    EXPECT_EQ(6, ini_int(ini(m), "COLOR"));
    // Toward the user on 6 wraps to 0, then on to 1.
    SendMessageA(m, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(150, 150));
    EXPECT_EQ(0, record_of(m)->color_index);
    SendMessageA(m, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(150, 150));
    EXPECT_EQ(1, record_of(m)->color_index);
    EXPECT_EQ(1, ini_int(ini(m), "COLOR"));
}

TEST_F(MemoWindowTest, ColourCommandsSetTheSlot) {
    HWND m = saved_memo(100, 100, 160, 120, 1);
    for (int id = MEMO_CMD_COLOR; id <= MEMO_CMD_COLOR_LAST; id++) {
        EXPECT_EQ(1, SendMessageA(m, WM_COMMAND, id, 0));
        EXPECT_EQ(id - MEMO_CMD_COLOR, record_of(m)->color_index);
        EXPECT_EQ(id - MEMO_CMD_COLOR, ini_int(ini(m), "COLOR"));
    }
    for (int unknown : {0, 5, 15, 23, 31, 33, 0x2002, 40008}) {
        EXPECT_EQ(0, memo_window_command(unknown, m, 0)) << unknown;
    }
    EXPECT_EQ(6, record_of(m)->color_index);
}

TEST_F(MemoWindowTest, ArrowKeysMoveOnlyTheActiveMemo) {
    HWND m = saved_memo(11, 300, 160, 120);
    record_of(m)->active = 0;
    EXPECT_EQ(1, SendMessageA(m, WM_KEYDOWN, VK_LEFT, 0)) << "swallowed";
    RECT r;
    GetWindowRect(m, &r);
    EXPECT_EQ(11, r.left);

    record_of(m)->active = 1;
    EXPECT_EQ(1, SendMessageA(m, WM_KEYDOWN, VK_LEFT, 0));
    GetWindowRect(m, &r);
    EXPECT_EQ(1, r.left);
    EXPECT_EQ(160, r.right - r.left) << "the size stays";
    EXPECT_EQ(1, ini_int(ini(m), "LEFT")) << "the move is saved";
    SendMessageA(m, WM_KEYDOWN, VK_LEFT, 0);
    GetWindowRect(m, &r);
    EXPECT_EQ(0, r.left);

    SendMessageA(m, WM_KEYDOWN, VK_UP, 0);
    SendMessageA(m, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(m, WM_KEYDOWN, VK_DOWN, 0);
    GetWindowRect(m, &r);
    EXPECT_EQ(310, r.top);

    int cx = GetSystemMetrics(SM_CXFULLSCREEN);
    MoveWindow(m, cx - 15 - 160, 300, 160, 120, TRUE);
    SendMessageA(m, WM_KEYDOWN, VK_RIGHT, 0);
    GetWindowRect(m, &r);
    EXPECT_EQ(cx - 5, r.right);
    SendMessageA(m, WM_KEYDOWN, VK_RIGHT, 0);
    GetWindowRect(m, &r);
    EXPECT_EQ(cx, r.right) << "the last step stops at the edge";
    EXPECT_EQ(cx, ini_int(ini(m), "RIGHT"));

    EXPECT_EQ(0, SendMessageA(m, WM_KEYDOWN, 'A', 0)) << "other keys are not handled";
}

TEST_F(MemoWindowTest, EnterOpensTheEditBoxAndTabActivatesTheNextMemo) {
    HWND a = saved_memo(100, 100, 160, 120);
    HWND b = saved_memo(300, 100, 160, 120);
    SetForegroundWindow(a);
    SetActiveWindow(a);
    pump_for(20);
    ASSERT_EQ(1, record_of(a)->active);
    SendMessageA(a, WM_KEYDOWN, VK_TAB, 0);
    pump_for(20);
    EXPECT_EQ(b, GetActiveWindow());
    EXPECT_EQ(1, record_of(b)->active);
    EXPECT_EQ(0, record_of(a)->active);

    // The last memo wraps to the first registered one, which may be a memo
    // of another test still alive; walk until a comes round again.
    for (int i = 0; i < 50 && GetActiveWindow() != a; i++) {
        SendMessageA(GetActiveWindow(), WM_KEYDOWN, VK_TAB, 0);
        pump_for(5);
    }
    EXPECT_EQ(a, GetActiveWindow());

    SendMessageA(a, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(pump_until([&] { return edit_box_of(a) != nullptr; }));
    EXPECT_TRUE(IsWindow(edit_box_of(a)));
}

TEST_F(MemoWindowTest, EditCommandOpensOneBoxWithTheMemoText) {
    HWND m = memo(100, 100, 160, 120, u8"一行目\n二行目");
    EXPECT_EQ(1, SendMessageA(m, WM_COMMAND, MEMO_CMD_EDIT, 0));
    HWND box = edit_box_of(m);
    ASSERT_NE(nullptr, box);
    wchar_t text[64] = L"";
    SendMessageW(GetDlgItem(box, IDC_EDIT_TEXT), WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(0, wcsncmp(L"一行目", text, 3)) << "the text went in as UTF-16";

    EXPECT_EQ(1, SendMessageA(m, WM_COMMAND, MEMO_CMD_EDIT, 0));
    EXPECT_EQ(box, edit_box_of(m)) << "a second edit brings the same box forward";
    RECT r;
    GetWindowRect(box, &r);
    EXPECT_EQ(250, r.right - r.left) << "EDITWIDTH at 96 DPI";
    EXPECT_EQ(200, r.bottom - r.top);

    EXPECT_EQ(1, SendMessageA(m, WM_COMMAND, MEMO_CMD_EDIT_CLOSED, 0));
    EXPECT_EQ(nullptr, edit_box_of(m));
    DestroyWindow(box);
    pump_for(20);
}

TEST_F(MemoWindowTest, NewTextIsStampedSavedAndRepainted) {
    HWND m = memo(100, 100, 160, 120, nullptr);
    memo_record* record = record_of(m);
    EXPECT_EQ(1, SendMessageA(m, WM_COMMAND, MEMO_CMD_SET_TEXT,
                              reinterpret_cast<LPARAM>(tracked_copy(u8"a\r\nb"))));
    EXPECT_STREQ(u8"a\r\nb", record->text);
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(now.wMonth * 32 + now.wDay, record->day);
    EXPECT_NEAR(now.wHour * 60 + now.wMinute, record->time, 1);
    // TEXTFILE 65537: byte-order mark and CR LF.
    EXPECT_EQ("\xEF\xBB\xBF" "a\r\nb", read_file(txt(m)));
    EXPECT_EQ(record->day, ini_int(ini(m), "DAY"));
    EXPECT_EQ(1, ini_int(ini(m), "COLOR"));
    EXPECT_EQ(160, ini_int(ini(m), "WIDTH"));
    pump_for(20);
    EXPECT_EQ(1, foreground_commands().load()) << "CMD_FOREGROUND to the main window";

    // An empty text is a text like any other.
    EXPECT_EQ(1, SendMessageA(m, WM_COMMAND, MEMO_CMD_SET_TEXT,
                              reinterpret_cast<LPARAM>(tracked_copy(""))));
    EXPECT_STREQ("", record->text);
    EXPECT_EQ("\xEF\xBB\xBF", read_file(txt(m)));
}

TEST_F(MemoWindowTest, MissingTextBlockIsRefusedWithAMessage) {
    HWND m = memo(100, 100, 160, 120, "old");
    box_answerer answer("Kelvane", IDOK);
    EXPECT_EQ(0, SendMessageA(m, WM_COMMAND, MEMO_CMD_SET_TEXT, 0));
    EXPECT_EQ("メモの更新に失敗しました。", answer.text());
    EXPECT_STREQ("old", record_of(m)->text);
}

// The memo keeps and shows a text it could not write (its folder is gone
// and cannot be made); the save stays owed and the user hears why.
TEST_F(MemoWindowTest, TextThatCannotBeWrittenIsKeptAndReported) {
    HWND m = memo(100, 100, 160, 120, "old");
    strcpy(g_settings.path, (folder + "\\no such folder\\deeper").c_str());
    uint64_t blocks = tracked_live_count();
    box_answerer answer("Kelvane", IDOK);
    EXPECT_EQ(0, SendMessageA(m, WM_COMMAND, MEMO_CMD_SET_TEXT,
                              reinterpret_cast<LPARAM>(tracked_copy("new"))));
    std::string notice = answer.text();
    EXPECT_NE(std::string::npos, notice.find("データフォルダが見つからず")) << notice;
    EXPECT_NE(std::string::npos, notice.find("画面に残っています")) << notice;
    EXPECT_STREQ("new", record_of(m)->text);
    EXPECT_EQ(1, save_queue_count());
    save_queue_clear();
    EXPECT_EQ(blocks, tracked_live_count()) << "the old text was released, the new one kept";
}

// Deleted, or moved to the recycle bin: either way both files leave the
// data folder and the memo the registry.
class MemoPeelTest : public MemoWindowTest, public ::testing::WithParamInterface<int> {};

TEST_P(MemoPeelTest, TakesBothFilesAndTheRegistryEntry) {
    const int recycle = GetParam();
    g_settings.recycle = recycle;
    foreground_commands() = 0;
    HWND m = saved_memo(100, 100, 160, 120);
    std::string text_file = txt(m);
    std::string ini_file = ini(m);
    ASSERT_TRUE(file_exists(text_file));
    ASSERT_TRUE(file_exists(ini_file));
    EXPECT_EQ(1, SendMessageA(m, WM_COMMAND, MEMO_CMD_PEEL, 0));
    EXPECT_FALSE(IsWindow(m));
    EXPECT_FALSE(file_exists(text_file));
    EXPECT_FALSE(file_exists(ini_file));
    for (HWND w = memo_registry_next(nullptr); w; w = memo_registry_next(w)) {
        EXPECT_NE(m, w) << "still registered";
    }
    pump_for(20);
    EXPECT_EQ(2, foreground_commands().load()) << "one for the text, one for the peel";
}
INSTANTIATE_TEST_SUITE_P(Rows, MemoPeelTest, ::testing::Values(0, 1));

// The peel command asks first when DELETEMESSAGEBOX is set, the Delete key
// always; refused, the memo and its files stay.
struct AskCase {
    UINT message;
    WPARAM word;
    const char* caption;
    const char* question;
    int refuse, accept;
};
const AskCase k_ask_cases[] = {
    {WM_COMMAND, MEMO_CMD_PEEL, "Kelvane", "メモをはがしますか？", IDNO, IDYES},
    {WM_KEYDOWN, VK_DELETE, "『Kelvane』", "このメモをはがしてもよろしいですか？", IDCANCEL, IDOK},
};
class PeelAskTest : public MemoWindowTest, public ::testing::WithParamInterface<AskCase> {};

TEST_P(PeelAskTest, AsksFirstWhenSetAndTheDeleteKeyAlways) {
    const AskCase& c = GetParam();
    g_settings.deletemessagebox = c.message == WM_COMMAND;
    HWND m = saved_memo(100, 100, 160, 120);
    record_of(m)->active = 1;
    std::string text_file = txt(m);
    {
        box_answerer answer(c.caption, c.refuse);
        EXPECT_EQ(1, SendMessageA(m, c.message, c.word, 0));
        EXPECT_EQ(c.question, answer.text());
    }
    pump_for(30);
    EXPECT_TRUE(IsWindow(m)) << "refused, the memo stays";
    EXPECT_TRUE(file_exists(text_file));
    {
        box_answerer answer(c.caption, c.accept);
        SendMessageA(m, c.message, c.word, 0);
    }
    EXPECT_TRUE(pump_until([&] { return !IsWindow(m); }));
    EXPECT_FALSE(file_exists(text_file));
}
INSTANTIATE_TEST_SUITE_P(Rows, PeelAskTest, ::testing::ValuesIn(k_ask_cases));

TEST_F(MemoWindowTest, ContextMenuOffersEditOnlyWithoutAnEditBox) {
    HWND m = memo(100, 100, 160, 120, "x");
    SetForegroundWindow(m);
    strcpy(g_settings.colors[2].colortext, "若草色");  // renamed: shown at once
    {
        menu_reader reader;
        EXPECT_EQ(1, SendMessageA(m, WM_NCRBUTTONDOWN, HTCAPTION, MAKELPARAM(180, 160)));
        std::vector<std::wstring> items = reader.items();
        ASSERT_EQ(3u, items.size());
        EXPECT_EQ(L"付箋の色", items[0]);
        EXPECT_EQ(L"編集する", items[1]);
        EXPECT_EQ(L"はがす", items[2]);
        std::vector<std::wstring> colors = reader.first_submenu_items();
        ASSERT_EQ(7u, colors.size());
        EXPECT_EQ(L"バーミリオンオレンジ", colors[0]);
        EXPECT_EQ(L"若草色", colors[2]);
        EXPECT_EQ(L"スノーホワイト", colors[6]);
    }
    SendMessageA(m, WM_COMMAND, MEMO_CMD_EDIT, 0);
    ASSERT_NE(nullptr, edit_box_of(m));
    SetForegroundWindow(m);
    {
        menu_reader reader;
        SendMessageA(m, WM_NCRBUTTONDOWN, HTCAPTION, MAKELPARAM(180, 160));
        std::vector<std::wstring> items = reader.items();
        ASSERT_EQ(2u, items.size());
        EXPECT_EQ(L"付箋の色", items[0]);
        EXPECT_EQ(L"はがす", items[1]);
    }
    DestroyWindow(edit_box_of(m));
}

TEST_F(MemoWindowTest, DoubleClickPostsTheEditCommand) {
    HWND m = memo(100, 100, 160, 120, "x");
    EXPECT_EQ(1, SendMessageA(m, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(150, 150)));
    EXPECT_EQ(nullptr, edit_box_of(m)) << "posted, not yet carried out";
    EXPECT_TRUE(pump_until([&] { return edit_box_of(m) != nullptr; }));
}

TEST_F(MemoWindowTest, ActivationFollowsTheWindowAndGivesTheFocus) {
    HWND m = memo(100, 100, 160, 120, "x");
    SetForegroundWindow(m);
    SetActiveWindow(m);
    pump_for(20);
    EXPECT_EQ(1, record_of(m)->active);
    EXPECT_EQ(m, GetFocus()) << "keys reach the active memo";
    SetActiveWindow(owner);
    pump_for(20);
    EXPECT_EQ(0, record_of(m)->active);
}

TEST_F(MemoWindowTest, RegionMessageMirrorsTheFold) {
    HWND m = memo(100, 100, 160, 120, "x");
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    GetWindowRgn(m, region);
    EXPECT_FALSE(PtInRegion(region, 159, 119));
    EXPECT_TRUE(PtInRegion(region, 0, 119));
    g_settings.leftfold = 1;
    EXPECT_EQ(1, SendMessageA(m, MSG_MEMO_REGION, 0, 0));
    GetWindowRgn(m, region);
    EXPECT_TRUE(PtInRegion(region, 159, 119)) << "the right corner is whole again";
    EXPECT_FALSE(PtInRegion(region, 0, 119)) << "the left one is cut";
    DeleteObject(region);
}

// Ctrl+Enter on a memo belongs to the accelerator table, which hands it to
// the memo's owner; the memo never sees the Enter that would open its box.
TEST_F(MemoWindowTest, CtrlEnterOnAMemoDoesNothing) {
    HWND m = memo(100, 100, 160, 120, "x");
    SetForegroundWindow(m);
    SetActiveWindow(m);
    pump_for(30);
    ASSERT_EQ(m, GetFocus());
    probe_chord(VK_CONTROL, VK_RETURN);
    pump_for(300);
    EXPECT_EQ(nullptr, edit_box_of(m));
    // Plain Enter, the same way, does open it.
    probe_keys({probe_key_input(VK_RETURN, false), probe_key_input(VK_RETURN, true)});
    EXPECT_TRUE(pump_until([&] { return edit_box_of(m) != nullptr; }));
}

// A memo read from files has no tooltip control until the pointer rests on
// it, and then shows its text and date line as if the control had always
// been there; a refresh makes the control too.
TEST_F(MemoWindowTest, TooltipControlComesWithThePointerAndARefreshMakesNone) {
    HWND hovered = memo(300, 300, 160, 120, u8"ホバー");
    HWND refreshed = memo(600, 300, 160, 120, "r");
    EXPECT_EQ(nullptr, record_of(hovered)->tooltip);
    EXPECT_EQ(nullptr, record_of(refreshed)->tooltip);

    SetCursorPos(0, 0);
    pump_for(100);
    SetCursorPos(380, 360);
    HWND tooltip = nullptr;
    ASSERT_TRUE(pump_until([&] {
        tooltip = record_of(hovered)->tooltip;
        return tooltip && IsWindowVisible(tooltip);
    })) << "no tip within three seconds";
    EXPECT_EQ(hovered, GetWindow(tooltip, GW_OWNER));
    wchar_t text[256] = L"";
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = hovered;
    tool.uId = MEMO_TOOLTIP_TOOL_ID;
    tool.lpszText = text;
    SendMessageW(tooltip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(std::wstring(L"ホバー\n最終更新日 0月0日 0時0分"), text);
    EXPECT_EQ(10000, SendMessageA(tooltip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0));
    SetCursorPos(0, 0);

    EXPECT_EQ(nullptr, record_of(refreshed)->tooltip) << "only the memo under the pointer";
    g_settings.tooltiptime = 5000;  // reaches the tooltips there are, makes none
    for (HWND m : {refreshed, hovered}) EXPECT_EQ(1, memo_window_command(MEMO_CMD_TOOLTIP, m, 0));
    EXPECT_EQ(nullptr, record_of(refreshed)->tooltip);
    EXPECT_EQ(5000, SendMessageA(tooltip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0));
}

TEST_F(MemoWindowTest, UnregisteredWindowChangesNothing) {
    HWND m = memo(100, 100, 160, 120, "x");
    memo_registry_remove(m);
    EXPECT_EQ(0, SendMessageA(m, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0));
    EXPECT_EQ(0, SendMessageA(m, WM_KEYDOWN, VK_LEFT, 0));
    EXPECT_EQ(0, memo_window_command(MEMO_CMD_COLOR + 2, m, 0));
    EXPECT_EQ(1, memo_window_command(MEMO_CMD_TOOLTIP, m, 0));
    uint64_t blocks = tracked_live_count();
    {
        box_answerer answer("Kelvane", IDOK);
        EXPECT_EQ(0, memo_window_command(MEMO_CMD_SET_TEXT, m,
                                         reinterpret_cast<LPARAM>(tracked_copy("lost"))));
        EXPECT_EQ("メモの更新に失敗しました。", answer.text());
    }
    EXPECT_EQ(blocks, tracked_live_count()) << "the block was released";
    {
        box_answerer answer("Kelvane", IDOK);
        EXPECT_EQ(1, memo_window_command(MEMO_CMD_PEEL, m, 0));
        EXPECT_EQ("メモの削除に失敗しました。", answer.text());
    }
    EXPECT_FALSE(IsWindow(m)) << "the window goes all the same";
    memos.clear();
}

}  // namespace
