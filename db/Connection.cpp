#include "db/Connection.h"

#include "db/LogOn.h"
#include "db/OdbcConnection.h"
#include "db/OdbcConnectionString.h"
#include "db/OdbcStatement.h"
#include "db/OleDbLogOn.h"
#include "db/Wipe.h"
#include "runtime/RuntimeError.h"

namespace db {

namespace {
[[noreturn]] void notAllowedWhileClosed()
{
    throw runtime::RuntimeError(runtime::ErrorNumber::ObjectClosed,
                                "The connection is closed; open it before using it.");
}
}  // namespace

Connection::Connection() = default;
Connection::~Connection() = default;

void Connection::setCursorLocation(int location)
{
    if (location != CursorLocation::Server && location != CursorLocation::Client)
        throw runtime::RuntimeError(runtime::ErrorNumber::InvalidProcedureCall, "The cursor location must be 2 or 3.");
    cursorLocation_ = location;
}

void Connection::setCommandTimeout(int seconds)
{
    if (seconds < 0)
        throw runtime::RuntimeError(runtime::ErrorNumber::InvalidProcedureCall,
                                    "The command time-out cannot be negative.");
    commandTimeout_ = seconds;
}

int Connection::State() const { return odbc_ ? ObjectState::Open : ObjectState::Closed; }

void Connection::refuseWhenOpen() const
{
    if (odbc_)
        throw runtime::RuntimeError(runtime::ErrorNumber::ProviderFailure,
                                    "The connection is already open; close it first.");
}

void Connection::Open(std::string_view connectionString, std::string_view userId, std::string_view password)
{
    refuseWhenOpen();
    // The log-on passes its credentials in the string; separate ones are not supported.
    if (!userId.empty() || !password.empty())
        throw runtime::RuntimeError(runtime::ErrorNumber::InvalidProcedureCall,
                                    "Pass the user name and password in the connection string.");
    openWith(readOleDbLogOn(connectionString));
}

void Connection::openWith(const LogOn& logOn)
{
    std::string odbcConnectionString = toOdbcConnectionString(logOn);
    const WipeOnExit wiped(odbcConnectionString);
    odbc_ = std::make_unique<OdbcConnection>(odbcConnectionString, logOn.loginTimeoutSeconds);
    inTransaction_ = false;
}

void Connection::Close()
{
    if (!odbc_)
        notAllowedWhileClosed();
    odbc_.reset();
    inTransaction_ = false;
}

OdbcConnection& Connection::odbc()
{
    if (!odbc_)
        notAllowedWhileClosed();
    return *odbc_;
}

void Connection::setDefaultDatabase(std::string_view database) { odbc().setCurrentCatalog(database); }

std::string Connection::DefaultDatabase() const { return odbc_ ? odbc_->currentCatalog() : std::string(); }

long Connection::BeginTrans()
{
    OdbcConnection& connection = odbc();
    if (inTransaction_)
        throw runtime::RuntimeError(
            runtime::ErrorNumber::ProviderFailure,
            "A transaction is already open on this connection; nested transactions are not supported.");
    connection.setAutocommit(false);
    inTransaction_ = true;
    return 1;
}

void Connection::Execute(std::string_view statement)
{
    OdbcStatement command(odbc(), commandTimeout_);
    command.execute(statement);
    command.drainResults();
}

void Connection::CommitTrans()
{
    OdbcConnection& connection = odbc();
    if (!inTransaction_)
        throw runtime::RuntimeError(runtime::ErrorNumber::ProviderFailure,
                                    "No transaction is open on this connection.");
    connection.endTransaction(true);
    // Back to autocommit: the driver would otherwise keep a fresh, empty transaction open.
    inTransaction_ = false;
    connection.setAutocommit(true);
}

}  // namespace db
