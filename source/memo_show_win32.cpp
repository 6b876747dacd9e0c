// Painting a memo with GDI.
#include "memo_show.h"

#include <windows.h>

#include "memo_buffer.h"
#include "memo_file.h"
#include "memo_log.h"
#include "memo_memory.h"
#include "memo_region.h"
#include "memo_setting.h"
#include "memo_winapiex.h"

namespace {

const BYTE k_font_pitch_family = FF_MODERN | FIXED_PITCH;

void memo_show_fill(HDC dc, const RECT* client, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    if (!brush) {
        REPORT_FAILURE();
        return;
    }
    FillRect(dc, client, brush);
    DeleteObject(brush);
}

void memo_show_text(HDC dc, HWND window, const char* text, const RECT* client,
                    COLORREF text_color) {
    platform_rect c = {client->left, client->top, client->right, client->bottom};
    platform_rect t = memo_show_text_rect(&c);
    RECT box = {t.left, t.top, t.right, t.bottom};

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text_color);
    // The DPI is taken at every paint, so the font follows the memo onto a
    // monitor of another DPI.
    HFONT font = CreateFontA(memo_show_font_height(memo_winapiex_window_dpi(window),
                                                   g_settings.fontsize),
                             0, 0, 0, g_settings.fontstyle, FALSE, FALSE, FALSE,
                             static_cast<BYTE>(g_settings.fontcharset), OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, PROOF_QUALITY, k_font_pitch_family,
                             g_settings.fontname);
    // Without the font the text is still drawn, in the device context's.
    HGDIOBJ previous = nullptr;
    if (font) {
        previous = SelectObject(dc, font);
    } else {
        REPORT_FAILURE();
    }
    wchar_t* wide = memo_winapiex_utf8_to_utf16(text, -1, nullptr);
    DrawTextW(dc, wide, -1, &box, DT_WORDBREAK | DT_EDITCONTROL | DT_END_ELLIPSIS);
    TRACKED_FREE(wide);
    if (font) {
        SelectObject(dc, previous);
        DeleteObject(font);
    }
}

}  // namespace

void memo_show_draw_frame(HDC dc, uint32_t border_color, int32_t active, int32_t left_fold,
                          const platform_rect* client) {
    HPEN pen = CreatePen(PS_SOLID, active == 1 ? 2 : 1, border_color);
    if (!pen) {
        REPORT_FAILURE();
        return;
    }
    HGDIOBJ previous = SelectObject(dc, pen);
    memo_region_line lines[MEMO_REGION_FRAME_LINES];
    memo_region_frame_lines(client, active, left_fold, lines);
    for (const memo_region_line& line : lines) {
        POINT points[2] = {{line.x1, line.y1}, {line.x2, line.y2}};
        Polyline(dc, points, 2);
    }
    SelectObject(dc, previous);
    DeleteObject(pen);
}

void memo_show_paint(HDC dc, HWND window) {
    int32_t left_fold = g_settings.leftfold;
    RECT client;
    if (!GetClientRect(window, &client)) {
        REPORT_FAILURE();
        return;
    }
    memo_record* record = static_cast<memo_record*>(memo_registry_find(window));
    if (!record) {
        REPORT_FAILURE();
        return;
    }
    // A colour index from outside never indexes past the slot table.
    const settings_color_slot& slot = g_settings.colors[memo_file_color_index(record->color_index)];

    memo_show_fill(dc, &client, slot.color);
    platform_rect c = {client.left, client.top, client.right, client.bottom};
    memo_show_draw_frame(dc, slot.bordercolor, record->active, left_fold, &c);
    if (!record->text) return;
    memo_show_text(dc, window, record->text, &client, slot.textcolor);
}
