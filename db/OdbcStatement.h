#pragma once
// One ODBC statement handle with the connection's command time-out. Internal to the db library.
#include <string_view>

#include "db/OdbcConnection.h"

namespace db {

class OdbcStatement {
public:
    OdbcStatement(OdbcConnection& connection, int queryTimeoutSeconds);
    ~OdbcStatement();
    OdbcStatement(const OdbcStatement&) = delete;
    OdbcStatement& operator=(const OdbcStatement&) = delete;

    // Sends the text as it is. A searched DELETE or UPDATE that touched no row is a success.
    void execute(std::string_view sql);
    // Moves to the next result; false when there is none. Throws the error a later statement of
    // the batch raised.
    bool nextResult();
    // Discards every remaining result, checking each for an error.
    void drainResults();

    // Throws the error described by this statement's diagnostics when ret is a failure, or a
    // "success with info" whose records hold an error.
    void check(SQLRETURN ret, std::string_view fallback) const;

    SQLHSTMT handle() const { return stmt_; }

private:
    [[noreturn]] void throwError(std::string_view fallback) const;

    SQLHDBC dbc_ = SQL_NULL_HDBC;
    SQLHSTMT stmt_ = SQL_NULL_HSTMT;
};

}  // namespace db
