#include "bitmap.h"

#include "error_log.h"
#include "scoped.h"

namespace {

// Copies source into the DIB section copy, mirrored or not.
BOOL bitmap_blit(HBITMAP copy, HBITMAP source, int width, int height, int mirror) {
    scoped_memory_dc target_dc(CreateCompatibleDC(nullptr));
    if (!target_dc) {
        return FALSE;
    }
    scoped_memory_dc source_dc(CreateCompatibleDC(target_dc));
    if (!source_dc) {
        return FALSE;
    }
    scoped_select target(target_dc, copy);
    scoped_select from(source_dc, source);
    if (!target.ok() || !from.ok()) {
        return FALSE;
    }
    if (!mirror) {
        return BitBlt(target_dc, 0, 0, width, height, source_dc, 0, 0, SRCCOPY);
    }
    int old_mode = SetStretchBltMode(target_dc, COLORONCOLOR);
    // A negative width runs the destination from right to left; it starts
    // on the last column, x = width - 1.
    BOOL copied = StretchBlt(target_dc, width - 1, 0, -width, height, source_dc, 0, 0, width,
                             height, SRCCOPY);
    SetStretchBltMode(target_dc, old_mode);
    return copied;
}

// The copy behind bitmap_to_dib32 and bitmap_mirror.
HBITMAP bitmap_copy_dib32(HBITMAP bitmap, int mirror) {
    BITMAP info;
    if (!bitmap || GetObjectA(bitmap, sizeof info, &info) == 0 || info.bmWidth <= 0 ||
        info.bmHeight <= 0) {
        REPORT_FAILURE();
        return nullptr;
    }
    const int width = info.bmWidth;
    const int height = info.bmHeight;

    BITMAPINFO header = {};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = height;  // positive: bottom-up rows
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    scoped_gdi<HBITMAP> copy(CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!copy || !bits || !bitmap_blit(copy, bitmap, width, height, mirror)) {
        REPORT_FAILURE();
        return nullptr;
    }

    GdiFlush();  // GDI may still be writing the bits
    unsigned char* pixel = static_cast<unsigned char*>(bits);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; i++) {
        pixel[i * 4 + 3] = 0;
    }
    return copy.release();
}

}  // namespace

HBITMAP bitmap_to_dib32(HBITMAP bitmap) {
    return bitmap_copy_dib32(bitmap, 0);
}

HBITMAP bitmap_mirror(HBITMAP bitmap) {
    return bitmap_copy_dib32(bitmap, 1);
}

int32_t bitmap_draw(HDC dc, HBITMAP bitmap, const RECT* rect) {
    BITMAP info;
    if (!bitmap || !rect || GetObjectA(bitmap, sizeof info, &info) == 0) {
        return 0;
    }
    scoped_memory_dc memory_dc(CreateCompatibleDC(dc));
    if (!memory_dc) {
        return 0;
    }
    scoped_select picture(memory_dc, bitmap);
    if (!picture.ok()) {
        return 0;
    }
    SetStretchBltMode(dc, COLORONCOLOR);
    BOOL drawn = StretchBlt(dc, rect->left, rect->top, rect->right - rect->left,
                            rect->bottom - rect->top, memory_dc, 0, 0, info.bmWidth,
                            info.bmHeight, SRCCOPY);
    return drawn ? 1 : 0;
}

int32_t bitmap_fill_rect(HDC dc, COLORREF colour, const RECT* rect) {
    scoped_gdi<HBRUSH> brush(CreateSolidBrush(colour));
    if (brush) {
        FillRect(dc, rect, brush);
    }
    return 1;
}
