// The settings sheet, its pages and the welcome dialog, driven the way a
// user drives them: the dialog runs modally on the test's thread while a
// second thread finds it, clicks its buttons, moves its trackbars and
// presses OK or Cancel.  Also the dialog templates byte for byte, the
// banners, and the copy of the memo data.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <stdio.h>
#include <string.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "basic_page.h"
#include "color_page.h"
#include "data_page.h"
#include "detail_page.h"
#include "settings_sheet.h"
#include "version_page.h"
#include "welcome_dialog.h"
#include "memo_test_support.h"
#include "memo_tooltip.h"
#include "resource.h"

namespace {

using memo_test::create_memo;
using memo_test::create_owner;
using memo_test::destroy_memo;
using memo_test::make_data_folder;
using memo_test::record_of;
using memo_test::reset_settings;
using memo_test::wait_for;

std::wstring wide(const char* cp932) {
    int n = MultiByteToWideChar(932, 0, cp932, -1, nullptr, 0);
    std::wstring text(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) MultiByteToWideChar(932, 0, cp932, -1, &text[0], n);
    return text;
}

std::string text_of(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

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

const char k_welcome_text[] =
    "『Kelvane』をご利用いただきありがとうございます。\n\n『Kelvane』はインストーラ不要のプログラムです。"
    "『ZIP版』は解凍したプログラム類(今実行したプログラムと関連ファイル)を適切な場所に保存してそのままご使用ください。"
    "\n\nまた、Windowsの起動時に自動的に起動させる場合はWindowsのスタートアップに『Kelvane』のショートカットを登録"
    "してください。\n\n詳しくはreadmeやhelpをご覧ください。";

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

HWND find_sheet() {
    HWND sheet = FindWindowA("#32770", "設定");
    return sheet && IsWindowVisible(sheet) ? sheet : nullptr;
}

HWND sheet_page(HWND sheet, int index) {
    SendMessageA(sheet, PSM_SETCURSEL, index, 0);
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

void click(HWND page, int id) {
    SendMessageA(GetDlgItem(page, id), BM_CLICK, 0, 0);
}

bool ticked(HWND page, int id) {
    return SendMessageA(GetDlgItem(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool enabled(HWND page, int id) {
    return IsWindowEnabled(GetDlgItem(page, id)) != FALSE;
}

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
// that appears before stop() (or answers with button); keeps its text.
class box_watcher {
public:
    explicit box_watcher(const char* caption, int button = IDOK) : caption_(caption), button_(button) {
        thread_ = std::thread([this] {
            while (!stop_) {
                HWND box = FindWindowA("#32770", caption_.c_str());
                if (box && IsWindowVisible(box) && GetDlgItem(box, 0xFFFF)) {
                    texts_.push_back(probe_box_text(box));
                    PostMessageA(box, WM_COMMAND, button_, 0);
                    wait_for([box] { return !IsWindow(box) || !IsWindowVisible(box); }, 3000);
                }
                Sleep(10);
            }
        });
    }
    ~box_watcher() { stop(); }
    std::vector<std::string> stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return texts_;
    }

private:
    std::string caption_;
    int button_;
    std::atomic<bool> stop_{false};
    std::vector<std::string> texts_;
    std::thread thread_;
};

// A driver that failed half-way may leave a picker, a message box or a
// menu open above the sheet; they are closed so that the sheet can close
// and the test ends instead of hanging.
void close_leftovers(HWND sheet) {
    for (int round = 0; round < 20; round++) {
        bool any = false;
        for (HWND w = FindWindowA("#32770", nullptr); w; w = FindWindowExA(nullptr, w, "#32770", nullptr)) {
            if (w != sheet && GetWindow(w, GW_OWNER) == sheet && IsWindowVisible(w)) {
                PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
                any = true;
            }
        }
        HWND menu = probe_shown_menu();
        if (menu) {
            PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
            any = true;
        }
        if (!any) return;
        Sleep(100);
    }
}

class SheetTest : public ::testing::Test {
protected:
    HWND owner = nullptr;
    std::string folder;
    std::vector<HWND> memos;

    void SetUp() override {
        memo_test::load_rich_edit();
        folder = make_data_folder("kelvane-dialog-data");
        reset_settings(folder.c_str());
        owner = create_owner();
        ASSERT_NE(nullptr, owner);
        memos.push_back(create_memo(owner, 300, 300, 160, 120, "20240101000000", "one", 0));
        memos.push_back(create_memo(owner, 500, 300, 160, 120, "20240101000001", "two", 3));
        ASSERT_NE(nullptr, memos[0]);
        ASSERT_NE(nullptr, memos[1]);
    }
    void TearDown() override {
        for (HWND memo : memos) destroy_memo(memo);
        memos.clear();
        if (owner) DestroyWindow(owner);
        memo_test::pump_for(20);
    }

    // Runs the sheet here while driver works it from a second thread, then
    // presses close_button (IDOK or IDCANCEL).  False when the sheet never
    // showed.
    bool run_sheet(const std::function<void(HWND sheet)>& driver, int close_button = IDOK) {
        std::atomic<bool> shown{false};
        std::thread helper([&] {
            HWND sheet = nullptr;
            if (!wait_for([&] { return (sheet = find_sheet()) != nullptr; })) return;
            shown = true;
            driver(sheet);
            close_leftovers(sheet);
            PostMessageA(GetDlgItem(sheet, close_button), BM_CLICK, 0, 0);
            if (!wait_for([] { return find_sheet() == nullptr; })) {
                PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);  // never leave the test hanging
            }
        });
        settings_sheet_show(owner);
        helper.join();
        return shown;
    }
};

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

// --- basic page -------------------------------------------------------------

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

// The page's pickers are modal dialogs owned by the page; the system hands
// the ownership to the page's top-level window, the sheet.
HWND owned_dialog(HWND page) {
    HWND sheet = GetAncestor(page, GA_ROOT);
    for (HWND w = FindWindowA("#32770", nullptr); w; w = FindWindowExA(nullptr, w, "#32770", nullptr)) {
        HWND owner = GetWindow(w, GW_OWNER);
        if (w != sheet && (owner == page || owner == sheet) && IsWindowVisible(w)) return w;
    }
    return nullptr;
}

HWND find_owned_dialog(HWND page) {
    HWND found = nullptr;
    wait_for([&] { return (found = owned_dialog(page)) != nullptr; });
    return found;
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
    COLORREF inside = 0, edge = 0;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 1);
        HDC dc = CreateCompatibleDC(nullptr);
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = 80;
        bi.bmiHeader.biHeight = -24;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, bitmap);
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_BUTTON;
        item.CtlID = 1105;
        item.itemAction = ODA_DRAWENTIRE;
        item.hwndItem = GetDlgItem(page, 1105);
        item.hDC = dc;
        item.rcItem = {0, 0, 80, 24};
        SendMessageA(page, WM_DRAWITEM, 1105, reinterpret_cast<LPARAM>(&item));
        GdiFlush();
        inside = GetPixel(dc, 5, 12);
        edge = GetPixel(dc, 0, 12);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }, IDCANCEL));
    EXPECT_EQ(0x00112233u, inside);
    EXPECT_EQ(0x00445566u, edge);
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

