// The engine over its data folder: a restart keeps committed data only, files written by another
// program or an older release are read as SQL Server would, and the demo tasks.
#include "EngineFixture.h"
#include "RecordingSink.h"
#include "TsqlCases.h"

#include "db/TaskStatements.h"
#include "taskstore/store/SqliteHandle.h"
#include "taskstore/store/TextCollation.h"
#include "taskstore/store/WriteBehindTheServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <utility>

namespace tsqltest {
namespace {

namespace ts = db::TaskStatements;
using storetest::writeBehindTheServer;

TEST(Storage, RestartKeepsCommittedDataOnly)
{
    EngineFixture fixture;
    const auto data = fixture.folder.path() / "data";
    {
        auto session = fixture.session();
        query(*session, fixtureSql);
        query(*session, "create database Extra\nuse Extra\ncreate table kept (id int)\ninsert into kept values (7)");
        query(*session, "use VOZUZODI\nbegin tran\ndelete from zk_tasklog");
    }
    // The session and engine end with the delete uncommitted.
    fixture.engine.reset();
    EXPECT_EQ(std::filesystem::status(data / "VOZUZODI.sqlite").permissions() & std::filesystem::perms::group_all,
              std::filesystem::perms::none);
    fixture.engine = taskstore::sql::openEngine(data);
    auto session = fixture.session();
    EXPECT_EQ(query(*session, "select cTaskId from zk_tasklog").size(), 5u);
    EXPECT_TRUE(fixture.engine->databaseExists("extra"));
    EXPECT_EQ(query(*session, "select id from Extra.dbo.kept"), (Rows{{"7"}}));
}

TEST(Storage, DateTimeTextWrittenByAnotherProgramIsReadOrRefusedAsSqlServerWould)
{
    EngineFixture fixture;
    auto session = fixture.session();
    query(*session, fixtureSql);
    const auto file = fixture.folder.path() / "data" / "VOZUZODI.sqlite";
    writeBehindTheServer(file, "update zk_tasklog set dInTime = 'Jan  5 2006 10:20AM' where cTaskId = 'T1'");
    EXPECT_EQ(query(*session, "select dInTime from zk_tasklog where cTaskId = 'T1'"),
              (Rows{{"2006-01-05 10:20:00.000"}}));
    // In the stored form, but no day of the calendar: refused, not read as the 2nd of March.
    writeBehindTheServer(file, "update zk_tasklog set dInTime = '2026-02-30 00:00:00.000' where cTaskId = 'T3'");
    const RecordingSink dayPastTheMonth = run(*session, "select dInTime from zk_tasklog where cTaskId = 'T3'");
    ASSERT_EQ(dayPastTheMonth.errors.size(), 1u);
    EXPECT_EQ(dayPastTheMonth.errors[0].number, 242);
    writeBehindTheServer(file, "update zk_tasklog set dInTime = '10000-01-01 00:00:00.000' where cTaskId = 'T2'");
    const RecordingSink sink = run(*session, ts::listQuery());
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0].number, 241);
    EXPECT_EQ(sink.errors[0].message, "Conversion failed when converting date and/or time from character string.");
}

TEST(Storage, AnOlderReleasesFileGetsItsIndexesRebuiltForTheTextOrderAndTheMarkOfTaskstore)
{
    TemporaryFolder folder;
    const auto data = folder.path() / "data";
    taskstore::sql::openEngine(data);
    {
        sqlite3* raw = nullptr;
        sqlite3_open((data / "VOZUZODI.sqlite").c_str(), &raw);
        const taskstore::store::SqliteDb db(raw);
        // An older release ordered text by code point.
        const auto codePointOrder = [](void*, int lengthA, const void* a, int lengthB, const void* b) {
            const int common = std::memcmp(a, b, static_cast<std::size_t>(std::min(lengthA, lengthB)));
            return common != 0 ? common : lengthA - lengthB;
        };
        sqlite3_create_collation_v2(raw, taskstore::store::textCollationName, SQLITE_UTF8, nullptr, codePointOrder,
                                    nullptr);
        taskstore::store::execute(raw,
                                  "insert into zk_tasklog (cTaskId, cSub_Id) values ('T1', '中'), ('T2', '啊'),"
                                  " ('T3', '八'), ('T4', '总'), ('T5', '账'), ('T6', 'z')");
        // Nor did it mark its files as taskstore's.
        taskstore::store::execute(raw, "PRAGMA user_version = 1; PRAGMA application_id = 0");
    }
    auto engine = taskstore::sql::openEngine(data);
    auto session = engine->newSession("VOZUZODI", 51);
    const std::pair<const char*, const char*> rows[] = {
        {"中", "T1"}, {"啊", "T2"}, {"八", "T3"}, {"总", "T4"}, {"账", "T5"}};
    for (const auto& [subId, taskId] : rows) {
        EXPECT_EQ(query(*session, std::string("select cTaskId from zk_tasklog where cSub_Id = N'") + subId + "'"),
                  (Rows{{taskId}}))
            << subId;
    }
    EXPECT_EQ(query(*session, "select cTaskId from zk_tasklog where cSub_Id > 'z' order by cSub_Id"),
              (Rows{{"T2"}, {"T3"}, {"T5"}, {"T1"}, {"T4"}}));
    sqlite3* raw = nullptr;
    sqlite3_open_v2((data / "VOZUZODI.sqlite").c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    const taskstore::store::SqliteDb db(raw);
    const auto marked = taskstore::store::prepare(raw, "PRAGMA application_id");
    ASSERT_EQ(sqlite3_step(marked.get()), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(marked.get(), 0), 0x54534B31) << "marked as taskstore's now";
}

TEST(Storage, DemoTasksAreDeterministicAndMixed)
{
    EngineFixture first;
    EngineFixture second;
    first.engine->fillDemoTasks(2000);
    second.engine->fillDemoTasks(2000);
    const std::string all = "select * from zk_tasklog order by cTaskId";
    auto a = first.session();
    auto b = second.session();
    const Rows rows = query(*a, all);
    ASSERT_EQ(rows.size(), 2000u);
    EXPECT_EQ(rows, query(*b, all));
    EXPECT_EQ(query(*a, "select * from zk_task order by cTaskId"), query(*b, "select * from zk_task order by cTaskId"));

    const std::size_t abnormal = query(*a, "select cTaskId from zk_tasklog where convert(int, TaskState) < 0").size();
    EXPECT_GT(abnormal, 120u);
    EXPECT_LT(abnormal, 320u);
    const Rows shared = query(*a,
                              "select cSub_Id from zk_tasklog where convert(int, TaskState) < 0 and cSub_Id in"
                              " (select cSub_Id from zk_tasklog where convert(int, TaskState) >= 0)");
    EXPECT_FALSE(shared.empty());
    // A second fill leaves existing tasks alone.
    first.engine->fillDemoTasks(10);
    EXPECT_EQ(query(*a, all).size(), 2000u);
}

}  // namespace
}  // namespace tsqltest
