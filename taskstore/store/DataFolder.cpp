#include "taskstore/store/DataFolder.h"

#include "common/AsciiCase.h"
#include "common/SystemNames.h"
#include "taskstore/store/DatabaseFile.h"
#include "taskstore/store/FileOwner.h"
#include "taskstore/store/TableCatalog.h"
#include "taskstore/store/TextCollation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace taskstore::store {
namespace {

constexpr std::string_view fileSuffix = ".sqlite";

// Names become file names and SQLite schema names, so only plain identifiers are allowed, and
// not the two schema names SQLite reserves.
bool acceptableName(std::string_view name)
{
    if (name.empty() || name.size() > 100 || std::isdigit(static_cast<unsigned char>(name.front())))
        return false;
    const bool plain =
        std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isalnum(c) || c == '_'; });
    return plain && common::asciiLower(name) != "main" && common::asciiLower(name) != "temp";
}

// The task tables with their text columns of `kind` (nvarchar or varchar); TaskState is varchar.
CatalogTable taskLogTable(SqlType kind)
{
    const auto text = [kind](const char* name, int length, bool nullable = true) {
        return CatalogColumn{name, {kind, length}, nullable, false};
    };
    return {"zk_tasklog",
            {text("cTaskId", 40, false),
             text("cSub_Id", 20),
             text("cSub_Name", 50),
             text("cStation", 50),
             {"TaskState", {SqlType::VarChar, 10}, true, false},
             {"dInTime", {SqlType::DateTime, 0}, true, false},
             text("cUserName", 20),
             text("cAcc_Id", 10),
             text("cMemo", 200)}};
}

CatalogTable taskTable(SqlType kind)
{
    const auto text = [kind](const char* name, int length) { return CatalogColumn{name, {kind, length}, true, false}; };
    return {"zk_task",
            {text("cSub_Id", 20),
             text("cTaskId", 40),
             text("cSub_Name", 50),
             text("cStation", 50),
             text("cUserName", 20),
             {"dStartTime", {SqlType::DateTime, 0}, true, false},
             {"iProgress", {SqlType::Int, 0}, true, false}}};
}

// A database file being made, with whatever SQLite left beside it.
void removeBuilding(const std::string& building)
{
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        ::unlink((building + suffix).c_str());
}

// The tables a database must hold for the tool: the task tables in the system database.
std::vector<CatalogTable> requiredTablesOf(std::string_view name)
{
    if (!common::equalIgnoringAsciiCase(name, common::systemDatabase))
        return {};
    return {taskLogTable(SqlType::NVarChar), taskTable(SqlType::NVarChar)};
}

// Whoever may write in the folder may replace the databases, the TLS key or the certificate; and a
// taskstore run by another user (root) would leave files there that the owner cannot use.
void checkFolderAccess(const std::filesystem::path& folder)
{
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        throw StoreError("cannot use the data folder " + folder.string() + ": " + std::strerror(errno));
    if (!S_ISDIR(info.st_mode))
        throw StoreError("the data folder " + folder.string() + " is not a folder");
    if (info.st_uid != ::geteuid())
        throw StoreError("the data folder " + folder.string() + " belongs to " + describeUser(info.st_uid) + ", not to "
                         + describeUser(::geteuid())
                         + " running taskstore; run taskstore as the folder's owner or give it a folder of its own");
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        throw StoreError("the data folder " + folder.string()
                         + " can be written by its group or by others; make it the owner's alone (chmod go-w)");
    // SQLite keeps each database's log and its index beside the database, even for reading.
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        throw StoreError("the data folder " + folder.string() + " is read-only (" + std::strerror(errno)
                         + "); taskstore keeps its databases' logs there");
}

// Every file named as a database, whatever it is, so that none is passed over unchecked.
std::map<std::string, std::filesystem::path> databaseFiles(const std::filesystem::path& folder)
{
    std::map<std::string, std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string file = entry.path().filename().string();
        if (file.size() > fileSuffix.size() && file.ends_with(fileSuffix)) {
            const std::string name = file.substr(0, file.size() - fileSuffix.size());
            if (acceptableName(name))
                files.emplace(name, entry.path());
        }
    }
    return files;
}

