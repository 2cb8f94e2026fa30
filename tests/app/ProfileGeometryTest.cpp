// The line profile picture as data: sizes by position, the outline, the markers, and
// the profiles and lines it cannot draw.
#include <gtest/gtest.h>

#include "ProfileGeometry.h"

namespace {

tByteBuffer Ramp(std::size_t n) {
    tByteBuffer d(n);
    for (std::size_t i = 0; i < n; ++i) d[i] = static_cast<std::uint8_t>((i * 7) % 256);
    return d;
}

TMeasureResult Lines(std::initializer_list<std::pair<std::int16_t, std::uint8_t>> centreAndWidth) {
    TMeasureResult r;
    for (const auto& [c, w] : centreAndWidth) {
        r.Results.Line[r.LineCount].CenterPositionAbsolut = c;
        r.Results.Line[r.LineCount].Width = w;
        ++r.LineCount;
    }
    return r;
}

TEST(ProfileGeometry, PictureWidthsByPositionAndLabels) {
    // Without labels the picture starts 8 pixels from the window's edge and spans the views.
    struct {
        EImagePos Pos;
        std::int32_t Label, Image, Stretch, Left;
    } const cases[] = {
        {SFull, 0, 998, 1000, 8},  {SLeft, 0, 597, 599, 8},   {SRight, 0, 398, 400, 608},
        {SFull, 53, 945, 947, 61}, {SLeft, 53, 544, 546, 61}, {SRight, 53, 345, 347, 661},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.Pos));
        EXPECT_EQ(LineImageWidth(c.Pos, 600, 400, c.Label), c.Image);
        EXPECT_EQ(LineImageStretchWidth(c.Pos, 600, 400, c.Label), c.Stretch);
        EXPECT_EQ(LineImagePaintLeft(c.Pos, 600, c.Label), c.Left);
    }
    EXPECT_EQ(ProfileLabelSpace(40, 30, true), 53);
    EXPECT_EQ(ProfileLabelSpace(40, 30, false), 0);
}

TEST(ProfileGeometry, RoundingGoesToTheEvenInteger) {
    EXPECT_EQ(RoundEven(2.5f), 2);
    EXPECT_EQ(RoundEven(3.5f), 4);
    EXPECT_EQ(RoundEven(2.51f), 3);
    EXPECT_EQ(RoundEven(-0.5f), 0);
}

TEST(ProfileGeometry, OutlineOf120ValuesIn600Pixels) {
    const tByteBuffer d = Ramp(120);
    const TProfileGeometry g = ProfileGeometry(d, {}, 600);
    EXPECT_FLOAT_EQ(g.Scale, 599.0f / 119.0f);
    ASSERT_EQ(g.Outline.size(), 124u);
    EXPECT_EQ(g.Outline[0], (TProfilePoint{-1, 256 - d[0]}));
    EXPECT_EQ(g.Outline[1], (TProfilePoint{0, 256 - d[0]}));
    // Value 60 is the outline's point 61.
    EXPECT_EQ(g.Outline[61], (TProfilePoint{302, 256 - d[60]}));
    EXPECT_EQ(g.Outline[120], (TProfilePoint{599, 256 - d[119]}));
    EXPECT_EQ(g.Outline[121], (TProfilePoint{600, 256 - d[119]}));
    EXPECT_EQ(g.Outline[122], (TProfilePoint{600, 258}));
    EXPECT_EQ(g.Outline[123], (TProfilePoint{-1, 258}));
    EXPECT_TRUE(g.Markers.empty());
}

TEST(ProfileGeometry, MarkersLieOnTheProfileUnderTheBaseLine) {
    // A peak between two flat shoulders: odd and even widths.
    tByteBuffer d(120, 40);
    for (int i = 46; i <= 54; ++i) d[i] = 200;
    const TProfileGeometry g = ProfileGeometry(d, Lines({{50, 9}, {50, 8}}), 600);
    ASSERT_EQ(g.Markers.size(), 2u);
    const std::int32_t xA = RoundEven(45 * g.Scale);
    const std::int32_t pixels[] = {56, 55}; // b for width 9 and 8
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        const TLineMarker& m = g.Markers[k];
        const std::int32_t xB = RoundEven(pixels[k] * g.Scale);
        EXPECT_EQ(m.BaseFrom, (TProfilePoint{xA, 256 - d[45]}));
        EXPECT_EQ(m.BaseTo, (TProfilePoint{xB - 1, 256 - d[pixels[k]]}));
        EXPECT_EQ(m.LeftX, xA);
        EXPECT_EQ(m.RightX, xB - 1);
        // Outline points from xA to xB; the flat base line (y 216) cuts the peak (y 56) off below.
        ASSERT_EQ(m.Polygon.size(), static_cast<std::size_t>(pixels[k] - 45 + 1));
        EXPECT_EQ(m.Polygon.front().X, xA);
        EXPECT_EQ(m.Polygon.back().X, xB);
        for (const TProfilePoint& p : m.Polygon) EXPECT_EQ(p.Y, 216);
    }
}

TEST(ProfileGeometry, SlopedBaseLineRaisesPointsAboveIt) {
    tByteBuffer d(20);
    for (int i = 0; i < 20; ++i) d[i] = static_cast<std::uint8_t>(i * 10);
    const TProfileGeometry g = ProfileGeometry(d, Lines({{10, 2}}), 20);
    ASSERT_EQ(g.Markers.size(), 1u);
    // a = 8, b = 12, scale about 1: the straight ramp lies on its own base line.
    const TLineMarker& m = g.Markers[0];
    EXPECT_EQ(m.BaseFrom, (TProfilePoint{8, 176}));
    EXPECT_EQ(m.BaseTo, (TProfilePoint{11, 136}));
    ASSERT_EQ(m.Polygon.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(m.Polygon[i], (TProfilePoint{8 + int(i), 176 - 10 * int(i)}));
}

TEST(ProfileGeometry, WhatCannotBeDrawnIsLeftOut) {
    // Fewer than two values: no scale, no outline, no markers.
    for (std::size_t n : {0u, 1u}) {
        const TProfileGeometry g = ProfileGeometry(Ramp(n), Lines({{0, 1}}), 600);
        EXPECT_TRUE(g.Outline.empty());
        EXPECT_TRUE(g.Markers.empty());
        EXPECT_EQ(g.Width, 600);
    }
    // Pixels outside the profile on either side, and ends that meet in a narrow picture.
    EXPECT_TRUE(
        ProfileGeometry(Ramp(120), Lines({{2, 9}, {117, 9}, {-30, 4}, {500, 4}}), 600).Markers.empty());
    EXPECT_TRUE(ProfileGeometry(Ramp(120), Lines({{50, 9}}), 2).Markers.empty());
    // A line count past the stored lines is held to them.
    TMeasureResult many = Lines({{50, 9}});
    many.LineCount = 200;
    EXPECT_LE(ProfileGeometry(Ramp(120), many, 600).Markers.size(), static_cast<std::size_t>(MaxLineResults));
}

} // namespace
