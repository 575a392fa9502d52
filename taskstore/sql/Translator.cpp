#include "taskstore/sql/Translator.h"

#include "taskstore/sql/Conversions.h"
#include "taskstore/sql/ServerIdentity.h"
#include "taskstore/sql/SqlErrors.h"
#include "taskstore/sql/TextUnits.h"
#include "taskstore/engine/CodePage.h"
#include "taskstore/store/SqliteHandle.h"
#include "taskstore/store/TextCollation.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <utility>

namespace taskstore::sql {

using store::quoteIdentifier;

namespace {

enum class Class { Null, Bool, Value };

int rank(TypeKind kind)
{
    switch (kind) {
    case TypeKind::DateTimeOffset:
    case TypeKind::DateTime2:
    case TypeKind::DateTime:
    case TypeKind::Date:
    case TypeKind::Time: return 9;
    case TypeKind::Float:
    case TypeKind::Money:
    case TypeKind::SmallMoney:
    case TypeKind::Decimal: return 8;
    case TypeKind::BigInt: return 7;
    case TypeKind::Int: return 6;
    case TypeKind::Bit:
    case TypeKind::TinyInt: return 5;
    case TypeKind::UniqueIdentifier:
    case TypeKind::NVarChar: return 4;
    case TypeKind::NChar: return 3;
    case TypeKind::VarChar: return 2;
    case TypeKind::Char: return 1;
    case TypeKind::VarBinary: return 0;
    }
    return 0;
}

bool isTextKind(TypeKind kind) { return ColumnType{kind, 0}.isText(); }
bool isNumberKind(TypeKind kind) { return ColumnType{kind, 0}.isNumeric(); }

std::string literalText(std::string_view text)
{
    std::string sql = "'";
    for (char c : text) {
        sql += c;
        if (c == '\'')
            sql += '\'';
    }
    return sql + "'";
}

int addLengths(int a, int b, bool unicode)
{
    if (a == ColumnType::maxLength || b == ColumnType::maxLength)
        return ColumnType::maxLength;
    return std::min(a + b, unicode ? 4000 : 8000);
}

std::string operatorName(char op)
{
    switch (op) {
    case '+': return "add";
    case '-': return "subtract";
    case '*': return "multiply";
    case '/': return "divide";
    default: return "modulo";
    }
}

SqlType sqlTypeOf(TypeKind kind)
{
    switch (kind) {
    case TypeKind::Int: return SqlType::Int;
    case TypeKind::BigInt: return SqlType::BigInt;
    case TypeKind::Bit: return SqlType::Bit;
    case TypeKind::Float: return SqlType::Float;
    case TypeKind::DateTime: return SqlType::DateTime;
    case TypeKind::TinyInt: return SqlType::TinyInt;
    case TypeKind::Decimal: return SqlType::Decimal;
    case TypeKind::Money: return SqlType::Money;
    case TypeKind::SmallMoney: return SqlType::SmallMoney;
    case TypeKind::UniqueIdentifier: return SqlType::UniqueIdentifier;
    case TypeKind::VarBinary: return SqlType::VarBinary;
    case TypeKind::Date: return SqlType::Date;
    case TypeKind::Time: return SqlType::Time;
    case TypeKind::DateTime2: return SqlType::DateTime2;
    case TypeKind::DateTimeOffset: return SqlType::DateTimeOffset;
    case TypeKind::VarChar:
    case TypeKind::Char: return SqlType::VarChar;
    default: return SqlType::NVarChar;
    }
}

}  // namespace

struct Translator::ScopeTable {
    std::string alias;    // the alias in the generated SQL
    std::string exposed;  // the name a column qualifier must match
    ResolvedTable resolved;
};

struct Translator::Scope {
    const ScopeTable* table = nullptr;
    const Scope* outer = nullptr;
};

struct Translator::Typed {
    std::string sql;
    Class cls = Class::Value;
    ColumnType type;
    bool isColumn = false;
    bool nullable = true;
    std::string name;  // result column name when the expression is a plain column
    std::string arithmeticSteps;  // the ts_arith arguments when the expression is that call
    int arithmeticStepCount = 0;  // and how many steps they hold