// Indexes of text columns are kept in the collation's order: a file written under an older order
// gets them rebuilt before any session reads them, and a file of a release that did not mark its
// files gets the mark. Writes nothing into a file that needs neither.
void upgrade(const std::filesystem::path& file)
{
    const SqliteDb db = openDatabaseFile(file);
    keepLogBetweenRuns(db.get(), "main");
    const auto pragmaValue = [&](const char* pragma) {
        auto statement = prepare(db.get(), std::string("PRAGMA ") + pragma);
        return sqlite3_step(statement.get()) == SQLITE_ROW ? sqlite3_column_int(statement.get(), 0) : 0;
    };
    const bool oldOrder = pragmaValue("user_version") < textCollationVersion;
    if (!oldOrder && pragmaValue("application_id") == taskstoreApplicationId)
        return;
    execute(db.get(), "BEGIN IMMEDIATE");
    if (oldOrder)
        execute(db.get(), std::string("REINDEX ") + textCollationName);
    execute(db.get(), "PRAGMA user_version = " + std::to_string(textCollationVersion));
    execute(db.get(), "PRAGMA application_id = " + std::to_string(taskstoreApplicationId));
    execute(db.get(), "COMMIT");
}

}  // namespace

DataFolder::DataFolder(std::filesystem::path folder, bool varcharTaskText) : folder_(std::move(folder))
{
    std::error_code error;
    if (!std::filesystem::exists(folder_)) {
        std::filesystem::create_directories(folder_, error);
        if (error)
            throw StoreError("cannot create data folder " + folder_.string() + ": " + error.message());
        // Nothing is stored in it yet, so making it private right after creation exposes nothing.
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all, error);
    }
    checkFolderAccess(folder_);
    lock_.emplace(folder_);
    const auto files = databaseFiles(folder_);
    std::string problems;
    for (const auto& [name, file] : files)
        for (const std::string& problem : problemsOf(file, requiredTablesOf(name), CheckDepth::Quick))
            problems += "\n  " + file.string() + ": " + problem;
    if (!problems.empty())
        throw StoreError("cannot use the data folder " + folder_.string() + "; nothing in it was changed:" + problems);
    for (const auto& [name, file] : files)
        names_.emplace(common::asciiLower(name), name);
    if (!find(common::loginDatabase))
        createFile(std::string(common::loginDatabase), false);
    if (!find(common::systemDatabase))
        createFile(std::string(common::systemDatabase), true, varcharTaskText);
    // Also makes each database's kept log index now, while there is room for it.
    for (const auto& [lower, name] : names_)
        upgrade(fileOf(name));
}

bool DataFolder::check(const std::filesystem::path& folder, std::ostream& report)
{
    checkFolderAccess(folder);
    const auto files = databaseFiles(folder);
    if (files.empty()) {
        report << folder.string() << ": holds no database files\n";
        return false;
    }
    bool usable = true;
    for (const auto& [name, file] : files) {
        const auto problems = problemsOf(file, requiredTablesOf(name), CheckDepth::Full);
        if (problems.empty())
            report << file.string() << ": ok\n";
        for (const std::string& problem : problems)
            report << file.string() << ": " << problem << "\n";
        usable = usable && problems.empty();
    }
    return usable;
}

std::optional<std::string> DataFolder::find(std::string_view name) const
{
    std::lock_guard lock(mutex_);
    const auto found = names_.find(common::asciiLower(name));
    if (found == names_.end())
        return std::nullopt;
    return found->second;
}

std::filesystem::path DataFolder::fileOf(std::string_view canonicalName) const
{
    return folder_ / (std::string(canonicalName) + std::string(fileSuffix));
}

