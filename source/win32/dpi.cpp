#include "dpi.h"

#include <shellscalingapi.h>

int32_t dpi_of_monitor(HMONITOR monitor) {
    UINT dpi_x = 0;
    UINT dpi_y = 0;
    if (!monitor || FAILED(GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpi_x, &dpi_y)) ||
        dpi_x == 0) {
        return 96;
    }
    return static_cast<int32_t>(dpi_x);
}

int32_t dpi_of_window(HWND window) {
    return dpi_of_monitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}
