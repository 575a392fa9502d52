#pragma once
// Helpers shared by the login window's tests: finding windows and answering real message boxes.
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

#include "forms/login/frmLogin.h"

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

// Once up() finds a widget of type Shown, runs act on it from inside the modal loop it runs.
template <typename Shown>
void onceUp(std::function<QWidget*()> up, std::function<void(Shown&)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, up = std::move(up), act = std::move(act)] {
        if (auto* shown = qobject_cast<Shown*>(up())) {
            timer->stop();
            timer->deleteLater();
            act(*shown);
        }
    });
    timer->start();
}

// Once the next modal message box is up, runs act on it from inside its modal loop.
inline void onNextMessageBox(std::function<void(QMessageBox&)> act)
{
    onceUp<QMessageBox>(&QApplication::activeModalWidget, std::move(act));
}

// A fresh login window for each test, closed with every other window afterwards.
class FreshLoginWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        closeAllWindows();
        window = forms::frmLogin::Show();
    }
    void TearDown() override { closeAllWindows(); }

    template <typename T>
    T* control(const char* name)
    {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QPointer<forms::frmLogin> window;
};

}  // namespace logintest
