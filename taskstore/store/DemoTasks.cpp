#include "taskstore/store/DemoTasks.h"

#include "taskstore/store/SqliteHandle.h"
#include "taskstore/store/StoredDateTime.h"

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace taskstore::store {
namespace {

struct Subsystem {
    const char* id;
    const char* name;
};
constexpr std::array<Subsystem, 12> subsystems{{
    {"GL", "总账"},
    {"AR", "应收款管理"},
    {"AP", "应付款管理"},
    {"FA", "固定资产"},
    {"WA", "薪资管理"},
    {"IA", "存货核算"},
    {"PU", "采购管理"},
    {"SA", "销售管理"},
    {"ST", "库存管理"},
    {"CA", "成本管理"},
    {"FD", "资金管理"},
    {"UFO", "UFO报表"},
}};
constexpr std::array<const char*, 6> stationPrefixes{{"财务部", "仓库", "销售部", "采购部", "FIN-PC", "SERVER"}};
constexpr std::array<const char*, 6> users{{"demo", "张三", "李四", "王芳", "刘洋", "陈静"}};
constexpr std::array<const char*, 7> normalStates{{"0", "1", "2", "05", "1", "3", "0"}};
constexpr std::array<const char*, 2> abnormalStates{{"-1", "-2"}};

// splitmix64: small, fast and the same on every platform (std distributions are not).
class Sequence {
public:
    explicit Sequence(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    std::uint64_t below(std::uint64_t bound) { return next() % bound; }

private:
    std::uint64_t state_;
};

void bindText(sqlite3_stmt* statement, int index, const std::string& text)
{
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void stepOrThrow(sqlite3* db, sqlite3_stmt* statement)
{
    if (sqlite3_step(statement) != SQLITE_DONE)
        throw StoreError(sqlite3_errmsg(db));
    sqlite3_reset(statement);
}

// "CREATE INDEX name ON ..." as stored in the schema, aimed at the attached database.
std::string withSchema(const std::string& createIndex, const std::string& schema)
{
    const std::string prefix = "CREATE INDEX ";
    if (createIndex.compare(0, prefix.size(), prefix) != 0)
        throw StoreError("unexpected index definition: " + createIndex);
    return prefix + schema + "." + createIndex.substr(prefix.size());
}

}  // namespace

bool fillDemoTasks(sqlite3* db, std::string_view schemaName, std::int64_t n)
{
    const std::string schema = quoteIdentifier(schemaName);
    {
        auto count = prepare(db, "SELECT EXISTS (SELECT 1 FROM " + schema + ".zk_tasklog)");
        if (sqlite3_step(count.get()) != SQLITE_ROW || sqlite3_column_int(count.get(), 0) != 0)
            return false;
    }
    // One large transaction: a big page cache keeps index pages in memory until the commit.
    execute(db, "PRAGMA " + schema + ".cache_size=-262144");
    execute(db, "BEGIN IMMEDIATE");
    try {
        // Indexes are built once after the rows are in, which is much faster than row by row.
        std::vector<std::string> names;
        std::vector<std::string> indexes;
        {
            auto list = prepare(db,
                                "SELECT name, sql FROM " + schema
                                    + ".sqlite_schema WHERE type = 'index' AND sql IS NOT NULL"
                                      " AND tbl_name IN ('zk_task', 'zk_tasklog')");
            while (sqlite3_step(list.get()) == SQLITE_ROW) {
                names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(list.get(), 0)));
                indexes.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(list.get(), 1)));
            }
        }
        for (const std::string& name : names)
            execute(db, "DROP INDEX " + schema + "." + quoteIdentifier(name));
        auto logInsert = prepare(db,
                                 "INSERT INTO " + schema
                                     + ".zk_tasklog (cTaskId, cSub_Id, cSub_Name, cStation, TaskState, dInTime,"
                                       " cUserName, cAcc_Id, cMemo) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, '001', ?8)");
        auto taskInsert = prepare(db,
                                  "INSERT INTO " + schema
                                      + ".zk_task (cSub_Id, cTaskId, cSub_Name, cStation, cUserName, dStartTime,"
                                        " iProgress) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
        Sequence random(static_cast<std::uint64_t>(n) * 7919 + 17);
        const std::int32_t firstDay = daysFromCivil({2026, 11, 1});
        const std::int64_t spanMs = 30LL * 86400 * 1000;
        std::string previousSubId;
        bool previousAbnormal = false;
        char buffer[64];
        for (std::int64_t i = 0; i < n; ++i) {
            const Subsystem& subsystem = subsystems[random.below(subsystems.size())];
            const bool sharesId = i > 0 && random.below(20) == 0;
            const bool abnormal = sharesId ? !previousAbnormal : random.below(10) == 0;
            std::string subId;
            if (sharesId) {
                subId = previousSubId;
            } else {
                std::snprintf(buffer, sizeof buffer, "%s%08lld", subsystem.id, static_cast<long long>(i + 1));
                subId = buffer;
            }
            std::snprintf(buffer, sizeof buffer, "T%010lld", static_cast<long long>(i + 1));
            const std::string taskId = buffer;
            std::snprintf(buffer, sizeof buffer, "%s-%02d", stationPrefixes[random.below(stationPrefixes.size())],
                          static_cast<int>(random.below(30) + 1));
            const std::string station = buffer;
            const std::string state = abnormal ? abnormalStates[random.below(abnormalStates.size())]
                                               : normalStates[random.below(normalStates.size())];
            const std::int64_t at = n > 0 ? spanMs * i / n + static_cast<std::int64_t>(random.below(60000)) : 0;
            const std::string inTime =
                formatStored(fromMilliseconds(firstDay + static_cast<std::int32_t>(at / 86400000), at % 86400000));
            const std::string user = users[random.below(users.size())];

            bindText(logInsert.get(), 1, taskId);
            bindText(logInsert.get(), 2, subId);
            bindText(logInsert.get(), 3, subsystem.name);
            bindText(logInsert.get(), 4, station);
            bindText(logInsert.get(), 5, state);
            bindText(logInsert.get(), 6, inTime);
            bindText(logInsert.get(), 7, user);
            bindText(logInsert.get(), 8, abnormal ? "任务异常中止" : "");
            stepOrThrow(db, logInsert.get());

            if (!sharesId) {
                bindText(taskInsert.get(), 1, subId);
                bindText(taskInsert.get(), 2, taskId);
                bindText(taskInsert.get(), 3, subsystem.name);
                bindText(taskInsert.get(), 4, station);
                bindText(taskInsert.get(), 5, user);
                bindText(taskInsert.get(), 6, inTime);
                sqlite3_bind_int(taskInsert.get(), 7, static_cast<int>(random.below(101)));
                stepOrThrow(db, taskInsert.get());
            }
            previousSubId = subId;
            previousAbnormal = abnormal;
        }
        logInsert.reset();
        taskInsert.reset();
        for (const std::string& index : indexes)
            execute(db, withSchema(index, schema));
        execute(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    return true;
}

}  // namespace taskstore::store
