// Every toolbar command from the keyboard against a real taskstore: Tab reaches the bar, the
// arrows move on it, Space and Enter press, Down and Alt+Down open the clear menu, F5 refreshes.
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QToolButton>
#include <functional>

#include "LoginTestWindows.h"
#include "MainWindowFixture.h"
#include "app/ModMain.h"
#include "forms/login/frmLogin.h"
#include "forms/main/TaskGrid.h"
#include "forms/main/frmMain.h"
#include "runtime/MsgBox.h"

using forms::frmLogin;
using forms::frmMain;

namespace {

class ToolbarKeyboard : public maintest::MainWindowFixture {
protected:
    frmMain* showActive()
    {
        shown = logOnAndShow();
        shown->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(shown));
        return shown;
    }
    // A key as the user types it: to whatever has the focus in the window.
    void type(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        QWidget* focused = shown->focusWidget();
        ASSERT_NE(focused, nullptr);
        QTest::keyClick(focused, key, modifiers);
    }
    // The key of the toolbar button that has the focus, "" for anything else.
    QString focusedButton() const
    {
        auto* focused = qobject_cast<QToolButton*>(shown->focusWidget());
        return focused && focused->defaultAction() ? focused->defaultAction()->objectName() : QString();
    }
    // Once the clear menu is up, runs act on it from inside its modal loop.
    static void onMenu(std::function<void(QMenu&)> act)
    {
        logintest::onceUp<QMenu>(&QApplication::activePopupWidget, std::move(act));
    }

    QPointer<frmMain> shown;
};

TEST_F(ToolbarKeyboard, TabReachesTheBarWhoseArrowsMoveAmongItsButtonsWhileTheMouseLeavesTheFocus)
{
    frmMain* window = showActive();
    EXPECT_EQ(window->focusWidget(), grid(window));  // as the window opens
    click(window, QStringLiteral("REF"));
    EXPECT_EQ(window->focusWidget(), grid(window));

    type(Qt::Key_Tab);
    EXPECT_EQ(focusedButton(), QStringLiteral("LOGIN"));
    const struct {
        Qt::Key key;
        const char* focused;
    } steps[] = {{Qt::Key_Right, "DELETE"}, {Qt::Key_Right, "REF"}, {Qt::Key_Right, "EXIT"},
                 {Qt::Key_Right, "LOGIN"},  {Qt::Key_Left, "EXIT"}, {Qt::Key_Home, "LOGIN"},
                 {Qt::Key_End, "EXIT"},     {Qt::Key_Up, "EXIT"},   {Qt::Key_Down, "EXIT"},
                 {Qt::Key_Left, "REF"}};
    for (const auto& step : steps) {
        type(step.key);
        EXPECT_EQ(focusedButton(), QString::fromLatin1(step.focused)) << QTest::toString(step.key);
    }
    // One stop for the whole bar: Tab leaves it, and coming back finds the button last used.
    type(Qt::Key_Tab);
    EXPECT_EQ(window->focusWidget(), grid(window));
    type(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focusedButton(), QStringLiteral("REF"));
    EXPECT_TRUE(boxes->boxes().empty());
}

TEST_F(ToolbarKeyboard, LogOnAgainBySpaceThenByEnter)
{
    QPointer<frmMain> window = showActive();
    type(Qt::Key_Tab);
    boxes->answer(runtime::MsgBoxResult::Cancel);
    type(Qt::Key_Space);
    ASSERT_EQ(boxes->boxes().size(), 1u);
    EXPECT_EQ(boxes->boxes()[0].text, "您确定要重新登陆吗？");
    EXPECT_FALSE(window.isNull());

    boxes->answer(runtime::MsgBoxResult::OK);
    type(Qt::Key_Return);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(boxes->boxes().size(), 2u);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(maintest::openWindows<frmLogin>().size(), 1u);
    EXPECT_TRUE(reports.empty());
}

TEST_F(ToolbarKeyboard, DownOpensTheClearMenuOnItsFirstItemAndAltDownToo)
{
    addTaskLog({{"GL", "总账", "PC-01", "-1", "2006-01-05 10:20:30", "101"},
                {"AR", "应收", "PC-02", "2", "2006-01-05 10:20:31", "102"}});
    frmMain* window = showActive();
    type(Qt::Key_Tab);
    type(Qt::Key_Right);
    ASSERT_EQ(focusedButton(), QStringLiteral("DELETE"));

    QString first;
    onMenu([&first](QMenu& menu) {
        first = menu.activeAction() ? menu.activeAction()->objectName() : QString();
        QTest::keyClick(&menu, Qt::Key_Return);
    });
    boxes->answer(runtime::MsgBoxResult::OK);
    type(Qt::Key_Down);
    EXPECT_EQ(first, QStringLiteral("DELERROR"));
    EXPECT_EQ(taskLogIds(), (std::vector<std::string>{"102"}));
    EXPECT_EQ(column(window, 4), (std::vector<QString>{"102"}));

    onMenu([](QMenu& menu) {
        QTest::keyClick(&menu, Qt::Key_Down);
        QTest::keyClick(&menu, Qt::Key_Return);
    });
    boxes->answer(runtime::MsgBoxResult::OK);
    type(Qt::Key_Down, Qt::AltModifier);
    EXPECT_TRUE(taskLogIds().empty());
    ASSERT_EQ(boxes->boxes().size(), 2u);
    EXPECT_EQ(boxes->boxes()[0].text, "您确定要清除异常任务吗？");
    EXPECT_EQ(boxes->boxes()[1].text, "您确定要清除所有任务吗？");
    // Escape closes the menu and leaves the focus on its button.
    onMenu([](QMenu& menu) { QTest::keyClick(&menu, Qt::Key_Escape); });
    type(Qt::Key_Down);
    EXPECT_EQ(focusedButton(), QStringLiteral("DELETE"));
    EXPECT_EQ(boxes->boxes().size(), 2u);
    EXPECT_TRUE(reports.empty());
}

TEST_F(ToolbarKeyboard, RefreshByF5AnywhereAndByEnterOnItsButton)
{
    addTaskLog({{"GL", "总账", "PC-01", "1", "2006-01-05 10:20:30", "101"}});
    frmMain* window = showActive();
    client->exec("delete from zk_tasklog where cTaskId = '101'");
    addTaskLog({{"AP", "应付", "PC-03", "-3", "2006-01-06 08:00:00", "103"}});
    type(Qt::Key_F5);
    EXPECT_EQ(column(window, 4), (std::vector<QString>{"103"}));

    addTaskLog({{"AR", "应收", "PC-02", "2", "2006-01-06 09:00:00", "104"}});
    type(Qt::Key_Tab);
    type(Qt::Key_Right);
    type(Qt::Key_Right);
    ASSERT_EQ(focusedButton(), QStringLiteral("REF"));
    type(Qt::Key_Enter);
    EXPECT_EQ(column(window, 4), (std::vector<QString>{"103", "104"}));
    EXPECT_TRUE(boxes->boxes().empty());
}

TEST_F(ToolbarKeyboard, ExitByEnterClosesTheConnectionAndTheWindow)
{
    QPointer<frmMain> window = showActive();
    type(Qt::Key_Tab);
    type(Qt::Key_Left);
    ASSERT_EQ(focusedButton(), QStringLiteral("EXIT"));
    type(Qt::Key_Return);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(ModMain::Conn.empty());
    EXPECT_TRUE(boxes->boxes().empty());
    EXPECT_TRUE(reports.empty());
}

}  // namespace