// --- data and location page ---------------------------------------------------

TEST_F(SheetTest, TextFileRadiosWalkTheFourFormats) {
    g_settings.textfile = 65537;
    std::vector<int> seen;
    bool initial[4] = {};
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 2);
        const int ids[4] = {1029, 1030, 1031, 1032};
        for (int i = 0; i < 4; i++) initial[i] = ticked(page, ids[i]);
        for (int id : {1030, 1031, 1029, 1032}) {
            click(page, id);
            seen.push_back(g_settings.textfile);
        }
    }, IDCANCEL));
    EXPECT_TRUE(initial[0] && !initial[1] && !initial[2] && initial[3]);
    EXPECT_EQ((std::vector<int>{65536, 0, 1, 65537}), seen);
}

// The box takes effect at once, like every other control of the page,
// and the main window is told so that its watch follows.
TEST_F(SheetTest, AutoRefreshBoxSwitchesAtOnceAndTellsTheOwner) {
    g_settings.autorefresh = 1;
    int before = memo_test::watch_setting_notices();
    bool initial = false;
    std::vector<int32_t> seen;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 2);
        initial = ticked(page, 1050);
        click(page, 1050);
        seen.push_back(g_settings.autorefresh);
        click(page, 1050);
        seen.push_back(g_settings.autorefresh);
    }, IDCANCEL));
    memo_test::pump_for(20);
    EXPECT_TRUE(initial);
    EXPECT_EQ((std::vector<int32_t>{0, 1}), seen);
    EXPECT_EQ(before + 2, memo_test::watch_setting_notices());
}

