#include "bench/NativeStore.h"

#include <sqlite3.h>
#include <stdexcept>

#include "bench/RunProgram.h"
#include "taskstore/store/TextCollation.h"

namespace bench {

namespace fs = std::filesystem;

namespace {

// The native forms of the clearing statements: T-SQL's convert(int, x) is SQLite's CAST.
constexpr const char* abnormalClear =
    "BEGIN IMMEDIATE;"
    "DELETE FROM zk_task WHERE cSub_Id IN (SELECT cSub_Id FROM zk_tasklog WHERE CAST(TaskState AS INTEGER) < 0);"
    "DELETE FROM zk_tasklog WHERE CAST(TaskState AS INTEGER) < 0;"
    "COMMIT;";
constexpr const char* fullClear = "BEGIN IMMEDIATE; DELETE FROM zk_task; DELETE FROM zk_tasklog; COMMIT;";

// The sqlite3 program lacks the store's text collation; a number compared with 0 needs none.
constexpr const char* nativeList =
    "SELECT cSub_Name, cStation,"
    " CASE WHEN CAST(TaskState COLLATE BINARY AS INTEGER) < 0 THEN '异常' ELSE '正常（' || TaskState || '）' END,"
    " dInTime, cTaskId FROM zk_tasklog";

void execute(sqlite3* db, const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "unknown error";
        sqlite3_free(message);
        throw std::runtime_error("native SQL failed: " + text);
    }
}

}  // namespace

const char* nativeListQuery() { return nativeList; }

fs::path taskDatabaseFile(const fs::path& dataFolder) { return dataFolder / "VOZUZODI.sqlite"; }

void copyDataFolder(const fs::path& from, const fs::path& to)
{
    fs::remove_all(to);
    fs::copy(from, to, fs::copy_options::recursive);
}

double nativeClearSeconds(const fs::path& databaseFile, const std::string& key)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(databaseFile.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open " + databaseFile.string());
    }
    try {
        taskstore::store::registerTextCollation(db);
        execute(db, "PRAGMA synchronous=FULL");
        const auto start = Clock::now();
        execute(db, key == "DELERROR" ? abnormalClear : fullClear);
        const double seconds = secondsSince(start);
        sqlite3_close(db);
        return seconds;
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
}

double sqliteProgramListSeconds(const fs::path& databaseFile)
{
    const auto start = Clock::now();
    runToEnd({"sqlite3", databaseFile.string(), nativeList});
    return secondsSince(start);
}

}  // namespace bench
