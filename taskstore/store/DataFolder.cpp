#include "taskstore/store/DataFolder.h"

#include "common/AsciiCase.h"
#include "common/SystemNames.h"
#include "taskstore/store/TableCatalog.h"
#include "taskstore/store/TextCollation.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

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
CatalogTable taskLogTable(TypeKind kind)
{
    const auto text = [kind](const char* name, int length, bool nullable = true) {
        return CatalogColumn{name, {kind, length}, nullable, false};
    };
    return {"zk_tasklog",
            {text("cTaskId", 40, false),
             text("cSub_Id", 20),
             text("cSub_Name", 50),
             text("cStation", 50),
             {"TaskState", {TypeKind::VarChar, 10}, true, false},
             {"dInTime", {TypeKind::DateTime, 0}, true, false},
             text("cUserName", 20),
             text("cAcc_Id", 10),
             text("cMemo", 200)}};
}

CatalogTable taskTable(TypeKind kind)
{
    const auto text = [kind](const char* name, int length) { return CatalogColumn{name, {kind, length}, true, false}; };
    return {"zk_task",
            {text("cSub_Id", 20),
             text("cTaskId", 40),
             text("cSub_Name", 50),
             text("cStation", 50),
             text("cUserName", 20),
             {"dStartTime", {TypeKind::DateTime, 0}, true, false},
             {"iProgress", {TypeKind::Int, 0}, true, false}}};
}

SqliteDb openFile(const std::filesystem::path& file)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    SqliteDb db(raw);
    if (rc != SQLITE_OK)
        throw StoreError("cannot open " + file.string() + ": " + sqlite3_errmsg(raw));
    registerTextCollation(db.get());
    return db;
}

// Indexes of text columns are kept in the collation's order; a file written under an older order
// gets them rebuilt before any session reads them. A file that cannot be read is left as it is, for
// the sessions that use it to report.
void reindexForCollation(const std::filesystem::path& file)
{
    const SqliteDb db = openFile(file);
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db.get(), "PRAGMA user_version", -1, &raw, nullptr) != SQLITE_OK)
        return;
    SqliteStatement version(raw);
    if (sqlite3_step(version.get()) != SQLITE_ROW || sqlite3_column_int(version.get(), 0) >= textCollationVersion)
        return;
    version.reset();
    execute(db.get(), "BEGIN IMMEDIATE");
    execute(db.get(), std::string("REINDEX ") + textCollationName);
    execute(db.get(), "PRAGMA user_version = " + std::to_string(textCollationVersion));
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
    // Whoever may write in the folder may replace the databases, the TLS key or the certificate.
    using std::filesystem::perms;
    const perms mode = std::filesystem::status(folder_).permissions();
    if ((mode & (perms::group_write | perms::others_write)) != perms::none)
        throw StoreError("the data folder " + folder_.string()
                         + " can be written by its group or by others; make it the owner's alone (chmod go-w)");
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
        const std::string file = entry.path().filename().string();
        if (entry.is_regular_file() && file.size() > fileSuffix.size() && file.ends_with(fileSuffix)) {
            const std::string name = file.substr(0, file.size() - fileSuffix.size());
            if (acceptableName(name)) {
                reindexForCollation(entry.path());
                names_.emplace(common::asciiLower(name), name);
            }
        }
    }
    if (!find(common::loginDatabase))
        createFile(std::string(common::loginDatabase), false);
    if (!find(common::systemDatabase))
        createFile(std::string(common::systemDatabase), true, varcharTaskText);
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
    // Created empty with owner-only rights first: SQLite's WAL and shared-memory files copy them.
    const int fd = ::open(file.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        throw StoreError("cannot create " + file.string() + ": " + std::strerror(errno));
    ::close(fd);

    const SqliteDb db = openFile(file);
    execute(db.get(), "PRAGMA journal_mode=WAL");
    execute(db.get(), "PRAGMA user_version = " + std::to_string(textCollationVersion));
    if (withTaskTables) {
        execute(db.get(), "BEGIN");
        const TypeKind text = varcharTaskText ? TypeKind::VarChar : TypeKind::NVarChar;
        execute(db.get(), createTableSql("main", taskLogTable(text)));
        execute(db.get(), createTableSql("main", taskTable(text)));
        execute(db.get(), "CREATE INDEX ix_zk_tasklog_cSub_Id ON zk_tasklog (cSub_Id)");
        execute(db.get(), "CREATE INDEX ix_zk_task_cSub_Id ON zk_task (cSub_Id)");
        execute(db.get(), "COMMIT");
    }
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
        throw StoreError(std::string("cannot attach ") + path + ": " + sqlite3_errmsg(db));
    // A commit is on disk before the client hears of it.
    execute(db, "PRAGMA " + quoteIdentifier(schema) + ".synchronous=FULL");
    // Every session has its own page cache for each database it uses; the files stay in the
    // system's cache anyway, so a small one per session keeps the server's size independent of
    // the number of sessions and of the tables' size.
    execute(db, "PRAGMA " + quoteIdentifier(schema) + ".cache_size=" + std::to_string(-sessionCacheKibibytes));
}

}  // namespace taskstore::store
