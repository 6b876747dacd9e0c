// Start-up benchmark: how long the real program takes from process start
// until every memo of a data folder of 100 and 1,000 memos is on the
// screen, against a bare program that creates as many windows with the
// memos' styles, region and alpha (the platform's own cost), both started
// as processes and timed from outside in the same run.
//
//   kelvane_startup_bench.exe <kelvane.exe> <kelvane_bare_windows.exe>
//       [--work=<folder>] [--runs=<n>] [--sizes=<n>,<n>...]
//       [--profile=<kelvane_startup_profile.exe>] [--parts=startup,change,crowded]
//
// Prints "bench <name> <value> <unit>" lines on stdout; the single runs and
// other observations go to stderr as "startup-bench: ..." lines.  With
// --profile, the program built with the start-up probes (startup_probe.cpp)
// runs once per size and its breakdown goes to stderr too.  The parts
// "change" and "crowded" are change_bench.cpp's: one outside change to a
// running program, and a start-up among many other text files.
//
// Every run of the program gets a fresh folder of its own: the program, a
// config.ini that keeps the welcome dialog away, and the data folder
// "kelvan" beside it (portable mode).
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "main_window.h"
#include "startup_bench.h"
#include "startup_layout.h"

namespace {

const DWORD k_exit_timeout_ms = 60000;
// Before each start: the previous program's windows are gone from the
// display and the memo files just written are on their way to the disk.
const DWORD k_settle_ms = 500;

// The files' last-write time as the benchmark leaves them (2020-01-01): a
// memo file with any other time afterwards was written by the start-up.
const ULONGLONG k_old_file_time = 132223104000000000ULL;

}  // namespace

double bench_now_ms() {
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0) {
        QueryPerformanceFrequency(&frequency);
    }
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double bench_median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// --- files ------------------------------------------------------------------

bool bench_write_file(const std::string& path, const std::string& bytes, bool old_time) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (old_time) {
        FILETIME old;
        old.dwLowDateTime = static_cast<DWORD>(k_old_file_time);
        old.dwHighDateTime = static_cast<DWORD>(k_old_file_time >> 32);
        SetFileTime(file, nullptr, nullptr, &old);
    }
    CloseHandle(file);
    return ok && written == bytes.size();
}

