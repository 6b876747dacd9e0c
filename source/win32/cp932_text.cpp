#include "cp932_text.h"

int cp932_to_wide(const char* text, wchar_t* out, int size) {
    if (size <= 0) {
        return 0;
    }
    // An invalid byte sequence becomes a replacement character rather than
    // failing the whole text; a stored value a hand edit broke still shows.
    if (MultiByteToWideChar(CP932_CODE_PAGE, 0, text, -1, out, size) > 0) {
        return 1;
    }
    out[0] = L'\0';
    return 0;
}

int cp932_from_wide(const wchar_t* text, char* out, int size) {
    if (size <= 0) {
        return 0;
    }
    // Without WC_NO_BEST_FIT_CHARS "é" would quietly become "e", another
    // folder than the one the user picked.
    BOOL replaced = FALSE;
    int n = WideCharToMultiByte(CP932_CODE_PAGE, WC_NO_BEST_FIT_CHARS, text, -1, out, size,
                                nullptr, &replaced);
    if (n > 0 && !replaced) {
        return 1;
    }
    out[0] = '\0';
    return 0;
}
