// The memo's folded corner as a window region.
#include "memo_region.h"

#include <windows.h>

#include <stddef.h>

#include "error_log.h"
#include "tracked_memory.h"
#include "settings.h"

static_assert(sizeof(RGNDATAHEADER) == 32, "RGNDATA header layout");
static_assert(offsetof(memo_region_data, bound) == offsetof(RGNDATAHEADER, rcBound),
              "memo_region_data mirrors RGNDATAHEADER");
static_assert(offsetof(memo_region_data, rects) == sizeof(RGNDATAHEADER),
              "the rectangles follow the header");
static_assert(MEMO_REGION_RECTANGLES == RDH_RECTANGLES, "rectangle format");

HRGN memo_region_create(HWND window) {
    RECT client;
    if (!GetClientRect(window, &client)) {
        REPORT_FAILURE();
        return nullptr;
    }
    // A tracked block so that a leak of it shows in the report at exit; it
    // only lives until the system has copied it into the region.
    memo_region_data* data =
        TRACKED_NEW(memo_region_data, 1);
    memo_region_fill(data, client.right - client.left, client.bottom - client.top,
                     g_settings.leftfold);
    HRGN region = ExtCreateRegion(nullptr, sizeof(memo_region_data),
                                  reinterpret_cast<const RGNDATA*>(data));
    TRACKED_FREE(data);
    if (!region) REPORT_FAILURE();
    return region;
}
