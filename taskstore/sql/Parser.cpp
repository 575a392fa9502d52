#include "taskstore/sql/Parser.h"

#include "common/AsciiCase.h"
#include "taskstore/sql/Lexer.h"
#include "taskstore/sql/SqlErrors.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace taskstore::sql {
namespace {

constexpr std::array<std::string_view, 15> builtinFunctions{
    {"GETDATE", "ISNULL", "LEN", "UPPER", "LOWER", "LTRIM", "RTRIM", "COUNT", "DB_NAME", "SERVERPROPERTY",
     "SUBSTRING", "LEFT", "RIGHT", "CHARINDEX", "DATALENGTH"}};
constexpr std::array<std::string_view, 5> globalVariables{
    {"@@TRANCOUNT", "@@ROWCOUNT", "@@VERSION", "@@SPID", "@@LOCK_TIMEOUT"}};
constexpr std::array<std::string_view, 17> acceptedOnOffOptions{{
    "ANSI_NULLS", "ANSI_PADDING", "ANSI_WARNINGS", "ANSI_NULL_DFLT_ON", "ANSI_NULL_DFLT_OFF", "ANSI_DEFAULTS",
    "ARITHABORT", "ARITHIGNORE", "CONCAT_NULL_YIELDS_NULL", "CURSOR_CLOSE_ON_COMMIT", "QUOTED_IDENTIFIER",
    "NUMERIC_ROUNDABORT", "NOCOUNT", "IMPLICIT_TRANSACTIONS", "XACT_ABORT", "STATISTICS", "NOEXEC"}};
constexpr std::array<std::string_view, 6> acceptedValueOptions{{"TEXTSIZE", "DATEFORMAT", "LANGUAGE", "DATEFIRST",
                                                                "DEADLOCK_PRIORITY", "QUERY_GOVERNOR_COST_LIMIT"}};

template <std::size_t N>
bool contains(const std::array<std::string_view, N>& list, std::string_view word)
{
    return std::find(list.begin(), list.end(), word) != list.end();
}

// One limit for every construct that nests: parentheses, operator chains, CASE, function calls,
// subqueries and IF. It keeps every walk of a tree well within a thread's stack; SQLite's own
// parser may stop a translated statement sooner (see statementError).
constexpr int maxNesting = 256;

bool startsStatement(const Token& token)
{
    for (std::string_view word : {"SELECT", "INSERT", "UPDATE", "DELETE", "CREATE", "DROP", "USE", "BEGIN", "COMMIT",
                                  "ROLLBACK", "SET", "IF"})
        if (token.is(word))
            return true;
    return false;
}

class Parser {
public:
    Parser(std::vector<Token> tokens, std::span<const std::string> parameters)
        : tokens_(std::move(tokens)), parameters_(parameters)
    {
    }

