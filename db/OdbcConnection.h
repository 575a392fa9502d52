#pragma once
// The ODBC environment and connection handles of one open connection. Internal to the db library.
#include <string>
#include <string_view>

#include "db/OdbcApi.h"

namespace db {

class OdbcConnection {
public:
    // Connects synchronously with the wide API; throws the most telling diagnostic on failure.
    OdbcConnection(std::string_view odbcConnectionString, int loginTimeoutSeconds);
    // Disconnects; the server rolls back whatever transaction is still open.
    ~OdbcConnection();
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    void setAutocommit(bool on);
    void endTransaction(bool commit);
    void setCurrentCatalog(std::string_view database);
    std::string currentCatalog() const;

    SQLHDBC handle() const { return dbc_; }

private:
    void freeHandles() noexcept;

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
};

}  // namespace db
