// The hand of scripts/soak: drives the running instance with saves of
// every kind, as fast as a busy user, until its main window goes (the soak
// kills the program at a moment of its choosing).
//
//   kelvane_soak_driver <log file> <round> <seed> [<action>...]
//
// Actions, picked at random: a real drag of a memo with the mouse (every
// mouse move rewrites the memo's INI), wheel turns over a memo (colour),
// an edit committed with a real Ctrl+Enter, a text sent with WM_COPYDATA,
// and, while there are many memos, a peel.  Edits and peels touch only the
// memos that were there when the driver started, so a text this round sent
// stays the text of its memo.  Every text carries its own check:
//
//   soak <round>-<n>\n<lines of ASCII and Japanese>\n#<CRC-32 of all before '#'>
//
// The log gets one line per action ("drag <moves>", "wheel <clicks>",
// "edit <serial replaced> <new serial>", "peel <serial>", "-" where the
// memo's text has none) and "ack <round>-<n>" once WM_COPYDATA was answered,
// which the program does only after the memo's files were written.
//
// With actions (scripts/sync-soak), it does just those and ends: "new", or
// "edit", "color", "move" or "peel" with ":<serial>", on the memo whose
// text is that serial's ("miss <action>" when no memo shows it).
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "probe_support.h"
#include "resource.h"

namespace {

FILE* s_log = nullptr;
uint64_t s_random = 0;
std::string s_round;
int s_serial = 0;
std::vector<HWND> s_old_memos;  // there when the driver started

uint32_t soak_random(uint32_t bound) {
    s_random ^= s_random << 13;
    s_random ^= s_random >> 7;
    s_random ^= s_random << 17;
    return static_cast<uint32_t>(s_random % bound);
}

void soak_log(const std::string& line) {
    fprintf(s_log, "%s\n", line.c_str());
    fflush(s_log);
}

uint32_t soak_crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; k++) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A new text with its check, in UTF-8, lines ending in LF.
std::string soak_text() {
    static const char* const words[] = {"memo", u8"付箋", "note", u8"日本語", "kelvane",
                                        u8"メモ", "12345", u8"保存", "drag", u8"色"};
    std::string text = "soak " + s_round + "-" + std::to_string(++s_serial) + "\n";
    int lines = 1 + static_cast<int>(soak_random(4));
    for (int l = 0; l < lines; l++) {
        int count = 1 + static_cast<int>(soak_random(12));
        for (int w = 0; w < count; w++) text += std::string(w ? " " : "") + words[soak_random(10)];
        text += "\n";
    }
    char check[16];
    snprintf(check, sizeof check, "#%08x", soak_crc32(text));
    return text + check;
}

std::vector<HWND> soak_memos(HWND main) {
    return probe_windows(MEMO_WINDOW_CLASS, main, true);
}

POINT soak_center(HWND memo) {
    RECT r = {0, 0, 0, 0};
    GetWindowRect(memo, &r);
    POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    return p;
}

// Grabs the memo in its middle and moves it in small steps, as a hand does;
// the memo stays on the screen.
void soak_drag(HWND memo) {
    POINT from = soak_center(memo);
    int w = GetSystemMetrics(SM_CXSCREEN);
    int h = GetSystemMetrics(SM_CYSCREEN);
    int to_x = std::min(std::max(static_cast<int>(from.x) + static_cast<int>(soak_random(301)) - 150, 100), w - 100);
    int to_y = std::min(std::max(static_cast<int>(from.y) + static_cast<int>(soak_random(301)) - 150, 100), h - 100);
    int moves = 4 + static_cast<int>(soak_random(12));
    probe_mouse(from.x, from.y, 0);
    Sleep(20);
    probe_mouse(from.x, from.y, MOUSEEVENTF_LEFTDOWN);
    for (int i = 1; i <= moves; i++) {
        Sleep(12);
        probe_mouse(from.x + (to_x - from.x) * i / moves, from.y + (to_y - from.y) * i / moves, 0);
    }
    Sleep(12);
    probe_mouse(to_x, to_y, MOUSEEVENTF_LEFTUP);
    soak_log("drag " + std::to_string(moves));
}

void soak_wheel(HWND memo) {
    POINT at = soak_center(memo);
    int clicks = 1 + static_cast<int>(soak_random(5));
    probe_mouse(at.x, at.y, 0);
    for (int i = 0; i < clicks; i++) {
        Sleep(25);
        probe_mouse(at.x, at.y, MOUSEEVENTF_WHEEL, soak_random(2) ? WHEEL_DELTA : static_cast<DWORD>(-WHEEL_DELTA));
    }
    soak_log("wheel " + std::to_string(clicks));
}

// The serial of a soak text ("soak <serial>" on its first line), or "-".
std::string soak_serial(const std::string& text) {
    if (text.rfind("soak ", 0) != 0) return "-";
    size_t end = text.find_first_of("\r\n\\", 5);
    return text.substr(5, end == std::string::npos ? std::string::npos : end - 5);
}

