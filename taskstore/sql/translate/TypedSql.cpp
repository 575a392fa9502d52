#include "taskstore/sql/translate/TypedSql.h"

#include "common/Overloaded.h"
#include "taskstore/sql/errors/SqlErrors.h"
#include "taskstore/sql/functions/SqliteFunctionCalls.h"
#include "taskstore/sql/parse/Lexer.h"
#include "taskstore/store/SqliteHandle.h"

#include <algorithm>
#include <utility>
#include <variant>

namespace taskstore::sql::translation {

int rank(SqlType kind)
{
    switch (kind) {
    case SqlType::Variant: return 12;  // above every other type, as in SQL Server
    case SqlType::DateTimeOffset:
    case SqlType::DateTime2:
    case SqlType::DateTime:
    case SqlType::SmallDateTime:
    case SqlType::Date:
    case SqlType::Time: return 11;
    case SqlType::Float: return 10;
    case SqlType::Decimal: return 9;
    case SqlType::Money:
    case SqlType::SmallMoney: return 8;
    case SqlType::BigInt: return 7;
    case SqlType::Int: return 6;
    case SqlType::SmallInt:
    case SqlType::Bit:
    case SqlType::TinyInt: return 5;
    case SqlType::UniqueIdentifier:
    case SqlType::NVarChar: return 4;
    case SqlType::NChar: return 3;
    case SqlType::VarChar: return 2;
    case SqlType::Char: return 1;
    case SqlType::VarBinary: return 0;
    }
    return 0;
}

SqlType higher(SqlType a, SqlType b) { return rank(a) >= rank(b) ? a : b; }

bool isTextKind(SqlType kind) { return ColumnType{kind, 0}.isText(); }
bool isNumberKind(SqlType kind)
{
    return ColumnType{kind, 0}.isNumeric() || kind == SqlType::Decimal || kind == SqlType::SmallInt;
}

namespace {

DecimalType decimalTypeOfType(ColumnType type)
{
    switch (type.kind) {
    case SqlType::Decimal: return {type.length, type.scale};
    case SqlType::BigInt: return {19, 0};
    case SqlType::TinyInt: return {3, 0};
    case SqlType::SmallInt: return {5, 0};
    case SqlType::Bit: return {1, 0};
    default: return {10, 0};
    }
}

}  // namespace

DecimalType decimalTypeOf(const Typed& value)
{
    if (value.literalDigits > 0)
        return {value.literalDigits, 0};
    return decimalTypeOfType(value.isNull() ? ColumnType{SqlType::Int, 0} : value.type);
}

std::string literalText(std::string_view text) { return store::quoted(text, '\''); }

Typed valueOf(std::string sql, ColumnType type)
{
    Typed typed;
    typed.sql = std::move(sql);
    typed.type = type;
    return typed;
}

Typed nullValue()
{
    Typed typed;
    typed.sql = "NULL";
    typed.cls = Class::Null;
    typed.type = {SqlType::Int, 0};
    return typed;
}

Typed boolValue(std::string sql)
{
    Typed typed;
    typed.sql = std::move(sql);
    typed.cls = Class::Bool;
    return typed;
}

std::string convertCall(const Typed& value, ColumnType target, int style)
{
    return sqliteCall<tsConvert>(value.sql, std::to_string(typeCode(value.type)), std::to_string(typeCode(target)),
                                 std::to_string(target.length), std::to_string(style));
}

// Implicit conversion towards the type that wins by precedence; values of the same family
// (numbers among numbers, text among text) need none.
Typed coerce(Typed value, SqlType target)
{
    if (value.isNull()) {
        value.type = {target, isTextKind(target) ? 1 : 0};
        return value;
    }
    const SqlType kind = value.type.kind;
    // Integers take part in decimal arithmetic as they are; a decimal, held as its text, does not
    // in float arithmetic.
    const bool decimalToOther = kind == SqlType::Decimal && target != SqlType::Decimal;
    const bool sameFamily = kind == target || (isNumberKind(kind) && isNumberKind(target) && !decimalToOther)
        || (isTextKind(kind) && isTextKind(target));
    if (sameFamily)
        return value;
    // Text becomes a decimal at its own scale.
    const ColumnType targetType{target,
                                isTextKind(target)                ? 30
                                    : target == SqlType::Decimal ? maxDecimalPrecision
                                                                  : 0,
                                target == SqlType::Decimal ? -1 : 0};
    Typed converted = valueOf(convertCall(value, targetType, 0), targetType);
    return converted;
}

// Conversion for a value stored into a column of `target` type.
Typed assign(Typed value, ColumnType target)
{
    if (value.isNull())
        return value;
    const bool sized = target.isText() || target.kind == SqlType::VarBinary;
    const bool same = value.type.kind == target.kind && (!sized || target.length == ColumnType::maxLength);
    if (same)
        return value;
    return valueOf(convertCall(value, target, assignmentStyle), target);
}

void requireValue(const Typed& value, const std::string& near, int line)
{
    if (value.cls == Class::Bool)
        throw syntaxErrorNear(near, line, isReservedWord(near));
}

Typed asText(Typed value)
{
    if (value.isNull() || value.isText())
        return value;
    return coerce(std::move(value), SqlType::VarChar);
}

// The type of a list of values that must agree (IN lists, CASE results).
std::optional<ColumnType> commonType(const std::vector<Typed>& values)
{
    std::optional<ColumnType> result;
    for (const Typed& value : values) {
        if (value.isNull())
            continue;
        if (!result) {
            result = value.type;
            continue;
        }
        if (result->isText() && value.type.isText()) {
            const bool unicode = result->isUnicode() || value.type.isUnicode();
            const int length = result->length == ColumnType::maxLength || value.type.length == ColumnType::maxLength
                ? ColumnType::maxLength
                : std::max(result->length, value.type.length);
            result = ColumnType{unicode ? SqlType::NVarChar : SqlType::VarChar, length};
            continue;
        }
        const ColumnType previous = *result;
        if (rank(value.type.kind) > rank(result->kind))
            result = value.type;
        if (result->kind == SqlType::Decimal && isNumberKind(previous.kind) && isNumberKind(value.type.kind)) {
            // Every value must fit: the most integral digits and the largest scale, up to 38.
            const DecimalType a = decimalTypeOfType(previous), b = decimalTypeOfType(value.type);
            const int scale = std::max(a.scale, b.scale);
            const int integral = std::max(a.precision - a.scale, b.precision - b.scale);
            result = ColumnType{SqlType::Decimal, std::min(integral + scale, maxDecimalPrecision),
                                std::min(scale, maxDecimalPrecision - std::min(integral, maxDecimalPrecision))};
        }
    }
    return result;
}

namespace {

bool isPredicate(const Expr& expr)
{
    return isOneOf<CompareExpr, LogicalExpr, NotExpr, IsNullExpr, InListExpr, InSelectExpr, LikeExpr, BetweenExpr>(expr);
}

struct NearToken {
    std::string text;
    bool keyword = false;
};

// A NOT written before IN, LIKE or BETWEEN comes first.
NearToken keyword(bool negated, const char* word)
{
    return {negated ? "NOT" : word, true};
}

// Where SQL Server's parser stops in an expression that does not belong where it stands: its
// literal, name or operator, a parameter's position, nothing for the other kinds. A chain of
// conditions stops at its first one.
NearToken nearToken(const Expr& expr)
{
    return std::visit(common::Overloaded{
                          [](const IntegerExpr& e) { return NearToken{e.written}; },
                          [](const DecimalExpr& e) { return NearToken{e.written}; },
                          [](const StringExpr& e) { return NearToken{e.value}; },
                          [](const GlobalExpr& e) { return NearToken{std::string(nameOf(e.variable))}; },
                          [](const ParameterExpr& e) { return NearToken{std::to_string(e.position)}; },
                          [](const ArithmeticExpr& e) { return NearToken{std::string(symbolOf(e.op))}; },
                          [](const CompareExpr& e) { return NearToken{std::string(symbolOf(e.op))}; },
                          [](const LogicalExpr& e) {
                              if (isPredicate(*e.left))
                                  return nearToken(*e.left);
                              return NearToken{e.op == LogicalExpr::Operator::And ? "AND" : "OR", true};
                          },
                          [](const NotExpr&) { return NearToken{"NOT", true}; },
                          [](const IsNullExpr&) { return NearToken{"IS", true}; },
                          [](const InListExpr& e) { return keyword(e.negated, "IN"); },
                          [](const InSelectExpr& e) { return keyword(e.negated, "IN"); },
                          [](const LikeExpr& e) { return keyword(e.negated, "LIKE"); },
                          [](const BetweenExpr& e) { return keyword(e.negated, "BETWEEN"); },
                          [](const FunctionExpr& e) { return NearToken{std::string(e.function->name)}; },
                          [](const auto&) { return NearToken{}; },
                      },
                      expr.body);
}

}  // namespace

SqlError syntaxErrorIn(const Expr& expr)
{
    const NearToken near = nearToken(expr);
    return syntaxErrorNear(near.text, expr.line, near.keyword);
}

}  // namespace taskstore::sql::translation
