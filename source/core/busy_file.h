// File steps that wait out a file another program holds for a moment.  An
// indexer, a virus scanner, a backup or a sync client opens the files of
// the data folder without letting others replace them, and a reader may
// poll a memo's INI file; a read, a write or a replace then fails with
// PLATFORM_FAULT_BUSY.  Each step here tries again after short waits
// (10, 20, 40, 80, 150 ms) as long as the caller's allowance lasts, and
// fails at once for any other fault.
#ifndef KELVANE_BUSY_FILE_H
#define KELVANE_BUSY_FILE_H

#include <stddef.h>
#include <stdint.h>

#include "ini_file.h"

// platform_read_file, platform_write_file, platform_commit_file, ini_open
// and ini_save, waiting while the file is busy.  *budget_ms is the waiting
// the steps of one task share, in milliseconds, and each wait draws it
// down; a null budget or 0 makes every step one attempt.  On failure
// platform_last_fault tells why.
int busy_file_read(const char* path, unsigned char** data, uint64_t* size, uint32_t* budget_ms);
int busy_file_write(const char* path, const void* data, size_t size, int flags,
                    uint32_t* budget_ms);
int busy_file_commit(const char* path, int replace, uint32_t* budget_ms);
int busy_file_open_ini(ini_document* doc, const char* path, uint32_t* budget_ms);
int busy_file_save_ini(const ini_document* doc, const char* path, int flags, uint32_t* budget_ms);

#endif
