#include "window_class.h"

int32_t window_class_register(HINSTANCE instance, const char* name, WNDPROC procedure,
                              int background, HICON icon, HICON small_icon) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hIconSm = small_icon;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
    wc.lpszClassName = name;
    if (RegisterClassExA(&wc)) {
        return 1;
    }
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS ? 1 : 0;
}
