// File steps that wait out a busy file.
#include "busy_file.h"

#include "platform.h"

namespace {

const uint32_t k_waits_ms[] = {10, 20, 40, 80, 150};

// Whether to try a failed step again: only for a busy file, and only while
// the allowance lasts.  *attempt counts the waits of one step.
int busy_file_wait(int* attempt, uint32_t* budget_ms) {
    if (platform_last_fault() != PLATFORM_FAULT_BUSY) return 0;
    const int steps = static_cast<int>(sizeof k_waits_ms / sizeof *k_waits_ms);
    if (!budget_ms || *attempt >= steps || k_waits_ms[*attempt] > *budget_ms) return 0;
    *budget_ms -= k_waits_ms[*attempt];
    platform_sleep(k_waits_ms[(*attempt)++]);
    return 1;
}

}  // namespace

int busy_file_read(const char* path, unsigned char** data, uint64_t* size, uint32_t* budget_ms) {
    int attempt = 0;
    int ok;
    while (!(ok = platform_read_file(path, data, size)) && busy_file_wait(&attempt, budget_ms)) {
    }
    return ok;
}

int busy_file_write(const char* path, const void* data, size_t size, int flags,
                    uint32_t* budget_ms) {
    int attempt = 0;
    int ok;
    while (!(ok = platform_write_file(path, data, size, flags)) &&
           busy_file_wait(&attempt, budget_ms)) {
    }
    return ok;
}

int busy_file_commit(const char* path, int replace, uint32_t* budget_ms) {
    int attempt = 0;
    int ok;
    while (!(ok = platform_commit_file(path, replace)) && busy_file_wait(&attempt, budget_ms)) {
    }
    return ok;
}

int busy_file_open_ini(ini_document* doc, const char* path, uint32_t* budget_ms) {
    int attempt = 0;
    int ok;
    while (!(ok = ini_open(doc, path)) && busy_file_wait(&attempt, budget_ms)) {
        ini_close(doc);
    }
    return ok;
}

int busy_file_save_ini(const ini_document* doc, const char* path, int flags, uint32_t* budget_ms) {
    int attempt = 0;
    int ok;
    while (!(ok = ini_save(doc, path, flags)) && busy_file_wait(&attempt, budget_ms)) {
    }
    return ok;
}
