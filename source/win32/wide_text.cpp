#include "wide_text.h"

#include "cp932_text.h"
#include "tracked_memory.h"

namespace {

wchar_t* wide_from_code_page(UINT code_page, const char* text, int length, int* out_length) {
    int count = 0;
    if (text && length != 0) {
        // Without MB_ERR_INVALID_CHARS every invalid sequence becomes U+FFFD.
        count = MultiByteToWideChar(code_page, 0, text, length, nullptr, 0);
        if (length < 0 && count > 0) {
            count--;  // the terminator was counted
        }
    }
    wchar_t* wide = TRACKED_NEW(wchar_t, static_cast<uint64_t>(count) + 1);
    if (count > 0) {
        MultiByteToWideChar(code_page, 0, text, length < 0 ? -1 : length, wide, count + 1);
    }
    wide[count] = L'\0';
    if (out_length) {
        *out_length = count;
    }
    return wide;
}

}  // namespace

wchar_t* wide_from_utf8(const char* text, int length, int* out_length) {
    return wide_from_code_page(CP_UTF8, text, length, out_length);
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

wchar_t* wide_from_cp932(const char* text, int length, int* out_length) {
    return wide_from_code_page(CP932_CODE_PAGE, text, length, out_length);
}

char* wide_to_cp932(const wchar_t* text) {
    int count = text ? WideCharToMultiByte(CP932_CODE_PAGE, 0, text, -1, nullptr, 0, nullptr,
                                           nullptr)
                     : 0;
    char* narrow = TRACKED_NEW(char, count > 0 ? static_cast<uint64_t>(count) : 1);
    if (count <= 0 ||
        WideCharToMultiByte(CP932_CODE_PAGE, 0, text, -1, narrow, count, nullptr, nullptr) <= 0) {
        narrow[0] = '\0';
    }
    return narrow;
}

wide_cp932::~wide_cp932() {
    TRACKED_FREE(m_text);
}

int wide_message_box(HWND owner, const char* text, const char* caption, UINT flags) {
    return MessageBoxW(owner, wide_cp932(text), wide_cp932(caption), flags);
}

void wide_set_item_text(HWND dialog, int id, const char* text) {
    SetDlgItemTextW(dialog, id, wide_cp932(text));
}

void wide_flatten_line_breaks(wchar_t* text) {
    wchar_t* out = text;
    for (const wchar_t* in = text; *in; in++) {
        if (*in == L'\r' || *in == L'\n') {
            if (in[0] == L'\r' && in[1] == L'\n') {
                in++;
            }
            *out++ = L' ';
        } else {
            *out++ = *in;
        }
    }
    *out = L'\0';
}
