// The owner-drawn menus and the status bar as painted by Qt: sizes and sample pixels.
#include <gtest/gtest.h>

#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTest>

#include "MenuStyle.h"
#include "StatusBarView.h"

namespace {

QColor Color(TColor c) {
    return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
}

TEST(OwnerDrawMenu, ItemsAreSizedByTheMeasureRule) {
    TOwnerDrawMenuStyle style;
    QMenu menu;
    menu.setStyle(&style);
    QAction* load = menu.addAction("&Load data from file  Ctrl+L");
    QAction* plain = menu.addAction("Format vexo database");
    menu.ensurePolished();
    const QFontMetrics fm(TOwnerDrawMenuStyle::MenuFont(&menu));
    const QRect r = menu.actionGeometry(load);
    EXPECT_EQ(r.height(), fm.height() + 8);
    // Wide enough for the caption, the tick's room and the shortcut.
    const int captionWidth = fm.horizontalAdvance("Load data from file  Ctrl+L");
    EXPECT_GE(r.width(), MenuMeasureItem(captionWidth, fm.height(), false).Width);
    EXPECT_EQ(menu.actionGeometry(plain).top(), r.bottom() + 1);
}

TEST(OwnerDrawMenu, PaintedItemShowsSelectionTickAndShortcut) {
    const QFont font = TOwnerDrawMenuStyle::MenuFont(nullptr);
    const QFontMetrics fm(font);
    const int h = fm.height() + 8;
    QImage image(240, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    TMenuItemState state;
    state.Selected = true;
    state.Checked = true;
    const TMenuItemPaint paint = MenuAdvancedDrawItem(
        {0, 0, 240, h}, "Auto connect  Ctrl+A", state, TOwnerDrawMenuStyle::Colors(QPalette()),
        [&](const std::string& s) { return fm.horizontalAdvance(QString::fromStdString(s)); });
    {
        QPainter painter(&image);
        PaintMenuItem(painter, paint, font);
    }
    // The selection's outline and filling.
    EXPECT_EQ(image.pixelColor(120, 0), Color(MenuSelectedPen));
    EXPECT_EQ(image.pixelColor(h + 2, h - 3), Color(MenuSelectedBrush));
    // The tick's three points, in the tick colour.
    for (const TPoint& p : paint.TickPoints)
        EXPECT_EQ(image.pixelColor(p.X, p.Y), Color(MenuTickColor)) << p.X;
    // The shortcut ends 5 pixels before the right edge: text pixels there, none after.
    bool inkNearEnd = false;
    for (int x = 240 - 12; x < 240 - 5; ++x)
        for (int y = 4; y < h - 4; ++y)
            if (image.pixelColor(x, y) != Color(MenuSelectedBrush)) inkNearEnd = true;
    EXPECT_TRUE(inkNearEnd);
    for (int x = 240 - 4; x < 239; ++x)
        for (int y = 2; y < h - 2; ++y) EXPECT_EQ(image.pixelColor(x, y), Color(MenuSelectedBrush));
}

TEST(OwnerDrawMenu, TheStyleDrawsCheckedActionsInAShownMenu) {
    TOwnerDrawMenuStyle style;
    QMenu menu;
    menu.setStyle(&style);
    QAction* autoConnect = menu.addAction("Auto connect");
    autoConnect->setCheckable(true);
    autoConnect->setChecked(true);
    menu.addAction("Disabled")->setEnabled(false);
    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    const QImage shot = menu.grab().toImage();
    const QRect r = menu.actionGeometry(autoConnect);
    const QFontMetrics fm(TOwnerDrawMenuStyle::MenuFont(&menu));
    const TMenuItemPaint paint = MenuAdvancedDrawItem(
        {r.x(), r.y(), r.width(), r.height()}, "Auto connect", TMenuItemState{false, false, true, false},
        TOwnerDrawMenuStyle::Colors(menu.palette()),
        [&](const std::string& s) { return fm.horizontalAdvance(QString::fromStdString(s)); });
    const qreal dpr = shot.devicePixelRatio();
    for (const TPoint& p : paint.TickPoints)
        EXPECT_EQ(shot.pixelColor(int(p.X * dpr), int(p.Y * dpr)), Color(MenuTickColor)) << p.X << "," << p.Y;
    menu.hide();
}

TEST(StatusBarView, PanelsProgressBarAndHeightFollowTheForm) {
    TStatusBarView view;
    view.resize(600, 20);
    TStatusBar bar;
    bar.Panels[0].Text = "Receiving data";
    TProgressBar progress;
    progress.Visible = true;
    progress.Max = 10;
    progress.Position = 4;
    view.Render(bar, progress, 1.5);
    view.show();
    EXPECT_EQ(view.height(), 30);
    EXPECT_EQ(view.font().pointSize(), 9);
    const TStatusBarPaint layout = view.Layout();
    const QFontMetrics fm(view.font());
    EXPECT_EQ(layout.Panels[0].Width, fm.horizontalAdvance("Receiving data") + 20);
    EXPECT_EQ(layout.Panels[1].Width, 102);
    EXPECT_EQ(view.ProgressBar()->geometry(), QRect(layout.ProgressBar.Left, layout.ProgressBar.Top,
                                                    layout.ProgressBar.Width, layout.ProgressBar.Height));
    EXPECT_TRUE(view.ProgressBar()->isVisible());
    EXPECT_EQ(view.ProgressBar()->value(), 4);
    EXPECT_EQ(view.ProgressBar()->maximum(), 10);

    // A shorter text moves the progress panel with it; a hidden progress bar stays hidden.
    bar.Panels[0].Text = "Ready";
    progress.Visible = false;
    view.Render(bar, progress, 1.0);
    EXPECT_EQ(view.height(), 20);
    EXPECT_FALSE(view.ProgressBar()->isVisible());
    EXPECT_EQ(view.Layout().Panels[1].Left, fm.horizontalAdvance("Ready") + 20 + 2);
    EXPECT_EQ(view.PanelTexts()[0], "Ready");
}

} // namespace
