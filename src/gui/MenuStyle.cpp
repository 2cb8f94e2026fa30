#include "MenuStyle.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

namespace {

QColor ToQColor(TColor c) {
    return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
}

TColor FromQColor(const QColor& c) {
    return RGBColor(static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                    static_cast<std::uint8_t>(c.blue()));
}

void RoundBox(QPainter& painter, const TRect& r, TColor brush, TColor pen, int penWidth, int corner) {
    QPen p(ToQColor(pen));
    p.setWidth(penWidth);
    painter.setPen(p);
    painter.setBrush(ToQColor(brush));
    // Like the system's rounded rectangle: right and bottom edges are outside.
    const QRectF box(r.Left + 0.5, r.Top + 0.5, r.Width - 1, r.Height - 1);
    painter.drawRoundedRect(box, corner / 2.0, corner / 2.0);
}

} // namespace

TOwnerDrawMenuStyle::TOwnerDrawMenuStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}

QFont TOwnerDrawMenuStyle::MenuFont(const QWidget* widget) {
    QFont font = widget ? widget->font() : QFont();
    font.setPointSize(8);
    return font;
}

TMenuColors TOwnerDrawMenuStyle::Colors(const QPalette& palette) {
    TMenuColors colors;
    colors.Menu = FromQColor(palette.color(QPalette::Window));
    colors.MenuText = FromQColor(palette.color(QPalette::WindowText));
    return colors;
}

std::string TOwnerDrawMenuStyle::CaptionOf(const QString& text) {
    QString caption = text;
    caption.replace('\t', "  ");
    return caption.toStdString();
}

void PaintMenuItem(QPainter& painter, const TMenuItemPaint& paint, const QFont& font) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(font);
    RoundBox(painter, paint.Background, paint.Brush, paint.Pen, paint.PenWidth, paint.Corner);
    painter.setPen(ToQColor(paint.TextColor));
    const QFontMetrics fm(font);
    auto text = [&](const TPoint& at, const std::string& s) {
        painter.drawText(QRect(at.X, at.Y, fm.horizontalAdvance(QString::fromStdString(s)) + 2, fm.height()),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QString::fromStdString(s));
    };
    if (!paint.ShortCut.empty()) text(paint.ShortCutAt, paint.ShortCut);
    text(paint.CaptionAt, paint.Caption);
    if (paint.Tick) {
        RoundBox(painter, paint.TickBox, paint.TickBoxBrush, paint.TickBoxPen, 1, paint.Corner);
        QPen pen(ToQColor(paint.TickColor));
        pen.setWidth(1);
        painter.setPen(pen);
        const QPoint points[3] = {{paint.TickPoints[0].X, paint.TickPoints[0].Y},
                                  {paint.TickPoints[1].X, paint.TickPoints[1].Y},
                                  {paint.TickPoints[2].X, paint.TickPoints[2].Y}};
        painter.drawPolyline(points, 3);
    }
    painter.restore();
}

QSize TOwnerDrawMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                            const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (item && (type == CT_MenuItem || type == CT_MenuBarItem) &&
        item->menuItemType != QStyleOptionMenuItem::Separator) {
        const bool bar = type == CT_MenuBarItem;
        const QFontMetrics fm(MenuFont(widget));
        const QString shown = QString::fromStdString(StripAccelerator(CaptionOf(item->text)));
        const TMenuItemSize s = MenuMeasureItem(fm.horizontalAdvance(shown), fm.height(), bar);
        return QSize(s.Width + (bar ? MenuBarSystemPadding : PopupSystemPadding), s.Height);
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

void TOwnerDrawMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                      const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (item && (element == CE_MenuItem || element == CE_MenuBarItem) &&
        item->menuItemType != QStyleOptionMenuItem::Separator &&
        item->menuItemType != QStyleOptionMenuItem::EmptyArea) {
        const bool bar = element == CE_MenuBarItem;
        TMenuItemState state;
        state.MenuBarItem = bar;
        state.Disabled = !(item->state & State_Enabled);
        state.Selected = bool(item->state & State_Selected);
        state.Checked = item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked;
        const QRect r = item->rect;
        const QFont font = MenuFont(widget);
        const QFontMetrics fm(font);
        const TMenuItemPaint paint = MenuAdvancedDrawItem(
            TRect{r.x(), r.y(), r.width(), r.height()}, CaptionOf(item->text), state, Colors(item->palette),
            [&fm](const std::string& s) { return fm.horizontalAdvance(QString::fromStdString(s)); });
        PaintMenuItem(*painter, paint, font);
        if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
            // The sub-menu arrow, as the system adds it.
            QStyleOption arrow(*item);
            arrow.rect = QRect(r.right() - r.height() + 4, r.top(), r.height() - 6, r.height());
            proxy()->drawPrimitive(PE_IndicatorArrowRight, &arrow, painter, widget);
        }
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

int TOwnerDrawMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                     const QWidget* widget) const {
    switch (metric) {
    case PM_MenuHMargin:
    case PM_MenuVMargin:
    case PM_MenuBarItemSpacing:
    case PM_MenuBarHMargin:
    case PM_MenuBarVMargin: return 0;
    case PM_MenuPanelWidth: return 1;
    default: return QProxyStyle::pixelMetric(metric, option, widget);
    }
}
