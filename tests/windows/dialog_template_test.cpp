// The dialog templates byte for byte and the banners, as the resource
// compiler wrote them, and the settings sheet as a whole: one modal sheet of
// five pages, every control of every page there with its styles, and the
// pages' tooltips.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "settings_sheet.h"
#include "memo_test_support.h"
#include "resource.h"

namespace {

using memo_test::SheetTest;
using memo_test::k_welcome_text;
using memo_test::sheet_page;
using memo_test::wide;

// ============================================================== templates

// The dialog templates as the resource compiler wrote them.
struct parsed_control {
    DWORD style;
    DWORD exstyle;
    short x, y, cx, cy;
    int id;
    std::wstring cls;
    std::wstring text;
};

struct parsed_dialog {
    DWORD style;
    short cx, cy;
    std::wstring caption;
    WORD points;
    WORD weight;
    BYTE charset;
    std::wstring face;
    std::vector<parsed_control> controls;
};

const WORD* align4(const WORD* p, const void* base) {
    size_t offset = reinterpret_cast<const BYTE*>(p) - static_cast<const BYTE*>(base);
    return reinterpret_cast<const WORD*>(static_cast<const BYTE*>(base) + ((offset + 3) & ~size_t(3)));
}

// A string or ordinal field; ordinals of the predefined classes by name.
const WORD* read_sz_or_ord(const WORD* p, std::wstring* out) {
    if (*p == 0xFFFF) {
        WORD ordinal = p[1];
        const wchar_t* names[] = {L"Button", L"Edit", L"Static", L"ListBox", L"ScrollBar", L"ComboBox"};
        *out = ordinal >= 0x80 && ordinal <= 0x85 ? names[ordinal - 0x80] : L"#" + std::to_wstring(ordinal);
        return p + 2;
    }
    out->assign(reinterpret_cast<const wchar_t*>(p));
    return p + out->size() + 1;
}

bool parse_template(int id, parsed_dialog* dialog) {
    HRSRC info = FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
    if (!info) return false;
    const void* base = LockResource(LoadResource(GetModuleHandleA(nullptr), info));
    const WORD* p = static_cast<const WORD*>(base);
    if (!p || p[0] != 1 || p[1] != 0xFFFF) return false;  // DLGTEMPLATEEX only
    const DWORD* d = reinterpret_cast<const DWORD*>(p + 2);
    dialog->style = d[2];
    p = reinterpret_cast<const WORD*>(d + 3);
    WORD count = *p++;
    p += 2;  // x, y
    dialog->cx = static_cast<short>(*p++);
    dialog->cy = static_cast<short>(*p++);
    std::wstring menu, cls;
    p = read_sz_or_ord(p, &menu);
    p = read_sz_or_ord(p, &cls);
    p = read_sz_or_ord(p, &dialog->caption);
    dialog->points = *p++;
    dialog->weight = *p++;
    dialog->charset = reinterpret_cast<const BYTE*>(p)[1];
    p++;
    p = read_sz_or_ord(p, &dialog->face);
    for (WORD i = 0; i < count; i++) {
        p = align4(p, base);
        const DWORD* item = reinterpret_cast<const DWORD*>(p);
        parsed_control c;
        c.exstyle = item[1];
        c.style = item[2];
        const short* pos = reinterpret_cast<const short*>(item + 3);
        c.x = pos[0];
        c.y = pos[1];
        c.cx = pos[2];
        c.cy = pos[3];
        c.id = static_cast<int>(*reinterpret_cast<const DWORD*>(pos + 4));
        p = reinterpret_cast<const WORD*>(pos + 6);
        p = read_sz_or_ord(p, &c.cls);
        p = read_sz_or_ord(p, &c.text);
        WORD extra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
        dialog->controls.push_back(c);
    }
    return true;
}

struct control_row {
    int id;
    const char* cls;
    const char* text;  // code page 932
    short x, y, cx, cy;
    DWORD style;       // besides WS_CHILD | WS_VISIBLE
    DWORD exstyle;
};

struct template_case {
    const char* name;
    int id;
    const char* caption;
    short cx, cy;
    DWORD style;
    BYTE charset;
    std::vector<control_row> rows;
};

const DWORD CHECK = BS_AUTOCHECKBOX | WS_TABSTOP;
const DWORD RADIO = BS_AUTORADIOBUTTON | WS_TABSTOP;
const DWORD GROUP = BS_GROUPBOX;
const DWORD TRACK = TBS_BOTH | TBS_NOTICKS | WS_GROUP | WS_TABSTOP;
const DWORD NAME_EDIT = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
const DWORD PAGE = DS_SETFONT | DS_MODALFRAME | WS_CAPTION | WS_SYSMENU;
const char* TRACKBAR = "msctls_trackbar32";

std::vector<template_case> template_cases() {
    return {
        {"Welcome", 123, "Kelvane", 213, 173, PAGE | WS_POPUP, 128, {
            {1, "Button", "OK", 156, 150, 50, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
            {1001, "Button", "このメッセージを再表示しない。", 6, 156, 113, 10, CHECK, 0},
            {1028, "Static", k_welcome_text, 6, 54, 204, 90, SS_LEFT, WS_EX_STATICEDGE},
            {1038, "Static", "", 6, 6, 204, 42, SS_OWNERDRAW | SS_SUNKEN, 0},
        }},
        {"Basic", 201, "設定", 229, 241, PAGE, 128, {
            {-1, "Button", "基本", 6, 6, 210, 114, GROUP, 0},
            {1001, "Button", "常に手前に表示", 18, 18, 65, 10, CHECK | WS_GROUP, 0},
            {1003, "Button", "IMEの入力モードを自動的に日本語に切り換える", 18, 30, 158, 10, CHECK, 0},
            {1005, "Button", "メモをはがすとき、データを削除せずごみ箱に入れる", 18, 42, 163, 10, CHECK, 0},
            {1023, "Button", "メモをはがすとき、確認ダイアログを表示する", 18, 54, 141, 10, CHECK, 0},
            {1024, "Button", "メモの折り目を左側にする (通常右側)", 18, 66, 127, 10, CHECK, 0},
            {1035, "Button", "メモの作成時にテキストボックスも表示する", 18, 78, 135, 10, CHECK, 0},
            {1036, "Button", "何も入力しないでテキストボックスを閉じるとダイアログを表示する", 18, 90, 195, 10, CHECK, 0},
            {-1, "Button", "ツールチップの表示時間", 6, 126, 102, 42, GROUP, 0},
            {1004, TRACKBAR, "", 12, 139, 90, 15, TRACK, 0},
            {-1, "Static", "なし", 12, 156, 18, 8, SS_LEFT, 0},
            {-1, "Static", "10秒", 36, 156, 16, 8, SS_LEFT, 0},
            {-1, "Static", "20秒", 60, 156, 16, 8, SS_LEFT, 0},
            {-1, "Static", "30秒", 84, 156, 16, 8, SS_LEFT, 0},
            {-1, "Button", "デフォルトのメモサイズ", 114, 174, 102, 42, GROUP, 0},
            {1010, TRACKBAR, "", 120, 187, 90, 15, TRACK, 0},
            {-1, "Static", "小", 126, 204, 8, 8, SS_LEFT, 0},
            {-1, "Static", "大", 198, 204, 8, 8, SS_LEFT, 0},
            {-1, "Static", "中", 162, 204, 8, 8, SS_LEFT, 0},
            {-1, "Button", "タスクトレイアイコンのダブルクリック", 114, 126, 102, 42, GROUP, 0},
            {1033, "Button", "メモの作成", 120, 138, 48, 10, RADIO | WS_GROUP, 0},
            {1034, "Button", "表示/非表示の切り替え", 120, 150, 89, 10, RADIO, 0},
            {-1, "Button", "透過度", 6, 174, 102, 42, GROUP, 0},
            {1002, TRACKBAR, "", 12, 187, 90, 15, TRACK, 0},
            {-1, "Static", "透明", 12, 204, 18, 8, SS_LEFT, 0},
            {-1, "Static", "不透明", 78, 204, 24, 8, SS_RIGHT, 0},
            {1049, "Button", "タスクトレイのメニューにメモのリストを表示する", 18, 102, 135, 10, CHECK, 0},
        }},
        {"Colour", 202, "メモの色", 229, 241, PAGE, 0, {
            {-1, "Button", "色", 6, 6, 210, 174, GROUP, 0},
            {1101, "Button", "", 12, 48, 50, 14, BS_OWNERDRAW | WS_TABSTOP, 0},
            {1102, "Button", "", 12, 67, 50, 14, BS_OWNERDRAW | WS_TABSTOP, 0},
            {1103, "Button", "", 12, 85, 50, 14, BS_OWNERDRAW | WS_TABSTOP, 0},
            {1104, "Button", "", 12, 102, 50, 14, BS_OWNERDRAW | WS_TABSTOP, 0},
            {1105, "Button", "", 12, 120, 50, 14, BS_OWNERDRAW | WS_TABSTOP, 0},
            {1106, "Button", "", 12, 139, 50, 14, BS_OWNERDRAW | WS_TABSTOP, 0},
            {1107, "Button", "", 12, 157, 50, 14, BS_OWNERDRAW | WS_TABSTOP, 0},
            {1201, "Edit", "", 66, 48, 144, 14, NAME_EDIT | WS_GROUP, 0},
            {1202, "Edit", "", 66, 67, 144, 14, NAME_EDIT, 0},
            {1203, "Edit", "", 66, 85, 144, 14, NAME_EDIT, 0},
            {1205, "Edit", "", 66, 120, 144, 14, NAME_EDIT, 0},
            {1204, "Edit", "", 66, 102, 144, 14, NAME_EDIT, 0},
            {1206, "Edit", "", 66, 139, 144, 14, NAME_EDIT, 0},
            {1207, "Edit", "", 66, 157, 144, 14, NAME_EDIT, 0},
            {-1, "Static",
             "色を変更するには、色の部分をクリックしてください。\n文字や枠の色を変えるには色の部分を右クリックして下さい。",
             12, 18, 195, 16, SS_LEFT, 0},
            {-1, "Button", "フォント", 6, 186, 210, 48, GROUP, 0},
            {-1, "Static", "フォント名", 12, 198, 30, 8, SS_LEFT, 0},
            {-1, "Static", "スタイル", 102, 198, 23, 8, SS_LEFT, 0},
            {-1, "Static", "サイズ", 132, 198, 19, 8, SS_LEFT, 0},
            {1006, "Static", "", 12, 210, 84, 12, SS_LEFT, WS_EX_STATICEDGE},
            {1008, "Static", "", 102, 210, 24, 12, SS_LEFT, WS_EX_STATICEDGE},
            {1009, "Static", "", 132, 210, 24, 12, SS_LEFT, WS_EX_STATICEDGE},
            {1007, "Button", "選択", 162, 210, 50, 14, BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, 0},
        }},
        {"Data", 203, "データと位置", 227, 241, PAGE, 0, {
            {-1, "Button", "メモデータの保存先", 6, 6, 210, 162, GROUP, 0},
            {1024, "Button", "ポータブルモード", 12, 18, 63, 10, RADIO | WS_GROUP, 0},
            {1025, "Button", "スタンダードモード", 12, 54, 66, 10, RADIO, 0},
            {1046, "Static",
             "メモのデータをプログラムと同じフォルダに保存します。\nプログラムごとUSBメモリなどで持ち運ぶこともできます。",
             24, 30, 186, 18, SS_LEFT, 0},
            {1021, "Static",
             "メモのデータを任意のフォルダに保存します。\n保存先をクラウドストレージにすることで、複数のコンピュータでメモを同期することもできます。",
             24, 66, 174, 24, SS_LEFT, 0},
            {1026, "Button", "適用", 159, 147, 50, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
            {1027, "Button", "フォルダのパス", 23, 92, 186, 51, GROUP, 0},
            {1019, "Static", "", 29, 104, 174, 16, SS_LEFT, WS_EX_STATICEDGE},
            {1020, "Button", "参照", 153, 124, 50, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
            {-1, "Button", "メモデータの形式", 6, 174, 210, 60, GROUP, 0},
            {-1, "Button", "BOM (UTF-8)", 12, 186, 96, 40, GROUP, 0},
            {1029, "Button", "BOMあり", 18, 198, 42, 10, RADIO | WS_GROUP, 0},
            {1030, "Button", "BOMなし", 18, 210, 43, 10, RADIO, 0},
            {-1, "Button", "改行コード", 114, 186, 96, 40, GROUP, 0},
            {1031, "Button", "LF (for UNIX、macOS)", 120, 198, 86, 10, RADIO | WS_GROUP, 0},
            {1032, "Button", "CR + LF (for Windows)", 120, 210, 87, 10, RADIO, 0},
            {1050, "Button", "フォルダの変更を自動で反映する", 12, 149, 140, 10, CHECK | WS_GROUP, 0},
        }},
        {"Detail", 204, "詳細", 227, 241, PAGE, 0, {
            {-1, "Button", "タスクバーの位置とサイズ", 6, 6, 210, 48, GROUP, 0},
            {-1, "Button", "位置", 12, 18, 102, 30, GROUP, 0},
            {1040, "Button", "左", 18, 30, 23, 10, RADIO | WS_GROUP, 0},
            {1041, "Button", "上", 42, 30, 23, 10, RADIO, 0},
            {1042, "Button", "右", 66, 30, 23, 10, RADIO, 0},
            {1043, "Button", "下", 90, 30, 23, 10, RADIO, 0},
            {-1, "Button", "サイズ", 120, 18, 84, 30, GROUP, 0},
            {1047, "Static", "W", 124, 31, 8, 8, SS_LEFT, 0},
            {1048, "Static", "H", 162, 31, 8, 8, SS_LEFT, 0},
            {1044, "Edit", "", 132, 30, 24, 12, ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_GROUP | WS_TABSTOP, 0},
            {1045, "Edit", "", 170, 30, 24, 12, ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0},
        }},
        {"Version", 205, "バージョン情報", 227, 241, PAGE, 0, {
            {2029, "Static", "スタティック", 60, 48, 156, 8, SS_LEFT, WS_EX_RIGHT},
            {2030, "Static", "スタティック", 60, 57, 156, 8, SS_LEFT, WS_EX_RIGHT},
            {2028, "Static", "スタティック", 54, 66, 162, 8, SS_RIGHT | SS_NOTIFY | WS_GROUP | WS_TABSTOP, 0},
            {1039, "Static", "", 6, 6, 210, 37, SS_OWNERDRAW, 0},
        }},
    };
}

TEST(DialogTemplates, AreExactlyAsTabled) {
    for (const template_case& t : template_cases()) {
        SCOPED_TRACE(t.name);
        parsed_dialog d;
        ASSERT_TRUE(parse_template(t.id, &d)) << "no DIALOGEX " << t.id;
        EXPECT_EQ(wide(t.caption), d.caption);
        EXPECT_EQ(t.cx, d.cx);
        EXPECT_EQ(t.cy, d.cy);
        EXPECT_EQ(t.style, d.style);
        EXPECT_EQ(L"Meiryo UI", d.face);
        EXPECT_EQ(10, d.points);
        EXPECT_EQ(400, d.weight);
        EXPECT_EQ(t.charset, d.charset);
        ASSERT_EQ(t.rows.size(), d.controls.size()) << "controls in the template";
        for (size_t i = 0; i < t.rows.size(); i++) {
            const control_row& want = t.rows[i];
            const parsed_control& got = d.controls[i];
            SCOPED_TRACE(::testing::Message() << "control " << i << " id " << want.id);
            EXPECT_EQ(want.id, static_cast<short>(got.id));
            EXPECT_EQ(0, _wcsicmp(wide(want.cls).c_str(), got.cls.c_str())) << "class";
            EXPECT_TRUE(wide(want.text) == got.text) << "text";
            EXPECT_EQ(want.x, got.x);
            EXPECT_EQ(want.y, got.y);
            EXPECT_EQ(want.cx, got.cx);
            EXPECT_EQ(want.cy, got.cy);
            EXPECT_EQ(want.style | WS_CHILD | WS_VISIBLE, got.style) << std::hex << got.style;
            EXPECT_EQ(want.exstyle, got.exstyle) << std::hex << got.exstyle;
        }
    }
}

// The banners: their resources are 8-bit pictures of the fixed sizes.
TEST(DialogTemplates, BannersAre8BitPicturesOfTheirSizes) {
    const struct {
        int id;
        LONG width;
        LONG height;
    } banners[] = {{IDB_VERSION_BANNER, 640, 160}, {IDB_WELCOME_BANNER, 640, 140}};
    for (const auto& b : banners) {
        HRSRC info = FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(b.id), MAKEINTRESOURCEA(2));
        ASSERT_NE(nullptr, info) << b.id;
        const BITMAPINFOHEADER* header =
            static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(GetModuleHandleA(nullptr), info)));
        ASSERT_NE(nullptr, header);
        EXPECT_EQ(b.width, header->biWidth) << b.id;
        EXPECT_EQ(b.height, header->biHeight) << b.id;
        EXPECT_EQ(8, header->biBitCount) << b.id;
    }
}

// ============================================================== the sheet

TEST_F(SheetTest, IsOneModalSheetOfFivePagesCentredOnTheScreen) {
    std::vector<std::string> tabs;
    HWND sheet_owner = nullptr;
    int open_flag = -1;
    RECT r = {};
    bool apply_shown = true;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        open_flag = settings_sheet_is_open();
        sheet_owner = GetWindow(sheet, GW_OWNER);
        GetWindowRect(sheet, &r);
        HWND tab = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
        int count = static_cast<int>(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; i++) {
            char text[64] = "";
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(tab, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
            tabs.push_back(text);
        }
        HWND apply = GetDlgItem(sheet, 0x3021);
        apply_shown = apply && IsWindowVisible(apply);
        EXPECT_TRUE(SendMessageA(sheet, WM_GETICON, ICON_SMALL, 0) || SendMessageA(sheet, WM_GETICON, ICON_BIG, 0));
    }, IDCANCEL));
    EXPECT_EQ(0, settings_sheet_is_open()) << "the flag goes with the sheet";
    EXPECT_EQ(1, open_flag);
    EXPECT_EQ(owner, sheet_owner);
    EXPECT_EQ((std::vector<std::string>{"設定", "メモの色", "データと位置", "詳細", "バージョン情報"}), tabs);
    EXPECT_FALSE(apply_shown) << "only OK and Cancel";
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    EXPECT_EQ((GetSystemMetrics(SM_CXFULLSCREEN) - width) / 2, r.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYFULLSCREEN) - height + 19) / 2, r.top);
}

