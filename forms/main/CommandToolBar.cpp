#include "forms/main/CommandToolBar.h"

#include <QEvent>
#include <QMenu>
#include <QToolButton>

#include "forms/main/ToolBarKeyboard.h"
#include "runtime/Twips.h"

namespace forms {

namespace {
constexpr int ButtonWidthTwips = 465;
constexpr int ButtonHeightTwips = 540;
constexpr int PictureSize = 16;
constexpr const char* NoToolTip = "noToolTip";
}  // namespace

CommandToolBar::CommandToolBar(QWidget* parent) : QToolBar(parent), keyboard_(new ToolBarKeyboard(this))
{
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(PictureSize, PictureSize));
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setContextMenuPolicy(Qt::PreventContextMenu);
    // 36-pixel buttons in a 38-pixel bar leave no room for the style's margins.
    setStyleSheet(QStringLiteral("QToolBar { padding: 1px; spacing: 2px; border: none; }"));
}

QAction* CommandToolBar::addButton(const QString& key, const QString& caption, const QString& toolTip,
                                   const QIcon& icon)
{
    QAction* action = addKeyedAction(key, caption, toolTip, icon);
    placeButton(action);
    widgetForAction(action)->setFixedSize(runtime::twipsToPixels(ButtonWidthTwips),
                                          runtime::twipsToPixels(ButtonHeightTwips));
    return action;
}

QAction* CommandToolBar::addDropDownButton(const QString& key, const QString& caption, const QString& toolTip,
                                           const QIcon& icon, std::initializer_list<MenuItem> items)
{
    QAction* action = addKeyedAction(key, caption, toolTip, icon);
    auto* menu = new QMenu(this);
    for (const MenuItem& item : items) {
        QAction* entry = menu->addAction(item.text);
        entry->setObjectName(item.key);
        connect(entry, &QAction::triggered, this, [this, key = item.key] { emit ButtonMenuClick(key); });
    }
    action->setMenu(menu);
    placeButton(action);
    auto* button = qobject_cast<QToolButton*>(widgetForAction(action));
    button->setPopupMode(QToolButton::MenuButtonPopup);
    // The arrow comes on top of the face's width.
    button->setFixedHeight(runtime::twipsToPixels(ButtonHeightTwips));
    button->setMinimumWidth(runtime::twipsToPixels(ButtonWidthTwips));
    return action;
}

QAction* CommandToolBar::addKeyedAction(const QString& key, const QString& caption, const QString& toolTip,
                                        const QIcon& icon)
{
    auto* action = new QAction(icon, caption, this);
    action->setObjectName(key);
    action->setProperty(NoToolTip, toolTip.isEmpty());
    action->setToolTip(toolTip);
    connect(action, &QAction::triggered, this, [this, key] { emit ButtonClick(key); });
    return action;
}

void CommandToolBar::placeButton(QAction* action)
{
    addAction(action);
    auto* button = qobject_cast<QToolButton*>(widgetForAction(action));
    keyboard_->addButton(button);
    // A QAction falls back to its caption as tool tip; a button without a tip of its own shows none.
    if (action->property(NoToolTip).toBool())
        button->installEventFilter(this);
}

bool CommandToolBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip)
        return true;
    return QToolBar::eventFilter(watched, event);
}

}  // namespace forms
