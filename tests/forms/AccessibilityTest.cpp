// What a screen reader gets through Qt's accessibility layer beyond what the screen reader test
// reads over AT-SPI: every usable control named, the grid's cells as the grid shows them, the
// clear menu's items, the password kept secret, and message boxes read out as alerts.
#include <QAbstractButton>
#include <QAccessible>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QToolButton>

#include "LoginTestWindows.h"
#include "MainWindowFixture.h"
#include "forms/main/TaskGrid.h"
#include "forms/main/frmMain.h"
#include "gui/QtMsgBox.h"

using forms::frmMain;

namespace {

QAccessibleInterface* accessible(QObject* object) { return QAccessible::queryAccessibleInterface(object); }

QString nameOf(QObject* object)
{
    QAccessibleInterface* found = accessible(object);
    return found ? found->text(QAccessible::Name) : QStringLiteral("<no interface>");
}

// Every shown control that takes the focus or a click has a name, so that one added later
// without a name fails here.
void expectEveryUsableControlNamed(QWidget* window)
{
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const bool usable = control->focusPolicy() != Qt::NoFocus || qobject_cast<QAbstractButton*>(control);
        if (control->isVisible() && usable) {
            EXPECT_FALSE(nameOf(control).isEmpty()) << control->metaObject()->className() << " "
                                                    << control->objectName().toStdString();
        }
    }
}

using LoginAccessibility = logintest::FreshLoginWindow;

TEST_F(LoginAccessibility, EveryUsableControlIsNamed) { expectEveryUsableControlNamed(window); }

TEST_F(LoginAccessibility, PasswordIsReadOutAsStarsOnly)
{
    auto* pass = control<QLineEdit>("txtPass");
    QTest::keyClicks(pass, "geheim");
    QAccessibleInterface* box = accessible(pass);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->role(), QAccessible::EditableText);
    EXPECT_EQ(box->text(QAccessible::Value), QStringLiteral("******"));
    QAccessibleTextInterface* text = box->textInterface();
    ASSERT_NE(text, nullptr);
    int start = 0;
    int end = 0;
    for (const QString& read : {text->text(0, text->characterCount()),
                                text->textAtOffset(0, QAccessible::LineBoundary, &start, &end)})
        EXPECT_FALSE(read.contains(QStringLiteral("geheim"))) << read.toStdString();
}

TEST(MessageBoxAccessibility, BoxIsAnAlertNamedByItsTitleWithItsTextAsValue)
{
    QAccessible::Role role = QAccessible::NoRole;
    QString name;
    QString value;
    logintest::onNextMessageBox([&](QMessageBox& box) {
        QAccessibleInterface* read = accessible(&box);
        role = read->role();
        name = read->text(QAccessible::Name);
        value = read->text(QAccessible::Value);
        box.close();
    });
    gui::showQtMsgBox("您确定要清除所有任务吗？", 65, "删除提示");
    EXPECT_EQ(role, QAccessible::AlertMessage);
    EXPECT_EQ(name, QStringLiteral("删除提示"));
    EXPECT_EQ(value, QStringLiteral("您确定要清除所有任务吗？"));
}

using MainAccessibility = maintest::MainWindowFixture;

TEST_F(MainAccessibility, GridCellsAndMenuItemsAreReadAndEveryUsableControlIsNamed)
{
    addTaskLog({{"GL", "总账", "PC-01", "-1", "2006-01-05 10:20:30", "101"},
                {"AR", "应收", "PC-02", "2", "2006-01-05 10:20:31", "102"}});
    frmMain* window = logOnAndShow();

    QMenu* menu = button(window, QStringLiteral("DELETE"))->defaultAction()->menu();
    QAccessibleInterface* items = accessible(menu);
    ASSERT_EQ(items->childCount(), 2);
    EXPECT_EQ(items->child(0)->text(QAccessible::Name), QStringLiteral("清除异常"));
    EXPECT_EQ(items->child(1)->text(QAccessible::Name), QStringLiteral("清除所有"));

    QAccessibleInterface* table = accessible(grid(window));
    ASSERT_NE(table, nullptr);
    QAccessibleTableInterface* cells = table->tableInterface();
    ASSERT_NE(cells, nullptr);
    ASSERT_EQ(cells->columnCount(), 5);
    EXPECT_EQ(cells->rowCount(), 2);
    const QString firstRow[] = {QStringLiteral("总账"), QStringLiteral("PC-01"), QStringLiteral("异常"),
                                QStringLiteral("2006-01-05 10:20:30"), QStringLiteral("101")};
    for (int column = 0; column < 5; ++column) {
        ASSERT_NE(cells->cellAt(0, column), nullptr) << column;
        EXPECT_EQ(cells->cellAt(0, column)->text(QAccessible::Name), firstRow[column]) << column;
    }
    EXPECT_EQ(cells->cellAt(1, 2)->text(QAccessible::Name), QStringLiteral("正常（2）"));
    expectEveryUsableControlNamed(window);
}

}  // namespace
