#pragma once
// The databases on disk: one SQLite file per database (`<name>.sqlite`) in one folder, readable
// by the owner only. master and VOZUZODI (with the task tables) exist from the first open.
#include "taskstore/store/DataFolderLock.h"
#include "taskstore/store/SqliteHandle.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace taskstore::store {

// Page cache of one session for one database, in KiB: SQLite's own default. With a quarter of it,
// clearing 10,000 tasks took a tenth longer: changed pages spilled to the log before the commit.
inline constexpr int sessionCacheKibibytes = 2048;
// All of SQLite's memory in the process, beyond which caches give pages back.
inline constexpr long long sqliteSoftHeapLimitBytes = 64LL << 20;

class DataFolder {
public:
    // Creates the folder and the system databases when missing, the task tables' text columns as
    // varchar (in the collation's code page) or nvarchar. Takes the folder for this process alone
    // and checks every database file before it writes anything; throws StoreError naming each file
    // it cannot use and why, having changed none.
    explicit DataFolder(std::filesystem::path folder, bool varcharTaskText = false);

    // SQLite's integrity check of every database file of an existing folder, with the collation
    // registered, one line a file on `report`; true when every file passes. Needs no lock, so it
    // may run beside the taskstore that serves the folder.
    static bool check(const std::filesystem::path& folder, std::ostream& report);

    // The database's own spelling when a database of that name (any letter case) exists.
    std::optional<std::string> find(std::string_view name) const;
    std::filesystem::path fileOf(std::string_view canonicalName) const;

    enum class CreateResult { Created, Exists, BadName };
    CreateResult createDatabase(std::string_view name);

    // A connection whose main database is a private in-memory one; databases are attached to it
    // under their own names. Has the text collation registered.
    static SqliteDb openConnection();
    // Attaches a database file under `schema` with the durability settings of the store.
    static void attach(sqlite3* db, const std::filesystem::path& file, std::string_view schema);

private:
    void createFile(const std::string& name, bool withTaskTables, bool varcharTaskText = false);

    std::filesystem::path folder_;
    std::optional<DataFolderLock> lock_;
    mutable std::mutex mutex_;
    std::map<std::string, std::string> names_;  // lower-case name -> name as created
};

}  // namespace taskstore::store
