#include "taskstore/sql/parse/StatementTables.h"

namespace taskstore::sql {
namespace {

// The parser bounds every tree's height, so the recursion stays shallow.
class TableCollector {
public:
    void statement(const Statement& statement)
    {
        std::visit([this](const auto& body) { visit(body); }, statement.body);
    }

    std::vector<const ObjectName*> tables;

private:
    void expr(const Expr* e)
    {
        if (!e)
            return;
        for (const ExprPtr& arg : e->args)
            expr(arg.get());
        if (e->subquery)
            visit(*e->subquery);
    }
    void visit(const SelectStatement& s)
    {
        if (s.from)
            tables.push_back(&s.from->name);
        for (const SelectItem& item : s.items)
            expr(item.expr.get());
        expr(s.where.get());
        for (const OrderItem& item : s.orderBy)
            expr(item.expr.get());
    }
    void visit(const InsertStatement& s)
    {
        tables.push_back(&s.table.name);
        for (const auto& row : s.rows)
            for (const ExprPtr& value : row)
                expr(value.get());
    }
    void visit(const UpdateStatement& s)
    {
        tables.push_back(&s.table.name);
        for (const auto& assignment : s.assignments)
            expr(assignment.second.get());
        expr(s.where.get());
    }
    void visit(const DeleteStatement& s)
    {
        tables.push_back(&s.table.name);
        expr(s.where.get());
    }
    void visit(const IfStatement& s)
    {
        expr(s.condition.get());
        statement(*s.then);
    }
    template <class Other>
    void visit(const Other&)
    {}
};

}  // namespace

std::vector<const ObjectName*> tablesNamedBy(const Statement& statement)
{
    TableCollector collector;
    collector.statement(statement);
    return std::move(collector.tables);
}

}  // namespace taskstore::sql
