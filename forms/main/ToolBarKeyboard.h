#pragma once
// The toolbar from the keyboard, as on Windows and KDE: the bar is one stop in the window's tab
// order (the button last used), Left and Right move between its buttons and wrap, Home and End go
// to the first and last, Space or Enter presses the button, and Down or Alt+Down opens a drop-down
// button's menu with its first item chosen. Buttons take no focus from the mouse, so nothing shows
// a focus frame until the keyboard brings the focus to the bar.
#include <QObject>
#include <QVector>

class QKeyEvent;
class QToolButton;

namespace forms {

class ToolBarKeyboard : public QObject {
public:
    using QObject::QObject;

    // Adds the button after those added before; the first one is the bar's tab stop.
    void addButton(QToolButton* button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void makeTabStop(QToolButton* button);
    void moveFocus(QToolButton* button, int step);
    bool handleKey(QToolButton* button, const QKeyEvent& key);

    QVector<QToolButton*> buttons_;
};

}  // namespace forms
