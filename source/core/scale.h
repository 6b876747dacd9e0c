// Lengths between the 96-dpi pixels that settings and memo files store and
// the physical pixels of a monitor, font heights from points, and the
// 32-bit clamp every such result goes through.  One rounding rule for all:
// truncation toward zero, then the int32 range.
#ifndef KELVANE_SCALE_H
#define KELVANE_SCALE_H

#include <stdint.h>

// v kept within the int32 range.
int32_t scale_clamp(int64_t v);

// A length in 96-dpi pixels on a monitor of dpi: length * dpi / 96.  A dpi
// of 0 or less counts as 96.
int32_t scale_to_physical(int64_t length, int32_t dpi);

// The other way: physical * 96 / dpi.
int32_t scale_to_stored(int64_t physical, int32_t dpi);

// The height for CreateFont of a font of points on a monitor of dpi:
// negative, so the system matches the character height, not the cell,
// rounded half away from zero.  10 points are -13 at 96 DPI and -20 at
// 144 DPI.  0 for a dpi of 0 or less.
int32_t scale_font_height(int32_t points, int32_t dpi);

#endif
