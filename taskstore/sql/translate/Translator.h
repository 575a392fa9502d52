#pragma once
// Statement trees to SQLite SQL with T-SQL's meaning: names resolved against the catalog, every
// expression typed, implicit conversions and string rules made explicit through the ts_*
// functions, text comparisons under the text collation. Raises the T-SQL errors found on the
// way (207, 208, 4104, 4145, 402, 8623...).
#include "taskstore/engine/Engine.h"
#include "taskstore/sql/parse/Ast.h"
#include "taskstore/store/TableCatalog.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace taskstore::sql {

struct ResolvedTable {
    std::string schema;  // the database's name as attached
    store::CatalogTable table;
};

// The translator's view of the running session: its tables and current database, the values of
// @@ROWCOUNT, @@TRANCOUNT, @@SPID and @@LOCK_TIMEOUT, and the types of the bound parameters.
class TranslationContext {
public:
    virtual ~TranslationContext() = default;
    // The table, in the current database unless named; throws SqlError 208 or 911.
    virtual ResolvedTable table(const ObjectName& name) = 0;
    virtual std::int64_t rowCount() const = 0;
    virtual int tranCount() const = 0;
    virtual std::uint16_t spid() const = 0;
    virtual std::int64_t lockTimeoutMilliseconds() const = 0;  // -1 without a limit
    virtual const std::string& currentDatabase() const = 0;
    // The type of the bound parameter at a position of the running statement's list.
    virtual store::ColumnType parameterType(std::size_t position) const = 0;
};

struct SelectPlan {
    std::string sql;
    std::vector<ColumnInfo> columns;
    std::vector<store::ColumnType> kinds;  // how to read each result column
    bool readsTable = false;
};

class Translator {
public:
    explicit Translator(TranslationContext& context) : context_(context) {}

    SelectPlan select(const SelectStatement& statement);
    // `guard` adds a per-row check, to the statement's rows and to those of every subquery in it,
    // that lets the statement be stopped without ending the transaction around it. A delete
    // without a filter takes none: SQLite then empties the table in one step, too quickly to need
    // stopping.
    std::string insert(const InsertStatement& statement, bool guard);
    std::string update(const UpdateStatement& statement, bool guard);
    std::string remove(const DeleteStatement& statement, bool guard);
    // A query that yields 1 when the condition of an IF holds, else 0.
    std::string ifCondition(const Expr& condition);

    // Internal pieces of a translation, declared here so the helpers in the source can name them.
    struct ScopeTable;
    struct Scope;
    struct Typed;
    struct SelectParts;
    struct AggregateUse;

private:
    SelectParts selectParts(const SelectStatement& statement, const Scope* outer);
    Typed expression(const Expr& expr, const Scope& scope);
    Typed condition(const Expr& expr, const Scope& scope);
    // One translation per kind of expression; `line` is its node's, for the errors that name it.
    Typed expression(const NullExpr&, int line, const Scope& scope);
    Typed expression(const IntegerExpr& integer, int line, const Scope& scope);
    Typed expression(const DecimalExpr& decimal, int line, const Scope& scope);
    Typed expression(const StringExpr& string, int line, const Scope& scope);
    Typed expression(const ColumnExpr& column, int line, const Scope& scope);
    Typed expression(const GlobalExpr& global, int line, const Scope& scope);
    Typed expression(const ParameterExpr& parameter, int line, const Scope& scope);
    Typed expression(const NegateExpr& negate, int line, const Scope& scope);
    Typed expression(const ArithmeticExpr& arithmetic, int line, const Scope& scope);
    Typed expression(const CompareExpr& comparison, int line, const Scope& scope);
    Typed expression(const LogicalExpr& logical, int line, const Scope& scope);
    Typed expression(const NotExpr& negation, int line, const Scope& scope);
    Typed expression(const IsNullExpr& isNull, int line, const Scope& scope);
    Typed expression(const InListExpr& in, int line, const Scope& scope);
    Typed expression(const InSelectExpr& in, int line, const Scope& scope);
    Typed expression(const LikeExpr& like, int line, const Scope& scope);
    Typed expression(const BetweenExpr& between, int line, const Scope& scope);
    Typed expression(const CaseExpr& caseExpr, int line, const Scope& scope);
    Typed expression(const ConvertExpr& conversion, int line, const Scope& scope);
    Typed expression(const FunctionExpr& functionCall, int line, const Scope& scope);
    Typed decimalLiteral(const std::string& literal, bool negative);
    Typed compare(Comparison comparison, Typed left, Typed right, int line);
    Typed parameter(const ParameterExpr& parameter, bool native);
    Typed valueOrParameter(const Expr& expr, const Scope& scope);
    Typed textPart(FunctionTranslation part, std::vector<Typed> values);
    ScopeTable bindTable(const TableRef& ref);
    // Accounts for a value whose text the translation writes `times` times; throws 8623 once the
    // statement's repeated text passes the limit, as nesting repeats it exponentially.
    void repeatText(const Typed& value, std::size_t times);

    TranslationContext& context_;
    int aliasCounter_ = 0;
    AggregateUse* aggregates_ = nullptr;  // of the SELECT being translated
    std::size_t repeatedBytes_ = 0;
    bool guardRows_ = false;  // the statement is guarded: so are its subqueries' rows
};

}  // namespace taskstore::sql
