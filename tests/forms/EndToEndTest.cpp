// The tool as a user drives it: start, log on through the login window, clear the abnormal
// tasks, log on again to another server, exit. Real widgets, found by name, against two taskstores.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "MainWindowFixture.h"
#include "app/ModMain.h"
#include "forms/login/frmLogin.h"
#include "forms/main/frmMain.h"
#include "runtime/MsgBox.h"

using forms::frmLogin;
using forms::frmMain;

namespace {

using maintest::TaskLogRow;

class EndToEnd : public maintest::MainWindowFixture {
protected:
    static frmLogin* onlyLoginWindow()
    {
        const auto windows = maintest::openWindows<frmLogin>();
        return windows.size() == 1 ? windows.front() : nullptr;
    }
    static frmMain* onlyMainWindow()
    {
        const auto windows = maintest::openWindows<frmMain>();
        return windows.size() == 1 ? windows.front() : nullptr;
    }
    static void logOnThrough(frmLogin* login, const std::string& server)
    {
        login->findChild<QLineEdit*>(QStringLiteral("txtServer"))->setText(QString::fromStdString(server));
        QTest::mouseClick(login->findChild<QPushButton*>(QStringLiteral("Cmd_OK")), Qt::LeftButton);
    }
};

TEST_F(EndToEnd, ClearAbnormalThenLogOnToAnotherServerThenExit)
{
    addTaskLog({{"S1", "总账", "FIN-PC-01", "0", "2006-01-05 09:00:00", "T1"},
                {"S2", "应收款管理", "FIN-PC-02", "-1", "2006-01-05 09:05:00", "T2"},
                {"S3", "固定资产", "FIN-PC-03", "05", "2006-01-05 09:10:00", "T3"}});
    addTasks({"S1", "S2", "S3"});
    testsupport::TaskStoreProcess second;
    testsupport::OdbcClient secondClient(second.port());
    secondClient.exec("insert into zk_tasklog (cSub_Id, cSub_Name, cStation, TaskState, dInTime, cTaskId) "
                      "values (N'Z9', N'薪资管理', N'HR-PC', N'1', '2006-01-06 08:00:00', N'Z-1')");

    ModMain::Main();
    frmLogin* login = onlyLoginWindow();
    ASSERT_NE(login, nullptr);
    logOnThrough(login, store->serverName());
    frmMain* main = onlyMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(maintest::openWindows<frmLogin>().empty());
    EXPECT_EQ(
        column(main, 2),
        (std::vector<QString>{QStringLiteral("正常（0）"), QStringLiteral("异常"), QStringLiteral("正常（05）")}));

    boxes->answer(runtime::MsgBoxResult::OK);
    choose(main, QStringLiteral("DELERROR"));
    EXPECT_EQ(column(main, 4), (std::vector<QString>{QStringLiteral("T1"), QStringLiteral("T3")}));
    EXPECT_EQ(taskSubIds(), (std::vector<std::string>{"S1", "S3"}));

    boxes->answer(runtime::MsgBoxResult::OK);
    click(main, QStringLiteral("LOGIN"));
    login = onlyLoginWindow();
    ASSERT_NE(login, nullptr);
    EXPECT_EQ(login->findChild<QLineEdit*>(QStringLiteral("txtServer"))->text(), QStringLiteral("(local)"));
    EXPECT_TRUE(maintest::openWindows<frmMain>().empty());
    logOnThrough(login, second.serverName());
    main = onlyMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(column(main, 0), (std::vector<QString>{QStringLiteral("薪资管理")}));
    // The log-on to the second server closed the connection the first log-on left open.
    EXPECT_TRUE(store->waitForLog("closed (client closed the connection)")) << store->log();

    click(main, QStringLiteral("EXIT"));
    EXPECT_TRUE(maintest::openWindows<frmMain>().empty());
    EXPECT_TRUE(maintest::openWindows<frmLogin>().empty());
    EXPECT_TRUE(ModMain::Conn.empty());
    EXPECT_TRUE(second.waitForLog("closed (client closed the connection)")) << second.log();
    EXPECT_EQ(boxes->boxes().size(), 2u);
    EXPECT_TRUE(reports.empty());
}

}  // namespace
