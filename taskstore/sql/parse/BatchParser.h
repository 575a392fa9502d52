#pragma once
// The parser of one batch: a cursor over its tokens and a method per construct, the statements
// parsed in Parser.cpp and SetStatementParser.cpp, the expressions in ExpressionParser.cpp.
#include "taskstore/sql/parse/Ast.h"
#include "taskstore/sql/parse/Lexer.h"

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace taskstore::sql {

class BatchParser {
public:
    BatchParser(std::vector<Token> tokens, std::span<const std::string> parameters);
    std::vector<Statement> batch();

private:
    // The cursor over the batch's tokens.
    const Token& peek(std::size_t ahead = 0) const;
    const Token& advance();
    [[noreturn]] void fail() const;
    bool accept(std::string_view keyword);
    bool acceptSymbol(std::string_view symbol);
    void expect(std::string_view keyword);
    void expectSymbol(std::string_view symbol);
    bool atName() const;
    std::string name();
    static std::optional<long long> integerValue(const Token& token);
    long long integerLiteral();

    // Statements.
    StatementBody statement();
    IfStatement ifStatement();
    void transactionName();
    ObjectName objectName();
    TableRef tableRef();
    SelectStatement select();
    SelectItem selectItem();
    InsertStatement insert();
    UpdateStatement update();
    DeleteStatement remove();
    StatementBody create();
    ColumnDefinition columnDefinition();
    TypeName typeName();
    SetStatement set();
    static void requireUsEnglish(const std::string& option, const Token& value);

    // One limit for every construct that nests: parentheses, operator chains, CASE, function calls,
    // subqueries and IF. It keeps every walk of a tree well within a thread's stack; SQLite's own
    // parser may stop a translated statement sooner (see statementError).
    static constexpr int maxNesting = 256;

    // Bounds the parser's recursion, so a hostile batch cannot exhaust the stack.
    struct Nesting {
        explicit Nesting(BatchParser& parser);
        ~Nesting() { --depth; }
        int& depth;
    };

    // Expressions.
    ExprPtr expression();
    static ExprPtr adopt(Expr& parent, ExprPtr child);
    static void grow(Expr& parent, int childHeight);
    static int height(const SelectStatement& select);
    static ExprPtr node(int line, ExprBody body = NullExpr{});
    template <class Kind>
    static ExprPtr binary(decltype(Kind::op) op, ExprPtr left, ExprPtr right);
    ExprPtr disjunction();
    ExprPtr conjunction();
    ExprPtr negation();
    ExprPtr predicate();
    ExprPtr inPredicate(ExprPtr left, bool negated);
    ExprPtr arithmetic(ArithmeticOperator op, ExprPtr left, ExprPtr right);
    std::optional<ArithmeticOperator> acceptArithmetic(std::initializer_list<ArithmeticOperator> operators);
    ExprPtr additive();
    ExprPtr multiplicative();
    ExprPtr unary();
    ExprPtr primary();
    ExprPtr column();
    ExprPtr function();
    ExprPtr cast();
    ExprPtr convert();
    ExprPtr caseExpression();

    std::vector<Token> tokens_;
    // The bound parameters' positions by upper-case name, the first one of a name winning.
    std::unordered_map<std::string, std::size_t> parameterPositions_;
    std::size_t pos_ = 0;
    int depth_ = 0;
};

}  // namespace taskstore::sql
