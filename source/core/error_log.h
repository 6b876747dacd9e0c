// Error log: error_report builds a message and appends one five-line record
// to error.log beside the program.
#ifndef KELVANE_ERROR_LOG_H
#define KELVANE_ERROR_LOG_H

#include <stdint.h>

enum report_kind {
    REPORT_MESSAGE = 1,  // format and arguments, printf-style
    REPORT_DUMP = 2      // format as plain text, then an escaped dump of
                         // (const void* bytes, uint64_t count) arguments
};

// Returns 1 when a record was written (or tried) or when enabled is 0;
// 0 when a REPORT_MESSAGE came out empty (nothing is written then).
int32_t error_report(int32_t enabled, const char* unit, const char* source_file, int32_t line,
                     int32_t kind, const char* format, ...);

// Appends one record; 1 on success, 0 when the log could not be opened
// (the user is told with a message box).
int32_t error_log_write(const char* message, const char* unit, const char* source_file,
                        int32_t line);

// The failure convention of every module: an empty message writes nothing,
// but the call site stays visible in the code and in a debugger.
#define REPORT_FAILURE() error_report(1, "Kelvane", __FILE__, __LINE__, REPORT_MESSAGE, "")

// A message that hands over a pointer or a block but did not come from the
// program itself (another program posted it): ignored, and recorded.
#define REPORT_FOREIGN(message)                                                        \
    error_report(1, "Kelvane", __FILE__, __LINE__, REPORT_MESSAGE,                     \
                 "Ignored message 0x%04X: its pointer was not handed over by Kelvane", \
                 static_cast<unsigned>(message))

#endif
