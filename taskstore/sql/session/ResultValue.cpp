#include "taskstore/sql/session/ResultValue.h"

#include "taskstore/sql/functions/DateTimeText.h"
#include "taskstore/sql/functions/ParameterConversions.h"
#include "taskstore/store/StoredDateTime.h"

namespace taskstore::sql {

ValueView readResultValue(sqlite3_stmt* statement, int index, ColumnType type)
{
    ValueView value;
    if (sqlite3_column_type(statement, index) == SQLITE_NULL)
        return value;
    const SqlType kind = type.kind;
    switch (kind) {
    case SqlType::Decimal:
    case SqlType::Money:
    case SqlType::SmallMoney: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
        value.kind = ValueView::Kind::Decimal;
        value.decimal = decimalOf(SqlValue::ofText(text), type);
        return value;
    }
    case SqlType::Date:
    case SqlType::Time:
    case SqlType::DateTime2:
    case SqlType::DateTimeOffset: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
        value.kind = ValueView::Kind::Temporal;
        value.temporal = temporalOf(text, type);
        return value;
    }
    case SqlType::UniqueIdentifier:
    case SqlType::VarBinary: {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, index));
        value.kind = ValueView::Kind::Binary;
        value.text = {bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement, index))};
        return value;
    }
    case SqlType::TinyInt:
    case SqlType::SmallInt:
    case SqlType::Int:
    case SqlType::BigInt:
    case SqlType::Bit:
        value.kind = ValueView::Kind::Int;
        value.integer = sqlite3_column_int64(statement, index);
        return value;
    case SqlType::Float:
        value.kind = ValueView::Kind::Float;
        value.real = sqlite3_column_double(statement, index);
        return value;
    default: break;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
    value.text = {text, static_cast<std::size_t>(sqlite3_column_bytes(statement, index))};
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
