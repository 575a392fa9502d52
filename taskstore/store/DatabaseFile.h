#pragma once
// One database file of the data folder: opened with the text collation, told apart from files
// taskstore did not make, and checked before anything is served from it or written into it.
#include "taskstore/store/SqliteHandle.h"
#include "taskstore/store/TableCatalog.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace taskstore::store {

// Written into every database file taskstore makes (SQLite's application id, "TSK1"), so that a
// SQLite file of another program is never taken for one of ours.
inline constexpr std::int32_t taskstoreApplicationId = 0x54534B31;

// Opens an existing file for reading and writing with the text collation registered; throws StoreError.
SqliteDb openDatabaseFile(const std::filesystem::path& file);

// Keeps the database's log and its shared-memory index when the last connection closes (the log
// emptied first), so that the next start finds the index's room already taken: on a full disk,
// reading then goes on instead of failing to make the index. Applies to this connection.
void keepLogBetweenRuns(sqlite3* db, std::string_view schema);

// Quick: SQLite's quick check (every page and record, not the indexes' contents), fit for every
// start. Full: its integrity check, which also compares each index with its table.
enum class CheckDepth { Quick, Full };

// What makes the file unusable, one line a problem; empty when taskstore can serve it. A file
// taskstore did not make is judged by its first bytes alone and never opened by SQLite, so that
// nothing is written into it or beside it. `requiredTables` must exist with at least their columns.
std::vector<std::string> problemsOf(const std::filesystem::path& file, std::span<const CatalogTable> requiredTables,
                                    CheckDepth depth);

}  // namespace taskstore::store
