// What another computer's changes cost the running program, seen from
// outside like the start-up:
//
//   change   one memo's INI file, then one memo's text file, replaced as a
//            sync client lands a download (a temporary beside it, renamed
//            over it), with 100 and 1,000 memos on the screen: the CPU time
//            the program spends until it has shown the change and gone
//            quiet again, and the longest time its main window took to
//            answer meanwhile (WM_NULL sent in a tight loop from a thread
//            of ours).  The two are taken in separate runs, because the
//            stream of WM_NULL costs the program CPU time of its own.
//   crowded  a start-up with 10 memos among thousands of other text files
//            (a data folder pointed at a folder of notes): the time to the
//            first answer and to all memos shown.
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "main_window.h"
#include "probe_support.h"
#include "startup_bench.h"
#include "startup_layout.h"

namespace {

// The longest a change may take to show, and how long the program's CPU
// time must stand still before it counts as done with it (the folder watch
// waits for a quiet moment before it acts, so "shown" comes first).
const DWORD k_change_timeout_ms = 60000;
const int k_quiet_polls = 4;
const DWORD k_quiet_poll_ms = 100;

double change_cpu_ms(HANDLE process) {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return 0;
    ULONGLONG k = (static_cast<ULONGLONG>(kernel.dwHighDateTime) << 32) | kernel.dwLowDateTime;
    ULONGLONG u = (static_cast<ULONGLONG>(user.dwHighDateTime) << 32) | user.dwLowDateTime;
    return static_cast<double>(k + u) / 10000.0;
}

// The thread that keeps asking the main window for an answer.
struct change_stall_probe {
    HWND main;
    volatile LONG stop;
    double longest_ms;
    long answers;
};

DWORD WINAPI change_stall_thread(LPVOID parameter) {
    change_stall_probe* probe = static_cast<change_stall_probe*>(parameter);
    while (!InterlockedCompareExchange(&probe->stop, 0, 0)) {
        double begin = bench_now_ms();
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutA(probe->main, WM_NULL, 0, 0, SMTO_NORMAL, k_change_timeout_ms,
                                 &ignored)) {
            break;
        }
        probe->longest_ms = std::max(probe->longest_ms, bench_now_ms() - begin);
        probe->answers++;
    }
    return 0;
}

// The memo window of memo `index` of the benchmark's layout, found by the
// place the layout gives it (96 dpi: stored and screen pixels agree).
HWND change_find_memo(DWORD process_id, int index) {
    int x = 0;
    int y = 0;
    startup_layout_origin(index, &x, &y);
    for (HWND memo : probe_windows(STARTUP_MEMO_CLASS)) {
        DWORD owner_process = 0;
        GetWindowThreadProcessId(memo, &owner_process);
        RECT r;
        if (owner_process == process_id && GetWindowRect(memo, &r) && r.left == x && r.top == y) {
            return memo;
        }
    }
    return nullptr;
}

// As a sync client lands a download: the new bytes in a temporary of its
// own beside the file, then renamed over it in one step.
bool change_land(const std::string& data_folder, const std::string& name,
                 const std::string& bytes) {
    std::string staged = data_folder + "\\.syncthing." + name + ".tmp";
    return bench_write_file(staged, bytes, false) &&
           MoveFileExA(staged.c_str(), (data_folder + "\\" + name).c_str(),
                       MOVEFILE_REPLACE_EXISTING);
}

