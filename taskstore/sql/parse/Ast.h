#pragma once
// The parsed form of a T-SQL batch: one tree per statement, names as written (resolution against
// the catalog happens when a statement runs).
#include "taskstore/sql/parse/BuiltinFunctions.h"
#include "taskstore/sql/parse/ExprOperators.h"
#include "taskstore/sql/parse/GlobalVariables.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace taskstore::sql {

struct SelectStatement;

// A type as written in CONVERT, CAST or CREATE TABLE; checked against known types when used.
struct TypeName {
    std::string name;
    std::optional<int> length;  // -1 for (max)
    int line = 1;
};

// [database.][schema.]table; database empty when not written.
struct ObjectName {
    std::string database;
    std::string table;
    std::string written;  // as the user wrote it, for messages
};

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

// One struct per kind of expression, each holding only its own parts; what every kind has (its
// line and height) is in Expr around it.

struct NullExpr {};

// Numbers keep their spelling: the translated SQL writes them as written.
struct IntegerExpr {
    std::string written;
    std::optional<long long> value;  // none beyond bigint's range
};

struct DecimalExpr {
    std::string written;
};

struct StringExpr {
    std::string value;
    bool unicode = false;  // N'...'
};

struct ColumnExpr {
    std::vector<std::string> names;  // qualifier parts, then the column
};

// @@name
struct GlobalExpr {
    GlobalVariable variable = GlobalVariable::Version;
};

// @name of a bound parameter.
struct ParameterExpr {
    std::size_t position = 0;  // in the parameter list
};

// Unary minus.
struct NegateExpr {
    ExprPtr operand;
};

struct ArithmeticExpr {
    ArithmeticOperator op = ArithmeticOperator::Add;
    ExprPtr left;
    ExprPtr right;
};

struct CompareExpr {
    Comparison op = Comparison::Equal;
    ExprPtr left;
    ExprPtr right;
};

// AND or OR; a chain of them is left-deep.
struct LogicalExpr {
    enum class Operator { And, Or };
    Operator op = Operator::And;
    ExprPtr left;
    ExprPtr right;
};

struct NotExpr {
    ExprPtr operand;
};

// value IS [NOT] NULL
struct IsNullExpr {
    ExprPtr value;
    bool negated = false;
};

// value [NOT] IN (list)
struct InListExpr {
    ExprPtr value;
    std::vector<ExprPtr> list;
    bool negated = false;
};

// value [NOT] IN (SELECT ...)
struct InSelectExpr {
    ExprPtr value;
    std::unique_ptr<SelectStatement> subquery;
    bool negated = false;
};

// text [NOT] LIKE pattern
struct LikeExpr {
    ExprPtr text;
    ExprPtr pattern;
    bool negated = false;
};

// value [NOT] BETWEEN low AND high
struct BetweenExpr {
    ExprPtr value;
    ExprPtr low;
    ExprPtr high;
    bool negated = false;
};

// CASE [operand] WHEN ... THEN ... [ELSE ...] END
struct CaseExpr {
    struct When {
        ExprPtr condition;  // a value compared with the operand when there is one
        ExprPtr result;
    };
    ExprPtr operand;  // none in a searched CASE
    std::vector<When> whens;
    ExprPtr otherwise;  // none without ELSE
};

// CONVERT(type, value[, style]) or CAST(value AS type)
struct ConvertExpr {
    TypeName type;
    ExprPtr value;
    ExprPtr style;  // none when not written
};

struct FunctionExpr {
    const BuiltinFunction* function = nullptr;
    std::vector<ExprPtr> args;  // none for COUNT(*)
};

using ExprBody = std::variant<NullExpr, IntegerExpr, DecimalExpr, StringExpr, ColumnExpr, GlobalExpr, ParameterExpr,
                              NegateExpr, ArithmeticExpr, CompareExpr, LogicalExpr, NotExpr, IsNullExpr, InListExpr,
                              InSelectExpr, LikeExpr, BetweenExpr, CaseExpr, ConvertExpr, FunctionExpr>;

struct Expr {
    ExprBody body;
    int line = 1;
    // Levels of the tree from here down, subqueries included; the parser keeps it within its
    // nesting limit, so that walking the tree cannot exhaust the stack.
    int height = 1;
};

template <class... Kinds>
bool isOneOf(const Expr& expr)
{
    return (std::holds_alternative<Kinds>(expr.body) || ...);
}

struct TableRef {
    ObjectName name;
    std::string alias;
};

struct SelectItem {
    ExprPtr expr;  // null for *
    std::optional<std::string> alias;
    std::string starQualifier;  // t.* names t
};

struct OrderItem {
    ExprPtr expr;
    bool descending = false;
};

struct SelectStatement {
    std::optional<long long> top;
    bool distinct = false;
    std::vector<SelectItem> items;
    std::optional<TableRef> from;
    ExprPtr where;
    std::vector<OrderItem> orderBy;
};

struct InsertStatement {
    TableRef table;
    std::vector<std::string> columns;
    std::vector<std::vector<ExprPtr>> rows;
};

struct UpdateStatement {
    TableRef table;
    std::vector<std::pair<std::string, ExprPtr>> assignments;
    ExprPtr where;
};

struct DeleteStatement {
    TableRef table;
    ExprPtr where;
};

struct ColumnDefinition {
    std::string name;
    TypeName type;
    bool nullable = true;
    bool primaryKey = false;
    bool identity = false;
};

struct CreateTableStatement {
    ObjectName name;
    std::vector<ColumnDefinition> columns;
    std::vector<std::string> primaryKey;  // table-level PRIMARY KEY (...)
};

struct DropTableStatement {
    ObjectName name;
};

struct CreateDatabaseStatement {
    std::string name;
};

struct UseStatement {
    std::string database;
};

struct TransactionStatement {
    enum class Action { Begin, Commit, Rollback };
    Action action = Action::Begin;
};

struct SetStatement {
    // ReadUncommitted: SET TRANSACTION ISOLATION LEVEL, `on` for READ UNCOMMITTED.
    enum class Option { NoCount, LockTimeout, ImplicitTransactions, XactAbort, ReadUncommitted };
    // Every option the statement sets (SET NOCOUNT, XACT_ABORT ON names two); none for an option
    // accepted as it changes nothing here.
    std::vector<Option> options;
    bool on = false;
    long long value = 0;
};

struct Statement;

// IF condition statement: what drivers send to end a transaction only when one is open.
struct IfStatement {
    ExprPtr condition;
    std::unique_ptr<Statement> then;
};

using StatementBody = std::variant<SelectStatement, InsertStatement, UpdateStatement, DeleteStatement,
                                   CreateTableStatement, DropTableStatement, CreateDatabaseStatement, UseStatement,
                                   TransactionStatement, SetStatement, IfStatement>;

struct Statement {
    StatementBody body;
    int line = 1;
};

}  // namespace taskstore::sql
