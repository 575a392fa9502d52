#pragma once
// The yardsticks on the storage side: the same work done by SQLite directly on the store's files.
#include <filesystem>
#include <string>

namespace bench {

// The task database file inside a store's data folder.
std::filesystem::path taskDatabaseFile(const std::filesystem::path& dataFolder);

// Copies a stopped store's data folder (replacing the target).
void copyDataFolder(const std::filesystem::path& from, const std::filesystem::path& to);

// Runs a clearing's two deletes in one transaction with native SQL on the file, with the store's
// collation and durability settings; returns the seconds taken.
double nativeClearSeconds(const std::filesystem::path& databaseFile, const std::string& key);

// The list query in SQLite's own SQL: the same columns, with '|' between them in the sqlite3
// program's output.
const char* nativeListQuery();

// Runs the list query's native equivalent with the sqlite3 program, output thrown away; returns
// the seconds from starting the program to its exit.
double sqliteProgramListSeconds(const std::filesystem::path& databaseFile);

}  // namespace bench
