// Saves that have not landed yet, and when the user hears of them.
#include "save_queue.h"

#include <stdio.h>
#include <string.h>

#include "tracked_memory.h"

namespace {

struct save_queue_entry {
    memo_hwnd window;
    uint16_t flags;
    uint32_t since;  // tick of the first failure still owed
    save_queue_entry* next;
};

// Waits between tries: a held file is mostly let go within a second, and a
// cause that lasts is tried every two seconds without costing anything
// noticeable.
const uint32_t k_delays_ms[] = {250, 500, 1000, 2000};

save_queue_entry* s_head = nullptr;
int s_tries = 0;
int s_fault = PLATFORM_FAULT_NONE;
int s_told = 0;

save_queue_entry* save_queue_find(memo_hwnd window) {
    for (save_queue_entry* e = s_head; e; e = e->next) {
        if (e->window == window) return e;
    }
    return nullptr;
}

// A new run of failures starts from the shortest wait and may be told again.
void save_queue_start_over(void) {
    s_tries = 0;
    s_fault = PLATFORM_FAULT_NONE;
    s_told = 0;
}

}  // namespace

void save_queue_add(memo_hwnd window, uint16_t flags, int fault, uint32_t now) {
    save_queue_entry* e = save_queue_find(window);
    if (!e) {
        e = TRACKED_NEW(save_queue_entry, 1);
        e->window = window;
        e->flags = 0;
        e->since = now;
        e->next = nullptr;
        save_queue_entry** tail = &s_head;
        while (*tail) tail = &(*tail)->next;
        *tail = e;
    }
    e->flags = static_cast<uint16_t>(e->flags | flags);
    if (fault != PLATFORM_FAULT_NONE) s_fault = fault;
}

void save_queue_set(memo_hwnd window, uint16_t flags, int fault, uint32_t now) {
    if (!flags) {
        save_queue_take(window);
        return;
    }
    save_queue_add(window, flags, fault, now);
    save_queue_find(window)->flags = flags;
}

uint16_t save_queue_flags(memo_hwnd window) {
    const save_queue_entry* e = save_queue_find(window);
    return e ? e->flags : 0;
}

uint16_t save_queue_take(memo_hwnd window) {
    for (save_queue_entry** link = &s_head; *link; link = &(*link)->next) {
        save_queue_entry* e = *link;
        if (e->window != window) continue;
        uint16_t flags = e->flags;
        *link = e->next;
        TRACKED_FREE(e);
        if (!s_head) save_queue_start_over();
        return flags;
    }
    return 0;
}

int save_queue_count(void) {
    int n = 0;
    for (const save_queue_entry* e = s_head; e; e = e->next) n++;
    return n;
}

memo_hwnd save_queue_window(int index) {
    const save_queue_entry* e = s_head;
    for (int i = 0; e && i < index; i++) e = e->next;
    return e ? e->window : nullptr;
}

void save_queue_clear(void) {
    while (s_head) {
        save_queue_entry* e = s_head;
        s_head = e->next;
        TRACKED_FREE(e);
    }
    save_queue_start_over();
}

uint32_t save_queue_next_delay(void) {
    const int last = static_cast<int>(sizeof k_delays_ms / sizeof *k_delays_ms) - 1;
    uint32_t delay = k_delays_ms[s_tries < last ? s_tries : last];
    if (s_tries < last) s_tries++;
    return delay;
}

int save_queue_fault(void) { return s_head ? s_fault : PLATFORM_FAULT_NONE; }

int save_queue_due_notice(uint32_t now) {
    if (!s_head || s_told) return 0;
    int lasting = s_fault != PLATFORM_FAULT_BUSY;
    uint32_t oldest = 0;
    for (const save_queue_entry* e = s_head; e; e = e->next) {
        uint32_t age = now - e->since;  // unsigned: right across the wrap
        if (age > oldest) oldest = age;
    }
    if (!lasting && oldest < SAVE_QUEUE_PATIENCE_MS) return 0;
    s_told = 1;
    return 1;
}

void save_queue_notice_text(int fault, const char* folder, int at_exit, char* out, size_t size) {
    const char* reason;
    switch (fault) {
    case PLATFORM_FAULT_BUSY:
        reason = "別のプログラムがメモのファイルを開いたままにしています。";
        break;
    case PLATFORM_FAULT_READ_ONLY:
        reason = "データフォルダかメモのファイルが読み取り専用です。";
        break;
    case PLATFORM_FAULT_FULL:
        reason = "ディスクの空き容量が足りません。";
        break;
    case PLATFORM_FAULT_MISSING:
        reason = "データフォルダが見つからず、作成もできませんでした。";
        break;
    default:
        reason = "メモのファイルを書き込めませんでした。";
        break;
    }
    const char* outcome =
        at_exit ? "もう一度保存を試しますか？\n「いいえ」を選ぶと、保存できなかった変更を捨てて終了します。"
                : "メモの内容は画面に残っています。保存できるようになりしだい、自動で保存します。";
    snprintf(out, size, "メモを保存できませんでした。\n%s\n%s\n\n%s", reason,
             folder ? folder : "", outcome);
}
