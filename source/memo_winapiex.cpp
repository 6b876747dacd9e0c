#include "memo_winapiex.h"

#include <shellscalingapi.h>

#include "memo_log.h"
#include "memo_memory.h"

wchar_t* memo_winapiex_utf8_to_utf16(const char* text, int length, int* out_length) {
    int count = 0;
    if (text && length != 0) {
        // Without MB_ERR_INVALID_CHARS every invalid sequence becomes U+FFFD.
        count = MultiByteToWideChar(CP_UTF8, 0, text, length, nullptr, 0);
        if (length < 0 && count > 0) {
            count--;  // the terminator was counted
        }
    }
    wchar_t* wide = static_cast<wchar_t*>(TRACKED_ALLOC((static_cast<uint64_t>(count) + 1) * 2));
    if (count > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text, length < 0 ? -1 : length, wide, count + 1);
    }
    wide[count] = L'\0';
    if (out_length) {
        *out_length = count;
    }
    return wide;
}

char* memo_winapiex_utf16_to_utf8(const wchar_t* text, int length, int* out_length) {
    int count = 0;
    if (text && length != 0) {
        count = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
        if (length < 0 && count > 0) {
            count--;
        }
    }
    char* utf8 = static_cast<char*>(TRACKED_ALLOC(static_cast<uint64_t>(count) + 1));
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

int32_t memo_winapiex_monitor_dpi(HMONITOR monitor) {
    UINT dpi_x = 0;
    UINT dpi_y = 0;
    if (!monitor || FAILED(GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpi_x, &dpi_y)) ||
        dpi_x == 0) {
        return 96;
    }
    return static_cast<int32_t>(dpi_x);
}

int32_t memo_winapiex_window_dpi(HWND window) {
    return memo_winapiex_monitor_dpi(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

int32_t memo_winapiex_register_class(HINSTANCE instance, const char* name, WNDPROC procedure,
                                     int background, HICON icon, HICON small_icon) {
    WNDCLASSEXA wc;
    ZeroMemory(&wc, sizeof wc);
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

namespace {

// The copy behind memo_winapiex_bitmap_to_dib32 and _mirror.
HBITMAP memo_winapiex_copy_dib32(HBITMAP bitmap, int mirror) {
    BITMAP info;
    if (!bitmap || GetObjectA(bitmap, sizeof info, &info) == 0 || info.bmWidth <= 0 ||
        info.bmHeight <= 0) {
        REPORT_FAILURE();
        return nullptr;
    }
    const int width = info.bmWidth;
    const int height = info.bmHeight;

    BITMAPINFO header;
    ZeroMemory(&header, sizeof header);
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = height;  // positive: bottom-up rows
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!copy || !bits) {
        if (copy) DeleteObject(copy);
        REPORT_FAILURE();
        return nullptr;
    }

    HDC target_dc = CreateCompatibleDC(nullptr);
    HDC source_dc = target_dc ? CreateCompatibleDC(target_dc) : nullptr;
    if (!source_dc) {
        if (target_dc) DeleteDC(target_dc);
        DeleteObject(copy);
        REPORT_FAILURE();
        return nullptr;
    }
    HGDIOBJ old_target = SelectObject(target_dc, copy);
    HGDIOBJ old_source = SelectObject(source_dc, bitmap);
    BOOL copied = FALSE;
    if (old_target && old_source) {
        if (mirror) {
            int old_mode = SetStretchBltMode(target_dc, COLORONCOLOR);
            // A negative width runs the destination from right to left; it
            // starts on the last column, x = width - 1.
            copied = StretchBlt(target_dc, width - 1, 0, -width, height, source_dc, 0, 0, width,
                                height, SRCCOPY);
            SetStretchBltMode(target_dc, old_mode);
        } else {
            copied = BitBlt(target_dc, 0, 0, width, height, source_dc, 0, 0, SRCCOPY);
        }
    }
    if (old_source) SelectObject(source_dc, old_source);
    if (old_target) SelectObject(target_dc, old_target);
    DeleteDC(source_dc);
    DeleteDC(target_dc);
    if (!copied) {
        DeleteObject(copy);
        REPORT_FAILURE();
        return nullptr;
    }

    GdiFlush();  // GDI may still be writing the bits
    unsigned char* pixel = static_cast<unsigned char*>(bits);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; i++) {
        pixel[i * 4 + 3] = 0;
    }
    return copy;
}

}  // namespace

HBITMAP memo_winapiex_bitmap_to_dib32(HBITMAP bitmap) {
    return memo_winapiex_copy_dib32(bitmap, 0);
}

HBITMAP memo_winapiex_bitmap_mirror(HBITMAP bitmap) {
    return memo_winapiex_copy_dib32(bitmap, 1);
}

int32_t memo_winapiex_draw_bitmap(HDC dc, HBITMAP bitmap, const RECT* rect) {
    BITMAP info;
    if (!bitmap || !rect || GetObjectA(bitmap, sizeof info, &info) == 0) {
        return 0;
    }
    HDC memory_dc = CreateCompatibleDC(dc);
    if (!memory_dc) {
        return 0;
    }
    HGDIOBJ old = SelectObject(memory_dc, bitmap);
    BOOL drawn = FALSE;
    if (old) {
        SetStretchBltMode(dc, COLORONCOLOR);
        drawn = StretchBlt(dc, rect->left, rect->top, rect->right - rect->left,
                           rect->bottom - rect->top, memory_dc, 0, 0, info.bmWidth,
                           info.bmHeight, SRCCOPY);
        SelectObject(memory_dc, old);
    }
    DeleteDC(memory_dc);
    return drawn ? 1 : 0;
}

int32_t memo_winapiex_fill_rect(HDC dc, COLORREF colour, const RECT* rect) {
    HBRUSH brush = CreateSolidBrush(colour);
    if (brush) {
        FillRect(dc, rect, brush);
        DeleteObject(brush);
    }
    return 1;
}
