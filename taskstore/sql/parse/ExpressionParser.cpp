// The parser's expressions, their tree's height kept within the nesting limit as it grows.
#include "taskstore/sql/parse/BatchParser.h"

#include "common/AsciiCase.h"
#include "taskstore/sql/parse/BuiltinFunctions.h"
#include "taskstore/sql/errors/SqlErrors.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <optional>
#include <utility>

namespace taskstore::sql {
BatchParser::Nesting::Nesting(BatchParser& parser) : depth(parser.depth_)
{
    if (++depth > maxNesting)
        throw nestedTooDeeply();
}

// Expressions, loosest binding first: OR, AND, NOT, predicates, + -, * / %, unary, primary.
ExprPtr BatchParser::expression()
{
    const Nesting nesting(*this);
    return disjunction();
}

// Makes `child` an operand of `parent`. Operator chains are parsed in loops, so the tree's
// height is bounded here rather than by the recursion: every later walk of the tree (the
// translation, SQLite's own parser, the tree's destruction) recurses once per level.
void BatchParser::adopt(Expr& parent, ExprPtr child)
{
    grow(parent, child->height);
    parent.args.push_back(std::move(child));
}

void BatchParser::grow(Expr& parent, int childHeight)
{
    parent.height = std::max(parent.height, childHeight + 1);
    if (parent.height > maxNesting)
        throw nestedTooDeeply();
}

int BatchParser::height(const SelectStatement& select)
{
    int height = 1;
    const auto include = [&](const ExprPtr& expr) {
        if (expr)
            height = std::max(height, expr->height + 1);
    };
    for (const SelectItem& item : select.items)
        include(item.expr);
    include(select.where);
    for (const OrderItem& item : select.orderBy)
        include(item.expr);
    return height;
}

ExprPtr BatchParser::node(Expr::Kind kind, int line)
{
    auto expr = std::make_unique<Expr>();
    expr->kind = kind;
    expr->line = line;
    return expr;
}

ExprPtr BatchParser::binary(Expr::Kind kind, ExprPtr left, ExprPtr right)
{
    auto expr = node(kind, left->line);
    adopt(*expr, std::move(left));
    adopt(*expr, std::move(right));
    return expr;
}

ExprPtr BatchParser::disjunction()
{
    ExprPtr left = conjunction();
    while (accept("OR"))
        left = binary(Expr::Kind::Or, std::move(left), conjunction());
    return left;
}

ExprPtr BatchParser::conjunction()
{
    ExprPtr left = negation();
    while (accept("AND"))
        left = binary(Expr::Kind::And, std::move(left), negation());
    return left;
}

ExprPtr BatchParser::negation()
{
    if (peek().is("NOT")) {
        const Nesting nesting(*this);
        auto expr = node(Expr::Kind::Not, advance().line);
        adopt(*expr, negation());
        return expr;
    }
    return predicate();
}

ExprPtr BatchParser::predicate()
{
    ExprPtr left = additive();
    const Token& token = peek();
    if (token.kind == TokenKind::Symbol) {
        using enum Comparison;
        static constexpr std::array<std::pair<std::string_view, Comparison>, 9> comparisons{{{"=", Equal},
                                                                                             {"<>", NotEqual},
                                                                                             {"!=", NotEqual},
                                                                                             {"<", Less},
                                                                                             {"<=", LessOrEqual},
                                                                                             {">", Greater},
                                                                                             {">=", GreaterOrEqual},
                                                                                             {"!<", GreaterOrEqual},
                                                                                             {"!>", LessOrEqual}}};
        for (const auto& [written, comparison] : comparisons) {
            if (token.text == written) {
                advance();
                auto expr = binary(Expr::Kind::Compare, std::move(left), additive());
                expr->comparison = comparison;
                return expr;
            }
        }
        return left;
    }
    if (accept("IS")) {
        auto expr = node(Expr::Kind::IsNull, left->line);
        expr->negated = accept("NOT");
        expect("NULL");
        adopt(*expr, std::move(left));
        return expr;
    }
    const bool negated = peek().is("NOT") && (peek(1).is("IN") || peek(1).is("LIKE") || peek(1).is("BETWEEN"));
    if (negated)
        advance();
    if (accept("IN"))
        return inPredicate(std::move(left), negated);
    if (accept("LIKE")) {
        auto expr = binary(Expr::Kind::Like, std::move(left), additive());
        expr->negated = negated;
        return expr;
    }
    if (accept("BETWEEN")) {
        auto expr = node(Expr::Kind::Between, left->line);
        expr->negated = negated;
        adopt(*expr, std::move(left));
        adopt(*expr, additive());
        expect("AND");
        adopt(*expr, additive());
        return expr;
    }
    return left;
}

ExprPtr BatchParser::inPredicate(ExprPtr left, bool negated)
{
    expectSymbol("(");
    ExprPtr expr;
    if (peek().is("SELECT")) {
        expr = node(Expr::Kind::InSelect, left->line);
        expr->subquery = std::make_unique<SelectStatement>(select());
        grow(*expr, height(*expr->subquery));
        adopt(*expr, std::move(left));
    } else {
        expr = node(Expr::Kind::InList, left->line);
        adopt(*expr, std::move(left));
        do
            adopt(*expr, expression());
        while (acceptSymbol(","));
    }
    expectSymbol(")");
    expr->negated = negated;
    return expr;
}

ExprPtr BatchParser::arithmetic(ArithmeticOperator op, ExprPtr left, ExprPtr right)
{
    auto expr = binary(Expr::Kind::Arithmetic, std::move(left), std::move(right));
    expr->arithmetic = op;
    return expr;
}

std::optional<ArithmeticOperator> BatchParser::acceptArithmetic(std::initializer_list<ArithmeticOperator> operators)
{
    for (const ArithmeticOperator op : operators)
        if (acceptSymbol(symbolOf(op)))
            return op;
    return std::nullopt;
}

ExprPtr BatchParser::additive()
{
    ExprPtr left = multiplicative();
    using enum ArithmeticOperator;
    while (const auto op = acceptArithmetic({Add, Subtract}))
        left = arithmetic(*op, std::move(left), multiplicative());
    return left;
}

ExprPtr BatchParser::multiplicative()
{
    ExprPtr left = unary();
    using enum ArithmeticOperator;
    while (const auto op = acceptArithmetic({Multiply, Divide, Modulo}))
        left = arithmetic(*op, std::move(left), unary());
    return left;
}

ExprPtr BatchParser::unary()
{
    if (peek().isSymbol("-") || peek().isSymbol("+")) {
        const Nesting nesting(*this);
        if (acceptSymbol("+"))
            return unary();
        auto expr = node(Expr::Kind::Negate, advance().line);
        adopt(*expr, unary());
        return expr;
    }
    return primary();
}

ExprPtr BatchParser::primary()
{
    const Token& token = peek();
    switch (token.kind) {
    case TokenKind::Integer: {
        auto expr = node(Expr::Kind::Integer, token.line);
        expr->integer = integerValue(token);
        expr->literal = advance().text;
        return expr;
    }
    case TokenKind::Decimal: {
        auto expr = node(Expr::Kind::Decimal, token.line);
        expr->literal = advance().text;
        return expr;
    }
    case TokenKind::String:
    case TokenKind::UnicodeString: {
        auto expr = node(Expr::Kind::String, token.line);
        expr->unicode = token.kind == TokenKind::UnicodeString;
        expr->literal = advance().text;
        return expr;
    }
    case TokenKind::Variable: {
        const std::string name = common::asciiUpper(token.text);
        if (const auto bound = parameterPositions_.find(name); bound != parameterPositions_.end()) {
            auto expr = node(Expr::Kind::Parameter, token.line);
            expr->parameter = bound->second;
            advance();
            return expr;
        }
        const std::optional<GlobalVariable> variable = globalVariableNamed(name);
        if (!variable)
            throw makeErrorAt<ErrorId::UndeclaredVariable>(token.line, token.text);
        auto expr = node(Expr::Kind::Global, token.line);
        expr->variable = *variable;
        advance();
        return expr;
    }
    case TokenKind::Symbol:
        if (token.isSymbol("(")) {
            advance();
            ExprPtr inner = expression();
            expectSymbol(")");
            return inner;
        }
        fail();
    case TokenKind::Identifier:
        if (token.is("NULL")) {
            return node(Expr::Kind::Null, advance().line);
        }
        if (token.is("CASE"))
            return caseExpression();
        if (token.is("CAST") && peek(1).isSymbol("("))
            return cast();
        if (token.is("CONVERT") && peek(1).isSymbol("("))
            return convert();
        // A reserved word is a function only when it names one (LEFT and RIGHT, reserved for joins).
        if (peek(1).isSymbol("(")
            && (!isReservedWord(token.text) || findBuiltinFunction(common::asciiUpper(token.text))))
            return function();
        return column();
    case TokenKind::QuotedIdentifier: return column();
    case TokenKind::End: fail();
    }
    fail();
}

ExprPtr BatchParser::column()
{
    auto expr = node(Expr::Kind::Column, peek().line);
    expr->names.push_back(name());
    while (peek().isSymbol(".") && !peek(1).isSymbol("*")) {
        advance();
        expr->names.push_back(name());
    }
    if (expr->names.size() > 4)
        fail();
    return expr;
}

ExprPtr BatchParser::function()
{
    const Token& token = advance();
    const BuiltinFunction* builtin = findBuiltinFunction(common::asciiUpper(token.text));
    if (!builtin)
        throw makeErrorAt<ErrorId::NotRecognized>(token.line, token.text, "built-in function name");
    auto expr = node(Expr::Kind::Function, token.line);
    expr->function = builtin;
    expectSymbol("(");
    if (builtin->star) {  // COUNT(*) has no arguments in the tree, COUNT(x) one
        if (!acceptSymbol("*"))
            adopt(*expr, expression());
    } else if (!peek().isSymbol(")")) {
        do
            adopt(*expr, expression());
        while (acceptSymbol(","));
    }
    expectSymbol(")");
    return expr;
}

ExprPtr BatchParser::cast()
{
    auto expr = node(Expr::Kind::Convert, advance().line);
    expectSymbol("(");
    adopt(*expr, expression());
    expect("AS");
    expr->type = typeName();
    expectSymbol(")");
    return expr;
}

ExprPtr BatchParser::convert()
{
    auto expr = node(Expr::Kind::Convert, advance().line);
    expectSymbol("(");
    expr->type = typeName();
    expectSymbol(",");
    adopt(*expr, expression());
    if (acceptSymbol(","))
        adopt(*expr, expression());
    expectSymbol(")");
    return expr;
}

ExprPtr BatchParser::caseExpression()
{
    auto expr = node(Expr::Kind::Case, advance().line);
    if (!peek().is("WHEN")) {
        expr->caseOperand = true;
        adopt(*expr, expression());
    }
    if (!peek().is("WHEN"))
        fail();
    while (accept("WHEN")) {
        adopt(*expr, expression());
        expect("THEN");
        adopt(*expr, expression());
    }
    if (accept("ELSE")) {
        expr->caseElse = true;
        adopt(*expr, expression());
    }
    expect("END");
    return expr;
}

}  // namespace taskstore::sql