struct data_view {
    bool portable, standard, portable_enabled, apply;
    bool layout[5];  // 1046, 1027, 1021, 1019, 1020
};

data_view read_data_page(HWND page) {
    data_view v = {ticked(page, 1024), ticked(page, 1025), enabled(page, 1024), enabled(page, 1026), {}};
    const int ids[5] = {1046, 1027, 1021, 1019, 1020};
    for (int i = 0; i < 5; i++) v.layout[i] = enabled(page, ids[i]);
    return v;
}

TEST_F(SheetTest, ModeRadiosSwitchTheLayoutAndTheApplyButton) {
    g_settings.portable = 1;
    std::vector<data_view> views;
    std::string path_shown;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 2);
        path_shown = text_of(GetDlgItem(page, 1019));
        views.push_back(read_data_page(page));
        click(page, 1025);
        views.push_back(read_data_page(page));
        click(page, 1024);
        views.push_back(read_data_page(page));
        click(page, 1024);  // the ticked radio again
        views.push_back(read_data_page(page));
    }, IDCANCEL));
    EXPECT_EQ(folder, path_shown);
    ASSERT_EQ(4u, views.size());
    const bool portable_layout[5] = {true, false, false, false, false};
    const bool standard_layout[5] = {false, true, true, true, true};
    const struct {
        bool portable, apply;
    } want[] = {{true, false}, {false, true}, {true, false}, {true, false}};
    for (size_t i = 0; i < views.size(); i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(want[i].portable, views[i].portable);
        EXPECT_EQ(!want[i].portable, views[i].standard);
        EXPECT_EQ(want[i].apply, views[i].apply);
        EXPECT_TRUE(views[i].portable_enabled);
        for (int k = 0; k < 5; k++) {
            EXPECT_EQ(want[i].portable ? portable_layout[k] : standard_layout[k], views[i].layout[k]) << k;
        }
    }
    EXPECT_EQ(1, g_settings.portable) << "only Apply switches";
}

TEST_F(SheetTest, StoreEditionOffersStandardModeOnly) {
    g_settings.microsoftstore = 1;
    g_settings.portable = 0;
    data_view v = {};
    ASSERT_TRUE(run_sheet([&](HWND sheet) { v = read_data_page(sheet_page(sheet, 2)); }, IDCANCEL));
    EXPECT_FALSE(v.portable);
    EXPECT_TRUE(v.standard);
    EXPECT_FALSE(v.portable_enabled);
    EXPECT_FALSE(v.apply);
    EXPECT_TRUE(v.layout[3] && v.layout[4]);
}

void put_file(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f) << path;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

// A target folder, empty or not there at all.
std::string fresh_folder(const char* name, bool create) {
    std::string path = make_data_folder(name);
    if (!create) RemoveDirectoryA(path.c_str());
    return path;
}

TEST_F(SheetTest, ApplyCopiesTheDataAndSwitchesToTheChosenFolder) {
    put_file(folder + "\\20240101000000.txt", "one");
    put_file(folder + "\\20240101000000.ini", "[MEMO]\r\n");
    std::string target = fresh_folder("kelvane-dialog-target", false);  // Apply creates it
    g_settings.portable = 1;
    std::vector<std::string> boxes;
    bool apply_after = true;
    int notices = memo_test::watch_setting_notices();
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 2);
        click(page, 1025);
        SetDlgItemTextA(page, 1019, target.c_str());
        box_watcher watcher("Kelvane");
        PostMessageA(GetDlgItem(page, 1026), BM_CLICK, 0, 0);
        wait_for([&] { return strcmp(g_settings.path, target.c_str()) == 0; });
        Sleep(200);
        boxes = watcher.stop();
        apply_after = enabled(page, 1026);
    }, IDCANCEL));
    EXPECT_EQ(target, g_settings.path);
    EXPECT_EQ(0, g_settings.portable);
    EXPECT_FALSE(apply_after);
    EXPECT_EQ(std::vector<std::string>{}, boxes) << "no conflict, no message";
    EXPECT_EQ("one", memo_test::read_file(target + "\\20240101000000.txt"));
    EXPECT_EQ("one", memo_test::read_file(folder + "\\20240101000000.txt")) << "the old folder keeps its copy";
    memo_test::pump_for(20);
    EXPECT_EQ(notices + 1, memo_test::watch_setting_notices()) << "the watch follows the folder";
}

