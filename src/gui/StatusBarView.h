#pragma once
// The status bar: three owner-drawn panels (the status text, the progress bar,
// an empty one) copied from the form's StatusBar and ProgressBar.
#include <array>
#include <string>

#include <QProgressBar>
#include <QWidget>

#include "Controls.h"
#include "OwnerDraw.h"

class TStatusBarView final : public QWidget {
public:
    explicit TStatusBarView(QWidget* parent = nullptr);

    // Copies the state in; scaleFactor multiplies the bar's height.
    void Render(const TStatusBar& statusBar, const TProgressBar& progressBar, double scaleFactor);

    QProgressBar* ProgressBar() const { return fProgressBar; }
    const std::array<std::string, 3>& PanelTexts() const { return fTexts; }
    // The panels as last laid out.
    TStatusBarPaint Layout() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceProgressBar();

    QProgressBar* fProgressBar;
    std::array<std::string, 3> fTexts;
};
