// Painting a memo with GDI.
#include "memo_paint.h"

#include <windows.h>

#include "memo_registry.h"
#include "memo_file.h"
#include "error_log.h"
#include "tracked_memory.h"
#include "memo_region.h"
#include "settings.h"
#include "dpi.h"
#include "cp932_text.h"
#include "wide_text.h"
#include "scale.h"
#include "scoped.h"
#include "utf8_text.h"

namespace {

const BYTE k_font_pitch_family = FF_MODERN | FIXED_PITCH;

void memo_paint_fill(HDC dc, const RECT* client, COLORREF color) {
    scoped_gdi<HBRUSH> brush(CreateSolidBrush(color));
    if (!brush) {
        REPORT_FAILURE();
        return;
    }
    FillRect(dc, client, brush);
}

void memo_paint_text(HDC dc, HWND window, const char* text, const RECT* client,
                    COLORREF text_color) {
    platform_rect c = {client->left, client->top, client->right, client->bottom};
    platform_rect t = memo_paint_text_rect(&c);
    RECT box = {t.left, t.top, t.right, t.bottom};

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text_color);
    // The DPI is taken at every paint, so the font follows the memo onto a
    // monitor of another DPI.
    wchar_t face[LF_FACESIZE];
    cp932_to_wide(g_settings.fontname, face, LF_FACESIZE);
    scoped_gdi<HFONT> font(CreateFontW(scale_font_height(g_settings.fontsize, dpi_of_window(window)),
                             0, 0, 0, g_settings.fontstyle, FALSE, FALSE, FALSE,
                             static_cast<BYTE>(g_settings.fontcharset), OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, PROOF_QUALITY, k_font_pitch_family, face));
    // Without the font the text is still drawn, in the device context's.
    scoped_select selected(dc, font);
    if (!font) {
        REPORT_FAILURE();
    }
    size_t shown = utf8_shown_length(text, MEMO_PAINT_TEXT_MAX, nullptr);
    wchar_t* wide = wide_from_utf8(text, static_cast<int>(shown), nullptr);
    DrawTextW(dc, wide, -1, &box, DT_WORDBREAK | DT_EDITCONTROL | DT_END_ELLIPSIS);
    TRACKED_FREE(wide);
}

}  // namespace

void memo_paint_draw_frame(HDC dc, uint32_t border_color, int32_t active, int32_t left_fold,
                          const platform_rect* client) {
    scoped_gdi<HPEN> pen(CreatePen(PS_SOLID, active == 1 ? 2 : 1, border_color));
    if (!pen) {
        REPORT_FAILURE();
        return;
    }
    scoped_select selected(dc, pen);
    memo_region_line lines[MEMO_REGION_FRAME_LINES];
    memo_region_frame_lines(client, active, left_fold, lines);
    for (const memo_region_line& line : lines) {
        POINT points[2] = {{line.x1, line.y1}, {line.x2, line.y2}};
        Polyline(dc, points, 2);
    }
}

void memo_paint_memo(HDC dc, HWND window) {
    int32_t left_fold = g_settings.leftfold;
    RECT client;
    if (!GetClientRect(window, &client)) {
        REPORT_FAILURE();
        return;
    }
    memo_record* record = memo_registry_find(window);
    if (!record) {
        REPORT_FAILURE();
        return;
    }
    // A colour index from outside never indexes past the slot table.
    const settings_color_slot& slot = g_settings.colors[memo_keys_color_index(record->color_index)];

    memo_paint_fill(dc, &client, slot.color);
    platform_rect c = {client.left, client.top, client.right, client.bottom};
    memo_paint_draw_frame(dc, slot.bordercolor, record->active, left_fold, &c);
    if (!record->text) return;
    memo_paint_text(dc, window, record->text, &client, slot.textcolor);
}
