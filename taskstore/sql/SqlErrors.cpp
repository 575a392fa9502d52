#include "taskstore/sql/SqlErrors.h"

namespace taskstore::sql {

SqlError syntaxErrorNear(const std::string& tokenText, int line, bool keyword)
{
    if (keyword)
        return makeErrorAt<ErrorId::SyntaxErrorAtKeyword>(line, tokenText);
    return makeErrorAt<ErrorId::SyntaxError>(line, tokenText);
}

SqlError invalidObject(std::string_view name) { return makeError<ErrorId::InvalidObject>(name); }

SqlError invalidColumn(std::string_view name) { return makeError<ErrorId::InvalidColumn>(name); }

SqlError missingDatabase(std::string_view name) { return makeError<ErrorId::UnknownDatabase>(name); }

SqlError lockTimeout() { return makeError<ErrorId::LockTimeout>(); }

SqlError logFull(std::string_view database, std::string_view reason)
{
    return makeError<ErrorId::LogFull>(database, reason);
}

SqlError tempSpaceFull()
{
    return makeError<ErrorId::DataFileFull>("dbo.SORT temporary run storage", "tempdb", "PRIMARY");
}

SqlError dateTimeOutOfRange(std::string_view sourceTypeName)
{
    return makeError<ErrorId::DateTimeOutOfRange>(sourceTypeName);
}

SqlError nestedTooDeeply() { return makeError<ErrorId::NestedTooDeeply>(); }

bool abortsBatch(const SqlError& error)
{
    switch (error.number) {
    case errorEntry(ErrorId::DateTimeConversionFailed).number:  // character string to datetime
    case errorEntry(ErrorId::DateTimeOutOfRange).number:        // character string to a datetime out of range
    case errorEntry(ErrorId::ValueConversionFailed).number:     // character string to int
    case errorEntry(ErrorId::IntOverflow).number:               // character string overflowing int
    case errorEntry(ErrorId::ConversionToTypeFailed).number:    // character string to float or bigint
        return true;
    default: return false;
    }
}

}  // namespace taskstore::sql
