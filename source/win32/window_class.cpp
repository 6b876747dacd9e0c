#include "window_class.h"

#include "cp932_text.h"

namespace {

// RegisterClassExA or RegisterClassExW, with their structures and names.
template <typename Class, typename Name, typename Register>
int32_t window_class_register_as(Class wc, Name name, Register register_class, HINSTANCE instance,
                                 WNDPROC procedure, int background, HICON icon, HICON small_icon) {
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hIconSm = small_icon;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
    wc.lpszClassName = name;
    if (register_class(&wc)) {
        return 1;
    }
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS ? 1 : 0;
}

}  // namespace

int32_t window_class_register(HINSTANCE instance, const char* name, WNDPROC procedure,
                              int background, HICON icon, HICON small_icon) {
    return window_class_register_as(WNDCLASSEXA{}, name, RegisterClassExA, instance, procedure,
                                    background, icon, small_icon);
}

int32_t window_class_register_unicode(HINSTANCE instance, const char* name, WNDPROC procedure,
                                      int background, HICON icon, HICON small_icon) {
    wchar_t wide_name[256];
    if (!cp932_to_wide(name, wide_name, ARRAYSIZE(wide_name))) {
        return 0;
    }
    return window_class_register_as(WNDCLASSEXW{}, wide_name, RegisterClassExW, instance, procedure,
                                    background, icon, small_icon);
}
