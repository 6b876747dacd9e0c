// The tooltip text of a memo.
#include "tooltip_text.h"

#include <stdio.h>
#include <string.h>

#include "memo_registry.h"
#include "error_log.h"
#include "tracked_memory.h"
#include "utf8_text.h"

int32_t tooltip_text_line(int32_t day, int32_t time, char* buffer, size_t size) {
    // Written straight in UTF-8: the words are fixed and the numbers ASCII,
    // so no round trip through the ANSI code page is needed.
    int n = snprintf(buffer, size, u8"最終更新日 %d月%d日 %d時%d分", day / 32, day % 32,
                     time / 60, time % 60);
    return n >= 0 && static_cast<size_t>(n) < size ? 1 : 0;
}

char* tooltip_text_build(memo_hwnd memo) {
    // The registry answers a null window with the first window, not a record.
    const memo_record* record = memo ? memo_registry_find(memo) : nullptr;
    if (!record) {
        REPORT_FAILURE();
        return nullptr;
    }
    char line[TOOLTIP_LINE_SIZE];
    tooltip_text_line(record->day, record->time, line, sizeof line);

    const char* text = record->text ? record->text : "";
    int cut = 0;
    size_t text_length = utf8_shown_length(text, TOOLTIP_TEXT_MAX, &cut);
    const char* ellipsis = cut ? u8"…" : "";
    size_t ellipsis_length = strlen(ellipsis);
    size_t line_length = strlen(line);
    char* tip =
        TRACKED_NEW(char, static_cast<uint64_t>(text_length) + ellipsis_length + line_length + 2);
    memcpy(tip, text, text_length);
    memcpy(tip + text_length, ellipsis, ellipsis_length);
    tip[text_length + ellipsis_length] = '\n';
    memcpy(tip + text_length + ellipsis_length + 1, line, line_length + 1);
    return tip;
}