// The frame grows so that the pages, laid out in a larger font than the
// frame's, fit: the right and bottom controls of each page lie inside it.
TEST_F(SheetTest, EveryPageFitsInsideTheSheet) {
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        const int far_controls[][2] = {{0, 1049}, {0, 1010}, {1, 1207}, {1, 1007}, {2, 1032}, {2, 1026},
                                       {3, 1045}, {4, 2028}, {4, 1039}};
        for (const auto& c : far_controls) {
            HWND page = sheet_page(sheet, c[0]);
            RECT control, tab_area;
            GetWindowRect(GetDlgItem(page, c[1]), &control);
            HWND tab = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
            GetWindowRect(tab, &tab_area);
            EXPECT_LE(control.right, tab_area.right) << "control " << c[1];
            EXPECT_LE(control.bottom, tab_area.bottom) << "control " << c[1];
        }
    }, IDCANCEL));
}

// Every control of every page is there, of its class, with its styles.
TEST_F(SheetTest, PagesHoldTheirControls) {
    std::vector<template_case> cases = template_cases();
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        for (int index = 0; index < 5; index++) {
            HWND page = sheet_page(sheet, index);
            ASSERT_NE(nullptr, page);
            for (const control_row& row : cases[index + 1].rows) {
                if (row.id == -1) continue;
                HWND control = GetDlgItem(page, row.id);
                ASSERT_NE(nullptr, control) << "page " << index << " control " << row.id;
                char cls[64] = "";
                GetClassNameA(control, cls, sizeof cls);
                EXPECT_EQ(0, lstrcmpiA(row.cls, cls)) << row.id << " is " << cls;
                // At run time a radio button keeps its tab stop only while it
                // is ticked, and an edit's border becomes a client edge; the
                // template test above checks those bits as written.
                DWORD want = (row.style | WS_CHILD) & ~static_cast<DWORD>(WS_TABSTOP | WS_BORDER);
                DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
                EXPECT_EQ(want, style & want) << row.id << std::hex << " " << style;
            }
        }
    }, IDCANCEL));
}

