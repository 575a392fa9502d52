#pragma once
// Owning handles for SQLite connections and statements, and the few helpers every user of the
// raw C API needs.
#include <sqlite3.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace taskstore::store {

struct SqliteCloser {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
struct SqliteFinalizer {
    void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};
using SqliteDb = std::unique_ptr<sqlite3, SqliteCloser>;
using SqliteStatement = std::unique_ptr<sqlite3_stmt, SqliteFinalizer>;

// A failure of the storage itself (cannot open a file, disk full): not a T-SQL error.
class StoreError : public std::runtime_error {
public:
    explicit StoreError(const std::string& message, bool outOfSpace = false)
        : std::runtime_error(message), outOfSpace_(outOfSpace)
    {}
    // The file system had no room for what had to be written.
    bool outOfSpace() const { return outOfSpace_; }

private:
    bool outOfSpace_;
};

// Whether SQLite's failure `rc` on `db` came from a full file system: SQLite says so itself for
// most writes, and a failed write of the shared-memory index shows only in the system's error.
bool outOfSpace(sqlite3* db, int rc);

// Runs statements that return no rows; throws StoreError with SQLite's message on failure.
void execute(sqlite3* db, const std::string& sql);
// Prepares one statement; throws StoreError on failure.
SqliteStatement prepare(sqlite3* db, const std::string& sql);
// `text` between two `quote` characters, each quote inside it doubled, as SQL writes
// identifiers (") and string literals (').
std::string quoted(std::string_view text, char quote);
// SQL text for an identifier in double quotes, inner quotes doubled.
inline std::string quoteIdentifier(std::string_view name) { return quoted(name, '"'); }

}  // namespace taskstore::store
