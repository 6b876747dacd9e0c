// The balloon window: a colour-keyed layered pop-up with no owner, so it
// lives on for its second when the memo it belongs to is peeled off.  Its
// only state is its flags word (kind and side) in the window's user data.
#include "balloon.h"

#include "error_log.h"
#include "platform.h"
#include "bitmap.h"
#include "messages.h"
#include "dpi.h"
#include "window_class.h"
#include "resource.h"

namespace {

int32_t balloon_flags(HWND hwnd) {
    return static_cast<int32_t>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

HINSTANCE balloon_instance(HWND hwnd) {
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwnd, GWLP_HINSTANCE));
}

// The bubble as it faces: stored with its tail at the lower left, mirrored
// when the balloon stands left of its memo.  The caller deletes it.
HBITMAP balloon_load_bubble(HWND hwnd, int32_t flags) {
    HBITMAP bubble = LoadBitmapA(balloon_instance(hwnd), MAKEINTRESOURCEA(IDB_BALLOON_BUBBLE));
    if (!bubble) {
        REPORT_FAILURE();
        return nullptr;
    }
    if (flags & BALLOON_SIDE_LEFT) {
        HBITMAP mirrored = bitmap_mirror(bubble);
        DeleteObject(bubble);
        bubble = mirrored;
    }
    return bubble;
}

// The bubble's top-left pixel holds its background colour.  The 32-bit
// copy is bottom-up, so that pixel starts the last stored row.
COLORREF balloon_key_colour(HBITMAP bubble) {
    HBITMAP copy = bubble ? bitmap_to_dib32(bubble) : nullptr;
    DIBSECTION section;
    if (!copy || GetObjectA(copy, sizeof section, &section) != sizeof section ||
        !section.dsBm.bmBits) {
        if (copy) DeleteObject(copy);
        REPORT_FAILURE();
        return RGB(0, 0, 0);
    }
    const unsigned char* last_row = static_cast<const unsigned char*>(section.dsBm.bmBits) +
                                    static_cast<size_t>(section.dsBm.bmHeight - 1) *
                                        static_cast<size_t>(section.dsBm.bmWidthBytes);
    COLORREF key = RGB(last_row[2], last_row[1], last_row[0]);  // stored blue, green, red
    DeleteObject(copy);
    return key;
}

LRESULT balloon_on_create(HWND hwnd, const CREATESTRUCTA* create) {
    int32_t flags = static_cast<int32_t>(reinterpret_cast<INT_PTR>(create->lpCreateParams));
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, flags);

    // Without a bubble the balloon still keeps its second, keyed on black
    // and showing nothing of its own.
    HBITMAP bubble = balloon_load_bubble(hwnd, flags);
    SetLayeredWindowAttributes(hwnd, balloon_key_colour(bubble), 0, LWA_COLORKEY);
    if (bubble) {
        DeleteObject(bubble);
    }
    SetTimer(hwnd, BALLOON_TIMER, BALLOON_LIFETIME_MS, nullptr);
    SetForegroundWindow(hwnd);
    return 0;
}

void balloon_on_paint(HWND hwnd) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    if (!dc) {
        return;
    }
    int32_t flags = balloon_flags(hwnd);
    RECT client;
    GetClientRect(hwnd, &client);
    HBITMAP bubble = balloon_load_bubble(hwnd, flags);
    if (!bubble) {
        EndPaint(hwnd, &paint);
        return;
    }
    bitmap_draw(dc, bubble, &client);
    DeleteObject(bubble);

    int content_id = 0;
    switch (flags & BALLOON_KIND_MASK) {
    case BALLOON_NEW: content_id = IDB_BALLOON_NEW; break;
    case BALLOON_PEEL: content_id = IDB_BALLOON_PEEL; break;
    default: break;
    }
    if (content_id) {
        HBITMAP content = LoadBitmapA(balloon_instance(hwnd), MAKEINTRESOURCEA(content_id));
        platform_rect box;
        balloon_layout_content(dpi_of_window(hwnd), &box);
        RECT target = {box.left, box.top, box.right, box.bottom};
        if (!content || !bitmap_draw(dc, content, &target)) {
            REPORT_FAILURE();
        }
        if (content) DeleteObject(content);
    }
    EndPaint(hwnd, &paint);
}

}  // namespace

int32_t balloon_show(int16_t kind, HWND memo) {
    RECT r;
    if (!GetWindowRect(memo, &r)) {
        REPORT_FAILURE();
        return 0;
    }
    platform_rect memo_rect = {r.left, r.top, r.right, r.bottom};
    balloon_layout layout;
    balloon_layout_place(&memo_rect, &layout);

    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(memo, GWLP_HINSTANCE));
    // Registered on every show: the class is there after the first.
    window_class_register(instance, BALLOON_CLASS, balloon_window_proc,
                                 COLOR_WINDOW, nullptr, nullptr);
    INT_PTR flags = (kind & BALLOON_KIND_MASK) | layout.side;
    HWND balloon = CreateWindowExA(WS_EX_LAYERED | WS_EX_TOOLWINDOW, BALLOON_CLASS, "",
                                   WS_POPUP, layout.window.left, layout.window.top,
                                   layout.window.right - layout.window.left,
                                   layout.window.bottom - layout.window.top, nullptr, nullptr,
                                   instance, reinterpret_cast<LPVOID>(flags));
    if (!balloon) {
        REPORT_FAILURE();
        return 0;
    }
    ShowWindow(balloon, SW_SHOW);
    UpdateWindow(balloon);
    return 1;
}

LRESULT CALLBACK balloon_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        return balloon_on_create(hwnd, reinterpret_cast<const CREATESTRUCTA*>(lparam));
    case WM_PAINT:
        balloon_on_paint(hwnd);
        return 0;
    case WM_NCHITTEST:
        // All caption: the balloon can be dragged by any point.
        return HTCAPTION;
    case WM_TIMER:
        KillTimer(hwnd, BALLOON_TIMER);
        DestroyWindow(hwnd);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}
