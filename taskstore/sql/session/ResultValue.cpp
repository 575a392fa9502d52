#include "taskstore/sql/session/ResultValue.h"

#include "taskstore/sql/errors/SqlErrors.h"
#include "taskstore/sql/functions/DateTimeText.h"
#include "taskstore/sql/functions/ParameterConversions.h"
#include "taskstore/store/StoredDateTime.h"

namespace taskstore::sql {

namespace {

// Text whose conversion SQLite could not allocate is an error, not an empty value.
std::string_view textOf(sqlite3_value* cell)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(cell));
    if (!text)
        throw makeError<ErrorId::OutOfMemory>();
    return {text, static_cast<std::size_t>(sqlite3_value_bytes(cell))};
}

}  // namespace

ValueView readResultValue(sqlite3_stmt* statement, int index, ColumnType type)
{
    // One lookup of the cell, then SQLite's value calls, which skip the per-call statement checks
    // and connection lock of its column calls: every cell of a long list passes here. The value is
    // read on the session's own thread, the only one that uses its connection.
    sqlite3_value* cell = sqlite3_column_value(statement, index);
    ValueView value;
    if (sqlite3_value_type(cell) == SQLITE_NULL)
        return value;
    const SqlType kind = type.kind;
    switch (kind) {
    case SqlType::Decimal:
    case SqlType::Money:
    case SqlType::SmallMoney:
        value.kind = ValueView::Kind::Decimal;
        value.decimal = decimalOf(SqlValue::ofText(std::string(textOf(cell))), type);
        return value;
    case SqlType::Date:
    case SqlType::Time:
    case SqlType::DateTime2:
    case SqlType::DateTimeOffset:
        value.kind = ValueView::Kind::Temporal;
        value.temporal = temporalOf(textOf(cell), type);
        return value;
    case SqlType::UniqueIdentifier:
    case SqlType::VarBinary: {
        const auto* bytes = static_cast<const char*>(sqlite3_value_blob(cell));
        value.kind = ValueView::Kind::Binary;
        value.text = {bytes, static_cast<std::size_t>(sqlite3_value_bytes(cell))};
        return value;
    }
    case SqlType::TinyInt:
    case SqlType::SmallInt:
    case SqlType::Int:
    case SqlType::BigInt:
    case SqlType::Bit:
        value.kind = ValueView::Kind::Int;
        value.integer = sqlite3_value_int64(cell);
        return value;
    case SqlType::Float:
        value.kind = ValueView::Kind::Float;
        value.real = sqlite3_value_double(cell);
        return value;
    default: break;
    }
    value.text = textOf(cell);
    if (kind == SqlType::DateTime || kind == SqlType::SmallDateTime) {
        // Text that another program wrote into the file is read as SQL Server would read it; text
        // that is no datetime fails the statement with SQL Server's error instead of reaching the wire.
        auto stored = store::parseStored(value.text);
        if (!stored)
            stored = store::parseStored(textToDateTime(value.text, "varchar"));
        value.kind = ValueView::Kind::DateTime;
        value.datetime = {stored->days, stored->ticks};
        return value;
    }
    value.kind = ValueView::Kind::Text;
    return value;
}

}  // namespace taskstore::sql