    bool isNull() const { return cls == Class::Null; }
    bool isText() const { return cls == Class::Value && type.isText(); }
};

// COUNT in a select list makes the whole list one group: a column outside an aggregate would
// be silently taken from an arbitrary row, so it is an error as in SQL Server.
struct Translator::AggregateUse {
    bool allowed = true;  // false in WHERE
    bool used = false;
    int depth = 0;        // inside an aggregate's argument
    std::string bareColumn;
};

struct Translator::SelectParts {
    std::vector<Typed> items;
    std::vector<std::string> names;
    std::string from;  // " FROM ... WHERE ..."
    std::string orderBy;
    bool readsTable = false;
};

namespace {

using Typed = Translator::Typed;

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
    typed.type = {TypeKind::Int, 0};
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
    return "ts_convert(" + value.sql + ", " + std::to_string(static_cast<int>(value.type.kind)) + ", "
        + std::to_string(static_cast<int>(target.kind)) + ", " + std::to_string(target.length) + ", "
        + std::to_string(style) + ")";
}

// Implicit conversion towards the type that wins by precedence; values of the same family
// (numbers among numbers, text among text) need none.
Typed coerce(Typed value, TypeKind target)
{
    if (value.isNull()) {
        value.type = {target, isTextKind(target) ? 1 : 0};
        return value;
    }
    const TypeKind kind = value.type.kind;
    const bool sameFamily = kind == target || (isNumberKind(kind) && isNumberKind(target))
        || (isTextKind(kind) && isTextKind(target));
    if (sameFamily)
        return value;
    const ColumnType targetType{target, isTextKind(target) ? 30 : 0};
    Typed converted = valueOf(convertCall(value, targetType, 0), targetType);
    return converted;
}

// Conversion for a value stored into a column of `target` type.
Typed assign(Typed value, ColumnType target)
{
    if (value.isNull())
        return value;
    const bool sized = target.isText() || target.kind == TypeKind::VarBinary;
    const bool same = value.type.kind == target.kind && (!sized || target.length == ColumnType::maxLength);
    if (same)
        return value;
    return valueOf(convertCall(value, target, assignmentStyle), target);
}

void requireValue(const Typed& value, const std::string& near, int line)
{
    if (value.cls == Class::Bool)
        throw syntaxErrorNear(near, line);
}

Typed asText(Typed value)
{
    if (value.isNull() || value.isText())
        return value;
    return coerce(std::move(value), TypeKind::VarChar);
}

TypeKind higher(TypeKind a, TypeKind b) { return rank(a) >= rank(b) ? a : b; }

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
            result = ColumnType{unicode ? TypeKind::NVarChar : TypeKind::VarChar, length};
        } else if (rank(value.type.kind) > rank(result->kind)) {
            result = value.type;
        }
    }
    return result;
}

}  // namespace