DataFolder::CreateResult DataFolder::createDatabase(std::string_view name)
{
    if (!acceptableName(name))
        return CreateResult::BadName;
    if (find(name))
        return CreateResult::Exists;
    createFile(std::string(name), false);
    return CreateResult::Created;
}

void DataFolder::createFile(const std::string& name, bool withTaskTables, bool varcharTaskText)
{
    const std::filesystem::path file = fileOf(name);
    // Made under a name of its own and linked into place only when whole, so that a failure (a full
    // disk) or a crash never leaves a half-made file under a database's name. Owner-only from the
    // start: SQLite's log and index files copy the rights.
    std::string building = (folder_ / ("." + name + std::string(fileSuffix) + "-XXXXXX")).string();
    const int fd = ::mkstemp(building.data());
    if (fd < 0) {
        const int error = errno;
        throw StoreError("cannot create " + file.string() + ": " + std::strerror(error), error == ENOSPC);
    }
    ::close(fd);
    try {
        const SqliteDb db = openDatabaseFile(building);
        execute(db.get(), "PRAGMA journal_mode=WAL");
        execute(db.get(), "PRAGMA user_version = " + std::to_string(textCollationVersion));
        execute(db.get(), "PRAGMA application_id = " + std::to_string(taskstoreApplicationId));
        if (withTaskTables) {
            execute(db.get(), "BEGIN");
            const SqlType text = varcharTaskText ? SqlType::VarChar : SqlType::NVarChar;
            execute(db.get(), createTableSql("main", taskLogTable(text)));
            execute(db.get(), createTableSql("main", taskTable(text)));
            execute(db.get(), "CREATE INDEX ix_zk_tasklog_cSub_Id ON zk_tasklog (cSub_Id)");
            execute(db.get(), "CREATE INDEX ix_zk_task_cSub_Id ON zk_task (cSub_Id)");
            execute(db.get(), "COMMIT");
        }
    } catch (...) {
        removeBuilding(building);
        throw;
    }
    // Closing the connection above moved everything from the log into the file.
    const int linked = ::link(building.c_str(), file.c_str()) == 0 ? 0 : errno;
    removeBuilding(building);
    if (linked != 0)
        throw StoreError("cannot create " + file.string() + ": " + std::strerror(linked), linked == ENOSPC);
    std::lock_guard lock(mutex_);
    names_.emplace(common::asciiLower(name), name);
}

SqliteDb DataFolder::openConnection()
{
    sqlite3* raw = nullptr;
    // Each connection is used by one thread at a time (a session's worker), so SQLite need not
    // lock it on every call; that took a tenth of the time of reading a large result.
    const int rc =
        sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    SqliteDb db(raw);
    if (rc != SQLITE_OK)
        throw StoreError(std::string("cannot open a connection: ") + sqlite3_errstr(rc));
    registerTextCollation(db.get());
    return db;
}

void DataFolder::attach(sqlite3* db, const std::filesystem::path& file, std::string_view schema)
{
    auto statement = prepare(db, "ATTACH DATABASE ?1 AS " + quoteIdentifier(schema));
    const std::string path = file.string();
    sqlite3_bind_text(statement.get(), 1, path.c_str(), static_cast<int>(path.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(statement.get()) != SQLITE_DONE)
        throw StoreError(std::string("cannot attach ") + path + ": " + sqlite3_errmsg(db),
                         outOfSpace(db, sqlite3_extended_errcode(db)));
    keepLogBetweenRuns(db, schema);
    // A commit is on disk before the client hears of it.
    execute(db, "PRAGMA " + quoteIdentifier(schema) + ".synchronous=FULL");
    // Every session has its own page cache for each database it uses; the files stay in the
    // system's cache anyway, so a small one per session keeps the server's size independent of
    // the number of sessions and of the tables' size.
    execute(db, "PRAGMA " + quoteIdentifier(schema) + ".cache_size=" + std::to_string(-sessionCacheKibibytes));
}

}  // namespace taskstore::store
