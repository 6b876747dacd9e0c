// The memo's shape and painting under the real GDI: the region as the
// system stores it, and a real memo window painted into a 32-bit memory
// bitmap, checked pixel by pixel.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "memo_region.h"
#include "memo_paint.h"
#include "memo_test_support.h"

namespace {

using memo_test::canvas;

const int k_width = 160;
const int k_height = 120;
const COLORREF k_fill = 0x0080ffc0;
const COLORREF k_text = 0x00000000;
const COLORREF k_border = 0x000000ff;
const COLORREF k_untouched = 0x00563412;  // what the bitmap holds before painting

std::vector<RECT> region_rects(HRGN region) {
    std::vector<RECT> rects;
    DWORD size = GetRegionData(region, 0, nullptr);
    if (size < sizeof(RGNDATAHEADER)) return rects;
    std::vector<unsigned char> bytes(size);
    RGNDATA* data = reinterpret_cast<RGNDATA*>(bytes.data());
    if (GetRegionData(region, size, data) != size) return rects;
    const RECT* r = reinterpret_cast<const RECT*>(data->Buffer);
    rects.assign(r, r + data->rdh.nCount);
    return rects;
}

std::string rect_text(const RECT& r) {
    char text[64];
    snprintf(text, sizeof text, "(%ld,%ld,%ld,%ld)", static_cast<long>(r.left),
             static_cast<long>(r.top), static_cast<long>(r.right), static_cast<long>(r.bottom));
    return text;
}

class ShapeTest : public memo_test::MemoTest {
protected:
    HWND memo = nullptr;