// A target that cannot take the data is refused: one message, and the
// folder and the mode stay as they were.
TEST_F(SheetTest, ApplyRefusesATargetThatCannotBeUsed) {
    std::string file_target = folder + "\\not-a-folder";
    put_file(file_target, "x");
    const std::string targets[] = {
        folder + "\\missing\\deeper",  // its parent does not exist: it cannot be made
        file_target,                   // a file of that name is in the way
        "",
    };
    for (const std::string& target : targets) {
        SCOPED_TRACE(target);
        g_settings.portable = 1;
        strcpy(g_settings.path, folder.c_str());
        std::vector<std::string> boxes;
        ASSERT_TRUE(run_sheet([&](HWND sheet) {
            HWND page = sheet_page(sheet, 2);
            click(page, 1025);
            SetDlgItemTextA(page, 1019, target.c_str());
            box_watcher watcher("Kelvane");
            PostMessageA(GetDlgItem(page, 1026), BM_CLICK, 0, 0);
            wait_for([&] { return false; }, 600);
            boxes = watcher.stop();
        }, IDCANCEL));
        EXPECT_EQ(std::vector<std::string>{"メモデータの移動に失敗しました。"}, boxes);
        EXPECT_EQ(folder, g_settings.path);
        EXPECT_EQ(1, g_settings.portable);
    }
}

struct browse_case {
    const char* what;
    std::string pick;
    int answer;
    std::string shown;
};

// The folder picker fills its tree after it shows, and forgets a
// selection asked for before that: ask until the caret leaves the desktop.
bool select_folder(HWND picker, const char* path) {
    HWND tree = FindWindowExA(picker, nullptr, "SysTreeView32", nullptr);
    if (!tree) return false;
    return wait_for([&] {
        SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path));
        Sleep(50);
        LRESULT root = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
        LRESULT caret = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
        return caret && caret != root;
    });
}

TEST_F(SheetTest, BrowseProposesTheFolderOrItsKelvanFolder) {
    std::string sync = fresh_folder("kelvane-dialog-sync", true);
    const browse_case cases[] = {
        {"a folder, Yes", sync, IDYES, sync + "\\kelvan"},
        {"a folder, No", sync, IDNO, sync},
        {"a folder, Cancel", sync, IDCANCEL, sync},
        {"a drive root, Yes", "C:\\", IDYES, "C:\\kelvan"},
    };
    for (const browse_case& c : cases) {
        SCOPED_TRACE(c.what);
        g_settings.portable = 0;
        std::string shown, question;
        bool apply = false;
        ASSERT_TRUE(run_sheet([&](HWND sheet) {
            HWND page = sheet_page(sheet, 2);
            PostMessageA(GetDlgItem(page, 1020), BM_CLICK, 0, 0);
            HWND picker = find_owned_dialog(page);
            ASSERT_NE(nullptr, picker);
            ASSERT_TRUE(select_folder(picker, c.pick.c_str()));
            box_watcher watcher("Kelvane", c.answer);
            PostMessageA(picker, WM_COMMAND, IDOK, 0);
            wait_for([&] { return text_of(GetDlgItem(page, 1019)) == c.shown; }, 3000);
            std::vector<std::string> boxes = watcher.stop();
            question = boxes.empty() ? "" : boxes[0];
            shown = text_of(GetDlgItem(page, 1019));
            apply = enabled(page, 1026);
        }, IDCANCEL));
        EXPECT_EQ(c.shown, shown);
        EXPECT_TRUE(apply);
        EXPECT_EQ("指定されたフォルダに『kelvan』フォルダを作成し、そこにメモデータを保存しますか？ "
                  "いいえを選択した場合、指定されたフォルダに直接メモデータを保存します。",
                  question);
        EXPECT_EQ(folder, g_settings.path) << "nothing switches before Apply";
    }
}

