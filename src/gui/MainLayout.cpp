#include "MainLayout.h"

#include "ProfileGeometry.h"

#include <algorithm>
#include <cmath>

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

TLineImagePlacement PlaceLineImage(std::uint8_t imagePosition, const TMainViewsLayout& full,
                                   std::int32_t windowHeight, double scaleFactor, std::int32_t labelSpace,
                                   std::int32_t minLabelHeight) {
    enum : std::uint8_t { Left = 0, Right = 1, Full = 2 };
    TLineImagePlacement p;
    p.Measurements = full.Measurements;
    p.Results = full.Results;
    const std::int32_t M = full.Measurements.Width, R = full.Results.Width;
    const std::int32_t H =
        std::max(0, windowHeight - static_cast<std::int32_t>(std::lround(136 * scaleFactor)) - 270);
    std::int32_t T = full.Results.Top + 6;
    std::int32_t Lx = 15;
    if (imagePosition == Left) {
        p.Measurements.Height = H;
        T += H;
    } else if (imagePosition == Right) {
        p.Results.Height = H;
        Lx = 15 + M;
        T += H;
    } else {
        p.Measurements.Height = H;
        p.Results.Height = H;
        T += H;
    }
    p.LabelLeft = Lx;
    p.MaxLabelTop = T;
    p.MinLabelTop = full.Measurements.Top + windowHeight -
                    static_cast<std::int32_t>(std::lround(140 * scaleFactor)) - minLabelHeight;
    const auto position = static_cast<EImagePos>(imagePosition);
    const std::int32_t width = LineImageStretchWidth(position, M, R, labelSpace);
    const std::int32_t x = LineImagePaintLeft(position, M, labelSpace);
    const std::int32_t y = full.Results.Top + std::min(p.Measurements.Height, p.Results.Height) + 6;
    p.Picture = {x, y, std::max(0, width), 260};
    return p;
}
