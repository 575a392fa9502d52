// Sessions on the engine: batches, transactions, temporary tables, lock waits and stopping a request.
#include "EngineTest.h"
#include "RecordingSink.h"
#include "TsqlCases.h"

#include "db/TaskStatements.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

namespace tsqltest {
namespace {

namespace ts = db::TaskStatements;
using Transactions = TaskTablesTest;
using Batches = TaskTablesTest;
using Sessions = EngineTest;
using namespace std::chrono_literals;

std::size_t rowsIn(taskstore::Session& session, const std::string& table)
{
    return query(session, "select cTaskId from " + table).size();
}

TEST_F(Transactions, FailingDeleteInsideTransactionChangesNothing)
{
    query(*session, "update zk_tasklog set TaskState = 'abc' where cTaskId = 'T5'");

    RecordingSink sink = run(*session,
                             "begin transaction\n" + std::string(ts::deleteAbnormalTasks) + "\n"
                                 + std::string(ts::deleteAbnormalTaskLog) + "\ncommit transaction");
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0].number, 245);
    // The batch stopped at the failing statement and the transaction was rolled back.
    ASSERT_EQ(sink.events.size(), 2u);
    EXPECT_EQ(sink.events[0].substr(0, 6), "begin ");
    EXPECT_EQ(sink.events[1], "rollback " + sink.events[0].substr(6));
    EXPECT_EQ(session->tranCount(), 0);
    EXPECT_EQ(rowsIn(*session, "zk_task"), 5u);
    EXPECT_EQ(rowsIn(*session, "zk_tasklog"), 5u);
    EXPECT_EQ(run(*session, "commit").errors.at(0).number, 3902);
}

TEST_F(Transactions, SyntaxErrorRunsNothingOfTheBatch)
{
    RecordingSink sink = run(*session, "begin tran\ndelete from zk_task\nselect 1 1 1");
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0].number, 102);
    EXPECT_EQ(sink.errors[0].line, 3);
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(session->tranCount(), 0);
    EXPECT_EQ(rowsIn(*session, "zk_task"), 5u);
}

TEST_F(Transactions, StatementErrorKeepsTransactionOpenAndTheBatchGoesOn)
{
    query(*session, "create table t (id int primary key)");
    RecordingSink sink = run(*session,
                             "begin tran\ndelete from zk_task where cTaskId = 'T1'\ninsert into t values (1), (1)\n"
                             "select @@trancount");
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0].number, 2627);
    // SQL Server follows the error with 3621: severity 10 in its catalogue, which it sends as 0.
    ASSERT_EQ(sink.infos.size(), 1u);
    EXPECT_EQ(sink.infos[0].number, 3621);
    EXPECT_EQ(sink.infos[0].severity, 0);
    EXPECT_EQ(sink.infos[0].message, "The statement has been terminated.");
    EXPECT_EQ(sink.infos[0].line, 3);
    EXPECT_EQ(sink.results.back().rows, (Rows{{"1"}}));
    query(*session, "commit");
    EXPECT_EQ(rowsIn(*session, "zk_task"), 4u);
}

TEST_F(Batches, MissingTableEndsTheBatchWhereItRunsAndKeepsTheTransaction)
{
    query(*session, "create table t (a int)");
    RecordingSink sink = run(*session,
                             "begin tran\ninsert into t values (1)\nselect * from nosuchtable\nselect 'after'");
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0].number, 208);
    EXPECT_EQ(sink.errors[0].line, 3);
    EXPECT_TRUE(sink.infos.empty());
    EXPECT_TRUE(sink.results.empty());  // 'after' never ran
    EXPECT_EQ(session->tranCount(), 1);
    query(*session, "commit");
    EXPECT_EQ(query(*session, "select a from t"), (Rows{{"1"}}));
}

