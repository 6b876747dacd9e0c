// What the Windows tests share: MemoTest, the base of their fixtures (a
// data folder of the suite's own, the settings of a first start, a
// stand-in owner that answers the transparency question and counts the
// foreground commands, real memo windows made the way the program makes
// them and stand-in memos), a message pump with the program's accelerator
// rule, helper threads that answer message boxes and read pop-up menus, a
// 32-bit canvas to paint into, and the settings sheet run modally with a
// second thread driving it (SheetTest).  Finding and waiting for windows
// and the keys and mouse come from probe_support.h, which the end-to-end
// probes use too.
#ifndef MEMO_TEST_SUPPORT_H
#define MEMO_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "memo_registry.h"
#include "main_window.h"
#include "tracked_memory.h"
#include "placement.h"
#include "settings.h"
#include "settings_sheet.h"
#include "probe_support.h"
#include "resource.h"

namespace memo_test {

inline std::atomic<int>& foreground_commands() {
    static std::atomic<int> count(0);
    return count;
}

// The data page's word that AUTOREFRESH or the data folder changed.
inline std::atomic<int>& watch_setting_notices() {
    static std::atomic<int> count(0);
    return count;
}

inline LRESULT CALLBACK owner_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == MSG_FOLDER_CHANGED && wparam == FOLDER_CHANGED_SETTINGS) {
        watch_setting_notices()++;
        return 1;
    }
    if (message == MSG_GET_TRANSPARENCY) {
        return g_settings.transparency;
    }
    if (message == WM_COMMAND && LOWORD(wparam) == CMD_FOREGROUND) {
        foreground_commands()++;
        return 1;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

// A top-level tool window of a class of its own with the given procedure,
// registered by the first call with the background fill (CLR_INVALID: none;
// the brush lives as long as the class).  style is WS_POPUP, with
// WS_VISIBLE for a window shown at once.
inline HWND create_test_window(const char* class_name, WNDPROC procedure, DWORD style, int x, int y,
                               int width, int height, COLORREF fill = CLR_INVALID) {
    WNDCLASSA wc;
    if (!GetClassInfoA(GetModuleHandleA(nullptr), class_name, &wc)) {
        ZeroMemory(&wc, sizeof wc);
        wc.lpfnWndProc = procedure;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = fill == CLR_INVALID ? nullptr : CreateSolidBrush(fill);
        wc.lpszClassName = class_name;
        RegisterClassA(&wc);
    }
    return CreateWindowExA(WS_EX_TOOLWINDOW, class_name, "", style, x, y, width, height, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

// A hidden tool window like the program's main window.
inline HWND create_owner() {
    return create_test_window("KelvaneTestOwner", owner_proc, WS_POPUP, 0, 0, 0, 0);
}

inline void load_rich_edit() {
    static HMODULE library = LoadLibraryA("RICHED20.DLL");
    (void)library;
}

// The settings of a first start, with the data folder in the temporary
// folder and nothing that pops up or acts by itself.
inline void reset_settings(const char* folder) {
    settings_reset();
    g_settings.recycle = 0;
    g_settings.balloon = 0;
    g_settings.dialog = 0;
    g_settings.portable = 0;
    g_settings.autorefresh = 0;
    strcpy(g_settings.path, folder);
}

// Deletes the files of a folder (code page 932 path), not its subfolders.
inline void empty_folder(const std::string& folder) {
    std::string pattern = folder + "\\*";
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                DeleteFileA((folder + "\\" + entry.cFileName).c_str());
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
}

// A fresh, empty folder in the temporary folder.
inline std::string make_data_folder(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + name;
    empty_folder(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

inline char* tracked_copy(const char* text) {
    size_t n = strlen(text);
    char* block = TRACKED_NEW(char, n + 1);
    memcpy(block, text, n + 1);
    return static_cast<char*>(tracked_hand_over(block));  // as the edit box hands a text over
}

// Gives the record a copy of text (none for null) in place of its own.
inline void set_record_text(memo_record* record, const char* text) {
    if (record->text) TRACKED_FREE(record->text);
    record->text = text ? TRACKED_NEW(char, strlen(text) + 1) : nullptr;
    if (text) strcpy(record->text, text);
}

// A memo window made as the program makes one, with mode (1 from files,
// 2 new), at the rectangle.  text may be null (a new memo).
inline HWND create_memo(HWND owner, int left, int top, int width, int height, const char* name,
                        const char* text, int32_t color, uint16_t mode = MEMO_MODE_FROM_FILES) {
    memo_placement where = {memo_geometry::rect, {left, top, left + width, top + height}};
    memo_record start = {};
    start.color_index = color;
    start.text = text ? tracked_copy(text) : nullptr;
    snprintf(start.file_name, sizeof start.file_name, "%s", name);
    // Shown below without the activation of the program's show: tests start inactive.
    int32_t show = g_settings.show;
    g_settings.show = 0;
    HWND memo = placement_create_memo(owner, &where, &start, mode);
    g_settings.show = show;
    if (!memo) {
        return nullptr;
    }
    ShowWindow(memo, SW_SHOWNOACTIVATE);
    UpdateWindow(memo);
    return memo;
}

inline memo_record* record_of(HWND memo) {
    return static_cast<memo_record*>(memo_registry_find(memo));
}

inline void destroy_memo(HWND memo) {
    if (IsWindow(memo)) {
        DestroyWindow(memo);
        memo_registry_remove(memo);
    }
}

inline HACCEL accelerators() {
    static HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr),
                                            MAKEINTRESOURCEA(IDR_ACCELERATOR));
    return table;
}

// One round of the program's message loop: wide messages, the accelerator
// table translated for the parent (for a pop-up, the owner) of the
// message's window.
inline void pump_once() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        HWND parent = msg.hwnd ? GetParent(msg.hwnd) : nullptr;
        if (parent && TranslateAcceleratorW(parent, accelerators(), &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Pumps until done() holds or timeout_ms pass; returns done().
inline bool pump_until(const std::function<bool()>& done, int timeout_ms = 3000) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (static_cast<int>(GetTickCount() - start) > timeout_ms) {
            pump_once();
            return done();
        }
        pump_once();
        Sleep(5);
    }
    return true;
}

inline void pump_for(int ms) {
    pump_until([] { return false; }, ms);
}

// Waits without pumping, for a helper thread or for windows of the thread
// that runs a modal loop; whether condition came to hold.
template <typename Condition>
bool wait_for(Condition condition, DWORD timeout_ms = 5000) {
    return probe_wait(condition, timeout_ms, 10);
}

// What the tests of memo windows and of the sheet stand on: a data folder
// of the suite's own, the settings of a first start (given back as they
// were at the end), the stand-in owner and the memos made through memo();
// every memo still registered at the end goes with the owner.
class MemoTest : public ::testing::Test {
protected:
    HWND owner = nullptr;
    std::string folder;
    std::vector<HWND> memos;

    void SetUp() override {
        saved_settings_ = g_settings;
        load_rich_edit();
        folder = make_data_folder(folder_name().c_str());
        reset_settings(folder.c_str());
        foreground_commands() = 0;
        owner = make_owner();
        ASSERT_NE(nullptr, owner);
    }
    virtual std::string folder_name() {
        // A table's suite is named "Rows/Name": the slash is no subfolder.
        std::string suite = ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name();
        std::replace(suite.begin(), suite.end(), '/', '-');
        return "kelvane-" + suite;
    }
    virtual HWND make_owner() { return create_owner(); }
    void TearDown() override {
        for (HWND memo : memos) destroy_memo(memo);
        memos.clear();
        while (HWND memo = memo_registry_next(nullptr)) {
            DestroyWindow(memo);
            memo_registry_remove(memo);
        }
        if (owner) DestroyWindow(owner);
        pump_for(20);
        g_settings = saved_settings_;
    }
    // A memo read from files (or made new, with mode), named apart from
    // every other of the test.
    HWND memo(int left, int top, int width, int height, const char* text, int32_t color = 1,
              uint16_t mode = MEMO_MODE_FROM_FILES) {
        char name[32];
        snprintf(name, sizeof name, "2024010203%04d", serial_++);
        HWND hwnd = create_memo(owner, left, top, width, height, name, text, color, mode);
        memos.push_back(hwnd);
        return hwnd;
    }
    // Registers window as a stand-in memo holding a UTF-8 text (none for
    // null); it goes at the end like the memos.
    memo_record* stand_in(HWND window, const char* text) {
        memo_record* record = memo_registry_add(window);
        set_record_text(record, text);
        memos.push_back(window);
        return record;
    }
    std::string ini(HWND hwnd) { return folder + "\\" + record_of(hwnd)->file_name + ".ini"; }
    std::string txt(HWND hwnd) { return folder + "\\" + record_of(hwnd)->file_name + ".txt"; }

private:
    settings_record saved_settings_;
    int serial_ = 0;
};

// The texts of a menu's items, separators as "".
inline std::vector<std::wstring> menu_texts(HMENU menu) {
    std::vector<std::wstring> names;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; i++) {
        wchar_t name[300] = L"";
        GetMenuStringW(menu, i, name, 300, MF_BYPOSITION);
        names.push_back(name);
    }
    return names;
}

// Answers the first message box with the given caption that appears within
// three seconds by pressing button (IDOK, IDCANCEL, IDYES, IDNO), and
// returns its text.  Runs on a helper thread while the test's thread is in
// the box's modal loop.
class box_answerer {
public:
    box_answerer(const char* caption, int button) : caption_(caption), button_(button) {
        thread_ = std::thread([this] { run(); });
    }
    ~box_answerer() {
        if (thread_.joinable()) thread_.join();
    }
    std::string text() {
        if (thread_.joinable()) thread_.join();
        return text_;
    }

private:
    void run() {
        HWND box = nullptr;
        if (!wait_for([&] { return (box = FindWindowA("#32770", caption_.c_str())) != nullptr; },
                      3000)) {
            text_ = "<no message box>";
            return;
        }
        text_ = probe_box_text(box);
        PostMessageA(box, WM_COMMAND, button_, 0);
    }
    std::string caption_;
    int button_;
    std::string text_;
    std::thread thread_;
};

// Reads the items of the first pop-up menu that appears within three
// seconds, and those of its first submenu, then closes it with Escape.
// Runs on a helper thread while the test's thread is in the menu's loop.
class menu_reader {
public:
    menu_reader() {
        thread_ = std::thread([this] { run(); });
    }
    ~menu_reader() {
        if (thread_.joinable()) thread_.join();
    }
    std::vector<std::wstring> items() {
        if (thread_.joinable()) thread_.join();
        return items_;
    }
    std::vector<std::wstring> first_submenu_items() {
        if (thread_.joinable()) thread_.join();
        return submenu_items_;
    }

private:
    void run() {
        HWND popup = probe_wait_menu(3000);
        if (!popup) return;
        HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
        items_ = menu_texts(menu);
        HMENU sub = GetSubMenu(menu, 0);
        if (sub) submenu_items_ = menu_texts(sub);
        PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    std::vector<std::wstring> items_;
    std::vector<std::wstring> submenu_items_;
    std::thread thread_;
};

inline int ini_int(const std::string& path, const char* key) {
    return static_cast<int>(GetPrivateProfileIntA("KELVAN", key, -12345, path.c_str()));
}

inline bool file_exists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

inline std::string read_file(const std::string& path) {
    std::string bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return "<missing>";
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    fclose(f);
    return bytes;
}

inline void write_file(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f) << path;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

inline void remove_folder(const std::string& folder) {
    empty_folder(folder);
    RemoveDirectoryA(folder.c_str());
}

// ------------------------------------------------------- the settings sheet
//
// The sheet and its pickers run modally on the test's thread while a
// second thread finds them, clicks their buttons and presses OK or Cancel.

inline std::wstring wide(const char* cp932) {
    int n = MultiByteToWideChar(932, 0, cp932, -1, nullptr, 0);
    std::wstring text(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) MultiByteToWideChar(932, 0, cp932, -1, &text[0], n);
    return text;
}

inline std::string text_of(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// What the welcome dialog says, as its template holds it and as it shows.
const char k_welcome_text[] =
    "『Kelvane』をご利用いただきありがとうございます。\n\n『Kelvane』はインストーラ不要のプログラムです。"
    "『ZIP版』は解凍したプログラム類(今実行したプログラムと関連ファイル)を適切な場所に保存してそのままご使用ください。"
    "\n\nまた、Windowsの起動時に自動的に起動させる場合はWindowsのスタートアップに『Kelvane』のショートカットを登録"
    "してください。\n\n詳しくはreadmeやhelpをご覧ください。";

inline HWND find_sheet() {
    HWND sheet = FindWindowA("#32770", "設定");
    return sheet && IsWindowVisible(sheet) ? sheet : nullptr;
}

inline HWND sheet_page(HWND sheet, int index) {
    SendMessageA(sheet, PSM_SETCURSEL, index, 0);
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

inline void click(HWND page, int id) {
    SendMessageA(GetDlgItem(page, id), BM_CLICK, 0, 0);
}

inline bool ticked(HWND page, int id) {
    return SendMessageA(GetDlgItem(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

inline bool enabled(HWND page, int id) {
    return IsWindowEnabled(GetDlgItem(page, id)) != FALSE;
}

// The page's pickers are modal dialogs owned by the page; the system hands
// the ownership to the page's top-level window, the sheet.
inline HWND owned_dialog(HWND page) {
    HWND sheet = GetAncestor(page, GA_ROOT);
    for (HWND w = FindWindowA("#32770", nullptr); w; w = FindWindowExA(nullptr, w, "#32770", nullptr)) {
        HWND owner = GetWindow(w, GW_OWNER);
        if (w != sheet && (owner == page || owner == sheet) && IsWindowVisible(w)) return w;
    }
    return nullptr;
}

inline HWND find_owned_dialog(HWND page) {
    HWND found = nullptr;
    wait_for([&] { return (found = owned_dialog(page)) != nullptr; });
    return found;
}

// A top-down 32-bit picture in a memory DC, filled with one colour first.
class canvas {
public:
    canvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
        DWORD value = (GetRValue(fill) << 16) | (GetGValue(fill) << 8) | GetBValue(fill);
        for (int i = 0; bits_ && i < width * height; i++) bits_[i] = value;
    }
    ~canvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    canvas(const canvas&) = delete;
    canvas& operator=(const canvas&) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    bool ready() const { return dc_ && bitmap_ && bits_; }
    COLORREF at(int x, int y) const {
        DWORD v = bits_[y * width_ + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // How many pixels of column x, rows y0..y1-1, hold colour.
    int column_count(int x, int y0, int y1, COLORREF colour) const {
        int n = 0;
        for (int y = y0; y < y1; y++) n += at(x, y) == colour;
        return n;
    }
    int row_count(int y, int x0, int x1, COLORREF colour) const {
        int n = 0;
        for (int x = x0; x < x1; x++) n += at(x, y) == colour;
        return n;
    }

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    DWORD* bits_ = nullptr;
};

// Paints an owner-drawn item of a page (or dialog) over the whole canvas.
inline void draw_item(HWND page, int id, const canvas& c, UINT type = ODT_STATIC) {
    DRAWITEMSTRUCT item = {};
    item.CtlType = type;
    item.CtlID = id;
    item.itemAction = ODA_DRAWENTIRE;
    item.hwndItem = GetDlgItem(page, id);
    item.hDC = c.dc();
    item.rcItem = {0, 0, c.width(), c.height()};
    SendMessageA(page, WM_DRAWITEM, id, reinterpret_cast<LPARAM>(&item));
    GdiFlush();
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
inline void close_leftovers(HWND sheet) {
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

// The settings sheet over a stand-in main window with two memos, the
// settings of a first start and a data folder of its own.
class SheetTest : public MemoTest {
protected:
    void SetUp() override {
        MemoTest::SetUp();
        memos.push_back(create_memo(owner, 300, 300, 160, 120, "20240101000000", "one", 0));
        memos.push_back(create_memo(owner, 500, 300, 160, 120, "20240101000001", "two", 3));
        ASSERT_NE(nullptr, memos[0]);
        ASSERT_NE(nullptr, memos[1]);
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

}  // namespace memo_test

#endif
