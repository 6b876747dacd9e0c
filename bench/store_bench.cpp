// Memo store benchmark: start-up scan and load of 100, 1,000 and 10,000
// memo pairs (no windows: the test platform stands in), a refresh with
// nothing changed, one position save, and the memory each memo holds.
// Prints "bench <name> <value> <unit>" lines.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "memo_registry.h"
#include "memo_file.h"
#include "memo_search.h"
#include "tracked_memory.h"
#include "settings.h"
#include "platform_fake.h"

namespace {

memo_hwnd const k_main = reinterpret_cast<memo_hwnd>((uintptr_t)0x7770);

double now_ms() {
    using clock = std::chrono::steady_clock;
    return std::chrono::duration<double, std::milli>(clock::now().time_since_epoch()).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void clear_registry() {
    while (memo_hwnd w = memo_registry_next(nullptr)) memo_registry_remove(w);
}

// A fresh data folder with count pairs of typical size.
void make_store(int count) {
    fake_platform_reset();
    settings_load(k_main);
    for (int i = 0; i < count; i++) {
        char name[PLATFORM_PATH_SIZE + 32];
        snprintf(name, sizeof name, "%s\\2024%010d", g_settings.path, i);
        std::string base = name;
        std::string text = "\xEF\xBB\xBF" "Memo number " + std::to_string(i) +
                           "\r\nsecond line of the memo\r\n\xE6\x97\xA5\xE6\x9C\xAC";
        char ini[256];
        snprintf(ini, sizeof ini,
                 "[KELVAN]\r\nX=%d\r\nY=%d\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=%d\r\n"
                 "LEFT=%d\r\nTOP=%d\r\nRIGHT=%d\r\nBOTTOM=%d\r\nCOLOR=%d\r\nDAY=67\r\nTIME=545\r\n",
                 i % 800, i % 500, 1 + i % 4, i % 800, i % 500, i % 800 + 160, i % 500 + 120, i % 7);
        fake_platform_put_file((base + ".txt").c_str(), text);
        fake_platform_put_file((base + ".ini").c_str(), ini);
    }
}

double load_ms(int count, double* bytes_per_memo) {
    make_store(count);
    std::vector<double> runs;
    for (int run = 0; run < 3; run++) {
        clear_registry();
        uint64_t bytes_before = tracked_live_bytes();
        double start = now_ms();
        memo_file_scan_folder(k_main, 1);
        runs.push_back(now_ms() - start);
        if (bytes_per_memo) *bytes_per_memo = (double)(tracked_live_bytes() - bytes_before) / count;
    }
    return median(runs);
}

// A refresh of the store loaded last, with nothing changed: every file
// pair read and matched to its memo.  The median of three, like the loads,
// so that one disturbed run on a shared machine does not decide.
double refresh_ms() {
    std::vector<double> runs;
    for (int run = 0; run < 3; run++) {
        double start = now_ms();
        memo_file_scan_folder(k_main, 0);
        runs.push_back(now_ms() - start);
    }
    return median(runs);
}

// One keystroke in the search window: every memo's text folded and
// matched, the matches ranked.  The query matches every memo, so the
// ranking sorts them all.
double search_ms(const char* query) {
    const platform_time now = {2026, 3, 10, 12, 0, 0};
    std::vector<double> runs;
    for (int run = 0; run < 31; run++) {
        memo_search_result result;
        double start = now_ms();
        memo_search_run(query, &now, &result);
        runs.push_back(now_ms() - start);
        memo_search_release(&result);
    }
    return median(runs);
}

void print(const char* name, double value, const char* unit) {
    printf("bench %s %.3f %s\n", name, value, unit);
    fflush(stdout);
}

}  // namespace

int main() {
    double per_memo = 0;
    print("store_load_100", load_ms(100, nullptr), "ms");
    print("store_load_1000", load_ms(1000, &per_memo), "ms");

    // The store still holds the 1,000 memos loaded last.
    print("store_refresh_1000", refresh_ms(), "ms");

    // Memos of three lines: "Memo number N", an English line, 日本.
    print("search_keystroke_1000", search_ms(u8"ＭＥＭＯ 日本"), "ms");

    // One position save, as on every mouse move of a drag, among 1,000 memos.
    memo_hwnd dragged = memo_registry_next(nullptr);
    for (int i = 0; i < 500; i++) dragged = memo_registry_next(dragged);
    std::vector<double> saves;
    for (int i = 0; i < 301; i++) {
        fake_platform_window_info(dragged)->rect = {100 + i, 200 + i, 260 + i, 320 + i};
        double start = now_ms();
        memo_file_save(dragged, MEMO_SAVE_POSITION);
        saves.push_back((now_ms() - start) * 1000.0);
    }
    print("position_save", median(saves), "us");
    print("memory_per_memo", per_memo, "bytes");

    // The same with one memo of 10 MB more, which is searched in full.
    memo_hwnd huge = reinterpret_cast<memo_hwnd>(static_cast<uintptr_t>(0x7780));
    memo_record* record = memo_registry_add(huge);
    const uint64_t huge_size = 10u << 20;
    record->text = TRACKED_NEW(char, huge_size + 1);
    for (uint64_t i = 0; i < huge_size; i++) record->text[i] = "abcdefg\n"[i % 8];
    record->text[huge_size] = '\0';
    print("search_keystroke_1000_and_10mb", search_ms(u8"ＭＥＭＯ 日本"), "ms");
    memo_registry_remove(huge);

    print("store_load_10000", load_ms(10000, nullptr), "ms");
    print("store_refresh_10000", refresh_ms(), "ms");
    clear_registry();
    return 0;
}
