// taskstore killed with SIGKILL while many sessions commit: the files stay sound, and after a
// restart every commit a client saw acknowledged is there, and nothing else.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <set>
#include <sqlite3.h>
#include <thread>

#include "OdbcClient.h"
#include "TaskStoreProcess.h"
#include "ToolSession.h"
#include "runtime/RuntimeError.h"
#include "taskstore/store/TextCollation.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int sessions = 8;
constexpr int rounds = 3;

// What one session knows about its own writes when the server dies.
struct SessionRecord {
    std::vector<std::string> acknowledged;
    std::vector<std::string> rolledBack;
    std::string commitInFlight;  // commit sent, answer never seen: may or may not be there
    std::string failure;         // anything other than the lost server
};

void commitUntilTheServerDies(const std::string& server, const std::string& prefix, SessionRecord& record,
                              std::atomic<int>& acknowledged)
{
    std::unique_ptr<db::Connection> connection;
    try {
        connection = reliability::logOnAsTheToolDoes(server);
    } catch (const runtime::RuntimeError& error) {
        record.failure = "log-on: " + error.Description();
        return;
    }
    for (int n = 0; n < 100000; ++n) {
        const std::string id = prefix + std::to_string(n);
        const std::string insertLog =
            "insert into zk_tasklog (cSub_Id, cSub_Name, cStation, TaskState, dInTime, cTaskId) "
            "values ('"
            + id + "', N'总账', 'PC', '1', '2006-01-05 10:20:30', '" + id + "')";
        const std::string insertTask = "insert into zk_task (cSub_Id) values ('" + id + "')";
        try {
            if (n % 4 == 3) {
                // Written, then undone by the session itself: must never show up.
                record.rolledBack.push_back(id);
                connection->Execute("begin transaction; " + insertLog + "; " + insertTask + "; rollback transaction");
                continue;
            }
            connection->BeginTrans();
            connection->Execute(insertLog);
            connection->Execute(insertTask);
            record.commitInFlight = id;
            connection->CommitTrans();
            record.commitInFlight.clear();
            record.acknowledged.push_back(id);
            ++acknowledged;
        } catch (const runtime::RuntimeError&) {
            return;  // the server is gone
        }
    }
}

std::string integrityOf(const std::filesystem::path& file)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return "cannot open " + file.string();
    }
    taskstore::store::registerTextCollation(db);
    std::string result;
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr);
    while (statement && sqlite3_step(statement) == SQLITE_ROW)
        result += reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
}

std::multiset<std::string> column(testsupport::OdbcClient& client, const std::string& sql)
{
    std::multiset<std::string> values;
    for (const auto& row : client.query(sql))
        values.insert(row.at(0).value_or("<NULL>"));
    return values;
}

TEST(TaskStoreKilled, WhileSessionsCommitKeepsExactlyTheAcknowledgedCommits)
{
    testsupport::TaskStoreProcess store;
    int totalAcknowledged = 0;
    for (int round = 0; round < rounds; ++round) {
        std::vector<SessionRecord> records(sessions);
        std::atomic<int> acknowledged = 0;
        std::vector<std::thread> threads;
        for (int s = 0; s < sessions; ++s) {
            const std::string prefix = "K" + std::to_string(round) + "-" + std::to_string(s) + "-";
            threads.emplace_back(commitUntilTheServerDies, store.serverName(), prefix, std::ref(records[s]),
                                 std::ref(acknowledged));
        }
        const auto deadline = Clock::now() + 20s;
        while (acknowledged < 40 * sessions && Clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        store.kill();
        for (auto& thread : threads)
            thread.join();
        totalAcknowledged += acknowledged;

        for (const char* name : {"VOZUZODI.sqlite", "master.sqlite"})
            EXPECT_EQ(integrityOf(store.dataFolder() / name), "ok") << name << " after kill " << round;
        store.restart();

        testsupport::OdbcClient client(store.port());
        const std::string pattern = "'K" + std::to_string(round) + "-%'";
        const auto log = column(client, "select cTaskId from zk_tasklog where cTaskId like " + pattern);
        const auto tasks = column(client, "select cSub_Id from zk_task where cSub_Id like " + pattern);
        EXPECT_EQ(log, tasks) << "a transaction's two rows did not stay together";
        std::set<std::string> allowed;
        for (const SessionRecord& record : records) {
            EXPECT_EQ(record.failure, "");
            EXPECT_GT(record.acknowledged.size(), 0u);
            for (const std::string& id : record.acknowledged) {
                EXPECT_EQ(log.count(id), 1u) << "acknowledged commit " << id << " lost or doubled";
                allowed.insert(id);
            }
            for (const std::string& id : record.rolledBack)
                EXPECT_EQ(log.count(id), 0u) << "rolled-back row " << id << " is there";
            if (!record.commitInFlight.empty())
                allowed.insert(record.commitInFlight);
        }
        for (const std::string& id : log)
            EXPECT_TRUE(allowed.contains(id)) << id << " was never committed";
    }
    std::printf("sessions %d, kills %d, acknowledged commits %d\n", sessions, rounds, totalAcknowledged);
}

}  // namespace