// config.ini holds the data folder in code page 932: a folder that code
// page cannot spell ("é", "한") is refused with a message, whether it was
// just picked or is on show at Apply, and nothing is made or moved.
TEST_F(SheetTest, FolderCodePage932CannotSpellIsRefused) {
    std::wstring cafe = wide(fresh_folder("kelvane-dialog-other", true).c_str()) + L"\\Café 한";
    ASSERT_TRUE(CreateDirectoryW(cafe.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    RemoveDirectoryW((cafe + L"\\kelvan").c_str());
    g_settings.portable = 0;
    std::vector<std::string> picked, applied;
    std::string shown;
    bool apply = true;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 2);
        PostMessageA(GetDlgItem(page, 1020), BM_CLICK, 0, 0);
        HWND picker = find_owned_dialog(page);
        ASSERT_NE(nullptr, picker);
        HWND tree = FindWindowExA(picker, nullptr, "SysTreeView32", nullptr);
        ASSERT_TRUE(wait_for([&] {
            SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(cafe.c_str()));
            Sleep(50);
            LRESULT caret = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
            return caret && caret != SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
        }));
        {
            box_watcher watcher("Kelvane", IDYES);
            PostMessageA(picker, WM_COMMAND, IDOK, 0);
            wait_for([&] { return false; }, 800);
            picked = watcher.stop();
        }
        shown = text_of(GetDlgItem(page, 1019));
        apply = enabled(page, 1026);
        SetDlgItemTextW(page, 1019, (cafe + L"\\kelvan").c_str());
        box_watcher watcher("Kelvane");
        PostMessageA(GetDlgItem(page, 1026), BM_CLICK, 0, 0);
        wait_for([&] { return false; }, 800);
        applied = watcher.stop();
    }, IDCANCEL));
    const std::vector<std::string> refused = {
        "このフォルダは保存先にできません。フォルダのパスに、設定ファイル(config.ini)に"
        "書き込めない文字が含まれています。別のフォルダを選択してください。"};
    EXPECT_EQ(refused, picked) << "refused before the kelvan question";
    EXPECT_EQ(folder, shown);
    EXPECT_FALSE(apply);
    EXPECT_EQ(refused, applied);
    EXPECT_EQ(folder, g_settings.path);
    EXPECT_EQ(0, g_settings.portable);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((cafe + L"\\kelvan").c_str())) << "nothing made";
}

// --- copying the memo data ------------------------------------------------------

class DataCopyTest : public SheetTest {
protected:
    std::vector<std::string> copy_to(const std::string& target) {
        box_watcher watcher("Kelvane");
        EXPECT_EQ(1, data_page_copy_folder(owner, target.c_str()));
        Sleep(100);
        return watcher.stop();
    }
    void SetUp() override {
        SheetTest::SetUp();
        put_file(folder + "\\20240101000000.txt", "one");
        put_file(folder + "\\20240101000000.ini", "[MEMO]\r\nCOLOR=0\r\n");
        put_file(folder + "\\notes.dat", "other");
        CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
        put_file(folder + "\\sub\\inner.txt", "inner");
    }
};

TEST_F(DataCopyTest, IntoAnEmptyFolderEveryPlainFileIsCopied) {
    std::string target = fresh_folder("kelvane-copy-empty", true);
    EXPECT_EQ(std::vector<std::string>{}, copy_to(target));
    EXPECT_EQ("one", memo_test::read_file(target + "\\20240101000000.txt"));
    EXPECT_EQ("[MEMO]\r\nCOLOR=0\r\n", memo_test::read_file(target + "\\20240101000000.ini"));
    EXPECT_EQ("other", memo_test::read_file(target + "\\notes.dat"));
    EXPECT_FALSE(memo_test::file_exists(target + "\\sub\\inner.txt")) << "subfolders are not entered";
    EXPECT_EQ("one", memo_test::read_file(folder + "\\20240101000000.txt")) << "the source stays";
}

TEST_F(DataCopyTest, AFileOfTheSameNameWinsAndIsToldOnce) {
    std::string target = fresh_folder("kelvane-copy-conflict", true);
    put_file(target + "\\20240101000000.txt", "theirs");
    put_file(target + "\\notes.dat", "theirs too");
    EXPECT_EQ(std::vector<std::string>{
                  "コピー先に同時刻に作成されたメモデータ(ファイル名が同じデータ)が1つ以上ありました。"
                  "ファイル名が同じファイルはコピーせず既存のメモデータを優先させます。"},
              copy_to(target));
    EXPECT_EQ("theirs", memo_test::read_file(target + "\\20240101000000.txt"));
    EXPECT_EQ("theirs too", memo_test::read_file(target + "\\notes.dat"));
    EXPECT_EQ("[MEMO]\r\nCOLOR=0\r\n", memo_test::read_file(target + "\\20240101000000.ini"));
}

