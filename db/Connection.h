#pragma once
// An ADO-shaped connection over ODBC: the properties and methods the tool uses, with ADO's
// meaning. Every failure is thrown as runtime::RuntimeError with the server's number (or the
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
struct LogOn;

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Where recordsets opened on this connection keep their cursor; only Client can open one.
    void setCursorLocation(int location);
    int cursorLocation() const { return cursorLocation_; }
    // Seconds a statement may run; applied as the statements' query time-out.
    void setCommandTimeout(int seconds);
    int commandTimeout() const { return commandTimeout_; }

    int State() const;

    // Opens with an OLE DB style connection string; the credentials travel in the string (a
    // separate user ID or password is refused). Connects before it returns, within the string's
    // Connect Timeout (15 s by default); on failure the connection stays closed. Opening an open
    // connection is an error, as in ADO.
    void Open(std::string_view connectionString, std::string_view userId = {}, std::string_view password = {});
    // Closes an open connection; a transaction still open is rolled back by the server.
    void Close();

    // Switches the open connection's database; raises the server's error when it does not exist.
    void setDefaultDatabase(std::string_view database);
    // The open connection's current database; empty when closed.
    std::string DefaultDatabase() const;

    // Starts a transaction and returns its nesting level (always 1: no nested transactions).
    long BeginTrans();
    // Runs a statement (or batch) whose results, if any, are discarded unread; an error of any
    // statement in it is raised.
    void Execute(std::string_view statement);
    // Commits and returns to autocommit, so that no transaction stays open afterwards.
    void CommitTrans();

    // The ODBC connection behind an open connection, for this layer's Recordset and for the
    // benchmarks' bare ODBC read over the same session; raises an error when closed.
    OdbcConnection& odbc();

private:
    // The connection string once read: the driver's string is written from the typed log-on.
    void openWith(const LogOn& logOn);
    void refuseWhenOpen() const;

    int cursorLocation_ = CursorLocation::Server;
    int commandTimeout_ = 30;
    std::unique_ptr<OdbcConnection> odbc_;
    bool inTransaction_ = false;
};

}  // namespace db
