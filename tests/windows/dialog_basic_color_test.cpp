// The settings sheet's basic page and its colours and font page, driven
// the way a user drives them: the sheet runs modally on the test's thread
// while a second thread clicks its boxes, moves its trackbars, works the
// colour and font pickers and presses OK or Cancel.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string.h>

#include <string>
#include <vector>

#include "basic_page.h"
#include "color_page.h"
#include "memo_test_support.h"
#include "memo_tooltip.h"

namespace {

using memo_test::SheetTest;
using memo_test::click;
using memo_test::find_owned_dialog;
using memo_test::owned_dialog;
using memo_test::record_of;
using memo_test::sheet_page;
using memo_test::text_of;
using memo_test::ticked;
using memo_test::wait_for;

// --- basic page -------------------------------------------------------------

// A dragged thumb: the trackbar moves and tells its page with the scroll
// code of a drag.
void move_thumb(HWND page, int id, int position, int code = TB_THUMBTRACK) {
    HWND trackbar = GetDlgItem(page, id);
    SendMessageA(trackbar, TBM_SETPOS, TRUE, position);
    SendMessageA(page, WM_HSCROLL, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(trackbar));
}

int thumb(HWND page, int id) {
    return static_cast<int>(SendDlgItemMessageA(page, id, TBM_GETPOS, 0, 0));
}

BYTE alpha_of(HWND memo) {
    BYTE alpha = 0;
    DWORD flags = 0;
    GetLayeredWindowAttributes(memo, nullptr, &alpha, &flags);
    return alpha;
}

// Presses the only button of the first message box with the given caption
struct basic_view {
    bool boxes[8];
    int transparency, tooltip, memo_size;
    int transparency_min, transparency_max, tooltip_max, size_min, size_max;
    bool make_memo, toggle;
};

const int k_boxes[8] = {1001, 1003, 1005, 1023, 1024, 1035, 1036, 1049};
int32_t settings_record::*const k_box_fields[8] = {
    &settings_record::topmost,  &settings_record::imeon,   &settings_record::recycle,
    &settings_record::deletemessagebox, &settings_record::leftfold, &settings_record::textbox,
    &settings_record::notext,   &settings_record::memolist};

TEST_F(SheetTest, BasicPageShowsTheSettings) {
    const struct {
        int32_t on_values[8];
        int32_t transparency, tooltiptime, memosize, dblclick;
        basic_view view;
    } cases[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0}, 200, 10000, 1, 0,
         {{false, false, false, false, false, false, false, false}, 200, 2, 1, 10, 255, 6, 1, 3, true, false}},
        {{1, 1, 1, 1, 0, 1, 1, 1}, 10, 12000, 2, 1,
         {{true, true, true, true, false, true, true, true}, 10, 2, 2, 10, 255, 6, 1, 3, false, true}},
        // Values other than 0 and 1 tick a box; a size beyond 3 shows at the end.
        {{2, 0, -1, 0, 7, 0, 0, 0}, 255, 30000, 5, 2,
         {{true, false, true, false, true, false, false, false}, 255, 6, 3, 10, 255, 6, 1, 3, true, false}},
        {{0, 0, 0, 0, 0, 0, 0, 0}, 100, 0, 0, 0,
         {{false, false, false, false, false, false, false, false}, 100, 0, 1, 10, 255, 6, 1, 3, true, false}},
    };
    for (const auto& c : cases) {
        for (int i = 0; i < 8; i++) g_settings.*k_box_fields[i] = c.on_values[i];
        g_settings.transparency = c.transparency;
        g_settings.tooltiptime = c.tooltiptime;
        g_settings.defaultmemosize = c.memosize;
        g_settings.tasktrayicondoubleclick = c.dblclick;
        basic_view v = {};
        ASSERT_TRUE(run_sheet([&](HWND sheet) {
            HWND page = sheet_page(sheet, 0);
            for (int i = 0; i < 8; i++) v.boxes[i] = ticked(page, k_boxes[i]);
            v.transparency = thumb(page, 1002);
            v.tooltip = thumb(page, 1004);
            v.memo_size = thumb(page, 1010);
            v.transparency_min = static_cast<int>(SendDlgItemMessageA(page, 1002, TBM_GETRANGEMIN, 0, 0));
            v.transparency_max = static_cast<int>(SendDlgItemMessageA(page, 1002, TBM_GETRANGEMAX, 0, 0));
            v.tooltip_max = static_cast<int>(SendDlgItemMessageA(page, 1004, TBM_GETRANGEMAX, 0, 0));
            v.size_min = static_cast<int>(SendDlgItemMessageA(page, 1010, TBM_GETRANGEMIN, 0, 0));
            v.size_max = static_cast<int>(SendDlgItemMessageA(page, 1010, TBM_GETRANGEMAX, 0, 0));
            v.make_memo = ticked(page, 1033);
            v.toggle = ticked(page, 1034);
        }, IDCANCEL));
        SCOPED_TRACE(::testing::Message() << "TOOLTIPTIME " << c.tooltiptime);
        for (int i = 0; i < 8; i++) EXPECT_EQ(c.view.boxes[i], v.boxes[i]) << "box " << k_boxes[i];
        EXPECT_EQ(c.view.transparency, v.transparency);
        EXPECT_EQ(c.view.tooltip, v.tooltip);
        EXPECT_EQ(c.view.memo_size, v.memo_size);
        EXPECT_EQ(10, v.transparency_min);
        EXPECT_EQ(255, v.transparency_max);
        EXPECT_EQ(6, v.tooltip_max);
        EXPECT_EQ(1, v.size_min);
        EXPECT_EQ(3, v.size_max);
        EXPECT_EQ(c.view.make_memo, v.make_memo);
        EXPECT_EQ(c.view.toggle, v.toggle);
        EXPECT_EQ(c.memosize, g_settings.defaultmemosize) << "shown at the end, kept as stored";
    }
}

