// File steps that wait out a file another program holds for a moment.  An
// indexer, a virus scanner, a backup or a sync client opens the files of
// the data folder without letting others replace them, and a reader may
// poll a memo's INI file; a read, a write or a replace then fails with
// PLATFORM_FAULT_BUSY.  Each step here tries again after short waits
// (10, 20, 40, 80, 150 ms) as long as the allowance of busy_file_allow
// lasts, and fails at once for any other fault.
#ifndef KELVANE_BUSY_FILE_H
#define KELVANE_BUSY_FILE_H

#include <stddef.h>
#include <stdint.h>

#include "ini_file.h"

// The waiting the following steps may share, in milliseconds; 0 makes
// every step one attempt.
void busy_file_allow(uint32_t budget_ms);

// platform_read_file, platform_write_file, platform_commit_file, ini_open
// and ini_save, waiting while the file is busy.  On failure
// platform_last_fault tells why.
int busy_file_read(const char* path, unsigned char** data, uint64_t* size);
int busy_file_write(const char* path, const void* data, size_t size, int flags);
int busy_file_commit(const char* path, int replace);
int busy_file_open_ini(ini_document* doc, const char* path);
int busy_file_save_ini(const ini_document* doc, const char* path, int flags);

#endif
