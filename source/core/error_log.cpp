// Error log.  Messages are built in plain heap buffers, never tracked ones,
// so that a report made from inside tracked_free cannot disturb the list it
// is reporting on.
#include "error_log.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "paths.h"
#include "platform.h"

namespace {

const char k_log_name[] = "error.log";

// Appends the escaped form of n bytes: NUL, LF and CR become \0, \n and \r
// so that a dump stays on the INFO line.
void log_escape_bytes(char* out, const unsigned char* p, int32_t n) {
    for (int32_t i = 0; i < n; i++) {
        switch (p[i]) {
        case 0x00: *out++ = '\\'; *out++ = '0'; break;
        case 0x0A: *out++ = '\\'; *out++ = 'n'; break;
        case 0x0D: *out++ = '\\'; *out++ = 'r'; break;
        default: *out++ = static_cast<char>(p[i]); break;
        }
    }
    *out = '\0';
}

char* log_build_message(int32_t kind, const char* format, va_list args) {
    if (kind == REPORT_MESSAGE) {
        va_list measure;
        va_copy(measure, args);
        int length = vsnprintf(nullptr, 0, format, measure);
        va_end(measure);
        if (length <= 0) {
            return nullptr;
        }
        char* message = static_cast<char*>(calloc(static_cast<size_t>(length) + 1, 1));
        if (message) {
            vsnprintf(message, static_cast<size_t>(length) + 1, format, args);
        }
        return message;
    }
    if (kind == REPORT_DUMP) {
        const unsigned char* bytes = static_cast<const unsigned char*>(va_arg(args, const void*));
        uint64_t raw_count = va_arg(args, uint64_t);
        // Only the low 32 bits count, as a signed number; a negative count
        // dumps nothing rather than running off the end of the block.
        int32_t count = static_cast<int32_t>(static_cast<uint32_t>(raw_count));
        if (count < 0 || !bytes) {
            count = 0;
        }
        size_t text_length = strlen(format);
        char* message = static_cast<char*>(
            calloc(2 * static_cast<size_t>(count) + text_length + 1, 1));
        if (message) {
            memcpy(message, format, text_length);
            log_escape_bytes(message + text_length, bytes, count);
        }
        return message;
    }
    return static_cast<char*>(calloc(1, 1));
}

// The part of a call-site path after its last backslash; a path of 260
// bytes or more keeps its last 259 bytes first.  A cross-compiler's source
// macro spells the path with forward slashes, which count the same, so the
// record still names the file.
void log_file_part(const char* source_file, char* out) {
    char buffer[260];
    size_t n = source_file ? strlen(source_file) : 0;
    const char* from = n > 259 ? source_file + (n - 259) : (source_file ? source_file : "");
    memcpy(buffer, from, strlen(from) + 1);
    const char* slash = strrchr(buffer, '\\');
    const char* forward = strrchr(buffer, '/');
    if (forward && (!slash || forward > slash)) {
        slash = forward;
    }
    if (slash) {
        memcpy(out, slash + 1, strlen(slash + 1) + 1);
    } else {
        out[0] = '\0';
    }
}

// error.log beside the program; "error.log" alone when the program path
// cannot be read or has no folder.  The buffer holds a full 259-byte folder
// plus the name, so the log name is never cut.
void log_path(char* out, size_t size) {
    char folder[PLATFORM_PATH_SIZE];
    if (!path_program_folder(folder) || !path_join(out, folder, k_log_name, size)) {
        snprintf(out, size, "%s", k_log_name);
    }
}

}  // namespace

int32_t error_report(int32_t enabled, const char* unit, const char* source_file, int32_t line,
                     int32_t kind, const char* format, ...) {
    if (!enabled) {
        return 1;
    }
    va_list args;
    va_start(args, format);
    char* message = log_build_message(kind, format ? format : "", args);
    va_end(args);
    if (!message) {
        return 0;
    }
    error_log_write(message, unit, source_file, line);
    free(message);
    return 1;
}

int32_t error_log_write(const char* message, const char* unit, const char* source_file,
                        int32_t line) {
    platform_time now;
    platform_local_time(&now);
    char time_text[32];
    snprintf(time_text, sizeof time_text, "%02d/%02d %02d:%02d:%02d", now.month, now.day,
             now.hour, now.minute, now.second);

    char file_text[260];
    log_file_part(source_file, file_text);

    char line_text[16];
    snprintf(line_text, sizeof line_text, "%d", line);

    if (!message) message = "";
    if (!unit) unit = "";

    char path[PLATFORM_PATH_SIZE + sizeof k_log_name + 1];
    log_path(path, sizeof path);

    size_t size = strlen(time_text) + strlen(message) + strlen(unit) + strlen(file_text) +
                  strlen(line_text) + 48;
    char* record = static_cast<char*>(malloc(size));
    if (!record) {
        return 0;
    }
    int length = snprintf(record, size,
                          "TIME : %s\r\nINFO : %s\r\nUNIT : %s\r\nFILE : %s\r\nLINE : %s\r\n\r\n",
                          time_text, message, unit, file_text, line_text);
    int ok = length > 0 && platform_append_file(path, record, static_cast<size_t>(length));
    free(record);
    if (!ok) {
        platform_message_box("Zembrock failed in the record of error log. ", "ZEMBROCK");
        return 0;
    }
    return 1;
}