bool fold_on_left(HWND memo) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    int kind = GetWindowRgn(memo, region);
    RECT r;
    GetWindowRect(memo, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    bool left_cut = !PtInRegion(region, 1, h - 2);
    bool right_cut = !PtInRegion(region, w - 2, h - 2);
    DeleteObject(region);
    EXPECT_NE(ERROR, kind);
    EXPECT_NE(left_cut, right_cut) << "exactly one corner is folded";
    return left_cut;
}

// Each box writes its own setting and nothing else; two clicks put it back.
TEST_F(SheetTest, EachCheckBoxChangesExactlyItsSetting) {
    for (int32_t settings_record::*field : k_box_fields) g_settings.*field = 0;
    settings_record before;
    std::vector<std::string> faults;
    bool left_fold[2][2] = {};
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 0);
        for (int i = 0; i < 8; i++) {
            before = g_settings;
            click(page, k_boxes[i]);
            settings_record expected = before;
            expected.*k_box_fields[i] = 1;
            if (memcmp(&expected, &g_settings, sizeof expected) != 0) {
                faults.push_back("ticking " + std::to_string(k_boxes[i]));
            }
            if (k_boxes[i] == 1024) {
                left_fold[0][0] = fold_on_left(memos[0]);
                left_fold[0][1] = fold_on_left(memos[1]);
            }
            click(page, k_boxes[i]);
            if (memcmp(&before, &g_settings, sizeof before) != 0) {
                faults.push_back("clearing " + std::to_string(k_boxes[i]));
            }
            if (k_boxes[i] == 1024) {
                left_fold[1][0] = fold_on_left(memos[0]);
                left_fold[1][1] = fold_on_left(memos[1]);
            }
        }
    }, IDCANCEL));
    EXPECT_EQ(std::vector<std::string>{}, faults);
    EXPECT_TRUE(left_fold[0][0] && left_fold[0][1]) << "every memo re-shaped at once";
    EXPECT_FALSE(left_fold[1][0] || left_fold[1][1]);
}

// The box moves the sheet's owner, the main window, between the bands; the
// memos are owned by it and follow.  What the owner is asked for is seen in
// its position-changing message: Wine keeps an owner below its visible
// owned windows (the sheet itself is one), so the band itself cannot be
// read back while the sheet is open.
std::vector<HWND> g_insert_after;

LRESULT CALLBACK record_insert_after(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                     UINT_PTR, DWORD_PTR) {
    if (message == WM_WINDOWPOSCHANGING) {
        const WINDOWPOS* pos = reinterpret_cast<const WINDOWPOS*>(lparam);
        if (!(pos->flags & SWP_NOZORDER)) g_insert_after.push_back(pos->hwndInsertAfter);
    }
    return DefSubclassProc(hwnd, message, wparam, lparam);
}

