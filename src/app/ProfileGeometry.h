#pragma once
// The line profile picture as data: what to draw, in picture coordinates (x to the
// right, y down, 258 rows). The desktop program only paints it.
#include <cstdint>
#include <vector>

#include "MainTypes.h"
#include "TestResults.h"

struct TProfilePoint {
    std::int32_t X = 0, Y = 0;
    bool operator==(const TProfilePoint&) const = default;
};

struct TProfileColor {
    std::uint8_t R = 0, G = 0, B = 0;
    bool operator==(const TProfileColor&) const = default;
};

inline constexpr TProfileColor ProfileOutlineColor{255, 0, 0};
inline constexpr TProfileColor ProfileFillColor{128, 128, 128};
inline constexpr TProfileColor MarkerFillColor{0, 0, 255};
inline constexpr TProfileColor MarkerLineColor{255, 255, 0};
inline constexpr std::int32_t LineImageHeight = 258;

// One line the reader found: the part of the profile under its base line, and three
// yellow lines (the base line and the two verticals from y 0 to 258).
struct TLineMarker {
    std::vector<TProfilePoint> Polygon;
    TProfilePoint BaseFrom, BaseTo;
    std::int32_t LeftX = 0, RightX = 0;
};

struct TProfileGeometry {
    std::int32_t Width = 0;
    std::int32_t Height = LineImageHeight;
    float Scale = 0.0f;
    // Empty when the profile has fewer than two values: only the black picture is drawn.
    std::vector<TProfilePoint> Outline;
    std::vector<TLineMarker> Markers;
};

// The larger label width plus 13 when a label shows text, else 0.
std::int32_t ProfileLabelSpace(std::int32_t maxLabelWidth, std::int32_t minLabelWidth, bool anyCaption);
// Width of the drawn profile for the views' widths M and R.
std::int32_t LineImageWidth(EImagePos position, std::int32_t M, std::int32_t R, std::int32_t labelSpace);
// Width of the framed picture painted on the window (two pixels wider).
std::int32_t LineImageStretchWidth(EImagePos position, std::int32_t M, std::int32_t R,
                                   std::int32_t labelSpace);
// Left edge of the framed picture on the window.
std::int32_t LineImagePaintLeft(EImagePos position, std::int32_t M, std::int32_t labelSpace);
// The integer nearest to x, ties to the even one.
std::int32_t RoundEven(float x);
// The picture of an entry's scaled profile and line markers, width pixels wide. Markers
// whose pixels fall outside the profile or whose ends meet are left out.
TProfileGeometry ProfileGeometry(const tByteBuffer& imageData, const TMeasureResult& lines,
                                 std::int32_t width);
