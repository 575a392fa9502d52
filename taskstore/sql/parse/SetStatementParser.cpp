// SET statements: the options honoured, those accepted as they change nothing here, and the rest
// refused (195).
#include "taskstore/sql/parse/BatchParser.h"

#include "common/AsciiCase.h"
#include "taskstore/sql/errors/SqlErrors.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace taskstore::sql {
namespace {

constexpr std::array<std::string_view, 16> acceptedOnOffOptions{
    {"ANSI_NULLS", "ANSI_PADDING", "ANSI_WARNINGS", "ANSI_NULL_DFLT_ON", "ANSI_NULL_DFLT_OFF", "ANSI_DEFAULTS",
     "ARITHABORT", "ARITHIGNORE", "CONCAT_NULL_YIELDS_NULL", "CURSOR_CLOSE_ON_COMMIT", "QUOTED_IDENTIFIER",
     "NUMERIC_ROUNDABORT", "NOCOUNT", "IMPLICIT_TRANSACTIONS", "XACT_ABORT", "NOEXEC"}};
// Accepted only as OFF, the default: NOEXEC ON would have the statements after it skipped, and
// ANSI_DEFAULTS ON turns on settings this engine does not keep.
constexpr std::array<std::string_view, 2> offOnlyOptions{{"ANSI_DEFAULTS", "NOEXEC"}};
constexpr std::array<std::string_view, 6> acceptedValueOptions{
    {"TEXTSIZE", "DATEFORMAT", "LANGUAGE", "DATEFIRST", "DEADLOCK_PRIORITY", "QUERY_GOVERNOR_COST_LIMIT"}};

template <std::size_t N>
bool contains(const std::array<std::string_view, N>& list, std::string_view word)
{
    return std::find(list.begin(), list.end(), word) != list.end();
}

// The session option an ON/OFF option sets, none for those accepted as they change nothing.
std::optional<SetStatement::Option> sessionOption(std::string_view upperCaseName)
{
    if (upperCaseName == "NOCOUNT")
        return SetStatement::Option::NoCount;
    if (upperCaseName == "IMPLICIT_TRANSACTIONS")
        return SetStatement::Option::ImplicitTransactions;
    if (upperCaseName == "XACT_ABORT")
        return SetStatement::Option::XactAbort;
    return std::nullopt;
}

}  // namespace

SetStatement BatchParser::set()
{
    expect("SET");
    SetStatement result;
    if (peek().kind != TokenKind::Identifier)
        fail();
    const Token& optionToken = peek();
    const std::string option = common::asciiUpper(optionToken.text);
    if (option == "TRANSACTION") {
        advance();
        expect("ISOLATION");
        expect("LEVEL");
        result.options = {SetStatement::Option::ReadUncommitted};
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
        result.options = {SetStatement::Option::LockTimeout};
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
    std::vector<const Token*> named{&advance()};
    while (acceptSymbol(",")) {
        if (peek().kind != TokenKind::Identifier || !contains(acceptedOnOffOptions, common::asciiUpper(peek().text)))
            fail();
        named.push_back(&advance());
    }
    if (accept("ON"))
        result.on = true;
    else if (!accept("OFF"))
        fail();
    for (const Token* token : named) {
        const std::string name = common::asciiUpper(token->text);
        if (result.on && contains(offOnlyOptions, name))
            throw makeErrorAt<ErrorId::NotRecognized>(token->line, token->text, "SET option");
        if (const std::optional<SetStatement::Option> set = sessionOption(name))
            result.options.push_back(*set);
    }
    return result;
}

// Dates are read as us_english reads them (month-day-year, English month names); a setting
// that would read them otherwise is refused rather than ignored.
void BatchParser::requireUsEnglish(const std::string& option, const Token& value)
{
    const std::string setting = common::asciiLower(value.text);
    if ((option == "DATEFORMAT" && setting != "mdy")
        || (option == "LANGUAGE" && setting != "us_english" && setting != "english"))
        throw makeErrorAt<ErrorId::DateFormatUnsupported>(value.line, option, value.text);
}

}  // namespace taskstore::sql
