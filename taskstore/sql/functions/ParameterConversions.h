#pragma once
// Conversions from the types only parameters have (tinyint, decimal, numeric, money, smallmoney,
// date, time, datetime2, datetimeoffset, uniqueidentifier, varbinary) to the engine's own, for a
// parameter stored into a column or used inside an expression. Their values reach SQLite as the
// text of ExactValues.h (binary values as blobs).
#include "taskstore/engine/ExactValues.h"
#include "taskstore/sql/functions/Conversions.h"

#include <optional>

namespace taskstore::sql {

bool isParameterOnly(SqlType kind);
TemporalKind temporalKindOf(SqlType kind);

// Converts to one of the engine's types (int, bigint, bit, float, the text types, datetime).
// Throws SqlError (8115, 242, 529, 8114, 241).
SqlValue convertParameterValue(const SqlValue& value, ColumnType source, ColumnType target, int style);

// The exact value a decimal or money parameter holds, at the type's scale (a negative scale keeps
// the value's own).
DecimalValue decimalOf(const SqlValue& value, ColumnType type);
TemporalValue temporalOf(std::string_view text, ColumnType type);
// 6F9619FF-8B86-D011-B42D-00C04FC964FF from the 16 bytes in their wire order.
std::string guidText(std::string_view bytes);

}  // namespace taskstore::sql
