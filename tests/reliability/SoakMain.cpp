// Many sessions of the tool's own database path against one taskstore for a while: list, insert,
// clear abnormal, commit, and take their own normal tasks out again now and then, so the tables
// stay small. At the end no committed row may be lost or doubled, no removed row may be back, no
// error other than a lock time-out may have happened, and from a minute on the server's memory
// must have stayed flat: the last quarter's peak within 5% of the second quarter's.
// With --hostile N, N hostile clients attack the same server meanwhile (HostileLoad.h): every
// attack must get its expected answer in time, the sessions the same results as without them,
// and the server's memory must stay under hostileMemoryBoundKb throughout.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "HostileLoad.h"
#include "OtherUserAttacks.h"
#include "OdbcClient.h"
#include "TaskStoreProcess.h"
#include "ToolSession.h"
#include "db/Recordset.h"
#include "db/TaskOperations.h"
#include "runtime/RuntimeError.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr long lockTimeoutError = 1222;
// The demo tables the attacks scan, the server's memory budget under attack (SQLite's heap, long
// rows, requests and function calls), and the bound of its memory: the budget and what it does not
// count, the program, stacks and short requests queued per connection.
constexpr long hostileDemoTasks = 20000;
constexpr long hostileBudgetMiB = 384;
constexpr long hostileMemoryBoundKb = 512 * 1024;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitizedBuild = true;
#else
constexpr bool sanitizedBuild = false;
#endif

struct Totals {
    std::atomic<long> lists = 0, commits = 0, clearings = 0, lockTimeouts = 0;
    std::mutex mutex;
    std::vector<std::string> errors;
    std::set<std::string> committedNormal, committedAbnormal, uncertain, removed;
    std::atomic<long> removals = 0;
};

std::string quotedList(const std::vector<std::string>& ids)
{
    std::string list;
    for (const std::string& id : ids)
        list += (list.empty() ? "'" : ", '") + id + "'";
    return list;
}

// Takes the session's own normal tasks out again in one transaction.
void removeTasks(db::Connection& connection, const std::vector<std::string>& ids, bool& commitSent)
{
    connection.BeginTrans();
    connection.Execute("delete from zk_task where cSub_Id in (" + quotedList(ids) + ")");
    connection.Execute("delete from zk_tasklog where cTaskId in (" + quotedList(ids) + ")");
    commitSent = true;
    connection.CommitTrans();
}

