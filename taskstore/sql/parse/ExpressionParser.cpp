// The parser's expressions, their tree's height kept within the nesting limit as it grows.
#include "taskstore/sql/parse/BatchParser.h"

#include "common/AsciiCase.h"
#include "taskstore/sql/errors/SqlErrors.h"
#include "taskstore/sql/parse/BuiltinFunctions.h"

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

// Makes `child` an operand of `parent`: returns it to be stored in the parent's kind. Operator
// chains are parsed in loops, so the tree's height is bounded here rather than by the recursion:
// every later walk of the tree (the translation, SQLite's own parser, the tree's destruction)
// recurses once per level.
ExprPtr BatchParser::adopt(Expr& parent, ExprPtr child)
{
    grow(parent, child->height);
    return child;
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

ExprPtr BatchParser::node(int line, ExprBody body)
{
    return std::make_unique<Expr>(Expr{std::move(body), line});
}

// An operator's node, on the line of its left operand.
template <class Kind>
ExprPtr BatchParser::binary(decltype(Kind::op) op, ExprPtr left, ExprPtr right)
{
    auto expr = node(left->line);
    auto& operation = expr->body.emplace<Kind>();
    operation.op = op;
    operation.left = adopt(*expr, std::move(left));
    operation.right = adopt(*expr, std::move(right));
    return expr;
}

ExprPtr BatchParser::disjunction()
{
    ExprPtr left = conjunction();
    while (accept("OR"))
        left = binary<LogicalExpr>(LogicalExpr::Operator::Or, std::move(left), conjunction());
    return left;
}

ExprPtr BatchParser::conjunction()
{
    ExprPtr left = negation();
    while (accept("AND"))
        left = binary<LogicalExpr>(LogicalExpr::Operator::And, std::move(left), negation());
    return left;
}

ExprPtr BatchParser::negation()
{
    if (peek().is("NOT")) {
        const Nesting nesting(*this);
        auto expr = node(advance().line);
        expr->body.emplace<NotExpr>().operand = adopt(*expr, negation());
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
                return binary<CompareExpr>(comparison, std::move(left), additive());
            }
        }
        return left;
    }
    if (accept("IS")) {
        auto expr = node(left->line);
        auto& isNull = expr->body.emplace<IsNullExpr>();
        isNull.negated = accept("NOT");
        expect("NULL");
        isNull.value = adopt(*expr, std::move(left));
        return expr;
    }
    const bool negated = peek().is("NOT") && (peek(1).is("IN") || peek(1).is("LIKE") || peek(1).is("BETWEEN"));
    if (negated)
        advance();
    if (accept("IN"))
        return inPredicate(std::move(left), negated);
    if (accept("LIKE")) {
        ExprPtr pattern = additive();
        auto expr = node(left->line);
        auto& like = expr->body.emplace<LikeExpr>();
        like.negated = negated;
        like.text = adopt(*expr, std::move(left));
        like.pattern = adopt(*expr, std::move(pattern));
        return expr;
    }
    if (accept("BETWEEN")) {
        auto expr = node(left->line);
        auto& between = expr->body.emplace<BetweenExpr>();
        between.negated = negated;
        between.value = adopt(*expr, std::move(left));
        between.low = adopt(*expr, additive());
        expect("AND");
        between.high = adopt(*expr, additive());
        return expr;
    }
    return left;
}

ExprPtr BatchParser::inPredicate(ExprPtr left, bool negated)
{
    expectSymbol("(");
    auto expr = node(left->line);
    if (peek().is("SELECT")) {
        auto& in = expr->body.emplace<InSelectExpr>();
        in.negated = negated;
        in.subquery = std::make_unique<SelectStatement>(select());
        grow(*expr, height(*in.subquery));
        in.value = adopt(*expr, std::move(left));
    } else {
        auto& in = expr->body.emplace<InListExpr>();
        in.negated = negated;
        in.value = adopt(*expr, std::move(left));
        do
            in.list.push_back(adopt(*expr, expression()));
        while (acceptSymbol(","));
    }
    expectSymbol(")");
    return expr;
}