TEST_F(Batches, MissingColumnOfAnExistingTableRunsNothing)
{
    query(*session, "create table t (a int)");
    for (const char* batch : {"insert into t values (1)\nselect 'x'\nselect nosuch from t\nselect 'after'",
                              "insert into t values (1)\nIF 1 = 1 delete from zk_task where nosuch = 1",
                              "insert into t values (1)\nselect * from zk_task where cSub_Id in "
                              "(select q.cSub_Id from zk_tasklog)"}) {
        RecordingSink sink = run(*session, batch);
        ASSERT_EQ(sink.errors.size(), 1u) << batch;
        EXPECT_TRUE(sink.errors[0].number == 207 || sink.errors[0].number == 4104) << batch;
        EXPECT_TRUE(sink.results.empty()) << batch;
    }
    EXPECT_TRUE(query(*session, "select a from t").empty());
    EXPECT_EQ(rowsIn(*session, "zk_task"), 5u);
    // A statement that also names a missing table is not compiled with the batch: the statements
    // before it run and it fails with 208 when reached.
    RecordingSink deferred =
        run(*session, "insert into t values (2)\nselect nosuch from t where a in (select b from nosuchtable)");
    EXPECT_EQ(deferred.errors.at(0).number, 208);
    // A table made earlier in the batch is resolved when its statements run.
    query(*session, "create table u (b int)\ninsert into u values (3)");
    EXPECT_EQ(query(*session, "select a from t"), (Rows{{"2"}}));
}

TEST_F(Sessions, TemporaryTableBelongsToItsSessionAndEndsWithIt)
{
    auto owner = fixture.session("VOZUZODI", 51);
    auto other = fixture.session("VOZUZODI", 52);
    query(*owner, "create table #t (a int)\nbegin tran\ninsert into #t values (1)");
    // Another session neither sees the table nor waits for its uncommitted row.
    EXPECT_EQ(run(*other, "select a from #t").errors.at(0).number, 208);
    query(*other, "create table #t (b nvarchar(5))\ninsert into #t values (N'x')");
    EXPECT_EQ(query(*other, "select b from #t"), (Rows{{"x"}}));
    query(*owner, "commit");
    EXPECT_EQ(query(*owner, "select a from #t"), (Rows{{"1"}}));
    owner.reset();
    auto next = fixture.session("VOZUZODI", 51);
    EXPECT_EQ(run(*next, "select * from #t").errors.at(0).number, 208);
    EXPECT_EQ(query(*other, "select b from #t"), (Rows{{"x"}}));
}

TEST_F(Transactions, XactAbortMakesAnyErrorEndTheTransaction)
{
    RecordingSink sink = run(*session,
                             "set xact_abort on\nbegin tran\ndelete from zk_task\n"
                             "select x from nosuch\nselect 1");
    EXPECT_EQ(sink.errors.at(0).number, 208);
    EXPECT_TRUE(sink.results.empty());
    EXPECT_EQ(session->tranCount(), 0);
    EXPECT_EQ(rowsIn(*session, "zk_task"), 5u);
}

TEST_F(Transactions, SetListTurnsOnEveryOptionItNames)
{
    RecordingSink sink = run(*session,
                             "set xact_abort, nocount on\nbegin tran\ndelete from zk_task where cTaskId = 'T1'\n"
                             "select x from nosuch");
    EXPECT_EQ(sink.errors.at(0).number, 208);
    ASSERT_GE(sink.dones.size(), 3u);
    EXPECT_FALSE(sink.dones[2].rowCount.has_value());  // NOCOUNT
    EXPECT_EQ(session->tranCount(), 0);                // XACT_ABORT
    EXPECT_EQ(rowsIn(*session, "zk_task"), 5u);
}

TEST_F(Transactions, TransactionManagerRequestsAndCounts)
{
    RecordingSink sink;
    session->commitTransaction(sink);
    EXPECT_EQ(sink.errors.at(0).number, 3902);
    session->beginTransaction(sink);
    EXPECT_EQ(session->tranCount(), 1);
    session->rollbackTransaction(sink);
    EXPECT_EQ(session->tranCount(), 0);
    session->rollbackTransaction(sink);
    EXPECT_EQ(sink.errors.at(1).number, 3903);
    ASSERT_EQ(sink.events.size(), 2u);
    EXPECT_NE(sink.events[0], "begin 0");

    RecordingSink counts =
        run(*session, "set nocount off\ndelete from zk_task where cTaskId = 'none'\ndelete from zk_task");
    ASSERT_EQ(counts.dones.size(), 3u);
    EXPECT_FALSE(counts.dones[0].rowCount.has_value());
    EXPECT_EQ(counts.dones[1].rowCount, 0);
    EXPECT_EQ(counts.dones[2].rowCount, 5);
    RecordingSink silent = run(*session, "set nocount on\nselect 1");
    EXPECT_FALSE(silent.dones.back().rowCount.has_value());
}

