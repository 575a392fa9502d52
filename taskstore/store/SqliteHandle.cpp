#include "taskstore/store/SqliteHandle.h"

namespace taskstore::store {

void execute(sqlite3* db, const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        throw StoreError(text);
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
