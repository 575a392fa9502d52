#include "db/Recordset.h"

#include "db/Connection.h"
#include "db/OdbcStatement.h"
#include "db/ResultReader.h"
#include "runtime/RuntimeError.h"

namespace db {

void Recordset::Open(std::string_view source, Connection& activeConnection)
{
    if (open_)
        throw runtime::RuntimeError(runtime::ErrorNumber::ProviderFailure,
                                    "The recordset is already open; close it first.");
    OdbcStatement statement(activeConnection.odbc(), activeConnection.commandTimeout());
    // Reading the whole result here is what a client-side cursor does; a server-side one would
    // fetch as it moves, which this layer does not offer.
    if (activeConnection.cursorLocation() != CursorLocation::Client)
        throw runtime::RuntimeError(runtime::ErrorNumber::ProviderFailure,
                                    "Only client-side cursors are supported; set the cursor location to 3.");
    statement.execute(source);
    std::shared_ptr<const RowTable> table;
    do {
        if (resultHasColumns(statement)) {
            table = readResult(statement);
            break;
        }
    } while (statement.nextResult());
    statement.drainResults();
    rows_ = table ? std::move(table) : std::make_shared<const RowTable>();
    open_ = true;
}

void Recordset::Close()
{
    if (!open_)
        throw runtime::RuntimeError(runtime::ErrorNumber::ObjectClosed, "The recordset is closed.");
    rows_.reset();
    open_ = false;
}

int Recordset::State() const { return open_ ? ObjectState::Open : ObjectState::Closed; }

}  // namespace db
