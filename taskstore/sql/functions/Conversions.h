#pragma once
// T-SQL's conversion rules between the engine's types, independent of SQLite: CONVERT/CAST, the
// implicit conversions of comparisons and arithmetic, and assignment to a column.
#include "taskstore/store/ColumnType.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace taskstore::sql {

using store::ColumnType;
using store::SqlType;

// A value as SQLite holds it: datetime as its stored text.
struct SqlValue {
    enum class Kind { Null, Integer, Real, Text, Blob };  // Blob: the bytes are in text
    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    double real = 0;
    std::string text;

    static SqlValue null() { return {}; }
    static SqlValue ofInteger(std::int64_t v) { return {Kind::Integer, v, 0, {}}; }
    static SqlValue ofReal(double v) { return {Kind::Real, 0, v, {}}; }
    static SqlValue ofText(std::string v) { return {Kind::Text, 0, 0, std::move(v)}; }
    static SqlValue ofBlob(std::string v) { return {Kind::Blob, 0, 0, std::move(v)}; }
};

// Style value for an assignment to a column: text that does not fit is an error, not cut short.
inline constexpr int assignmentStyle = -2;

// Converts `value` of type `source` to `target`. `style` is CONVERT's style argument (0 when
// absent) or assignmentStyle. Throws SqlError (245, 248, 241, 242, 8114, 8115, 8152, 529, 281).
SqlValue convertValue(const SqlValue& value, ColumnType source, ColumnType target, int style);

enum class NumberSource;

// A number's text in a text target, where it fits; otherwise `*` or SQL Server's error for that
// source (NumberText.h), or 8152 for an assignment. `value` is the float shown in 232's text.
std::string fitNumberText(std::string text, ColumnType target, int style, NumberSource source, double value);

// CONVERT(int, text) by itself: leading and trailing blanks skipped, '' is 0, one sign, digits
// only. Throws SqlError 245 or 248 naming `sourceTypeName` and the text as given.
std::int32_t textToInt(std::string_view text, std::string_view sourceTypeName);
// The same conversion where it succeeds; nullopt where textToInt would throw.
std::optional<std::int32_t> textToIntIfValid(std::string_view text);

// A type as one integer, for the type arguments of the SQLite functions: the kind, and a
// decimal's precision and scale (-1: each value at its own). `length` is the other types' length.
int typeCode(ColumnType type);
ColumnType typeOfCode(int code, int length = 0);

// Arithmetic of + - * / % in the result type (Int, BigInt, Float, or Decimal with its precision
// and scale). Throws 8115 on overflow, 8134 on division by zero.
SqlValue arithmetic(char op, ColumnType type, const SqlValue& left, const SqlValue& right);

// datetime + or - a number of days, or another datetime taken as days since 1900-01-01. Each
// operand comes with its kind (DateTime or a number). Throws 8115 beyond datetime's range.
SqlValue dateTimeArithmetic(char op, SqlType leftKind, const SqlValue& left, SqlType rightKind,
                            const SqlValue& right);

// LEN: UTF-16 units without trailing blanks.
std::int64_t textLength(std::string_view text);

}  // namespace taskstore::sql
