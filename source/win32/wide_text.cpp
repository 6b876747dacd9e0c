#include "wide_text.h"

#include "tracked_memory.h"

wchar_t* wide_from_utf8(const char* text, int length, int* out_length) {
    int count = 0;
    if (text && length != 0) {
        // Without MB_ERR_INVALID_CHARS every invalid sequence becomes U+FFFD.
        count = MultiByteToWideChar(CP_UTF8, 0, text, length, nullptr, 0);
        if (length < 0 && count > 0) {
            count--;  // the terminator was counted
        }
    }
    wchar_t* wide = TRACKED_NEW(wchar_t, static_cast<uint64_t>(count) + 1);
    if (count > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text, length < 0 ? -1 : length, wide, count + 1);
    }
    wide[count] = L'\0';
    if (out_length) {
        *out_length = count;
    }
    return wide;
}

char* wide_to_utf8(const wchar_t* text, int length, int* out_length) {
    int count = 0;
    if (text && length != 0) {
        count = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
        if (length < 0 && count > 0) {
            count--;
        }
    }
    char* utf8 = TRACKED_NEW(char, static_cast<uint64_t>(count) + 1);
    if (count > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text, length < 0 ? -1 : length, utf8, count + 1,
                            nullptr, nullptr);
    }
    utf8[count] = '\0';
    if (out_length) {
        *out_length = count;
    }
    return utf8;
}
