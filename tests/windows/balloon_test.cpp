// The bitmap helpers, the balloon's three pictures as the program loads
// them, and the balloon window: where it appears, its colour key, what it
// shows on the screen, and its one-second life.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "balloon.h"
#include "memo_test_support.h"
#include "bitmap.h"
#include "resource.h"

namespace {

using memo_test::pump_for;

const COLORREF k_green = RGB(0, 255, 0);
const COLORREF k_yellow = RGB(255, 248, 153);

// A bottom-up 32-bit DIB section with distinct pixels (x, y, 0x5A), y
// counted from the top, and the alpha byte 0xFF, so a copy that left the
// alpha alone shows it.
HBITMAP make_test_bitmap(int width, int height) {
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    uint32_t* pixels = static_cast<uint32_t*>(bits);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            pixels[(height - 1 - y) * width + x] = 0xFF000000u | (uint32_t(x * 20 + 7) << 16) |
                                    (uint32_t(y * 30 + 11) << 8) | 0x5Au;
        }
    }
    return bitmap;
}

// The pixels of a 32-bit DIB section as rows top to bottom, alpha included.
std::vector<std::vector<uint32_t>> dib_rows(HBITMAP bitmap) {
    DIBSECTION section;
    std::vector<std::vector<uint32_t>> rows;
    if (GetObjectA(bitmap, sizeof section, &section) != sizeof section) return rows;
    EXPECT_EQ(32, section.dsBm.bmBitsPixel);
    const int width = section.dsBm.bmWidth;
    const int height = section.dsBm.bmHeight;
    const bool bottom_up = section.dsBmih.biHeight > 0;
    const uint8_t* base = static_cast<const uint8_t*>(section.dsBm.bmBits);
    for (int y = 0; y < height; y++) {
        int stored = bottom_up ? height - 1 - y : y;
        const uint32_t* row =
            reinterpret_cast<const uint32_t*>(base + stored * section.dsBm.bmWidthBytes);
        rows.emplace_back(row, row + width);
    }
    return rows;
}

TEST(BitmapHelpers, Dib32CopyKeepsPixelsAndClearsEveryAlphaByte) {
    HBITMAP source = make_test_bitmap(7, 5);
    std::vector<std::vector<uint32_t>> before = dib_rows(source);
    HBITMAP copy = bitmap_to_dib32(source);
    ASSERT_NE(nullptr, copy);
    DIBSECTION section;
    ASSERT_EQ(sizeof section, static_cast<size_t>(GetObjectA(copy, sizeof section, &section)));
    EXPECT_EQ(7, section.dsBm.bmWidth);
    EXPECT_EQ(5, section.dsBm.bmHeight);
    EXPECT_GT(section.dsBmih.biHeight, 0) << "bottom-up rows";
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), section.dsBmih.biCompression);
    std::vector<std::vector<uint32_t>> after = dib_rows(copy);
    ASSERT_EQ(before.size(), after.size());
    for (size_t y = 0; y < after.size(); y++) {
        for (size_t x = 0; x < after[y].size(); x++) {
            EXPECT_EQ(0u, after[y][x] >> 24) << "alpha at " << x << "," << y;
            EXPECT_EQ(before[y][x] & 0xFFFFFFu, after[y][x]) << "pixel " << x << "," << y;
        }
    }
    DeleteObject(copy);
    DeleteObject(source);
}

TEST(BitmapHelpers, MirrorReversesEveryRowPixelForPixel) {
    // An odd and an even width: an off-by-one in the mirrored copy loses
    // the first or the last column.
    for (int width : {7, 8}) {
        HBITMAP source = make_test_bitmap(width, 3);
        std::vector<std::vector<uint32_t>> before = dib_rows(source);
        HBITMAP mirrored = bitmap_mirror(source);
        ASSERT_NE(nullptr, mirrored);
        std::vector<std::vector<uint32_t>> after = dib_rows(mirrored);
        ASSERT_EQ(3u, after.size());
        for (size_t y = 0; y < after.size(); y++) {
            ASSERT_EQ(static_cast<size_t>(width), after[y].size());
            for (int x = 0; x < width; x++) {
                EXPECT_EQ(before[y][width - 1 - x] & 0xFFFFFFu, after[y][x])
                    << "width " << width << ", pixel " << x << "," << y;
                EXPECT_EQ(0u, after[y][x] >> 24);
            }
        }
        DeleteObject(mirrored);
        DeleteObject(source);
    }
}

