#pragma once
// Splits a T-SQL batch into tokens. Comments and blanks are dropped; quoted identifiers and
// string literals arrive with their quotes removed and doubled quotes undone.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace taskstore::sql {

enum class TokenKind {
    Identifier,        // bare word: keyword or name
    QuotedIdentifier,  // [name] or "name"
    String,            // 'text'
    UnicodeString,     // N'text'
    Integer,
    Decimal,   // digits with a point or an exponent
    Variable,  // @name or @@name
    Symbol,    // operators and punctuation
    End,
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;    // value: unquoted text, or the symbol itself
    std::string source;  // as written, for messages
    int line = 1;

    // Case-insensitive keyword test on a bare word.
    bool is(std::string_view keyword) const;
    bool isSymbol(std::string_view symbol) const { return kind == TokenKind::Symbol && text == symbol; }
};

// Throws SqlError (105 unclosed quote, 113 unclosed comment, 102 stray character, 701 past
// 250,000 tokens).
std::vector<Token> tokenize(std::string_view batch);

// Whether a word is reserved in T-SQL, so that an error near it reads "near the keyword".
bool isReservedWord(std::string_view word);

}  // namespace taskstore::sql
