#pragma once
// Shared by the GUI tests: run something once a modal window or a pop-up menu is up.
#include <functional>
#include <memory>

#include <QApplication>
#include <QTimer>
#include <QWidget>

// Polls (in the running event loop) until find() gives a window, then hands it to act.
// Gives up after ten seconds; the caller may delete the returned timer to give up sooner.
inline QTimer* WhenShown(std::function<QWidget*()> find, std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    auto polls = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, find, act, polls] {
        if (QWidget* shown = find()) {
            poll->stop();
            poll->deleteLater();
            act(shown);
        } else if (++*polls > 2000) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start();
    return poll;
}

inline QTimer* WhenModal(std::function<void(QWidget*)> act) {
    return WhenShown([] { return QApplication::activeModalWidget(); }, std::move(act));
}

inline QTimer* WhenPopup(std::function<void(QWidget*)> act) {
    return WhenShown([] { return QApplication::activePopupWidget(); }, std::move(act));
}
