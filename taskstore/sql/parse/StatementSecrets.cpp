#include "taskstore/sql/parse/StatementSecrets.h"

#include <array>
#include <cctype>
#include <string>
#include <vector>

#include "common/AsciiCase.h"
#include "taskstore/engine/Engine.h"
#include "taskstore/sql/parse/Lexer.h"

namespace taskstore::sql {
namespace {

// In the order the traces report them.
constexpr std::array<std::string_view, 13> secretWords{
    {"CREATE LOGIN", "ALTER LOGIN", "CREATE APPLICATION ROLE", "ALTER APPLICATION ROLE", "SP_PASSWORD", "SP_ADDLOGIN",
     "SP_ADDAPPROLE", "SP_SETAPPROLE", "SP_APPROLEPASSWORD", "MASTER KEY", "SYMMETRIC KEY", "CREDENTIAL", "PASSWORD"}};

// String literals inside string literals are read this deep.
constexpr int maxDepth = 3;

std::vector<std::string_view> wordsOf(std::string_view phrase)
{
    std::vector<std::string_view> words;
    for (std::size_t at = 0; at < phrase.size();) {
        const std::size_t end = std::min(phrase.find(' ', at), phrase.size());
        words.push_back(phrase.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

bool isWord(const Token& token, std::string_view word)
{
    return (token.kind == TokenKind::Identifier || token.kind == TokenKind::QuotedIdentifier)
        && common::equalIgnoringAsciiCase(token.text, word);
}

bool holdsPhrase(const std::vector<Token>& tokens, std::string_view phrase)
{
    const auto words = wordsOf(phrase);
    for (std::size_t i = 0; i + words.size() <= tokens.size(); ++i) {
        std::size_t matched = 0;
        while (matched < words.size() && isWord(tokens[i + matched], words[matched]))
            ++matched;
        if (matched == words.size())
            return true;
    }
    return false;
}

std::string lettersOnly(std::string_view text)
{
    std::string letters;
    for (char c : text)
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_')
            letters += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return letters;
}

std::string_view secretWordAt(std::string_view statement, int depth)
{
    std::vector<Token> tokens;
    try {
        tokens = tokenize(statement);
    } catch (const SqlError&) {
        const std::string letters = lettersOnly(statement);
        for (std::string_view word : secretWords) {
            std::string joined;
            for (std::string_view part : wordsOf(word))
                joined += part;
            if (letters.find(joined) != std::string::npos)
                return word;
        }
        return {};
    }
    for (std::string_view word : secretWords)
        if (holdsPhrase(tokens, word))
            return word;
    if (depth < maxDepth)
        for (const Token& token : tokens)
            if (token.kind == TokenKind::String || token.kind == TokenKind::UnicodeString)
                if (const std::string_view word = secretWordAt(token.text, depth + 1); !word.empty())
                    return word;
    return {};
}

}  // namespace

std::string_view secretWordIn(std::string_view statement) { return secretWordAt(statement, 1); }

}  // namespace taskstore::sql
