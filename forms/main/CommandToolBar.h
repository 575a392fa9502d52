#pragma once
// A toolbar whose buttons and menu items are identified by key strings (their actions' object
// names). A click on a button's face raises ButtonClick(key); a menu item raises
// ButtonMenuClick(key). The keyboard reaches every button (ToolBarKeyboard).
#include <QToolBar>
#include <initializer_list>

namespace forms {

class ToolBarKeyboard;

class CommandToolBar : public QToolBar {
    Q_OBJECT
public:
    struct MenuItem {
        QString key;
        QString text;
    };

    explicit CommandToolBar(QWidget* parent = nullptr);

    QAction* addButton(const QString& key, const QString& caption, const QString& toolTip, const QIcon& icon);
    // A button whose face raises ButtonClick and whose arrow opens a menu of the items.
    QAction* addDropDownButton(const QString& key, const QString& caption, const QString& toolTip, const QIcon& icon,
                               std::initializer_list<MenuItem> items);

signals:
    void ButtonClick(const QString& key);
    void ButtonMenuClick(const QString& key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeButton(QAction* action);
    QAction* addKeyedAction(const QString& key, const QString& caption, const QString& toolTip, const QIcon& icon);

    ToolBarKeyboard* keyboard_;
};

}  // namespace forms
