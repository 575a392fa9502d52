#pragma once
// An ADO-shaped connection over ODBC: the properties and methods the tool uses, with ADO's
// meaning. Every failure is thrown as rt::RuntimeError with the server's number (or the
// provider's when the server gave none) and the server's message without driver prefixes.
#include <memory>
#include <string>
#include <string_view>

namespace db {

namespace ObjectState {
inline constexpr int Closed = 0;
inline constexpr int Open = 1;
}  // namespace ObjectState

namespace CursorLocation {
inline constexpr int Server = 2;
inline constexpr int Client = 3;
}  // namespace CursorLocation

class OdbcConnection;  // the ODBC handles behind an open connection

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setCursorLocation(int location);
    int cursorLocation() const { return cursorLocation_; }
    // Seconds a statement may run; applied as the statements' query time-out.
    void setCommandTimeout(int seconds);
    int commandTimeout() const { return commandTimeout_; }

    int State() const;

    // Opens with an OLE DB style connection string; the credentials travel in the string.
    // Connects before it returns; on failure the connection stays closed.
    void Open(std::string_view connectionString, std::string_view userId = {}, std::string_view password = {},
              int options = -1);
    void Close();

    // Switches the open connection's database; raises the server's error when it does not exist.
    void setDefaultDatabase(std::string_view database);
    std::string DefaultDatabase() const;

    long BeginTrans();
    // Runs a statement whose result, if any, is discarded unread.
    void Execute(std::string_view statement, int options = -1);
    void CommitTrans();

    // For Recordset: the open ODBC connection; raises an error when the connection is closed.
    OdbcConnection& odbc();

private:
    int cursorLocation_ = CursorLocation::Server;
    int commandTimeout_ = 30;
    std::unique_ptr<OdbcConnection> odbc_;
};

}  // namespace db
