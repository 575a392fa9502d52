#pragma once
// Helpers shared by the login window's tests: finding windows and answering real message boxes.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

namespace logintest {

// Visible top-level windows (message boxes included), in no particular order.
inline std::vector<QWidget*> visibleWindows()
{
    std::vector<QWidget*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible())
            windows.push_back(widget);
    }
    return windows;
}

// Closes every window and lets the deferred deletions run, so each test starts with none.
inline void closeAllWindows()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        widget->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

// Once the next modal message box is up, runs act on it from inside its modal loop.
inline void onNextMessageBox(std::function<void(QMessageBox&)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act)] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(*box);
        }
    });
    timer->start();
}

}  // namespace logintest