TEST_F(SheetTest, TopmostBoxMovesTheOwnerBetweenTheBands) {
    g_settings.topmost = 0;
    g_insert_after.clear();
    ASSERT_TRUE(SetWindowSubclass(owner, record_insert_after, 1, 0));
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 0);
        g_insert_after.clear();  // whatever opening the sheet did
        click(page, 1001);
        click(page, 1001);
    }, IDCANCEL));
    RemoveWindowSubclass(owner, record_insert_after, 1);
    EXPECT_EQ((std::vector<HWND>{HWND_TOPMOST, HWND_NOTOPMOST}), g_insert_after);
    EXPECT_EQ(0, g_settings.topmost);
}

TEST_F(SheetTest, ABoxNeverChangesAValueOtherThanZeroOrOne) {
    g_settings.imeon = 2;
    g_settings.notext = -1;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 0);
        for (int round = 0; round < 3; round++) {
            click(page, 1003);
            click(page, 1036);
        }
    }));
    EXPECT_EQ(2, g_settings.imeon);
    EXPECT_EQ(-1, g_settings.notext);
}

TEST_F(SheetTest, TransparencyReachesEveryMemoWhileTheThumbMoves) {
    std::vector<int> seen;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 0);
        for (int position : {180, 120, 60, 10}) {
            move_thumb(page, 1002, position);
            seen.push_back(g_settings.transparency);
            for (HWND memo : memos) seen.push_back(alpha_of(memo));
        }
        move_thumb(page, 1002, 60, TB_ENDTRACK);
    }, IDCANCEL));
    EXPECT_EQ((std::vector<int>{180, 180, 180, 120, 120, 120, 60, 60, 60, 10, 10, 10}), seen);
    EXPECT_EQ(60, g_settings.transparency) << "Cancel keeps what was moved";
    EXPECT_EQ(60, alpha_of(memos[0]));
}

TEST_F(SheetTest, MemoSizeAndDoubleClickChangeAtOnce) {
    std::vector<int> seen;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 0);
        move_thumb(page, 1010, 3, TB_THUMBPOSITION);
        seen.push_back(g_settings.defaultmemosize);
        move_thumb(page, 1010, 2, TB_LINEUP);
        seen.push_back(g_settings.defaultmemosize);
        click(page, 1034);
        seen.push_back(g_settings.tasktrayicondoubleclick);
        seen.push_back(ticked(page, 1033));
        click(page, 1033);
        seen.push_back(g_settings.tasktrayicondoubleclick);
        seen.push_back(ticked(page, 1034));
        click(page, 1034);
        move_thumb(page, 1004, 5);
        seen.push_back(g_settings.tooltiptime);
    }, IDCANCEL));
    EXPECT_EQ((std::vector<int>{3, 2, 1, 0, 0, 0, 10000}), seen);
    EXPECT_EQ(1, g_settings.tasktrayicondoubleclick);
    EXPECT_EQ(10000, g_settings.tooltiptime) << "Cancel drops the tooltip time";
}

int autopop(HWND memo) {
    return static_cast<int>(SendMessageA(record_of(memo)->tooltip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0));
}

// The tooltip time waits for OK; the memos hear of it only when it changed.
TEST_F(SheetTest, TooltipTimeIsCommittedAtOkOnly) {
    const struct {
        const char* what;
        int32_t start;
        std::vector<int> positions;
        int button;
        int32_t result;
        bool memos_told;
    } cases[] = {
        {"untouched", 12000, {}, IDOK, 12000, false},
        {"to 15 s", 12000, {3}, IDOK, 15000, true},
        {"moved, then Cancel", 12000, {4}, IDCANCEL, 12000, false},
        {"away and back", 10000, {5, 2}, IDOK, 10000, false},
        {"to 30 s", 10000, {6}, IDOK, 30000, true},
        {"off", 10000, {0}, IDOK, 0, true},
    };
    // The controls come into being when first needed: here, before the
    // marks, as the pointer resting on each memo would make them.
    for (HWND memo : memos) ASSERT_NE(nullptr, memo_tooltip_of(memo));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_settings.tooltiptime = c.start;
        // A mark that only a refresh from the page overwrites.
        for (HWND memo : memos) SendMessageA(record_of(memo)->tooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 1234);
        ASSERT_TRUE(run_sheet([&](HWND sheet) {
            HWND page = sheet_page(sheet, 0);
            for (int position : c.positions) move_thumb(page, 1004, position);
        }, c.button));
        EXPECT_EQ(c.result, g_settings.tooltiptime);
        for (HWND memo : memos) {
            if (!c.memos_told) {
                EXPECT_EQ(1234, autopop(memo)) << "no refresh was sent";
            } else if (c.result > 0) {
                EXPECT_EQ(c.result, autopop(memo));
            } else {
                EXPECT_NE(1234, autopop(memo)) << "the memos were told";
            }
        }
    }
}

