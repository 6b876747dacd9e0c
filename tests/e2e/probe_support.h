// What every program that watches Kelvane's windows from the outside
// needs: the probes of the shell suites, the end-to-end tests and the
// Windows tests' helper threads.  Finding windows by class, owner,
// visibility or process, waiting for a condition, sending with a time
// limit, and reading texts as UTF-8.  Header only; links nothing of the
// program.
#ifndef PROBE_SUPPORT_H
#define PROBE_SUPPORT_H

#include <windows.h>
#include <commctrl.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "main_window.h"
#include "memo_tooltip.h"

// The running instance's hidden main window, or null.
inline HWND probe_main_window() {
    return FindWindowA(MAIN_WINDOW_CLASS, nullptr);
}

// Polls condition every poll_ms until it holds or timeout_ms have passed;
// whether it held (asked once more at the end, so a condition that comes
// true during the last sleep still counts).
template <typename Condition>
bool probe_wait(Condition condition, DWORD timeout_ms, DWORD poll_ms = 20) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeout_ms) {
            return condition();
        }
        Sleep(poll_ms);
    }
    return true;
}

// The running instance's main window once its start-up is over, or null
// after timeout_ms.  The window exists from the start of its creation,
// which loads the memos, adds the tray icon and may show the welcome
// dialog; the instance first waits for input once all that is on the
// screen.
inline HWND probe_wait_main_started(DWORD timeout_ms) {
    DWORD start = GetTickCount();
    HWND main = nullptr;
    if (!probe_wait([&main] { return (main = probe_main_window()) != nullptr; }, timeout_ms)) {
        return nullptr;
    }
    DWORD spent = GetTickCount() - start;
    DWORD left = spent < timeout_ms ? timeout_ms - spent : 1;
    DWORD process_id = 0;
    GetWindowThreadProcessId(main, &process_id);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, process_id);
    DWORD idle = process ? WaitForInputIdle(process, left) : WAIT_FAILED;
    if (process) CloseHandle(process);
    return idle == 0 ? main : nullptr;
}

struct probe_window_search {
    const char* class_name;  // null: any class
    HWND owner;              // null: any owner
    bool visible_only;
    std::vector<HWND> found;
};

inline BOOL CALLBACK probe_collect_window(HWND hwnd, LPARAM lparam) {
    probe_window_search* search = reinterpret_cast<probe_window_search*>(lparam);
    if (search->class_name) {
        char name[256] = "";
        GetClassNameA(hwnd, name, sizeof name);
        // Class names are case-insensitive, like the system's own lookup.
        if (lstrcmpiA(name, search->class_name) != 0) return TRUE;
    }
    if (search->owner && GetWindow(hwnd, GW_OWNER) != search->owner) return TRUE;
    if (search->visible_only && !IsWindowVisible(hwnd)) return TRUE;
    search->found.push_back(hwnd);
    return TRUE;
}