struct tip {
    int id;
    std::wstring text;
};

// The tools of the page's tooltip control, in the order they were added,
// with the control's maximum width.
std::vector<tip> page_tips(HWND page, int* width) {
    DWORD thread = GetWindowThreadProcessId(page, nullptr);
    std::vector<tip> tips;
    for (HWND tooltip : probe_windows(TOOLTIPS_CLASSA)) {
        if (GetWindowThreadProcessId(tooltip, nullptr) != thread) continue;
        int count = static_cast<int>(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0));
        for (int i = 0; i < count; i++) {
            TOOLINFOA tool = {};
            tool.cbSize = sizeof tool;
            if (!SendMessageA(tooltip, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&tool)) || tool.hwnd != page) {
                continue;
            }
            // Read back wide: the narrow answer is cut by Wine after as many
            // bytes as the text has characters.
            wchar_t text[1024] = L"";
            TOOLINFOW wide_tool = {};
            wide_tool.cbSize = sizeof wide_tool;
            wide_tool.hwnd = tool.hwnd;
            wide_tool.uId = tool.uId;
            wide_tool.lpszText = text;
            SendMessageW(tooltip, TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&wide_tool));
            tips.push_back({GetDlgCtrlID(reinterpret_cast<HWND>(tool.uId)), text});
            *width = static_cast<int>(SendMessageA(tooltip, TTM_GETMAXTIPWIDTH, 0, 0));
        }
    }
    return tips;
}

