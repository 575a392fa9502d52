#include "taskstore/sql/SqlErrors.h"

namespace taskstore::sql {

SqlError makeError(int number, int severity, std::string message, int line)
{
    SqlError error;
    error.number = number;
    error.severity = severity;
    error.message = std::move(message);
    error.line = line;
    return error;
}

SqlError syntaxErrorNear(const std::string& tokenText, int line, bool keyword)
{
    if (keyword)
        return makeError(156, 15, "Incorrect syntax near the keyword '" + tokenText + "'.", line);
    return makeError(102, 15, "Incorrect syntax near '" + tokenText + "'.", line);
}

SqlError invalidObject(std::string_view name)
{
    return makeError(208, 16, "Invalid object name '" + std::string(name) + "'.");
}

SqlError invalidColumn(std::string_view name)
{
    return makeError(207, 16, "Invalid column name '" + std::string(name) + "'.");
}

SqlError missingDatabase(std::string_view name)
{
    return makeError(911, 16,
                     "Database '" + std::string(name)
                         + "' does not exist. Make sure that the name is entered correctly.");
}

SqlError lockTimeout() { return makeError(1222, 16, "Lock request time out period exceeded."); }

SqlError dateTimeOutOfRange(std::string_view sourceTypeName)
{
    SqlError error = makeError(242, 16, "The conversion of a " + std::string(sourceTypeName)
                                            + " data type to a datetime data type resulted in an out-of-range value.");
    error.state = 3;
    return error;
}

SqlError nestedTooDeeply()
{
    return makeError(191, 15, "Some part of your SQL statement is nested too deeply. "
                              "Rewrite the query or break it up into smaller queries.");
}

bool abortsBatch(const SqlError& error)
{
    switch (error.number) {
    case 241:   // character string to datetime
    case 242:   // character string to a datetime out of range
    case 245:   // character string to int
    case 248:   // character string overflowing int
    case 8114:  // character string to float or bigint
        return true;
    default:
        return false;
    }
}

}  // namespace taskstore::sql