// The top-level windows of a class (null: all), in z-order, optionally
// only those owned by owner and only the visible ones.
inline std::vector<HWND> probe_windows(const char* class_name, HWND owner = nullptr,
                                       bool visible_only = false) {
    probe_window_search search = {class_name, owner, visible_only, {}};
    EnumWindows(probe_collect_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline bool probe_same_process(HWND a, HWND b) {
    DWORD process_a = 0;
    DWORD process_b = 0;
    GetWindowThreadProcessId(a, &process_a);
    GetWindowThreadProcessId(b, &process_b);
    return process_a != 0 && process_a == process_b;
}

// The visible dialogs of a title ("設定" for the settings sheet, "Kelvane"
// for the welcome dialog and most message boxes) that belong to the
// process of main.
inline std::vector<HWND> probe_program_dialogs(HWND main, const char* title) {
    std::vector<HWND> found;
    for (HWND w = FindWindowA("#32770", title); w; w = FindWindowExA(nullptr, w, "#32770", title)) {
        if (IsWindowVisible(w) && probe_same_process(w, main)) {
            found.push_back(w);
        }
    }
    return found;
}

// The pop-up menu on the screen, or null.
inline HWND probe_shown_menu() {
    std::vector<HWND> menus = probe_windows("#32768", nullptr, true);
    return menus.empty() ? nullptr : menus.front();
}

// The pop-up menu once it is up, or null after timeout_ms.
inline HWND probe_wait_menu(DWORD timeout_ms) {
    HWND menu = nullptr;
    probe_wait([&menu] { return (menu = probe_shown_menu()) != nullptr; }, timeout_ms, 10);
    return menu;
}

// The virtual key of a key name that the shell suites use ("down", "up",
// "left", "right", "return", "escape"); 0 for any other name.
inline WPARAM probe_key_code(const char* name) {
    const struct {
        const char* name;
        WPARAM key;
    } keys[] = {
        {"down", VK_DOWN},     {"up", VK_UP},          {"right", VK_RIGHT},
        {"left", VK_LEFT},     {"return", VK_RETURN},  {"escape", VK_ESCAPE},
    };
    for (const auto& k : keys) {
        if (lstrcmpA(name, k.name) == 0) return k.key;
    }
    return 0;
}

// Walks a pop-up menu with keys by name (probe_key_code): 0, or 2 for an
// unknown name (nothing is sent then).  The keys are posted in one batch:
// the menu takes posted messages before mouse input, so no mouse move can
// come between them and change the selection half-way.
inline int probe_menu_keys(HWND menu, int count, char** names) {
    WPARAM keys[32];
    if (count < 0 || count > 32) return 2;
    for (int i = 0; i < count; i++) {
        if (!(keys[i] = probe_key_code(names[i]))) return 2;
    }
    for (int i = 0; i < count; i++) PostMessageA(menu, WM_KEYDOWN, keys[i], 0);
    return 0;
}

// Sends and waits at most timeout_ms for the answer; false when the
// receiver did not answer (hung, crashed or gone).
inline bool probe_send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result,
                       UINT timeout_ms = 10000) {
    DWORD_PTR answer = 0;
    LRESULT ok = SendMessageTimeoutA(hwnd, message, wparam, lparam, SMTO_ABORTIFHUNG, timeout_ms,
                                     &answer);
    *result = static_cast<LRESULT>(answer);
    return ok != 0;
}

// A probe's answer to "command" and the like: sends, prints the receiver's
// answer in decimal and returns 0; 1 (with a word on stderr) when there is
// no receiver or it does not answer.
inline int probe_send_print(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT answer = 0;
    if (!hwnd) {
        fprintf(stderr, "no window\n");
        return 1;
    }
    if (!probe_send(hwnd, message, wparam, lparam, &answer)) {
        fprintf(stderr, "no answer\n");
        return 1;
    }
    printf("%lld\n", static_cast<long long>(answer));
    return 0;
}

// UTF-16 text as UTF-8, for output the shell compares with its own
// literals.
inline std::string probe_utf8(const wchar_t* text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, &bytes[0], n, nullptr, nullptr);
    return bytes;
}

// UTF-8 as UTF-16, for texts the shell or a test hands over as UTF-8.
inline std::wstring probe_wide_utf8(const std::string& utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], n);
    return wide;
}

// A window's title (its caption or a control's text) as UTF-8.
inline std::string probe_window_text_utf8(HWND hwnd) {
    wchar_t text[512] = L"";
    GetWindowTextW(hwnd, text, 512);
    return probe_utf8(text);
}

// The question of a message box: the text of its static control 0xFFFF,
// in code page 932; "" when the box has none.
inline std::string probe_box_text(HWND box) {
    char text[512] = "";
    HWND label = GetDlgItem(box, 0xFFFF);
    if (label) GetWindowTextA(label, text, sizeof text);
    return text;
}

// The active window and the window with the keyboard focus in the thread
// of the instance's main window; false when there is no instance.
inline bool probe_focus(HWND* active, HWND* focus) {
    HWND main = probe_main_window();
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    if (!main || !GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info)) return false;
    *active = info.hwndActive;
    *focus = info.hwndFocus;
    return true;
}

