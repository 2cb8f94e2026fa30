// The line profile picture's numbers.
#include "ProfileGeometry.h"

#include <algorithm>
#include <cmath>

std::int32_t ProfileLabelSpace(std::int32_t maxLabelWidth, std::int32_t minLabelWidth, bool anyCaption) {
    return anyCaption ? std::max(maxLabelWidth, minLabelWidth) + 13 : 0;
}

std::int32_t LineImageWidth(EImagePos position, std::int32_t M, std::int32_t R, std::int32_t labelSpace) {
    std::int32_t w = M + R - 2 - labelSpace;
    if (position == SLeft) w -= R + 1;
    if (position == SRight) w -= M;
    return w;
}

std::int32_t LineImageStretchWidth(EImagePos position, std::int32_t M, std::int32_t R,
                                   std::int32_t labelSpace) {
    std::int32_t w = M + R - labelSpace;
    if (position == SLeft) w -= R + 1;
    if (position == SRight) w -= M;
    return w;
}

std::int32_t LineImagePaintLeft(EImagePos position, std::int32_t M, std::int32_t labelSpace) {
    return labelSpace + 8 + (position == SRight ? M : 0);
}

std::int32_t RoundEven(float x) {
    // nearbyint rounds in the current mode, which is to nearest with ties to even.
    return static_cast<std::int32_t>(std::nearbyint(x));
}

TProfileGeometry ProfileGeometry(const tByteBuffer& imageData, const TMeasureResult& lines,
                                 std::int32_t width) {
    TProfileGeometry g;
    g.Width = width;
    const std::size_t n = imageData.size();
    // One value has no horizontal scale.
    if (n < 2 || width < 1) return g;
    const float f = static_cast<float>(width - 1) / static_cast<float>(n - 1);
    g.Scale = f;
    auto y = [&](std::size_t i) { return 256 - static_cast<std::int32_t>(imageData[i]); };
    auto x = [&](std::int32_t i) { return RoundEven(static_cast<float>(i) * f); };

    std::vector<TProfilePoint>& o = g.Outline;
    o.push_back({-1, y(0)});
    o.push_back({0, y(0)});
    for (std::size_t i = 1; i + 1 < n; ++i) o.push_back({x(static_cast<std::int32_t>(i)), y(i)});
    o.push_back({width - 1, y(n - 1)});
    o.push_back({width, y(n - 1)});
    o.push_back({width, LineImageHeight});
    o.push_back({-1, LineImageHeight});

    const int count = std::min<int>(lines.LineCount, MaxLineResults);
    for (int k = 0; k < count; ++k) {
        const TLineResult& line = lines.Results.Line[static_cast<std::size_t>(k)];
        const std::int32_t c = line.CenterPositionAbsolut;
        const std::int32_t w = line.Width;
        const std::int32_t a = c - w / 2 - 1;
        const std::int32_t b = c + w / 2 + (w % 2) + 1;
        if (a < 0 || b < 0 || a >= static_cast<std::int32_t>(n) || b >= static_cast<std::int32_t>(n))
            continue;
        const std::int32_t yA = y(static_cast<std::size_t>(a)), yB = y(static_cast<std::size_t>(b));
        const std::int32_t xA = x(a), xB = x(b);
        if (xA == xB) continue;
        std::size_t j = 0;
        while (j < o.size() && o[j].X != xA) ++j;
        std::size_t m = j;
        while (m < o.size() && o[m].X != xB) ++m;
        if (m >= o.size()) continue;
        TLineMarker marker;
        const float slope = static_cast<float>(yB - yA) / static_cast<float>(xB - xA);
        for (std::size_t i = j; i <= m; ++i) {
            const std::int32_t base =
                RoundEven(static_cast<float>(o[i].X - xA) * slope + static_cast<float>(yA));
            marker.Polygon.push_back({o[i].X, std::max(o[i].Y, base)});
        }
        marker.BaseFrom = {xA, yA};
        marker.BaseTo = {xB - 1, yB};
        marker.LeftX = xA;
        marker.RightX = xB - 1;
        g.Markers.push_back(std::move(marker));
    }
    return g;
}