HWND soak_edit_box(HWND memo) {
    for (HWND box : probe_windows(EDIT_BOX_CLASS)) {
        if (GetWindow(box, GW_OWNER) == memo) return box;
    }
    return nullptr;
}

// Opens the edit box, puts a new text in and commits it with the keys.
void soak_edit(HWND memo) {
    PostMessageA(memo, WM_COMMAND, MEMO_CMD_EDIT, 0);
    HWND box = nullptr;
    if (!probe_wait([&] { return (box = soak_edit_box(memo)) != nullptr; }, 2000, 10)) return;
    HWND rich = FindWindowExW(box, nullptr, L"RichEdit20W", nullptr);
    if (!rich) return;
    // The text the box opened with is the one this edit replaces.
    wchar_t opened[128] = L"";
    DWORD_PTR got = 0;
    SendMessageTimeoutW(rich, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(opened), SMTO_NORMAL, 2000,
                        &got);
    std::string replaced = soak_serial(probe_utf8(opened));
    std::string text = soak_text();
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::wstring wide = probe_wide_utf8(crlf);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(rich, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), SMTO_NORMAL, 2000,
                        &ignored);
    probe_chord(VK_CONTROL, VK_RETURN);
    // The keys go where the focus is; should it be elsewhere, the command
    // that Ctrl+Enter becomes commits the same way.
    if (!probe_wait([&] { return !IsWindow(box); }, 700, 10)) {
        PostMessageA(box, WM_COMMAND, ID_ACCEL_CTRL_ENTER, 0);
    }
    bool closed = probe_wait([&] { return !IsWindow(box); }, 5000, 10);
    soak_log(std::string(closed ? "edit " : "edit-open ") + replaced + " " + soak_serial(text));
}

void soak_copydata(HWND main) {
    std::string text = soak_text();
    COPYDATASTRUCT data = {0, static_cast<DWORD>(text.size() + 1), &text[0]};
    LRESULT answer = 0;
    if (probe_send(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), &answer, 5000) && answer) {
        soak_log("ack " + text.substr(5, text.find('\n') - 5));
    }
}

void soak_peel(HWND memo, const std::string& serial = "-") {
    PostMessageA(memo, WM_COMMAND, MEMO_CMD_PEEL, 0);
    s_old_memos.erase(std::remove(s_old_memos.begin(), s_old_memos.end(), memo), s_old_memos.end());
    soak_log("peel " + serial);
}

HWND soak_pick(const std::vector<HWND>& memos) {
    return memos.empty() ? nullptr : memos[soak_random(static_cast<uint32_t>(memos.size()))];
}

HWND soak_find(HWND main, const std::string& serial) {
    for (HWND memo : soak_memos(main)) {
        if (soak_serial(probe_memo_text(memo)) == serial) return memo;
    }
    return nullptr;
}

void soak_scripted(HWND main, int count, char** actions) {
    for (int i = 0; i < count; i++) {
        std::string action = actions[i];
        size_t colon = action.find(':');
        std::string kind = action.substr(0, colon);
        HWND memo = colon == std::string::npos ? nullptr : soak_find(main, action.substr(colon + 1));
        if (kind == "new") {
            soak_copydata(main);
        } else if (!memo) {
            soak_log("miss " + action);
        } else if (kind == "edit") {
            soak_edit(memo);
        } else if (kind == "color") {
            soak_wheel(memo);
        } else if (kind == "move") {
            soak_drag(memo);
        } else if (kind == "peel") {
            soak_peel(memo, action.substr(colon + 1));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: kelvane_soak_driver <log file> <round> <seed>\n");
        return 2;
    }
    s_log = fopen(argv[1], "a");
    if (!s_log) return 2;
    s_round = argv[2];
    s_random = strtoull(argv[3], nullptr, 10) * 2654435761u + 88172645463325252ull;
    HWND main = nullptr;
    if (!probe_wait([&] { return (main = probe_main_window()) != nullptr; }, 20000)) return 1;
    s_old_memos = soak_memos(main);
    if (argc > 4) {
        soak_scripted(main, argc - 4, argv + 4);
        fclose(s_log);
        return 0;
    }
    while (IsWindow(main)) {
        std::vector<HWND> memos = soak_memos(main);
        uint32_t dice = soak_random(100);
        HWND old_memo = soak_pick(s_old_memos);
        if (old_memo && !IsWindow(old_memo)) old_memo = nullptr;
        if (memos.size() > 12 && old_memo && dice < 10) {
            soak_peel(old_memo);
        } else if (memos.empty() || dice < 25) {
            soak_copydata(main);
        } else if (dice < 55) {
            soak_drag(soak_pick(memos));
        } else if (dice < 80) {
            soak_wheel(soak_pick(memos));
        } else if (old_memo) {
            soak_edit(old_memo);
        } else {
            soak_copydata(main);
        }
        Sleep(5);
    }
    fclose(s_log);
    return 0;
}
