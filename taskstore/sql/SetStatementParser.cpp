// SET statements: the options honoured, those accepted as they change nothing here, and the rest
// refused (195).
#include "taskstore/sql/BatchParser.h"

#include "common/AsciiCase.h"
#include "taskstore/sql/SqlErrors.h"

#include <algorithm>
#include <array>

namespace taskstore::sql {
namespace {

constexpr std::array<std::string_view, 17> acceptedOnOffOptions{
    {"ANSI_NULLS", "ANSI_PADDING", "ANSI_WARNINGS", "ANSI_NULL_DFLT_ON", "ANSI_NULL_DFLT_OFF", "ANSI_DEFAULTS",
     "ARITHABORT", "ARITHIGNORE", "CONCAT_NULL_YIELDS_NULL", "CURSOR_CLOSE_ON_COMMIT", "QUOTED_IDENTIFIER",
     "NUMERIC_ROUNDABORT", "NOCOUNT", "IMPLICIT_TRANSACTIONS", "XACT_ABORT", "STATISTICS", "NOEXEC"}};
constexpr std::array<std::string_view, 6> acceptedValueOptions{
    {"TEXTSIZE", "DATEFORMAT", "LANGUAGE", "DATEFIRST", "DEADLOCK_PRIORITY", "QUERY_GOVERNOR_COST_LIMIT"}};

template <std::size_t N>
bool contains(const std::array<std::string_view, N>& list, std::string_view word)
{
    return std::find(list.begin(), list.end(), word) != list.end();
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
        if (peek().kind != TokenKind::Identifier || !contains(acceptedOnOffOptions, common::asciiUpper(peek().text)))
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
void BatchParser::requireUsEnglish(const std::string& option, const Token& value)
{
    const std::string setting = common::asciiLower(value.text);
    if ((option == "DATEFORMAT" && setting != "mdy")
        || (option == "LANGUAGE" && setting != "us_english" && setting != "english"))
        throw makeErrorAt<ErrorId::DateFormatUnsupported>(value.line, option, value.text);
}

}  // namespace taskstore::sql
