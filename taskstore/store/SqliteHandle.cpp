#include "taskstore/store/SqliteHandle.h"

#include <cerrno>

namespace taskstore::store {

bool outOfSpace(sqlite3* db, int rc)
{
    const int primary = rc & 0xFF;
    return primary == SQLITE_FULL || (primary == SQLITE_IOERR && sqlite3_system_errno(db) == ENOSPC);
}

void execute(sqlite3* db, const std::string& sql)
{
    char* message = nullptr;
    if (const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message); rc != SQLITE_OK) {
        std::string text = message ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        throw StoreError(text, outOfSpace(db, sqlite3_extended_errcode(db)));
    }
}

SqliteStatement prepare(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr) != SQLITE_OK)
        throw StoreError(sqlite3_errmsg(db));
    return SqliteStatement(statement);
}

std::string quoted(std::string_view text, char quote)
{
    std::string result(1, quote);
    for (char c : text) {
        result += c;
        if (c == quote)
            result += quote;
    }
    result += quote;
    return result;
}

}  // namespace taskstore::store
