#include "StatusBarView.h"

#include <cmath>

#include <QPainter>

TStatusBarView::TStatusBarView(QWidget* parent) : QWidget(parent), fProgressBar(new QProgressBar(this)) {
    QFont f = font();
    f.setPointSize(9);
    setFont(f);
    setAutoFillBackground(true);
    fProgressBar->setTextVisible(false);
    fProgressBar->hide();
    setFixedHeight(20);
}

void TStatusBarView::Render(const TStatusBar& statusBar, const TProgressBar& progressBar,
                            double scaleFactor) {
    QFont f = font();
    if (f.pointSize() != statusBar.FontSize && statusBar.FontSize > 0) {
        f.setPointSize(statusBar.FontSize);
        setFont(f);
    }
    setFixedHeight(static_cast<int>(std::lround(statusBar.Height * scaleFactor)));
    for (std::size_t i = 0; i < fTexts.size(); ++i) fTexts[i] = statusBar.Panels[i].Text;
    fProgressBar->setRange(progressBar.Min, progressBar.Max);
    fProgressBar->setValue(progressBar.Position);
    fProgressBar->setVisible(progressBar.Visible);
    PlaceProgressBar();
    update();
}

TStatusBarPaint TStatusBarView::Layout() const {
    const QFontMetrics fm(font());
    std::array<std::int32_t, 3> widths{};
    for (std::size_t i = 0; i < widths.size(); ++i)
        widths[i] = fm.horizontalAdvance(QString::fromStdString(fTexts[i]));
    return StatusBarDrawPanel(widths, width(), height());
}

void TStatusBarView::PlaceProgressBar() {
    const TRect r = Layout().ProgressBar;
    fProgressBar->setGeometry(r.Left, r.Top, r.Width, r.Height);
}

void TStatusBarView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceProgressBar();
}

void TStatusBarView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const TStatusBarPaint layout = Layout();
    const QColor background = palette().color(QPalette::Window);
    const QColor edge = palette().color(QPalette::Mid);
    painter.setPen(edge);
    painter.drawLine(0, 0, width(), 0);
    for (std::size_t i = 0; i < layout.Panels.size(); ++i) {
        const TRect& r = layout.Panels[i];
        painter.fillRect(r.Left, r.Top, r.Width, r.Height, background);
        if (i + 1 < layout.Panels.size()) {
            painter.setPen(edge);
            painter.drawLine(r.Right(), r.Top + 1, r.Right(), r.Bottom() - 2);
        }
        if (i == 1) continue;
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(layout.TextAt[i].X, layout.TextAt[i].Y, r.Width, r.Height),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         QString::fromStdString(fTexts[i]));
    }
}