Translator::ScopeTable Translator::bindTable(const TableRef& ref)
{
    ScopeTable table;
    table.resolved = resolver_.table(ref.name);
    table.alias = "t" + std::to_string(++aliasCounter_);
    table.exposed = ref.alias.empty() ? table.resolved.table.name : ref.alias;
    return table;
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

Typed Translator::compare(const std::string& op, Typed left, Typed right, int line)
{
    requireValue(left, op, line);
    requireValue(right, op, line);
    if (!left.isNull() && !right.isNull()) {
        const TypeKind target = higher(left.type.kind, right.type.kind);
        left = coerce(std::move(left), target);
        right = coerce(std::move(right), target);
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
    const char op = expr.text.front();
    requireValue(left, expr.text, expr.line);
    requireValue(right, expr.text, expr.line);
    if (left.isNull() && right.isNull())
        return nullValue();
    const bool textOnly = (left.isText() || left.isNull()) && (right.isText() || right.isNull());
    if (textOnly) {
        if (op != '+') {
            const Typed& text = left.isText() ? left : right;
            throw makeError<ErrorId::InvalidOperand>(text.type.name(), operatorName(op));
        }
        const ColumnType a = left.isNull() ? right.type : left.type;
        const ColumnType b = right.isNull() ? left.type : right.type;
        const bool unicode = a.isUnicode() || b.isUnicode();
        const ColumnType joined{unicode ? TypeKind::NVarChar : TypeKind::VarChar, addLengths(a.length, b.length, unicode)};
        const Typed both = valueOf("(" + left.sql + " || " + right.sql + ")", joined);
        // Without a (max) operand the result is cut at 4,000 characters (8,000 bytes), as in SQL Server.
        const bool mayOverflow = joined.length != ColumnType::maxLength && a.length + b.length > joined.length;
        return mayOverflow ? valueOf(convertCall(both, joined, 0), joined) : both;
    }
    TypeKind target = left.isNull() ? right.type.kind : right.isNull() ? left.type.kind : higher(left.type.kind, right.type.kind);
    if (target == TypeKind::Bit)
        target = TypeKind::Int;
    if (target == TypeKind::DateTime && (op == '+' || op == '-')) {
        // A number added to or taken from a datetime counts days, as datetime's own arithmetic does.
        const auto operand = [](Typed value) {
            if (value.isText())
                value = coerce(std::move(value), TypeKind::DateTime);
            return std::to_string(static_cast<int>(value.isNull() ? TypeKind::Int : value.type.kind)) + ", " + value.sql;
        };
        return valueOf("ts_datetime_arith('" + std::string(1, op) + "', " + operand(left) + ", " + operand(right) + ")",
                       {TypeKind::DateTime, 0});
    }
    if (target == TypeKind::DateTime) {
        const Typed& dateTime = left.type.kind == TypeKind::DateTime && !left.isNull() ? left : right;
        throw makeError<ErrorId::InvalidOperand>(dateTime.type.name(), operatorName(op));
    }
    if (op == '%' && target == TypeKind::Float) {
        const std::string a(left.isNull() ? "int" : left.type.name()), b(right.isNull() ? "int" : right.type.name());
        throw makeError<ErrorId::IncompatibleOperands>(a, b, operatorName(op));
    }
    left = coerce(std::move(left), target);
    right = coerce(std::move(right), target);
    // A left operand that is itself a ts_arith call (a number, so left as it is) gets one more
    // step instead of being nested, up to SQLite's 100 arguments a call: a chain of 256 terms is
    // eight nested calls, where SQLite's parser holds about 30.
    constexpr int maxSteps = 33;
    const bool extend = left.arithmeticStepCount > 0 && left.arithmeticStepCount < maxSteps;
    std::string steps = (extend ? left.arithmeticSteps : left.sql) + ", '" + std::string(1, op) + "', "
        + std::to_string(static_cast<int>(target)) + ", " + right.sql;
    Typed result = valueOf("ts_arith(" + steps + ")", {target, 0});
    result.arithmeticSteps = std::move(steps);
    result.arithmeticStepCount = extend ? left.arithmeticStepCount + 1 : 1;
    return result;
}

Typed Translator::caseExpression(const Expr& expr, const Scope& scope)
{
    const std::size_t first = expr.caseOperand ? 1 : 0;
    const std::size_t pairsEnd = expr.args.size() - (expr.caseElse ? 1 : 0);
    std::vector<Typed> conditions;
    std::vector<Typed> results;
    for (std::size_t i = first; i + 1 < pairsEnd; i += 2) {
        if (expr.caseOperand)
            conditions.push_back(compare("=", expression(*expr.args[0], scope), expression(*expr.args[i], scope), expr.line));
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
        const TypeKind target = higher(left.type.kind, item.type.kind);
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
        if (!ColumnType::fromName(expr.type.name, std::nullopt) && !text)
            throw makeErrorAt<ErrorId::UndefinedType>(expr.type.line, expr.type.name);
        throw makeError<ErrorId::TypeTooLarge>(length.value_or(0), expr.type.name);
    }
    int style = 0;
    if (expr.args.size() > 1) {
        const Expr& styleExpr = *expr.args[1];
        if (styleExpr.kind != Expr::Kind::Integer)
            throw syntaxErrorNear(styleExpr.text, styleExpr.line);
        std::from_chars(styleExpr.text.data(), styleExpr.text.data() + styleExpr.text.size(), style);
    }
    Typed value = expression(*expr.args[0], scope);
    requireValue(value, "CONVERT", expr.line);
    if (value.isNull())  // a NULL of the target type, which a result column reports
        return valueOf("NULL", *target);
    if (value.type == *target || (value.type.kind == target->kind && !target->isText() && target->kind != TypeKind::VarBinary))
        return valueOf(value.sql, *target);
    return valueOf(convertCall(value, *target, style), *target);
}

// Numbered SQLite parameters, bound by the session: the value never enters the text. A parameter
// of a type the engine only passes through (decimal, date, uniqueidentifier...) keeps it when it
// is selected or stored as it is; inside an expression it works as the nearest engine type.
Typed Translator::parameter(const Expr& expr, bool native)
{
    const std::size_t position = std::stoul(expr.text);
    const ColumnType type = resolver_.parameterType(position);
    Typed value = valueOf("?" + std::to_string(position + 1), type);
    if (native)
        return value;
    switch (type.kind) {
    case TypeKind::TinyInt: value.type = {TypeKind::Int, 0}; return value;
    case TypeKind::Decimal:
    case TypeKind::Money:
    case TypeKind::SmallMoney: return valueOf(convertCall(value, {TypeKind::Float, 0}, 0), {TypeKind::Float, 0});
    case TypeKind::Date:
    case TypeKind::DateTime2:
    case TypeKind::DateTimeOffset: return valueOf(convertCall(value, {TypeKind::DateTime, 0}, 0), {TypeKind::DateTime, 0});
    case TypeKind::Time: return valueOf(convertCall(value, {TypeKind::NVarChar, 16}, 0), {TypeKind::NVarChar, 16});
    case TypeKind::UniqueIdentifier: return valueOf(convertCall(value, {TypeKind::NVarChar, 36}, 0), {TypeKind::NVarChar, 36});
    default: return value;
    }
}

Typed Translator::valueOrParameter(const Expr& expr, const Scope& scope)
{
    return expr.kind == Expr::Kind::Parameter ? parameter(expr, true) : expression(expr, scope);
}

// SUBSTRING(x, start, length), LEFT(x, n), RIGHT(x, n): counted in UTF-16 units, typed as x.
Typed Translator::textPart(const Expr& expr, std::vector<Typed> values)
{
    const Typed text = asText(values[0]);
    ColumnType type = text.isNull() ? ColumnType{TypeKind::VarChar, 1} : text.type;
    if (type.kind == TypeKind::Char || type.kind == TypeKind::NChar)
        type.kind = type.isUnicode() ? TypeKind::NVarChar : TypeKind::VarChar;
    const bool substring = expr.text == "SUBSTRING";
    const std::string start = substring ? coerce(values[1], TypeKind::BigInt).sql : "1";
    const std::string length = coerce(values[substring ? 2 : 1], TypeKind::BigInt).sql;
    const char* mode = substring ? "0" : expr.text == "LEFT" ? "1" : "2";
    return valueOf("ts_substring(" + text.sql + ", " + start + ", " + length + ", " + mode + ")", type);
}

Typed Translator::function(const Expr& expr, const Scope& scope)
{
    const auto arguments = [&](std::size_t count) {
        if (expr.args.size() != count)
            throw makeError<ErrorId::WrongArgumentCount>(expr.text, count);
        std::vector<Typed> values;
        for (const ExprPtr& arg : expr.args) {
            values.push_back(expression(*arg, scope));
            requireValue(values.back(), expr.text, expr.line);
        }
        return values;
    };
    if (expr.text == "COUNT") {
        if (!aggregates_ || !aggregates_->allowed)
            throw makeError<ErrorId::AggregateInWhere>();
        aggregates_->used = true;
        if (expr.args.empty())
            return valueOf("count(*)", {TypeKind::Int, 0});
        ++aggregates_->depth;
        const Typed value = expression(*expr.args[0], scope);
        --aggregates_->depth;
        requireValue(value, "COUNT", expr.line);
        return valueOf("count(" + value.sql + ")", {TypeKind::Int, 0});
    }
    if (expr.text == "DB_NAME") {
        arguments(0);
        return valueOf(literalText(resolver_.currentDatabase()), {TypeKind::NVarChar, 128});
    }
    if (expr.text == "SERVERPROPERTY") {
        const Typed name = arguments(1).front();
        if (!name.isNull() && !name.isText())
            throw makeError<ErrorId::InvalidArgumentType>(name.type.name(), 1, "serverproperty");
        return valueOf("ts_serverproperty(" + name.sql + ")", {TypeKind::NVarChar, 128});
    }
    if (expr.text == "GETDATE") {
        arguments(0);
        return valueOf("ts_getdate()", {TypeKind::DateTime, 0});
    }
    if (expr.text == "ISNULL") {
        auto values = arguments(2);
        if (values[0].isNull())
            return values[1];
        const Typed fallback = values[1].isNull() ? values[1] : assign(values[1], values[0].type);
        return valueOf("ifnull(" + values[0].sql + ", " + fallback.sql + ")", values[0].type);
    }
    if (expr.text == "SUBSTRING" || expr.text == "LEFT" || expr.text == "RIGHT")
        return textPart(expr, arguments(expr.text == "SUBSTRING" ? 3 : 2));
    if (expr.text == "CHARINDEX") {
        auto values = expr.args.size() == 3 ? arguments(3) : arguments(2);
        const std::string start = values.size() == 3 ? coerce(values[2], TypeKind::BigInt).sql : "1";
        return valueOf("ts_charindex(" + asText(values[0]).sql + ", " + asText(values[1]).sql + ", " + start + ")",
                       {TypeKind::Int, 0});
    }
    if (expr.text == "DATALENGTH") {
        const Typed value = arguments(1).front();
        if (value.isNull())
            return valueOf("NULL", {TypeKind::Int, 0});
        if (value.isText())
            return valueOf("ts_datalength(" + value.sql + ", " + (value.type.isUnicode() ? "1" : "0") + ")", {TypeKind::Int, 0});
        if (value.type.kind == TypeKind::VarBinary)
            return valueOf("length(" + value.sql + ")", {TypeKind::Int, 0});  // a blob's length is its bytes
        const int bytes = value.type.kind == TypeKind::Int ? 4 : value.type.kind == TypeKind::Bit ? 1 : 8;
        return valueOf("CASE WHEN " + value.sql + " IS NULL THEN NULL ELSE " + std::to_string(bytes) + " END", {TypeKind::Int, 0});
    }
    Typed text = asText(arguments(1).front());
    const ColumnType textType = text.isNull() ? ColumnType{TypeKind::VarChar, 1} : text.type;
    if (expr.text == "LEN")
        return valueOf("ts_len(" + text.sql + ")", {TypeKind::Int, 0});
    if (expr.text == "UPPER" || expr.text == "LOWER")
        return valueOf((expr.text == "UPPER" ? "upper(" : "lower(") + text.sql + ")", textType);
    return valueOf((expr.text == "LTRIM" ? "ltrim(" : "rtrim(") + text.sql + ", ' ')", textType);
}

Typed Translator::expression(const Expr& expr, const Scope& scope)
{
    switch (expr.kind) {
    case Expr::Kind::Null:
        return nullValue();
    case Expr::Kind::Integer: {
        long long value = 0;
        const auto [end, error] = std::from_chars(expr.text.data(), expr.text.data() + expr.text.size(), value);
        if (error != std::errc())
            return valueOf(expr.text + ".0", {TypeKind::Float, 0});
        const bool small = value <= std::numeric_limits<std::int32_t>::max();
        return valueOf(expr.text, {small ? TypeKind::Int : TypeKind::BigInt, 0});
    }
    case Expr::Kind::Decimal:
        return valueOf(expr.text, {TypeKind::Float, 0});
    case Expr::Kind::String: {
        // Without N a literal is varchar in the database's code page, its length in bytes.
        if (expr.unicode)
            return valueOf(literalText(expr.text), {TypeKind::NVarChar, std::max(1, static_cast<int>(utf16Units(expr.text)))});
        const std::string kept = keptByDatabaseCodePage(expr.text);
        return valueOf(literalText(kept), {TypeKind::VarChar, std::max(1, static_cast<int>(databaseCodePageBytes(kept)))});
    }
    case Expr::Kind::Column:
        return column(expr, scope);
    case Expr::Kind::Parameter:
        return parameter(expr, false);
    case Expr::Kind::Global:
        if (expr.text == "@@TRANCOUNT")
            return valueOf(std::to_string(resolver_.tranCount()), {TypeKind::Int, 0});
        if (expr.text == "@@ROWCOUNT")
            return valueOf(std::to_string(resolver_.rowCount()), {TypeKind::Int, 0});
        if (expr.text == "@@SPID")
            return valueOf(std::to_string(resolver_.spid()), {TypeKind::Int, 0});
        if (expr.text == "@@LOCK_TIMEOUT")
            return valueOf(std::to_string(resolver_.lockTimeoutMilliseconds()), {TypeKind::Int, 0});
        return valueOf(literalText(versionText()), {TypeKind::NVarChar, 300});
    case Expr::Kind::Negate: {
        const Expr& operand = *expr.args[0];
        if (operand.kind == Expr::Kind::Integer || operand.kind == Expr::Kind::Decimal) {
            Typed typed = expression(operand, scope);
            typed.sql = "-" + typed.sql;
            if (operand.text == "2147483648")  // the int minimum is an int literal once negated
                typed.type = {TypeKind::Int, 0};
            return typed;
        }
        Typed value = expression(operand, scope);
        requireValue(value, "-", expr.line);
        if (value.isNull())
            return value;
        if (!isNumberKind(value.type.kind))
            throw makeError<ErrorId::InvalidOperand>(value.type.name(), "minus");
        const TypeKind kind = value.type.kind == TypeKind::Bit ? TypeKind::Int : value.type.kind;
        return valueOf("ts_arith(0, '-', " + std::to_string(static_cast<int>(kind)) + ", " + value.sql + ")", {kind, 0});
    }
    case Expr::Kind::Arithmetic:
        return arithmetic(expr, scope);
    case Expr::Kind::Compare:
        return compare(expr.text, expression(*expr.args[0], scope), expression(*expr.args[1], scope), expr.line);
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
    case Expr::Kind::Not:
        return boolValue("(NOT " + condition(*expr.args[0], scope).sql + ")");
    case Expr::Kind::IsNull: {
        const Typed value = expression(*expr.args[0], scope);
        requireValue(value, "IS", expr.line);
        return boolValue("(" + value.sql + (expr.negated ? " IS NOT NULL)" : " IS NULL)"));
    }
    case Expr::Kind::InList:
        return inList(expr, scope);
    case Expr::Kind::InSelect:
        return inSelect(expr, scope);
    case Expr::Kind::Like: {
        const Typed text = asText(expression(*expr.args[0], scope));
        const Typed pattern = asText(expression(*expr.args[1], scope));
        requireValue(text, "LIKE", expr.line);
        requireValue(pattern, "LIKE", expr.line);
        const std::string call = "ts_like(" + text.sql + ", " + pattern.sql + ")";
        return boolValue(expr.negated ? "(NOT " + call + ")" : call);
    }
    case Expr::Kind::Between: {
        const Typed low = compare(">=", expression(*expr.args[0], scope), expression(*expr.args[1], scope), expr.line);
        const Typed high = compare("<=", expression(*expr.args[0], scope), expression(*expr.args[2], scope), expr.line);
        const std::string both = "(" + low.sql + " AND " + high.sql + ")";
        return boolValue(expr.negated ? "(NOT " + both + ")" : both);
    }
    case Expr::Kind::Case:
        return caseExpression(expr, scope);
    case Expr::Kind::Convert:
        return convert(expr, scope);
    case Expr::Kind::Function:
        return function(expr, scope);
    }
    throw syntaxErrorNear(expr.text, expr.line);
}

Translator::SelectParts Translator::selectParts(const SelectStatement& statement, const Scope* outer)
{
    SelectParts parts;
    AggregateUse aggregates;
    AggregateUse* const enclosing = std::exchange(aggregates_, &aggregates);
    std::optional<ScopeTable> table;
    if (statement.from)
        table = bindTable(*statement.from);
    Scope scope{table ? &*table : nullptr, outer};
    parts.readsTable = table.has_value();

    for (const SelectItem& item : statement.items) {
        if (!item.expr) {
            if (!table)
                throw makeError<ErrorId::NoTableToSelectFrom>();
            if (!item.starQualifier.empty() && !store::sameName(item.starQualifier, table->exposed)
                && !store::sameName(item.starQualifier, table->resolved.table.name))
                throw makeError<ErrorId::UnboundIdentifier>(item.starQualifier);
            for (const store::CatalogColumn& catalogColumn : table->resolved.table.columns) {
                Typed typed = valueOf(quoteIdentifier(table->alias) + "." + quoteIdentifier(catalogColumn.name), catalogColumn.type);
                typed.isColumn = true;
                typed.nullable = catalogColumn.nullable;
                if (aggregates.bareColumn.empty())
                    aggregates.bareColumn = table->resolved.table.name + "." + catalogColumn.name;
                parts.names.push_back(catalogColumn.name);
                parts.items.push_back(std::move(typed));
            }
            continue;
        }
        Typed typed = valueOrParameter(*item.expr, scope);
        if (typed.cls == Class::Bool)
            throw syntaxErrorNear(item.expr->text, item.expr->line);
        parts.names.push_back(item.alias ? *item.alias : typed.name);
        parts.items.push_back(std::move(typed));
    }

    if (table) {
        parts.from = " FROM " + quoteIdentifier(table->resolved.schema) + "." + quoteIdentifier(table->resolved.table.name)
            + " AS " + quoteIdentifier(table->alias);
    }
    if (statement.where) {
        aggregates.allowed = false;
        const std::string bareColumn = aggregates.bareColumn;
        parts.from += " WHERE " + condition(*statement.where, scope).sql;
        aggregates.bareColumn = bareColumn;  // WHERE filters rows before grouping
        aggregates.allowed = true;
    }

    for (const OrderItem& order : statement.orderBy) {
        std::optional<Typed> key;
        const Expr& expr = *order.expr;
        if (expr.kind == Expr::Kind::Column && expr.names.size() == 1) {
            for (std::size_t i = 0; i < parts.names.size() && !key; ++i)
                if (store::sameName(parts.names[i], expr.names[0]))
                    key = parts.items[i];
        } else if (expr.kind == Expr::Kind::Integer) {
            std::size_t position = 0;
            std::from_chars(expr.text.data(), expr.text.data() + expr.text.size(), position);
            if (position < 1 || position > parts.items.size())
                throw makeError<ErrorId::OrderByPositionOutOfRange>(expr.text);
            key = parts.items[position - 1];
        }
        if (!key)
            key = expression(expr, scope);
        requireValue(*key, "ORDER", expr.line);
        if (key->isNull())
            continue;
        std::string sql = key->sql;
        if (key->isText())
            sql += std::string(" COLLATE ") + store::textCollationName;
        parts.orderBy += (parts.orderBy.empty() ? " ORDER BY " : ", ") + sql + (order.descending ? " DESC" : " ASC");
    }
    aggregates_ = enclosing;
    if (aggregates.used && !aggregates.bareColumn.empty())
        throw makeError<ErrorId::NotAggregatedOrGrouped>(aggregates.bareColumn);
    return parts;
}

SelectPlan Translator::select(const SelectStatement& statement)
{
    const SelectParts parts = selectParts(statement, nullptr);
    SelectPlan plan;
    plan.readsTable = parts.readsTable;
    plan.sql = statement.distinct ? "SELECT DISTINCT " : "SELECT ";
    for (std::size_t i = 0; i < parts.items.size(); ++i) {
        const Typed& item = parts.items[i];
        plan.sql += (i ? ", " : "") + item.sql;
        ColumnInfo info;
        info.name = parts.names[i];
        const ColumnType type = item.isNull() ? ColumnType{TypeKind::Int, 0} : item.type;
        info.type = sqlTypeOf(type.kind);
        if (type.isText() || type.kind == TypeKind::VarBinary)
            info.maxChars = type.length == ColumnType::maxLength ? ColumnInfo::unlimited : type.length;
        info.nullable = item.nullable;
        if (type.kind == TypeKind::Decimal || type.kind == TypeKind::Money || type.kind == TypeKind::SmallMoney)
            info.precision = static_cast<std::uint8_t>(type.length);
        info.scale = static_cast<std::uint8_t>(type.scale);
        plan.columns.push_back(std::move(info));
        plan.kinds.push_back(type);
    }
    plan.sql += parts.from + parts.orderBy;
    if (statement.top)
        plan.sql += " LIMIT " + std::to_string(*statement.top);
    return plan;
}

std::string Translator::ifCondition(const Expr& expr)
{
    return "SELECT CASE WHEN " + condition(expr, Scope{}).sql + " THEN 1 ELSE 0 END";
}

std::string Translator::insert(const InsertStatement& statement)
{
    const ScopeTable table = bindTable(statement.table);
    std::vector<const store::CatalogColumn*> targets;
    if (statement.columns.empty()) {
        for (const store::CatalogColumn& column : table.resolved.table.columns)
            if (!column.identity)
                targets.push_back(&column);
    } else {
        for (const std::string& name : statement.columns) {
            const store::CatalogColumn* found = table.resolved.table.find(name);
            if (!found)
                throw invalidColumn(name);
            if (found->identity)
                throw makeError<ErrorId::IdentityInsertOff>(table.resolved.table.name);
            targets.push_back(found);
        }
    }
    std::string sql = "INSERT INTO " + quoteIdentifier(table.resolved.schema) + "." + quoteIdentifier(table.resolved.table.name) + " (";
    for (std::size_t i = 0; i < targets.size(); ++i)
        sql += (i ? ", " : "") + quoteIdentifier(targets[i]->name);
    sql += ") VALUES ";
    const Scope noColumns;
    for (std::size_t r = 0; r < statement.rows.size(); ++r) {
        const auto& row = statement.rows[r];
        if (row.size() > targets.size())
            throw makeError<ErrorId::FewerInsertColumns>();
        if (row.size() < targets.size())
            throw makeError<ErrorId::MoreInsertColumns>();
        sql += r ? ", (" : "(";
        for (std::size_t i = 0; i < row.size(); ++i) {
            Typed value = valueOrParameter(*row[i], noColumns);
            requireValue(value, "VALUES", row[i]->line);
            sql += (i ? ", " : "") + assign(std::move(value), targets[i]->type).sql;
        }
        sql += ")";
    }
    return sql;
}

namespace {

// The stop check of a guarded statement comes first, so that every row the statement visits
// reaches it, also the rows its filter then rejects.
std::string rowGuard(const std::string& alias)
{
    return "ts_live(" + quoteIdentifier(alias) + ".rowid)";
}

}  // namespace

std::string Translator::update(const UpdateStatement& statement, bool guard)
{
    const ScopeTable table = bindTable(statement.table);
    const Scope scope{&table, nullptr};
    std::string sql = "UPDATE " + quoteIdentifier(table.resolved.schema) + "." + quoteIdentifier(table.resolved.table.name)
        + " AS " + quoteIdentifier(table.alias) + " SET ";
    for (std::size_t i = 0; i < statement.assignments.size(); ++i) {
        const auto& [name, valueExpr] = statement.assignments[i];
        const store::CatalogColumn* target = table.resolved.table.find(name);
        if (!target)
            throw invalidColumn(name);
        if (target->identity)
            throw makeError<ErrorId::IdentityUpdate>(target->name);
        Typed value = valueOrParameter(*valueExpr, scope);
        requireValue(value, "=", valueExpr->line);
        sql += (i ? ", " : "") + quoteIdentifier(target->name) + " = " + assign(std::move(value), target->type).sql;
    }
    std::string where = statement.where ? condition(*statement.where, scope).sql : std::string();
    if (guard)
        where = rowGuard(table.alias) + (where.empty() ? "" : " AND (" + where + ")");
    return where.empty() ? sql : sql + " WHERE " + where;
}

std::string Translator::remove(const DeleteStatement& statement, bool guard)
{
    const ScopeTable table = bindTable(statement.table);
    const Scope scope{&table, nullptr};
    std::string sql = "DELETE FROM " + quoteIdentifier(table.resolved.schema) + "." + quoteIdentifier(table.resolved.table.name)
        + " AS " + quoteIdentifier(table.alias);
    if (!statement.where)
        return sql;
    std::string where = condition(*statement.where, scope).sql;
    if (guard)
        where = rowGuard(table.alias) + " AND (" + where + ")";
    return sql + " WHERE " + where;
}

}  // namespace taskstore::sql
