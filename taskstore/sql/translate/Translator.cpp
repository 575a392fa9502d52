#include "taskstore/sql/translate/Translator.h"

#include "taskstore/sql/errors/SqlErrors.h"
#include "taskstore/sql/functions/SqliteFunctionCalls.h"
#include "taskstore/sql/translate/TranslationScope.h"
#include "taskstore/sql/translate/TypedSql.h"
#include "taskstore/store/SqliteHandle.h"
#include "taskstore/store/TextCollation.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <variant>

namespace taskstore::sql {

using namespace translation;
using store::quoteIdentifier;

namespace {

// A primary key column's new value, kept by ts_key as the row's key for a 2627 that quotes it.
std::string keyed(const store::CatalogTable& table, const store::CatalogColumn& column, std::string sql)
{
    if (!column.primaryKey)
        return sql;
    int position = 0;
    for (const store::CatalogColumn& other : table.columns) {
        if (&other == &column)
            break;
        position += other.primaryKey ? 1 : 0;
    }
    return sqliteCall<tsKey>(std::to_string(position), sql);
}

// A number or text written in the statement, signed or not: SQL Server describes it as not nullable.
bool isLiteralValue(const Expr& expr)
{
    if (const auto* negate = std::get_if<NegateExpr>(&expr.body))
        return isLiteralValue(*negate->operand);
    return isOneOf<IntegerExpr, DecimalExpr, StringExpr>(expr);
}

// The stop check of a guarded statement comes first, so that every row the statement visits
// reaches it, also the rows its filter then rejects; in a subquery too, whose rows can be many
// more than the statement's own.
std::string guarded(const std::string& alias, const std::string& where)
{
    const std::string guard = sqliteCall<tsLive>(quoteIdentifier(alias) + ".rowid");
    return where.empty() ? guard : guard + " AND (" + where + ")";
}

}  // namespace

Translator::ScopeTable Translator::bindTable(const TableRef& ref)
{
    ScopeTable table;
    table.resolved = context_.table(ref.name);
    table.alias = "t" + std::to_string(++aliasCounter_);
    table.exposed = ref.alias.empty() ? table.resolved.table.name : ref.alias;
    return table;
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
                Typed typed = valueOf(quoteIdentifier(table->alias) + "." + quoteIdentifier(catalogColumn.name),
                                      catalogColumn.type);
                typed.isColumn = true;
                typed.identity = catalogColumn.identity;
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
            throw syntaxErrorIn(*item.expr);
        if (isLiteralValue(*item.expr))
            typed.nullable = false;
        parts.names.push_back(item.alias ? *item.alias : typed.name);
        parts.items.push_back(std::move(typed));
    }

    if (table) {
        parts.from = " FROM " + quoteIdentifier(table->resolved.schema) + "."
            + quoteIdentifier(table->resolved.table.name) + " AS " + quoteIdentifier(table->alias);
    }
    std::string where;
    if (statement.where) {
        aggregates.allowed = false;
        const std::string bareColumn = aggregates.bareColumn;
        where = condition(*statement.where, scope).sql;
        aggregates.bareColumn = bareColumn;  // WHERE filters rows before grouping
        aggregates.allowed = true;
    }
    if (table && guardRows_)
        where = guarded(table->alias, where);
    if (!where.empty())
        parts.from += " WHERE " + where;