TEST_F(DataCopyTest, IntoTheCurrentFolderEveryCopyFails) {
    EXPECT_EQ(1u, copy_to(folder).size());
    EXPECT_EQ("one", memo_test::read_file(folder + "\\20240101000000.txt"));
}

TEST_F(DataCopyTest, AFolderThatCannotBeSearchedCopiesNothing) {
    strcpy(g_settings.path, (folder + "\\missing").c_str());
    std::string target = fresh_folder("kelvane-copy-none", true);
    EXPECT_EQ(std::vector<std::string>{}, copy_to(target));
    EXPECT_FALSE(memo_test::file_exists(target + "\\notes.dat"));
}

// --- details page -------------------------------------------------------------------

struct detail_view {
    bool sides[4];
    bool width_on, height_on;
    std::string width, height;
};

detail_view read_detail_page(HWND page) {
    detail_view v = {{ticked(page, 1040), ticked(page, 1041), ticked(page, 1042), ticked(page, 1043)},
                     enabled(page, 1044) && enabled(page, 1047), enabled(page, 1045) && enabled(page, 1048),
                     text_of(GetDlgItem(page, 1044)), text_of(GetDlgItem(page, 1045))};
    return v;
}

TEST_F(SheetTest, DetailsPageShowsTheTaskBarSide) {
    const struct {
        int32_t taskbar;
        int ticked;  // index into 1040..1043
        bool width;
    } cases[] = {{1, 0, true}, {2, 1, false}, {3, 2, true}, {4, 3, false}, {7, 3, false}, {0, 3, false}};
    for (const auto& c : cases) {
        g_settings.taskbar = c.taskbar;
        g_settings.taskbarwidth = 60;
        g_settings.taskbarheight = 50;
        detail_view v = {};
        ASSERT_TRUE(run_sheet([&](HWND sheet) { v = read_detail_page(sheet_page(sheet, 3)); }, IDCANCEL));
        SCOPED_TRACE(c.taskbar);
        for (int i = 0; i < 4; i++) EXPECT_EQ(i == c.ticked, v.sides[i]) << i;
        EXPECT_EQ(c.width, v.width_on);
        EXPECT_EQ(!c.width, v.height_on);
        EXPECT_EQ("60", v.width);
        EXPECT_EQ("50", v.height);
        EXPECT_EQ(c.taskbar, g_settings.taskbar) << "kept as stored until a click";
    }
}

TEST_F(SheetTest, DetailsPageWritesTheSideAndSizesAtOnce) {
    g_settings.taskbar = 7;
    std::vector<int> seen;
    detail_view after_right = {};
    DWORD edit_style = 0;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 3);
        click(page, 1043);  // the ticked "下" turns 7 into 4
        seen.push_back(g_settings.taskbar);
        click(page, 1042);
        seen.push_back(g_settings.taskbar);
        after_right = read_detail_page(page);
        click(page, 1042);
        seen.push_back(g_settings.taskbar);
        for (const char* text : {"", "7", "72", "99999999999"}) {
            SetDlgItemTextA(page, 1044, text);
            seen.push_back(g_settings.taskbarwidth);
        }
        SetDlgItemTextA(page, 1045, "0");
        seen.push_back(g_settings.taskbarheight);
        edit_style = static_cast<DWORD>(GetWindowLongA(GetDlgItem(page, 1044), GWL_STYLE));
    }, IDCANCEL));
    EXPECT_EQ((std::vector<int>{4, 3, 3, 0, 7, 72, 2147483647, 0}), seen);
    EXPECT_TRUE(after_right.width_on);
    EXPECT_FALSE(after_right.height_on);
    EXPECT_TRUE(edit_style & ES_NUMBER) << "digits only from the keyboard";
    EXPECT_EQ(3, g_settings.taskbar) << "Cancel undoes nothing here";
}

// --- version page ---------------------------------------------------------------------

