#pragma once
// The window's owner-drawn parts as numbers: menu item sizes and paint, status
// bar panels, file dialog filters. No toolkit here; the Qt side only paints
// what these return, and tests check them as data.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "DialogLogic.h"

// Colours as 0x00RRGGBB.
using TColor = std::uint32_t;
inline constexpr TColor RGBColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return (TColor(r) << 16) | (TColor(g) << 8) | TColor(b);
}

struct TPoint {
    std::int32_t X = 0, Y = 0;
    bool operator==(const TPoint&) const = default;
};

// ------------------------------------------------------------------ menus

struct TMenuItemSize {
    std::int32_t Width = 0, Height = 0;
    bool operator==(const TMenuItemSize&) const = default;
};
// captionWidth: the caption's text width at font size 8; ggHeight: text height of "Gg".
TMenuItemSize MenuMeasureItem(std::int32_t captionWidth, std::int32_t ggHeight, bool menuBarItem);

struct TMenuItemState {
    bool Selected = false;
    bool Disabled = false;
    bool Checked = false;
    bool MenuBarItem = false;
};

// The system's menu colours.
struct TMenuColors {
    TColor Menu = RGBColor(240, 240, 240);
    TColor MenuText = RGBColor(0, 0, 0);
};

inline constexpr TColor MenuSelectedPen = RGBColor(176, 202, 255);
inline constexpr TColor MenuSelectedBrush = RGBColor(228, 234, 243);
inline constexpr TColor MenuDisabledText = RGBColor(160, 160, 160);
inline constexpr TColor MenuDisabledSelectedPen = RGBColor(208, 208, 208);
inline constexpr TColor MenuDisabledSelectedBrush = RGBColor(236, 236, 236);
inline constexpr TColor MenuTickColor = RGBColor(0, 0, 240);

struct TMenuItemPaint {
    // The background: a rounded rectangle with corner size Corner x Corner.
    TRect Background;
    std::int32_t Corner = 3;
    TColor Brush = 0, Pen = 0;
    std::int32_t PenWidth = 0;
    TColor TextColor = 0;
    // The caption without accelerator marks, up to the two blanks.
    std::string Caption;
    TPoint CaptionAt;
    // What followed the two blanks (a shortcut), right-aligned; empty when none.
    std::string ShortCut;
    TPoint ShortCutAt;
    // Ticked items: the box and the tick's polyline.
    bool Tick = false;
    TRect TickBox;
    TColor TickBoxBrush = 0, TickBoxPen = 0;
    std::array<TPoint, 3> TickPoints{};
    TColor TickColor = 0;
};

// The caption as shown: "&&" is a literal "&", any other "&" marks the accelerator and goes.
std::string StripAccelerator(const std::string& caption);

// item: the item's rectangle; textWidth measures a text at font size 8.
TMenuItemPaint MenuAdvancedDrawItem(const TRect& item, const std::string& caption,
                                    const TMenuItemState& state, const TMenuColors& colors,
                                    const std::function<std::int32_t(const std::string&)>& textWidth);

// ------------------------------------------------------------------ status bar

struct TStatusBarPaint {
    // Panel rectangles, left to right; the last one reaches the bar's right edge.
    std::array<TRect, 3> Panels;
    // Where each panel's text starts: the left and top inside the panel's border.
    std::array<TPoint, 3> TextAt;
    // The progress bar inside panel 1, inset by one pixel on every side.
    TRect ProgressBar;
};
inline constexpr std::int32_t StatusBarProgressPanelWidth = 102;
// Panels 0 and 2 are as wide as their text plus 20, panel 1 holds the progress bar.
TStatusBarPaint StatusBarDrawPanel(const std::array<std::int32_t, 3>& textWidths, std::int32_t barWidth,
                                   std::int32_t barHeight);

// ------------------------------------------------------------------ file dialogs

// "Text|*.tsv|All|*.*" as name filters for the toolkit: "Text (*.tsv)", "All (*.*)";
// several patterns ("*.a;*.b") become "(*.a *.b)". A trailing description without a
// pattern is dropped.
std::vector<std::string> FileDialogNameFilters(const std::string& filter);