    for (const OrderItem& order : statement.orderBy) {
        std::optional<Typed> key;
        const Expr& expr = *order.expr;
        const auto* column = std::get_if<ColumnExpr>(&expr.body);
        const auto* position = std::get_if<IntegerExpr>(&expr.body);
        if (column && column->names.size() == 1) {
            for (std::size_t i = 0; i < parts.names.size() && !key; ++i)
                if (store::sameName(parts.names[i], column->names[0]))
                    key = parts.items[i];
        } else if (position) {
            const long long number = position->value.value_or(0);
            if (number < 1 || static_cast<std::size_t>(number) > parts.items.size())
                throw makeError<ErrorId::OrderByPositionOutOfRange>(position->written);
            key = parts.items[number - 1];
        }
        if (key)
            repeatText(*key, 2);  // the select list's text once more
        else
            key = expression(expr, scope);
        requireValue(*key, "ORDER", expr.line);
        if (key->isNull())
            continue;
        std::string sql = key->type.kind == SqlType::Decimal ? sqliteCall<tsDecimalSortKey>(key->sql) : key->sql;
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
        const ColumnType type = item.isNull() ? ColumnType{SqlType::Int, 0} : item.type;
        info.type = item.variant ? SqlType::Variant : type.kind;
        if (type.isText() || type.kind == SqlType::VarBinary)
            info.maxChars = type.length == ColumnType::maxLength ? ColumnInfo::unlimited : type.length;
        info.nullable = item.nullable;
        info.identity = item.identity;
        info.tableColumn = item.isColumn;
        if (type.kind == SqlType::Decimal || type.kind == SqlType::Money || type.kind == SqlType::SmallMoney)
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

std::string Translator::insert(const InsertStatement& statement, bool guard)
{
    guardRows_ = guard;
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
    std::string sql = "INSERT INTO " + quoteIdentifier(table.resolved.schema) + "."
        + quoteIdentifier(table.resolved.table.name) + " (";
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
            sql += (i ? ", " : "") + keyed(table.resolved.table, *targets[i], assign(std::move(value), targets[i]->type).sql);
        }
        sql += ")";
    }
    return sql;
}

std::string Translator::update(const UpdateStatement& statement, bool guard)
{
    guardRows_ = guard;
    const ScopeTable table = bindTable(statement.table);
    const Scope scope{&table, nullptr};
    std::string sql = "UPDATE " + quoteIdentifier(table.resolved.schema) + "."
        + quoteIdentifier(table.resolved.table.name) + " AS " + quoteIdentifier(table.alias) + " SET ";
    bool changesKey = false;
    for (std::size_t i = 0; i < statement.assignments.size(); ++i) {
        const auto& [name, valueExpr] = statement.assignments[i];
        const store::CatalogColumn* target = table.resolved.table.find(name);
        if (!target)
            throw invalidColumn(name);
        if (target->identity)
            throw makeError<ErrorId::IdentityUpdate>(target->name);
        Typed value = valueOrParameter(*valueExpr, scope);
        requireValue(value, "=", valueExpr->line);
        sql += (i ? ", " : "") + quoteIdentifier(target->name) + " = "
            + keyed(table.resolved.table, *target, assign(std::move(value), target->type).sql);
        changesKey = changesKey || target->primaryKey;
    }
    // A key changed in part is quoted whole: its other columns are set to themselves to be seen.
    for (const store::CatalogColumn& column : table.resolved.table.columns) {
        const bool assigned = std::any_of(statement.assignments.begin(), statement.assignments.end(),
                                          [&](const auto& a) { return store::sameName(a.first, column.name); });
        if (changesKey && column.primaryKey && !assigned)
            sql += ", " + quoteIdentifier(column.name) + " = "
                + keyed(table.resolved.table, column, quoteIdentifier(table.alias) + "." + quoteIdentifier(column.name));
    }
    std::string where = statement.where ? condition(*statement.where, scope).sql : std::string();
    if (guard)
        where = guarded(table.alias, where);
    return where.empty() ? sql : sql + " WHERE " + where;
}

std::string Translator::remove(const DeleteStatement& statement, bool guard)
{
    guardRows_ = guard;
    const ScopeTable table = bindTable(statement.table);
    const Scope scope{&table, nullptr};
    std::string sql = "DELETE FROM " + quoteIdentifier(table.resolved.schema) + "."
        + quoteIdentifier(table.resolved.table.name) + " AS " + quoteIdentifier(table.alias);
    if (!statement.where)
        return sql;
    std::string where = condition(*statement.where, scope).sql;
    return sql + " WHERE " + (guard ? guarded(table.alias, where) : where);
}

}  // namespace taskstore::sql
