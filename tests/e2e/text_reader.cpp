// A small library that the end-to-end tests load into the running
// kelvane.exe (text_reader.h) to read, from inside, what no other process
// can read: the items of a pop-up menu, the tabs of the settings sheet and
// the texts of tooltip tools.  On load it starts a thread that writes
// every text of the process's windows, read through the wide functions, to
// "<this library>.out" as UTF-8 lines (text_reader.h), and then unloads
// the library again.  It links nothing of the program.
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "text_reader.h"

namespace {

HMODULE s_self = nullptr;
std::vector<HMENU> s_menus;  // the menus on the screen

std::string reader_utf8(const wchar_t* text) {
    std::string out;
    for (; *text; text++) {
        // One record per line: breaks inside a text are written escaped.
        if (*text == L'\n') {
            out += "\\n";
            continue;
        }
        if (*text == L'\r') {
            out += "\\r";
            continue;
        }
        int unit = (*text >= 0xD800 && *text <= 0xDBFF && text[1]) ? 2 : 1;
        char bytes[8];
        int n = WideCharToMultiByte(CP_UTF8, 0, text, unit, bytes, sizeof bytes, nullptr, nullptr);
        out.append(bytes, n > 0 ? n : 0);
        text += unit - 1;
    }
    return out;
}

std::string reader_window_text(HWND hwnd) {
    static wchar_t text[8192];
    text[0] = L'\0';
    GetWindowTextW(hwnd, text, 8192);
    return reader_utf8(text);
}

std::string reader_class(HWND hwnd) {
    wchar_t name[128] = L"";
    GetClassNameW(hwnd, name, 128);
    return reader_utf8(name);
}

void reader_menu(std::string* out, HMENU menu, int depth) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; i++) {
        static wchar_t text[8192];
        text[0] = L'\0';
        GetMenuStringW(menu, i, text, 8192, MF_BYPOSITION);
        *out += "menu|" + std::to_string(depth) + "|" + reader_utf8(text) + "\n";
        if (HMENU submenu = GetSubMenu(menu, i)) {
            reader_menu(out, submenu, depth + 1);
        }
    }
}

void reader_tabs(std::string* out, HWND tab) {
    int count = static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; i++) {
        wchar_t text[256] = L"";
        TCITEMW item;
        ZeroMemory(&item, sizeof item);
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 256;
        SendMessageW(tab, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        *out += "tab|" + reader_utf8(text) + "\n";
    }
}

void reader_tips(std::string* out, HWND tooltip) {
    int count = static_cast<int>(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < count; i++) {
        // The control copies the whole text into the buffer.
        static wchar_t text[8192];
        text[0] = L'\0';
        TTTOOLINFOW tool;
        ZeroMemory(&tool, sizeof tool);
        tool.cbSize = sizeof tool;
        tool.lpszText = text;
        if (SendMessageW(tooltip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&tool))) {
            *out += "tip|" + reader_utf8(text) + "\n";
        }
    }
}

// Whether menu is one of the submenus of within, at any depth.
bool reader_inside(HMENU within, HMENU menu) {
    int count = GetMenuItemCount(within);
    for (int i = 0; i < count; i++) {
        HMENU submenu = GetSubMenu(within, i);
        if (submenu && (submenu == menu || reader_inside(submenu, menu))) {
            return true;
        }
    }
    return false;
}

// An open submenu has a window of its own; the menu it belongs to lists it
// already, so only the outermost menu is written.
void reader_menus(std::string* out) {
    for (HMENU menu : s_menus) {
        bool inner = false;
        for (HMENU other : s_menus) {
            inner = inner || (other != menu && reader_inside(other, menu));
        }
        if (menu && !inner) {
            reader_menu(out, menu, 0);
        }
    }
}

BOOL CALLBACK reader_child(HWND hwnd, LPARAM lparam) {
    std::string* out = reinterpret_cast<std::string*>(lparam);
    std::string name = reader_class(hwnd);
    *out += "child|" + name + "|" + std::to_string(GetDlgCtrlID(hwnd)) + "|" +
            reader_window_text(hwnd) + "\n";
    if (lstrcmpiA(name.c_str(), "SysTabControl32") == 0) {
        reader_tabs(out, hwnd);
    }
    if (lstrcmpiA(name.c_str(), "SysListView32") == 0) {
        int count = static_cast<int>(SendMessageW(hwnd, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; i++) {
            static wchar_t text[8192];
            text[0] = L'\0';
            LVITEMW item = {};
            item.pszText = text;
            item.cchTextMax = 8192;
            SendMessageW(hwnd, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
            *out += "row|" + reader_utf8(text) + "\n";
        }
    }
    return TRUE;
}

BOOL CALLBACK reader_top(HWND hwnd, LPARAM lparam) {
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process != GetCurrentProcessId()) {
        return TRUE;
    }
    std::string* out = reinterpret_cast<std::string*>(lparam);
    std::string name = reader_class(hwnd);
    if (lstrcmpiA(name.c_str(), "tooltips_class32") == 0) {
        reader_tips(out, hwnd);
        return TRUE;
    }
    if (lstrcmpiA(name.c_str(), "#32768") == 0) {
        if (IsWindowVisible(hwnd)) {
            s_menus.push_back(reinterpret_cast<HMENU>(SendMessageW(hwnd, MN_GETHMENU, 0, 0)));
        }
        return TRUE;
    }
    if (!IsWindowVisible(hwnd)) {
        return TRUE;
    }
    *out += "window|" + name + "|" + reader_window_text(hwnd) + "\n";
    EnumChildWindows(hwnd, reader_child, lparam);
    return TRUE;
}

DWORD WINAPI reader_thread(void*) {
    std::string out = "acp|" + std::to_string(GetACP()) + "\n";
    EnumWindows(reader_top, reinterpret_cast<LPARAM>(&out));
    reader_menus(&out);
    out += "end\n";

    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(s_self, path, MAX_PATH - 8);
    if (n > 0 && n < MAX_PATH - 8) {
        std::wstring target = std::wstring(path) + TEXT_READER_OUT_SUFFIX;
        std::wstring temp = target + L".tmp";
        // Written aside and renamed, so the test never reads half of it.
        FILE* file = _wfopen(temp.c_str(), L"wb");
        if (file) {
            fwrite(out.data(), 1, out.size(), file);
            fclose(file);
            MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
        }
    }
    FreeLibraryAndExitThread(s_self, 0);
    return 0;
}

}  // namespace

// The work runs on a thread of its own once the loader is done with us:
// talking to windows from here, under the loader's lock, could deadlock.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        s_self = instance;
        DisableThreadLibraryCalls(instance);
        HANDLE thread = CreateThread(nullptr, 0, reader_thread, nullptr, 0, nullptr);
        if (!thread) {
            return FALSE;
        }
        CloseHandle(thread);
    }
    return TRUE;
}
