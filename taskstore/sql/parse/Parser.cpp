#include "taskstore/sql/parse/Parser.h"

#include "common/AsciiCase.h"
#include "taskstore/sql/errors/SqlErrors.h"
#include "taskstore/sql/parse/BatchParser.h"

#include <algorithm>
#include <charconv>

namespace taskstore::sql {
namespace {

bool startsStatement(const Token& token)
{
    for (std::string_view word :
         {"SELECT", "INSERT", "UPDATE", "DELETE", "CREATE", "DROP", "USE", "BEGIN", "COMMIT", "ROLLBACK", "SET", "IF"})
        if (token.is(word))
            return true;
    return false;
}

}  // namespace

std::vector<Statement> parseBatch(std::string_view batch, std::span<const std::string> parameters)
{
    return BatchParser(tokenize(batch), parameters).batch();
}

BatchParser::BatchParser(std::vector<Token> tokens, std::span<const std::string> parameters)
    : tokens_(std::move(tokens))
{
    // Upper-cased once here: a batch may name its parameters far more often than it has them.
    for (std::size_t position = 0; position < parameters.size(); ++position)
        parameterPositions_.emplace(common::asciiUpper(parameters[position]), position);
}

std::vector<Statement> BatchParser::batch()
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

const Token& BatchParser::peek(std::size_t ahead) const { return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)]; }

const Token& BatchParser::advance()
{
    const Token& token = tokens_[pos_];
    if (pos_ + 1 < tokens_.size())
        ++pos_;
    return token;
}

// The error SQL Server gives: near the offending token, or the last one at the end of text.
void BatchParser::fail() const
{
    const Token& at = peek().kind == TokenKind::End && pos_ > 0 ? tokens_[pos_ - 1] : peek();
    if (at.kind == TokenKind::End)
        throw syntaxErrorNear("", at.line);
    const bool keyword = at.kind == TokenKind::Identifier && isReservedWord(at.text);
    throw syntaxErrorNear(at.kind == TokenKind::String ? at.text : at.source, at.line, keyword);
}

bool BatchParser::accept(std::string_view keyword)
{
    if (!peek().is(keyword))
        return false;
    advance();
    return true;
}

bool BatchParser::acceptSymbol(std::string_view symbol)
{
    if (!peek().isSymbol(symbol))
        return false;
    advance();
    return true;
}

void BatchParser::expect(std::string_view keyword)
{
    if (!accept(keyword))
        fail();
}

void BatchParser::expectSymbol(std::string_view symbol)
{
    if (!acceptSymbol(symbol))
        fail();
}

bool BatchParser::atName() const
{
    const Token& token = peek();
    return token.kind == TokenKind::QuotedIdentifier
        || (token.kind == TokenKind::Identifier && !isReservedWord(token.text));
}

std::string BatchParser::name()
{
    if (!atName())
        fail();
    return advance().text;
}

// The value of an integer token, none beyond bigint's range.
std::optional<long long> BatchParser::integerValue(const Token& token)
{
    long long value = 0;
    if (std::from_chars(token.text.data(), token.text.data() + token.text.size(), value).ec != std::errc())
        return std::nullopt;
    return value;
}

long long BatchParser::integerLiteral()
{
    const bool negative = acceptSymbol("-");
    if (peek().kind != TokenKind::Integer)
        fail();
    const std::optional<long long> value = integerValue(peek());
    if (!value)
        fail();
    advance();
    return negative ? -*value : *value;
}

StatementBody BatchParser::statement()
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

IfStatement BatchParser::ifStatement()
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

void BatchParser::transactionName()
{
    if (atName() && !startsStatement(peek()))
        advance();
}

ObjectName BatchParser::objectName()
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

TableRef BatchParser::tableRef()
{
    TableRef ref{objectName(), {}};
    if (accept("AS"))
        ref.alias = name();
    else if (atName() && !startsStatement(peek()))
        ref.alias = name();
    return ref;
}

SelectStatement BatchParser::select()
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

SelectItem BatchParser::selectItem()
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

InsertStatement BatchParser::insert()
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

UpdateStatement BatchParser::update()
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

DeleteStatement BatchParser::remove()
{
    expect("DELETE");
    accept("FROM");
    DeleteStatement result;
    result.table = tableRef();
    if (accept("WHERE"))
        result.where = expression();
    return result;
}

StatementBody BatchParser::create()
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

ColumnDefinition BatchParser::columnDefinition()
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

TypeName BatchParser::typeName()
{
    TypeName type;
    type.line = peek().line;
    if (peek().kind != TokenKind::Identifier && peek().kind != TokenKind::QuotedIdentifier)
        fail();
    type.name = advance().text;
    if (acceptSymbol("(")) {
        if (accept("MAX")) {
            type.length = -1;
        } else {
            // A length is an unsigned integer: a sign before it is a syntax error, as in SQL Server.
            const std::optional<long long> length =
                peek().kind == TokenKind::Integer ? integerValue(peek()) : std::nullopt;
            if (!length)
                fail();
            advance();
            type.length = static_cast<int>(std::min(*length, 1000000LL));
        }
        expectSymbol(")");
    }
    return type;
}

}  // namespace taskstore::sql
