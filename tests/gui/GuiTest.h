#pragma once
// Shared by the GUI tests: run something once a modal window is up.
#include <functional>

#include <QApplication>
#include <QTimer>
#include <QWidget>

// Polls (in the running event loop) until a modal window is active, then hands it to act.
inline void WhenModal(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            act(modal);
        }
    });
    poll->start();
}
