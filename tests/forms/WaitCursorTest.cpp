// The busy pointer: on during the blocking database calls, off for every question and message,
// and never left behind, whatever path a command takes.
#include <QAbstractItemModel>
#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>
#include <stdexcept>
#include <vector>

#include "LoginTestWindows.h"
#include "MainWindowFixture.h"
#include "forms/login/frmLogin.h"
#include "forms/main/TaskGrid.h"
#include "forms/main/frmMain.h"
#include "gui/QtMsgBox.h"
#include "gui/WaitCursor.h"
#include "runtime/MsgBox.h"

using forms::frmLogin;
using forms::frmMain;

namespace {

// The pointer the application forces at this moment; nullopt when it forces none.
std::optional<Qt::CursorShape> forcedCursor()
{
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor ? std::optional(cursor->shape()) : std::nullopt;
}

// Puts a presenter in front of the current one that notes the forced pointer of every box.
class CursorAtEachBox {
public:
    CursorAtEachBox()
    {
        previous_ = runtime::setMsgBoxPresenter([this](const std::string& text, int style, const std::string& title) {
            seen.push_back(forcedCursor());
            return previous_(text, style, title);
        });
    }
    ~CursorAtEachBox() { runtime::setMsgBoxPresenter(previous_); }
    std::vector<std::optional<Qt::CursorShape>> seen;

private:
    runtime::MsgBoxPresenter previous_;
};

TEST(WaitCursor, ScopesNestAndRestoreOnReturnAndOnException)
{
    ASSERT_EQ(forcedCursor(), std::nullopt);
    {
        const gui::WaitCursor outer;
        EXPECT_EQ(forcedCursor(), Qt::WaitCursor);
        try {
            const gui::WaitCursor inner;
            throw std::runtime_error("server gone");
        } catch (const std::runtime_error&) {}
        EXPECT_EQ(forcedCursor(), Qt::WaitCursor);
    }
    EXPECT_EQ(forcedCursor(), std::nullopt);
}

TEST(WaitCursor, RealMessageBoxShowsTheNormalPointerInsideABusyCall)
{
    const runtime::MsgBoxPresenter previous = runtime::setMsgBoxPresenter(gui::showQtMsgBox);
    std::optional<Qt::CursorShape> duringBox;
    {
        const gui::WaitCursor busy;
        logintest::onNextMessageBox([&](QMessageBox& box) {
            duringBox = forcedCursor();
            box.button(QMessageBox::Ok)->click();
        });
        EXPECT_EQ(runtime::MsgBox("Login failed for user 'SA'."), runtime::MsgBoxResult::OK);
        EXPECT_EQ(forcedCursor(), Qt::WaitCursor);
    }
    runtime::setMsgBoxPresenter(previous);
    EXPECT_EQ(duringBox, Qt::ArrowCursor);
    EXPECT_EQ(forcedCursor(), std::nullopt);

    // Without a busy call the box forces nothing.
    runtime::setMsgBoxPresenter(gui::showQtMsgBox);
    logintest::onNextMessageBox([&](QMessageBox& box) {
        duringBox = forcedCursor();
        box.button(QMessageBox::Ok)->click();
    });
    runtime::MsgBox("text", runtime::MsgBoxStyle::Information, "提示");
    runtime::setMsgBoxPresenter(previous);
    EXPECT_EQ(duringBox, std::nullopt);
}

using WaitCursorCommands = maintest::MainWindowFixture;

TEST_F(WaitCursorCommands, FailedLogOnIsBusyOnlyUntilTheFixedMessage)
{
    const int port = store->port();
    store->stop();
    frmLogin* login = frmLogin::Show();
    login->findChild<QLineEdit*>(QStringLiteral("txtServer"))->setText(QStringLiteral("127.0.0.1,%1").arg(port));
    boxes->answer(runtime::MsgBoxResult::OK);
    boxes->answer(runtime::MsgBoxResult::OK);
    CursorAtEachBox cursors;
    QTest::mouseClick(login->findChild<QPushButton*>(QStringLiteral("Cmd_OK")), Qt::LeftButton);

    ASSERT_EQ(boxes->boxes().size(), 2u);
    EXPECT_EQ(boxes->boxes()[1].text, "请确认该服务器上正确安装了Q6产品！");
    // The driver's message comes from inside the open (the real box lifts the pointer there);
    // the fixed message comes after the busy part has ended.
    EXPECT_EQ(cursors.seen[0], Qt::WaitCursor);
    EXPECT_EQ(cursors.seen[1], std::nullopt);
    EXPECT_EQ(forcedCursor(), std::nullopt);
    EXPECT_TRUE(reports.empty());
}

TEST_F(WaitCursorCommands, RefreshAndClearingAreBusyButTheQuestionIsNot)
{
    addTaskLog({{"S1", "总账", "PC-01", "-1", "2006-01-05 10:20:30", "101"}});
    frmMain* window = logOnAndShow();
    ASSERT_NE(window, nullptr);
    std::vector<std::optional<Qt::CursorShape>> atReload;
    QObject::connect(grid(window)->model(), &QAbstractItemModel::modelAboutToBeReset,
                     [&] { atReload.push_back(forcedCursor()); });

    click(window, QStringLiteral("REF"));
    ASSERT_EQ(atReload.size(), 1u);
    EXPECT_EQ(atReload[0], Qt::WaitCursor);
    EXPECT_EQ(forcedCursor(), std::nullopt);

    boxes->answer(runtime::MsgBoxResult::OK);
    CursorAtEachBox cursors;
    choose(window, QStringLiteral("DELERROR"));
    ASSERT_EQ(cursors.seen.size(), 1u);
    EXPECT_EQ(cursors.seen[0], std::nullopt);
    ASSERT_EQ(atReload.size(), 2u);
    EXPECT_EQ(atReload[1], Qt::WaitCursor);
    EXPECT_EQ(forcedCursor(), std::nullopt);
    EXPECT_TRUE(taskLogIds().empty());
    EXPECT_TRUE(reports.empty());
}

TEST_F(WaitCursorCommands, RefreshThatFailsLeavesNoBusyPointerBehind)
{
    frmMain* window = logOnAndShow();
    ASSERT_NE(window, nullptr);
    store->kill();
    click(window, QStringLiteral("REF"));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(forcedCursor(), std::nullopt);
}

}  // namespace
