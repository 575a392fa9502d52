#include "db/ResultReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "db/Utf16.h"
#include "runtime/RuntimeError.h"

namespace db {

namespace {

constexpr SQLULEN blockRows = 1000;
// Wider columns (and the long types) are read piecewise with SQLGetData.
constexpr SQLULEN maxBoundChars = 4000;
constexpr SQLULEN otherTypeChars = 64;
constexpr std::size_t pieceChars = 4096;

struct ColumnInfo {
    std::string name;
    ColumnKind kind = ColumnKind::Other;
    SQLULEN textChars = 0;  // width of the text buffer; 0 when too long to bind

    // Date-times are bound as timestamps, everything else as text.
    bool bindable() const { return kind == ColumnKind::DateTime || textChars != 0; }
};

ColumnKind kindOf(SQLSMALLINT sqlType)
{
    switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR: return ColumnKind::Text;
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: return ColumnKind::Integer;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: return ColumnKind::Decimal;
    case SQL_TYPE_TIMESTAMP: return ColumnKind::DateTime;
    default: return ColumnKind::Other;
    }
}

SQLULEN textCharsFor(SQLSMALLINT sqlType, SQLULEN size)
{
    switch (sqlType) {
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
    case SQL_LONGVARBINARY: return 0;
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR: return size == 0 || size > maxBoundChars ? 0 : size;
    case SQL_BINARY:
    case SQL_VARBINARY: return size == 0 || size * 2 > maxBoundChars ? 0 : size * 2;
    default: return std::max(size, otherTypeChars);
    }
}

std::vector<ColumnInfo> describeColumns(OdbcStatement& statement)
{
    SQLSMALLINT count = 0;
    statement.check(SQLNumResultCols(statement.handle(), &count), "The result's columns could not be read.");
    std::vector<ColumnInfo> columns(static_cast<std::size_t>(count));
    for (SQLUSMALLINT i = 0; i < static_cast<SQLUSMALLINT>(count); ++i) {
        std::u16string name(256, u'\0');
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        auto describe = [&] {
            return SQLDescribeColW(statement.handle(), static_cast<SQLUSMALLINT>(i + 1), wide(name),
                                   static_cast<SQLSMALLINT>(name.size()), &nameLength, &type, &size, &digits,
                                   &nullable);
        };
        SQLRETURN ret = describe();
        if (succeeded(ret) && nameLength >= static_cast<SQLSMALLINT>(name.size())) {
            name.assign(static_cast<std::size_t>(nameLength) + 1, u'\0');
            ret = describe();
        }
        statement.check(ret, "The result's columns could not be read.");
        name.resize(static_cast<std::size_t>(nameLength));
        ColumnInfo& column = columns[i];
        column.name = toUtf8(name);
        column.kind = kindOf(type);
        column.textChars = textCharsFor(type, size);
    }
    return columns;
}

// "00" to "99", so that a timestamp's fields are written a pair of digits at a time.
constexpr std::array<char, 200> digitPairs = [] {
    std::array<char, 200> pairs{};
    for (unsigned i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// Writes the number's last two decimal digits and returns the end.
char* putTwoDigits(char* to, unsigned value)
{
    std::memcpy(to, &digitPairs[2 * (value % 100)], 2);
    return to + 2;
}

// "yyyy-mm-dd hh:mm:ss.fff"; the fraction is rounded to whole milliseconds, so that datetime's
// 1/300 s ticks read as SQL Server shows them (.003, .007, .997). Formatted by hand: this runs
// for every row of a large result.
void appendTimestamp(RowTable& table, const SQL_TIMESTAMP_STRUCT& value)
{
    const unsigned millis = std::min(999u, static_cast<unsigned>((value.fraction + 500000u) / 1000000u));
    char text[32];
    const auto year = static_cast<unsigned>(value.year);  // datetime's years are 1753-9999
    char* at = putTwoDigits(text, year / 100);
    at = putTwoDigits(at, year);
    *at++ = '-';
    at = putTwoDigits(at, value.month);
    *at++ = '-';
    at = putTwoDigits(at, value.day);
    *at++ = ' ';
    at = putTwoDigits(at, value.hour);
    *at++ = ':';
    at = putTwoDigits(at, value.minute);
    *at++ = ':';
    at = putTwoDigits(at, value.second);
    *at++ = '.';
    *at++ = static_cast<char>('0' + millis / 100);
    at = putTwoDigits(at, millis);
    table.appendCell(std::string_view(text, static_cast<std::size_t>(at - text)));
}

[[noreturn]] void truncated(const ColumnInfo& column)
{
    throw runtime::RuntimeError(runtime::ErrorNumber::ProviderFailure,
                                "A value of column \"" + column.name + "\" is longer than the driver announced.");
}

// Clears every binding and block setting when the reader leaves, so that nothing points at its
// buffers afterwards.
class BindingReset {
public:
    explicit BindingReset(SQLHSTMT stmt) : stmt_(stmt) {}
    ~BindingReset()
    {
        SQLFreeStmt(stmt_, SQL_UNBIND);
        SQLSetStmtAttrW(stmt_, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), SQL_IS_UINTEGER);
        SQLSetStmtAttrW(stmt_, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, SQL_IS_POINTER);
        SQLSetStmtAttrW(stmt_, SQL_ATTR_ROW_STATUS_PTR, nullptr, SQL_IS_POINTER);
    }
    BindingReset(const BindingReset&) = delete;
    BindingReset& operator=(const BindingReset&) = delete;

private:
    SQLHSTMT stmt_;
};

void readInBlocks(OdbcStatement& statement, const std::vector<ColumnInfo>& columns, RowTable& table)
{
    const SQLHSTMT stmt = statement.handle();
    struct Buffer {
        std::vector<char16_t> text;
        std::vector<SQL_TIMESTAMP_STRUCT> timestamps;
        std::vector<SQLLEN> indicators;
        SQLLEN strideBytes = 0;
    };
    std::vector<Buffer> buffers(columns.size());
    std::vector<SQLUSMALLINT> statuses(blockRows);
    SQLULEN fetched = 0;

    BindingReset reset(stmt);
    statement.check(SQLSetStmtAttrW(stmt, SQL_ATTR_ROW_BIND_TYPE, SQL_BIND_BY_COLUMN, SQL_IS_UINTEGER),
                    "The result could not be read in blocks.");
    statement.check(
        SQLSetStmtAttrW(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(blockRows), SQL_IS_UINTEGER),
        "The result could not be read in blocks.");
    statement.check(SQLSetStmtAttrW(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, SQL_IS_POINTER),
                    "The result could not be read in blocks.");
    statement.check(SQLSetStmtAttrW(stmt, SQL_ATTR_ROW_STATUS_PTR, statuses.data(), SQL_IS_POINTER),
                    "The result could not be read in blocks.");

    for (std::size_t c = 0; c < columns.size(); ++c) {
        Buffer& buffer = buffers[c];
        buffer.indicators.resize(blockRows);
        const auto number = static_cast<SQLUSMALLINT>(c + 1);
        if (columns[c].kind == ColumnKind::DateTime) {
            buffer.timestamps.resize(blockRows);
            buffer.strideBytes = sizeof(SQL_TIMESTAMP_STRUCT);
            statement.check(SQLBindCol(stmt, number, SQL_C_TYPE_TIMESTAMP, buffer.timestamps.data(), buffer.strideBytes,
                                       buffer.indicators.data()),
                            "A column could not be bound.");
        } else {
            const SQLULEN chars = columns[c].textChars + 1;
            buffer.text.resize(chars * blockRows);
            buffer.strideBytes = static_cast<SQLLEN>(chars * sizeof(char16_t));
            statement.check(
                SQLBindCol(stmt, number, SQL_C_WCHAR, buffer.text.data(), buffer.strideBytes, buffer.indicators.data()),
                "A column could not be bound.");
        }
    }

    while (true) {
        const SQLRETURN ret = SQLFetch(stmt);
        if (ret == SQL_NO_DATA)
            break;
        statement.check(ret, "The result could not be read.");
        for (SQLULEN r = 0; r < fetched; ++r) {
            if (statuses[r] == SQL_ROW_ERROR)
                statement.check(SQL_ERROR, "A row of the result could not be read.");
            for (std::size_t c = 0; c < columns.size(); ++c) {
                const Buffer& buffer = buffers[c];
                const SQLLEN indicator = buffer.indicators[r];
                if (indicator == SQL_NULL_DATA) {
                    table.appendNull();
                } else if (columns[c].kind == ColumnKind::DateTime) {
                    appendTimestamp(table, buffer.timestamps[r]);
                } else {
                    if (indicator == SQL_NO_TOTAL || indicator >= buffer.strideBytes)
                        truncated(columns[c]);
                    const char16_t* start = buffer.text.data() + r * (static_cast<std::size_t>(buffer.strideBytes) / 2);
                    table.appendCell(std::u16string_view(start, static_cast<std::size_t>(indicator) / 2));
                }
            }
        }
    }
}

// Reads one column of the current row completely, piece by piece.
void appendLongCell(OdbcStatement& statement, SQLUSMALLINT number, RowTable& table)
{
    std::u16string value;
    std::vector<char16_t> piece(pieceChars + 1);
    while (true) {
        SQLLEN indicator = 0;
        const SQLRETURN ret = SQLGetData(statement.handle(), number, SQL_C_WCHAR, piece.data(),
                                         static_cast<SQLLEN>(piece.size() * sizeof(char16_t)), &indicator);
        if (ret == SQL_NO_DATA)
            break;
        statement.check(ret, "A value of the result could not be read.");
        if (indicator == SQL_NULL_DATA) {
            table.appendNull();
            return;
        }
        const bool more = ret == SQL_SUCCESS_WITH_INFO
            && (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(piece.size() * sizeof(char16_t)));
        const std::size_t chars = more ? pieceChars : static_cast<std::size_t>(indicator) / 2;
        value.append(piece.data(), chars);
        if (!more)
            break;
    }
    table.appendCell(std::u16string_view(value));
}

void readRowByRow(OdbcStatement& statement, const std::vector<ColumnInfo>& columns, RowTable& table)
{
    const SQLHSTMT stmt = statement.handle();
    while (true) {
        const SQLRETURN ret = SQLFetch(stmt);
        if (ret == SQL_NO_DATA)
            break;
        statement.check(ret, "The result could not be read.");
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const auto number = static_cast<SQLUSMALLINT>(c + 1);
            if (columns[c].kind != ColumnKind::DateTime) {
                appendLongCell(statement, number, table);
                continue;
            }
            SQL_TIMESTAMP_STRUCT value{};
            SQLLEN indicator = 0;
            statement.check(SQLGetData(stmt, number, SQL_C_TYPE_TIMESTAMP, &value, sizeof value, &indicator),
                            "A value of the result could not be read.");
            if (indicator == SQL_NULL_DATA)
                table.appendNull();
            else
                appendTimestamp(table, value);
        }
    }
}

}  // namespace

bool resultHasColumns(OdbcStatement& statement)
{
    SQLSMALLINT count = 0;
    statement.check(SQLNumResultCols(statement.handle(), &count), "The result's columns could not be read.");
    return count > 0;
}

std::shared_ptr<RowTable> readResult(OdbcStatement& statement)
{
    const std::vector<ColumnInfo> columns = describeColumns(statement);
    auto table = std::make_shared<RowTable>();
    bool allBound = true;
    for (const ColumnInfo& column : columns) {
        table->addColumn(column.name, column.kind);
        allBound = allBound && column.bindable();
    }
    if (allBound)
        readInBlocks(statement, columns, *table);
    else
        readRowByRow(statement, columns, *table);
    return table;
}

}  // namespace db
