#pragma once
// Owner-drawn menus: the menu bar's and the pop-up menus' items sized and painted
// by MenuMeasureItem and MenuAdvancedDrawItem; everything else as the base style.
#include <QProxyStyle>

#include "OwnerDraw.h"

class TOwnerDrawMenuStyle final : public QProxyStyle {
public:
    // Windows widens owner-drawn items by margins of its own (the check mark's room in
    // pop-ups, spacing in the menu bar); these stand for them.
    static constexpr int PopupSystemPadding = 15;
    static constexpr int MenuBarSystemPadding = 20;

    TOwnerDrawMenuStyle();

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;

    // The item's caption as the form gives it: a toolkit tab before a shortcut becomes the two blanks.
    static std::string CaptionOf(const QString& text);
    static QFont MenuFont(const QWidget* widget);
    static TMenuColors Colors(const QPalette& palette);
};

// Paints one item as the rules say; shared by the style and the screenshot helper.
void PaintMenuItem(QPainter& painter, const TMenuItemPaint& paint, const QFont& font);