TEST(BitmapHelpers, CopiesOfNothingAreNothing) {
    EXPECT_EQ(nullptr, bitmap_to_dib32(nullptr));
    EXPECT_EQ(nullptr, bitmap_mirror(nullptr));
    HBRUSH not_a_bitmap = CreateSolidBrush(RGB(1, 2, 3));
    EXPECT_EQ(nullptr, bitmap_to_dib32(reinterpret_cast<HBITMAP>(not_a_bitmap)));
    DeleteObject(not_a_bitmap);
}

TEST(BitmapHelpers, DrawStretchesWithoutBlendingAndFillCoversTheRectangle) {
    HBITMAP target = make_test_bitmap(8, 8);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, target);

    RECT all = {0, 0, 8, 8};
    EXPECT_EQ(1, bitmap_fill_rect(dc, RGB(10, 20, 30), &all));
    RECT part = {2, 3, 5, 6};
    EXPECT_EQ(1, bitmap_fill_rect(dc, RGB(200, 100, 50), &part));
    EXPECT_EQ(RGB(200, 100, 50), GetPixel(dc, 2, 3));
    EXPECT_EQ(RGB(200, 100, 50), GetPixel(dc, 4, 5));
    EXPECT_EQ(RGB(10, 20, 30), GetPixel(dc, 5, 5)) << "right and bottom edges are outside";
    EXPECT_EQ(RGB(10, 20, 30), GetPixel(dc, 4, 6));

    // Two pixels, red and blue, stretched to 4 x 2: colour-on-colour
    // doubles each one and mixes nothing.
    HBITMAP pair = make_test_bitmap(2, 1);
    HDC pair_dc = CreateCompatibleDC(nullptr);
    HGDIOBJ pair_old = SelectObject(pair_dc, pair);
    SetPixel(pair_dc, 0, 0, RGB(255, 0, 0));
    SetPixel(pair_dc, 1, 0, RGB(0, 0, 255));
    SelectObject(pair_dc, pair_old);
    DeleteDC(pair_dc);
    RECT wide = {1, 1, 5, 3};
    EXPECT_EQ(1, bitmap_draw(dc, pair, &wide));
    const COLORREF expected[2][4] = {
        {RGB(255, 0, 0), RGB(255, 0, 0), RGB(0, 0, 255), RGB(0, 0, 255)},
        {RGB(255, 0, 0), RGB(255, 0, 0), RGB(0, 0, 255), RGB(0, 0, 255)},
    };
    for (int y = 0; y < 2; y++) {
        for (int x = 0; x < 4; x++) {
            EXPECT_EQ(expected[y][x], GetPixel(dc, 1 + x, 1 + y)) << x << "," << y;
        }
    }
    EXPECT_EQ(COLORONCOLOR, GetStretchBltMode(dc));
    EXPECT_EQ(0, bitmap_draw(dc, nullptr, &wide));

    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(pair);
    DeleteObject(target);
}

// --- the pictures --------------------------------------------------------

const BITMAPINFOHEADER* resource_header(int id) {
    HRSRC found = FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));
    if (!found) return nullptr;
    return static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(nullptr, found)));
}

TEST(BalloonPictures, SizesAndFormats) {
    const BITMAPINFOHEADER* bubble = resource_header(IDB_BALLOON_BUBBLE);
    ASSERT_NE(nullptr, bubble);
    EXPECT_EQ(100, bubble->biWidth);
    EXPECT_EQ(80, bubble->biHeight);
    EXPECT_EQ(24, bubble->biBitCount);
    for (int id : {IDB_BALLOON_NEW, IDB_BALLOON_PEEL}) {
        const BITMAPINFOHEADER* kana = resource_header(id);
        ASSERT_NE(nullptr, kana) << id;
        EXPECT_EQ(70, kana->biWidth) << id;
        EXPECT_EQ(34, kana->biHeight) << id;
        EXPECT_EQ(8, kana->biBitCount) << id;
        EXPECT_EQ(17u, kana->biClrUsed) << id;
    }
}

// Loads a bitmap resource as rows of 0x00RRGGBB, top row first.
std::vector<std::vector<uint32_t>> load_rows(int id) {
    HBITMAP loaded = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
    EXPECT_NE(nullptr, loaded) << id;
    HBITMAP copy = bitmap_to_dib32(loaded);
    std::vector<std::vector<uint32_t>> rows = dib_rows(copy);
    DeleteObject(copy);
    DeleteObject(loaded);
    return rows;
}

uint32_t rgb(COLORREF c) {
    return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}