// The new bytes of one change: another colour and stamp in the INI (the
// place stays, so the memo does not move), or another text.
std::string change_bytes(bool ini, int index, int serial) {
    char bytes[512];
    if (ini) {
        int x = 0;
        int y = 0;
        startup_layout_origin(index, &x, &y);
        snprintf(bytes, sizeof bytes,
                 "[KELVAN]\r\nX=%d\r\nY=%d\r\nWIDTH=%d\r\nHEIGHT=%d\r\nQUADRANT=2\r\n"
                 "LEFT=%d\r\nTOP=%d\r\nRIGHT=%d\r\nBOTTOM=%d\r\nCOLOR=%d\r\nDAY=%d\r\nTIME=%d\r\n",
                 x, y, STARTUP_MEMO_WIDTH, STARTUP_MEMO_HEIGHT, x, y, x + STARTUP_MEMO_WIDTH,
                 y + STARTUP_MEMO_HEIGHT, (index + 3) % 7, 12 * 32 + 1 + serial % 28,
                 (serial * 7 + 61) % 1440);
    } else {
        snprintf(bytes, sizeof bytes, u8"\xEF\xBB\xBF買い物メモ %d\n別のパソコンで書き直し %d",
                 index, serial);
    }
    return bytes;
}

struct change_sample {
    double cpu_ms;    // CPU runs only
    double stall_ms;  // stall runs only
    double shown_ms;  // from the rename to the memo showing the change
    bool ok;
};

// One change to memo `index` of the running program, with or without the
// stall probe.
change_sample change_once(HANDLE process, HWND main, const std::string& data_folder, bool ini,
                          int index, int serial, bool stall) {
    change_sample sample = {0, 0, 0, false};
    HWND memo = change_find_memo(GetProcessId(process), index);
    if (!memo) {
        fprintf(stderr, "change-bench: memo %d not found on the screen\n", index);
        return sample;
    }
    std::string before = probe_memo_tooltip(memo);
    change_stall_probe probe = {main, 0, 0, 0};
    HANDLE thread = stall ? CreateThread(nullptr, 0, change_stall_thread, &probe, 0, nullptr)
                          : nullptr;
    double cpu_begin = change_cpu_ms(process);
    double begin = bench_now_ms();
    std::string name = bench_memo_name(index) + (ini ? ".ini" : ".txt");
    bool landed = change_land(data_folder, name, change_bytes(ini, index, serial));
    bool shown = landed && probe_wait([&] { return probe_memo_tooltip(memo) != before; },
                                      k_change_timeout_ms, 20);
    sample.shown_ms = bench_now_ms() - begin;
    double cpu = change_cpu_ms(process);
    for (int quiet = 0; shown && quiet < k_quiet_polls && bench_now_ms() - begin < k_change_timeout_ms;) {
        Sleep(k_quiet_poll_ms);
        double now = change_cpu_ms(process);
        quiet = now == cpu ? quiet + 1 : 0;
        cpu = now;
    }
    sample.cpu_ms = cpu - cpu_begin;
    if (thread) {
        InterlockedExchange(&probe.stop, 1);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        sample.stall_ms = probe.longest_ms;
    }
    if (!shown) {
        fprintf(stderr, "change-bench: %s of memo %d %s\n", name.c_str(), index,
                landed ? "never showed" : "could not be replaced");
    }
    sample.ok = shown;
    return sample;
}

struct change_figures {
    double cpu_ms[2];  // INI, text: mean over the CPU runs
    double stall_ms[2];  // the longest over the stall runs
    double shown_ms[2];  // median
};

