// What the start-up benchmark's measurements share: the clock, the memo
// files it writes, and starting the program as a process watched from
// outside until its memos are on the screen.
#ifndef STARTUP_BENCH_H
#define STARTUP_BENCH_H

#include <windows.h>

#include <string>
#include <vector>

const DWORD k_start_timeout_ms = 180000;

struct bench_options {
    std::string program;
    std::string bare;
    std::string profile;
    std::string work;
    int runs;
    std::vector<int> sizes;
    std::string parts;  // "startup", "change", "crowded", comma-separated
};

struct bench_run {
    double ms;         // process start until every memo window is visible
    double owner_ms;   // process start until the owner window exists
    double answer_ms;  // process start until the owner first answers a message
    double exit_ms;    // exit command until the process has ended
    HWND owner;
    bool ok;
};

double bench_now_ms();
double bench_median(std::vector<double> values);

// Writes the file whole; with old_time its last-write time is the
// benchmark's own (2020-01-01), so that any later write shows.
bool bench_write_file(const std::string& path, const std::string& bytes, bool old_time = true);
void bench_delete_tree(const std::string& folder);
std::string bench_memo_name(int index);
bool bench_write_memo(const std::string& data_folder, int index);

// A fresh copy of the program in folder with `count` memos beside it (the
// data folder "kelvan", portable mode); the copy's path in exe.
bool bench_prepare_program(const std::string& program, const std::string& folder, int count,
                           std::string* exe);

// Starts `command_line` in `folder` and times it until `count` windows of
// the memo class, owned by its window of `owner_class`, are visible; then
// sends that window the exit command and waits for the process to end,
// unless `keep` takes the running process over (its handles are then the
// caller's to close).  With `stamp`, the process finds the moment it was
// started in KELVANE_PROBE_START (a FILETIME count), for the start-up probes.
bench_run bench_time_start(const std::string& command_line, const std::string& folder,
                           const char* owner_class, int count, bool stamp = false,
                           PROCESS_INFORMATION* keep = nullptr,
                           DWORD timeout_ms = k_start_timeout_ms);

void bench_print(const char* name, int count, double value, const char* unit);
std::string bench_samples(const std::vector<double>& values);

// One file of another computer's changes landing at a time, at 100 and
// 1,000 memos, and a start-up in a folder crowded with other text files
// (change_bench.cpp).
bool change_bench_sizes(const bench_options& options);
bool change_bench_crowded(const bench_options& options, int others);

#endif