TEST_F(Sessions, UseReportsTheNewDatabase)
{
    auto session = fixture.session("master");
    RecordingSink sink = run(*session, "use vozuzodi");
    EXPECT_EQ(session->currentDatabase(), "VOZUZODI");
    EXPECT_EQ(sink.databases, std::vector<std::string>{"VOZUZODI"});
    ASSERT_EQ(sink.infos.size(), 1u);
    EXPECT_EQ(sink.infos[0].number, 5701);
    EXPECT_EQ(sink.infos[0].severity, 0);
    EXPECT_EQ(sink.infos[0].message, "Changed database context to 'VOZUZODI'.");
    EXPECT_THROW(fixture.engine->newSession("nosuch", 51), taskstore::SqlError);
}

TEST_F(Sessions, ReaderWaitsForUncommittedChangesThenSeesTheCommittedState)
{
    auto writer = fixture.session();
    auto reader = fixture.session();
    query(*writer, fixtureSql);
    query(*writer,
          "begin tran\n" + std::string(ts::deleteAbnormalTasks) + "\n" + std::string(ts::deleteAbnormalTaskLog));
    EXPECT_EQ(rowsIn(*writer, "zk_tasklog"), 3u);

    auto list = std::async(std::launch::async, [&] { return query(*reader, ts::listQuery()); });
    EXPECT_EQ(list.wait_for(300ms), std::future_status::timeout) << "the reader did not wait";
    query(*writer, "commit");
    ASSERT_EQ(list.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(list.get().size(), 3u);

    // Tables the open transaction did not change, or changed no row of, are read at once.
    query(*writer,
          "begin tran\ndelete from zk_task where cTaskId = 'T1'\ndelete from zk_tasklog where cTaskId = 'none'");
    EXPECT_EQ(rowsIn(*reader, "zk_tasklog"), 3u);
    // So is everything at READ UNCOMMITTED; the rows shown are the committed ones.
    EXPECT_EQ(query(*reader, "set transaction isolation level read uncommitted\nselect count(*) from zk_task"),
              (Rows{{"3"}}));
    query(*writer, "rollback");
}

TEST_F(Sessions, ReaderWaitEndsAtTheLockTimeOutOrAnInterrupt)
{
    auto holder = fixture.session();
    auto reader = fixture.session();
    query(*holder, fixtureSql);
    query(*holder, "begin tran\ndelete from zk_tasklog where cTaskId = 'T1'");

    const auto start = std::chrono::steady_clock::now();
    RecordingSink timedOut =
        run(*reader, "set lock_timeout 500\nselect cTaskId from zk_tasklog\nselect @@lock_timeout");
    const auto waited = std::chrono::steady_clock::now() - start;
    ASSERT_FALSE(timedOut.errors.empty());
    EXPECT_EQ(timedOut.errors[0].number, 1222);
    EXPECT_GE(waited, 450ms);
    EXPECT_LT(waited, 10s);
    EXPECT_EQ(timedOut.results.back().rows, (Rows{{"500"}}));  // the time-out ends only the statement

    query(*reader, "set lock_timeout -1\nbegin tran");
    auto waiting =
        std::async(std::launch::async, [&] { return run(*reader, "select cTaskId from zk_tasklog\nselect 2"); });
    EXPECT_EQ(waiting.wait_for(200ms), std::future_status::timeout);
    reader->interrupt();
    ASSERT_EQ(waiting.wait_for(10s), std::future_status::ready) << "interrupt did not stop the wait";
    const RecordingSink stopped = waiting.get();
    EXPECT_TRUE(stopped.errors.empty());
    ASSERT_EQ(stopped.dones.size(), 1u);
    EXPECT_TRUE(stopped.dones[0].failed);
    EXPECT_EQ(reader->tranCount(), 1);
    query(*holder, "commit");
    EXPECT_EQ(rowsIn(*reader, "zk_tasklog"), 4u);
}

TEST_F(Sessions, IfConditionWaitsForUncommittedChangesAsASelectDoes)
{
    auto holder = fixture.session();
    auto reader = fixture.session();
    query(*holder, fixtureSql);
    query(*holder, "begin tran\ndelete from zk_tasklog where cTaskId = 'T1'");
    query(*reader, "set lock_timeout 0");
    const std::string condition = "if 'T1' in (select cTaskId from zk_tasklog) select 1";

    const RecordingSink select = run(*reader, "select cTaskId from zk_tasklog");
    const RecordingSink branch = run(*reader, condition);
    ASSERT_EQ(select.errors.size(), 1u);
    EXPECT_EQ(select.errors[0].number, 1222);
    ASSERT_EQ(branch.errors.size(), 1u);
    EXPECT_EQ(branch.errors[0].number, 1222);
    EXPECT_TRUE(branch.results.empty());

    query(*holder, "rollback");
    EXPECT_EQ(query(*reader, condition), (Rows{{"1"}}));
}

TEST_F(Sessions, LockTimeOutOutsideAnIntOverflows)
{
    auto session = fixture.session();
    const RecordingSink sink = run(*session,
                                   "set lock_timeout 2147483647\nset lock_timeout 2147483648\n"
                                   "set lock_timeout -2147483649\nselect @@lock_timeout");
    ASSERT_EQ(sink.errors.size(), 2u);
    for (const auto& error : sink.errors) {
        EXPECT_EQ(error.number, 8115);
        EXPECT_EQ(error.state, 1);
        EXPECT_EQ(error.message, "Arithmetic overflow error converting expression to data type int.");
    }
    EXPECT_EQ(sink.errors[0].line, 2);
    EXPECT_EQ(sink.errors[1].line, 3);
    // The largest int is taken, and the refused values leave it in place.
    EXPECT_EQ(sink.results.back().rows, (Rows{{"2147483647"}}));
}

TEST_F(Sessions, WaitingReaderGoesBeforeTheNextWriterOfItsTable)
{
    auto first = fixture.session();
    auto next = fixture.session();
    auto reader = fixture.session();
    query(*first, fixtureSql);
    query(*first, "begin tran\ndelete from zk_tasklog where cTaskId = 'T1'");
    auto list = std::async(std::launch::async, [&] { return query(*reader, "select cTaskId from zk_tasklog"); });
    std::this_thread::sleep_for(100ms);
    // The next writer queues behind the reader; once it has its turn it keeps its change open.
    auto writer = std::async(std::launch::async,
                             [&] { query(*next, "begin tran\ndelete from zk_tasklog where cTaskId = 'T2'"); });
    std::this_thread::sleep_for(100ms);
    query(*first, "commit");
    ASSERT_EQ(list.wait_for(10s), std::future_status::ready) << "the reader was overtaken by the next writer";
    EXPECT_EQ(list.get().size(), 4u);
    ASSERT_EQ(writer.wait_for(10s), std::future_status::ready);
    writer.get();
    query(*next, "rollback");
}

TEST_F(Sessions, LockWaitEndsWithTimeOut)
{
    auto holder = fixture.session();
    auto waiter = fixture.session();
    query(*holder, fixtureSql);
    query(*holder, "begin tran\ndelete from zk_task where cTaskId = 'T1'");

    const auto start = std::chrono::steady_clock::now();
    RecordingSink sink = run(*waiter, "set lock_timeout 200\ndelete from zk_task\nselect @@trancount");
    const auto waited = std::chrono::steady_clock::now() - start;
    ASSERT_FALSE(sink.errors.empty());
    EXPECT_EQ(sink.errors[0].number, 1222);
    EXPECT_EQ(sink.errors[0].message, "Lock request time out period exceeded.");
    EXPECT_GE(waited, 150ms);
    EXPECT_LT(waited, 10s);
    // The time-out ends only the statement.
    EXPECT_EQ(sink.results.back().rows, (Rows{{"0"}}));

    query(*holder, "rollback");
    query(*waiter, "delete from zk_task");
    EXPECT_EQ(rowsIn(*holder, "zk_task"), 0u);
}

TEST_F(Sessions, InterruptStopsLockWaitAndKeepsTransaction)
{
    auto holder = fixture.session();
    auto waiter = fixture.session();
    query(*holder, fixtureSql);
    query(*holder, "begin tran\ndelete from zk_task where cTaskId = 'T1'");
    query(*waiter, "begin tran\nselect 1");
    waiter->setLockTimeout(-1ms);

    auto running = std::async(std::launch::async, [&] { return run(*waiter, "delete from zk_task\nselect 2"); });
    std::this_thread::sleep_for(100ms);
    waiter->interrupt();
    ASSERT_EQ(running.wait_for(10s), std::future_status::ready) << "interrupt did not stop the lock wait";
    const RecordingSink sink = running.get();
    EXPECT_TRUE(sink.errors.empty());
    ASSERT_EQ(sink.dones.size(), 1u);  // the batch stopped at the interrupted statement
    EXPECT_TRUE(sink.dones[0].failed);
    EXPECT_EQ(waiter->tranCount(), 1);
    query(*holder, "rollback");
    query(*waiter, "rollback");
    EXPECT_EQ(rowsIn(*holder, "zk_task"), 5u);
}

// Asks the session to stop as soon as the first row arrives.
class StopAtFirstRow : public RecordingSink {
public:
    explicit StopAtFirstRow(taskstore::Session& session) : session_(session) {}
    void row(std::span<const taskstore::ValueView> values) override
    {
        RecordingSink::row(values);
        session_.interrupt();
    }

private:
    taskstore::Session& session_;
};

TEST_F(Sessions, InterruptStopsARunningSelect)
{
    fixture.engine->fillDemoTasks(20000);
    auto session = fixture.session();
    StopAtFirstRow sink(*session);
    session->executeBatch("select cTaskId from zk_tasklog\nselect 1", sink);
    session->endRequest();
    ASSERT_EQ(sink.results.size(), 1u);
    EXPECT_GE(sink.results[0].rows.size(), 1u);
    EXPECT_LT(sink.results[0].rows.size(), 20000u);
    ASSERT_EQ(sink.dones.size(), 1u);
    EXPECT_TRUE(sink.dones[0].failed);
    EXPECT_TRUE(sink.errors.empty());
    // The stop request ended with that request.
    EXPECT_EQ(query(*session, "select 1"), (Rows{{"1"}}));
}

TEST_F(Sessions, AStopLastsUntilTheRequestEnds)
{
    constexpr std::int64_t tasks = 20000;
    fixture.engine->fillDemoTasks(tasks);
    auto session = fixture.session();
    StopAtFirstRow first(*session);
    session->executeBatch("select cTaskId from zk_tasklog", first);
    ASSERT_EQ(first.dones.size(), 1u);
    EXPECT_TRUE(first.dones[0].failed);

    // A later call of the same request (another procedure call of one RPC) runs nothing.
    RecordingSink second;
    session->executeBatch("delete from zk_tasklog\nselect 1", second);
    EXPECT_TRUE(second.dones.empty());
    EXPECT_TRUE(second.results.empty());
    session->endRequest();
    EXPECT_EQ(query(*session, "select count(*) from zk_tasklog"), (Rows{{std::to_string(tasks)}}));
}

TEST_F(Sessions, InterruptedDeleteIsUndoneAndTransactionStaysOpen)
{
    constexpr long long tasks = 200000;
    fixture.engine->fillDemoTasks(tasks);
    auto session = fixture.session();
    query(*session, "begin tran\ndelete from zk_task where cTaskId = 'T0000000001'");

    // Filtered: an unfiltered delete empties the table in one step and cannot be caught half way.
    auto running =
        std::async(std::launch::async, [&] { return run(*session, "delete from zk_tasklog where cTaskId <> ''"); });
    std::this_thread::sleep_for(20ms);
    session->interrupt();
    ASSERT_EQ(running.wait_for(30s), std::future_status::ready);
    const RecordingSink sink = running.get();
    ASSERT_EQ(sink.dones.size(), 1u);
    EXPECT_TRUE(sink.dones[0].failed);
    EXPECT_EQ(session->tranCount(), 1);
    EXPECT_EQ(query(*session, "select count(*) from zk_tasklog"), (Rows{{std::to_string(tasks)}}));
    EXPECT_EQ(query(*session, "select count(*) from zk_task where cTaskId = 'T0000000001'"), (Rows{{"0"}}));
    query(*session, "rollback");
    EXPECT_EQ(query(*session, "select count(*) from zk_task where cTaskId = 'T0000000001'"), (Rows{{"1"}}));
}

// Runs the batch, asks it to stop after `after`, and returns how long the stop took.
std::chrono::steady_clock::duration timeToStop(taskstore::Session& session, const std::string& sql,
                                               std::chrono::milliseconds after, RecordingSink& result)
{
    auto running = std::async(std::launch::async, [&] { return run(session, sql); });
    if (running.wait_for(after) == std::future_status::ready) {
        ADD_FAILURE() << "the batch ended before it was stopped";
        return {};
    }
    const auto asked = std::chrono::steady_clock::now();
    session.interrupt();
    running.wait();
    const auto took = std::chrono::steady_clock::now() - asked;
    result = running.get();
    return took;
}

TEST_F(Sessions, DeleteWhoseFilterMatchesNothingStopsPromptlyInsideATransaction)
{
    fixture.engine->fillDemoTasks(20000);
    auto session = fixture.session();
    query(*session, "begin tran\ndelete from zk_task where cTaskId = 'T0000000001'");
    // Each row's filter scans another table and is false: no row would reach a check placed
    // after it.
    RecordingSink sink;
    const auto took = timeToStop(*session,
                                 "delete from zk_tasklog where cTaskId in (select t.cTaskId from zk_task t"
                                 " where t.cSub_Id + 'no such' = zk_tasklog.cSub_Id)",
                                 300ms, sink);
    EXPECT_LT(took, 1s);
    ASSERT_EQ(sink.dones.size(), 1u);
    EXPECT_TRUE(sink.dones[0].failed);
    EXPECT_EQ(session->tranCount(), 1);
    EXPECT_EQ(query(*session, "select count(*) from zk_task where cTaskId = 'T0000000001'"), (Rows{{"0"}}));
    query(*session, "rollback");
}

TEST_F(Sessions, StopUnderXactAbortRollsTheTransactionBack)
{
    fixture.engine->fillDemoTasks(20000);
    auto session = fixture.session();
    query(*session, "set xact_abort on\nbegin tran\ndelete from zk_task where cTaskId = 'T0000000001'");
    RecordingSink sink;
    timeToStop(*session,
               "select cTaskId from zk_tasklog where cTaskId in (select t.cTaskId from zk_task t"
               " where t.cSub_Id + 'no such' = zk_tasklog.cSub_Id)",
               200ms, sink);
    EXPECT_EQ(session->tranCount(), 0);
    EXPECT_EQ(query(*session, "select count(*) from zk_task where cTaskId = 'T0000000001'"), (Rows{{"1"}}));
}

TEST_F(Sessions, OneLongLikeStopsPromptly)
{
    auto session = fixture.session();
    RecordingSink sink;
    const std::string text(20000, 'a');
    const auto took =
        timeToStop(*session, "select 1 where '" + text + "' like '" + repeat("%a", 20000) + "%b'", 200ms, sink);
    EXPECT_LT(took, 1s);
    ASSERT_EQ(sink.dones.size(), 1u);
    EXPECT_TRUE(sink.dones[0].failed);
    EXPECT_TRUE(sink.errors.empty());
    EXPECT_EQ(query(*session, "select 1"), (Rows{{"1"}}));
}

// Forty CASEs, each comparing its operand, the next CASE, with two values: 2^40 copies of the
// innermost one unless the repetition is stopped.
TEST_F(Sessions, ExponentialTranslationFailsTheStatementQuicklyAndTheBatchGoesOn)
{
    auto session = fixture.session();
    std::string nested = "1";
    for (int level = 0; level < 40; ++level)
        nested = "case " + nested + " when 1 then 1 when 2 then 2 end";
    const auto started = std::chrono::steady_clock::now();
    const RecordingSink sink = run(*session, "select " + nested + "\nselect 2");
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0].number, 8623);
    EXPECT_EQ(sink.errors[0].severity, 16);
    EXPECT_EQ(sink.errors[0].state, 1);
    ASSERT_EQ(sink.results.size(), 1u);
    EXPECT_EQ(sink.results[0].rows, (Rows{{"2"}}));
    EXPECT_EQ(query(*session, "select 3"), (Rows{{"3"}}));
}

