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

struct Expr {
    enum class Kind {
        Null,
        Integer,     // literal as written, integer its value
        Decimal,     // literal as written
        String,      // literal = value, unicode = N'...'
        Column,      // names = qualifier parts then column
        Global,      // @@name (variable)
        Parameter,   // @name of a bound parameter; parameter = its position in the parameter list
        Negate,      // args[0]
        Arithmetic,  // arithmetic; args[0], args[1]
        Compare,     // comparison; args[0], args[1]
        And,
        Or,
        Not,
        IsNull,    // negated: IS NOT NULL
        InList,    // args[0] IN (args[1..])
        InSelect,  // args[0] IN (subquery)
        Like,      // args[0] LIKE args[1]
        Between,   // args[0] BETWEEN args[1] AND args[2]
        Case,      // [operand] (when, then)* [else]
        Convert,   // type; args[0] value, args[1] style when given
        Function,  // function; args (none for COUNT(*))
    };

    Kind kind = Kind::Null;
    // Integer and Decimal as written (the SQL keeps their spelling), String's value.
    std::string literal;
    std::optional<long long> integer;                   // Integer's value; none beyond bigint's range
    GlobalVariable variable = GlobalVariable::Version;  // Global's
    std::vector<std::string> names;                     // Column's
    std::size_t parameter = 0;                          // Parameter's position
    ArithmeticOperator arithmetic = ArithmeticOperator::Add;
    Comparison comparison = Comparison::Equal;
    const BuiltinFunction* function = nullptr;
    bool unicode = false;
    bool negated = false;
    bool caseOperand = false;
    bool caseElse = false;
    TypeName type;
    std::vector<ExprPtr> args;
    std::unique_ptr<SelectStatement> subquery;
    int line = 1;
    // Levels of the tree from here down, subqueries included; the parser keeps it within its
    // nesting limit, so that walking the tree cannot exhaust the stack.
    int height = 1;
};

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
