// Many sessions of the tool's own database path against one taskstore for a while: list, insert,
// clear abnormal, commit. At the end no committed row may be lost or doubled, no error other
// than a lock time-out may have happened, and the server's memory must have stayed flat.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcesses.h"
#include "OdbcClient.h"
#include "TaskStoreProcess.h"
#include "ToolSession.h"
#include "db/Recordset.h"
#include "db/TaskOperations.h"
#include "runtime/RuntimeError.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr long lockTimeoutError = 1222;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitizedBuild = true;
#else
constexpr bool sanitizedBuild = false;
#endif

struct Totals {
    std::atomic<long> lists = 0, commits = 0, clearings = 0, lockTimeouts = 0;
    std::mutex mutex;
    std::vector<std::string> errors;
    std::set<std::string> committedNormal, committedAbnormal, uncertain;
};

void runSession(const std::string& server, int session, Clock::time_point end, Totals& totals)
{
    std::unique_ptr<db::Connection> connection;
    for (long n = 0; n < 10'000'000 && Clock::now() < end; ++n) {
        const std::string id = "W" + std::to_string(session) + "-" + std::to_string(n);
        const bool abnormal = n % 3 == 0;
        bool commitSent = false;
        try {
            if (!connection)
                connection = reliability::logOnAsTheToolDoes(server);
            {
                db::Recordset list;
                db::TaskOperations::openTaskList(list, *connection);
                list.Close();
                ++totals.lists;
            }
            connection->BeginTrans();
            connection->Execute("insert into zk_tasklog (cSub_Id, cSub_Name, cStation, TaskState, dInTime, cTaskId) values ('"
                                + id + "', N'总账', 'PC', '" + (abnormal ? "-1" : "2") + "', '2006-01-05 10:20:30', '"
                                + id + "')");
            connection->Execute("insert into zk_task (cSub_Id) values ('" + id + "')");
            commitSent = true;
            connection->CommitTrans();
            ++totals.commits;
            {
                const std::lock_guard lock(totals.mutex);
                (abnormal ? totals.committedAbnormal : totals.committedNormal).insert(id);
            }
            if (n % 4 == 1) {
                db::TaskOperations::clearTasks(*connection, db::TaskOperations::Clearing::AbnormalTasks);
                ++totals.clearings;
            }
        } catch (const rt::RuntimeError& error) {
            const std::lock_guard lock(totals.mutex);
            if (commitSent)
                totals.uncertain.insert(id);
            if (error.Number() == lockTimeoutError)
                ++totals.lockTimeouts;
            else
                totals.errors.push_back(std::to_string(error.Number()) + " " + error.Description());
            // As the tool would: the program ends and its session with it.
            connection.reset();
        }
    }
}

std::multiset<std::string> column(testsupport::OdbcClient& client, const std::string& sql)
{
    std::multiset<std::string> values;
    for (const auto& row : client.query(sql))
        values.insert(row.at(0).value_or("<NULL>"));
    return values;
}

}  // namespace

int main(int argc, char** argv)
{
    int sessions = 50;
    int seconds = 60;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--sessions") == 0)
            sessions = std::max(1, std::min(200, std::atoi(argv[i + 1])));
        else if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::max(1, std::min(3600, std::atoi(argv[i + 1])));
    }
    testsupport::TaskStoreProcess store;
    const pid_t pid = reliability::childNamed("taskstore");
    Totals totals;
    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(seconds);
    std::vector<std::thread> threads;
    for (int s = 0; s < sessions; ++s)
        threads.emplace_back(runSession, store.serverName(), s, end, std::ref(totals));
    std::vector<long> rss;
    while (Clock::now() < end) {
        rss.push_back(reliability::residentKilobytes(pid));
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    for (auto& thread : threads)
        thread.join();
    const double held = std::chrono::duration<double>(Clock::now() - start).count();

    int failures = 0;
    const auto fail = [&failures](const std::string& what) {
        std::printf("FAIL: %s\n", what.c_str());
        ++failures;
    };
    for (const std::string& error : totals.errors)
        fail("error other than a lock time-out: " + error);

    testsupport::OdbcClient client(store.port());
    const auto log = column(client, "select cTaskId from zk_tasklog where cTaskId like 'W%'");
    const auto tasks = column(client, "select cSub_Id from zk_task where cSub_Id like 'W%'");
    long lost = 0, doubled = 0, phantom = 0;
    for (const std::string& id : totals.committedNormal) {
        if (totals.uncertain.contains(id))
            continue;
        lost += log.count(id) == 0 || tasks.count(id) == 0;
        doubled += log.count(id) > 1 || tasks.count(id) > 1;
    }
    for (const auto* rows : {&log, &tasks}) {
        for (const std::string& id : *rows) {
            if (!totals.committedNormal.contains(id) && !totals.committedAbnormal.contains(id) && !totals.uncertain.contains(id))
                ++phantom;
            doubled += rows->count(id) > 1 && totals.committedAbnormal.contains(id);
        }
    }
    // One last clearing takes every abnormal row that is left, with its task row.
    auto last = reliability::logOnAsTheToolDoes(store.serverName());
    db::TaskOperations::clearTasks(*last, db::TaskOperations::Clearing::AbnormalTasks);
    const auto after = column(client, "select cTaskId from zk_tasklog where TaskState = '-1'");
    if (lost)
        fail(std::to_string(lost) + " committed rows lost");
    if (doubled)
        fail(std::to_string(doubled) + " rows doubled");
    if (phantom)
        fail(std::to_string(phantom) + " rows that were never committed");
    if (!after.empty())
        fail(std::to_string(after.size()) + " abnormal rows survived the last clearing");

    // Flat: the last third of the run no higher than the middle third plus a quarter (and 8 MB).
    long middle = 0, tail = 0, peak = 0;
    const std::size_t third = rss.size() / 3;
    for (std::size_t i = third; i < 2 * third; ++i)
        middle = std::max(middle, rss[i]);
    for (std::size_t i = 2 * third; i < rss.size(); ++i)
        tail = std::max(tail, rss[i]);
    for (long sample : rss)
        peak = std::max(peak, sample);
    if (pid <= 0 || rss.size() < 3 || rss.front() <= 0)
        fail("server memory could not be sampled");
    else if (sanitizedBuild)
        std::printf("server memory not judged: AddressSanitizer holds freed memory back on purpose\n");
    else if (tail > middle + std::max(middle / 4, 8192L))
        fail("server memory grew from " + std::to_string(middle) + " kB to " + std::to_string(tail) + " kB");

    std::printf("sessions %d held %.1f s: %ld lists, %ld commits, %ld clearings, %ld lock time-outs, %zu other errors\n",
                sessions, held, totals.lists.load(), totals.commits.load(), totals.clearings.load(),
                totals.lockTimeouts.load(), totals.errors.size());
    std::printf("rows: %zu normal committed, %zu abnormal committed, %zu uncertain, %ld lost, %ld doubled, %ld never committed\n",
                totals.committedNormal.size(), totals.committedAbnormal.size(), totals.uncertain.size(), lost, doubled,
                phantom);
    std::printf("server RSS: first %ld kB, middle-third peak %ld kB, last-third peak %ld kB, peak %ld kB (%zu samples)\n",
                rss.empty() ? 0 : rss.front(), middle, tail, peak, rss.size());
    std::printf(failures ? "SOAK FAILED\n" : "SOAK PASSED\n");
    return failures ? 1 : 0;
}
