// The dialog templates byte for byte and the banners, as the resource
// compiler wrote them, and the settings sheet as a whole: one modal sheet of
// five pages, every control of every page there with its styles, and the
// pages' tooltips.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>

#include <map>
#include <sstream>
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

// ------------------------------------------------- kelvane.rc as written

// A file of the source tree; under Wine the Unix path is on drive Z.
std::string source_text(const char* name) {
    std::string path = std::string(KELVANE_RESOURCES) + "/" + name;
    if (path[0] == '/') path = "Z:" + path;
    return memo_test::read_file(path);
}

// The names the templates use: the styles, and the numbers of resource.h.
std::map<std::string, long> rc_symbols() {
#define SYMBOL(name) {#name, static_cast<long>(name)}
    std::map<std::string, long> symbols = {
        SYMBOL(DS_SETFONT), SYMBOL(DS_MODALFRAME), SYMBOL(WS_POPUP), SYMBOL(WS_CAPTION),
        SYMBOL(WS_SYSMENU), SYMBOL(WS_TABSTOP), SYMBOL(WS_GROUP), SYMBOL(WS_BORDER),
        SYMBOL(WS_EX_STATICEDGE), SYMBOL(WS_EX_RIGHT), SYMBOL(BS_PUSHBUTTON), SYMBOL(BS_AUTOCHECKBOX),
        SYMBOL(BS_AUTORADIOBUTTON), SYMBOL(BS_GROUPBOX), SYMBOL(BS_OWNERDRAW), SYMBOL(SS_LEFT),
        SYMBOL(SS_RIGHT), SYMBOL(SS_NOTIFY), SYMBOL(SS_OWNERDRAW), SYMBOL(SS_SUNKEN), SYMBOL(ES_LEFT),
        SYMBOL(ES_AUTOHSCROLL), SYMBOL(ES_NUMBER), SYMBOL(TBS_BOTH), SYMBOL(TBS_NOTICKS), SYMBOL(IDOK)};
#undef SYMBOL
    std::istringstream header(source_text("resource.h"));
    std::string line;
    while (std::getline(header, line)) {
        char name[64];
        long value;
        if (sscanf(line.c_str(), " #define %63s (%ld)", name, &value) == 2 ||
            sscanf(line.c_str(), " #define %63s %li", name, &value) == 2) {
            symbols[name] = value;
        }
    }
    return symbols;
}

// The fields of a statement, split at the commas outside strings; strings
// lose their quotes and take their escapes, names and numbers their spaces.
std::vector<std::string> rc_fields(const std::string& statement) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < statement.size(); i++) {
        char c = statement[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (quoted && c == '\\') {
            c = statement[++i];
            fields.back() += c == 'n' ? '\n' : c == 'r' ? '\r' : c;
        } else if (!quoted && c == ',') {
            fields.emplace_back();
        } else if (quoted || !isspace(static_cast<unsigned char>(c))) {
            fields.back() += c;
        }
    }
    return fields;
}

std::wstring utf16(const std::string& utf8) {
    std::wstring text(utf8.size(), L'\0');
    text.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &text[0],
                                    static_cast<int>(text.size())));
    return text;
}

// The dialogs of kelvane.rc by number, as its statements spell them.
std::map<int, parsed_dialog> rc_dialogs() {
    std::map<std::string, long> symbols = rc_symbols();
    auto value = [&](const std::string& names) {  // a number, or names joined by bars
        long v = 0;
        std::istringstream parts(names);
        for (std::string name; std::getline(parts, name, '|');) {
            v |= isdigit(static_cast<unsigned char>(name[0])) ? strtol(name.c_str(), nullptr, 0) : symbols.at(name);
        }
        return v;
    };
    std::map<int, parsed_dialog> dialogs;
    parsed_dialog* d = nullptr;
    std::string control;  // a CONTROL statement, over as many lines as it takes
    std::istringstream rc(source_text("kelvane.rc"));
    for (std::string line; std::getline(rc, line);) {
        std::istringstream words(line);
        std::string word, rest;
        words >> word >> std::ws;
        std::getline(words, rest);
        if (!control.empty() && (word == "CONTROL" || word == "END")) {
            std::vector<std::string> f = rc_fields(control);
            d->controls.push_back({static_cast<DWORD>(value(f[3])) | WS_CHILD | WS_VISIBLE,
                                   f.size() > 8 ? static_cast<DWORD>(value(f[8])) : 0,
                                   static_cast<short>(value(f[4])), static_cast<short>(value(f[5])),
                                   static_cast<short>(value(f[6])), static_cast<short>(value(f[7])),
                                   static_cast<int>(value(f[1])), utf16(f[2]), utf16(f[0])});
            control.clear();
        }
        std::vector<std::string> f = rc_fields(rest);
        if (rest.compare(0, 9, "DIALOGEX ") == 0) {
            d = &dialogs[static_cast<int>(symbols.at(word))];
            f = rc_fields(rest.substr(9));
            d->cx = static_cast<short>(value(f[2]));
            d->cy = static_cast<short>(value(f[3]));
        } else if (!d) {
            continue;
        } else if (word == "STYLE") {
            d->style = static_cast<DWORD>(value(f[0]));
        } else if (word == "CAPTION") {
            d->caption = utf16(f[0]);
        } else if (word == "FONT") {
            d->points = static_cast<WORD>(value(f[0]));
            d->face = utf16(f[1]);
            d->weight = static_cast<WORD>(value(f[2]));
            d->charset = static_cast<BYTE>(value(f[4]));
        } else if (word == "CONTROL" || !control.empty()) {
            control += (word == "CONTROL" ? rest : line);
        } else if (word == "END") {
            d = nullptr;
        }
    }
    return dialogs;
}

