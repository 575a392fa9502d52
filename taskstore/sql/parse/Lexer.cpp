#include "taskstore/sql/parse/Lexer.h"

#include "common/AsciiCase.h"
#include "taskstore/sql/errors/SqlErrors.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace taskstore::sql {
namespace {

bool isWordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c == '#' || c >= 0x80; }
bool isWordPart(unsigned char c)
{
    return std::isalnum(c) || c == '_' || c == '#' || c == '$' || c == '@' || c >= 0x80;
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }

constexpr std::array<std::string_view, 86> reservedWords{{
    "ADD",        "ALL",      "ALTER",    "AND",     "ANY",       "AS",          "ASC",      "BACKUP",   "BEGIN",
    "BETWEEN",    "BREAK",    "BY",       "CASCADE", "CASE",      "CHECK",       "CLOSE",    "COLUMN",   "COMMIT",
    "CONSTRAINT", "CONVERT",  "CREATE",   "CROSS",   "CURRENT",   "CURSOR",      "DATABASE", "DECLARE",  "DEFAULT",
    "DELETE",     "DESC",     "DISTINCT", "DROP",    "ELSE",      "END",         "EXEC",     "EXECUTE",  "EXISTS",
    "FETCH",      "FOR",      "FOREIGN",  "FROM",    "FULL",      "FUNCTION",    "GOTO",     "GRANT",    "GROUP",
    "HAVING",     "IDENTITY", "IF",       "IN",      "INDEX",     "INNER",       "INSERT",   "INTO",     "IS",
    "JOIN",       "KEY",      "LEFT",     "LIKE",    "NOT",       "NULL",        "OF",       "OFF",      "ON",
    "OR",         "ORDER",    "OUTER",    "PRIMARY", "PROCEDURE", "RETURN",      "RIGHT",    "ROLLBACK", "SELECT",
    "SET",        "TABLE",    "THEN",     "TOP",     "TRAN",      "TRANSACTION", "UNION",    "UNIQUE",   "UPDATE",
    "USE",        "VALUES",   "WHEN",     "WHERE",   "WHILE",
}};

// A token and its share of the tree take a few hundred bytes, so the tokens of one batch are
// bounded, not only its bytes: 64 MiB of "1," would otherwise need gigabytes. Far above any batch
// the tool or a script sends (an INSERT of SQL Server's 1,000 rows of ten values is 22,000).
constexpr std::size_t maxTokens = 250'000;

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    std::vector<Token> run()
    {
        std::vector<Token> tokens;
        for (;;) {
            skipBlanksAndComments();
            if (pos_ >= text_.size())
                break;
            if (tokens.size() == maxTokens)
                throw makeError<ErrorId::OutOfMemory>();
            tokens.push_back(next());
        }
        Token end;
        end.line = line_;
        tokens.push_back(end);
        return tokens;
    }

