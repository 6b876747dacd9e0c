// The effective DPI of monitors and windows.  Lengths are scaled in the
// window-free geometry module (geometry_scale), the one rounding rule.
#ifndef KELVANE_DPI_H
#define KELVANE_DPI_H

#include <windows.h>

#include <stdint.h>

// The effective horizontal DPI of a monitor; 96 when the system cannot
// tell (or monitor is null).
int32_t dpi_of_monitor(HMONITOR monitor);

// The same for the monitor nearest to window, the one that holds most of it.
int32_t dpi_of_window(HWND window);

#endif