// --- colours and font page ---------------------------------------------------

TEST_F(SheetTest, SlotNamesAreTakenAtOkOnly) {
    const std::string long_name = std::string(253, 'a') + "あい";  // 257 bytes
    const struct {
        const char* what;
        std::string name;
        int button;
        std::string result;
    } cases[] = {
        {"Cancel keeps the old name", "新しい名前", IDCANCEL, "うぐいす色"},
        {"OK stores the new name", "新しい名前", IDOK, "新しい名前"},
        {"a long name is cut before the broken character", long_name, IDOK, std::string(253, 'a') + "あ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        strcpy(g_settings.colors[2].colortext, "うぐいす色");
        std::string shown;
        ASSERT_TRUE(run_sheet([&](HWND sheet) {
            HWND page = sheet_page(sheet, 1);
            shown = text_of(GetDlgItem(page, 1203));
            SetDlgItemTextA(page, 1203, c.name.c_str());
        }, c.button));
        EXPECT_EQ("うぐいす色", shown);
        EXPECT_EQ(c.result, g_settings.colors[2].colortext);
        EXPECT_STREQ("スカイブルー", g_settings.colors[3].colortext) << "the other slots keep theirs";
    }
}

TEST_F(SheetTest, FontLabelsShowTheMemoFont) {
    const struct {
        int32_t weight;
        const char* style;
    } cases[] = {{700, "太字"}, {400, "標準"}, {401, "太字"}};
    for (const auto& c : cases) {
        g_settings.fontstyle = c.weight;
        g_settings.fontsize = 12;
        std::string name, style, size;
        ASSERT_TRUE(run_sheet([&](HWND sheet) {
            HWND page = sheet_page(sheet, 1);
            name = text_of(GetDlgItem(page, 1006));
            style = text_of(GetDlgItem(page, 1008));
            size = text_of(GetDlgItem(page, 1009));
        }, IDCANCEL));
        EXPECT_EQ("メイリオ", name);
        EXPECT_EQ(c.style, style) << c.weight;
        EXPECT_EQ("12", size);
    }
}

void menu_key(HWND menu, WPARAM key) {
    PostMessageA(menu, WM_KEYDOWN, key, 0);
    Sleep(50);
}

// The colour picker's red, green and blue boxes.
void picker_set_rgb(HWND picker, int r, int g, int b) {
    const int ids[3] = {706, 707, 708};
    const int values[3] = {r, g, b};
    for (int i = 0; i < 3; i++) {
        SetDlgItemInt(picker, ids[i], values[i], FALSE);
    }
}

TEST_F(SheetTest, RightClickMenuPicksWhichColourTheButtonEdits) {
    g_settings.colors[4].bordercolor = 0;
    g_settings.colors[4].color = 0x00c0ff80;
    bool picker_seen = false;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 1);
        HWND button = GetDlgItem(page, 1105);
        // Dismissed: nothing.
        PostMessageA(page, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(button), 0);
        HWND menu = probe_wait_menu(5000);
        ASSERT_NE(nullptr, menu);
        menu_key(menu, VK_ESCAPE);
        wait_for([] { return probe_shown_menu() == nullptr; });
        Sleep(100);
        EXPECT_EQ(nullptr, owned_dialog(page)) << "no picker";

        // The third item, "メモの枠の色", opens the picker on the border colour.
        PostMessageA(page, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(button), 0);
        menu = probe_wait_menu(5000);
        ASSERT_NE(nullptr, menu);
        menu_key(menu, VK_DOWN);
        menu_key(menu, VK_DOWN);
        menu_key(menu, VK_DOWN);
        menu_key(menu, VK_RETURN);
        HWND picker = find_owned_dialog(page);
        ASSERT_NE(nullptr, picker);
        picker_seen = true;
        picker_set_rgb(picker, 0x12, 0x34, 0x56);
        Sleep(100);
        PostMessageA(picker, WM_COMMAND, IDOK, 0);
        wait_for([picker] { return !IsWindow(picker); });
    }, IDCANCEL));
    EXPECT_TRUE(picker_seen);
    EXPECT_EQ(0x00563412u, g_settings.colors[4].bordercolor);
    EXPECT_EQ(0x00c0ff80u, g_settings.colors[4].color) << "the fill is untouched";
}