// Paints an owner-drawn item of a page into a white picture; returns its
// pixels, top row first.
std::vector<COLORREF> draw_item(HWND page, int id, int width, int height) {
    std::vector<COLORREF> pixels;
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_STATIC;
    item.CtlID = id;
    item.itemAction = ODA_DRAWENTIRE;
    item.hwndItem = GetDlgItem(page, id);
    item.hDC = dc;
    item.rcItem = all;
    SendMessageA(page, WM_DRAWITEM, id, reinterpret_cast<LPARAM>(&item));
    GdiFlush();
    const DWORD* p = static_cast<const DWORD*>(bits);
    pixels.assign(p, p + width * height);
    for (COLORREF& c : pixels) c &= 0xFFFFFF;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

// Columns (or rows) that hold anything but white.
std::vector<bool> inked(const std::vector<COLORREF>& pixels, int width, int height, bool columns) {
    std::vector<bool> ink(columns ? width : height, false);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            if (pixels[y * width + x] != 0xFFFFFF) ink[columns ? x : y] = true;
        }
    }
    return ink;
}

TEST_F(SheetTest, VersionPageShowsNameVersionNoticeAndLink) {
    std::string line, notice, link;
    LRESULT over_link = 0, over_line = 0;
    std::vector<bool> columns;
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        HWND page = sheet_page(sheet, 4);
        line = text_of(GetDlgItem(page, 2029));
        notice = text_of(GetDlgItem(page, 2030));
        link = text_of(GetDlgItem(page, 2028));
        over_link = SendMessageA(page, WM_SETCURSOR, reinterpret_cast<WPARAM>(GetDlgItem(page, 2028)),
                                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        over_line = SendMessageA(page, WM_SETCURSOR, reinterpret_cast<WPARAM>(GetDlgItem(page, 2029)),
                                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        // A 400 x 50 item: the 4:1 banner is 200 wide, flush right.
        columns = inked(draw_item(page, 1039, 400, 50), 400, 50, true);
    }, IDCANCEL));
    EXPECT_EQ("Kelvane Ver.1.00.0000 64bit版\n", line);
    EXPECT_EQ("Copyright (C) 2026 Kelvane developers", notice);
    EXPECT_EQ("help.html", link);
    EXPECT_EQ(1, over_link) << "the hand stays";
    EXPECT_NE(1, over_line);
    ASSERT_EQ(400u, columns.size());
    for (int x = 0; x < 200; x++) ASSERT_FALSE(columns[x]) << "left of the banner, column " << x;
    int drawn = 0;
    for (int x = 200; x < 400; x++) drawn += columns[x];
    EXPECT_GT(drawn, 100) << "the banner is drawn in the right half";
}

// ============================================================ the welcome dialog

HWND find_welcome() {
    HWND dialog = FindWindowA("#32770", "Kelvane");
    return dialog && GetDlgItem(dialog, IDC_WELCOME_TEXT) && IsWindowVisible(dialog) ? dialog : nullptr;
}

// Runs the welcome dialog here while driver works it from a second thread.
bool run_welcome(const std::function<void(HWND dialog)>& driver) {
    std::atomic<bool> shown{false};
    std::thread helper([&] {
        HWND dialog = nullptr;
        if (!wait_for([&] { return (dialog = find_welcome()) != nullptr; })) return;
        shown = true;
        driver(dialog);
        if (!wait_for([] { return find_welcome() == nullptr; })) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    });
    welcome_dialog_show(GetModuleHandleA(nullptr));
    helper.join();
    return shown;
}