void bench_delete_tree(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            std::string path = folder + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                bench_delete_tree(path);
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

// The 14-digit name of memo `index`: one second apart from 2024-01-01 on.
std::string bench_memo_name(int index) {
    char name[32];
    snprintf(name, sizeof name, "20240101%02d%02d%02d", index / 3600 % 24, index / 60 % 60,
             index % 60);
    return name;
}

// A memo of a few lines of Japanese and ASCII text, as people write them,
// anchored to the upper-left quadrant at its place in the layout.
bool bench_write_memo(const std::string& data_folder, int index) {
    std::string base = data_folder + "\\" + bench_memo_name(index);
    char text[256];
    snprintf(text, sizeof text,
             u8"買い物メモ %d\n牛乳、卵、パン\nRemember the meeting at 10:30\n締め切りは金曜日", index);
    int x = 0;
    int y = 0;
    startup_layout_origin(index, &x, &y);
    char ini[512];
    snprintf(ini, sizeof ini,
             "[KELVAN]\r\nX=%d\r\nY=%d\r\nWIDTH=%d\r\nHEIGHT=%d\r\nQUADRANT=2\r\n"
             "LEFT=%d\r\nTOP=%d\r\nRIGHT=%d\r\nBOTTOM=%d\r\nCOLOR=%d\r\nDAY=%d\r\nTIME=%d\r\n",
             x, y, STARTUP_MEMO_WIDTH, STARTUP_MEMO_HEIGHT, x, y, x + STARTUP_MEMO_WIDTH,
             y + STARTUP_MEMO_HEIGHT, index % 7, 1 * 32 + 1 + index % 28, index % 1440);
    return bench_write_file(base + ".txt", std::string("\xEF\xBB\xBF") + text) &&
           bench_write_file(base + ".ini", ini);
}

namespace {

// Memo files of the data folder that the start-up wrote (any last-write
// time but the benchmark's own), and write leftovers ("*.tmp").
void bench_count_written(const std::string& data_folder, int* text_files, int* ini_files,
                         int* leftovers) {
    *text_files = *ini_files = *leftovers = 0;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((data_folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        std::string name = entry.cFileName;
        ULONGLONG written = (static_cast<ULONGLONG>(entry.ftLastWriteTime.dwHighDateTime) << 32) |
                            entry.ftLastWriteTime.dwLowDateTime;
        size_t dot = name.rfind('.');
        std::string extension = dot == std::string::npos ? "" : name.substr(dot);
        if (extension == ".tmp") {
            (*leftovers)++;
        } else if (written != k_old_file_time) {
            if (extension == ".txt") (*text_files)++;
            if (extension == ".ini") (*ini_files)++;
        }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

}  // namespace

bool bench_prepare_program(const std::string& program, const std::string& folder, int count,
                           std::string* exe) {
    bench_delete_tree(folder);
    std::string data_folder = folder + "\\kelvan";
    if (!CreateDirectoryA(folder.c_str(), nullptr) ||
        !CreateDirectoryA(data_folder.c_str(), nullptr)) {
        fprintf(stderr, "startup-bench: cannot create %s\n", data_folder.c_str());
        return false;
    }
    *exe = folder + "\\kelvane.exe";
    if (!CopyFileA(program.c_str(), exe->c_str(), FALSE)) {
        fprintf(stderr, "startup-bench: cannot copy %s\n", program.c_str());
        return false;
    }
    if (!bench_write_file(folder + "\\config.ini", "[KELVAN]\r\nDIALOG=0\r\n")) {
        return false;
    }
    for (int i = 0; i < count; i++) {
        if (!bench_write_memo(data_folder, i)) {
            fprintf(stderr, "startup-bench: cannot write memo %d\n", i);
            return false;
        }
    }
    return true;
}

// --- watching a start-up from outside ---------------------------------------

namespace {

// What the watcher knows of one top-level window; each window is looked at
// once, so a poll costs one window list however many memos there are.
enum bench_window_kind { BENCH_OTHER, BENCH_MEMO_HIDDEN, BENCH_MEMO_SHOWN };

struct bench_watch {
    DWORD process_id;
    HWND owner;
    std::unordered_map<HWND, bench_window_kind> seen;
    int shown;
};

bench_window_kind bench_classify(const bench_watch* watch, HWND hwnd) {
    DWORD process_id = 0;
    GetWindowThreadProcessId(hwnd, &process_id);
    if (process_id != watch->process_id || GetWindow(hwnd, GW_OWNER) != watch->owner) {
        return BENCH_OTHER;
    }
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return strcmp(name, STARTUP_MEMO_CLASS) == 0 ? BENCH_MEMO_HIDDEN : BENCH_OTHER;
}

BOOL CALLBACK bench_visit_window(HWND hwnd, LPARAM lparam) {
    bench_watch* watch = reinterpret_cast<bench_watch*>(lparam);
    auto found = watch->seen.find(hwnd);
    bench_window_kind kind =
        found == watch->seen.end() ? bench_classify(watch, hwnd) : found->second;
    if (kind == BENCH_MEMO_HIDDEN && IsWindowVisible(hwnd)) {
        kind = BENCH_MEMO_SHOWN;
        watch->shown++;
    }
    watch->seen[hwnd] = kind;
    return TRUE;
}

// The first answer of the owner window, asked once and waited for in a
// thread of its own: one message at a time, since messages that time out
// still queue up in front of the next one.
struct bench_answer {
    HWND owner;
    double start;
    DWORD timeout_ms;
    double ms;
    volatile LONG done;
};

DWORD WINAPI bench_answer_thread(LPVOID parameter) {
    bench_answer* answer = static_cast<bench_answer*>(parameter);
    DWORD_PTR ignored = 0;
    if (SendMessageTimeoutA(answer->owner, WM_NULL, 0, 0, SMTO_NORMAL, answer->timeout_ms,
                            &ignored)) {
        answer->ms = bench_now_ms() - answer->start;
    }
    InterlockedExchange(&answer->done, 1);
    return 0;
}

}  // namespace

bench_run bench_time_start(const std::string& command_line, const std::string& folder,
                           const char* owner_class, int count, bool stamp,
                           PROCESS_INFORMATION* keep, DWORD timeout_ms) {
    bench_run run = {0, 0, 0, 0, nullptr, false};
    std::vector<char> line(command_line.begin(), command_line.end());
    line.push_back('\0');
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);

    Sleep(k_settle_ms);
    if (stamp) {
        FILETIME now;
        GetSystemTimePreciseAsFileTime(&now);
        std::string value = std::to_string((static_cast<ULONGLONG>(now.dwHighDateTime) << 32) |
                                           now.dwLowDateTime);
        SetEnvironmentVariableA("KELVANE_PROBE_START", value.c_str());
    }
    double start = bench_now_ms();
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  folder.c_str(), &startup, &process);
    if (stamp) {
        SetEnvironmentVariableA("KELVANE_PROBE_START", nullptr);
    }
    if (!started) {
        fprintf(stderr, "startup-bench: cannot start %s (error %lu)\n", command_line.c_str(),
                GetLastError());
        return run;
    }
    bench_watch watch;
    watch.process_id = process.dwProcessId;
    watch.owner = nullptr;
    watch.shown = 0;
    bool exited = false;
    bench_answer answer = {nullptr, start, timeout_ms, 0, 0};
    HANDLE answer_thread = nullptr;
    while (bench_now_ms() - start < timeout_ms) {
        if (!watch.owner) {
            for (HWND hwnd = FindWindowA(owner_class, nullptr); hwnd;
                 hwnd = FindWindowExA(nullptr, hwnd, owner_class, nullptr)) {
                DWORD process_id = 0;
                GetWindowThreadProcessId(hwnd, &process_id);
                if (process_id == watch.process_id) {
                    watch.owner = hwnd;
                    run.owner = hwnd;
                    run.owner_ms = bench_now_ms() - start;
                    break;
                }
            }
        }
        // The owner exists from the start of its creation, which is where
        // the program reads its folder: it answers once that is over.
        if (watch.owner && !answer_thread) {
            answer.owner = watch.owner;
            answer_thread = CreateThread(nullptr, 0, bench_answer_thread, &answer, 0, nullptr);
        }
        if (InterlockedCompareExchange(&answer.done, 0, 0)) {
            run.answer_ms = answer.ms;
        }
        if (watch.owner && run.ms == 0) {
            EnumWindows(bench_visit_window, reinterpret_cast<LPARAM>(&watch));
            if (watch.shown >= count) {
                run.ms = bench_now_ms() - start;
            }
        }
        // The memos may all be shown before the program first answers.
        if (run.ms > 0 && run.answer_ms > 0) {
            run.ok = true;
            break;
        }
        // Every poll lists all top-level windows, in the same server that
        // does the work being timed: with thousands of windows it polls less
        // often, a few milliseconds of resolution against seconds.
        DWORD pause = 1 + static_cast<DWORD>(watch.seen.size() / 250);
        if (WaitForSingleObject(process.hProcess, pause) == WAIT_OBJECT_0) {
            exited = true;
            break;
        }
    }
    if (!run.ok) {
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        fprintf(stderr, "startup-bench: %s %s with %d of %d memo windows visible (exit code %lu)\n",
                command_line.c_str(), exited ? "ended" : "timed out", watch.shown, count, code);
    }
    if (answer_thread) {
        // It ends with the process if the process ends without answering.
        if (!exited && !run.ok) TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(answer_thread, INFINITE);
        CloseHandle(answer_thread);
    }
    if (!exited && run.ok && keep) {
        *keep = process;
        return run;
    }
    if (!exited) {
        double stop = bench_now_ms();
        if (watch.owner) {
            PostMessageA(watch.owner, WM_COMMAND, STARTUP_EXIT_COMMAND, 0);
        }
        if (WaitForSingleObject(process.hProcess, k_exit_timeout_ms) != WAIT_OBJECT_0) {
            fprintf(stderr, "startup-bench: %s did not end, terminated\n", command_line.c_str());
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, k_exit_timeout_ms);
            run.ok = false;
        }
        run.exit_ms = bench_now_ms() - stop;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

// --- the measurements ---------------------------------------------------------

void bench_print(const char* name, int count, double value, const char* unit) {
    printf("bench %s_%d %.*f %s\n", name, count, strcmp(unit, "x") == 0 ? 2 : 1, value, unit);
    fflush(stdout);
}

std::string bench_samples(const std::vector<double>& values) {
    std::string text;
    for (double v : values) {
        char item[32];
        snprintf(item, sizeof item, " %.1f", v);
        text += item;
    }
    return text;
}

namespace {

bool bench_program_run(const bench_options& options, const std::string& program, int count,
                       int index, bench_run* run) {
    char folder_name[64];
    snprintf(folder_name, sizeof folder_name, "\\kelvane-%d-%d", count, index);
    std::string folder = options.work + folder_name;
    std::string exe;
    if (!bench_prepare_program(program, folder, count, &exe)) {
        return false;
    }
    *run = bench_time_start("\"" + exe + "\"", folder, MAIN_WINDOW_CLASS, count);
    int text_files = 0;
    int ini_files = 0;
    int leftovers = 0;
    bench_count_written(folder + "\\kelvan", &text_files, &ini_files, &leftovers);
    if (text_files || ini_files || leftovers) {
        fprintf(stderr,
                "startup-bench: %d memos: the program wrote %d text and %d INI files "
                "(%d leftovers) while starting and stopping\n",
                count, text_files, ini_files, leftovers);
    }
    bench_delete_tree(folder);
    return run->ok;
}

bool bench_bare_run(const bench_options& options, int count, bench_run* run,
                    const char* extra = "") {
    char arguments[64];
    snprintf(arguments, sizeof arguments, " %d%s", count, extra);
    *run = bench_time_start("\"" + options.bare + "\"" + arguments, options.work,
                            STARTUP_BARE_OWNER_CLASS, count);
    return run->ok;
}

// The program and the bare program take turns, so that whatever else the
// machine does at the time weighs on both alike.
bool bench_size(const bench_options& options, int count) {
    std::vector<double> program_ms;
    std::vector<double> bare_ms;
    std::vector<double> program_exit_ms;
    std::vector<double> bare_exit_ms;
    std::vector<double> program_owner_ms;
    std::vector<double> bare_owner_ms;
    for (int i = 0; i < 2 * options.runs; i++) {
        // Which one goes first alternates, so neither always follows the
        // other's exit.
        bool program_turn = (i % 2 == 0) == (i / 2 % 2 == 0);
        bench_run run;
        if (program_turn) {
            if (!bench_program_run(options, options.program, count, i / 2, &run)) {
                return false;
            }
            program_ms.push_back(run.ms);
            program_exit_ms.push_back(run.exit_ms);
            program_owner_ms.push_back(run.owner_ms);
        } else {
            if (!bench_bare_run(options, count, &run)) {
                return false;
            }
            bare_ms.push_back(run.ms);
            bare_exit_ms.push_back(run.exit_ms);
            bare_owner_ms.push_back(run.owner_ms);
        }
    }
    double program = bench_median(program_ms);
    double bare = bench_median(bare_ms);
    fprintf(stderr, "startup-bench: %d memos: program start-up ms%s; bare%s\n", count,
            bench_samples(program_ms).c_str(), bench_samples(bare_ms).c_str());
    fprintf(stderr, "startup-bench: %d memos: process start to owner window ms: program%s; bare%s\n",
            count, bench_samples(program_owner_ms).c_str(), bench_samples(bare_owner_ms).c_str());
    fprintf(stderr, "startup-bench: %d memos: exit command to process end ms: program%s; bare%s\n",
            count, bench_samples(program_exit_ms).c_str(), bench_samples(bare_exit_ms).c_str());
    // The machine may be shared: the fastest runs are the ones least
    // disturbed, another view of the same ratio.
    double program_best = *std::min_element(program_ms.begin(), program_ms.end());
    double bare_best = *std::min_element(bare_ms.begin(), bare_ms.end());
    fprintf(stderr, "startup-bench: %d memos: fastest runs: program %.1f ms, bare %.1f ms, ratio %.2f\n",
            count, program_best, bare_best, bare_best > 0 ? program_best / bare_best : 0);
    bench_print("startup_wine", count, program, "ms");
    bench_print("bare_windows", count, bare, "ms");
    bench_print("startup_ratio", count, bare > 0 ? program / bare : 0, "x");
    return true;
}

// One start of the program built with the start-up probes: it writes its
// breakdown beside itself when the start-up is over, stamped with the same
// clock the benchmark starts it by.
bool bench_profile(const bench_options& options, int count) {
    std::string folder = options.work + "\\profile-" + std::to_string(count);
    std::string exe;
    if (!bench_prepare_program(options.profile, folder, count, &exe)) {
        return false;
    }
    bench_run run = bench_time_start("\"" + exe + "\"", folder, MAIN_WINDOW_CLASS, count, true);
    HANDLE file = CreateFileA((folder + "\\startup_probe.txt").c_str(), GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        char chunk[4096];
        DWORD got = 0;
        fprintf(stderr, "startup-bench: %d memos, probed start-up (%.1f ms from outside):\n", count,
                run.ms);
        while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
            fwrite(chunk, 1, got, stderr);
        }
        CloseHandle(file);
    } else {
        fprintf(stderr, "startup-bench: %d memos: the probed program left no breakdown\n", count);
    }
    bench_delete_tree(folder);
    if (!run.ok) {
        return false;
    }
    // What a tooltip control per window costs the platform by itself, seen
    // from outside like everything else.
    std::vector<double> plain_ms;
    std::vector<double> tooltip_ms;
    for (int i = 0; i < options.runs; i++) {
        if (!bench_bare_run(options, count, &run)) {
            return false;
        }
        plain_ms.push_back(run.ms);
        if (!bench_bare_run(options, count, &run, " tooltips")) {
            return false;
        }
        tooltip_ms.push_back(run.ms);
    }
    fprintf(stderr,
            "startup-bench: %d memos: bare windows %.1f ms (runs%s), with a tooltip control "
            "each %.1f ms (runs%s)\n",
            count, bench_median(plain_ms), bench_samples(plain_ms).c_str(),
            bench_median(tooltip_ms), bench_samples(tooltip_ms).c_str());
    return true;
}

bool bench_part(const bench_options& options, const char* name) {
    return ("," + options.parts + ",").find("," + std::string(name) + ",") != std::string::npos;
}

bool bench_parse(int argc, char** argv, bench_options* options) {
    options->runs = 5;
    options->sizes = {100, 1000};
    options->parts = "startup,change,crowded";
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    options->work = std::string(temp) + "kelvane-startup-bench";
    std::vector<std::string> positional;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (arg.rfind("--work=", 0) == 0) {
            options->work = arg.substr(7);
        } else if (arg.rfind("--runs=", 0) == 0) {
            options->runs = atoi(arg.c_str() + 7);
        } else if (arg.rfind("--parts=", 0) == 0) {
            options->parts = arg.substr(8);
        } else if (arg.rfind("--profile=", 0) == 0) {
            options->profile = arg.substr(10);
        } else if (arg.rfind("--sizes=", 0) == 0) {
            options->sizes.clear();
            for (const char* p = arg.c_str() + 8; *p;) {
                options->sizes.push_back(atoi(p));
                const char* comma = strchr(p, ',');
                p = comma ? comma + 1 : p + strlen(p);
            }
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2 || options->runs < 1) {
        return false;
    }
    options->program = positional[0];
    options->bare = positional[1];
    while (!options->work.empty() && options->work.back() == '\\') {
        options->work.pop_back();
    }
    for (int size : options->sizes) {
        if (size < 1) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bench_options options;
    if (!bench_parse(argc, argv, &options)) {
        fprintf(stderr,
                "usage: kelvane_startup_bench <kelvane.exe> <kelvane_bare_windows.exe> "
                "[--work=<folder>] [--runs=<n>] [--sizes=<n>,<n>...] [--profile=<exe>]\n"
                "    [--parts=startup,change,crowded]\n");
        return 2;
    }
    CreateDirectoryA(options.work.c_str(), nullptr);
    // Only one instance of the program runs on a desktop: a left-over one
    // would answer in place of the one under test.
    if (FindWindowA(MAIN_WINDOW_CLASS, nullptr)) {
        fprintf(stderr, "startup-bench: an instance of the program is already running\n");
        return 1;
    }
    int failed = 0;
    for (int size : options.sizes) {
        if (bench_part(options, "startup") && !bench_size(options, size)) {
            fprintf(stderr, "startup-bench: the %d-memo measurement failed\n", size);
            failed = 1;
        }
    }
    if (bench_part(options, "change") && !change_bench_sizes(options)) {
        failed = 1;
    }
    if (bench_part(options, "crowded") && !change_bench_crowded(options, 20000)) {
        failed = 1;
    }
    if (!options.profile.empty()) {
        for (int size : options.sizes) {
            if (!bench_profile(options, size)) {
                failed = 1;
            }
        }
    }
    return failed;
}
