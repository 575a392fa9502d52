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
        if (e)
            std::visit([this](const auto& kind) { operands(kind); }, e->body);
    }
    void operands(const NegateExpr& e) { expr(e.operand.get()); }
    void operands(const NotExpr& e) { expr(e.operand.get()); }
    void operands(const ArithmeticExpr& e) { both(e.left, e.right); }
    void operands(const CompareExpr& e) { both(e.left, e.right); }
    void operands(const LogicalExpr& e) { both(e.left, e.right); }
    void operands(const IsNullExpr& e) { expr(e.value.get()); }
    void operands(const InListExpr& e)
    {
        expr(e.value.get());
        all(e.list);
    }
    void operands(const InSelectExpr& e)
    {
        expr(e.value.get());
        visit(*e.subquery);
    }
    void operands(const LikeExpr& e) { both(e.text, e.pattern); }
    void operands(const BetweenExpr& e)
    {
        both(e.value, e.low);
        expr(e.high.get());
    }
    void operands(const CaseExpr& e)
    {
        expr(e.operand.get());
        for (const CaseExpr::When& when : e.whens)
            both(when.condition, when.result);
        expr(e.otherwise.get());
    }
    void operands(const ConvertExpr& e) { both(e.value, e.style); }
    void operands(const FunctionExpr& e) { all(e.args); }
    // Literals, columns and variables name no table.
    void operands(const NullExpr&) {}
    void operands(const IntegerExpr&) {}
    void operands(const DecimalExpr&) {}
    void operands(const StringExpr&) {}
    void operands(const ColumnExpr&) {}
    void operands(const GlobalExpr&) {}
    void operands(const ParameterExpr&) {}
    void both(const ExprPtr& first, const ExprPtr& second)
    {
        expr(first.get());
        expr(second.get());
    }
    void all(const std::vector<ExprPtr>& list)
    {
        for (const ExprPtr& e : list)
            expr(e.get());
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