TEST(BalloonPictures, GreenSurroundsTheBubbleAndNothingElseIsGreen) {
    std::vector<std::vector<uint32_t>> rows = load_rows(IDB_BALLOON_BUBBLE);
    ASSERT_EQ(80u, rows.size());
    const int w = 100, h = 80;
    EXPECT_EQ(rgb(k_green), rows[0][0]) << "the colour key is the top-left pixel";
    EXPECT_EQ(rgb(k_yellow), rows[38][50]) << "the fill";

    // Every green pixel must be reachable from the border through green:
    // a green hole inside the bubble would be a hole in the balloon.
    std::vector<std::vector<int>> seen(h, std::vector<int>(w, 0));
    std::vector<std::pair<int, int>> stack;
    for (int x = 0; x < w; x++) {
        stack.push_back({x, 0});
        stack.push_back({x, h - 1});
    }
    for (int y = 0; y < h; y++) {
        stack.push_back({0, y});
        stack.push_back({w - 1, y});
    }
    while (!stack.empty()) {
        auto [x, y] = stack.back();
        stack.pop_back();
        if (x < 0 || y < 0 || x >= w || y >= h || seen[y][x] || rows[y][x] != rgb(k_green)) continue;
        seen[y][x] = 1;
        stack.push_back({x + 1, y});
        stack.push_back({x - 1, y});
        stack.push_back({x, y + 1});
        stack.push_back({x, y - 1});
    }
    int inner_green = 0, outline = 0, tail = 0;
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            if (rows[y][x] == rgb(k_green) && !seen[y][x]) inner_green++;
            if (rows[y][x] == 0) outline++;
            if (y >= 70 && x < 20 && rows[y][x] != rgb(k_green)) tail++;
        }
    }
    EXPECT_EQ(0, inner_green);
    EXPECT_GT(outline, 300) << "a black outline all round";
    EXPECT_GT(tail, 10) << "the tail reaches the lower left";
    // The edge against the key colour is hard: next to green there is only
    // green or black, never a blend that would show as a fringe.
    for (int y = 1; y < h - 1; y++) {
        for (int x = 1; x < w - 1; x++) {
            if (rows[y][x] == rgb(k_green)) continue;
            bool touches_green = rows[y][x - 1] == rgb(k_green) || rows[y][x + 1] == rgb(k_green) ||
                                 rows[y - 1][x] == rgb(k_green) || rows[y + 1][x] == rgb(k_green);
            if (touches_green) {
                EXPECT_EQ(0u, rows[y][x]) << "edge pixel " << x << "," << y;
            }
        }
    }
}

TEST(BalloonPictures, KanaAreDarkStrokesOnTheBubblesYellow) {
    for (int id : {IDB_BALLOON_NEW, IDB_BALLOON_PEEL}) {
        std::vector<std::vector<uint32_t>> rows = load_rows(id);
        ASSERT_EQ(34u, rows.size());
        EXPECT_EQ(rgb(k_yellow), rows[0][0]) << id;
        EXPECT_EQ(rgb(k_yellow), rows[33][69]) << id;
        int dark = 0;
        for (const auto& row : rows) {
            for (uint32_t p : row) {
                if (((p >> 16) & 0xFF) < 96 && ((p >> 8) & 0xFF) < 96) dark++;
            }
        }
        EXPECT_GT(dark, 150) << id << ": two kana in bold strokes";
    }
}

// --- the balloon window --------------------------------------------------

HWND make_memo(int x, int y, int width, int height) {
    HWND memo = memo_test::create_test_window("BalloonTestMemo", DefWindowProcA,
                                              WS_POPUP | WS_VISIBLE, x, y, width, height,
                                              RGB(255, 255, 192));
    UpdateWindow(memo);
    return memo;
}

HWND find_balloon() {
    return FindWindowA(BALLOON_CLASS, nullptr);
}

class BalloonWindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        // A failed test must not leave a balloon for the next one.
        for (HWND b = find_balloon(); b; b = find_balloon()) DestroyWindow(b);
    }
};

// Left of the memo, mirrored, unless the screen's left edge leaves no room;
// colour-keyed on green, dragged by any point, owned by no window so that it
// outlives its memo.
struct SideCase {
    int memo_left, memo_top;
    int kind;
    LONG left, top;
    LONG_PTR side;
};
const SideCase k_side_cases[] = {
    {300, 200, BALLOON_NEW, 240, 220, BALLOON_SIDE_LEFT},
    {20, 100, BALLOON_PEEL, 190, 120, BALLOON_SIDE_RIGHT},
};
class BalloonSideTest : public BalloonWindowTest, public ::testing::WithParamInterface<SideCase> {};