void runSession(const std::string& server, int session, Clock::time_point end, Totals& totals)
{
    std::unique_ptr<db::Connection> connection;
    std::vector<std::string> normalKept;  // committed by this session and not yet removed
    for (long n = 0; n < 10'000'000 && Clock::now() < end; ++n) {
        const std::string id = "W" + std::to_string(session) + "-" + std::to_string(n);
        const bool abnormal = n % 3 == 0;
        bool commitSent = false;
        bool removalSent = false;
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
            connection->Execute(
                "insert into zk_tasklog (cSub_Id, cSub_Name, cStation, TaskState, dInTime, cTaskId) values ('" + id
                + "', N'总账', 'PC', '" + (abnormal ? "-1" : "2") + "', '2006-01-05 10:20:30', '" + id + "')");
            connection->Execute("insert into zk_task (cSub_Id) values ('" + id + "')");
            commitSent = true;
            connection->CommitTrans();
            ++totals.commits;
            {
                const std::lock_guard lock(totals.mutex);
                (abnormal ? totals.committedAbnormal : totals.committedNormal).insert(id);
            }
            if (!abnormal)
                normalKept.push_back(id);
            if (n % 4 == 1) {
                db::TaskOperations::clearTasks(*connection, db::TaskOperations::Clearing::AbnormalTasks);
                ++totals.clearings;
            }
            if (n % 10 == 9 && !normalKept.empty()) {
                removeTasks(*connection, normalKept, removalSent);
                ++totals.removals;
                const std::lock_guard lock(totals.mutex);
                for (const std::string& removed : normalKept) {
                    totals.committedNormal.erase(removed);
                    totals.removed.insert(removed);
                }
                normalKept.clear();
            }
        } catch (const runtime::RuntimeError& error) {
            const std::lock_guard lock(totals.mutex);
            if (commitSent && !removalSent)
                totals.uncertain.insert(id);
            if (removalSent) {
                totals.uncertain.insert(normalKept.begin(), normalKept.end());
                normalKept.clear();
            }
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
    int hostiles = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--sessions") == 0)
            sessions = std::max(1, std::min(200, std::atoi(argv[i + 1])));
        else if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::max(1, std::min(3600, std::atoi(argv[i + 1])));
        else if (std::strcmp(argv[i], "--hostile") == 0)
            hostiles = std::max(0, std::min(20, std::atoi(argv[i + 1])));
    }
    testsupport::TaskStoreOptions options;
    if (hostiles > 0) {
        options.demoTasks = hostileDemoTasks;
        options.extraArguments = {"--server-memory", std::to_string(hostileBudgetMiB)};
    }
    testsupport::TaskStoreProcess store(options);
    Totals totals;
    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(seconds);
    std::vector<std::thread> threads;
    // Another local user meanwhile holds 200 idle sockets and guesses the password from many
    // loopback addresses; neither may slow a log-on (HostileLoad), and the guessing stays slow.
    // Forked before the sessions' threads start.
    std::unique_ptr<hostile::OtherUserAttacks> idleSockets, guessing;
    if (hostiles > 0 && hostile::OtherUserAttacks::possible()) {
        const auto port = static_cast<std::uint16_t>(store.port());
        idleSockets = std::make_unique<hostile::OtherUserAttacks>();
        idleSockets->start([&] { return hostile::holdIdleSockets(port, end, 200); });
        guessing = std::make_unique<hostile::OtherUserAttacks>();
        for (int g = 0; g < 2; ++g)
            guessing->start([&] { return hostile::guessWrongPasswords(port, end); });
    } else if (hostiles > 0) {
        std::printf("no attacks by another local user: only root can start them\n");
    }
    for (int s = 0; s < sessions; ++s)
        threads.emplace_back(runSession, store.serverName(), s, end, std::ref(totals));
    hostile::HostileCounts attacks;
    for (int h = 0; h < hostiles; ++h)
        threads.emplace_back(hostile::runHostileClient, store.port(), std::string(), end, std::ref(attacks));
    // The task log's size now and then, from a session of its own.
    std::size_t largestLog = 0;
    std::thread watcher([&] {
        testsupport::OdbcClient client(store.port());
        while (Clock::now() < end) {
            const auto count = client.query("select count(*) from zk_tasklog").at(0).at(0).value_or("0");
            largestLog = std::max<std::size_t>(largestLog, std::stoul(count));
            std::this_thread::sleep_for(std::chrono::seconds(2));
        }
    });
    std::vector<long> rss;
    while (Clock::now() < end) {
        rss.push_back(store.residentKilobytes("VmRSS"));
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    for (auto& thread : threads)
        thread.join();
    watcher.join();
    const double held = std::chrono::duration<double>(Clock::now() - start).count();
    const long idleOpened = idleSockets ? idleSockets->finish() : 0;
    const long guessesAnswered = guessing ? guessing->finish() : 0;
    // Guesses waiting for their turn at the end are answered after it: the guessing lasted till now.
    const double guessingLasted = std::chrono::duration<double>(Clock::now() - start).count();

    int failures = 0;
    const auto fail = [&failures](const std::string& what) {
        std::printf("FAIL: %s\n", what.c_str());
        ++failures;
    };
    for (const std::string& error : totals.errors)
        fail("error other than a lock time-out: " + error);
    for (const std::string& failure : attacks.failures)
        fail("hostile client: " + failure);
    if (idleOpened < 0 || guessesAnswered < 0)
        fail("an attack by another local user failed");
    // Three free, then one a second, whatever the number of addresses.
    if (guessing && guessesAnswered > 3 + static_cast<long>(guessingLasted) + 1)
        fail(std::to_string(guessesAnswered) + " wrong passwords answered in " + std::to_string(guessingLasted) + " s");

    testsupport::OdbcClient client(store.port());
    const auto log = column(client, "select cTaskId from zk_tasklog where cTaskId like 'W%-%'");
    const auto tasks = column(client, "select cSub_Id from zk_task where cSub_Id like 'W%-%'");
    long lost = 0, doubled = 0, phantom = 0, back = 0;
    for (const std::string& id : totals.committedNormal) {
        if (totals.uncertain.contains(id))
            continue;
        lost += log.count(id) == 0 || tasks.count(id) == 0;
        doubled += log.count(id) > 1 || tasks.count(id) > 1;
    }
    for (const auto* rows : {&log, &tasks}) {
        for (const std::string& id : *rows) {
            if (!totals.committedNormal.contains(id) && !totals.committedAbnormal.contains(id)
                && !totals.uncertain.contains(id) && !totals.removed.contains(id))
                ++phantom;
            back += totals.removed.contains(id) && !totals.uncertain.contains(id);
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
    if (back)
        fail(std::to_string(back) + " rows back after their removal was committed");
    if (!after.empty())
        fail(std::to_string(after.size()) + " abnormal rows survived the last clearing");

    // Flat: once caches have filled, memory stays where it was. The first quarter is warm-up.
    long quarters[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < rss.size(); ++i)
        quarters[std::min<std::size_t>(3, 4 * i / rss.size())] =
            std::max(quarters[std::min<std::size_t>(3, 4 * i / rss.size())], rss[i]);
    if (rss.size() < 4 || rss.front() <= 0)
        fail("server memory could not be sampled");
    else if (sanitizedBuild)
        std::printf("server memory not judged: AddressSanitizer holds freed memory back on purpose\n");
    else if (hostiles > 0 && *std::max_element(rss.begin(), rss.end()) > hostileMemoryBoundKb)
        fail("server memory under attack reached " + std::to_string(*std::max_element(rss.begin(), rss.end()))
             + " kB, above " + std::to_string(hostileMemoryBoundKb) + " kB");
    else if (hostiles > 0)
        std::printf("server memory judged against its bound under attack (%ld kB), not for flatness\n",
                    hostileMemoryBoundKb);
    else if (seconds < 60)
        std::printf("server memory not judged: a run shorter than a minute is all warm-up\n");
    else if (quarters[3] * 100 > quarters[1] * 105)
        fail("server memory grew from " + std::to_string(quarters[1]) + " kB in the second quarter to "
             + std::to_string(quarters[3]) + " kB in the last");

    std::printf("sessions %d held %.1f s: %ld lists, %ld commits, %ld clearings, %ld removals, %ld lock time-outs, "
                "%zu other errors\n",
                sessions, held, totals.lists.load(), totals.commits.load(), totals.clearings.load(),
                totals.removals.load(), totals.lockTimeouts.load(), totals.errors.size());
    std::printf("tables at the end: %zu log rows, %zu task rows of the soak; largest log seen %zu rows\n", log.size(),
                tasks.size(), largestLog);
    std::printf("rows: %zu normal committed, %zu abnormal committed, %zu uncertain, %ld lost, %ld doubled, %ld never "
                "committed\n",
                totals.committedNormal.size(), totals.committedAbnormal.size(), totals.uncertain.size(), lost, doubled,
                phantom);
    std::printf("server RSS: first %ld kB; peak by quarter %ld, %ld, %ld, %ld kB (%zu samples)\n",
                rss.empty() ? 0 : rss.front(), quarters[0], quarters[1], quarters[2], quarters[3], rss.size());
    if (hostiles > 0)
        std::printf(
            "hostile clients %d: %ld rounds, %ld nested-too-deeply answers, %ld attentions (slowest %ld ms), "
            "%ld floods sent ahead, %ld parameter-limit answers, %ld costly-statement rounds, %ld connections "
            "dropped, slowest log-on %ld ms, %zu failures\n",
            hostiles, attacks.rounds.load(), attacks.nestedErrors.load(), attacks.attentions.load(),
            attacks.slowestAttentionMs.load(), attacks.floods.load(), attacks.parameterErrors.load(),
            attacks.costly.load(), attacks.dropped.load(), attacks.slowestLogOnMs.load(), attacks.failures.size());
    if (guessing)
        std::printf("another local user: %ld idle sockets opened, %ld wrong passwords answered (%.1f a second)\n",
                    idleOpened, guessesAnswered, static_cast<double>(guessesAnswered) / guessingLasted);
    std::printf(failures ? "SOAK FAILED\n" : "SOAK PASSED\n");
    return failures ? 1 : 0;
}
