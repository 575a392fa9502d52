// Expressions to typed SQLite SQL: literals, columns, parameters, operators, predicates, CASE and
// CONVERT.
#include "taskstore/sql/Translator.h"

#include "taskstore/sql/DecimalArithmetic.h"
#include "taskstore/sql/ServerIdentity.h"
#include "taskstore/sql/SqlErrors.h"
#include "taskstore/sql/SqliteFunctionCalls.h"
#include "taskstore/sql/TextUnits.h"
#include "taskstore/sql/TranslationScope.h"
#include "taskstore/sql/TypedSql.h"
#include "taskstore/engine/CodePage.h"
#include "taskstore/store/SqliteHandle.h"
#include "taskstore/store/TextCollation.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

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

Typed Translator::column(const Expr& expr, const Scope& scope)
{
    const std::string& columnName = expr.names.back();
    const std::string qualifier = expr.names.size() >= 2 ? expr.names[expr.names.size() - 2] : std::string();
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
        for (const std::string& part : expr.names)
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

Typed Translator::arithmetic(const Expr& expr, const Scope& scope)
{
    Typed left = expression(*expr.args[0], scope);
    Typed right = expression(*expr.args[1], scope);
    const ArithmeticOperator op = expr.arithmetic;
    const std::string symbol(symbolOf(op));
    requireValue(left, symbol, expr.line);
    requireValue(right, symbol, expr.line);
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

Typed Translator::caseExpression(const Expr& expr, const Scope& scope)
{
    const std::size_t first = expr.caseOperand ? 1 : 0;
    const std::size_t pairsEnd = expr.args.size() - (expr.caseElse ? 1 : 0);
    std::optional<Typed> operand;
    if (expr.caseOperand) {
        operand = expression(*expr.args[0], scope);
        repeatText(*operand, (pairsEnd - first) / 2);
    }
    std::vector<Typed> conditions;
    std::vector<Typed> results;
    for (std::size_t i = first; i + 1 < pairsEnd; i += 2) {
        if (operand)
            conditions.push_back(compare(Comparison::Equal, *operand, expression(*expr.args[i], scope), expr.line));
        else
            conditions.push_back(condition(*expr.args[i], scope));
        results.push_back(expression(*expr.args[i + 1], scope));
    }
    if (expr.caseElse)
        results.push_back(expression(*expr.args.back(), scope));
    for (const Typed& result : results)
        requireValue(result, "CASE", expr.line);
    const std::optional<ColumnType> type = commonType(results);
    if (!type)
        return nullValue();
    std::string sql = "CASE";
    for (std::size_t i = 0; i < conditions.size(); ++i)
        sql += " WHEN " + conditions[i].sql + " THEN " + coerce(results[i], type->kind).sql;
    if (expr.caseElse)
        sql += " ELSE " + coerce(results.back(), type->kind).sql;
    return valueOf(sql + " END", *type);
}

Typed Translator::inList(const Expr& expr, const Scope& scope)
{
    std::vector<Typed> values;
    for (const ExprPtr& arg : expr.args) {
        values.push_back(expression(*arg, scope));
        requireValue(values.back(), "IN", expr.line);
    }
    const std::optional<ColumnType> type = commonType(values);
    if (type && type->kind == SqlType::Decimal) {
        // Decimals are held as text: each value is compared exactly.
        std::string sql;
        for (std::size_t i = 1; i < values.size(); ++i)
            sql += (i > 1 ? " OR " : "") + compare(Comparison::Equal, values[0], values[i], expr.line).sql;
        repeatText(values[0], values.size() - 1);
        return boolValue(expr.negated ? "(NOT (" + sql + "))" : "(" + sql + ")");
    }
    std::string sql = "(" + (type ? coerce(values[0], type->kind) : values[0]).sql;
    if (type && type->isText() && !values[0].isColumn)
        sql += std::string(" COLLATE ") + store::textCollationName;
    sql += expr.negated ? " NOT IN (" : " IN (";
    for (std::size_t i = 1; i < values.size(); ++i)
        sql += (i > 1 ? ", " : "") + (type ? coerce(values[i], type->kind) : values[i]).sql;
    return boolValue(sql + "))");
}

Typed Translator::inSelect(const Expr& expr, const Scope& scope)
{
    Typed left = expression(*expr.args[0], scope);
    requireValue(left, "IN", expr.line);
    SelectParts parts = selectParts(*expr.subquery, &scope);
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
    sql += expr.negated ? " NOT IN (SELECT " : " IN (SELECT ";
    return boolValue(sql + item.sql + parts.from + "))");
}

Typed Translator::convert(const Expr& expr, const Scope& scope)
{
    const bool text = ColumnType::fromName(expr.type.name, 1).has_value();
    std::optional<int> length = expr.type.length;
    if (!length && text)
        length = 30;
    const std::optional<ColumnType> target = ColumnType::fromName(expr.type.name, length);
    if (!target) {
        if (ColumnType::parseParameterType(expr.type.name))  // a system type no column has
            throw makeError<ErrorId::FeatureUnsupported>("CONVERT or CAST to " + expr.type.name);
        if (!ColumnType::fromName(expr.type.name, std::nullopt) && !text)
            throw makeErrorAt<ErrorId::UndefinedType>(expr.type.line, expr.type.name);
        throw makeError<ErrorId::TypeTooLarge>(length.value_or(0), expr.type.name);
    }
    int style = 0;
    if (expr.args.size() > 1) {
        const Expr& styleExpr = *expr.args[1];
        if (styleExpr.kind != Expr::Kind::Integer)
            throw syntaxErrorIn(styleExpr);
        // A style beyond int's range is read as 0, the default.
        if (styleExpr.integer && *styleExpr.integer <= std::numeric_limits<int>::max())
            style = static_cast<int>(*styleExpr.integer);
    }
    // A parameter converts from its own type: money into text is written in money's style.
    Typed value = valueOrParameter(*expr.args[0], scope);
    requireValue(value, "CONVERT", expr.line);
    if (value.isNull())  // a NULL of the target type, which a result column reports
        return valueOf("NULL", *target);
    if (value.type == *target
        || (value.type.kind == target->kind && !target->isText() && target->kind != SqlType::VarBinary))
        return valueOf(value.sql, *target);
    return valueOf(convertCall(value, *target, style), *target);
}

// @@ variables are the session's state (or the version) at the time the statement is translated.
Typed Translator::globalVariable(GlobalVariable variable)
{
    switch (variable) {
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
Typed Translator::parameter(const Expr& expr, bool native)
{
    const std::size_t position = expr.parameter;
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
    return expr.kind == Expr::Kind::Parameter ? parameter(expr, true) : expression(expr, scope);
}

Typed Translator::expression(const Expr& expr, const Scope& scope)
{
    switch (expr.kind) {
    case Expr::Kind::Null: return nullValue();
    case Expr::Kind::Integer:
        // Beyond int's range an integer literal is numeric, as in SQL Server.
        if (expr.integer && *expr.integer <= std::numeric_limits<std::int32_t>::max()) {
            Typed value = valueOf(expr.literal, {SqlType::Int, 0});
            value.literalDigits = literalDecimalType(expr.literal)->precision;
            return value;
        }
        return decimalLiteral(expr.literal, false);
    case Expr::Kind::Decimal:
        if (expr.literal.find_first_of("eE") != std::string::npos)
            return valueOf(expr.literal, {SqlType::Float, 0});
        return decimalLiteral(expr.literal, false);
    case Expr::Kind::String: {
        // Without N a literal is varchar in the database's code page, its length in bytes.
        if (expr.unicode)
            return valueOf(literalText(expr.literal),
                           {SqlType::NVarChar, std::max(1, static_cast<int>(utf16Units(expr.literal)))});
        const std::string kept = keptByDatabaseCodePage(expr.literal);
        return valueOf(literalText(kept),
                       {SqlType::VarChar, std::max(1, static_cast<int>(databaseCodePageBytes(kept)))});
    }
    case Expr::Kind::Column: return column(expr, scope);
    case Expr::Kind::Parameter: return parameter(expr, false);
    case Expr::Kind::Global: return globalVariable(expr.variable);
    case Expr::Kind::Negate: {
        const Expr& operand = *expr.args[0];
        if (operand.kind == Expr::Kind::Integer && operand.literal == "2147483648")  // int's minimum, an int
            return valueOf("-" + operand.literal, {SqlType::Int, 0});
        if (operand.kind == Expr::Kind::Integer || operand.kind == Expr::Kind::Decimal) {
            Typed typed = expression(operand, scope);
            if (typed.type.kind == SqlType::Decimal)
                return decimalLiteral(operand.literal, true);
            typed.sql = "-" + typed.sql;
            return typed;
        }
        Typed value = expression(operand, scope);
        requireValue(value, "-", expr.line);
        if (value.isNull())
            return value;
        if (!isNumberKind(value.type.kind))
            throw makeError<ErrorId::InvalidOperand>(value.type.name(), "minus");
        const bool small = value.type.kind == SqlType::Bit || value.type.kind == SqlType::SmallInt;
        const ColumnType type = small ? ColumnType{SqlType::Int, 0} : value.type;
        return valueOf(sqliteCall<tsArith>("0", "'-'", std::to_string(typeCode(type)), value.sql), type);
    }
    case Expr::Kind::Arithmetic: return arithmetic(expr, scope);
    case Expr::Kind::Compare:
        return compare(expr.comparison, expression(*expr.args[0], scope), expression(*expr.args[1], scope), expr.line);
    case Expr::Kind::And:
    case Expr::Kind::Or: {
        // A chain `a OR b OR c` is parsed left-deep; written without the inner parentheses it
        // stays within SQLite's parser stack however long it is.
        std::vector<const Expr*> operands{expr.args[1].get()};
        const Expr* left = expr.args[0].get();
        for (; left->kind == expr.kind; left = left->args[0].get())
            operands.push_back(left->args[1].get());
        std::string sql = "(" + condition(*left, scope).sql;
        for (auto operand = operands.rbegin(); operand != operands.rend(); ++operand)
            sql += (expr.kind == Expr::Kind::And ? " AND " : " OR ") + condition(**operand, scope).sql;
        return boolValue(sql + ")");
    }
    case Expr::Kind::Not: return boolValue("(NOT " + condition(*expr.args[0], scope).sql + ")");
    case Expr::Kind::IsNull: {
        const Typed value = expression(*expr.args[0], scope);
        requireValue(value, "IS", expr.line);
        return boolValue("(" + value.sql + (expr.negated ? " IS NOT NULL)" : " IS NULL)"));
    }
    case Expr::Kind::InList: return inList(expr, scope);
    case Expr::Kind::InSelect: return inSelect(expr, scope);
    case Expr::Kind::Like: {
        const Typed text = expression(*expr.args[0], scope);
        const Typed pattern = expression(*expr.args[1], scope);
        requireValue(text, "LIKE", expr.line);
        requireValue(pattern, "LIKE", expr.line);
        const std::string call = sqliteCall<tsLike>(asText(text).sql, asText(pattern).sql);
        return boolValue(expr.negated ? "(NOT " + call + ")" : call);
    }
    case Expr::Kind::Between: {
        const Typed value = expression(*expr.args[0], scope);
        repeatText(value, 2);
        const Typed low = compare(Comparison::GreaterOrEqual, value, expression(*expr.args[1], scope), expr.line);
        const Typed high = compare(Comparison::LessOrEqual, value, expression(*expr.args[2], scope), expr.line);
        const std::string both = "(" + low.sql + " AND " + high.sql + ")";
        return boolValue(expr.negated ? "(NOT " + both + ")" : both);
    }
    case Expr::Kind::Case: return caseExpression(expr, scope);
    case Expr::Kind::Convert: return convert(expr, scope);
    case Expr::Kind::Function: return function(expr, scope);
    }
    throw syntaxErrorIn(expr);
}

}  // namespace taskstore::sql