TEST_F(SheetTest, PagesCarryTheirTooltips) {
    const char* color_button = "クリックすると色を変えられます。";
    const char* color_name = "色の名前を編集します。";
    const struct {
        int page;
        std::vector<std::pair<int, const char*>> tips;
    } cases[] = {
        {0, {{1001, "メモを常に手前に表示します。"},
             {1003, "メモを編集する際に、IMEの入力モードを自動的に日本語に切り換えます。"},
             {1005, "メモをはがしたとき、内容の書かれたファイルを削除せずごみ箱に移動します。\n"
                    "ファイルを元の場所に戻して『Kelvane』を再起動させればメモを復旧させることができます。"},
             {1002, "メモの透明度を調整します。(すべてのメモに適応されます。)"},
             {1004, "メモのツールチップの表示時間を調整します。0秒(非表示)から30秒まで5秒刻みで調整できます。"},
             {1010, "デフォルトのメモサイズを調整します。\n大・中・小から選べます。"},
             {1033, "タスクトレイのアイコンをダブルクリックした場合はメモを作成します。"},
             {1034, "タスクトレイのアイコンをダブルクリックした場合はメモの表示/非表示を切り替えます。"}}},
        {1, {{1101, color_button}, {1201, color_name}, {1102, color_button}, {1202, color_name},
             {1103, color_button}, {1203, color_name}, {1104, color_button}, {1204, color_name},
             {1105, color_button}, {1205, color_name}, {1106, color_button}, {1206, color_name},
             {1107, color_button}, {1207, color_name},
             {1007, "フォントの選択をします。\n(フォント、太さ、サイズ)。"}}},
        {2, {{1020, "メモの保存先を指定します。\n\n保存先をクラウドストレージにすることで、複数のコンピュータでメモを"
                    "同期することができるようになります。\n\nフォルダを指定したら『適用』を押して適用してください。"},
             {1029, "テキストファイル(UTF-8)にバイトオーダーマーク(BOM)を追加します。"},
             {1030, "テキストファイル(UTF-8)ににバイトオーダーマーク(BOM)をつけません。"},
             {1031, "テキストファイルの改行コードを『\n(LF)』にします。"},
             {1032, "テキストファイルの改行コードを『\r\n(CR+LF)』にします。"},
             {1050, "保存先のメモがほかのコンピュータなどで変更されたとき、『メモを更新』を選ばなくても"
                    "自動で読み込みます。"}}},
        {3, {{1040, "作成するメモの位置を調整します。タスクバーを左に配置している場合はこの設定が最適です。"},
             {1041, "作成するメモの位置を調整します。タスクバーを上に配置している場合はこの設定が最適です。"},
             {1042, "作成するメモの位置を調整します。タスクバーを右に配置している場合はこの設定が最適です。"},
             {1043, "作成するメモの位置を調整します。タスクバーを下に配置している場合はこの設定が最適です。"
                    "(通常はこの設定で大丈夫です)"},
             {1044, "タスクバーが左右にある場合にタスクバーのサイズ(幅)を指定します"},
             {1045, "タスクバーが上下にある場合にタスクバーのサイズ(高さ)を指定します"}}},
        {4, {}},
    };
    std::vector<std::vector<tip>> seen(5);
    std::vector<int> widths(5, 0);
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        for (int index = 0; index < 5; index++) {
            seen[index] = page_tips(sheet_page(sheet, index), &widths[index]);
        }
    }, IDCANCEL));
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "page " << c.page);
        ASSERT_EQ(c.tips.size(), seen[c.page].size());
        for (size_t i = 0; i < c.tips.size(); i++) {
            EXPECT_EQ(c.tips[i].first, seen[c.page][i].id);
            EXPECT_TRUE(wide(c.tips[i].second) == seen[c.page][i].text) << c.tips[i].first;
        }
        if (!c.tips.empty()) {
            EXPECT_EQ(300, widths[c.page]);
        }
    }
}

}  // namespace
