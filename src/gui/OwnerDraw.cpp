#include "OwnerDraw.h"

#include <algorithm>

TMenuItemSize MenuMeasureItem(std::int32_t captionWidth, std::int32_t ggHeight, bool menuBarItem) {
    return {captionWidth + (menuBarItem ? 0 : 25), ggHeight + 8};
}

std::string StripAccelerator(const std::string& caption) {
    std::string shown;
    shown.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                shown += '&';
                ++i;
            }
            continue;
        }
        shown += caption[i];
    }
    return shown;
}

TMenuItemPaint MenuAdvancedDrawItem(const TRect& item, const std::string& caption,
                                    const TMenuItemState& state, const TMenuColors& colors,
                                    const std::function<std::int32_t(const std::string&)>& textWidth) {
    TMenuItemPaint p;
    const std::int32_t left = item.Left, top = item.Top, right = item.Right(), bottom = item.Bottom();
    const std::int32_t h = item.Height;

    p.Background = item;
    p.Brush = colors.Menu;
    p.Pen = colors.Menu;
    p.PenWidth = 0;
    p.TextColor = colors.MenuText;
    if (state.Selected) {
        p.PenWidth = 1;
        p.Pen = MenuSelectedPen;
        p.Brush = MenuSelectedBrush;
    }
    if (state.Disabled) {
        p.TextColor = MenuDisabledText;
        if (state.Selected) {
            p.Pen = MenuDisabledSelectedPen;
            p.Brush = MenuDisabledSelectedBrush;
        }
    }

    p.Caption = StripAccelerator(caption);
    const std::size_t blanks = p.Caption.find("  ");
    if (blanks != std::string::npos) {
        p.ShortCut = p.Caption.substr(blanks + 2);
        p.Caption.resize(blanks);
        p.ShortCutAt = {right - textWidth(p.ShortCut) - 5, top + 4};
    }
    p.CaptionAt = {state.MenuBarItem ? left + 10 : left + h + 4, top + 4};

    if (state.Checked) {
        p.Tick = true;
        p.TickBox = {left + 3, top + 3, (left + h - 3) - (left + 3), (bottom - 3) - (top + 3)};
        p.TickBoxPen = state.Disabled ? MenuDisabledSelectedPen : MenuSelectedPen;
        p.TickBoxBrush = state.Disabled ? MenuDisabledSelectedBrush : MenuSelectedBrush;
        p.TickColor = state.Disabled ? MenuDisabledText : MenuTickColor;
        // Counted from the item's left edge so the tick stays in its box wherever the item sits.
        p.TickPoints = {TPoint{left + h / 3, bottom - h / 2},
                        TPoint{left + 12 * h / 25, bottom - 2 * (h / 7)},
                        TPoint{left + 2 * h / 3, top + 2 * (h / 7)}};
    }
    return p;
}

TStatusBarPaint StatusBarDrawPanel(const std::array<std::int32_t, 3>& textWidths, std::int32_t barWidth,
                                   std::int32_t barHeight) {
    TStatusBarPaint p;
    const std::int32_t top = 2, height = barHeight > top ? barHeight - top : 0;
    const std::int32_t gap = 2;
    std::int32_t x = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        std::int32_t width = i == 1 ? StatusBarProgressPanelWidth : textWidths[i] + 20;
        if (i == 2) width = std::max(width, barWidth - x);
        p.Panels[i] = {x, top, width, height};
        // The system hands the panel's drawing the rectangle inside its border.
        p.TextAt[i] = {x + 2, top + 1};
        x += width + gap;
    }
    const TRect& bar = p.Panels[1];
    p.ProgressBar = {bar.Left + 1, bar.Top + 1, std::max(0, bar.Width - 2), std::max(0, bar.Height - 2)};
    return p;
}

namespace {

std::vector<std::string> SplitAt(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == separator) {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

std::vector<std::string> FileDialogNameFilters(const std::string& filter) {
    std::vector<std::string> filters;
    if (filter.empty()) return filters;
    const std::vector<std::string> parts = SplitAt(filter, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string patterns;
        for (const std::string& pattern : SplitAt(parts[i + 1], ';')) {
            const std::string p = Trimmed(pattern);
            if (p.empty()) continue;
            if (!patterns.empty()) patterns += ' ';
            patterns += p;
        }
        if (patterns.empty()) continue;
        const std::string name = Trimmed(parts[i]);
        filters.push_back(name.empty() ? patterns : name + " (" + patterns + ")");
    }
    return filters;
}