    void SetUp() override {
        MemoTest::SetUp();
        g_settings.colors[2].color = k_fill;
        g_settings.colors[2].textcolor = k_text;
        g_settings.colors[2].bordercolor = k_border;
    }
    void make_memo(int width, int height, const char* text) {
        memo = memo_test::create_memo(owner, 100, 100, width, height, "20240102030405", text, 2);
        memos.push_back(memo);
        ASSERT_NE(nullptr, memo);
        memo_test::record_of(memo)->active = 0;
    }
    // Paints the memo the way WM_PAINT does: clipped to the window region.
    void paint(canvas& c) {
        ASSERT_TRUE(c.ready());
        HRGN clip = CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(ERROR, GetWindowRgn(memo, clip)) << "the memo has no region";
        SelectClipRgn(c.dc(), clip);
        DeleteObject(clip);
        memo_paint_memo(c.dc(), memo);
        SelectClipRgn(c.dc(), nullptr);
    }
};

TEST_F(ShapeTest, RegionAsTheSystemStoresItFoldRight) {
    make_memo(k_width, k_height, nullptr);
    HRGN region = memo_region_create(memo);
    ASSERT_NE(nullptr, region);
    std::vector<RECT> rects = region_rects(region);
    ASSERT_EQ(21u, rects.size());
    EXPECT_EQ("(0,0,160,100)", rect_text(rects[0]));
    for (int i = 0; i < 20; i++) {
        RECT want = {0, 100 + i, 159 - i, 101 + i};
        EXPECT_EQ(rect_text(want), rect_text(rects[1 + i])) << i;
    }
    RECT box;
    EXPECT_EQ(COMPLEXREGION, GetRgnBox(region, &box));
    EXPECT_EQ("(0,0,160,120)", rect_text(box));
    EXPECT_FALSE(PtInRegion(region, 159, 119));
    EXPECT_FALSE(PtInRegion(region, 159, 100));
    EXPECT_TRUE(PtInRegion(region, 158, 100));
    DeleteObject(region);
}

TEST_F(ShapeTest, RegionAsTheSystemStoresItFoldLeftAndSmallest) {
    g_settings.leftfold = 1;
    make_memo(30, 30, nullptr);
    HRGN region = memo_region_create(memo);
    ASSERT_NE(nullptr, region);
    // The system merges the body with the first fold row, which is as wide.
    std::vector<RECT> rects = region_rects(region);
    ASSERT_EQ(20u, rects.size());
    EXPECT_EQ("(0,0,30,11)", rect_text(rects[0]));
    for (int i = 1; i < 20; i++) {
        RECT want = {i, 10 + i, 30, 11 + i};
        EXPECT_EQ(rect_text(want), rect_text(rects[i])) << i;
    }
    EXPECT_FALSE(PtInRegion(region, 0, 29));
    EXPECT_TRUE(PtInRegion(region, 29, 29));
    DeleteObject(region);
}

TEST_F(ShapeTest, InactiveMemoFillFrameAndUntouchedCorner) {
    make_memo(k_width, k_height, nullptr);
    canvas c(k_width, k_height, k_untouched);
    paint(c);

    EXPECT_EQ(k_fill, c.at(80, 50));
    EXPECT_EQ(k_fill, c.at(5, 5));
    EXPECT_EQ(k_fill, c.at(150, 90));
    // The frame: one pixel on each edge.
    EXPECT_EQ(k_border, c.at(80, 0));
    EXPECT_EQ(k_fill, c.at(80, 1));
    EXPECT_EQ(k_border, c.at(0, 60));
    EXPECT_EQ(k_fill, c.at(1, 60));
    EXPECT_EQ(k_border, c.at(159, 50));
    EXPECT_EQ(k_fill, c.at(158, 50));
    EXPECT_EQ(k_border, c.at(70, 119));
    EXPECT_EQ(k_fill, c.at(70, 118));
    // The fold: the diagonal, and the flap's two edges.
    EXPECT_EQ(k_border, c.at(149, 109));
    EXPECT_EQ(k_border, c.at(150, 98));
    EXPECT_EQ(k_border, c.at(138, 105));
    // Beyond the diagonal the desktop shows through: nothing painted.
    EXPECT_EQ(k_untouched, c.at(159, 119));
    EXPECT_EQ(k_untouched, c.at(158, 118));
    EXPECT_EQ(k_untouched, c.at(159, 101));
    EXPECT_EQ(k_untouched, c.at(141, 119));
}

TEST_F(ShapeTest, ActiveMemoDrawsTwoPixelLines) {
    make_memo(k_width, k_height, nullptr);
    canvas inactive(k_width, k_height, k_untouched);
    memo_test::record_of(memo)->active = 0;
    paint(inactive);
    canvas active(k_width, k_height, k_untouched);
    memo_test::record_of(memo)->active = 1;
    paint(active);

    // Across the right edge, the flap's top and its side.
    EXPECT_EQ(1, inactive.row_count(50, 150, 160, k_border));
    EXPECT_EQ(2, active.row_count(50, 150, 160, k_border));
    EXPECT_EQ(1, inactive.column_count(145, 90, 100, k_border));
    EXPECT_EQ(2, active.column_count(145, 90, 100, k_border));
    EXPECT_EQ(1, inactive.row_count(108, 130, 142, k_border));
    EXPECT_EQ(2, active.row_count(108, 130, 142, k_border));
    EXPECT_EQ(k_fill, active.at(80, 50));
    EXPECT_EQ(k_untouched, active.at(158, 118));
}

TEST_F(ShapeTest, FoldOnTheLeftLeavesTheBottomLeftCorner) {
    g_settings.leftfold = 1;
    make_memo(k_width, k_height, nullptr);
    canvas c(k_width, k_height, k_untouched);
    paint(c);
    EXPECT_EQ(k_untouched, c.at(0, 119));
    EXPECT_EQ(k_untouched, c.at(1, 118));
    EXPECT_EQ(k_border, c.at(159, 119));  // the right edge runs to the bottom
    EXPECT_EQ(k_border, c.at(10, 110));   // the diagonal
    EXPECT_EQ(k_border, c.at(20, 110));   // the flap's side
    EXPECT_EQ(k_fill, c.at(80, 60));
}

TEST_F(ShapeTest, TextStaysInsideTheMargins) {
    make_memo(k_width, k_height,
              u8"付箋のテキスト Kelvane の試験です。長い行は折り返され、はみ出した部分は"
              u8"表示されません。付箋のテキスト Kelvane の試験です。付箋のテキスト。"
              u8"付箋のテキスト Kelvane の試験です。付箋のテキスト Kelvane の試験です。");
    canvas c(k_width, k_height, k_untouched);
    paint(c);
    int inked = 0;
    int stray = 0;
    for (int y = 2; y < 98; y++) {
        for (int x = 2; x < 157; x++) {
            bool in_text = x >= 10 && x < 150 && y >= 10 && y < 110;
            if (c.at(x, y) != k_fill) (in_text ? inked : stray)++;
        }
    }
    EXPECT_GT(inked, 200) << "the text was not drawn";
    EXPECT_EQ(0, stray) << "ink in the 10-pixel margins";
}

TEST_F(ShapeTest, EmptyTextDrawsLikeNoText) {
    make_memo(k_width, k_height, "");
    canvas c(k_width, k_height, k_untouched);
    paint(c);
    EXPECT_EQ(0, [&] {
        int n = 0;
        for (int y = 2; y < 98; y++) n += 155 - c.row_count(y, 2, 157, k_fill);
        return n;
    }());
}

TEST_F(ShapeTest, ColourIndexOutsideTheSlotsPaintsLikeANewMemo) {
    make_memo(k_width, k_height, nullptr);
    memo_test::record_of(memo)->color_index = 9;
    canvas c(k_width, k_height, k_untouched);
    paint(c);
    EXPECT_EQ(g_settings.colors[MEMO_COLOR_NEW].color, c.at(80, 50));
}

TEST_F(ShapeTest, WindowWithoutRecordIsNotPainted) {
    make_memo(k_width, k_height, nullptr);
    canvas c(k_width, k_height, k_untouched);
    memo_placement where;
    where.rect = {0, 0, k_width, k_height};
    HWND stranger = placement_create_window(owner, &where);
    ASSERT_NE(nullptr, stranger);
    memo_paint_memo(c.dc(), stranger);
    DestroyWindow(stranger);
    EXPECT_EQ(k_untouched, c.at(80, 50));
    EXPECT_EQ(k_untouched, c.at(0, 0));
}

TEST_F(ShapeTest, NewMemoAtTheCursorIsShapedAndNamedApart) {
    ASSERT_TRUE(SetCursorPos(640, 500));
    HWND first = placement_new_memo(owner, MEMO_PLACE_SECOND_START);
    HWND second = placement_new_memo(owner, MEMO_PLACE_SECOND_START);
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    memo = second;
    RECT r;
    GetWindowRect(first, &r);
    EXPECT_EQ("(560,440,720,560)", rect_text(r));
    EXPECT_TRUE(IsWindowVisible(first));
    EXPECT_EQ(owner, GetWindow(first, GW_OWNER));
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetWindowRgn(first, region));
    EXPECT_EQ(21u, region_rects(region).size());
    DeleteObject(region);

    std::string a = memo_test::record_of(first)->file_name;
    std::string b = memo_test::record_of(second)->file_name;
    EXPECT_EQ(14u, a.size());
    EXPECT_EQ(14u, b.size());
    EXPECT_NE(a, b);
    memo_test::destroy_memo(first);
}

}  // namespace
