#include "MainLayout.h"

#include <algorithm>

TMainViewsLayout MainViewsLayout(std::int32_t windowWidth, std::int32_t viewsTop, std::int32_t statusBarTop) {
    TMainViewsLayout l;
    const std::int32_t height = std::max(0, statusBarTop - viewsTop - 4);
    const std::int32_t measurements = std::max(0, ((windowWidth - 20) * 6) / 10);
    const std::int32_t results = std::max(0, ((windowWidth - 20) * 4) / 10 - 10);
    l.Measurements = {4, viewsTop, measurements, height};
    l.Results = {measurements + 8, viewsTop, results, height};
    return l;
}

TDeviceBoxesLayout DeviceBoxesLayout(const TRect& buttonOpen, const TRect& combine, bool combineVisible,
                                     const TRect& panelDate) {
    TDeviceBoxesLayout l;
    const std::int32_t left = (combineVisible ? combine.Right() : buttonOpen.Right()) + 6;
    const std::int32_t top = buttonOpen.Top + 1;
    const std::int32_t labelWidth = 80;
    const std::int32_t space = std::max(120, panelDate.Left - labelWidth - 12 - left);
    l.FTDIDevice = {left, top, std::min(260, space), 23};
    l.Com = {left, top, 100, 23};
    l.Baud = {left + 106, top, 90, 23};
    l.VexoTime = {panelDate.Left - labelWidth - 6, buttonOpen.Top + 6, labelWidth, 13};
    return l;
}