// Asks the session to stop when the statement's implicit transaction begins, so that the request
// reaches the statement while it runs.
class StopAtTransactionStart : public RecordingSink {
public:
    explicit StopAtTransactionStart(taskstore::Session& session) : session_(session) {}
    void transactionChanged(taskstore::TransactionChange change, std::uint64_t descriptor) override
    {
        RecordingSink::transactionChanged(change, descriptor);
        if (change == taskstore::TransactionChange::Began)
            session_.interrupt();
    }

private:
    taskstore::Session& session_;
};

TEST_F(Sessions, StopDuringDeleteUndoesAFilteredOneAndFindsAnUnfilteredOneDone)
{
    constexpr std::int64_t tasks = 20000;
    fixture.engine->fillDemoTasks(tasks);
    auto session = fixture.session();
    query(*session, "set implicit_transactions on");
    const Rows all{{std::to_string(tasks)}};

    StopAtTransactionStart filtered(*session);
    session->executeBatch("delete from zk_tasklog where cTaskId <> ''\nselect 1", filtered);
    session->endRequest();
    ASSERT_EQ(filtered.dones.size(), 1u);
    EXPECT_TRUE(filtered.dones[0].failed);
    EXPECT_EQ(session->tranCount(), 1);
    EXPECT_EQ(query(*session, "select count(*) from zk_tasklog"), all);
    query(*session, "rollback");

    // As after an attention that arrives once the statement is complete: its exact count, and
    // the batch ends before the next statement.
    StopAtTransactionStart unfiltered(*session);
    session->executeBatch("delete from zk_tasklog\nselect 1", unfiltered);
    session->endRequest();
    ASSERT_EQ(unfiltered.dones.size(), 1u);
    EXPECT_FALSE(unfiltered.dones[0].failed);
    EXPECT_EQ(unfiltered.dones[0].rowCount, tasks);
    EXPECT_TRUE(unfiltered.errors.empty());
    EXPECT_EQ(session->tranCount(), 1);
    EXPECT_EQ(query(*session, "select count(*) from zk_tasklog"), (Rows{{"0"}}));
    query(*session, "rollback");
    EXPECT_EQ(query(*session, "select count(*) from zk_tasklog"), all);
}

TEST_F(Sessions, ManySessionsWriteAtOnce)
{
    constexpr int sessions = 50;
    constexpr int rowsEach = 5;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int s = 0; s < sessions; ++s) {
        threads.emplace_back([&, s] {
            auto session = fixture.session();
            for (int r = 0; r < rowsEach; ++r) {
                const std::string id = "'S" + std::to_string(s) + "-" + std::to_string(r) + "'";
                RecordingSink sink = run(*session,
                                         "begin tran\ninsert into zk_task (cTaskId) values (" + id
                                             + ")\ncommit\nselect cTaskId from zk_task where cTaskId = " + id);
                if (!sink.errors.empty() || sink.results.back().rows.size() != 1)
                    ++failures;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
    auto session = fixture.session();
    EXPECT_EQ(rowsIn(*session, "zk_task"), static_cast<std::size_t>(sessions * rowsEach));
}

}  // namespace
}  // namespace tsqltest