    std::vector<Statement> batch()
    {
        std::vector<Statement> statements;
        for (;;) {
            while (peek().isSymbol(";"))
                advance();
            if (peek().kind == TokenKind::End)
                return statements;
            Statement statement;
            statement.line = peek().line;
            statement.body = this->statement();
            statements.push_back(std::move(statement));
            if (!(peek().isSymbol(";") || peek().kind == TokenKind::End || startsStatement(peek())))
                fail();
        }
    }

private:
    const Token& peek(std::size_t ahead = 0) const
    {
        return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)];
    }
    const Token& advance()
    {
        const Token& token = tokens_[pos_];
        if (pos_ + 1 < tokens_.size())
            ++pos_;
        return token;
    }

    // The error SQL Server gives: near the offending token, or the last one at the end of text.
    [[noreturn]] void fail() const
    {
        const Token& at = peek().kind == TokenKind::End && pos_ > 0 ? tokens_[pos_ - 1] : peek();
        if (at.kind == TokenKind::End)
            throw syntaxErrorNear("", at.line);
        const bool keyword = at.kind == TokenKind::Identifier && isReservedWord(at.text);
        throw syntaxErrorNear(at.kind == TokenKind::String ? at.text : at.source, at.line, keyword);
    }

    bool accept(std::string_view keyword)
    {
        if (!peek().is(keyword))
            return false;
        advance();
        return true;
    }
    bool acceptSymbol(std::string_view symbol)
    {
        if (!peek().isSymbol(symbol))
            return false;
        advance();
        return true;
    }
    void expect(std::string_view keyword)
    {
        if (!accept(keyword))
            fail();
    }
    void expectSymbol(std::string_view symbol)
    {
        if (!acceptSymbol(symbol))
            fail();
    }

    bool atName() const
    {
        const Token& token = peek();
        return token.kind == TokenKind::QuotedIdentifier
            || (token.kind == TokenKind::Identifier && !isReservedWord(token.text));
    }
    std::string name()
    {
        if (!atName())
            fail();
        return advance().text;
    }

    long long integerLiteral()
    {
        const bool negative = acceptSymbol("-");
        if (peek().kind != TokenKind::Integer)
            fail();
        long long value = 0;
        const std::string& text = peek().text;
        if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc())
            fail();
        advance();
        return negative ? -value : value;
    }

    StatementBody statement()
    {
        const Token& first = peek();
        if (first.is("SELECT"))
            return select();
        if (first.is("INSERT"))
            return insert();
        if (first.is("UPDATE"))
            return update();
        if (first.is("DELETE"))
            return remove();
        if (first.is("CREATE"))
            return create();
        if (first.is("DROP")) {
            advance();
            expect("TABLE");
            return DropTableStatement{objectName()};
        }
        if (first.is("USE")) {
            advance();
            return UseStatement{name()};
        }
        if (first.is("BEGIN")) {
            advance();
            if (!accept("TRAN") && !accept("TRANSACTION"))
                fail();
            transactionName();
            return TransactionStatement{TransactionStatement::Action::Begin};
        }
        if (first.is("COMMIT") || first.is("ROLLBACK")) {
            const bool commit = first.is("COMMIT");
            advance();
            if (accept("TRAN") || accept("TRANSACTION"))
                transactionName();
            else
                accept("WORK");
            return TransactionStatement{commit ? TransactionStatement::Action::Commit
                                               : TransactionStatement::Action::Rollback};
        }
        if (first.is("SET"))
            return set();
        if (first.is("IF"))
            return ifStatement();
        fail();
    }

    IfStatement ifStatement()
    {
        const Nesting nesting(*this);
        advance();
        IfStatement result;
        result.condition = expression();
        result.then = std::make_unique<Statement>();
        result.then->line = peek().line;
        result.then->body = statement();
        return result;
    }

    void transactionName()
    {
        if (atName() && !startsStatement(peek()))
            advance();
    }

    ObjectName objectName()
    {
        ObjectName object;
        const Token& start = peek();
        std::vector<std::string> parts{name()};
        std::string written = start.source;
        while (peek().isSymbol(".")) {
            advance();
            written += ".";
            if (peek().isSymbol(".")) {
                parts.emplace_back();
                continue;
            }
            written += peek().source;
            parts.push_back(name());
        }
        if (parts.size() > 3)
            fail();
        object.table = parts.back();
        if (parts.size() == 3)
            object.database = parts[0];
        object.written = written;
        return object;
    }

    TableRef tableRef()
    {
        TableRef ref{objectName(), {}};
        if (accept("AS"))
            ref.alias = name();
        else if (atName() && !startsStatement(peek()))
            ref.alias = name();
        return ref;
    }

    SelectStatement select()
    {
        expect("SELECT");
        SelectStatement result;
        if (accept("DISTINCT"))
            result.distinct = true;
        else
            accept("ALL");
        if (accept("TOP")) {
            if (acceptSymbol("(")) {
                result.top = integerLiteral();
                expectSymbol(")");
            } else {
                result.top = integerLiteral();
            }
            if (*result.top < 0)
                throw makeError<ErrorId::TopNotInteger>();
        }
        do
            result.items.push_back(selectItem());
        while (acceptSymbol(","));
        if (accept("FROM"))
            result.from = tableRef();
        if (accept("WHERE"))
            result.where = expression();
        if (accept("ORDER")) {
            expect("BY");
            do {
                OrderItem item{expression(), false};
                if (accept("DESC"))
                    item.descending = true;
                else
                    accept("ASC");
                result.orderBy.push_back(std::move(item));
            } while (acceptSymbol(","));
        }
        return result;
    }

    SelectItem selectItem()
    {
        SelectItem item;
        if (acceptSymbol("*"))
            return item;
        if (atName() && peek(1).isSymbol(".") && peek(2).isSymbol("*")) {
            item.starQualifier = name();
            advance();
            advance();
            return item;
        }
        if ((atName() || peek().kind == TokenKind::String) && peek(1).isSymbol("=")) {
            item.alias = advance().text;
            advance();
            item.expr = expression();
            return item;
        }
        item.expr = expression();
        if (accept("AS")) {
            if (peek().kind != TokenKind::String && !atName())
                fail();
            item.alias = advance().text;
        } else if (peek().kind == TokenKind::String || (atName() && !startsStatement(peek()))) {
            item.alias = advance().text;
        }
        return item;
    }

    InsertStatement insert()
    {
        expect("INSERT");
        accept("INTO");
        InsertStatement result;
        result.table.name = objectName();
        if (acceptSymbol("(")) {
            do
                result.columns.push_back(name());
            while (acceptSymbol(","));
            expectSymbol(")");
        }
        expect("VALUES");
        do {
            expectSymbol("(");
            std::vector<ExprPtr> row;
            do
                row.push_back(expression());
            while (acceptSymbol(","));
            expectSymbol(")");
            result.rows.push_back(std::move(row));
        } while (acceptSymbol(","));
        return result;
    }

    UpdateStatement update()
    {
        expect("UPDATE");
        UpdateStatement result;
        result.table = tableRef();
        expect("SET");
        do {
            std::string column = name();
            if (acceptSymbol(".")) {  // alias.column
                column = name();
            }
            expectSymbol("=");
            result.assignments.emplace_back(std::move(column), expression());
        } while (acceptSymbol(","));
        if (accept("WHERE"))
            result.where = expression();
        return result;
    }

    DeleteStatement remove()
    {
        expect("DELETE");
        accept("FROM");
        DeleteStatement result;
        result.table = tableRef();
        if (accept("WHERE"))
            result.where = expression();
        return result;
    }

    StatementBody create()
    {
        expect("CREATE");
        if (accept("DATABASE"))
            return CreateDatabaseStatement{name()};
        expect("TABLE");
        CreateTableStatement result;
        result.name = objectName();
        expectSymbol("(");
        do {
            if (accept("CONSTRAINT"))
                name();
            if (accept("PRIMARY")) {
                expect("KEY");
                accept("CLUSTERED") || accept("NONCLUSTERED");
                expectSymbol("(");
                do {
                    result.primaryKey.push_back(name());
                    accept("ASC") || accept("DESC");
                } while (acceptSymbol(","));
                expectSymbol(")");
                continue;
            }
            result.columns.push_back(columnDefinition());
        } while (acceptSymbol(","));
        expectSymbol(")");
        return result;
    }

    ColumnDefinition columnDefinition()
    {
        ColumnDefinition column;
        column.name = name();
        column.type = typeName();
        for (;;) {
            if (accept("NULL")) {
                column.nullable = true;
            } else if (peek().is("NOT") && peek(1).is("NULL")) {
                advance();
                advance();
                column.nullable = false;
            } else if (accept("PRIMARY")) {
                expect("KEY");
                accept("CLUSTERED") || accept("NONCLUSTERED");
                column.primaryKey = true;
                column.nullable = false;
            } else if (peek().is("IDENTITY")) {
                const int line = advance().line;
                if (acceptSymbol("(")) {
                    const long long seed = integerLiteral();
                    expectSymbol(",");
                    const long long increment = integerLiteral();
                    expectSymbol(")");
                    if (seed != 1 || increment != 1)
                        throw makeErrorAt<ErrorId::IdentityNotOneOne>(line);
                }
                column.identity = true;
                column.nullable = false;
            } else if (accept("CONSTRAINT")) {
                name();
            } else {
                return column;
            }
        }
    }

    TypeName typeName()
    {
        TypeName type;
        type.line = peek().line;
        if (peek().kind != TokenKind::Identifier && peek().kind != TokenKind::QuotedIdentifier)
            fail();
        type.name = advance().text;
        if (acceptSymbol("(")) {
            if (accept("MAX"))
                type.length = -1;
            else
                type.length = static_cast<int>(std::clamp(integerLiteral(), -2LL, 1000000LL));
            expectSymbol(")");
        }
        return type;
    }

    SetStatement set()
    {
        expect("SET");
        SetStatement result;
        if (peek().kind != TokenKind::Identifier)
            fail();
        const Token& optionToken = peek();
        const std::string option = text::asciiUpper(optionToken.text);
        if (option == "TRANSACTION") {
            advance();
            expect("ISOLATION");
            expect("LEVEL");
            result.option = SetStatement::Option::ReadUncommitted;
            if (accept("READ"))
                result.on = accept("UNCOMMITTED") || (expect("COMMITTED"), false);
            else if (accept("REPEATABLE"))
                expect("READ");
            else if (!accept("SERIALIZABLE") && !accept("SNAPSHOT"))
                fail();
            return result;
        }
        if (option == "LOCK_TIMEOUT") {
            advance();
            result.option = SetStatement::Option::LockTimeout;
            result.value = integerLiteral();
            return result;
        }
        if (option == "ROWCOUNT") {
            // Only the value that changes nothing is accepted: a row limit would be ignored.
            advance();
            if (integerLiteral() != 0)
                throw makeErrorAt<ErrorId::NotRecognized>(optionToken.line, "ROWCOUNT", "SET option");
            return result;
        }
        if (contains(acceptedValueOptions, option)) {
            advance();
            if (peek().kind == TokenKind::End || peek().isSymbol(";"))
                fail();
            if (peek().isSymbol("-"))
                advance();
            requireUsEnglish(option, advance());
            return result;
        }
        if (!contains(acceptedOnOffOptions, option))
            throw makeErrorAt<ErrorId::NotRecognized>(optionToken.line, optionToken.text, "SET option");
        advance();
        while (acceptSymbol(",")) {
            if (peek().kind != TokenKind::Identifier || !contains(acceptedOnOffOptions, text::asciiUpper(peek().text)))
                fail();
            advance();
        }
        if (accept("ON"))
            result.on = true;
        else if (!accept("OFF"))
            fail();
        if (option == "NOCOUNT")
            result.option = SetStatement::Option::NoCount;
        else if (option == "IMPLICIT_TRANSACTIONS")
            result.option = SetStatement::Option::ImplicitTransactions;
        else if (option == "XACT_ABORT")
            result.option = SetStatement::Option::XactAbort;
        return result;
    }

    // Dates are read as us_english reads them (month-day-year, English month names); a setting
    // that would read them otherwise is refused rather than ignored.
    static void requireUsEnglish(const std::string& option, const Token& value)
    {
        const std::string setting = text::asciiLower(value.text);
        if ((option == "DATEFORMAT" && setting != "mdy")
            || (option == "LANGUAGE" && setting != "us_english" && setting != "english"))
            throw makeErrorAt<ErrorId::DateFormatUnsupported>(value.line, option, value.text);
    }

    // Expressions, loosest binding first: OR, AND, NOT, predicates, + -, * / %, unary, primary.
    ExprPtr expression()
    {
        const Nesting nesting(*this);
        return disjunction();
    }

    // Bounds the parser's recursion, so a hostile batch cannot exhaust the stack.
    struct Nesting {
        explicit Nesting(Parser& parser) : depth(parser.depth_)
        {
            if (++depth > maxNesting)
                throw nestedTooDeeply();
        }
        ~Nesting() { --depth; }
        int& depth;
    };

    // Makes `child` an operand of `parent`. Operator chains are parsed in loops, so the tree's
    // height is bounded here rather than by the recursion: every later walk of the tree (the
    // translation, SQLite's own parser, the tree's destruction) recurses once per level.
    static void adopt(Expr& parent, ExprPtr child)
    {
        grow(parent, child->height);
        parent.args.push_back(std::move(child));
    }
    static void grow(Expr& parent, int childHeight)
    {
        parent.height = std::max(parent.height, childHeight + 1);
        if (parent.height > maxNesting)
            throw nestedTooDeeply();
    }
    static int height(const SelectStatement& select)
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

    ExprPtr node(Expr::Kind kind, int line)
    {
        auto expr = std::make_unique<Expr>();
        expr->kind = kind;
        expr->line = line;
        return expr;
    }

    ExprPtr binary(Expr::Kind kind, std::string op, ExprPtr left, ExprPtr right)
    {
        auto expr = node(kind, left->line);
        expr->text = std::move(op);
        adopt(*expr, std::move(left));
        adopt(*expr, std::move(right));
        return expr;
    }

    ExprPtr disjunction()
    {
        ExprPtr left = conjunction();
        while (accept("OR"))
            left = binary(Expr::Kind::Or, "OR", std::move(left), conjunction());
        return left;
    }

    ExprPtr conjunction()
    {
        ExprPtr left = negation();
        while (accept("AND"))
            left = binary(Expr::Kind::And, "AND", std::move(left), negation());
        return left;
    }

    ExprPtr negation()
    {
        if (peek().is("NOT")) {
            const Nesting nesting(*this);
            auto expr = node(Expr::Kind::Not, advance().line);
            adopt(*expr, negation());
            return expr;
        }
        return predicate();
    }

    ExprPtr predicate()
    {
        ExprPtr left = additive();
        const Token& token = peek();
        if (token.kind == TokenKind::Symbol) {
            static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> comparisons{{
                {"=", "="}, {"<>", "<>"}, {"!=", "<>"}, {"<", "<"}, {"<=", "<="}, {">", ">"}, {">=", ">="},
                {"!<", ">="}, {"!>", "<="}}};
            for (const auto& [written, op] : comparisons) {
                if (token.text == written) {
                    advance();
                    return binary(Expr::Kind::Compare, std::string(op), std::move(left), additive());
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
            auto expr = binary(Expr::Kind::Like, "LIKE", std::move(left), additive());
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

    ExprPtr inPredicate(ExprPtr left, bool negated)
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

    ExprPtr additive()
    {
        ExprPtr left = multiplicative();
        while (peek().isSymbol("+") || peek().isSymbol("-")) {
            std::string op = advance().text;
            left = binary(Expr::Kind::Arithmetic, std::move(op), std::move(left), multiplicative());
        }
        return left;
    }

    ExprPtr multiplicative()
    {
        ExprPtr left = unary();
        while (peek().isSymbol("*") || peek().isSymbol("/") || peek().isSymbol("%")) {
            std::string op = advance().text;
            left = binary(Expr::Kind::Arithmetic, std::move(op), std::move(left), unary());
        }
        return left;
    }

    ExprPtr unary()
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

    ExprPtr primary()
    {
        const Token& token = peek();
        switch (token.kind) {
        case TokenKind::Integer:
        case TokenKind::Decimal: {
            auto expr = node(token.kind == TokenKind::Integer ? Expr::Kind::Integer : Expr::Kind::Decimal, token.line);
            expr->text = advance().text;
            return expr;
        }
        case TokenKind::String:
        case TokenKind::UnicodeString: {
            auto expr = node(Expr::Kind::String, token.line);
            expr->unicode = token.kind == TokenKind::UnicodeString;
            expr->text = advance().text;
            return expr;
        }
        case TokenKind::Variable: {
            const std::string name = text::asciiUpper(token.text);
            const auto bound = std::find_if(parameters_.begin(), parameters_.end(),
                                            [&](const std::string& p) { return text::asciiUpper(p) == name; });
            if (bound != parameters_.end()) {
                auto expr = node(Expr::Kind::Parameter, token.line);
                expr->text = std::to_string(bound - parameters_.begin());
                advance();
                return expr;
            }
            if (!contains(globalVariables, name))
                throw makeErrorAt<ErrorId::UndeclaredVariable>(token.line, token.text);
            auto expr = node(Expr::Kind::Global, token.line);
            expr->text = name;
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
            // LEFT and RIGHT are reserved for joins but are also functions.
            if (peek(1).isSymbol("(") && (!isReservedWord(token.text) || token.is("LEFT") || token.is("RIGHT")))
                return function();
            return column();
        case TokenKind::QuotedIdentifier:
            return column();
        case TokenKind::End:
            fail();
        }
        fail();
    }

    ExprPtr column()
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

    ExprPtr function()
    {
        const Token& token = advance();
        const std::string name = text::asciiUpper(token.text);
        if (!contains(builtinFunctions, name))
            throw makeErrorAt<ErrorId::NotRecognized>(token.line, token.text, "built-in function name");
        auto expr = node(Expr::Kind::Function, token.line);
        expr->text = name;
        expectSymbol("(");
        if (name == "COUNT") {  // COUNT(*) has no arguments in the tree, COUNT(x) one
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

    ExprPtr cast()
    {
        auto expr = node(Expr::Kind::Convert, advance().line);
        expectSymbol("(");
        adopt(*expr, expression());
        expect("AS");
        expr->type = typeName();
        expectSymbol(")");
        return expr;
    }

    ExprPtr convert()
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

    ExprPtr caseExpression()
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

    std::vector<Token> tokens_;
    std::span<const std::string> parameters_;
    std::size_t pos_ = 0;
    int depth_ = 0;
};

}  // namespace

std::vector<Statement> parseBatch(std::string_view batch, std::span<const std::string> parameters)
{
    return Parser(tokenize(batch), parameters).batch();
}

}  // namespace taskstore::sql
