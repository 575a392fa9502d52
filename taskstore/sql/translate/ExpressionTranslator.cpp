// Expressions to typed SQLite SQL: literals, columns, parameters, operators, predicates, CASE and
// CONVERT.
#include "taskstore/sql/translate/Translator.h"

#include "taskstore/engine/CodePage.h"
#include "taskstore/sql/errors/SqlErrors.h"
#include "taskstore/sql/functions/DecimalArithmetic.h"
#include "taskstore/sql/functions/ServerIdentity.h"
#include "taskstore/sql/functions/SqliteFunctionCalls.h"
#include "taskstore/sql/functions/TextUnits.h"
#include "taskstore/sql/translate/TranslationScope.h"
#include "taskstore/sql/translate/TypedSql.h"
#include "taskstore/store/SqliteHandle.h"
#include "taskstore/store/TextCollation.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>
#include <variant>

namespace taskstore::sql {

using namespace translation;
using store::quoteIdentifier;

namespace {

int addLengths(int a, int b, bool unicode)
{
    if (a == ColumnType::maxLength || b == ColumnType::maxLength)
        return ColumnType::maxLength;
    return std::min(a + b, unicode ? 4000 : 8000);
}

// Text written more than once in one statement's translation (a CASE operand compared with each
// WHEN, the value of a BETWEEN, a select item an ORDER BY names): far above what a written query
// repeats, far below what memory holds.
constexpr std::size_t maxRepeatedBytes = 16 * 1024 * 1024;

std::string operatorName(ArithmeticOperator op)
{
    switch (op) {
    case ArithmeticOperator::Add: return "add";
    case ArithmeticOperator::Subtract: return "subtract";
    case ArithmeticOperator::Multiply: return "multiply";
    case ArithmeticOperator::Divide: return "divide";
    case ArithmeticOperator::Modulo: break;
    }
    return "modulo";
}

}  // namespace

// numeric(p, s) of the digits as written; SQLite holds it as text so that no digit is lost.
Typed Translator::decimalLiteral(const std::string& literal, bool negative)
{
    const std::optional<DecimalType> type = literalDecimalType(literal);
    const std::optional<DecimalValue> value = parseDecimal(literal);
    if (!type || !value)
        throw makeError<ErrorId::NumberOutOfRange>(literal);
    DecimalValue signedValue = *value;
    signedValue.negative = negative;
    return valueOf(literalText(formatDecimal(signedValue)), {SqlType::Decimal, type->precision, type->scale});
}

Typed Translator::expression(const ColumnExpr& column, int, const Scope& scope)
{
    const std::string& columnName = column.names.back();
    const std::string qualifier = column.names.size() >= 2 ? column.names[column.names.size() - 2] : std::string();
    bool qualifierFound = qualifier.empty();
    for (const Scope* current = &scope; current; current = current->outer) {
        const ScopeTable* table = current->table;
        if (!table)
            continue;
        if (!qualifier.empty()) {
            if (!store::sameName(qualifier, table->exposed) && !store::sameName(qualifier, table->resolved.table.name))
                continue;
            qualifierFound = true;
        }
        if (const store::CatalogColumn* found = table->resolved.table.find(columnName)) {
            if (aggregates_ && aggregates_->depth == 0 && current == &scope && aggregates_->bareColumn.empty())
                aggregates_->bareColumn = table->resolved.table.name + "." + found->name;
            Typed typed = valueOf(quoteIdentifier(table->alias) + "." + quoteIdentifier(found->name), found->type);
            typed.isColumn = true;
            typed.identity = found->identity;
            typed.nullable = found->nullable;
            typed.name = found->name;
            return typed;
        }
    }
    if (!qualifierFound) {
        std::string written;
        for (const std::string& part : column.names)
            written += (written.empty() ? "" : ".") + part;
        throw makeError<ErrorId::UnboundIdentifier>(written);
    }
    throw invalidColumn(columnName);
}

Typed Translator::condition(const Expr& expr, const Scope& scope)
{
    Typed result = expression(expr, scope);
    if (result.cls != Class::Bool)
        throw makeError<ErrorId::NonBooleanCondition>();
    return result;
}

Typed Translator::compare(Comparison comparison, Typed left, Typed right, int line)
{
    const std::string op(symbolOf(comparison));
    requireValue(left, op, line);
    requireValue(right, op, line);
    if (!left.isNull() && !right.isNull()) {
        const SqlType target = higher(left.type.kind, right.type.kind);
        left = coerce(std::move(left), target);
        right = coerce(std::move(right), target);
        if (target == SqlType::Decimal)  // exactly, not as text
            return boolValue("(" + sqliteCall<tsCompareDecimals>(left.sql, right.sql) + " " + op + " 0)");
    }
    std::string collation;
    if (left.isText() && right.isText() && !left.isColumn && !right.isColumn)
        collation = std::string(" COLLATE ") + store::textCollationName;
    return boolValue("(" + left.sql + collation + " " + op + " " + right.sql + ")");
}

Typed Translator::expression(const ArithmeticExpr& arithmetic, int line, const Scope& scope)
{
    Typed left = expression(*arithmetic.left, scope);
    Typed right = expression(*arithmetic.right, scope);
    const ArithmeticOperator op = arithmetic.op;
    const std::string symbol(symbolOf(op));
    requireValue(left, symbol, line);
    requireValue(right, symbol, line);
    if (left.isNull() && right.isNull())
        return nullValue();
    const bool textOnly = (left.isText() || left.isNull()) && (right.isText() || right.isNull());
    if (textOnly) {
        if (op != ArithmeticOperator::Add) {
            const Typed& text = left.isText() ? left : right;
            throw makeError<ErrorId::InvalidOperand>(text.type.name(), operatorName(op));
        }
        const ColumnType a = left.isNull() ? right.type : left.type;
        const ColumnType b = right.isNull() ? left.type : right.type;
        const bool unicode = a.isUnicode() || b.isUnicode();
        const ColumnType joined{unicode ? SqlType::NVarChar : SqlType::VarChar,
                                addLengths(a.length, b.length, unicode)};
        const Typed both = valueOf("(" + left.sql + " || " + right.sql + ")", joined);
        // Without a (max) operand the result is cut at 4,000 characters (8,000 bytes), as in SQL Server.
        const bool mayOverflow = joined.length != ColumnType::maxLength && a.length + b.length > joined.length;
        return mayOverflow ? valueOf(convertCall(both, joined, 0), joined) : both;
    }
    SqlType target = left.isNull() ? right.type.kind
        : right.isNull()            ? left.type.kind
                                    : higher(left.type.kind, right.type.kind);
    if (target == SqlType::Bit || target == SqlType::SmallInt)  // small integers add up as int
        target = SqlType::Int;
    if (target == SqlType::DateTime && (op == ArithmeticOperator::Add || op == ArithmeticOperator::Subtract)) {
        // A number added to or taken from a datetime counts days, as datetime's own arithmetic does.
        const auto operand = [](Typed value) {
            return value.isText() ? coerce(std::move(value), SqlType::DateTime) : value;
        };
        const auto kindOf = [](const Typed& value) {
            return std::to_string(static_cast<int>(value.isNull() ? SqlType::Int : value.type.kind));
        };
        const Typed first = operand(left), second = operand(right);
        return valueOf(
            sqliteCall<tsDateTimeArith>("'" + symbol + "'", kindOf(first), first.sql, kindOf(second), second.sql),
            {SqlType::DateTime, 0});
    }
    if (target == SqlType::DateTime) {
        const Typed& dateTime = left.type.kind == SqlType::DateTime && !left.isNull() ? left : right;
        throw makeError<ErrorId::InvalidOperand>(dateTime.type.name(), operatorName(op));
    }
    if (op == ArithmeticOperator::Modulo && target == SqlType::Float) {
        const std::string a(left.isNull() ? "int" : left.type.name()), b(right.isNull() ? "int" : right.type.name());
        throw makeError<ErrorId::IncompatibleOperands>(a, b, operatorName(op));
    }
    ColumnType resultType{target, 0};
    if (target == SqlType::Decimal) {
        if (left.isText() || right.isText())
            throw makeError<ErrorId::FeatureUnsupported>(
                "arithmetic between a character string and a decimal value: convert the string first");
        const DecimalType type = decimalResultType(symbol[0], decimalTypeOf(left), decimalTypeOf(right));
        resultType = {SqlType::Decimal, type.precision, type.scale};
    }
    left = coerce(std::move(left), target);
    right = coerce(std::move(right), target);
    // A left operand that is itself a ts_arith call (a number, so left as it is) gets one more
    // step instead of being nested, up to SQLite's 100 arguments a call: a chain of 256 terms is
    // eight nested calls, where SQLite's parser holds about 30.
    constexpr int maxSteps = 33;
    const bool extend = left.arithmeticStepCount > 0 && left.arithmeticStepCount < maxSteps;
    std::string steps = (extend ? left.arithmeticSteps : left.sql) + ", '" + symbol + "', "
        + std::to_string(typeCode(resultType)) + ", " + right.sql;
    Typed result = valueOf(sqliteCall<tsArith>(steps), resultType);
    result.arithmeticSteps = std::move(steps);
    result.arithmeticStepCount = extend ? left.arithmeticStepCount + 1 : 1;
    return result;
}

void Translator::repeatText(const Typed& value, std::size_t times)
{
    repeatedBytes_ += value.sql.size() * (times - 1);
    if (repeatedBytes_ > maxRepeatedBytes)
        throw makeError<ErrorId::QueryTooComplex>();
}

Typed Translator::expression(const CaseExpr& caseExpr, int line, const Scope& scope)
{
    std::optional<Typed> operand;
    if (caseExpr.operand) {
        operand = expression(*caseExpr.operand, scope);
        repeatText(*operand, caseExpr.whens.size());
    }
    std::vector<Typed> conditions;
    std::vector<Typed> results;
    for (const CaseExpr::When& when : caseExpr.whens) {
        if (operand)
            conditions.push_back(compare(Comparison::Equal, *operand, expression(*when.condition, scope), line));
        else
            conditions.push_back(condition(*when.condition, scope));
        results.push_back(expression(*when.result, scope));
    }
    if (caseExpr.otherwise)
        results.push_back(expression(*caseExpr.otherwise, scope));
    for (const Typed& result : results)
        requireValue(result, "CASE", line);
    const std::optional<ColumnType> type = commonType(results);
    if (!type)
        return nullValue();
    std::string sql = "CASE";
    for (std::size_t i = 0; i < conditions.size(); ++i)
        sql += " WHEN " + conditions[i].sql + " THEN " + coerce(results[i], type->kind).sql;
    if (caseExpr.otherwise)
        sql += " ELSE " + coerce(results.back(), type->kind).sql;
    return valueOf(sql + " END", *type);
}

Typed Translator::expression(const InListExpr& in, int line, const Scope& scope)
{
    std::vector<Typed> values;
    const auto add = [&](const Expr& value) {
        values.push_back(expression(value, scope));
        requireValue(values.back(), "IN", line);
    };
    add(*in.value);
    for (const ExprPtr& listed : in.list)
        add(*listed);
    const std::optional<ColumnType> type = commonType(values);
    if (type && type->kind == SqlType::Decimal) {
        // Decimals are held as text: each value is compared exactly.
        std::string sql;
        for (std::size_t i = 1; i < values.size(); ++i)
            sql += (i > 1 ? " OR " : "") + compare(Comparison::Equal, values[0], values[i], line).sql;
        repeatText(values[0], values.size() - 1);
        return boolValue(in.negated ? "(NOT (" + sql + "))" : "(" + sql + ")");
    }
    std::string sql = "(" + (type ? coerce(values[0], type->kind) : values[0]).sql;
    if (type && type->isText() && !values[0].isColumn)
        sql += std::string(" COLLATE ") + store::textCollationName;
    sql += in.negated ? " NOT IN (" : " IN (";
    for (std::size_t i = 1; i < values.size(); ++i)
        sql += (i > 1 ? ", " : "") + (type ? coerce(values[i], type->kind) : values[i]).sql;
    return boolValue(sql + "))");
}

Typed Translator::expression(const InSelectExpr& in, int line, const Scope& scope)
{
    Typed left = expression(*in.value, scope);
    requireValue(left, "IN", line);
    SelectParts parts = selectParts(*in.subquery, &scope);
    if (parts.items.size() != 1)
        throw makeError<ErrorId::SubqueryWithSeveralColumns>();
    Typed item = parts.items.front();
    if (!left.isNull() && !item.isNull()) {
        const SqlType target = higher(left.type.kind, item.type.kind);
        if (target == SqlType::Decimal)
            throw makeError<ErrorId::FeatureUnsupported>("IN (SELECT ...) over decimal values");
        left = coerce(std::move(left), target);
        item = coerce(std::move(item), target);
    }
    std::string sql = "(" + left.sql;
    if (left.isText() && !left.isColumn)
        sql += std::string(" COLLATE ") + store::textCollationName;
    sql += in.negated ? " NOT IN (SELECT " : " IN (SELECT ";
    return boolValue(sql + item.sql + parts.from + "))");
}

Typed Translator::expression(const ConvertExpr& conversion, int line, const Scope& scope)
{
    const TypeName& type = conversion.type;
    const bool text = ColumnType::fromName(type.name, 1).has_value();
    std::optional<int> length = type.length;
    if (!length && text)
        length = 30;
    const std::optional<ColumnType> target = ColumnType::fromName(type.name, length);
    if (!target) {
        if (ColumnType::parseParameterType(type.name))  // a system type no column has
            throw makeError<ErrorId::FeatureUnsupported>("CONVERT or CAST to " + type.name);
        if (!ColumnType::fromName(type.name, std::nullopt) && !text)
            throw makeErrorAt<ErrorId::UndefinedType>(type.line, type.name);
        throw makeError<ErrorId::TypeTooLarge>(length.value_or(0), type.name);
    }
    int style = 0;
    if (conversion.style) {
        const auto* written = std::get_if<IntegerExpr>(&conversion.style->body);
        if (!written)
            throw syntaxErrorIn(*conversion.style);
        // A style beyond int's range is read as 0, the default.
        if (written->value && *written->value <= std::numeric_limits<int>::max())
            style = static_cast<int>(*written->value);
    }
    // A parameter converts from its own type: money into text is written in money's style.
    Typed value = valueOrParameter(*conversion.value, scope);
    requireValue(value, "CONVERT", line);
    if (value.isNull())  // a NULL of the target type, which a result column reports
        return valueOf("NULL", *target);
    if (value.type == *target
        || (value.type.kind == target->kind && !target->isText() && target->kind != SqlType::VarBinary))
        return valueOf(value.sql, *target);
    return valueOf(convertCall(value, *target, style), *target);
}

// @@ variables are the session's state (or the version) at the time the statement is translated.
Typed Translator::expression(const GlobalExpr& global, int, const Scope&)
{
    switch (global.variable) {
    case GlobalVariable::TranCount: return valueOf(std::to_string(context_.tranCount()), {SqlType::Int, 0});
    case GlobalVariable::RowCount: return valueOf(std::to_string(context_.rowCount()), {SqlType::Int, 0});
    case GlobalVariable::Spid: return valueOf(std::to_string(context_.spid()), {SqlType::SmallInt, 0});
    case GlobalVariable::LockTimeout:
        return valueOf(std::to_string(context_.lockTimeoutMilliseconds()), {SqlType::Int, 0});
    case GlobalVariable::Version: break;
    }
    return valueOf(literalText(versionText()), {SqlType::NVarChar, 300});
}

// Numbered SQLite parameters, bound by the session: the value never enters the text. A parameter
// of a type the engine only passes through (decimal, date, uniqueidentifier...) keeps it when it
// is selected or stored as it is; inside an expression it works as the nearest engine type, a
// decimal as itself at its declared scale.
Typed Translator::parameter(const ParameterExpr& parameter, bool native)
{
    const std::size_t position = parameter.position;
    const ColumnType type = context_.parameterType(position);
    Typed value = valueOf("?" + std::to_string(position + 1), type);
    if (native)
        return value;
    switch (type.kind) {
    case SqlType::TinyInt:
    case SqlType::SmallInt: value.type = {SqlType::Int, 0}; return value;
    case SqlType::SmallDateTime: value.type = {SqlType::DateTime, 0}; return value;
    case SqlType::Decimal: return valueOf(convertCall(value, type, 0), type);  // exact, at its declared scale
    case SqlType::Money:
    case SqlType::SmallMoney: return valueOf(convertCall(value, {SqlType::Float, 0}, 0), {SqlType::Float, 0});
    case SqlType::Date:
    case SqlType::DateTime2:
    case SqlType::DateTimeOffset:
        return valueOf(convertCall(value, {SqlType::DateTime, 0}, 0), {SqlType::DateTime, 0});
    case SqlType::Time: return valueOf(convertCall(value, {SqlType::NVarChar, 16}, 0), {SqlType::NVarChar, 16});
    case SqlType::UniqueIdentifier:
        return valueOf(convertCall(value, {SqlType::NVarChar, 36}, 0), {SqlType::NVarChar, 36});
    default: return value;
    }
}

Typed Translator::valueOrParameter(const Expr& expr, const Scope& scope)
{
    const auto* bound = std::get_if<ParameterExpr>(&expr.body);
    return bound ? parameter(*bound, true) : expression(expr, scope);
}

Typed Translator::expression(const Expr& expr, const Scope& scope)
{
    return std::visit([&](const auto& kind) { return expression(kind, expr.line, scope); }, expr.body);
}

Typed Translator::expression(const NullExpr&, int, const Scope&)
{
    return nullValue();
}

// Beyond int's range an integer literal is numeric, as in SQL Server.
Typed Translator::expression(const IntegerExpr& integer, int, const Scope&)
{
    if (integer.value && *integer.value <= std::numeric_limits<std::int32_t>::max()) {
        Typed value = valueOf(integer.written, {SqlType::Int, 0});
        value.literalDigits = literalDecimalType(integer.written)->precision;
        return value;
    }
    return decimalLiteral(integer.written, false);
}

Typed Translator::expression(const DecimalExpr& decimal, int, const Scope&)
{
    if (decimal.written.find_first_of("eE") != std::string::npos)
        return valueOf(decimal.written, {SqlType::Float, 0});
    return decimalLiteral(decimal.written, false);
}

// Without N a literal is varchar in the database's code page, its length in bytes.
Typed Translator::expression(const StringExpr& string, int, const Scope&)
{
    if (string.unicode)
        return valueOf(literalText(string.value),
                       {SqlType::NVarChar, std::max(1, static_cast<int>(utf16Units(string.value)))});
    const std::string kept = keptByDatabaseCodePage(string.value);
    return valueOf(literalText(kept), {SqlType::VarChar, std::max(1, static_cast<int>(databaseCodePageBytes(kept)))});
}

Typed Translator::expression(const ParameterExpr& bound, int, const Scope&)
{
    return parameter(bound, false);
}

Typed Translator::expression(const NegateExpr& negate, int line, const Scope& scope)
{
    const Expr& operand = *negate.operand;
    const auto* integer = std::get_if<IntegerExpr>(&operand.body);
    if (integer && integer->written == "2147483648")  // int's minimum, an int
        return valueOf("-" + integer->written, {SqlType::Int, 0});
    const auto* decimal = std::get_if<DecimalExpr>(&operand.body);
    if (integer || decimal) {
        Typed typed = expression(operand, scope);
        if (typed.type.kind == SqlType::Decimal)
            return decimalLiteral(integer ? integer->written : decimal->written, true);
        typed.sql = "-" + typed.sql;
        return typed;
    }
    Typed value = expression(operand, scope);
    requireValue(value, "-", line);
    if (value.isNull())
        return value;
    if (!isNumberKind(value.type.kind))
        throw makeError<ErrorId::InvalidOperand>(value.type.name(), "minus");
    const bool small = value.type.kind == SqlType::Bit || value.type.kind == SqlType::SmallInt;
    const ColumnType type = small ? ColumnType{SqlType::Int, 0} : value.type;
    return valueOf(sqliteCall<tsArith>("0", "'-'", std::to_string(typeCode(type)), value.sql), type);
}

Typed Translator::expression(const CompareExpr& comparison, int line, const Scope& scope)
{
    return compare(comparison.op, expression(*comparison.left, scope), expression(*comparison.right, scope),
                   line);
}

// A chain `a OR b OR c` is parsed left-deep; written without the inner parentheses it stays
// within SQLite's parser stack however long it is.
Typed Translator::expression(const LogicalExpr& logical, int, const Scope& scope)
{
    std::vector<const Expr*> operands{logical.right.get()};
    const Expr* left = logical.left.get();
    while (const auto* inner = std::get_if<LogicalExpr>(&left->body)) {
        if (inner->op != logical.op)
            break;
        operands.push_back(inner->right.get());
        left = inner->left.get();
    }
    std::string sql = "(" + condition(*left, scope).sql;
    for (auto operand = operands.rbegin(); operand != operands.rend(); ++operand)
        sql += (logical.op == LogicalExpr::Operator::And ? " AND " : " OR ") + condition(**operand, scope).sql;
    return boolValue(sql + ")");
}

Typed Translator::expression(const NotExpr& negation, int, const Scope& scope)
{
    return boolValue("(NOT " + condition(*negation.operand, scope).sql + ")");
}

Typed Translator::expression(const IsNullExpr& isNull, int line, const Scope& scope)
{
    const Typed value = expression(*isNull.value, scope);
    requireValue(value, "IS", line);
    return boolValue("(" + value.sql + (isNull.negated ? " IS NOT NULL)" : " IS NULL)"));
}

Typed Translator::expression(const LikeExpr& like, int line, const Scope& scope)
{
    const Typed text = expression(*like.text, scope);
    const Typed pattern = expression(*like.pattern, scope);
    requireValue(text, "LIKE", line);
    requireValue(pattern, "LIKE", line);
    const std::string call = sqliteCall<tsLike>(asText(text).sql, asText(pattern).sql);
    return boolValue(like.negated ? "(NOT " + call + ")" : call);
}

Typed Translator::expression(const BetweenExpr& between, int line, const Scope& scope)
{
    const Typed value = expression(*between.value, scope);
    repeatText(value, 2);
    const Typed low = compare(Comparison::GreaterOrEqual, value, expression(*between.low, scope), line);
    const Typed high = compare(Comparison::LessOrEqual, value, expression(*between.high, scope), line);
    const std::string both = "(" + low.sql + " AND " + high.sql + ")";
    return boolValue(between.negated ? "(NOT " + both + ")" : both);
}

}  // namespace taskstore::sql
