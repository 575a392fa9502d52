#include "taskstore/sql/session/SessionOptions.h"

#include "taskstore/engine/ErrorMessage.h"

#include <limits>

namespace taskstore::sql {

void SessionOptions::apply(const SetStatement& statement)
{
    for (const SetStatement::Option option : statement.options)
        apply(option, statement);
}

void SessionOptions::apply(SetStatement::Option option, const SetStatement& statement)
{
    switch (option) {
    case SetStatement::Option::NoCount: noCount = statement.on; break;
    case SetStatement::Option::LockTimeout:
        // SQL Server keeps the time-out in an int.
        if (statement.value < std::numeric_limits<int>::min() || statement.value > std::numeric_limits<int>::max())
            throw makeError<ErrorId::ArithmeticOverflow>("expression", "int");
        lockTimeout = std::chrono::milliseconds(statement.value);
        break;
    case SetStatement::Option::ImplicitTransactions: implicitTransactions = statement.on; break;
    case SetStatement::Option::XactAbort: xactAbort = statement.on; break;
    case SetStatement::Option::ReadUncommitted: readUncommitted = statement.on; break;
    }
}

}  // namespace taskstore::sql
