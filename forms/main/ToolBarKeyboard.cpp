#include "forms/main/ToolBarKeyboard.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QToolButton>

namespace forms {

namespace {
QMenu* dropDownMenu(const QToolButton& button)
{
    if (button.menu())
        return button.menu();
    return button.defaultAction() ? button.defaultAction()->menu() : nullptr;
}
}  // namespace

void ToolBarKeyboard::addButton(QToolButton* button)
{
    button->setFocusPolicy(buttons_.isEmpty() ? Qt::TabFocus : Qt::NoFocus);
    button->installEventFilter(this);
    buttons_.append(button);
}

bool ToolBarKeyboard::eventFilter(QObject* watched, QEvent* event)
{
    auto* button = qobject_cast<QToolButton*>(watched);
    if (!button || !buttons_.contains(button))
        return false;
    if (event->type() == QEvent::FocusIn)
        makeTabStop(button);
    else if (event->type() == QEvent::KeyPress)
        return handleKey(button, static_cast<const QKeyEvent&>(*event));
    return false;
}

void ToolBarKeyboard::makeTabStop(QToolButton* button)
{
    for (QToolButton* each : buttons_)
        each->setFocusPolicy(each == button ? Qt::TabFocus : Qt::NoFocus);
}

void ToolBarKeyboard::moveFocus(QToolButton* button, int step)
{
    const qsizetype count = buttons_.size();
    QToolButton* next = buttons_[(buttons_.indexOf(button) + step % count + count) % count];
    makeTabStop(next);
    next->setFocus(Qt::TabFocusReason);
}

bool ToolBarKeyboard::handleKey(QToolButton* button, const QKeyEvent& key)
{
    // Arrow keys may come with the keypad flag; it changes nothing here.
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    const bool reversed = button->layoutDirection() == Qt::RightToLeft;
    if (modifiers == Qt::NoModifier) {
        switch (key.key()) {
        case Qt::Key_Left: moveFocus(button, reversed ? 1 : -1); return true;
        case Qt::Key_Right: moveFocus(button, reversed ? -1 : 1); return true;
        case Qt::Key_Home: moveFocus(buttons_.first(), 0); return true;
        case Qt::Key_End: moveFocus(buttons_.last(), 0); return true;
        case Qt::Key_Return:
        case Qt::Key_Enter: button->click(); return true;
        default: break;
        }
    }
    const bool down = key.key() == Qt::Key_Down && (modifiers == Qt::NoModifier || modifiers == Qt::AltModifier);
    if (QMenu* menu = dropDownMenu(*button); menu && down) {
        // Opened from the keyboard, the menu starts on its first item, so Enter chooses it.
        if (!menu->actions().isEmpty())
            menu->setActiveAction(menu->actions().first());
        button->showMenu();
        return true;
    }
    // Up and Down stay on the bar instead of moving through the window.
    return down || (key.key() == Qt::Key_Up && modifiers == Qt::NoModifier);
}

}  // namespace forms