private:
    char peek(std::size_t ahead = 0) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }

    void advance(std::size_t count = 1)
    {
        for (std::size_t i = 0; i < count && pos_ < text_.size(); ++i, ++pos_)
            if (text_[pos_] == '\n')
                ++line_;
    }

    void skipBlanksAndComments()
    {
        while (pos_ < text_.size()) {
            const char c = peek();
            if (std::isspace(static_cast<unsigned char>(c))) {
                advance();
            } else if (c == '-' && peek(1) == '-') {
                while (pos_ < text_.size() && peek() != '\n')
                    advance();
            } else if (c == '/' && peek(1) == '*') {
                skipBlockComment();
            } else {
                return;
            }
        }
    }

    // Block comments nest in T-SQL.
    void skipBlockComment()
    {
        int depth = 0;
        do {
            if (pos_ >= text_.size())
                throw makeErrorAt<ErrorId::MissingEndComment>(line_);
            if (peek() == '/' && peek(1) == '*') {
                ++depth;
                advance(2);
            } else if (peek() == '*' && peek(1) == '/') {
                --depth;
                advance(2);
            } else {
                advance();
            }
        } while (depth > 0);
    }

    Token make(TokenKind kind, std::size_t start, std::string value, int line) const
    {
        Token token;
        token.kind = kind;
        token.text = std::move(value);
        token.source = std::string(text_.substr(start, pos_ - start));
        token.line = line;
        return token;
    }

    // Text up to the closing quote; a doubled closing quote stands for one.
    std::string quoted(char close, int line)
    {
        std::string value;
        advance();
        for (;;) {
            if (pos_ >= text_.size())
                throw makeErrorAt<ErrorId::UnclosedQuotation>(line, value);
            const char c = peek();
            if (c == close) {
                if (peek(1) == close) {
                    value += close;
                    advance(2);
                    continue;
                }
                advance();
                return value;
            }
            value += c;
            advance();
        }
    }

    Token next()
    {
        const std::size_t start = pos_;
        const int line = line_;
        const char c = peek();
        if ((c == 'N' || c == 'n') && peek(1) == '\'') {
            advance();
            std::string value = quoted('\'', line);
            return make(TokenKind::UnicodeString, start, std::move(value), line);
        }
        if (c == '\'') {
            std::string value = quoted('\'', line);
            return make(TokenKind::String, start, std::move(value), line);
        }
        if (c == '[') {
            std::string value = quoted(']', line);
            return make(TokenKind::QuotedIdentifier, start, std::move(value), line);
        }
        if (c == '"') {
            std::string value = quoted('"', line);
            return make(TokenKind::QuotedIdentifier, start, std::move(value), line);
        }
        if (isDigit(c) || (c == '.' && isDigit(peek(1))))
            return number(start, line);
        if (c == '@') {
            advance();
            if (peek() == '@')
                advance();
            while (pos_ < text_.size() && isWordPart(static_cast<unsigned char>(peek())))
                advance();
            return make(TokenKind::Variable, start, std::string(text_.substr(start, pos_ - start)), line);
        }
        if (isWordStart(static_cast<unsigned char>(c))) {
            while (pos_ < text_.size() && isWordPart(static_cast<unsigned char>(peek())))
                advance();
            return make(TokenKind::Identifier, start, std::string(text_.substr(start, pos_ - start)), line);
        }
        for (std::string_view symbol : {"<>", "!=", "<=", ">=", "!<", "!>"}) {
            if (text_.substr(pos_, 2) == symbol) {
                advance(2);
                return make(TokenKind::Symbol, start, std::string(symbol), line);
            }
        }
        if (std::string_view("(),.;=<>+-*/%").find(c) != std::string_view::npos) {
            advance();
            return make(TokenKind::Symbol, start, std::string(1, c), line);
        }
        advance();
        throw syntaxErrorNear(std::string(text_.substr(start, 1)), line);
    }

    Token number(std::size_t start, int line)
    {
        bool decimal = false;
        while (isDigit(peek()))
            advance();
        if (peek() == '.') {
            decimal = true;
            advance();
            while (isDigit(peek()))
                advance();
        }
        if ((peek() == 'e' || peek() == 'E')
            && (isDigit(peek(1)) || ((peek(1) == '+' || peek(1) == '-') && isDigit(peek(2))))) {
            decimal = true;
            advance(2);
            while (isDigit(peek()))
                advance();
        }
        return make(decimal ? TokenKind::Decimal : TokenKind::Integer, start,
                    std::string(text_.substr(start, pos_ - start)), line);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

}  // namespace

bool Token::is(std::string_view keyword) const
{
    return kind == TokenKind::Identifier && common::equalIgnoringAsciiCase(text, keyword);
}

bool isReservedWord(std::string_view word)
{
    return std::any_of(reservedWords.begin(), reservedWords.end(),
                       [&](std::string_view reserved) { return common::equalIgnoringAsciiCase(reserved, word); });
}

std::vector<Token> tokenize(std::string_view batch) { return Scanner(batch).run(); }

}  // namespace taskstore::sql
