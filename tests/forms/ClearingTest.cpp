// Clearing tasks from the clear button's menu: the guard, the question, both deletes in one
// transaction, and what a failure half way leaves behind.
#include "MainWindowFixture.h"
#include "app/ModMain.h"
#include "db/ModFunction.h"
#include "db/TaskStatements.h"
#include "forms/main/CommandToolBar.h"
#include "forms/main/TaskGrid.h"
#include "forms/main/frmMain.h"
#include "runtime/MsgBox.h"

#include <chrono>
#include <thread>

using forms::frmMain;

namespace {

using maintest::TaskLogRow;
using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

class Clearing : public maintest::MainWindowFixture {
protected:
    // Two abnormal log rows, one normal row sharing cSub_Id S1 with an abnormal one, one normal row.
    void seedMixedTasks()
    {
        addTaskLog({{"S1", "总账", "PC-01", "-1", "2006-01-05 10:20:30", "101"},
                    {"S1", "总账", "PC-02", "3", "2006-01-05 10:20:31", "102"},
                    {"S2", "应收", "PC-03", "2", "2006-01-05 10:20:32", "103"},
                    {"S3", "应付", "PC-04", "-5", "2006-01-05 10:20:33", "104"}});
        addTasks({"S1", "S2", "S3", "S4"});
    }
    // Request kinds, with the batch texts, for comparison in one go.
    // The driver ends the empty transaction that follows a commit with a rollback; that one
    // touches nothing and is left out.
    static Strings describe(const std::vector<testsupport::Request>& requests)
    {
        Strings out;
        bool committed = false;
        for (const auto& request : requests) {
            if (committed && request.kind == "TM ROLLBACK")
                continue;
            committed = committed || request.kind == "TM COMMIT";
            out.push_back(request.kind == "BATCH" ? "BATCH " + request.text : request.kind);
        }
        return out;
    }
};

// The same window on task tables with varchar text columns: the texts arrive as GBK and the
// grid shows what it shows with nvarchar columns; both clearings do the same.
class VarcharClearing : public Clearing {
protected:
    VarcharClearing() { storeOptions.extraArguments = {"--varchar-tasks"}; }
};

TEST_F(VarcharClearing, GridShowsTheSameTextsAndBothClearingsWork)
{
    seedMixedTasks();
    frmMain* window = logOnAndShow();
    EXPECT_EQ(column(window, 0),
              (std::vector<QString>{QStringLiteral("总账"), QStringLiteral("总账"), QStringLiteral("应收"),
                                    QStringLiteral("应付")}));
    EXPECT_EQ(column(window, 2),
              (std::vector<QString>{QStringLiteral("异常"), QStringLiteral("正常（3）"), QStringLiteral("正常（2）"),
                                    QStringLiteral("异常")}));
    boxes->answer(runtime::MsgBoxResult::OK);
    choose(window, QStringLiteral("DELERROR"));
    EXPECT_EQ(taskSubIds(), (Strings{"S2", "S4"}));
    EXPECT_EQ(taskLogIds(), (Strings{"102", "103"}));
    EXPECT_EQ(column(window, 0), (std::vector<QString>{QStringLiteral("总账"), QStringLiteral("应收")}));
    boxes->answer(runtime::MsgBoxResult::OK);
    choose(window, QStringLiteral("DELALL"));
    EXPECT_TRUE(taskSubIds().empty());
    EXPECT_TRUE(taskLogIds().empty());
    EXPECT_TRUE(reports.empty());
}

TEST_F(Clearing, AbnormalTasksGoWithTheirSharedSubsystemButNormalLogRowsStay)
{
    seedMixedTasks();
    frmMain* window = logOnAndShow();
    boxes->answer(runtime::MsgBoxResult::OK);
    choose(window, QStringLiteral("DELERROR"));

    ASSERT_EQ(boxes->boxes().size(), 1u);
    EXPECT_EQ(boxes->boxes()[0].text, "您确定要清除异常任务吗？");
    EXPECT_EQ(boxes->boxes()[0].style, 65);
    EXPECT_EQ(boxes->boxes()[0].title, "删除提示");
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(taskSubIds(), (Strings{"S2", "S4"}));
    EXPECT_EQ(taskLogIds(), (Strings{"102", "103"}));
    EXPECT_EQ(column(window, 4), (std::vector<QString>{"102", "103"}));
}

TEST_F(Clearing, BothDeletesRunInOneTransactionThenTheListReloads)
{
    seedMixedTasks();
    frmMain* window = logOnAndShow();
    const std::size_t mark = store->requests().size();
    boxes->answer(runtime::MsgBoxResult::OK);
    choose(window, QStringLiteral("DELALL"));

    const std::string list = db::TaskStatements::listQuery();
    EXPECT_EQ(describe(requestsSince(mark)),
              (Strings{"TM BEGIN", "BATCH delete from zk_task", "BATCH delete from zk_tasklog", "TM COMMIT",
                       "BATCH " + list}));
    EXPECT_EQ(boxes->boxes().at(0).text, "您确定要清除所有任务吗？");
    EXPECT_TRUE(taskSubIds().empty());
    EXPECT_TRUE(taskLogIds().empty());
    EXPECT_EQ(grid(window)->Rows(), 1);

    // Nothing is shown any more, so a second clearing stops at the guard.
    choose(window, QStringLiteral("DELALL"));
    EXPECT_EQ(boxes->boxes().size(), 1u);
}

TEST_F(Clearing, NothingAbnormalStillAsksDeletesNothingAndReloads)
{
    addTaskLog({{"S1", "总账", "PC-01", "0", "2006-01-05 10:20:30", "101"}});
    addTasks({"S1"});
    frmMain* window = logOnAndShow();
    const std::size_t mark = store->requests().size();
    boxes->answer(runtime::MsgBoxResult::OK);
    choose(window, QStringLiteral("DELERROR"));

    EXPECT_EQ(describe(requestsSince(mark)),
              (Strings{"TM BEGIN", "BATCH " + std::string(db::TaskStatements::deleteAbnormalTasks),
                       "BATCH " + std::string(db::TaskStatements::deleteAbnormalTaskLog), "TM COMMIT",
                       "BATCH " + db::TaskStatements::listQuery()}));
    EXPECT_EQ(taskSubIds(), (Strings{"S1"}));
    EXPECT_EQ(column(window, 4), (std::vector<QString>{"101"}));
}

TEST_F(Clearing, GuardStopsSilentlyWhenNoTaskIsShown)
{
    // An empty list.
    frmMain* window = logOnAndShow();
    addTaskLog({{"S1", "总账", "PC-01", "-1", "2006-01-05 10:20:30", "101"}});  // not yet shown
    std::size_t mark = store->requests().size();
    choose(window, QStringLiteral("DELERROR"));
    choose(window, QStringLiteral("DELALL"));
    EXPECT_TRUE(requestsSince(mark).empty());

    // A first task without a subsystem name, though more follow.
    client->exec("delete from zk_tasklog");
    addTaskLog({{"S0", "", "PC-00", "-1", "2006-01-05 10:20:29", "100"},
                {"S1", "总账", "PC-01", "-1", "2006-01-05 10:20:30", "101"}});
    click(window, QStringLiteral("REF"));
    ASSERT_EQ(grid(window)->Rows(), 3);
    mark = store->requests().size();
    choose(window, QStringLiteral("DELALL"));
    choose(window, QStringLiteral("DELERROR"));
    EXPECT_TRUE(requestsSince(mark).empty());

    EXPECT_TRUE(boxes->boxes().empty());
    EXPECT_EQ(taskLogIds(), (Strings{"100", "101"}));
}

TEST_F(Clearing, CancelAndUnknownKeysRunNothing)
{
    seedMixedTasks();
    frmMain* window = logOnAndShow();
    const std::size_t mark = store->requests().size();
    boxes->answer(runtime::MsgBoxResult::Cancel);
    choose(window, QStringLiteral("DELALL"));
    auto* toolbar = window->findChild<forms::CommandToolBar*>(QStringLiteral("Toolbar1"));
    for (const char* key : {"delall", "DelError", "DELETE", "REF", "DELALL "})
        emit toolbar->ButtonMenuClick(QString::fromLatin1(key));

    EXPECT_EQ(boxes->boxes().size(), 1u);
    EXPECT_TRUE(requestsSince(mark).empty());
    EXPECT_EQ(taskLogIds(), (Strings{"101", "102", "103", "104"}));
    EXPECT_TRUE(reports.empty());
}

TEST_F(Clearing, RefreshWaitsForAnotherSessionsUncommittedClearingAndShowsItsResult)
{
    seedMixedTasks();
    frmMain* window = logOnAndShow();
    testsupport::OdbcClient other(store->port());
    other.setAutocommit(false);
    other.exec(db::TaskStatements::deleteAbnormalTasks);
    other.exec(db::TaskStatements::deleteAbnormalTaskLog);
    std::thread committer([&] {
        std::this_thread::sleep_for(500ms);
        other.commit();
    });
    const auto start = std::chrono::steady_clock::now();
    click(window, QStringLiteral("REF"));
    const auto waited = std::chrono::steady_clock::now() - start;
    committer.join();

    EXPECT_GE(waited, 400ms);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(column(window, 4), (std::vector<QString>{"102", "103"}));
}

TEST_F(Clearing, WaitsForAnotherSessionsClearingAndRunsWhenItCommits)
{
    seedMixedTasks();
    frmMain* window = logOnAndShow();
    testsupport::OdbcClient other(store->port());
    other.setAutocommit(false);
    other.exec(db::TaskStatements::deleteAbnormalTasks);
    std::thread finisher([&] {
        std::this_thread::sleep_for(500ms);
        other.exec(db::TaskStatements::deleteAbnormalTaskLog);
        other.commit();
    });
    boxes->answer(runtime::MsgBoxResult::OK);
    const auto start = std::chrono::steady_clock::now();
    choose(window, QStringLiteral("DELERROR"));
    const auto waited = std::chrono::steady_clock::now() - start;
    finisher.join();

    EXPECT_GE(waited, 400ms);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(taskSubIds(), (Strings{"S2", "S4"}));
    EXPECT_EQ(taskLogIds(), (Strings{"102", "103"}));
    EXPECT_EQ(column(window, 4), (std::vector<QString>{"102", "103"}));
}

TEST_F(Clearing, FailingSecondDeleteIsReportedAndUndoneWhenTheSessionEnds)
{
    seedMixedTasks();
    frmMain* window = logOnAndShow();
    client->exec("drop table zk_tasklog");
    boxes->answer(runtime::MsgBoxResult::OK);
    choose(window, QStringLiteral("DELALL"));

    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].number, 208);
    EXPECT_NE(reports[0].description.find("zk_tasklog"), std::string::npos) << reports[0].description;
    EXPECT_EQ(reports[0].description.find("[FreeTDS]"), std::string::npos) << reports[0].description;
    // The grid was not reloaded.
    EXPECT_EQ(grid(window)->Rows(), 5);

    // The program would end here; its session ending rolls the first delete back.
    ModFunction::CloseDB();
    EXPECT_EQ(taskSubIds(), (Strings{"S1", "S2", "S3", "S4"}));
}

}  // namespace