TEST_F(SheetTest, CancelledColourPickerChangesNothing) {
    settings_record before = g_settings;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 1);
        PostMessageA(GetDlgItem(page, 1102), BM_CLICK, 0, 0);
        HWND picker = find_owned_dialog(page);
        ASSERT_NE(nullptr, picker);
        picker_set_rgb(picker, 1, 2, 3);
        PostMessageA(picker, WM_COMMAND, IDCANCEL, 0);
        wait_for([picker] { return !IsWindow(picker); });
    }));
    EXPECT_EQ(0, memcmp(&before, &g_settings, sizeof before));
}

// A colour button is a small memo of its slot: the fill inside, the border
// colour along the edge.
TEST_F(SheetTest, ColourButtonsAreDrawnInTheirSlotsColours) {
    g_settings.colors[4].color = 0x00112233;
    g_settings.colors[4].bordercolor = 0x00445566;
    memo_test::canvas c(80, 24, RGB(255, 255, 255));
    ASSERT_TRUE(run_sheet([&](HWND sheet) { memo_test::draw_item(sheet_page(sheet, 1), 1105, c, ODT_BUTTON); },
                          IDCANCEL));
    EXPECT_EQ(0x00112233u, c.at(5, 12));
    EXPECT_EQ(0x00445566u, c.at(0, 12));
}

TEST_F(SheetTest, CancelledFontPickerKeepsTheFont) {
    bool picker_seen = false;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 1);
        PostMessageA(GetDlgItem(page, 1007), BM_CLICK, 0, 0);
        HWND picker = find_owned_dialog(page);
        ASSERT_NE(nullptr, picker);
        picker_seen = true;
        PostMessageA(picker, WM_COMMAND, IDCANCEL, 0);
        wait_for([picker] { return !IsWindow(picker); });
        Sleep(100);
    }, IDCANCEL));
    EXPECT_TRUE(picker_seen);
    EXPECT_STREQ("メイリオ", g_settings.fontname);
    EXPECT_EQ(10, g_settings.fontsize);
    EXPECT_EQ(400, g_settings.fontstyle);
    EXPECT_EQ(128, g_settings.fontcharset);
}

// The picker's face, style and size boxes (cmb1, cmb2, cmb3).
void picker_choose(HWND picker, int combo, int index) {
    HWND box = GetDlgItem(picker, combo);
    SendMessageA(box, CB_SETCURSEL, index, 0);
    SendMessageA(picker, WM_COMMAND, MAKEWPARAM(combo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
}

// A bold italic face, 12 points: the weight and the size come back, the
// italic is not kept, and the labels and the memos follow.
TEST_F(SheetTest, ChosenFontIsStoredInPointsWithItsWeight) {
    std::string face, style, size;
    int styles = 0;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 1);
        PostMessageA(GetDlgItem(page, 1007), BM_CLICK, 0, 0);
        HWND picker = find_owned_dialog(page);
        ASSERT_NE(nullptr, picker);
        HWND faces = GetDlgItem(picker, 0x470);
        int index = static_cast<int>(SendMessageA(faces, CB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>("IPAGothic")));
        picker_choose(picker, 0x470, index >= 0 ? index : 0);
        char chosen[64] = "";
        SendMessageA(faces, CB_GETLBTEXT, SendMessageA(faces, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(chosen));
        face = chosen;
        styles = static_cast<int>(SendDlgItemMessageA(picker, 0x471, CB_GETCOUNT, 0, 0));
        picker_choose(picker, 0x471, styles - 1);  // the last is bold italic
        HWND sizes = GetDlgItem(picker, 0x472);
        int twelve = static_cast<int>(SendMessageA(sizes, CB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>("12")));
        ASSERT_GE(twelve, 0);
        picker_choose(picker, 0x472, twelve);
        PostMessageA(picker, WM_COMMAND, IDOK, 0);
        wait_for([picker] { return !IsWindow(picker); });
        Sleep(100);
        style = text_of(GetDlgItem(page, 1008));
        size = text_of(GetDlgItem(page, 1009));
    }, IDCANCEL));
    EXPECT_EQ(4, styles) << "regular, italic, bold, bold italic";
    EXPECT_EQ(face, g_settings.fontname);
    EXPECT_EQ(700, g_settings.fontstyle);
    EXPECT_EQ(12, g_settings.fontsize);
    EXPECT_EQ("太字", style);
    EXPECT_EQ("12", size);
}

}  // namespace