// A real mouse event at x, y (desktop pixels) through the system's input
// queue, as a user's hand gives it: flags 0 moves only; data is the wheel's
// turn for MOUSEEVENTF_WHEEL.
inline void probe_mouse(int x, int y, DWORD flags, DWORD data = 0) {
    int vx = GetSystemMetrics(SM_XVIRTUALSCREEN);
    int vy = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int vw = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int vh = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    INPUT input;
    ZeroMemory(&input, sizeof input);
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(x - vx, 65535, vw - 1);
    input.mi.dy = MulDiv(y - vy, 65535, vh - 1);
    input.mi.mouseData = data;
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    SendInput(1, &input, sizeof input);
}

// A key going down or up, as the keyboard sends it.
inline INPUT probe_key_input(WORD vk, bool up) {
    INPUT in;
    ZeroMemory(&in, sizeof in);
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

// Keys through the system's input queue in one go; whether all went in.
inline bool probe_keys(std::vector<INPUT> keys) {
    return SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT)) == keys.size();
}

// Modifier held while vk is pressed: Ctrl+Enter, Ctrl+S.
inline bool probe_chord(WORD modifier, WORD vk) {
    return probe_keys({probe_key_input(modifier, false), probe_key_input(vk, false),
                       probe_key_input(vk, true), probe_key_input(modifier, true)});
}

// Each UTF-16 unit as a key of its own (a character outside the basic
// plane arrives as its two surrogates, as an input method sends it); a
// line break is the Enter key.
inline bool probe_type(const std::wstring& text) {
    std::vector<INPUT> keys;
    for (wchar_t unit : text) {
        for (bool up : {false, true}) {
            INPUT in = probe_key_input(unit == L'\n' ? VK_RETURN : 0, up);
            if (unit != L'\n') {
                in.ki.wScan = unit;
                in.ki.dwFlags |= KEYEVENTF_UNICODE;
            }
            keys.push_back(in);
        }
    }
    return probe_keys(keys);
}

// The text of a memo's tooltip tool, read across the process boundary:
// TTM_GETTEXTW writes into a buffer that must live in the memo's process.
inline std::wstring probe_tool_text(HWND tooltip, HWND memo) {
    DWORD process_id = 0;
    GetWindowThreadProcessId(tooltip, &process_id);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                 process_id);
    if (!process) return L"";
    const size_t chars = 16384;
    std::vector<wchar_t> text(chars, L'\0');
    char* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(TOOLINFOW) + chars * 2,
                                                     MEM_COMMIT, PAGE_READWRITE));
    if (remote) {
        TOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.hwnd = memo;
        tool.uId = MEMO_TOOLTIP_TOOL_ID;
        tool.lpszText = reinterpret_cast<wchar_t*>(remote + sizeof tool);
        LRESULT ignored = 0;
        if (WriteProcessMemory(process, remote, &tool, sizeof tool, nullptr) &&
            WriteProcessMemory(process, tool.lpszText, text.data(), chars * 2, nullptr) &&
            probe_send(tooltip, TTM_GETTEXTW, chars, reinterpret_cast<LPARAM>(remote), &ignored)) {
            ReadProcessMemory(process, tool.lpszText, text.data(), (chars - 1) * 2, nullptr);
        }
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return text.data();
}

inline bool probe_is_balloon(HWND tooltip) {
    return (GetWindowLongA(tooltip, GWL_STYLE) & TTS_BALLOON) != 0;
}

// A memo's whole tooltip text, its last-modified line included, as UTF-8.
inline std::string probe_memo_tooltip(HWND memo) {
    // A memo makes its tooltip control when it is first needed; asking it
    // to take a pointer move makes it now, as a hover does.
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(memo, WM_NCMOUSEMOVE, HTCAPTION, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    for (HWND tooltip : probe_windows(TOOLTIPS_CLASSA, memo)) {
        if (!probe_is_balloon(tooltip)) return probe_utf8(probe_tool_text(tooltip, memo).c_str());
    }
    return "";
}

// What the memo shows: its tooltip's text up to the last-modified line.
inline std::string probe_memo_text(HWND memo) {
    std::string text = probe_memo_tooltip(memo);
    size_t last = text.rfind('\n');
    text = last == std::string::npos ? std::string() : text.substr(0, last);
    std::string out;
    for (char c : text) {
        if (c == '\n') out += "\\n";
        else if (c != '\r') out += c;
    }
    return out;
}

#endif