TEST(WelcomeDialog, BoxClearsDialogWhicheverWayItCloses) {
    const struct {
        const char* what;
        std::vector<int> clicks;  // on the box
        UINT close_message;
        WPARAM close_wparam;
        int32_t result;
    } cases[] = {
        {"ticked, OK", {1001}, WM_COMMAND, IDOK, 0},
        {"ticked, Esc", {1001}, WM_COMMAND, IDCANCEL, 0},
        {"ticked, close box", {1001}, WM_SYSCOMMAND, SC_CLOSE, 0},
        {"not ticked, OK", {}, WM_COMMAND, IDOK, 1},
        {"ticked and unticked", {1001, 1001}, WM_COMMAND, IDOK, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_settings.dialog = 1;
        ASSERT_TRUE(run_welcome([&](HWND dialog) {
            for (int id : c.clicks) SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
            PostMessageA(dialog, c.close_message, c.close_wparam, 0);
        }));
        EXPECT_EQ(c.result, g_settings.dialog);
    }
}

TEST(WelcomeDialog, GreetsCentredOnTheScreenWithItsBanner) {
    std::string text;
    RECT r = {};
    std::vector<bool> rows;
    ASSERT_TRUE(run_welcome([&](HWND dialog) {
        text = text_of(GetDlgItem(dialog, IDC_WELCOME_TEXT));
        GetWindowRect(dialog, &r);
        // A 320 x 100 item: the 640 x 140 banner is 70 high, from the top.
        rows = inked(draw_item(dialog, IDC_WELCOME_BANNER, 320, 100), 320, 100, false);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    }));
    EXPECT_EQ(k_welcome_text, text);
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2, r.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, r.top);
    ASSERT_EQ(100u, rows.size());
    int drawn = 0;
    for (int y = 0; y < 70; y++) drawn += rows[y];
    for (int y = 70; y < 100; y++) EXPECT_FALSE(rows[y]) << "below the banner, row " << y;
    EXPECT_GT(drawn, 30);
}

// ============================================================ the main window

// The main window's own copy of the settings lives beside this program.
std::string config_beside_program() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    strcpy(strrchr(path, '\\'), "\\config.ini");
    return path;
}

HWND create_main_window() {
    main_window_register_class(GetModuleHandleA(nullptr));
    return CreateWindowExA(WS_EX_TOOLWINDOW, MAIN_WINDOW_CLASS, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

void shut_down(HWND main) {
    if (IsWindow(main)) SendMessageA(main, MSG_SHUTDOWN, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT) DispatchMessageA(&msg);
    }
}

TEST(MainWindowDialogs, WelcomeRunsWhileTheWindowIsCreated) {
    std::string config = config_beside_program();
    DeleteFileA(config.c_str());
    WritePrivateProfileStringA("KELVAN", "DIALOG", "1", config.c_str());
    HWND main = nullptr;
    bool shown = false;
    std::thread helper([&] {
        HWND dialog = nullptr;
        if (!wait_for([&] { return (dialog = find_welcome()) != nullptr; })) return;
        shown = true;
        SendMessageA(GetDlgItem(dialog, IDC_WELCOME_NOSHOW), BM_CLICK, 0, 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    main = create_main_window();
    helper.join();
    ASSERT_NE(nullptr, main);
    EXPECT_TRUE(shown);
    EXPECT_EQ(0, g_settings.dialog);
    shut_down(main);
    EXPECT_EQ(0, static_cast<int>(GetPrivateProfileIntA("KELVAN", "DIALOG", -1, config.c_str())))
        << "saved at shutdown";
    DeleteFileA(config.c_str());
}

TEST(MainWindowDialogs, SettingsCommandOpensOneSheet) {
    std::string config = config_beside_program();
    DeleteFileA(config.c_str());
    WritePrivateProfileStringA("KELVAN", "DIALOG", "0", config.c_str());
    HWND main = create_main_window();
    ASSERT_NE(nullptr, main);
    LRESULT second = -1;
    int sheets = 0;
    HWND sheet_owner = nullptr;
    std::thread helper([&] {
        HWND sheet = nullptr;
        if (!wait_for([&] { return (sheet = find_sheet()) != nullptr; })) return;
        sheet_owner = GetWindow(sheet, GW_OWNER);
        second = SendMessageA(main, WM_COMMAND, CMD_SETTINGS, 0);
        Sleep(200);
        for (HWND w = FindWindowA("#32770", "設定"); w; w = FindWindowExA(nullptr, w, "#32770", "設定")) sheets++;
        PostMessageA(GetDlgItem(sheet, IDOK), BM_CLICK, 0, 0);
    });
    LRESULT first = SendMessageA(main, WM_COMMAND, CMD_SETTINGS, 0);
    helper.join();
    EXPECT_EQ(1, first);
    EXPECT_EQ(0, second) << "the open sheet only comes forward";
    EXPECT_EQ(1, sheets);
    EXPECT_EQ(main, sheet_owner);
    shut_down(main);
    DeleteFileA(config.c_str());
}

}  // namespace
