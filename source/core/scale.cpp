#include "scale.h"

namespace {

int32_t scale_dpi(int32_t dpi) {
    return dpi > 0 ? dpi : 96;
}

}  // namespace

int32_t scale_clamp(int64_t v) {
    return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v);
}

// In integers, so that 50 at 144 DPI is exactly 75 and never 74.999; the
// products of 32-bit values and a DPI cannot overflow 64 bits.
int32_t scale_to_physical(int64_t length, int32_t dpi) {
    return scale_clamp(length * scale_dpi(dpi) / 96);
}

int32_t scale_to_stored(int64_t physical, int32_t dpi) {
    return scale_clamp(physical * 96 / scale_dpi(dpi));
}

// The scale to the monitor, then points to pixels; kept in this order so
// that the font picker sees the same height as the memo paints with.
int32_t scale_font_height(int32_t points, int32_t dpi) {
    if (dpi <= 0) {
        return 0;
    }
    return -static_cast<int32_t>(dpi / 96.0 * 96.0 / 72.0 * points + 0.5);
}
