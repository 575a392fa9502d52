#pragma once
// SQL text together with the T-SQL type it has, and T-SQL's rules for typing and converting it:
// precedence, implicit conversion, assignment to a column, the type a list of values agrees on.
#include "taskstore/engine/Engine.h"
#include "taskstore/sql/functions/Conversions.h"
#include "taskstore/sql/functions/DecimalArithmetic.h"
#include "taskstore/sql/parse/Ast.h"
#include "taskstore/sql/translate/Translator.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace taskstore::sql {
namespace translation {

// A NULL literal (typed by where it goes), a condition (only where one belongs) or a value.
enum class Class { Null, Bool, Value };

}  // namespace translation

struct Translator::Typed {
    std::string sql;
    translation::Class cls = translation::Class::Value;
    ColumnType type;
    bool isColumn = false;
    bool identity = false;  // an IDENTITY column
    bool nullable = true;
    std::string name;             // result column name when the expression is a plain column
    std::string arithmeticSteps;  // the ts_arith arguments when the expression is that call
    int arithmeticStepCount = 0;  // and how many steps they hold
    bool variant = false;         // sql_variant (SERVERPROPERTY's value); inside expressions its text
    int literalDigits = 0;        // an integer literal's digits: its precision in decimal arithmetic

    bool isNull() const { return cls == translation::Class::Null; }
    bool isText() const { return cls == translation::Class::Value && type.isText(); }
};

namespace translation {

using Typed = Translator::Typed;

int rank(SqlType kind);
SqlType higher(SqlType a, SqlType b);
bool isTextKind(SqlType kind);
bool isNumberKind(SqlType kind);
// The precision and scale a number takes in decimal arithmetic: an int is decimal(10, 0), an
// integer literal has as many digits as it is written with.
DecimalType decimalTypeOf(const Typed& value);

std::string literalText(std::string_view text);
Typed valueOf(std::string sql, ColumnType type);
Typed nullValue();
Typed boolValue(std::string sql);
std::string convertCall(const Typed& value, ColumnType target, int style);
Typed coerce(Typed value, SqlType target);
Typed assign(Typed value, ColumnType target);
Typed asText(Typed value);
std::optional<ColumnType> commonType(const std::vector<Typed>& values);

// A condition where a value belongs is a syntax error near `near`, the keyword form for a reserved word.
void requireValue(const Typed& value, const std::string& near, int line);
// The syntax error for an expression that does not belong where it stands.
SqlError syntaxErrorIn(const Expr& expr);

}  // namespace translation
}  // namespace taskstore::sql