TEST_P(BalloonSideTest, StandsBesideTheMemoColourKeyedOnGreen) {
    const SideCase& c = GetParam();
    HWND memo = make_memo(c.memo_left, c.memo_top, 160, 120);
    ASSERT_EQ(1, balloon_show(c.kind, memo));
    HWND balloon = find_balloon();
    ASSERT_NE(nullptr, balloon);
    RECT r;
    GetWindowRect(balloon, &r);
    EXPECT_EQ(c.left, r.left);
    EXPECT_EQ(c.top, r.top);
    EXPECT_EQ(50, r.right - r.left) << "96 DPI";
    EXPECT_EQ(40, r.bottom - r.top);
    EXPECT_EQ(c.kind | c.side, GetWindowLongPtrA(balloon, GWLP_USERDATA));
    EXPECT_EQ(nullptr, GetWindow(balloon, GW_OWNER)) << "outlives its memo";
    LONG_PTR ex = GetWindowLongPtrA(balloon, GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_LAYERED);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(balloon, &key, &alpha, &flags));
    EXPECT_EQ(k_green, key);
    EXPECT_EQ(static_cast<DWORD>(LWA_COLORKEY), flags);
    EXPECT_EQ(HTCAPTION, SendMessageA(balloon, WM_NCHITTEST, 0, MAKELPARAM(r.left + 3, r.top + 3)))
        << "dragged by any point";
    DestroyWindow(memo);
    DestroyWindow(balloon);
}
INSTANTIATE_TEST_SUITE_P(Rows, BalloonSideTest, ::testing::ValuesIn(k_side_cases));

// Screen pixel through the display, in the balloon's place.
COLORREF screen_pixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

TEST_F(BalloonWindowTest, ShowsTheBubbleAndTheKanaButNotTheGreen) {
    HWND memo = make_memo(400, 300, 160, 120);
    ASSERT_EQ(1, balloon_show(BALLOON_NEW, memo));
    HWND balloon = find_balloon();
    ASSERT_NE(nullptr, balloon);
    pump_for(150);
    RECT r;
    GetWindowRect(balloon, &r);
    // Mirrored bubble: the tail is at the lower right, the top-left corner
    // is background.
    EXPECT_NE(k_green, screen_pixel(r.left, r.top)) << "the key colour is see-through";
    EXPECT_NE(k_green, screen_pixel(r.right - 1, r.top));
    EXPECT_EQ(k_yellow, screen_pixel(r.left + 25, r.top + 8)) << "fill above the kana";
    int dark = 0;
    for (int y = r.top + 11; y < r.top + 28; y++) {
        for (int x = r.left + 7; x < r.left + 42; x++) {
            COLORREF c = screen_pixel(x, y);
            if (GetRValue(c) < 96 && GetGValue(c) < 96) dark++;
        }
    }
    EXPECT_GT(dark, 30) << "the kana are drawn into the content rectangle";
    DestroyWindow(memo);
}

TEST_F(BalloonWindowTest, GoesAfterOneSecondEvenWhenTheMemoIsGoneFirst) {
    HWND memo = make_memo(300, 200, 160, 120);
    DWORD start = GetTickCount();
    ASSERT_EQ(1, balloon_show(BALLOON_PEEL, memo));
    HWND balloon = find_balloon();
    ASSERT_NE(nullptr, balloon);
    DestroyWindow(memo);  // peeling: the memo goes at once
    pump_for(600);
    EXPECT_TRUE(IsWindow(balloon)) << "still up after 0.6 s";
    while (IsWindow(balloon) && GetTickCount() - start < 3000) pump_for(20);
    DWORD lived = GetTickCount() - start;
    EXPECT_FALSE(IsWindow(balloon));
    EXPECT_GE(lived, 950u);
    EXPECT_LE(lived, 1600u);
}

TEST_F(BalloonWindowTest, SeveralBalloonsAreIndependent) {
    HWND a = make_memo(300, 200, 160, 120);
    HWND b = make_memo(700, 200, 160, 120);
    ASSERT_EQ(1, balloon_show(BALLOON_NEW, a));
    pump_for(400);
    ASSERT_EQ(1, balloon_show(BALLOON_PEEL, b));
    int count = 0;
    for (HWND w = FindWindowExA(nullptr, nullptr, BALLOON_CLASS, nullptr); w;
         w = FindWindowExA(nullptr, w, BALLOON_CLASS, nullptr)) {
        count++;
    }
    EXPECT_EQ(2, count);
    pump_for(800);  // the first one is gone, the second still up
    count = 0;
    for (HWND w = FindWindowExA(nullptr, nullptr, BALLOON_CLASS, nullptr); w;
         w = FindWindowExA(nullptr, w, BALLOON_CLASS, nullptr)) {
        count++;
        EXPECT_EQ(BALLOON_PEEL | BALLOON_SIDE_LEFT, GetWindowLongPtrA(w, GWLP_USERDATA));
    }
    EXPECT_EQ(1, count);
    DestroyWindow(a);
    DestroyWindow(b);
}

}  // namespace