// The compiled templates say what kelvane.rc says, in its code page, with
// the pages' font.
TEST(DialogTemplates, AreCompiledAsWritten) {
    std::map<int, parsed_dialog> written = rc_dialogs();
    ASSERT_EQ(6u, written.size());
    for (const auto& entry : written) {
        SCOPED_TRACE(entry.first);
        const parsed_dialog& want = entry.second;
        parsed_dialog d;
        ASSERT_TRUE(parse_template(entry.first, &d)) << "no DIALOGEX";
        EXPECT_TRUE(want.caption == d.caption);
        EXPECT_EQ(want.cx, d.cx);
        EXPECT_EQ(want.cy, d.cy);
        EXPECT_EQ(want.style, d.style);
        EXPECT_EQ(L"Meiryo UI", d.face);
        EXPECT_EQ(10, d.points);
        EXPECT_EQ(400, d.weight);
        EXPECT_EQ(want.charset, d.charset);
        EXPECT_EQ(entry.first == IDD_WELCOME || entry.first == IDD_SETTINGS_BASIC ? 128 : 0, d.charset);
        ASSERT_EQ(want.controls.size(), d.controls.size()) << "controls in the template";
        for (size_t i = 0; i < d.controls.size(); i++) {
            const parsed_control& w = want.controls[i];
            const parsed_control& got = d.controls[i];
            SCOPED_TRACE(::testing::Message() << "control " << i << " id " << w.id);
            EXPECT_EQ(static_cast<short>(w.id), static_cast<short>(got.id));
            EXPECT_EQ(0, _wcsicmp(w.cls.c_str(), got.cls.c_str())) << "class";
            EXPECT_TRUE(w.text == got.text) << "text";
            EXPECT_EQ(w.x, got.x);
            EXPECT_EQ(w.y, got.y);
            EXPECT_EQ(w.cx, got.cx);
            EXPECT_EQ(w.cy, got.cy);
            EXPECT_EQ(w.style, got.style) << std::hex << got.style;
            EXPECT_EQ(w.exstyle, got.exstyle) << std::hex << got.exstyle;
        }
    }
    EXPECT_TRUE(wide(k_welcome_text) == written[IDD_WELCOME].controls[2].text) << "the welcome text";
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
    ASSERT_TRUE(run_sheet([&](HWND sheet) {
        for (int index = 0; index < 5; index++) {
            HWND page = sheet_page(sheet, index);
            ASSERT_NE(nullptr, page);
            parsed_dialog d;
            ASSERT_TRUE(parse_template(IDD_SETTINGS_BASIC + index, &d));
            for (const parsed_control& row : d.controls) {
                if (static_cast<short>(row.id) == -1) continue;
                HWND control = GetDlgItem(page, row.id);
                ASSERT_NE(nullptr, control) << "page " << index << " control " << row.id;
                wchar_t cls[64] = L"";
                GetClassNameW(control, cls, 64);
                EXPECT_EQ(0, _wcsicmp(row.cls.c_str(), cls)) << row.id;
                // At run time a radio button keeps its tab stop only while it
                // is ticked, an edit's border becomes a client edge and the
                // page shows only the controls of its mode; the template test
                // above checks those bits as written.
                DWORD want = row.style & ~static_cast<DWORD>(WS_TABSTOP | WS_BORDER | WS_VISIBLE);
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