ExprPtr BatchParser::arithmetic(ArithmeticOperator op, ExprPtr left, ExprPtr right)
{
    return binary<ArithmeticExpr>(op, std::move(left), std::move(right));
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
        auto expr = node(advance().line);
        expr->body.emplace<NegateExpr>().operand = adopt(*expr, unary());
        return expr;
    }
    return primary();
}

ExprPtr BatchParser::primary()
{
    const Token& token = peek();
    switch (token.kind) {
    case TokenKind::Integer: advance(); return node(token.line, IntegerExpr{token.text, integerValue(token)});
    case TokenKind::Decimal: advance(); return node(token.line, DecimalExpr{token.text});
    case TokenKind::String:
    case TokenKind::UnicodeString:
        advance();
        return node(token.line, StringExpr{token.text, token.kind == TokenKind::UnicodeString});
    case TokenKind::Variable: {
        const std::string name = common::asciiUpper(token.text);
        if (const auto bound = parameterPositions_.find(name); bound != parameterPositions_.end()) {
            advance();
            return node(token.line, ParameterExpr{bound->second});
        }
        const std::optional<GlobalVariable> variable = globalVariableNamed(name);
        if (!variable)
            throw makeErrorAt<ErrorId::UndeclaredVariable>(token.line, token.text);
        advance();
        return node(token.line, GlobalExpr{*variable});
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
        if (token.is("NULL"))
            return node(advance().line);
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
    const int line = peek().line;
    ColumnExpr reference{{name()}};
    while (peek().isSymbol(".") && !peek(1).isSymbol("*")) {
        advance();
        reference.names.push_back(name());
    }
    if (reference.names.size() > 4)
        fail();
    return node(line, std::move(reference));
}

ExprPtr BatchParser::function()
{
    const Token& token = advance();
    const BuiltinFunction* builtin = findBuiltinFunction(common::asciiUpper(token.text));
    if (!builtin)
        throw makeErrorAt<ErrorId::NotRecognized>(token.line, token.text, "built-in function name");
    auto expr = node(token.line);
    auto& call = expr->body.emplace<FunctionExpr>(builtin);
    expectSymbol("(");
    if (builtin->star) {  // COUNT(*) has no arguments in the tree, COUNT(x) one
        if (!acceptSymbol("*"))
            call.args.push_back(adopt(*expr, expression()));
    } else if (!peek().isSymbol(")")) {
        do
            call.args.push_back(adopt(*expr, expression()));
        while (acceptSymbol(","));
    }
    expectSymbol(")");
    return expr;
}

ExprPtr BatchParser::cast()
{
    auto expr = node(advance().line);
    auto& conversion = expr->body.emplace<ConvertExpr>();
    expectSymbol("(");
    conversion.value = adopt(*expr, expression());
    expect("AS");
    conversion.type = typeName();
    expectSymbol(")");
    return expr;
}

ExprPtr BatchParser::convert()
{
    auto expr = node(advance().line);
    auto& conversion = expr->body.emplace<ConvertExpr>();
    expectSymbol("(");
    conversion.type = typeName();
    expectSymbol(",");
    conversion.value = adopt(*expr, expression());
    if (acceptSymbol(","))
        conversion.style = adopt(*expr, expression());
    expectSymbol(")");
    return expr;
}

ExprPtr BatchParser::caseExpression()
{
    auto expr = node(advance().line);
    auto& caseExpr = expr->body.emplace<CaseExpr>();
    if (!peek().is("WHEN"))
        caseExpr.operand = adopt(*expr, expression());
    if (!peek().is("WHEN"))
        fail();
    while (accept("WHEN")) {
        CaseExpr::When& when = caseExpr.whens.emplace_back();
        when.condition = adopt(*expr, expression());
        expect("THEN");
        when.result = adopt(*expr, expression());
    }
    if (accept("ELSE"))
        caseExpr.otherwise = adopt(*expr, expression());
    expect("END");
    return expr;
}

}  // namespace taskstore::sql
