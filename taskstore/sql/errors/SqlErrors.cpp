#include "taskstore/sql/errors/SqlErrors.h"

#include "common/UtfCodec.h"

#include <cstdint>

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

SqlError nullNotAllowed(std::string_view column, std::string_view database, std::string_view table,
                        std::string_view statement)
{
    return makeError<ErrorId::NullNotAllowed>(column, std::string(database) + ".dbo." + std::string(table), statement);
}

SqlError duplicateKey(std::string_view table, std::span<const std::string> keyValues)
{
    std::string key = "(";
    for (std::size_t i = 0; i < keyValues.size(); ++i)
        key += (i ? ", " : "") + keyValues[i];
    return makeError<ErrorId::DuplicateKey>(primaryKeyName(table), "dbo." + std::string(table), key + ")");
}

std::string primaryKeyName(std::string_view table)
{
    // FNV-1a over the name as written in the catalog: stable for a table, different across tables.
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : table) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    static constexpr char digits[] = "0123456789ABCDEF";
    // The table's name is cut to its first 8 characters, as in SQL Server's generated names.
    std::size_t cut = 0;
    for (int characters = 0; characters < 8 && cut < table.size(); ++characters)
        common::decodeUtf8(table, cut);
    std::string name = "PK__" + std::string(table.substr(0, cut)) + "__";
    for (int shift = 60; shift >= 0; shift -= 4)
        name += digits[(hash >> shift) & 0xF];
    return name;
}

bool endsBatch(const SqlError& error) { return error.number == errorEntry(ErrorId::InvalidObject).number; }

bool failsBinding(const SqlError& error)
{
    return error.number == errorEntry(ErrorId::InvalidColumn).number
        || error.number == errorEntry(ErrorId::UnboundIdentifier).number;
}

std::optional<SqlError> terminationNotice(const SqlError& error)
{
    switch (error.number) {
    case errorEntry(ErrorId::DuplicateKey).number:
    case errorEntry(ErrorId::NullNotAllowed).number:
    case errorEntry(ErrorId::Truncation).number: return makeErrorAt<ErrorId::StatementTerminated>(error.line);
    default: return std::nullopt;
    }
}

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