bool change_size(const bench_options& options, int count, change_figures* figures) {
    std::string folder = options.work + "\\change-" + std::to_string(count);
    std::string exe;
    if (!bench_prepare_program(options.program, folder, count, &exe)) return false;
    PROCESS_INFORMATION process;
    bench_run run = bench_time_start("\"" + exe + "\"", folder, MAIN_WINDOW_CLASS, count, false,
                                     &process);
    if (!run.ok) {
        bench_delete_tree(folder);
        return false;
    }
    bool ok = true;
    int serial = 0;
    for (int kind = 0; kind < 2 && ok; kind++) {
        std::vector<double> cpu;
        std::vector<double> stall;
        std::vector<double> shown;
        for (int i = 0; i < 2 * options.runs && ok; i++) {
            // A memo of its own for every change, from the middle of the folder.
            int index = count / 2 + serial % (count / 2);
            change_sample sample = change_once(process.hProcess, run.owner, folder + "\\kelvan",
                                               kind == 0, index, ++serial, i % 2 == 1);
            ok = sample.ok;
            (i % 2 ? stall : cpu).push_back(i % 2 ? sample.stall_ms : sample.cpu_ms);
            shown.push_back(sample.shown_ms);
        }
        const char* what = kind == 0 ? "INI" : "text";
        fprintf(stderr, "change-bench: %d memos, %s replaced: CPU ms%s; longest wait for an answer ms%s;"
                " shown after ms%s\n", count, what, bench_samples(cpu).c_str(),
                bench_samples(stall).c_str(), bench_samples(shown).c_str());
        double sum = 0;
        for (double v : cpu) sum += v;
        figures->cpu_ms[kind] = cpu.empty() ? 0 : sum / static_cast<double>(cpu.size());
        figures->stall_ms[kind] = stall.empty() ? 0 : *std::max_element(stall.begin(), stall.end());
        figures->shown_ms[kind] = bench_median(shown);
    }
    PostMessageA(run.owner, WM_COMMAND, STARTUP_EXIT_COMMAND, 0);
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 60000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    bench_delete_tree(folder);
    return ok;
}

}  // namespace

bool change_bench_sizes(const bench_options& options) {
    std::vector<change_figures> figures(options.sizes.size());
    for (size_t i = 0; i < options.sizes.size(); i++) {
        if (!change_size(options, options.sizes[i], &figures[i])) {
            fprintf(stderr, "change-bench: the %d-memo measurement failed\n", options.sizes[i]);
            return false;
        }
    }
    // Side by side, so that the growth with the number of memos shows.
    const char* const kinds[2] = {"ini", "text"};
    for (int kind = 0; kind < 2; kind++) {
        std::string name = std::string("change_") + kinds[kind];
        for (size_t i = 0; i < options.sizes.size(); i++) {
            bench_print((name + "_cpu").c_str(), options.sizes[i], figures[i].cpu_ms[kind], "ms");
        }
        for (size_t i = 0; i < options.sizes.size(); i++) {
            bench_print((name + "_stall").c_str(), options.sizes[i], figures[i].stall_ms[kind], "ms");
        }
        for (size_t i = 0; i < options.sizes.size(); i++) {
            bench_print((name + "_shown").c_str(), options.sizes[i], figures[i].shown_ms[kind], "ms");
        }
    }
    double first = figures.front().cpu_ms[0] + figures.front().cpu_ms[1];
    double last = figures.back().cpu_ms[0] + figures.back().cpu_ms[1];
    bench_print("change_cpu_ratio", options.sizes.back(), first > 0 ? last / first : 0, "x");
    return true;
}

bool change_bench_crowded(const bench_options& options, int others) {
    const int memos = 10;
    std::string folder = options.work + "\\crowded";
    std::string exe;
    if (!bench_prepare_program(options.program, folder, memos, &exe)) return false;
    for (int i = 0; i < others; i++) {
        char name[64];
        snprintf(name, sizeof name, "\\kelvan\\note %05d.txt", i);
        if (!bench_write_file(folder + name, "a note that is not a memo\r\n")) {
            fprintf(stderr, "change-bench: cannot write %s\n", name);
            return false;
        }
    }
    // The old program answered only after two minutes here; a slow
    // machine gets five times that.
    bench_run run = bench_time_start("\"" + exe + "\"", folder, MAIN_WINDOW_CLASS, memos, false,
                                     nullptr, 10 * 60000);
    bench_delete_tree(folder);
    // A program that took too long to exit afterwards still showed its
    // memos and answered: those are the figures.
    if (run.ms <= 0 || run.answer_ms <= 0) return false;
    fprintf(stderr, "change-bench: %d memos among %d other text files: first answer %.1f ms, "
            "all memos shown %.1f ms\n", memos, others, run.answer_ms, run.ms);
    bench_print("crowded_first_answer", others, run.answer_ms, "ms");
    bench_print("crowded_all_shown", others, run.ms, "ms");
    return run.ok;
}
