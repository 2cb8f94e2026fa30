#include "OwnerDraw.h"

#include <gtest/gtest.h>

namespace {

// Six pixels a character, so widths are easy to follow.
std::int32_t SixPerChar(const std::string& s) {
    return static_cast<std::int32_t>(s.size()) * 6;
}

TEST(MenuMeasure, PopupItemsGetRoomForTheTick) {
    EXPECT_EQ(MenuMeasureItem(50, 13, false), (TMenuItemSize{75, 21}));
    EXPECT_EQ(MenuMeasureItem(50, 13, true), (TMenuItemSize{50, 21}));
}

TEST(MenuDraw, ColoursOfEveryState) {
    const TMenuColors system{RGBColor(240, 240, 240), RGBColor(1, 2, 3)};
    struct {
        bool selected, disabled;
        TColor brush, pen, text;
        std::int32_t penWidth;
    } cases[] = {
        {false, false, system.Menu, system.Menu, system.MenuText, 0},
        {true, false, RGBColor(228, 234, 243), RGBColor(176, 202, 255), system.MenuText, 1},
        {false, true, system.Menu, system.Menu, RGBColor(160, 160, 160), 0},
        {true, true, RGBColor(236, 236, 236), RGBColor(208, 208, 208), RGBColor(160, 160, 160), 1},
    };
    for (const auto& tc : cases) {
        TMenuItemState state;
        state.Selected = tc.selected;
        state.Disabled = tc.disabled;
        const TMenuItemPaint p = MenuAdvancedDrawItem({0, 0, 200, 21}, "Item", state, system, SixPerChar);
        EXPECT_EQ(p.Brush, tc.brush) << tc.selected << tc.disabled;
        EXPECT_EQ(p.Pen, tc.pen) << tc.selected << tc.disabled;
        EXPECT_EQ(p.TextColor, tc.text) << tc.selected << tc.disabled;
        EXPECT_EQ(p.PenWidth, tc.penWidth) << tc.selected << tc.disabled;
        EXPECT_EQ(p.Corner, 3);
        EXPECT_FALSE(p.Tick);
    }
}

TEST(MenuDraw, CaptionAndShortCutPlaces) {
    TMenuItemState popup;
    TMenuItemPaint p = MenuAdvancedDrawItem({5, 21, 200, 21}, "&Save data  Ctrl+S", popup, {}, SixPerChar);
    EXPECT_EQ(p.Caption, "Save data");
    EXPECT_EQ(p.CaptionAt, (TPoint{5 + 21 + 4, 25}));
    EXPECT_EQ(p.ShortCut, "Ctrl+S");
    EXPECT_EQ(p.ShortCutAt, (TPoint{205 - 36 - 5, 25}));

    TMenuItemState bar;
    bar.MenuBarItem = true;
    p = MenuAdvancedDrawItem({40, 0, 60, 21}, "Se&tup", bar, {}, SixPerChar);
    EXPECT_EQ(p.Caption, "Setup");
    EXPECT_EQ(p.CaptionAt, (TPoint{50, 4}));
    EXPECT_TRUE(p.ShortCut.empty());

    // Only the first two blanks split; a single blank is part of the caption.
    p = MenuAdvancedDrawItem({0, 0, 100, 21}, "A b  C  D", popup, {}, SixPerChar);
    EXPECT_EQ(p.Caption, "A b");
    EXPECT_EQ(p.ShortCut, "C  D");
}

TEST(MenuDraw, AcceleratorMarks) {
    EXPECT_EQ(StripAccelerator("&File"), "File");
    EXPECT_EQ(StripAccelerator("Save && &load"), "Save & load");
    EXPECT_EQ(StripAccelerator("trailing&"), "trailing");
}

TEST(MenuDraw, TickBoxAndTickPoints) {
    TMenuItemState state;
    state.Checked = true;
    TMenuItemPaint p = MenuAdvancedDrawItem({0, 21, 200, 21}, "Auto connect", state, {}, SixPerChar);
    ASSERT_TRUE(p.Tick);
    EXPECT_EQ(p.TickBox, (TRect{3, 24, 15, 15}));
    EXPECT_EQ(p.TickBoxPen, RGBColor(176, 202, 255));
    EXPECT_EQ(p.TickBoxBrush, RGBColor(228, 234, 243));
    EXPECT_EQ(p.TickColor, RGBColor(0, 0, 240));
    // h = 21: (h/3, Bottom - h/2), (12h/25, Bottom - 2(h/7)), (2h/3, Top + 2(h/7)).
    EXPECT_EQ(p.TickPoints[0], (TPoint{7, 32}));
    EXPECT_EQ(p.TickPoints[1], (TPoint{10, 36}));
    EXPECT_EQ(p.TickPoints[2], (TPoint{14, 27}));

    state.Disabled = true;
    p = MenuAdvancedDrawItem({0, 21, 200, 21}, "Auto connect", state, {}, SixPerChar);
    EXPECT_EQ(p.TickBoxPen, RGBColor(208, 208, 208));
    EXPECT_EQ(p.TickBoxBrush, RGBColor(236, 236, 236));
    EXPECT_EQ(p.TickColor, RGBColor(160, 160, 160));
}

TEST(StatusBarPanels, TextPanelsFollowTheirTextProgressPanelIsFixed) {
    const TStatusBarPaint p = StatusBarDrawPanel({50, 0, 0}, 400, 20);
    EXPECT_EQ(p.Panels[0], (TRect{0, 2, 70, 18}));
    EXPECT_EQ(p.Panels[1], (TRect{72, 2, 102, 18}));
    EXPECT_EQ(p.ProgressBar, (TRect{73, 3, 100, 16}));
    // The last panel reaches the right edge.
    EXPECT_EQ(p.Panels[2], (TRect{176, 2, 224, 18}));
    EXPECT_EQ(p.TextAt[0], (TPoint{2, 3}));

    // A bar narrower than its panels: the last panel keeps its own width.
    const TStatusBarPaint narrow = StatusBarDrawPanel({300, 0, 10}, 200, 20);
    EXPECT_EQ(narrow.Panels[2].Width, 30);
}

TEST(FileDialogFilters, FromTheProgramsFilterText) {
    struct {
        const char* filter;
        std::vector<std::string> expected;
    } cases[] = {
        {"Tab-separated values|*.tsv", {"Tab-separated values (*.tsv)"}},
        {"Binary file|*.bin|All files|*.*", {"Binary file (*.bin)", "All files (*.*)"}},
        {"Pictures|*.png; *.jpg", {"Pictures (*.png *.jpg)"}},
        {"|*.x", {"*.x"}},
        {"", {}},
        {"Only a name", {}},
        {"Empty pattern||Next|*.n", {"Next (*.n)"}},
    };
    for (const auto& tc : cases) EXPECT_EQ(FileDialogNameFilters(tc.filter), tc.expected) << tc.filter;
}

} // namespace
